#ifndef LINKORA_UI_CONTENTWIDGET_H
#define LINKORA_UI_CONTENTWIDGET_H

#include "rest/balance.h"
#include "rest/onlinenumber.h"
#include "ui/contactgroup.h"

#include <QFrame>
#include <QList>
#include <QMetaObject>
#include <QScopedPointer>
#include <QStringList>

class CallSwitchDialog;
class ConnectivityCheck;
class ContactManager;
class History;
class IncomingCallDialog;
class MissedCallsDialog;
class Phone;
class QButtonGroup;
class QEventLoop;
class QLabel;
class QMovie;
class QParallelAnimationGroup;
class QTimer;
class RingTone;
class Settings;

namespace talk {
class Call;
class MediaEngine;
class PlixTalk;
} // namespace talk

namespace Ui {
class ContentWidget;
}

// The central area of the main window. It holds every view of the client,
// logged out and logged in, as one choice of page in each of its three
// stacks (top toolbar, main page, bottom menu), and switches between them
// with setView(). It also asks the in-page Ok/Cancel questions and runs the
// login form with its automatic sign-in.
class ContentWidget : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY(ContentWidget)

public:
    enum View {
        LoginView = 0,
        PinSelectView = 1,
        DialPadView = 2,
        SmsView = 3,
        ContactListView = 4,
        ContactDetailsView = 5,
        VirtualNumbersView = 6,
        CallForwardView = 7,
        CallHistoryView = 8,
        VoicemailView = 9,
        QueryUserView = 10
    };
    Q_ENUM(View)

    explicit ContentWidget(QWidget *parent = nullptr);
    ~ContentWidget() override;

    void setPhone(Phone *phone);
    void setTalk(talk::PlixTalk *talk);
    void setSettings(Settings *settings);
    void setHistory(History *history);
    void setContactManager(ContactManager *contactManager);

    View currentView() const { return m_currentView; }
    void setView(View view, bool animated);

    // Shows the question in the page and waits for the answer in a nested
    // event loop: true for Ok. False for Cancel, for cancelQuery(), for a
    // switch to another view while the question is open (that view stays),
    // and at once while another question or PIN choice is waiting.
    bool queryUser(const QString &question, const QString &extra);
    // Ends a waiting question or PIN choice as cancelled.
    void cancelQuery();

    void updatePinLabel(const QString &pin);

    // The login form's fields as typed.
    QString loginName() const;
    QString password() const;
    // Puts a name in the login form's name field.
    void setLoginName(const QString &name);
    void setLoginInProgress(bool busy);

    // Offers the account's PINs on the PIN page and waits for a choice.
    void offerPinSelection(const QStringList &pins);
    void showPinSelection(View returnView);

    QList<ContactGroupPtr> contactGroups() const;

    // Reads the hot keys from the settings again.
    void configureHotKeys();

public slots:
    void doAutoLogin();
    void clearDialpad();
    void resetViews();
    void showCallHistory();
    void showVoicemail();
    // The account's virtual numbers, as the web service sent them.
    void setVirtualNumbers(const QList<OnlineNumber> &numbers);
    void onAddContactClicked();
    void onAddGroupClicked();
    // The list page shows the address book as it is now, and so does the
    // details page while it is on show.
    void contactListRefresh();
    // Opens the contact dialog in add mode with the number in its first row.
    void saveContact(const QString &number);
    void TMP_endPINprogress();
    void onPinListChanged(const QStringList &pins, const QString &pin);

signals:
    // A validated sign-in request with the fields as typed.
    void loginClicked(const QString &user, const QString &password);
    // The user gave up the sign-in under way; the form is back.
    void loginCancelled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onSelectViewClicked();
    void onQueryOkClicked();
    void onQueryCancelClicked();
    void onShowDialPadVolumeClicked();
    void onViewGroupsClicked();
    void onVoicemailVolumeClicked();
    void onClearVoicemailClicked();
    void onClearCallHistoryClicked();
    void onCallRatesClicked();
    void onSMSRatesClicked();
    // Page commands.
    void onSMSClicked();
    void onSMSBackButtonClicked();
    void onNewMemuButtonClicked();
    void onCallHistoryClicked();
    void onContactCallHistoryClicked();
    void onCallHistoryBackClicked();
    void onCallInfoBackClicked();
    void onBalanceUpdate(const Balance &balance);
    void onContactUpdated(const QString &nick);
    // Shows it, or adds it to the box that follows the one still open.
    void onContactWriteFailed(const QString &message);
    void onUsernameEdited();

    void onLoginButtonClicked();
    void onLoginOrPasswordEditReturnPressed();
    void onCancelLoginClicked();
    void onLoginUserChanged();
    void onRememberMeCheckBoxTogled(bool on);
    void onAutoLoginInternetConnectionTimerTimedOut();
    void onInternetConnectionChecked(bool online);
    void onForgotPasswordClicked();
    void onLoginSuccessful();
    void onPinSelectClicked();
    void onPINSelected(const QString &pin);

    // Address book. Contacts and groups come by nick and by name, and are
    // looked up again after every question.
    void onCallContactRequested(const QString &name, const QString &number);
    void onSendSMSRequested(const QString &name, const QString &number);
    void onViewContactDetailsRequested(const QString &nick);
    void onDetailsBackButtonClicked();
    void onEditContactRequested(const QString &nick);
    void onDeleteContactRequested(const QString &nick);
    void onEditGroupRequested(const QString &groupName);
    void onDeleteGroupRequested(const QString &groupName, bool moveContacts);

    // Calls: incoming, missed and switched calls, hot keys, the slide
    // between views and the live-conversation strip.
public:
    // The eight application-wide shortcuts of the central area.
    class HotKeys;

public slots:
    // The running call's state text; an empty text ends the live strip.
    void setCallInfo(const QString &text);
    void showMissedCallsDialog();

private slots:
    void onIncomingCall(const talk::Call *call);
    void onIncomingCallAccepted();
    void onIncomingCallRejected();
    void onIncomingCallHangupDecline(const talk::Call *call);
    // Ends the pop-up and the ring of a ringing call that ended otherwise.
    void onCallInstanceDestroyed(const talk::Call *call);
    void onMissedCallsDialogClosed();
    void onCallNumberFromMissedCallDialog(const QString &number);
    void onSendSMSFromMissedCallDialog(const QString &number);
    void onHoldCallClicked();
    void onSwapCallClicked();
    void onCallSwitchDialogClosed();
    void setupHotkeysForView(ContentWidget::View view);
    void onPlaceCallHotKeyActivated();
    void onIncreaseVolumeHotKeyActivated();
    void onDecreaseVolumeHotKeyActivated();
    void onShowHideGroupsHotKeyActivated();
    void onAnimationFinished();
    void onGlossAnimation();
    void onConversationBackClicked();

private:
    void createHotKeys();
    void stopRunningSlide();
    void prepareSlide();
    void startSlide();
    void updateConversationPanel();
    void showConversationPanel();
    void ensureGloss();
    void stopConversationPanel(bool destroy);
    void hideConversationPanel();
    int visibleBottomMenuHeight() const;
    static bool showsConversationPanel(View view);
    talk::MediaEngine *mediaEngine() const;
    // The live call behind the pointer, or null once it is gone.
    talk::Call *liveCall(const talk::Call *call) const;
    void stopRing();

    QScopedPointer<HotKeys> m_hotKeys;
    RingTone *m_ringTone = nullptr;
    IncomingCallDialog *m_incomingCallDialog = nullptr;
    // The call the pop-up belongs to while it rings; only compared, and
    // used only while Phone still lists it.
    const talk::Call *m_ringingCall = nullptr;
    // The call the user declined from the pop-up, until it is gone.
    const talk::Call *m_declinedCall = nullptr;
    bool m_ringing = false;
    MissedCallsDialog *m_missedCallsDialog = nullptr;
    QStringList m_missedCallNumbers;
    CallSwitchDialog *m_callSwitchDialog = nullptr;
    QLabel *m_slideBackground = nullptr;
    QLabel *m_outgoingSnapshot = nullptr;
    QLabel *m_incomingSnapshot = nullptr;
    QParallelAnimationGroup *m_slideGroup = nullptr;
    bool m_callInfoShown = false;
    QLabel *m_glossLabel = nullptr;
    QTimer *m_glossTimer = nullptr;
    QList<QMetaObject::Connection> m_glossConnections;

private:
    double credit() const;
    void connectAddressBookCommands();
    // Runs the group dialog, in edit mode for the group or else in add mode.
    void showAddEditGroup(const ContactGroupPtr &group = ContactGroupPtr());
    // Runs the contact dialog, in edit mode for the nick or else in add mode
    // with the number in its first row.
    void showAddEditContact(const QString &number, const QString &nick = QString());

    const QScopedPointer<Ui::ContentWidget> m_ui;
    QMovie *m_spinner;
    QEventLoop *m_loop;
    QButtonGroup *m_callHistoryFilterGroup;
    QButtonGroup *m_voicemailFilterGroup;
    View m_currentView = QueryUserView;
    View m_pinReturnView = DialPadView;
    // Where the call history's back button leads.
    View m_callHistoryReturnView = DialPadView;
    // 0 nothing pending; 1 a PIN choice was ended from outside; 2 it has been
    // offered again after a question.
    int m_pinInterruptionState = 0;

    QTimer *m_autoLoginTimer = nullptr;
    ConnectivityCheck *m_connectivityCheck;
    // An automatic sign-in waits for the connection check.
    bool m_autoLoginPending = false;

    Phone *m_phone = nullptr;
    talk::PlixTalk *m_talk = nullptr;
    ContactManager *m_contactManager = nullptr;
    // Address-book failures not yet shown; one box at a time.
    QStringList m_contactWriteFailures;
    bool m_showingContactWriteFailure = false;
    Settings *m_settings = nullptr;
    History *m_history = nullptr;
};

#endif // LINKORA_UI_CONTENTWIDGET_H
