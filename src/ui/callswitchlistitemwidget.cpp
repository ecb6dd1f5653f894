#include "ui/callswitchlistitemwidget.h"
#include "ui_callswitchlistitemwidget.h"

#include "ui/repolishwidget.h"

#include <QTime>

CallSwitchListItemWidget::CallSwitchListItemWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::CallSwitchListItemWidget)
{
    m_ui->setupUi(this);
    setActive(true);
    setSelected(false);
}

CallSwitchListItemWidget::~CallSwitchListItemWidget() = default;

void CallSwitchListItemWidget::setSelected(bool selected)
{
    for (QWidget *background : {m_ui->topBackground, m_ui->bottomBackground}) {
        background->setProperty("_selected", selected);
        repolishWidget(background);
    }
}

bool CallSwitchListItemWidget::isSelected() const
{
    return m_ui->topBackground->property("_selected").toBool();
}

void CallSwitchListItemWidget::setActive(bool active)
{
    m_ui->callStateLabel->setProperty("_active", active);
    repolishWidget(m_ui->callStateLabel);
    m_ui->callStateLabel->setText(active ? tr("ACTIVE") : tr("ON HOLD"));
}

bool CallSwitchListItemWidget::isActive() const
{
    return m_ui->callStateLabel->property("_active").toBool();
}

void CallSwitchListItemWidget::setContactName(const QString &name)
{
    m_ui->contactLabel->setText(name.isEmpty() ? tr("Unknown") : name);
}

QString CallSwitchListItemWidget::contactName() const
{
    return m_ui->contactLabel->text();
}

void CallSwitchListItemWidget::setNumber(const QString &number)
{
    m_ui->numberLabel->setText(number);
}

QString CallSwitchListItemWidget::number() const
{
    return m_ui->numberLabel->text();
}

void CallSwitchListItemWidget::setTime(const QTime &time)
{
    QString text;
    if (time.hour() > 0)
        text = QString::number(time.hour()) + QLatin1Char(':');
    text += time.toString(QStringLiteral("mm:ss"));
    m_ui->callDurationLabel->setText(text);
}

QString CallSwitchListItemWidget::timeText() const
{
    return m_ui->callDurationLabel->text();
}
