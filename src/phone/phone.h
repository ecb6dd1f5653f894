#ifndef PHONE_PHONE_H
#define PHONE_PHONE_H

#include "rest/account.h"
#include "rest/balance.h"
#include "rest/callforward.h"
#include "rest/contact.h"
#include "rest/group.h"
#include "rest/invite.h"
#include "rest/onlinenumber.h"
#include "rest/sms.h"
#include "talk/device.h"
#include "talk/proxysettings.h"
#include "talk/talkmetatypes.h"
#include "util/stopwatch.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CallHistory;
class ContactManager;
class QTimer;
class QWidget;
class RestManager;
class RingbackSound;
class Settings;
class VoicemailModel;

namespace talk {
class Call;
class MediaEngine;
class PlixTalk;
} // namespace talk

// The call and session controller: the one object through which the user
// interface logs in and out, places and ends calls, reads the balance and
// sends SMS. It joins the account web service, the talk session with its
// media engine and the address book, and reports through its signals.
//
// Login: setCredentials() asks the web service for the account, whose talk
// credentials then log in to the talk service; loginSuccessful() or one
// loginFailed() follows.
class Phone : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(Phone)

public:
    enum LoginError {
        WrongCredentials = 0,
        ConnectionFailed = 1,
        ProxyFailed = 2,
        WrongUser = 3,
        ServerError = 4,
    };
    Q_ENUM(LoginError)

    // The session as the user sees it. A logged-out Phone ignores what is
    // left of an earlier sign-in: late answers, a talk login that completes
    // all the same, a failure report.
    enum SessionState { LoggedOut, SigningIn, LoggedIn };

    // The delays and the balance period, in milliseconds. Tests shorten them.
    struct Delays
    {
        int balancePeriod = 300000;
        // After loginSuccessful(): the stored balance, the contacts (the
        // groups go at once) and the virtual numbers.
        int balanceDelay = 500;
        int contactsDelay = 1000;
        int virtualNumbersDelay = 500;
        // From a logout during a call to the logout itself.
        int logoutDelay = 1500;
        // From the end of a call or a sent SMS to the live balance request.
        int liveBalanceDelay = 500;
    };

    explicit Phone(QObject *parent = nullptr);
    ~Phone() override;

    // Wiring; each called once, by the service locator.
    void setRestManager(RestManager *restManager);
    void setTalk(talk::PlixTalk *talk);
    void setContactManager(ContactManager *contactManager);
    void setSettings(Settings *settings);
    // Where every finished call and every sent SMS is recorded.
    void setCallHistory(CallHistory *callHistory);

    Delays delays() const { return m_delays; }
    // Applies from the next delay or period started.
    void setDelays(const Delays &delays);

    talk::PlixTalk *talk() const;
    // Null without a talk library.
    talk::MediaEngine *mediaEngine() const;
    bool isConnected() const;
    SessionState sessionState() const { return m_sessionState; }

    // As last entered at login.
    QString username() const { return m_username; }
    QString password() const { return m_password; }
    // The last account and balance received without an error message.
    const Account &account() const { return m_account; }
    const Balance &balance() const { return m_balance; }
    // "sipUser@sipDomain" of the account, given to the talk login.
    QString talkUser() const { return m_talkUser; }
    // The talk user's domain as of the last completed talk login; every
    // dialled number is called in it.
    QString domain() const { return m_domain; }

    void setCredentials(const QString &user, const QString &password);
    // Asks for the account again with the stored credentials.
    void requestAccount();
    void talkLogin(const QString &user, const QString &password);
    void login(bool retry);
    void setAutoReconnect(bool on);
    // Hangs up a call in progress first and logs out a moment later; a
    // sign-in under way ends at once.
    void logout();
    void createAccount(const Account &account);

    // The live calls, in the order they were created.
    QList<talk::Call *> calls() const;
    // The call that has the focus; null when none has.
    talk::Call *focusedCall() const;
    // The number of the other party.
    static QString remoteNumber(const talk::Call *call);
    // Refuses an empty or too short number with a message box on parent.
    static bool validateNumber(const QString &number, QWidget *parent);
    // "+" in front, without "-", "(" and ")".
    static QString normalizeNumber(const QString &number);

    // Returns the identity of the send, which its answer carries on
    // successSendingSMS() or errorSendingSMS(); 0 when nothing went out.
    quint64 sendSMS(const SMS &sms);
    VoicemailModel *voicemailModel() const { return m_voicemailModel; }
    void clearVoicemails();

    QList<talk::Device> inputDevices() const;
    QList<talk::Device> outputDevices() const;

signals:
    void usernameChanged(const QString &username);
    void passwordChanged(const QString &password);
    void loginSuccessful();
    void loginFailed(Phone::LoginError error);
    void logoutSuccessful();
    void mediaEngineCreated();
    void incomingCall(const talk::Call *call);
    void connecting(const talk::Call *call);
    void callStarted(const talk::Call *call);
    void callEnded(const talk::Call *call);
    void callFailed(const talk::Call *call);
    void callHangupIsBusy(const talk::Call *call);
    void callHungupDecline(const talk::Call *call);
    void callHangupNotFound(const talk::Call *call);
    void callHangupUnreachable(const talk::Call *call);
    void callHangupTimeout(const talk::Call *call);
    void callInstanceDestroyed(const talk::Call *call);
    void incomingCallHangupDecline(const talk::Call *call);
    void successSendingSMS(quint64 id, const SMS &sms);
    void errorSendingSMS(quint64 id, const QString &message);
    // The error message of a contact, group, invite or balance answer.
    void restfulError(const QString &message);
    void balanceUpdate(const Balance &balance);
    void onlineNumbersUpdate(const QList<OnlineNumber> &onlineNumbers);
    void callForwardsUpdate(const QList<CallForward> &callForwards);
    void connectionMissed();
    void connectionReplaced();
    void connectionErrorOccured();
    // The web service answered a request of createAccount().
    void accountCreated();

public slots:
    void loggedIn();
    void notLoggedIn(plix::PLIX_TALK_ERROR_CODE code);
    void callSessionInitiated(const talk::Call *call);
    void callAccepted(const talk::Call *call);
    void callRejected(const talk::Call *call);
    void callProgressStarted(const talk::Call *call);
    void callHungup(const talk::Call *call, plix::HANGUP_REASON reason);
    // The number goes to the domain of the talk login as it is given.
    void call(const QString &number, bool anonymous);
    void hangup();
    void callCreated(const talk::Call *call);
    void callDestroyed(const talk::Call *call);
    void callFocusChanged(const talk::Call *oldCall, const talk::Call *newCall);
    // Whether a call is in progress: the focused call while the media engine
    // has one, else null.
    talk::Call *currentCall();
    void onMicVolumeChanged(int volume);
    void onMicMuted(bool muted);
    void onSpeakerVolumeChanged(int volume);
    void onSpeakerMuted(bool muted);
    void onRingingWithoutMedia();
    void onAccountRequestFinished(const Account &account);
    void onBalanceRequestFinished(const Balance &balance);
    void onContactRequestFinished(const Contact &contact);
    void onGroupRequestFinished(const Group &group);
    void onContactListRequestFinished(const QList<Contact> &contacts);
    void onGroupListRequestFinished(const QList<Group> &groups);
    void onOnlineNumbersRequestFinished(const QList<OnlineNumber> &onlineNumbers);
    void onSMSRequestFinished(quint64 id, const SMS &sms);
    // The SMS request ended without an answer: the page must not wait for one.
    void onSMSRequestFailed(quint64 id);
    void onInviteRequestFinished(const Invite &invite);
    void retrieveContactsFromWebservices();
    void retrieveContactsFromWebservicesDelayed();
    void retrieveVirtualNumbersFromWebservices();
    void retrieveVirtualNumbersFromWebservicesDelayed();
    // The call-forwarding rules; asked for with the virtual numbers.
    void retrieveCallForwards();
    void requestBalanceUpdate(bool live);
    void requestBalanceUpdate();
    void requestLiveBalanceUpdate();
    void requestBalanceUpdateDelayed();
    void onAccountRequestFailed();
    void onConnectionLost(plix::PLIX_DISCONNECT_REASON reason);
    void onProxyConnectionError();
    void setProxySettings(const talk::ProxySettings &settings);

private slots:
    void doLogout();
    void doCreateBalanceTimer();

private:
    static QString hangupReasonToString(plix::HANGUP_REASON reason);
    void recordFinishedCall(const talk::Call *call);
    // The account's voice messages from the talk service, into the model.
    void loadVoicemails();

    // What the call history needs of a live call.
    struct CallRecord
    {
        QString number;
        bool incoming = false;
        QDateTime start;
        // Runs from the moment the parties are connected.
        Stopwatch talking;
    };
    QHash<const talk::Call *, CallRecord> m_callRecords;
    QPointer<CallHistory> m_callHistory;
    // The numbers of each SMS on its way, by the identity of its send.
    QHash<quint64, QStringList> m_smsNumbers;

    QList<const talk::Call *> m_calls;
    const talk::Call *m_focusedCall = nullptr;
    VoicemailModel *m_voicemailModel;
    QString m_username;
    QString m_password;
    QString m_talkUser;
    QString m_talkPassword;
    QString m_domain;
    Account m_account;
    Balance m_balance;
    QTimer *m_balanceTimer = nullptr;
    // The logout after hanging up; a new login cancels it.
    QTimer *m_logoutTimer;
    // The requests a login sets going a little later, and the live balance
    // after a call or an SMS: a logout drops those not yet due, so that they
    // neither go out for an account signed out nor fill its views again.
    QTimer *m_firstBalanceTimer;
    QTimer *m_contactsTimer;
    QTimer *m_virtualNumbersTimer;
    QTimer *m_liveBalanceTimer;
    QPointer<RestManager> m_restManager;
    QPointer<talk::PlixTalk> m_talk;
    QPointer<ContactManager> m_contactManager;
    QPointer<Settings> m_settings;
    RingbackSound *m_ringback;
    // -1 until a volume is set or muting keeps the engine's own.
    int m_micVolume = -1;
    int m_speakerVolume = -1;
    Delays m_delays;
    SessionState m_sessionState = LoggedOut;
};

#endif // PHONE_PHONE_H
