#include "ui/contactdetailspage.h"
#include "ui_contactdetailspage.h"

#include "ui/contactmanager.h"
#include "ui/elidedlabel.h"
#include "util/trace.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOption>

namespace {

template<typename T>
T *rowWidget(const QWidget *box, const char *format, int row)
{
    return box->findChild<T *>(QString::fromLatin1(format).arg(row + 1));
}

} // namespace

ContactDetailsPage::ContactDetailsPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::ContactDetailsPage)
{
    m_ui->setupUi(this);
    for (int row = 0; row < MaxNumbers; ++row) {
        auto *call = rowWidget<QPushButton>(m_ui->numbersGroupBox, "callNumberButton_%1", row);
        auto *sms = rowWidget<QPushButton>(m_ui->numbersGroupBox, "sendSMSButton_%1", row);
        if (!call || !sms)
            break;
        connect(call, &QPushButton::clicked, this, &ContactDetailsPage::onCallNumberClicked);
        connect(sms, &QPushButton::clicked, this, &ContactDetailsPage::onSendSMSClicked);
    }
    connect(m_ui->editButton, &QToolButton::clicked, this, &ContactDetailsPage::onEditClicked);
    connect(m_ui->deleteButton, &QToolButton::clicked, this, &ContactDetailsPage::onDeleteClicked);
    m_ui->nameLabel->installEventFilter(this);
    m_ui->detailsScrollArea->installEventFilter(this);
    m_ui->detailsScrollContents->installEventFilter(this);
    m_ui->detailsScrollArea->verticalScrollBar()->installEventFilter(this);
    m_rightMargin = m_ui->verticalLayout->contentsMargins().right();
    // Cut in the middle, a long address still shows whose it is and where.
    m_ui->emailLabel->setElideMode(Qt::ElideMiddle);
}

ContactDetailsPage::~ContactDetailsPage() = default;

void ContactDetailsPage::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void ContactDetailsPage::setContact(const QString &nick)
{
    const ContactPtr contact = m_contactManager ? m_contactManager->contact(nick) : ContactPtr();
    if (!contact) {
        // Gone from the address book meanwhile: nothing of it stays on show.
        TRACE_WARNING << "No contact with nick" << Trace::tag(nick);
        m_nick.clear();
        m_name.clear();
        showName();
        m_ui->addressLabel->clear();
        m_ui->groupLabel->clear();
        m_ui->emailLabel->setFullText(QString());
        for (int row = 0; row < MaxNumbers; ++row)
            hideRow(row);
        return;
    }

    m_name = contact->firstName() + QLatin1Char(' ') + contact->lastName();
    showName();
    m_ui->addressLabel->setText(contact->addressLine1());
    m_ui->groupLabel->setText(contact->groupName());
    m_ui->emailLabel->setFullText(contact->emails().value(0));
    m_nick = contact->nick();

    const QList<PhoneNumber> &phones = contact->phones();
    const int shown = qMin(int(phones.size()), MaxNumbers);
    for (int row = 0; row < shown; ++row)
        showRow(row, phones.at(row).typeText() + QLatin1Char(':'), phones.at(row).number());
    for (int row = shown; row < MaxNumbers; ++row)
        hideRow(row);
}

void ContactDetailsPage::showRow(int row, const QString &type, const QString &number)
{
    auto *call = rowWidget<QPushButton>(m_ui->numbersGroupBox, "callNumberButton_%1", row);
    auto *sms = rowWidget<QPushButton>(m_ui->numbersGroupBox, "sendSMSButton_%1", row);
    auto *numberLabel = rowWidget<ElidedLabel>(m_ui->numbersGroupBox, "numberLabel_%1", row);
    auto *typeLabel = rowWidget<QLabel>(m_ui->numbersGroupBox, "numberTypeLabel_%1", row);
    if (!call || !sms || !numberLabel || !typeLabel)
        return;
    typeLabel->setText(type);
    // Cut at its end when the row is too narrow, whole in the tooltip.
    numberLabel->setFullText(number);
    for (QWidget *widget : {static_cast<QWidget *>(call), static_cast<QWidget *>(sms),
                            static_cast<QWidget *>(numberLabel), static_cast<QWidget *>(typeLabel)})
        widget->show();
}

void ContactDetailsPage::hideRow(int row)
{
    for (const char *format :
         {"callNumberButton_%1", "sendSMSButton_%1", "numberLabel_%1", "numberTypeLabel_%1"}) {
        if (QWidget *widget = rowWidget<QWidget>(m_ui->numbersGroupBox, format, row))
            widget->hide();
    }
}

void ContactDetailsPage::showName()
{
    // Elided to the label as it is now; resizing elides again.
    const QLabel *label = m_ui->nameLabel;
    m_ui->nameLabel->setText(label->fontMetrics().elidedText(m_name, Qt::ElideRight, label->width() - 1));
}

void ContactDetailsPage::clear()
{
    m_nick.clear();
}

void ContactDetailsPage::updateContact()
{
    if (m_nick.isEmpty()) {
        TRACE_WARNING << "contact nick is empty...";
        return;
    }
    setContact(m_nick);
}

int ContactDetailsPage::phoneRowIndex(const QString &objectName)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("\\w+_(\\d+)")));
    const QRegularExpressionMatch match = pattern.match(objectName);
    if (!match.hasMatch())
        return -1;
    bool ok = false;
    const int number = match.captured(1).toInt(&ok);
    return ok ? number - 1 : -1;
}

QString ContactDetailsPage::senderNumber() const
{
    const auto *button = qobject_cast<const QPushButton *>(sender());
    if (!button)
        return QString();
    const int row = phoneRowIndex(button->objectName());
    const auto *label
        = row >= 0 ? rowWidget<ElidedLabel>(m_ui->numbersGroupBox, "numberLabel_%1", row) : nullptr;
    // The number whole, also when the row shows it cut.
    return label ? label->fullText() : QString();
}

void ContactDetailsPage::onCallNumberClicked()
{
    const QString number = senderNumber();
    if (!number.isEmpty())
        emit callContact(QString(), number);
}

void ContactDetailsPage::onSendSMSClicked()
{
    const QString number = senderNumber();
    if (!number.isEmpty())
        emit sendSMS(QString(), number);
}

void ContactDetailsPage::onEditClicked()
{
    emit editContactRequested(m_nick);
}

void ContactDetailsPage::onDeleteClicked()
{
    emit deleteContactRequested(m_nick);
}

void ContactDetailsPage::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void ContactDetailsPage::fitDetails()
{
    // The numbers and the details take the height they need, the room left
    // going to the buttons below. Where the page is too short for them, they
    // scroll rather than squeeze the number rows.
    QScrollArea *area = m_ui->detailsScrollArea;
    const QWidget *contents = m_ui->detailsScrollContents;
    const int needed = contents->hasHeightForWidth() ? contents->heightForWidth(area->contentsRect().width())
                                                     : contents->sizeHint().height();
    const int frame = area->height() - area->contentsRect().height();
    area->setMaximumHeight(qMax(needed, contents->minimumSizeHint().height()) + frame);
}

void ContactDetailsPage::makeRoomForScrollBar()
{
    // The scroll bar takes the right margin, not the numbers' width.
    const QScrollBar *bar = m_ui->detailsScrollArea->verticalScrollBar();
    QMargins margins = m_ui->verticalLayout->contentsMargins();
    margins.setRight(bar->isVisible() ? qMax(0, m_rightMargin - bar->width()) : m_rightMargin);
    m_ui->verticalLayout->setContentsMargins(margins);
}

bool ContactDetailsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->nameLabel && event->type() == QEvent::Resize)
        showName();
    else if ((watched == m_ui->detailsScrollArea && event->type() == QEvent::Resize)
             || (watched == m_ui->detailsScrollContents && event->type() == QEvent::LayoutRequest))
        fitDetails();
    else if (watched == m_ui->detailsScrollArea->verticalScrollBar()
             && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        makeRoomForScrollBar();
    return QWidget::eventFilter(watched, event);
}
