#include "ui/virtualnumberitemwidget.h"

#include "ui_virtualnumberitemwidget.h"
#include "virtualnumber.h"

#include <QLabel>
#include <QPainter>
#include <QStyleOption>

VirtualNumberItemWidget::VirtualNumberItemWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::VirtualNumberItemWidget)
{
    m_ui->setupUi(this);
    connect(m_ui->renewButton, &QPushButton::clicked, this, &VirtualNumberItemWidget::renewClicked);
}

VirtualNumberItemWidget::~VirtualNumberItemWidget() = default;

void VirtualNumberItemWidget::setVirtualNumber(const VirtualNumber &number)
{
    m_ui->numberLabel->setText(number.number());
    const bool expires = number.expirationDate() > QDate::currentDate();
    const QString format = expires ? tr("expires on %1") : tr("expired on %1");
    m_ui->expirationLabel->setProperty("expired", expires ? QStringLiteral("false") : QStringLiteral("true"));
    m_expiry = format.arg(number.expirationDate().toString(Qt::TextDate));
    showExpiry();
    m_ui->flagLabel->setPixmap(number.flag());
}

void VirtualNumberItemWidget::showExpiry()
{
    QLabel *label = m_ui->expirationLabel;
    const int room = label->contentsRect().width();
    const QString shown = room > 0 && isVisible()
        ? label->fontMetrics().elidedText(m_expiry, Qt::ElideRight, room)
        : m_expiry;
    label->setText(shown);
    label->setToolTip(shown == m_expiry ? QString() : m_expiry);
}

// The room is known once the row is laid out and shown.
void VirtualNumberItemWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showExpiry();
}

void VirtualNumberItemWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    showExpiry();
}

void VirtualNumberItemWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
