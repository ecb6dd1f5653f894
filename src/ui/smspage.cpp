#include "ui/smspage.h"

#include "history/history.h"
#include "phone/phone.h"
#include "ui/messageprompt.h"
#include "ui_smspage.h"
#include "util/trace.h"

#include <QEvent>
#include <QTimer>

namespace {

constexpr int kPartLength = 160;
const char kSending[] = "Sending SMS    ";
const char kSendingOne[] = "Sending SMS .  ";
const char kSendingTwo[] = "Sending SMS .. ";
const char kSendingThree[] = "Sending SMS ...";

} // namespace

SMSPage::SMSPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::SMSPage)
    , m_animationTimer(new QTimer(this))
    , m_timeoutTimer(new QTimer(this))
    , m_resultTimer(new QTimer(this))
{
    m_ui->setupUi(this);
    m_ui->smsTextEdit->installEventFilter(this);

    // The hint floats over the text field's top-left corner; clicks go
    // through it to the field.
    m_ui->smsTextEditLayout->removeWidget(m_ui->placeHolderLabel);
    m_ui->placeHolderLabel->setParent(m_ui->smsTextEdit);
    m_ui->placeHolderLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_ui->placeHolderLabel->move(0, 0);

    m_animationTimer->setObjectName(QStringLiteral("sendingAnimationTimer"));
    m_timeoutTimer->setObjectName(QStringLiteral("sendingTimeoutTimer"));
    m_resultTimer->setObjectName(QStringLiteral("resultShownTimer"));
    m_timeoutTimer->setSingleShot(true);
    m_resultTimer->setSingleShot(true);
    updateSMSCounter();

    connect(m_ui->smsTextEdit, &QTextEdit::textChanged, this, &SMSPage::updateSMSCounter);
    // A text put in from outside (a cleared field, a pasted message) must
    // not lie under the hint.
    connect(m_ui->smsTextEdit, &QTextEdit::textChanged, this,
            [this] { updateHintLabel(!m_ui->smsTextEdit->hasFocus()); });
    connect(m_ui->numberEdit, &NumberEdit::numberChanged, this, &SMSPage::onNumberChanged);
    connect(m_ui->numberEdit, &NumberEdit::saveNumberClicked, this, &SMSPage::saveNumber);
    connect(m_ui->sendSMSButton, &QPushButton::clicked, this, &SMSPage::doSendSms);
    connect(m_animationTimer, &QTimer::timeout, this, &SMSPage::updateSmsStateLabel);
    connect(m_timeoutTimer, &QTimer::timeout, this, &SMSPage::smsMessageReset);
    connect(m_resultTimer, &QTimer::timeout, this, &SMSPage::onAfterSuccesErrorSmsSent);
}

SMSPage::~SMSPage() = default;

void SMSPage::setPhone(Phone *phone)
{
    if (m_phone)
        disconnect(m_phone, nullptr, this, nullptr);
    m_phone = phone;
    if (!phone)
        return;
    connect(phone, &Phone::successSendingSMS, this, &SMSPage::onSuccessSentSms);
    connect(phone, &Phone::errorSendingSMS, this, &SMSPage::onErrorSendingSms);
}

void SMSPage::setHistory(History *history)
{
    m_history = history;
    m_ui->numberEdit->setNumberHistory(history ? history->numberHistory() : nullptr);
}

void SMSPage::setCountryIndex(int index)
{
    m_ui->numberEdit->setCurrentCountryIndex(index);
}

int SMSPage::countryIndex() const
{
    return m_ui->numberEdit->currentCountryIndex();
}

void SMSPage::setNumber(const QString &number)
{
    m_ui->numberEdit->setText(number);
}

QString SMSPage::number() const
{
    return m_ui->numberEdit->text();
}

QString SMSPage::counterText(int length)
{
    int parts = length / kPartLength + 1;
    int left = parts * kPartLength - length;
    if (parts >= 2 && left == kPartLength) {
        --parts;
        left = 0;
    }
    return tr("SMS Counter %1(%2)").arg(left).arg(parts);
}

void SMSPage::clearNumber()
{
    m_ui->numberEdit->clearNumber();
    m_ui->smsStateLabel->setText(tr("Enter SMS Number"));
    m_ui->smsTextEdit->clear();
    updateSMSCounter();
    updateHintLabel(true);
}

void SMSPage::onNumberChanged(const QString &number)
{
    m_ui->smsStateLabel->setText(number.isEmpty() ? tr("Enter SMS Number") : tr("Enter SMS Text"));
}

void SMSPage::updateSMSCounter()
{
    m_ui->smsCounterLabel->setText(counterText(int(m_ui->smsTextEdit->toPlainText().size())));
}

void SMSPage::doSendSms()
{
    // One message at a time: a second click would send and charge it twice.
    if (isSending())
        return;

    QString number = m_ui->numberEdit->text();
    if (!Phone::validateNumber(number, this))
        return;

    const QString text = m_ui->smsTextEdit->toPlainText();
    if (text.trimmed().isEmpty()) {
        MessagePrompt::critical(this, tr("Error"), tr("Please insert SMS text."));
        return;
    }

    // Written so that a balance that is not a number fails too.
    const double credit = m_phone ? m_phone->balance().credit() : 0.0;
    if (!(credit >= 0.0001)) {
        MessagePrompt::Request request;
        request.parent = this;
        request.icon = QMessageBox::Critical;
        request.title = tr("Error");
        request.text = tr("You don't have any more credit!<br/>Buy some credit!");
        request.textFormat = Qt::RichText;
        MessagePrompt::show(request);
        return;
    }

    number = Phone::normalizeNumber(number);
    SMS sms;
    sms.setDestinationNumbers(QStringList {number});
    sms.setText(text);

    m_resultTimer->stop();
    m_sendId = m_phone ? m_phone->sendSMS(sms) : 0;
    m_lastSendId = m_sendId;
    if (!isSending()) {
        showResult(tr("Error: SMS not sent."));
        return;
    }
    m_sentTexts.insert(m_sendId, text);

    m_ui->smsStateLabel->setText(tr(kSending));
    m_animationTimer->start(m_delays.animation);
    m_timeoutTimer->start(m_delays.timeout);
}

void SMSPage::updateSmsStateLabel()
{
    const QString text = m_ui->smsStateLabel->text();
    if (text == tr(kSending) || text == tr(kSendingThree))
        m_ui->smsStateLabel->setText(tr(kSendingOne));
    else if (text == tr(kSendingOne))
        m_ui->smsStateLabel->setText(tr(kSendingTwo));
    else if (text == tr(kSendingTwo))
        m_ui->smsStateLabel->setText(tr(kSendingThree));
}

void SMSPage::stopSending()
{
    m_animationTimer->stop();
    m_timeoutTimer->stop();
    m_sendId = 0;
    m_resultTimer->start(m_delays.resultShown);
}

void SMSPage::showResult(const QString &result)
{
    stopSending();
    m_ui->smsStateLabel->setText(result);
}

void SMSPage::smsMessageReset()
{
    // No answer in time. The message may or may not have gone: the state
    // line claims neither, and the answer is still told should it come.
    stopSending();
}

void SMSPage::onSuccessSentSms(quint64 id)
{
    const auto sent = m_sentTexts.constFind(id);
    if (sent == m_sentTexts.cend())
        return;
    const QString text = sent.value();
    m_sentTexts.erase(sent);
    if (id != m_lastSendId) {
        // A later message is on the state line; this one is in the call
        // history.
        TRACE << "An earlier SMS was sent after all";
        return;
    }
    showResult(tr("SMS Sent"));
    // What the user typed since stays.
    if (m_ui->smsTextEdit->toPlainText() == text)
        m_ui->smsTextEdit->clear();
    updateHintLabel(true);
}

void SMSPage::onErrorSendingSms(quint64 id, const QString &error)
{
    if (!m_sentTexts.remove(id))
        return;
    const bool awaited = isAwaited(id);
    if (!awaited && error.isEmpty()) {
        // Given up by the page, then by the request: still no answer, so
        // nothing more is known of the message than at its time-out.
        TRACE << "An SMS given up ended without an answer";
        return;
    }
    if (id == m_lastSendId)
        showResult(tr("Error: SMS not sent."));
    warnOfRefusal(error);
}

void SMSPage::warnOfRefusal(const QString &error)
{
    MessagePrompt::Request request;
    request.parent = this;
    request.icon = QMessageBox::Warning;
    if (error == QLatin1String("Max length exceeded")) {
        request.title = tr("Error: Text too long");
        request.text = tr("Your SMS message is too long. Keep it shorter.");
    } else if (error == QLatin1String("Maximum number of messages per day reached")) {
        request.title = tr("Error: Maximum messages reached");
        request.text = tr("You cannot send more SMS messages today. You've reached your maximum.");
    } else {
        return;
    }
    MessagePrompt::show(request);
}

void SMSPage::onAfterSuccesErrorSmsSent()
{
    m_ui->smsStateLabel->setText(tr("Enter SMS Text"));
}

void SMSPage::updateHintLabel(bool show)
{
    QLabel *hint = m_ui->placeHolderLabel;
    if (show && m_ui->smsTextEdit->toPlainText().isEmpty()) {
        hint->setFixedSize(m_ui->smsTextEdit->width(), m_ui->smsTextEdit->height());
        hint->show();
    } else {
        hint->hide();
    }
}

bool SMSPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->smsTextEdit) {
        if (event->type() == QEvent::FocusIn)
            updateHintLabel(false);
        else if (event->type() == QEvent::FocusOut)
            updateHintLabel(true);
    }
    return QWidget::eventFilter(watched, event);
}

void SMSPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateHintLabel(true);
}
