#include "ui/dialpadpage.h"
#include "ui_dialpadpage.h"

#include "history/history.h"
#include "history/numberhistory.h"
#include "phone/phone.h"
#include "rest/contact.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "talk/call.h"
#include "talk/jid.h"
#include "ui/contactmanager.h"
#include "ui/keytoneplayer.h"
#include "ui/messageprompt.h"
#include "ui/repolishwidget.h"
#include "ui/webpage.h"
#include "util/clock.h"
#include "util/trace.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTimerEvent>

namespace {

const int kEndReasonTimeout = 5000;
const int kDurationTick = 1000;
const double kMinimumCredit = 0.0001;

bool isPadKey(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('*') || c == QLatin1Char('#');
}

// Now, ms since 1970.
qint64 wallClock()
{
    return Clock::currentDateTime().toMSecsSinceEpoch();
}

} // namespace

DialPadPage::DialPadPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::DialPadPage)
    , m_messageTimer(new QTimer(this))
    , m_keyTones(new KeyTonePlayer(this))
{
    m_ui->setupUi(this);
    m_ui->callStateLabel->raise();
    m_ui->volumePanel->hide();
    showNoBalance();
    // A long currency symbol must not push the credit over the Call button.
    m_ui->creditButton->setIconTextElideMode(Qt::ElideMiddle);
    m_ui->volumeSlider->setRange(0, 255);

    connect(m_ui->volumeSlider, &QSlider::valueChanged, this, &DialPadPage::onVolumeChanged);
    connect(m_ui->muteButton, &QPushButton::clicked, this, &DialPadPage::onMuteClicked);
    connect(m_ui->volDownButton, &QPushButton::clicked, this, &DialPadPage::onVolDownClicked);
    connect(m_ui->volUpButton, &QPushButton::clicked, this, &DialPadPage::onVolUpClicked);
    connect(m_ui->callHungUpButton, &QPushButton::clicked, this, &DialPadPage::onCallHangupClicked);
    connect(m_ui->smsButton, &QPushButton::clicked, this, &DialPadPage::smsClicked);
    connect(m_ui->numberEdit, &NumberEdit::saveNumberClicked, this, &DialPadPage::saveNumber);
    connect(m_ui->numberEdit, &NumberEdit::returnPressed, this, &DialPadPage::onCallHangupClicked);
    const QList<QPushButton *> keys
        = {m_ui->num1, m_ui->num2, m_ui->num3, m_ui->num4, m_ui->num5,    m_ui->num6,
           m_ui->num7, m_ui->num8, m_ui->num9, m_ui->num0, m_ui->numStar, m_ui->numHash};
    for (QPushButton *key : keys)
        connect(key, &QPushButton::clicked, this, &DialPadPage::onDialKeyPressed);
    connect(m_ui->creditButton, &MenuButton::clicked, this, &DialPadPage::onBuyCreditClicked);

    m_messageTimer->setSingleShot(true);
    connect(m_messageTimer, &QTimer::timeout, this, &DialPadPage::onCallEndedTimerRefresh,
            Qt::UniqueConnection);
}

DialPadPage::~DialPadPage() = default;

void DialPadPage::setPhone(Phone *phone)
{
    m_phone = phone;
    if (!phone)
        return;
    connect(phone, &Phone::connecting, this, &DialPadPage::onCallConnecting);
    connect(phone, &Phone::callStarted, this, &DialPadPage::onCallStarted);
    connect(phone, &Phone::callEnded, this, &DialPadPage::onCallEnded);
    connect(phone, &Phone::callFailed, this, &DialPadPage::onCallFailed);
    connect(phone, &Phone::callHangupIsBusy, this, &DialPadPage::onCallHangupIsBusy);
    connect(phone, &Phone::callHungupDecline, this, &DialPadPage::onCallHangupDecline);
    connect(phone, &Phone::callHangupNotFound, this, &DialPadPage::onCallHangupNotFound);
    connect(phone, &Phone::callHangupTimeout, this, &DialPadPage::onCallHangupTimeout);
    connect(phone, &Phone::callHangupUnreachable, this, &DialPadPage::onCallHangupUnreachable);
    connect(phone, &Phone::callInstanceDestroyed, this, &DialPadPage::onCallEndedCleanup);
    connect(phone, &Phone::logoutSuccessful, this, &DialPadPage::showNoBalance);
    connect(this, &DialPadPage::micVolumeChanged, phone, &Phone::onMicVolumeChanged);
    connect(this, &DialPadPage::speakerVolumeChanged, phone, &Phone::onSpeakerVolumeChanged);
    connect(this, &DialPadPage::micMuted, phone, &Phone::onMicMuted);
    connect(this, &DialPadPage::speakerMuted, phone, &Phone::onSpeakerMuted);
}

void DialPadPage::setSettings(Settings *settings)
{
    m_settings = settings;
    if (!settings)
        return;
    m_speakerLevel = static_cast<int>(settings->audioOutputVolume(25));
    m_micLevel = static_cast<int>(settings->audioInputVolume(25));
}

void DialPadPage::setHistory(History *history)
{
    m_history = history;
    m_ui->numberEdit->setNumberHistory(history ? history->numberHistory() : nullptr);
}

void DialPadPage::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

QString DialPadPage::number() const
{
    return m_ui->numberEdit->text();
}

void DialPadPage::setNumber(const QString &number)
{
    m_ui->numberEdit->setText(number);
}

void DialPadPage::focusNumberEntry()
{
    m_ui->numberEdit->focusNumberField();
}

int DialPadPage::currentCountryIndex() const
{
    return m_ui->numberEdit->currentCountryIndex();
}

void DialPadPage::setCurrentCountryIndex(int row)
{
    m_ui->numberEdit->setCurrentCountryIndex(row);
}

qint64 DialPadPage::callDuration() const
{
    return m_durationTimerId != -1 ? m_callClock.elapsed() : m_callDuration;
}

QString DialPadPage::formatDuration(qint64 milliseconds)
{
    const qint64 seconds = qMax<qint64>(0, milliseconds) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void DialPadPage::showBox(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    // The page's own texts, whose line breaks are markup.
    MessagePrompt::show({this, icon, title, text, QMessageBox::Ok, QMessageBox::NoButton, Qt::RichText});
}

// ------------------------------------------------------------------ volume panel

bool DialPadPage::panelControlsMic() const
{
    return m_ui->muteButton->property("_is_mic").toBool();
}

void DialPadPage::showSpeakerVolumePanel()
{
    showVolumePanel(false);
}

void DialPadPage::showMicVolumePanel()
{
    showVolumePanel(true);
}

void DialPadPage::showVolumePanel(bool mic)
{
    m_ui->muteButton->setProperty("_is_mic", mic);
    m_ui->muteButton->setChecked(mic ? m_micMuted : m_speakerMuted);
    // A muted device whose slider stands at the minimum gets its level back.
    m_ui->volumeSlider->setValue(mic ? m_micLevel : m_speakerLevel);
    repolishWidget(m_ui->muteButton);
    m_ui->volumePanel->show();
}

void DialPadPage::hideVolumePanel()
{
    m_ui->volumePanel->hide();
}

void DialPadPage::onVolumeChanged(int value)
{
    TRACE << "Volume changed: " << value;
    const bool mic = panelControlsMic();
    bool &muted = mic ? m_micMuted : m_speakerMuted;
    const bool aboveMinimum = value > m_ui->volumeSlider->minimum();
    if (muted && aboveMinimum) {
        muted = false;
        m_ui->muteButton->setChecked(false);
        // The microphone's mute also muted the call; a level again means it
        // is heard again.
        if (mic && callInProgress()) {
            if (talk::Call *call = m_phone->focusedCall())
                call->setMuted(false);
        }
    }
    if (aboveMinimum)
        (mic ? m_micLevel : m_speakerLevel) = value;
    if (mic) {
        if (m_settings)
            m_settings->setAudioInputVolume(static_cast<uint>(value));
        emit micVolumeChanged(value);
    } else {
        if (m_settings)
            m_settings->setAudioOutputVolume(static_cast<uint>(value));
        emit speakerVolumeChanged(value);
    }
}

void DialPadPage::onMuteClicked(bool checked)
{
    TRACE << "Mute clicked: " << checked;
    const QSignalBlocker noLevelChange(m_ui->volumeSlider);
    const bool mic = panelControlsMic();
    (mic ? m_micMuted : m_speakerMuted) = checked;
    m_ui->volumeSlider->setValue(checked ? m_ui->volumeSlider->minimum()
                                         : (mic ? m_micLevel : m_speakerLevel));
    // Only the microphone's mute keeps the other party from hearing the
    // user; a silent speaker leaves the call as it is.
    if (mic && callInProgress()) {
        if (talk::Call *call = m_phone->focusedCall())
            call->setMuted(checked);
    }
    if (mic)
        emit micMuted(checked);
    else
        emit speakerMuted(checked);
}

void DialPadPage::onVolDownClicked()
{
    decreaseVolume(!panelControlsMic());
}

void DialPadPage::onVolUpClicked()
{
    increaseVolume(!panelControlsMic());
}

void DialPadPage::increaseVolume(bool speaker)
{
    QSlider *slider = m_ui->volumeSlider;
    int &level = speaker ? m_speakerLevel : m_micLevel;
    level = qMin(level + slider->pageStep(), slider->maximum());
    slider->setValue(level);
    bool &muted = speaker ? m_speakerMuted : m_micMuted;
    if (muted && level > slider->minimum()) {
        m_ui->muteButton->setChecked(false);
        muted = false;
    }
}

void DialPadPage::decreaseVolume(bool speaker)
{
    QSlider *slider = m_ui->volumeSlider;
    int &level = speaker ? m_speakerLevel : m_micLevel;
    level = qMax(level - slider->pageStep(), slider->minimum());
    slider->setValue(level);
}

// ------------------------------------------------------------------ keys, number, credit

void DialPadPage::onDialKeyPressed()
{
    const auto *key = qobject_cast<const QPushButton *>(sender());
    if (key && !key->text().isEmpty())
        pressKey(key->text().at(0));
}

void DialPadPage::keyPressEvent(QKeyEvent *event)
{
    // The number field shows the callee and leaves these keys alone; with
    // Ctrl, Alt or Meta held they are someone's shortcut.
    const QString text = event->text();
    const bool padKey = text.size() == 1 && isPadKey(text.at(0))
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!padKey || !callInProgress()) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A key held down is one press, as on the pad.
    if (!event->isAutoRepeat())
        pressKey(text.at(0));
    event->accept();
}

void DialPadPage::pressKey(QChar key)
{
    if (callInProgress()) {
        if (talk::Call *call = m_phone->focusedCall()) {
            TRACE.noquote().nospace() << "Calling key: " << key;
            call->sendDTMF(key);
        }
        return;
    }
    m_ui->numberEdit->setText(m_ui->numberEdit->text() + key);
    const bool playing = m_keyTones->play(key);
    // Not the key nor its tone's file: key by key, the trace would spell out
    // the number dialled.
    TRACE << (playing ? "Key tone playing" : "Key tone missing");
}

void DialPadPage::clearNumber()
{
    m_ui->numberEdit->clearNumber();
    m_ui->callStateLabel->setText(tr("Enter Phone Number"));
}

void DialPadPage::updateBalance(const Balance &balance)
{
    if (balance.credit() > 0) {
        // The symbol is the service's text: shown as it is, never as markup.
        m_ui->creditButton->setIconText(
            QStringLiteral("%1%2").arg(balance.currencySymbol(), QString::number(balance.credit(), 'f', 2)),
            Qt::PlainText);
    } else {
        m_ui->creditButton->setIconText(tr("<font color=red><b>BUY</b></font>"), Qt::RichText);
    }
}

void DialPadPage::showNoBalance()
{
    // A neutral mark until the account's balance comes: a zero would read as
    // an empty account, and an old figure as someone else's.
    m_ui->creditButton->setIconText(QStringLiteral("\u2013"));
}

void DialPadPage::onBuyCreditClicked()
{
    WebPage::open(this, HomeUrls::instance()->buyCreditURL());
}

void DialPadPage::setCallHistoryEventType(CallHistoryEvent::EventType type)
{
    m_eventType = type;
}

// ------------------------------------------------------------------ the call

bool DialPadPage::callInProgress() const
{
    return m_phone && m_phone->currentCall();
}

void DialPadPage::setHangupButton()
{
    m_ui->callHungUpButton->setProperty("_is_call", false);
    m_ui->callHungUpButton->setText(tr("Hang Up"));
    repolishWidget(m_ui->callHungUpButton);
    m_ui->numberEdit->setCallInProgress(true);
}

void DialPadPage::setCallButton()
{
    m_ui->callHungUpButton->setProperty("_is_call", true);
    m_ui->callHungUpButton->setText(tr("Call"));
    repolishWidget(m_ui->callHungUpButton);
    m_ui->numberEdit->setCallInProgress(false);
}

void DialPadPage::doCall()
{
    if (!callInProgress())
        onCallHangupClicked();
}

void DialPadPage::hangup()
{
    if (callInProgress())
        onCallHangupClicked();
}

void DialPadPage::callOrHangUp()
{
    onCallHangupClicked();
}

void DialPadPage::onCallHangupClicked()
{
    if (!m_phone) {
        TRACE_WARNING << "No phone to call with";
        return;
    }
    if (callInProgress()) {
        TRACE << "Hanging up call.";
        setCallButton();
        m_phone->hangup();
        stopDurationTimer();
        onCallEndedTimerRefresh();
        return;
    }

    const QString typed = m_ui->numberEdit->text();
    if (!Phone::validateNumber(typed, this))
        return;
    if (m_phone->balance().credit() < kMinimumCredit) {
        showBox(QMessageBox::Critical, tr("Error"),
                tr("You don't have any more credit!<br/>Buy some credit!"));
        return;
    }
    if (!m_phone->isConnected()) {
        showBox(QMessageBox::Critical, tr("Error"), tr("Could not call!<br/>Connection failed!"));
        return;
    }
    const QString number = Phone::normalizeNumber(typed);
    setHangupButton();
    m_phone->call(number, false);
    TRACE << "Calling..." << Trace::tag(number);
    if (m_history)
        m_history->numberHistory()->addNumber(typed, QString());
    m_eventType = CallHistoryEvent::Outgoing;
}

void DialPadPage::onCallConnecting(const talk::Call *call)
{
    const QString number = call ? call->remoteJid().node() : QString();
    QString name = number;
    if (m_contactManager) {
        if (const ContactPtr contact = m_contactManager->contactByPhoneNumber(number))
            name = contact->firstName();
    }
    showMessage(tr("Calling %1").arg(name));
    setHangupButton();
}

void DialPadPage::onCallStarted(const talk::Call *call)
{
    // Also sent when a held call is resumed.
    auto clock = m_talkClocks.find(call);
    if (clock == m_talkClocks.end()) {
        clock = m_talkClocks.insert(call, TalkClock {wallClock(), Stopwatch()});
        clock->talking.start();
        m_lastTick = clock->start;
    }
    m_callStart = clock->start;
    m_callClock = clock->talking;
    m_callDuration = m_callClock.elapsed();
    showMessage(formatDuration(m_callDuration));
    // A coarse timer may fire early and show a second too few.
    if (m_durationTimerId == -1)
        m_durationTimerId = startTimer(kDurationTick, Qt::PreciseTimer);
    setHangupButton();
    emit callProgressChanged();
}

void DialPadPage::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_durationTimerId) {
        QWidget::timerEvent(event);
        return;
    }
    m_lastTick = wallClock();
    m_callDuration = m_callClock.elapsed();
    const QString text = formatDuration(m_callDuration);
    showMessage(text);
    emit callInfoChanged(text);
}

void DialPadPage::stopDurationTimer()
{
    if (m_durationTimerId == -1)
        return;
    killTimer(m_durationTimerId);
    m_durationTimerId = -1;
    m_callDuration = m_callClock.elapsed();
}

void DialPadPage::onCallEndedCleanup(const talk::Call *call)
{
    m_talkClocks.remove(call);
    stopDurationTimer();
    emit callInfoChanged(QString());
    m_lastTick = wallClock();
    setCallButton();
    emit callProgressChanged();
}

void DialPadPage::onCallEnded(const talk::Call *call)
{
    onCallEndedCleanup(call);
    showMessage(tr("call ended"), kEndReasonTimeout);
}

void DialPadPage::onCallHangupIsBusy(const talk::Call *call)
{
    onCallEndedCleanup(call);
    showMessage(tr("Busy"), kEndReasonTimeout);
}

void DialPadPage::onCallHangupDecline(const talk::Call *call)
{
    onCallEndedCleanup(call);
    showMessage(tr("Call Rejected"), kEndReasonTimeout);
}

void DialPadPage::onCallHangupUnreachable(const talk::Call *call)
{
    onCallEndedCleanup(call);
    showMessage(tr("Number unreachable"), kEndReasonTimeout);
}

void DialPadPage::onCallHangupTimeout(const talk::Call *call)
{
    onCallEndedCleanup(call);
    showMessage(tr("Timeout"), kEndReasonTimeout);
}

void DialPadPage::onCallFailed(const talk::Call *call)
{
    onCallEndedCleanup(call);
    m_ui->callStateLabel->setText(tr("Enter Phone Number"));
    showBox(QMessageBox::Warning, tr("Call Failed"),
            tr("The number you have dialed is not valid. Please try again."));
}

void DialPadPage::onCallHangupNotFound(const talk::Call *call)
{
    onCallEndedCleanup(call);
    m_ui->callStateLabel->setText(tr("Enter Phone Number"));
    showBox(QMessageBox::Warning, tr("Call Failed"), tr("Number is not in service"));
}

void DialPadPage::showMessage(const QString &text, int timeout)
{
    m_messageTimer->stop();
    m_ui->callStateLabel->setText(text);
    if (timeout != 0)
        m_messageTimer->start(timeout);
}

void DialPadPage::showMessage(const QString &text)
{
    showMessage(text, 0);
}

void DialPadPage::onCallEndedTimerRefresh()
{
    m_ui->callStateLabel->setText(tr("Enter Phone Number"));
}
