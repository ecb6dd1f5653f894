#include "ui/missedcallsdialog.h"
#include "ui_missedcallsdialog.h"

#include "objfactory.h"
#include "ui/contactmanager.h"
#include "ui/missedcallwidget.h"
#include "util/trace.h"

#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

MissedCallsDialog::MissedCallsDialog(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::CustomizeWindowHint)
    , m_ui(new Ui::MissedCallsDialog)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &MissedCallsDialog::close);
    connect(m_ui->okButton, &QPushButton::clicked, this, &MissedCallsDialog::accept);
}

MissedCallsDialog::~MissedCallsDialog() = default;

void MissedCallsDialog::setMissedCallsNumbers(const QStringList &numbers)
{
    clearRows();
    auto *layout = new QVBoxLayout(m_ui->callsWidget);

    // Callers' numbers stay out of the log, which goes out with crash reports.
    TRACE << "Got Missed Calls List: " << Trace::tags(numbers);
    m_ui->messageLabel->setText(numbers.size() == 1 ? tr("You have one missed call:")
                                                    : tr("You have the following missed calls:"));

    QMap<QString, int> counts;
    for (const QString &number : numbers)
        ++counts[number];

    ContactManager *contacts = ObjFactory::instance()->contactManager();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        auto *row = new MissedCallWidget;
        const ContactPtr contact = contacts ? contacts->contactByPhoneNumber(it.key()) : ContactPtr();
        row->setMissedCall(it.value(), contact ? contact->displayName() : QString(), it.key());
        connect(row, &MissedCallWidget::call, this, &MissedCallsDialog::onCall);
        connect(row, &MissedCallWidget::sms, this, &MissedCallsDialog::onSMS);
        layout->addWidget(row);
        m_rows << row;
    }

    // The size hints are cached until the layouts run; run them now so the
    // pop-up grows or shrinks with this fill.
    layout->activate();
    m_ui->callsWidget->updateGeometry();
    this->layout()->activate();
    // The heading wraps, so its height follows the width.
    const QSize hint = sizeHint();
    resize(hint.width(),
           hasHeightForWidth() ? qMax(hint.height(), heightForWidth(hint.width())) : hint.height());
    update();
}

void MissedCallsDialog::clearRows()
{
    delete m_ui->callsWidget->layout();
    for (MissedCallWidget *row : std::as_const(m_rows)) {
        row->disconnect(this);
        row->hide();
        m_retiredRows << row;
    }
    m_rows.clear();
    deleteRetiredRows();
}

void MissedCallsDialog::deleteRetiredRows()
{
    if (m_rowSignalDepth > 0)
        return;
    for (const QPointer<MissedCallWidget> &row : std::as_const(m_retiredRows)) {
        if (row)
            row->deleteLater();
    }
    m_retiredRows.clear();
}

void MissedCallsDialog::onCall(const QString &number)
{
    TRACE << "Emitting call number from MissedCallsDialog" << Trace::tag(number);
    const QPointer<MissedCallsDialog> self(this);
    ++m_rowSignalDepth;
    emit callNumber(number);
    if (!self)
        return;
    --m_rowSignalDepth;
    deleteRetiredRows();
}

void MissedCallsDialog::onSMS(const QString &number)
{
    TRACE << "Emitting send sms from MissedCallsDialog" << Trace::tag(number);
    const QPointer<MissedCallsDialog> self(this);
    ++m_rowSignalDepth;
    emit sendSMSToNumber(number);
    if (!self)
        return;
    --m_rowSignalDepth;
    deleteRetiredRows();
}

void MissedCallsDialog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragPosition = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    event->accept();
}

void MissedCallsDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}

void MissedCallsDialog::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && m_dragging)
        move(event->globalPosition().toPoint() - m_dragPosition);
    event->accept();
}

void MissedCallsDialog::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
