#include "phone/phone.h"

#include "history/callhistory.h"
#include "phone/ringbacksound.h"
#include "rest/restmanager.h"
#include "rest/restmetatypes.h"
#include "settings/settings.h"
#include "talk/call.h"
#include "talk/jid.h"
#include "talk/mediaengine.h"
#include "talk/plixtalk.h"
#include "ui/contactmanager.h"
#include "ui/voicemailmodel.h"
#include "util/clock.h"
#include "util/trace.h"

#include <QMessageBox>
#include <QTime>
#include <QTimer>

#include <functional>

namespace {

const QString kRingbackResource = QStringLiteral(":/sounds/calling.wav");

QTimer *singleShotTimer(QObject *parent, const std::function<void()> &action)
{
    auto *timer = new QTimer(parent);
    timer->setSingleShot(true);
    // As QTimer::singleShot() for such short delays: a coarse timer may fire
    // a twentieth early.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, parent, action);
    return timer;
}

} // namespace

Phone::Phone(QObject *parent)
    : QObject(parent)
    , m_voicemailModel(new VoicemailModel(this))
    , m_logoutTimer(new QTimer(this))
    , m_firstBalanceTimer(singleShotTimer(this, [this] { requestBalanceUpdate(); }))
    , m_contactsTimer(singleShotTimer(this, [this] { retrieveContactsFromWebservices(); }))
    , m_virtualNumbersTimer(singleShotTimer(this,
                                            [this] {
                                                retrieveVirtualNumbersFromWebservices();
                                                retrieveCallForwards();
                                            }))
    , m_liveBalanceTimer(singleShotTimer(this, [this] { requestLiveBalanceUpdate(); }))
    , m_ringback(new RingbackSound(kRingbackResource, this))
{
    registerRestMetaTypes();
    talk::registerMetaTypes();

    m_logoutTimer->setSingleShot(true);
    connect(m_logoutTimer, &QTimer::timeout, this, &Phone::doLogout);

    // Made before anyone else can connect, so these run first.
    connect(this, &Phone::loginSuccessful, this, &Phone::doCreateBalanceTimer);
    connect(this, &Phone::loginSuccessful, this, &Phone::requestBalanceUpdateDelayed);
    connect(this, &Phone::loginSuccessful, this, &Phone::retrieveContactsFromWebservicesDelayed);
    connect(this, &Phone::loginSuccessful, this, &Phone::retrieveVirtualNumbersFromWebservicesDelayed);
}

Phone::~Phone()
{
    if (m_talk && m_talk->isConnected())
        m_talk->logout();
    delete m_balanceTimer;
}

void Phone::setRestManager(RestManager *restManager)
{
    m_restManager = restManager;
    if (!restManager)
        return;
    connect(restManager, qOverload<const Account &>(&RestManager::requestFinished), this,
            &Phone::onAccountRequestFinished);
    connect(restManager, qOverload<const Balance &>(&RestManager::requestFinished), this,
            &Phone::onBalanceRequestFinished);
    connect(restManager, qOverload<const Contact &>(&RestManager::requestFinished), this,
            &Phone::onContactRequestFinished);
    connect(restManager, qOverload<const Group &>(&RestManager::requestFinished), this,
            &Phone::onGroupRequestFinished);
    connect(restManager, qOverload<const QList<Contact> &>(&RestManager::requestFinished), this,
            &Phone::onContactListRequestFinished);
    connect(restManager, qOverload<const QList<Group> &>(&RestManager::requestFinished), this,
            &Phone::onGroupListRequestFinished);
    connect(restManager, qOverload<const QList<OnlineNumber> &>(&RestManager::requestFinished), this,
            &Phone::onOnlineNumbersRequestFinished);
    connect(restManager, &RestManager::smsRequestFinished, this, &Phone::onSMSRequestFinished);
    connect(restManager, qOverload<const Invite &>(&RestManager::requestFinished), this,
            &Phone::onInviteRequestFinished);
    connect(restManager, &RestManager::smsRequestFailed, this, &Phone::onSMSRequestFailed);
    connect(restManager, &RestManager::callForwardsReceived, this, [this](const QList<CallForward> &rules) {
        if (m_sessionState == LoggedIn)
            emit callForwardsUpdate(rules);
    });
    connect(restManager, &RestManager::accountRequestFailed, this, &Phone::onAccountRequestFailed,
            Qt::UniqueConnection);
    connect(restManager, &RestManager::proxyConnectionError, this, &Phone::onProxyConnectionError);
    connect(restManager, &RestManager::accountCreated, this, &Phone::accountCreated);
}

void Phone::setTalk(talk::PlixTalk *talk)
{
    m_talk = talk;
    if (!talk)
        return;
    connect(talk, &talk::PlixTalk::loginCompleted, this, &Phone::loggedIn);
    connect(talk, &talk::PlixTalk::loginFailed, this, &Phone::notLoggedIn);
    connect(talk, &talk::PlixTalk::connectionLost, this, &Phone::onConnectionLost);
}

void Phone::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void Phone::setSettings(Settings *settings)
{
    m_settings = settings;
}

void Phone::setCallHistory(CallHistory *callHistory)
{
    m_callHistory = callHistory;
}

void Phone::setDelays(const Delays &delays)
{
    m_delays = delays;
}

talk::PlixTalk *Phone::talk() const
{
    return m_talk;
}

talk::MediaEngine *Phone::mediaEngine() const
{
    return m_talk ? m_talk->mediaEngine() : nullptr;
}

bool Phone::isConnected() const
{
    return m_talk && m_talk->isConnected();
}

void Phone::setCredentials(const QString &user, const QString &password)
{
    // A logout still waiting for its call to end must not end this login.
    m_logoutTimer->stop();
    // A balance still on its way is the credit of the account signed in
    // before, whose logout this login may have cut short.
    if (m_restManager)
        m_restManager->abortBalanceRequests();
    emit usernameChanged(user);
    emit passwordChanged(password);
    m_username = user;
    m_password = password;
    requestAccount();
}

void Phone::requestAccount()
{
    m_sessionState = SigningIn;
    if (m_restManager)
        m_restManager->getAccount();
}

void Phone::talkLogin(const QString &user, const QString &password)
{
    if (m_sessionState == LoggedOut)
        m_sessionState = SigningIn;
    // Stored first: the login may complete before the call returns, and the
    // domain is taken from the stored user then.
    m_talkUser = user;
    m_talkPassword = password;
    if (m_talk)
        m_talk->login(user, password, true);
}

void Phone::login(bool retry)
{
    TRACE << "Reconnecting " << retry;
    if (m_sessionState == LoggedOut)
        m_sessionState = SigningIn;
    if (m_talk)
        m_talk->login(retry);
}

void Phone::setAutoReconnect(bool on)
{
    if (m_talk)
        m_talk->setAutoReconnect(on);
}

void Phone::logout()
{
    const bool signingIn = m_sessionState == SigningIn;
    m_sessionState = LoggedOut;
    if (signingIn) {
        // Its answers would come to nothing now; a talk login under way ends
        // with the session's logout below.
        TRACE << "Ending the sign-in under way";
        if (m_restManager)
            m_restManager->abortAccountRequests();
        if (m_talk && !m_talk->isConnected())
            m_talk->logout();
    }
    if (m_focusedCall) {
        TRACE << "CALL IN PROGRESS, TRYING TO HANG UP.";
        hangup();
        m_logoutTimer->start(m_delays.logoutDelay);
        return;
    }
    TRACE << "LOGGING OUT";
    doLogout();
}

void Phone::doLogout()
{
    m_logoutTimer->stop();
    for (QTimer *delayed : {m_firstBalanceTimer, m_contactsTimer, m_virtualNumbersTimer, m_liveBalanceTimer})
        delayed->stop();
    if (m_balanceTimer) {
        m_balanceTimer->stop();
        disconnect(m_balanceTimer, &QTimer::timeout, this, qOverload<>(&Phone::requestBalanceUpdate));
    }
    if (m_talk) {
        if (m_talk->isConnected()) {
            TRACE << "Logging out...";
            m_talk->logout();
            TRACE << "Logged out.";
        } else {
            // A reconnection may be pending after a lost connection; it must
            // not log the user back in.
            m_talk->stopReconnecting();
        }
    }
    if (m_contactManager)
        m_contactManager->clear();
    // The next user must not see this account's messages, nor a late
    // answer with its credit.
    m_voicemailModel->clear();
    if (m_restManager)
        m_restManager->abortBalanceRequests();
    emit logoutSuccessful();
}

void Phone::createAccount(const Account &account)
{
    if (m_restManager)
        m_restManager->createAccount(account);
}

void Phone::setProxySettings(const talk::ProxySettings &settings)
{
    if (m_talk)
        m_talk->setProxySettings(settings);
}

void Phone::requestBalanceUpdate(bool live)
{
    // Signed out, or on the way out: the answer would be dropped.
    if (!m_restManager || m_sessionState != LoggedIn)
        return;
    if (live)
        m_restManager->getLiveBalance();
    else
        m_restManager->getBalance();
}

void Phone::requestBalanceUpdate()
{
    requestBalanceUpdate(false);
}

void Phone::requestLiveBalanceUpdate()
{
    requestBalanceUpdate(true);
}

void Phone::requestBalanceUpdateDelayed()
{
    m_firstBalanceTimer->start(m_delays.balanceDelay);
}

void Phone::retrieveContactsFromWebservices()
{
    if (m_restManager)
        m_restManager->getContacts();
}

void Phone::retrieveContactsFromWebservicesDelayed()
{
    if (m_restManager)
        m_restManager->getGroups();
    m_contactsTimer->start(m_delays.contactsDelay);
}

void Phone::retrieveVirtualNumbersFromWebservices()
{
    if (m_restManager)
        m_restManager->getOnlineNumbers();
}

void Phone::retrieveVirtualNumbersFromWebservicesDelayed()
{
    m_virtualNumbersTimer->start(m_delays.virtualNumbersDelay);
}

void Phone::retrieveCallForwards()
{
    if (m_restManager)
        m_restManager->getCallForwards();
}

void Phone::doCreateBalanceTimer()
{
    if (!m_balanceTimer) {
        m_balanceTimer = new QTimer;
        TRACE << "Balance update - Every 5 min.";
    }
    // A login completed again after a lost connection reaches here without
    // a logout in between.
    connect(m_balanceTimer, &QTimer::timeout, this, qOverload<>(&Phone::requestBalanceUpdate),
            Qt::UniqueConnection);
    m_balanceTimer->start(m_delays.balancePeriod);
}

void Phone::loggedIn()
{
    if (m_sessionState == LoggedOut) {
        // A talk login of a sign-in given up that completed all the same.
        // Ended from the event loop, outside the library's call-back.
        TRACE << "Login completed after a logout; logging out again";
        QTimer::singleShot(0, this, [this] {
            if (m_sessionState == LoggedOut && m_talk && m_talk->isConnected())
                m_talk->logout();
        });
        return;
    }
    m_sessionState = LoggedIn;
    TRACE << "Setting up connection for callCreated and callDestroyed.. ";
    if (talk::MediaEngine *engine = mediaEngine()) {
        connect(engine, &talk::MediaEngine::callCreated, this, &Phone::callCreated, Qt::UniqueConnection);
        connect(engine, &talk::MediaEngine::callDestroyed, this, &Phone::callDestroyed, Qt::UniqueConnection);
        connect(engine, &talk::MediaEngine::callFocusChanged, this, &Phone::callFocusChanged,
                Qt::UniqueConnection);
        emit mediaEngineCreated();
    } else {
        TRACE << "mediaEngine is null";
    }

    if (m_talkUser.contains(QLatin1Char('@')))
        m_domain = m_talkUser.split(QLatin1Char('@')).at(1);
    else
        TRACE << "Weird username:" << Trace::tag(m_talkUser);

    loadVoicemails();
    TRACE << "Logged in successfully.";
    emit loginSuccessful();
}

void Phone::loadVoicemails()
{
    QList<VoicemailEntry> entries;
    const QList<talk::VoicemailMessage> messages
        = m_talk ? m_talk->voicemails() : QList<talk::VoicemailMessage>();
    entries.reserve(messages.size());
    for (const talk::VoicemailMessage &message : messages) {
        VoicemailEntry entry;
        entry.setNumber(message.number);
        entry.setTimestamp(message.timestamp);
        entry.setDuration(QTime(0, 0).addMSecs(qMin(message.durationMs, 24 * 3600 * 1000 - 1)));
        entries << entry;
    }
    TRACE << "Voicemail messages:" << entries.size();
    m_voicemailModel->setEntries(entries);
}

void Phone::notLoggedIn(plix::PLIX_TALK_ERROR_CODE code)
{
    TRACE << "Login failed." << code;
    if (m_sessionState == LoggedOut)
        return;
    switch (code) {
    case plix::PLIX_TALK_ERROR_AUTHENTICATION:
        emit loginFailed(WrongCredentials);
        break;
    case plix::PLIX_TALK_ERROR_CONNECTION:
        emit loginFailed(ConnectionFailed);
        break;
    default:
        emit loginFailed(ServerError);
        break;
    }
}

void Phone::onAccountRequestFinished(const Account &account)
{
    // The account's printer masks its password.
    TRACE << account;
    if (m_sessionState == LoggedOut) {
        TRACE << "Logged out meanwhile; the account is not used";
        return;
    }
    const QString error = account.errorMessage();
    if (error.isEmpty()) {
        m_account = account;
        if (!account.sipUser().isEmpty() && !account.sipDomain().isEmpty()
            && !account.sipPassword().isEmpty()) {
            talkLogin(account.sipUser() + QLatin1Char('@') + account.sipDomain(), account.sipPassword());
        } else {
            emit loginFailed(ServerError);
        }
        return;
    }

    TRACE << "emitting loginFailed from Phone instance";
    if (error == QLatin1String("User not found!") || error == QLatin1String("Invalid parameters.")) {
        emit loginFailed(WrongCredentials);
    } else if (error == QLatin1String("The account does not belong to the user.")) {
        TRACE << "emitting loginFailed wronguserforaccount from Phone instance";
        emit loginFailed(WrongUser);
    } else {
        emit loginFailed(ServerError);
    }
}

void Phone::onAccountRequestFailed()
{
    notLoggedIn(plix::PLIX_TALK_ERROR_CONNECTION);
}

void Phone::onProxyConnectionError()
{
    if (m_sessionState == LoggedOut)
        return;
    emit loginFailed(ProxyFailed);
}

void Phone::onConnectionLost(plix::PLIX_DISCONNECT_REASON reason)
{
    switch (reason) {
    case plix::PLIX_DISCONNECT_CONNECTION_LOST:
        TRACE << "Emitting connectionMissed...";
        emit connectionMissed();
        break;
    case plix::PLIX_DISCONNECT_REPLACED:
        TRACE << "Emitting connectionReplaced...";
        emit connectionReplaced();
        break;
    default:
        TRACE << "Emitting connectionErrorOccurred...";
        emit connectionErrorOccured();
        break;
    }
}

void Phone::onBalanceRequestFinished(const Balance &balance)
{
    // The answer of an account signed out of must neither fill the window
    // of the signed-out user nor be taken for the next user's credit.
    if (m_sessionState != LoggedIn) {
        TRACE << "Balance dropped: not signed in";
        return;
    }
    if (!balance.errorMessage().isEmpty()) {
        emit restfulError(balance.errorMessage());
        return;
    }
    m_balance.setCredit(balance.credit());
    m_balance.setCurrency(balance.currency());
    m_balance.setCurrencySymbol(balance.currencySymbol());
    emit balanceUpdate(balance);
}

void Phone::onContactRequestFinished(const Contact &contact)
{
    if (!contact.errorMessage().isEmpty())
        emit restfulError(contact.errorMessage());
}

void Phone::onGroupRequestFinished(const Group &group)
{
    if (!group.errorMessage().isEmpty())
        emit restfulError(group.errorMessage());
}

void Phone::onInviteRequestFinished(const Invite &invite)
{
    if (!invite.errorMessage().isEmpty())
        emit restfulError(invite.errorMessage());
}

void Phone::onContactListRequestFinished(const QList<Contact> &contacts)
{
    if (m_contactManager)
        m_contactManager->setContacts(contacts);
}

void Phone::onGroupListRequestFinished(const QList<Group> &groups)
{
    if (m_contactManager)
        m_contactManager->setGroups(groups);
}

void Phone::onOnlineNumbersRequestFinished(const QList<OnlineNumber> &onlineNumbers)
{
    emit onlineNumbersUpdate(onlineNumbers);
}

// Calls

void Phone::call(const QString &number, bool anonymous)
{
    const talk::Jid jid = talk::Jid::fromNumber(number, m_domain);
    TRACE << "NUMBER JID STRING IS " << Trace::tag(jid.full());
    if (talk::MediaEngine *engine = mediaEngine())
        engine->placeCall(jid, anonymous);
    else
        TRACE_WARNING << "No media engine, the call is not placed";
}

void Phone::hangup()
{
    if (!m_focusedCall) {
        TRACE_WARNING << "Current call is null...";
        return;
    }
    TRACE << "Hanging up... Finishing call.";
    // The media engine owns the call; only the signals carry it as const.
    const_cast<talk::Call *>(m_focusedCall)->hangup();
}

talk::Call *Phone::currentCall()
{
    const talk::MediaEngine *engine = mediaEngine();
    if (!engine || !engine->hasCurrentCall())
        return nullptr;
    return focusedCall();
}

talk::Call *Phone::focusedCall() const
{
    return const_cast<talk::Call *>(m_focusedCall);
}

QList<talk::Call *> Phone::calls() const
{
    QList<talk::Call *> calls;
    calls.reserve(m_calls.size());
    for (const talk::Call *call : m_calls)
        calls << const_cast<talk::Call *>(call);
    return calls;
}

QString Phone::remoteNumber(const talk::Call *call)
{
    return call ? call->remoteJid().node() : QString();
}

bool Phone::validateNumber(const QString &number, QWidget *parent)
{
    if (number.isEmpty()) {
        QMessageBox::critical(parent, tr("Error"), tr("Please provide a phone number."), QMessageBox::Ok);
        return false;
    }
    if (number.size() < 5) {
        QMessageBox::critical(parent, tr("Error"), tr("Invalid number!"), QMessageBox::Ok);
        return false;
    }
    return true;
}

QString Phone::normalizeNumber(const QString &number)
{
    QString normalized = number;
    if (!normalized.startsWith(QLatin1Char('+')))
        normalized.prepend(QLatin1Char('+'));
    normalized.remove(QLatin1Char('-'));
    normalized.remove(QLatin1Char('('));
    normalized.remove(QLatin1Char(')'));
    return normalized;
}

void Phone::callCreated(const talk::Call *call)
{
    if (!call) {
        TRACE << "talk::Call* is NULL in callCreated()";
        return;
    }
    TRACE << "Call created : " << call->id();
    m_calls.append(call);
    CallRecord record;
    record.number = remoteNumber(call);
    record.incoming = call->isIncoming();
    record.start = Clock::currentDateTime();
    m_callRecords.insert(call, record);
    connect(call, &talk::Call::sessionInitiated, this, &Phone::callSessionInitiated, Qt::UniqueConnection);
    connect(call, &talk::Call::accepted, this, &Phone::callAccepted, Qt::UniqueConnection);
    connect(call, &talk::Call::rejected, this, &Phone::callRejected, Qt::UniqueConnection);
    connect(call, &talk::Call::progressStarted, this, &Phone::callProgressStarted, Qt::UniqueConnection);
    connect(call, &talk::Call::hungup, this, &Phone::callHungup, Qt::UniqueConnection);
    connect(call, &talk::Call::ringingWithoutMedia, this, &Phone::onRingingWithoutMedia);
}

void Phone::callDestroyed(const talk::Call *call)
{
    if (!call) {
        TRACE << "talk::Call* is NULL in callDestroyed()";
        return;
    }
    TRACE << "Call destroyed : " << call->id() << call->isIncoming();
    recordFinishedCall(call);
    disconnect(call, nullptr, this, nullptr);
    m_calls.removeAll(call);
    if (m_focusedCall == call)
        m_focusedCall = nullptr;
    emit callInstanceDestroyed(call);
    m_liveBalanceTimer->start(m_delays.liveBalanceDelay);
}

void Phone::callFocusChanged(const talk::Call *oldCall, const talk::Call *newCall)
{
    m_focusedCall = newCall;
    if (!newCall)
        TRACE_WARNING << "newCallInstace is NULL in callFocusChanged()";
    else if (!oldCall)
        TRACE_WARNING << "oldCallInstace is NULL in callFocusChanged()";
    else
        TRACE << "Call switching from : " << oldCall->id() << "  to : " << newCall->id();
}

void Phone::callSessionInitiated(const talk::Call *call)
{
    if (call && call->isIncoming()) {
        TRACE << "Incoming call session initiated.";
        emit incomingCall(call);
    } else {
        TRACE << "Outgoing call session initiated.";
        emit connecting(call);
    }
}

void Phone::onRingingWithoutMedia()
{
    m_ringback->play();
}

void Phone::callAccepted(const talk::Call *)
{
    m_ringback->stop();
    TRACE << "Call accepted.";
}

void Phone::callProgressStarted(const talk::Call *call)
{
    m_ringback->stop();
    // A call taken off hold goes on with the time it already has.
    const auto record = m_callRecords.find(call);
    if (record != m_callRecords.end() && !record->talking.isValid())
        record->talking.start();
    TRACE << "Call progress started.";
    emit callStarted(call);
}

void Phone::callRejected(const talk::Call *call)
{
    m_ringback->stop();
    TRACE << "Call rejected.";
    emit callEnded(call);
}

void Phone::callHungup(const talk::Call *call, plix::HANGUP_REASON reason)
{
    m_ringback->stop();
    TRACE << "Call hung up:" << hangupReasonToString(reason);
    switch (reason) {
    case plix::HANGUP_DECLINE:
        if (call && call->isIncoming())
            emit incomingCallHangupDecline(call);
        else
            emit callHungupDecline(call);
        break;
    case plix::HANGUP_BUSY:
        emit callHangupIsBusy(call);
        break;
    case plix::HANGUP_NOT_FOUND:
        emit callHangupNotFound(call);
        break;
    case plix::HANGUP_UNREACHABLE:
        emit callHangupUnreachable(call);
        break;
    case plix::HANGUP_TIMEOUT:
        emit callHangupTimeout(call);
        break;
    case plix::HANGUP_UNKNOWN:
        emit callFailed(call);
        break;
    default:
        emit callEnded(call);
        break;
    }
}

QString Phone::hangupReasonToString(plix::HANGUP_REASON reason)
{
    switch (reason) {
    case plix::HANGUP_SUCCESS:
        return QStringLiteral("HANGUP_SUCCESS");
    case plix::HANGUP_DECLINE:
        return QStringLiteral("HANGUP_DECLINE");
    case plix::HANGUP_BUSY:
        return QStringLiteral("HANGUP_BUSY");
    case plix::HANGUP_NOT_FOUND:
        return QStringLiteral("HANGUP_NOT_FOUND");
    case plix::HANGUP_UNREACHABLE:
        return QStringLiteral("HANGUP_UNREACHABLE");
    case plix::HANGUP_TIMEOUT:
        return QStringLiteral("HANGUP_TIMEOUT");
    case plix::HANGUP_UNKNOWN:
        return QStringLiteral("HANGUP_UNKNOWN");
    }
    return QString();
}

void Phone::onMicVolumeChanged(int volume)
{
    if (talk::MediaEngine *engine = mediaEngine())
        engine->setMicVolume(volume);
    m_micVolume = volume;
}

void Phone::onMicMuted(bool muted)
{
    if (m_focusedCall)
        const_cast<talk::Call *>(m_focusedCall)->setMuted(muted);
    talk::MediaEngine *engine = mediaEngine();
    if (!engine)
        return;
    if (muted) {
        // Nothing set through here yet: un-muting restores the engine's own.
        if (m_micVolume < 0)
            m_micVolume = engine->intQueryB();
        engine->setMicVolume(0);
    } else if (m_micVolume >= 0) {
        engine->setMicVolume(m_micVolume);
    }
}

void Phone::onSpeakerVolumeChanged(int volume)
{
    if (talk::MediaEngine *engine = mediaEngine())
        engine->setSpeakerVolume(volume);
    m_speakerVolume = volume;
}

void Phone::onSpeakerMuted(bool muted)
{
    talk::MediaEngine *engine = mediaEngine();
    if (!engine)
        return;
    if (muted) {
        if (m_speakerVolume < 0)
            m_speakerVolume = engine->intQueryA();
        engine->setSpeakerVolume(0);
    } else if (m_speakerVolume >= 0) {
        engine->setSpeakerVolume(m_speakerVolume);
    }
}

quint64 Phone::sendSMS(const SMS &sms)
{
    const quint64 id = m_restManager ? m_restManager->sendSMS(sms) : 0;
    if (id != 0)
        m_smsNumbers.insert(id, sms.destinationNumbers());
    return id;
}

void Phone::onSMSRequestFinished(quint64 id, const SMS &sms)
{
    const QStringList sentTo = m_smsNumbers.take(id);
    if (!sms.errorMessage().isEmpty()) {
        emit errorSendingSMS(id, sms.errorMessage());
        return;
    }
    emit successSendingSMS(id, sms);
    if (m_callHistory) {
        // A terse answer may not repeat the numbers it was sent to.
        const QStringList numbers = sms.destinationNumbers().isEmpty() ? sentTo : sms.destinationNumbers();
        for (const QString &number : numbers)
            m_callHistory->addEvent(number, QTime(0, 0), CallHistoryEvent::Sms);
    }
    m_liveBalanceTimer->start(m_delays.liveBalanceDelay);
}

void Phone::onSMSRequestFailed(quint64 id)
{
    m_smsNumbers.remove(id);
    emit errorSendingSMS(id, QString());
}

void Phone::recordFinishedCall(const talk::Call *call)
{
    // Taken out, so that a call is recorded once however it ends.
    CallRecord record = m_callRecords.take(call);
    if (!record.start.isValid() || !m_callHistory)
        return;
    // An outgoing call learns its party's address only once it is placed.
    const QString number = remoteNumber(call);
    if (!number.isEmpty())
        record.number = number;
    CallHistoryEvent::EventType type = CallHistoryEvent::Outgoing;
    if (record.incoming) {
        // An incoming call that was never talked was missed, or declined:
        // either way the caller was not heard.
        type = record.talking.isValid() ? CallHistoryEvent::Incoming : CallHistoryEvent::Missed;
    }
    const qint64 talked = record.talking.isValid() ? record.talking.elapsed() : 0;
    // The store keeps whole seconds of a day at most.
    const QTime duration = QTime(0, 0).addMSecs(int(qMin<qint64>(talked, 24 * 3600 * 1000 - 1)));
    TRACE << "Recording the call with" << Trace::tag(record.number) << "as" << int(type) << duration;
    m_callHistory->addEvent(record.number, duration, type, record.start);
}

void Phone::clearVoicemails()
{
    m_voicemailModel->clear();
}

QList<talk::Device> Phone::inputDevices() const
{
    const talk::MediaEngine *engine = mediaEngine();
    return engine ? engine->inputDevices() : QList<talk::Device>();
}

QList<talk::Device> Phone::outputDevices() const
{
    const talk::MediaEngine *engine = mediaEngine();
    return engine ? engine->outputDevices() : QList<talk::Device>();
}
