#include "ui/missedcallwidget.h"
#include "ui_missedcallwidget.h"

#include "util/trace.h"

#include <QPainter>
#include <QStyleOption>

MissedCallWidget::MissedCallWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::MissedCallWidget)
{
    m_ui->setupUi(this);
    connect(m_ui->callNumberButton, &QPushButton::clicked, this, &MissedCallWidget::onCallClicked);
    connect(m_ui->sendSMSButton, &QPushButton::clicked, this, &MissedCallWidget::onSmsClicked);
}

MissedCallWidget::~MissedCallWidget() = default;

void MissedCallWidget::setMissedCall(int count, const QString &name, const QString &number)
{
    m_ui->countLabel->setText(count > 1 ? QStringLiteral("%1 calls from").arg(count)
                                        : QStringLiteral("%1 call from").arg(count));
    m_callerName = name;
    m_callerNumber = number;
    m_ui->numberLabel->setText(number);
    if (name.isEmpty()) {
        m_ui->nameLabel->hide();
    } else {
        m_ui->nameLabel->setText(QStringLiteral("(%1)").arg(name));
        m_ui->nameLabel->show();
    }
}

void MissedCallWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

// The receivers may refill the pop-up, which retires this row: only the
// copy of the number is used once the signal has gone out.
void MissedCallWidget::onCallClicked()
{
    const QString number = m_callerNumber;
    emit call(number);
    TRACE << "Emitting call signal" << Trace::tag(number);
}

void MissedCallWidget::onSmsClicked()
{
    const QString number = m_callerNumber;
    emit sms(number);
    TRACE << "Emitting sms signal" << Trace::tag(number);
}
