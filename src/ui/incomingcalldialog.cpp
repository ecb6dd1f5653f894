#include "ui/incomingcalldialog.h"
#include "ui_incomingcalldialog.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

IncomingCallDialog::IncomingCallDialog(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::CustomizeWindowHint)
    , m_ui(new Ui::IncomingCallDialog)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    m_ui->iconLabel->hide();
    m_ui->voiceMailButton->hide();

    connect(m_ui->anwserButton, &QPushButton::clicked, this, &IncomingCallDialog::onAcceptCall);
    connect(m_ui->declineButton, &QPushButton::clicked, this, &IncomingCallDialog::onRejectCall);
    connect(m_ui->voiceMailButton, &QPushButton::clicked, this, &IncomingCallDialog::voiceMailClicked);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &IncomingCallDialog::close);
}

IncomingCallDialog::~IncomingCallDialog() = default;

void IncomingCallDialog::setCaller(const QString &caller)
{
    // A plain label: the caller's name is a contact's text.
    m_ui->infoLabel->setText(tr("%1\nis calling...").arg(caller));
}

void IncomingCallDialog::onAcceptCall()
{
    emit acceptCall();
    accept();
}

void IncomingCallDialog::onRejectCall()
{
    emit rejectCall();
    reject();
}

void IncomingCallDialog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragPosition = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    event->accept();
}

void IncomingCallDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}

void IncomingCallDialog::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && m_dragging)
        move(event->globalPosition().toPoint() - m_dragPosition);
    event->accept();
}

void IncomingCallDialog::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
