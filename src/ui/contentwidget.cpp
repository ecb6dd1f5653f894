#include "ui/contentwidget.h"
#include "ui_contentwidget.h"

#include "history/callhistory.h"
#include "history/history.h"
#include "history/loginhistory.h"
#include "history/numberhistory.h"
#include "phone/phone.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "talk/call.h"
#include "talk/jid.h"
#include "talk/mediaengine.h"
#include "talk/plixtalk.h"
#include "ui/addeditcontactdialog.h"
#include "ui/addeditgroupdialog.h"
#include "ui/callhistoryeventitemdelegate.h"
#include "ui/callswitchdialog.h"
#include "ui/contactmanager.h"
#include "ui/incomingcalldialog.h"
#include "ui/messageprompt.h"
#include "ui/missedcallsdialog.h"
#include "ui/questionkeys.h"
#include "ui/ringtone.h"
#include "ui/webpage.h"
#include "util/connectivitycheck.h"
#include "util/trace.h"
#include "virtualnumber.h"

#include <QButtonGroup>
#include <QEventLoop>
#include <QGraphicsOpacityEffect>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMovie>
#include <QParallelAnimationGroup>
#include <QPointer>
#include <QPropertyAnimation>
#include <QShortcut>
#include <QTimer>

namespace {

// Exit codes of the nested loop that waits for a question or a PIN choice.
enum LoopExit { OtherViewChosen = 0, Confirmed = 1, Cancelled = 2, EndedFromOutside = 3 };

const int autoLoginRetryInterval = 1000;
const int slideDuration = 250;
// The gloss sweeps 10 px every 100 ms and comes back in with its last 40 px.
const int glossInterval = 100;
const int glossStep = 10;
const int glossMargin = 40;

} // namespace

class ContentWidget::HotKeys
{
public:
    enum Key {
        PlaceCall = 0,
        PlaceCallTwin = 1,
        CancelCall = 2,
        IncreaseSpeakerVolume = 3,
        DecreaseSpeakerVolume = 4,
        IncreaseMicVolume = 5,
        DecreaseMicVolume = 6,
        ShowHideGroups = 7,
        Count = 8
    };

    explicit HotKeys(QWidget *parent)
    {
        for (QShortcut *&shortcut : shortcuts) {
            shortcut = new QShortcut(parent);
            shortcut->setContext(Qt::ApplicationShortcut);
        }
    }

    QShortcut *operator[](Key key) const { return shortcuts[key]; }

    void configure(const Settings *settings)
    {
        TRACE << "Configure hotkeys";
        if (!settings)
            return;
        shortcuts[PlaceCall]->setEnabled(settings->placeCallHotkeyEnabled(true));
        shortcuts[CancelCall]->setEnabled(settings->cancelCallHotkeyEnabled(true));
        shortcuts[IncreaseSpeakerVolume]->setEnabled(settings->increaseSpeakerVolHotkeyEnabled(true));
        shortcuts[DecreaseSpeakerVolume]->setEnabled(settings->decreaseSpeakerVolHotkeyEnabled(true));
        shortcuts[IncreaseMicVolume]->setEnabled(settings->increaseMicVolHotkeyEnabled(true));
        shortcuts[DecreaseMicVolume]->setEnabled(settings->decreaseMicVolHotkeyEnabled(true));
        shortcuts[ShowHideGroups]->setEnabled(settings->showHideGroupsHotkeyEnabled(true));

        const QString placeCall = settings->placeCallHotkey(QStringLiteral("Enter"));
        setKey(PlaceCall, placeCall);
        setKey(CancelCall, settings->cancelCallHotkey(QStringLiteral("Esc")));
        setKey(IncreaseSpeakerVolume, settings->increaseSpeakerVolHotkey(QStringLiteral("Ctrl+Right")));
        setKey(DecreaseSpeakerVolume, settings->decreaseSpeakerVolHotkey(QStringLiteral("Ctrl+Left")));
        setKey(IncreaseMicVolume, settings->increaseMicVolHotkey(QStringLiteral("Alt+Right")));
        setKey(DecreaseMicVolume, settings->decreaseMicVolHotkey(QStringLiteral("Alt+Left")));
        setKey(ShowHideGroups, settings->showHideGroupsHotkey(QStringLiteral("Ctrl+H")));

        // "Return" is the main keyboard's key and "Enter" the key pad's: the
        // twin makes either place a call.
        const QString enter = QStringLiteral("Enter");
        const QString ret = QStringLiteral("Return");
        if (placeCall == enter || placeCall == ret) {
            shortcuts[PlaceCallTwin]->setEnabled(settings->placeCallHotkeyEnabled(true));
            setKey(PlaceCallTwin, placeCall == enter ? ret : enter);
        } else {
            shortcuts[PlaceCallTwin]->setEnabled(false);
        }

        for (int key = 0; key < Count; ++key) {
            shortcuts[key]->setAutoRepeat(key >= IncreaseSpeakerVolume && key <= DecreaseMicVolume);
        }
    }

private:
    void setKey(Key key, const QString &text)
    {
        shortcuts[key]->setKey(QKeySequence::fromString(text, QKeySequence::PortableText));
    }

    QShortcut *shortcuts[Count] = {};
};

ContentWidget::ContentWidget(QWidget *parent)
    : QFrame(parent)
    , m_ui(new Ui::ContentWidget)
    , m_spinner(nullptr)
    , m_loop(new QEventLoop(this))
    , m_callHistoryFilterGroup(new QButtonGroup(this))
    , m_voicemailFilterGroup(new QButtonGroup(this))
    , m_connectivityCheck(new ConnectivityCheck(this))
{
    m_ui->setupUi(this);
    createHotKeys();

    m_callHistoryFilterGroup->addButton(m_ui->allTimeTopMenuButton, 0);
    m_callHistoryFilterGroup->addButton(m_ui->oneDayTopMenuButton, 1);
    m_callHistoryFilterGroup->addButton(m_ui->sevenDaysTopMenuButton, 2);
    m_callHistoryFilterGroup->setExclusive(true);
    m_voicemailFilterGroup->addButton(m_ui->allTimeVMTopMenuButton, 0);
    m_voicemailFilterGroup->addButton(m_ui->oneDayVMTopMenuButton, 1);
    m_voicemailFilterGroup->addButton(m_ui->sevenDaysVMTopMenuButton, 2);
    m_voicemailFilterGroup->setExclusive(true);

    m_ui->viewGroupsTopMenuButton->setSelected(true);

    m_spinner = new QMovie(QStringLiteral(":/gfx/login/spinner.gif"), QByteArray(), this);
    m_ui->loginSpinnerLabel->setMovie(m_spinner);

    m_ui->pinWidget->hide();
    m_ui->newAccountMenuButton->hide();
    m_ui->voicemailTopMenuButton->hide();
    m_ui->callHistoryTopMenuButton->hide();
    m_ui->callHistoryPage->hide();
    m_ui->liveConversationPanel->hide();

    m_ui->contactListPage->setGroupsShown(m_ui->viewGroupsTopMenuButton->isSelected());

    connect(m_callHistoryFilterGroup, &QButtonGroup::idClicked, m_ui->callHistoryPage,
            qOverload<int>(&CallHistoryPage::setCallHistoryFilter));
    connect(m_voicemailFilterGroup, &QButtonGroup::idClicked, m_ui->voicemailPage,
            qOverload<int>(&VoicemailPage::setVoicemailHistoryFilter));
    connect(m_ui->loginButton, &QPushButton::clicked, this, &ContentWidget::onLoginButtonClicked);
    connect(m_ui->passwordLineEdit, &QLineEdit::returnPressed, this,
            &ContentWidget::onLoginOrPasswordEditReturnPressed);
    connect(m_ui->loginCombo->lineEdit(), &QLineEdit::returnPressed, this,
            &ContentWidget::onLoginOrPasswordEditReturnPressed);
    connect(m_ui->loginCombo->lineEdit(), &QLineEdit::textEdited, this, &ContentWidget::onUsernameEdited);
    connect(m_ui->cancelLoginButton, &QPushButton::clicked, this, &ContentWidget::onCancelLoginClicked);
    // By index, not by text: the text of an editable combo box changes with
    // every key typed.
    connect(m_ui->loginCombo, &QComboBox::currentIndexChanged, this, &ContentWidget::onLoginUserChanged);
    for (MenuButton *button : {m_ui->dialPadMenuButton, m_ui->contactListMenuButton,
                               m_ui->virtualNumberMenuButton, m_ui->callForwardMenuButton})
        connect(button, &MenuButton::clicked, this, &ContentWidget::onSelectViewClicked);
    connect(m_ui->volTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onShowDialPadVolumeClicked);
    connect(m_ui->micTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onShowDialPadVolumeClicked);
    m_ui->signInAutoCheckBox->setEnabled(m_ui->rememberMeCheckBox->isChecked());
    connect(m_ui->rememberMeCheckBox, &QCheckBox::toggled, this, &ContentWidget::onRememberMeCheckBoxTogled);
    connect(m_ui->viewGroupsTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onViewGroupsClicked);
    connect(m_ui->addContactTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onAddContactClicked);
    connect(m_ui->addGroupTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onAddGroupClicked);
    connect(m_ui->clearHistoryTopMenuButton, &MenuButton::clicked, this,
            &ContentWidget::onClearCallHistoryClicked);
    connect(m_ui->voicemailVolumeTopMenuButton, &MenuButton::clicked, this,
            &ContentWidget::onVoicemailVolumeClicked);
    connect(m_ui->clearVoicemailsTopMenuButton, &MenuButton::clicked, this,
            &ContentWidget::onClearVoicemailClicked);
    connect(m_ui->pinSelectButton, &QPushButton::clicked, this, &ContentWidget::onPinSelectClicked);
    connect(m_ui->queryUserOkButton, &QPushButton::clicked, this, &ContentWidget::onQueryOkClicked);
    connect(m_ui->queryUserCancelButton, &QPushButton::clicked, this, &ContentWidget::onQueryCancelClicked);
    connect(m_ui->forgotMenuButton, &MenuButton::clicked, this, &ContentWidget::onForgotPasswordClicked);
    connect(m_ui->ratesTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onCallRatesClicked);
    connect(m_ui->callForwardRatesTopMenuButton, &MenuButton::clicked, this,
            &ContentWidget::onCallRatesClicked);
    connect(m_ui->smsRatesTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onSMSRatesClicked);
    connect(m_ui->dialPadPage, &DialPadPage::smsClicked, this, &ContentWidget::onSMSClicked);
    connect(m_ui->smsTopMenuBackButton, &QPushButton::clicked, this, &ContentWidget::onSMSBackButtonClicked);
    connect(m_ui->newDialPadMenuButton, &QPushButton::clicked, this, &ContentWidget::onNewMemuButtonClicked);
    connect(m_ui->newContactListButton, &QPushButton::clicked, this, &ContentWidget::onNewMemuButtonClicked);
    connect(m_ui->callHistoryTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onCallHistoryClicked);
    connect(m_ui->contactCallHistoryTopMenuButton, &MenuButton::clicked, this,
            &ContentWidget::onContactCallHistoryClicked);
    connect(m_ui->callHistoryTopMenuBackButton, &QPushButton::clicked, this,
            &ContentWidget::onCallHistoryBackClicked);
    connect(m_ui->callInfoBackButton, &QPushButton::clicked, this, &ContentWidget::onCallInfoBackClicked);
    connect(m_ui->voicemailTopMenuButton, &MenuButton::clicked, this, &ContentWidget::showVoicemail);
    connect(m_ui->callForwardVoicemailTopMenuButton, &MenuButton::clicked, this,
            &ContentWidget::showVoicemail);
    connect(m_ui->callHistoryPage, &CallHistoryPage::callContact, this,
            &ContentWidget::onCallContactRequested);
    connect(m_ui->voicemailPage, &VoicemailPage::callBack, this, &ContentWidget::onCallContactRequested);
    connect(m_ui->voicemailPage, &VoicemailPage::saveNumber, this, &ContentWidget::saveContact);
    connect(m_connectivityCheck, &ConnectivityCheck::finished, this,
            &ContentWidget::onInternetConnectionChecked);

    setLoginInProgress(false);

    m_ui->holdTopMenuButton->hide();
    m_ui->swapTopMenuButton->hide();

    m_ui->volTopMenuButton->setText(tr("VOL"));
    m_ui->micTopMenuButton->setText(tr("MIC"));
    m_ui->holdTopMenuButton->setText(tr("HOLD"));
    m_ui->swapTopMenuButton->setText(tr("SWAP"));
    m_ui->ratesTopMenuButton->setText(tr("RATES"));
    m_ui->viewGroupsTopMenuButton->setText(tr("VIEW<br/>GROUPS"));
    m_ui->addContactTopMenuButton->setText(tr("ADD<br/>CONTACT"));
    m_ui->addGroupTopMenuButton->setText(tr("ADD<br/>GROUP"));
    m_ui->callHistoryTopMenuButton->setText(tr("CALL<br/>HISTORY"));
    m_ui->smsRatesTopMenuButton->setText(tr("SMS<br/>RATES"));
    m_ui->contactCallHistoryTopMenuButton->setText(tr("CALL<br/>HISTORY"));
    m_ui->voicemailTopMenuButton->setText(tr("VOICEMAIL"));
    m_ui->callForwardRatesTopMenuButton->setText(tr("CALL<br/>RATES"));
    m_ui->callForwardVirtualNumberTopMenuButton->setText(tr("VIRTUAL<br/>NUMBER"));
    m_ui->callForwardVoicemailTopMenuButton->setText(tr("VOICE<br/>MAIL"));
    m_ui->clearHistoryTopMenuButton->setText(tr("CLEAR"));
    m_ui->voicemailVolumeTopMenuButton->setText(tr("VOL"));
    m_ui->clearVoicemailsTopMenuButton->setText(tr("CLEAR"));
    m_ui->forgotMenuButton->setText(tr("FORGOT PASSWORD"));
    // Two lines each, as CALL FORWARD's: four captions of one line would
    // run into one another across the window's width.
    m_ui->dialPadMenuButton->setText(tr("DIAL<br/>PAD"));
    m_ui->contactListMenuButton->setText(tr("CONTACT<br/>LIST"));
    m_ui->virtualNumberMenuButton->setText(tr("VIRTUAL<br/>NUMBER"));
    m_ui->callForwardMenuButton->setText(tr("CALL<br/>FORWARD"));

    // The bottom menu's CALL FORWARD button stays: it is the way to the
    // call-forwarding page and, from there, to the voicemail.
    m_ui->pendingCallInfoWidget->hide();

    // The toolbars' and the bottom menu's buttons show captions only, some on
    // two lines: their empty icon labels would take the room of the second
    // line.
    const QList<MenuButton *> toolbarButtons = m_ui->topToolBarStackedWidget->findChildren<MenuButton *>()
        + m_ui->mainMenuPage->findChildren<MenuButton *>();
    for (MenuButton *button : toolbarButtons) {
        if (button->iconText().isEmpty() && button->iconPixmap().isNull()) {
            if (auto *iconLabel = button->findChild<QLabel *>(QStringLiteral("iconLabel")))
                iconLabel->hide();
        }
    }

    m_ui->liveConversationPanel->installEventFilter(this);
    m_ui->pinLabel->installEventFilter(this);
    m_ui->passwordLineEdit->setAcceptDrops(false);
    m_ui->loginCombo->setAcceptDrops(false);

    connect(m_ui->holdTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onHoldCallClicked);
    connect(m_ui->swapTopMenuButton, &MenuButton::clicked, this, &ContentWidget::onSwapCallClicked);
    connect(m_ui->dialPadPage, &DialPadPage::callInfoChanged, this, &ContentWidget::setCallInfo);
    connectAddressBookCommands();
}

ContentWidget::~ContentWidget()
{
    // The switch window goes with the QWidget part; nothing of this class
    // may hear of it then.
    if (m_callSwitchDialog)
        disconnect(m_callSwitchDialog, nullptr, this, nullptr);
}

void ContentWidget::setPhone(Phone *phone)
{
    m_phone = phone;
    m_ui->dialPadPage->setPhone(phone);
    m_ui->smsPage->setPhone(phone);
    m_ui->voicemailPage->setPhone(phone);
    m_ui->callHistoryPage->setPhone(phone);
    if (!phone)
        return;
    connect(phone, &Phone::loginSuccessful, m_ui->callHistoryPage, &CallHistoryPage::onLoginSuccedeed);
    connect(phone, &Phone::onlineNumbersUpdate, this, &ContentWidget::setVirtualNumbers);
    connect(phone, &Phone::callForwardsUpdate, m_ui->callForwardPage, &CallForwardPage::setCallForwards);
    connect(phone, &Phone::loginSuccessful, this, &ContentWidget::onLoginSuccessful);
    connect(phone, &Phone::balanceUpdate, this, &ContentWidget::onBalanceUpdate);
    connect(phone, &Phone::incomingCall, this, &ContentWidget::onIncomingCall);
    connect(phone, &Phone::incomingCallHangupDecline, this, &ContentWidget::onIncomingCallHangupDecline);
    connect(phone, &Phone::callInstanceDestroyed, this, &ContentWidget::onCallInstanceDestroyed);
}

void ContentWidget::setTalk(talk::PlixTalk *talk)
{
    m_talk = talk;
}

void ContentWidget::setSettings(Settings *settings)
{
    m_settings = settings;
    configureHotKeys();
    if (m_settings && m_settings->rememberLogin(false)) {
        m_ui->loginCombo->setEditText(m_settings->loginUser(QString()));
        m_ui->passwordLineEdit->setText(m_settings->loginPassword(QString()));
        m_ui->rememberMeCheckBox->setChecked(m_settings->rememberLogin(false));
        m_ui->signInAutoCheckBox->setChecked(m_settings->autoLogin(false));
    }
    m_ui->contactListPage->setSettings(settings);
    m_ui->dialPadPage->setSettings(settings);
    m_ui->pinPage->setSettings(settings);
}

void ContentWidget::setHistory(History *history)
{
    m_history = history;
    m_ui->dialPadPage->setHistory(history);
    m_ui->smsPage->setHistory(history);
    m_ui->callHistoryPage->setCallHistory(history ? history->callHistory() : nullptr);
}

void ContentWidget::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
    m_ui->contactDetailsPage->setContactManager(contactManager);
    m_ui->dialPadPage->setContactManager(contactManager);
    m_ui->callHistoryPage->setItemDelegate(
        new CallHistoryEventItemDelegate(contactManager, m_ui->callHistoryPage));
    m_ui->contactListPage->setContactGroups(contactGroups());
    if (!contactManager)
        return;
    connect(contactManager, &ContactManager::contactUpdated, this, &ContentWidget::onContactUpdated,
            Qt::UniqueConnection);
    connect(contactManager, &ContactManager::refreshContactListUI, this, &ContentWidget::contactListRefresh,
            Qt::UniqueConnection);
    // Queued: the box must not wait inside the handling of a reply.
    connect(contactManager, &ContactManager::writeFailed, this, &ContentWidget::onContactWriteFailed,
            static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::UniqueConnection));
    connect(contactManager, &ContactManager::readFailed, this, &ContentWidget::onContactWriteFailed,
            static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::UniqueConnection));
}

void ContentWidget::setView(View view, bool animated)
{
    if (view == m_currentView)
        return;

    setupHotkeysForView(view);

    // The question page never slides, in or out.
    if (view == QueryUserView || m_currentView == QueryUserView) {
        m_ui->queryUserOkButton->setDefault(true);
        animated = false;
    } else {
        m_ui->queryUserOkButton->setDefault(false);
    }

    stopRunningSlide();
    if (animated)
        prepareSlide();

    m_ui->bottomToolbarStackedWidget->show();
    m_currentView = view;
    updateConversationPanel();

    // A switch anywhere else ends a waiting question or PIN choice.
    if (view != QueryUserView && view != PinSelectView && m_loop->isRunning())
        m_loop->exit(OtherViewChosen);

    switch (view) {
    case LoginView:
        m_ui->bottomToolbarStackedWidget->setCurrentWidget(m_ui->loginMenuPage);
        m_ui->mainStackedWidget->setCurrentWidget(m_ui->loginPage);
        m_ui->topToolBarStackedWidget->hide();
        m_ui->loginCombo->clear();
        m_ui->loginCombo->clearEditText();
        m_ui->passwordLineEdit->clear();
        if (m_settings && m_settings->rememberLogin(false)) {
            if (m_history)
                m_ui->loginCombo->addItems(m_history->loginHistory()->names());
            m_ui->loginCombo->setEditText(m_settings->loginUser(QString()));
            m_ui->passwordLineEdit->setText(m_settings->loginPassword(QString()));
        } else {
            // Nothing of the last user stays behind.
            if (m_settings) {
                m_settings->removeLoginUser();
                m_settings->removeLoginPassword();
            }
            if (m_history)
                m_history->loginHistory()->clear();
        }
        m_ui->loginButton->setAutoDefault(true);
        m_ui->loginButton->setDefault(true);
        // The person types the address first, or only the password when the
        // address is remembered.
        if (m_ui->loginCombo->currentText().isEmpty())
            m_ui->loginCombo->setFocus(Qt::OtherFocusReason);
        else
            m_ui->passwordLineEdit->setFocus(Qt::OtherFocusReason);
        break;
    case PinSelectView:
        m_ui->bottomToolbarStackedWidget->setCurrentWidget(m_ui->emptyMenuPage);
        m_ui->mainStackedWidget->setCurrentWidget(m_ui->pinPage);
        m_ui->topToolBarStackedWidget->hide();
        m_ui->pinSelectButton->setDefault(true);
        m_ui->pinSelectButton->setAutoDefault(true);
        break;
    case QueryUserView:
        m_ui->topToolBarStackedWidget->hide();
        m_ui->bottomToolbarStackedWidget->hide();
        m_ui->mainStackedWidget->setCurrentWidget(m_ui->queryUserPage);
        m_ui->queryUserOkButton->setDefault(true);
        m_ui->queryUserOkButton->setAutoDefault(true);
        break;
    default: {
        m_ui->topToolBarStackedWidget->show();
        m_ui->bottomToolbarStackedWidget->setCurrentWidget(m_ui->mainMenuPage);
        m_ui->dialPadMenuButton->setSelected(false);
        m_ui->contactListMenuButton->setSelected(false);
        m_ui->virtualNumberMenuButton->setSelected(false);
        // Shown now, so it must not stay marked once another view is chosen.
        m_ui->callForwardMenuButton->setSelected(false);
        const bool contacts = view == ContactListView || view == ContactDetailsView;
        m_ui->newContactListButton->setChecked(contacts);
        m_ui->newDialPadMenuButton->setChecked(!contacts);

        MenuButton *bottomButton = nullptr;
        QWidget *topPage = nullptr;
        QWidget *mainPage = nullptr;
        switch (view) {
        case DialPadView:
            bottomButton = m_ui->dialPadMenuButton;
            topPage = m_ui->topMenuDialPadPage;
            mainPage = m_ui->dialPadPage;
            break;
        case SmsView:
            bottomButton = m_ui->dialPadMenuButton;
            topPage = m_ui->smsTopMenuPage;
            mainPage = m_ui->smsPage;
            break;
        case ContactListView:
            bottomButton = m_ui->contactListMenuButton;
            topPage = m_ui->topMenuContactListPage;
            mainPage = m_ui->contactListPage;
            break;
        case ContactDetailsView:
            bottomButton = m_ui->contactListMenuButton;
            topPage = m_ui->topMenuContactDetailsPage;
            mainPage = m_ui->contactDetailsPage;
            break;
        case VirtualNumbersView:
            bottomButton = m_ui->virtualNumberMenuButton;
            topPage = m_ui->topMenuVirtualNumbersPage;
            mainPage = m_ui->virtualNumbersPage;
            break;
        case CallForwardView:
            bottomButton = m_ui->callForwardMenuButton;
            topPage = m_ui->topMenuCallForwardPage;
            mainPage = m_ui->callForwardPage;
            break;
        case CallHistoryView:
            bottomButton = m_ui->contactListMenuButton;
            topPage = m_ui->topMenuCallHistory;
            mainPage = m_ui->callHistoryPage;
            break;
        case VoicemailView:
            topPage = m_ui->topMenuVoicemailPage;
            mainPage = m_ui->voicemailPage;
            break;
        default:
            break;
        }
        if (bottomButton)
            bottomButton->setSelected(true);
        if (topPage)
            m_ui->topToolBarStackedWidget->setCurrentWidget(topPage);
        if (mainPage)
            m_ui->mainStackedWidget->setCurrentWidget(mainPage);
        if (view == CallHistoryView)
            m_ui->callHistoryPage->refresh();
        // The page that was left had the keyboard; on the dial pad a number
        // is typed next.
        if (view == DialPadView)
            m_ui->dialPadPage->focusNumberEntry();
        break;
    }
    }

    m_ui->contactCallHistoryTopMenuButton->hide();

    if (animated)
        startSlide();
}

bool ContentWidget::queryUser(const QString &question, const QString &extra)
{
    // One wait at a time: a second question gets no answer from the user.
    if (m_loop->isRunning()) {
        TRACE_WARNING << "A question is already waiting; not asking" << question;
        return false;
    }

    const View previousView = m_currentView;
    QWidget *const focusBefore = window()->focusWidget();
    m_ui->queryUserQuestionLabel->setWordWrap(true);
    m_ui->queryUserQuestionLabel->setText(question);
    m_ui->queryUserExtraLabel->setFullText(extra);
    setView(QueryUserView, true);

    const QuestionKeys keys(m_ui->queryUserOkButton, m_ui->queryUserCancelButton, focusBefore);
    const int code = m_loop->exec();
    switch (code) {
    case EndedFromOutside:
        // The caller that cancelled shows its own view next.
        m_currentView = previousView;
        return false;
    case OtherViewChosen:
        // The view chosen while the question was open stays.
        return false;
    case Confirmed:
        setView(previousView, true);
        return true;
    default:
        setView(previousView, true);
        if (m_pinInterruptionState == 1) {
            m_pinInterruptionState = 2;
            showPinSelection(m_pinReturnView);
        }
        return false;
    }
}

void ContentWidget::cancelQuery()
{
    if (m_loop->isRunning())
        m_loop->exit(EndedFromOutside);
}

double ContentWidget::credit() const
{
    return m_phone ? m_phone->balance().credit() : 0.0;
}

void ContentWidget::updatePinLabel(const QString &pin)
{
    // "1234 - description": the blank before the dash goes as well.
    const int dash = pin.indexOf(QLatin1Char('-'));
    const QString pinText = dash >= 1 ? pin.left(dash - 1) : pin;

    QString balanceText;
    const double amount = credit();
    if (amount > 0.0) {
        // The label is markup for the red BUY: the service's symbol is escaped.
        const QString symbol = m_phone ? m_phone->balance().currencySymbol() : QString();
        balanceText = symbol.toHtmlEscaped() + QString::asprintf("%.02f", amount);
        m_ui->pinLabel->setCursor(Qt::ArrowCursor);
        m_ui->pinLabel->setToolTip(QString());
    } else {
        balanceText = QStringLiteral("<font color=red><b>BUY</b></font>");
        m_ui->pinLabel->setCursor(Qt::PointingHandCursor);
        m_ui->pinLabel->setToolTip(tr("Click to buy credit"));
    }
    m_ui->pinLabel->clear();
    m_ui->pinLabel->setText(tr("PIN: %1 - %2").arg(pinText.toHtmlEscaped(), balanceText));
}

QString ContentWidget::loginName() const
{
    return m_ui->loginCombo->currentText();
}

QString ContentWidget::password() const
{
    return m_ui->passwordLineEdit->text();
}

void ContentWidget::setLoginName(const QString &name)
{
    m_ui->loginCombo->setEditText(name);
}

QList<ContactGroupPtr> ContentWidget::contactGroups() const
{
    return m_contactManager ? m_contactManager->groups() : QList<ContactGroupPtr>();
}

void ContentWidget::configureHotKeys()
{
    m_hotKeys->configure(m_settings);
}

void ContentWidget::clearDialpad()
{
    m_ui->dialPadPage->clearNumber();
}

void ContentWidget::resetViews()
{
    m_ui->dialPadPage->clearNumber();
    m_ui->pinLabel->setText(tr("PIN"));
    m_ui->smsPage->clearNumber();
}

void ContentWidget::showCallHistory()
{
    if (m_currentView == CallHistoryView)
        return;
    m_callHistoryReturnView = m_currentView;
    setView(CallHistoryView, true);
}

void ContentWidget::onCallHistoryClicked()
{
    showCallHistory();
}

void ContentWidget::onContactCallHistoryClicked()
{
    showCallHistory();
}

void ContentWidget::onCallHistoryBackClicked()
{
    setView(m_callHistoryReturnView, true);
}

void ContentWidget::onCallInfoBackClicked()
{
    setView(DialPadView, true);
}

void ContentWidget::showVoicemail()
{
    setView(VoicemailView, true);
}

void ContentWidget::onSMSClicked()
{
    setView(SmsView, true);
    m_ui->smsPage->setCountryIndex(m_ui->dialPadPage->currentCountryIndex());
    m_ui->smsPage->setNumber(m_ui->dialPadPage->number());
}

void ContentWidget::onSMSBackButtonClicked()
{
    setView(DialPadView, true);
    // During a call the dial pad keeps showing the callee.
    if (m_ui->dialPadPage->callInProgress())
        return;
    m_ui->dialPadPage->setCurrentCountryIndex(m_ui->smsPage->countryIndex());
    m_ui->dialPadPage->setNumber(m_ui->smsPage->number());
}

void ContentWidget::onNewMemuButtonClicked()
{
    const QObject *button = sender();
    if (button == m_ui->newDialPadMenuButton)
        setView(DialPadView, true);
    else if (button == m_ui->newContactListButton)
        setView(ContactListView, true);
}

void ContentWidget::setVirtualNumbers(const QList<OnlineNumber> &numbers)
{
    QList<VirtualNumber> virtualNumbers;
    virtualNumbers.reserve(numbers.size());
    for (const OnlineNumber &number : numbers)
        virtualNumbers << VirtualNumber(number);
    m_ui->virtualNumbersPage->setVirtualNumbers(virtualNumbers);
}

bool ContentWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_ui->liveConversationPanel || (m_glossLabel && watched == m_glossLabel)) {
            setView(DialPadView, true);
            return true;
        }
        if (watched == m_ui->pinLabel && m_phone && credit() == 0.0)
            WebPage::open(this, HomeUrls::instance()->buyCreditURL());
    }
    return QFrame::eventFilter(watched, event);
}

void ContentWidget::onSelectViewClicked()
{
    const QObject *button = sender();
    if (button == m_ui->dialPadMenuButton)
        setView(DialPadView, true);
    else if (button == m_ui->contactListMenuButton)
        setView(ContactListView, true);
    else if (button == m_ui->virtualNumberMenuButton)
        setView(VirtualNumbersView, true);
    else if (button == m_ui->callForwardMenuButton)
        setView(CallForwardView, true);
}

void ContentWidget::onQueryOkClicked()
{
    if (m_loop->isRunning())
        m_loop->exit(Confirmed);
}

void ContentWidget::onQueryCancelClicked()
{
    if (m_loop->isRunning())
        m_loop->exit(Cancelled);
}

void ContentWidget::onShowDialPadVolumeClicked()
{
    auto *button = qobject_cast<MenuButton *>(sender());
    if (!button)
        return;
    if (button->isSelected()) {
        button->setSelected(false);
        m_ui->dialPadPage->hideVolumePanel();
    } else if (button == m_ui->volTopMenuButton) {
        m_ui->volTopMenuButton->setSelected(true);
        m_ui->micTopMenuButton->setSelected(false);
        m_ui->dialPadPage->showSpeakerVolumePanel();
    } else {
        m_ui->volTopMenuButton->setSelected(false);
        m_ui->micTopMenuButton->setSelected(true);
        m_ui->dialPadPage->showMicVolumePanel();
    }
}

void ContentWidget::onViewGroupsClicked()
{
    const bool shown = !m_ui->viewGroupsTopMenuButton->isSelected();
    m_ui->viewGroupsTopMenuButton->setSelected(shown);
    m_ui->contactListPage->setGroupsShown(shown);
}

void ContentWidget::onVoicemailVolumeClicked()
{
    const bool shown = !m_ui->voicemailVolumeTopMenuButton->isSelected();
    m_ui->voicemailVolumeTopMenuButton->setSelected(shown);
    if (shown)
        m_ui->voicemailPage->showVolumePanel();
    else
        m_ui->voicemailPage->hideVolumePanel();
}

void ContentWidget::onClearVoicemailClicked()
{
    if (m_phone)
        m_phone->clearVoicemails();
}

void ContentWidget::onClearCallHistoryClicked()
{
    if (!m_history)
        return;
    // Every entry goes at once and none comes back: asked first, as a
    // contact's deletion is.
    if (!queryUser(tr("Do you want to clear the call history?"), QString()))
        return;
    m_history->callHistory()->clearHistory();
}

void ContentWidget::onCallRatesClicked()
{
    WebPage::open(this, HomeUrls::instance()->viewRatesURL());
}

void ContentWidget::onSMSRatesClicked()
{
    WebPage::open(this, HomeUrls::instance()->viewSMSRatesURL());
}

void ContentWidget::onBalanceUpdate(const Balance &balance)
{
    TRACE << "Updating balance from ContentWidget";
    m_ui->dialPadPage->updateBalance(balance);
}

void ContentWidget::onContactUpdated(const QString &nick)
{
    m_ui->contactDetailsPage->setContact(nick);
}

void ContentWidget::onContactWriteFailed(const QString &message)
{
    m_contactWriteFailures << message;
    if (m_showingContactWriteFailure)
        return;
    m_showingContactWriteFailure = true;
    const QPointer<ContentWidget> self(this);
    while (self && !m_contactWriteFailures.isEmpty()) {
        const QString text = m_contactWriteFailures.join(QStringLiteral("\n\n"));
        m_contactWriteFailures.clear();
        MessagePrompt::show({parentWidget(), QMessageBox::Warning, tr("Address book"), text, QMessageBox::Ok,
                             QMessageBox::NoButton, Qt::PlainText});
    }
    if (self)
        m_showingContactWriteFailure = false;
}

void ContentWidget::onUsernameEdited()
{
    m_ui->passwordLineEdit->clear();
}

// Sign-in

void ContentWidget::onLoginButtonClicked()
{
    if (loginName().trimmed().isEmpty()) {
        MessagePrompt::critical(parentWidget(), tr("Error"), tr("Please provide a user name!"));
        return;
    }
    if (password().trimmed().isEmpty()) {
        MessagePrompt::critical(parentWidget(), tr("Error"), tr("Please provide a valid password!"));
        return;
    }

    m_autoLoginPending = false;
    if (m_autoLoginTimer)
        m_autoLoginTimer->stop();

    setLoginInProgress(true);
    if (m_settings) {
        m_settings->setRememberLogin(m_ui->rememberMeCheckBox->isChecked());
        m_settings->setAutoLogin(m_ui->signInAutoCheckBox->isChecked());
    }
    const QString user = loginName();
    if (user.contains(QLatin1Char('@')))
        m_ui->pinPage->setUserName(user.section(QLatin1Char('@'), 0, 0));
    emit loginClicked(user, password());
}

void ContentWidget::onLoginOrPasswordEditReturnPressed()
{
    onLoginButtonClicked();
}

void ContentWidget::onCancelLoginClicked()
{
    setLoginInProgress(false);
    emit loginCancelled();
}

void ContentWidget::setLoginInProgress(bool busy)
{
    m_ui->forgotMenuButton->setEnabled(!busy);
    m_ui->newAccountMenuButton->setEnabled(!busy);
    if (busy) {
        m_spinner->start();
        m_ui->loginUserLabel->setText(loginName());
        m_ui->loginPageStackedWidget->setCurrentWidget(m_ui->loginProgressPage);
    } else {
        m_spinner->stop();
        m_ui->loginPageStackedWidget->setCurrentWidget(m_ui->loginFormPage);
    }
}

void ContentWidget::onLoginUserChanged()
{
    if (m_settings && loginName() == m_settings->loginUser(QString())) {
        if (m_settings->rememberLogin(false))
            m_ui->passwordLineEdit->setText(m_settings->loginPassword(QString()));
    } else {
        m_ui->passwordLineEdit->clear();
    }
}

void ContentWidget::onRememberMeCheckBoxTogled(bool on)
{
    if (!on)
        m_ui->signInAutoCheckBox->setChecked(false);
    m_ui->signInAutoCheckBox->setEnabled(on);
}

void ContentWidget::doAutoLogin()
{
    if (!m_settings || !m_settings->autoLogin(false))
        return;
    m_autoLoginPending = true;
    m_connectivityCheck->start();
}

void ContentWidget::onAutoLoginInternetConnectionTimerTimedOut()
{
    m_connectivityCheck->start();
}

void ContentWidget::onInternetConnectionChecked(bool online)
{
    TRACE << "InternetCheckConnection: " << online;
    if (!m_autoLoginPending)
        return;
    if (online) {
        if (m_autoLoginTimer)
            m_autoLoginTimer->stop();
        m_autoLoginPending = false;
        onLoginButtonClicked();
        return;
    }
    if (!m_autoLoginTimer) {
        m_autoLoginTimer = new QTimer(this);
        m_autoLoginTimer->setObjectName(QStringLiteral("autoLoginTimer"));
        m_autoLoginTimer->setInterval(autoLoginRetryInterval);
        connect(m_autoLoginTimer, &QTimer::timeout, this,
                &ContentWidget::onAutoLoginInternetConnectionTimerTimedOut);
    }
    if (!m_autoLoginTimer->isActive())
        m_autoLoginTimer->start();
}

void ContentWidget::onForgotPasswordClicked()
{
    WebPage::open(this, HomeUrls::instance()->forgotPasswordURL());
}

void ContentWidget::onLoginSuccessful()
{
    setView(DialPadView, true);
}

// PIN selection

void ContentWidget::offerPinSelection(const QStringList &pins)
{
    m_ui->pinPage->setPINs(pins);
    setLoginInProgress(false);
    showPinSelection(DialPadView);
}

void ContentWidget::showPinSelection(View returnView)
{
    if (m_loop->isRunning()) {
        TRACE_WARNING << "A question is waiting; the PIN choice is not offered";
        return;
    }

    const QMetaObject::Connection selected
        = connect(m_ui->pinPage, &PINSelectPage::PINSelected, this, &ContentWidget::onPINSelected);
    m_ui->pinPage->setBusy(false);
    setView(PinSelectView, true);
    m_pinReturnView = returnView;

    const int code = m_loop->exec();
    disconnect(selected);

    switch (code) {
    case EndedFromOutside:
        m_pinInterruptionState = 1;
        break;
    case OtherViewChosen:
        break;
    default:
        m_ui->pinPage->setBusy(true);
        break;
    }
}

void ContentWidget::onPinSelectClicked()
{
    if (m_phone && m_phone->currentCall()) {
        const QMessageBox::StandardButton answer = MessagePrompt::question(
            this, tr("Are you sure?"),
            tr("Changing the PIN will end your current call.\nAre you sure you want to do this?"),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        m_ui->dialPadPage->hangup();
    }
    showPinSelection(m_currentView);
}

void ContentWidget::onPINSelected(const QString &pin)
{
    updatePinLabel(pin);
    if (m_loop->isRunning())
        m_loop->exit(Confirmed);
}

void ContentWidget::TMP_endPINprogress()
{
    m_ui->pinPage->setBusy(false);
    setView(m_pinReturnView, true);
}

void ContentWidget::onPinListChanged(const QStringList &pins, const QString &pin)
{
    Q_UNUSED(pins)
    Q_UNUSED(pin)
}

// Calls, hot keys, slide and live-conversation strip.

void ContentWidget::createHotKeys()
{
    m_hotKeys.reset(new HotKeys(this));
    const HotKeys &keys = *m_hotKeys;
    connect(keys[HotKeys::PlaceCall], &QShortcut::activated, this,
            &ContentWidget::onPlaceCallHotKeyActivated);
    connect(keys[HotKeys::PlaceCallTwin], &QShortcut::activated, this,
            &ContentWidget::onPlaceCallHotKeyActivated);
    connect(keys[HotKeys::CancelCall], &QShortcut::activated, m_ui->dialPadPage, &DialPadPage::hangup);
    connect(keys[HotKeys::IncreaseSpeakerVolume], &QShortcut::activated, this,
            &ContentWidget::onIncreaseVolumeHotKeyActivated);
    connect(keys[HotKeys::DecreaseSpeakerVolume], &QShortcut::activated, this,
            &ContentWidget::onDecreaseVolumeHotKeyActivated);
    connect(keys[HotKeys::IncreaseMicVolume], &QShortcut::activated, this,
            &ContentWidget::onIncreaseVolumeHotKeyActivated);
    connect(keys[HotKeys::DecreaseMicVolume], &QShortcut::activated, this,
            &ContentWidget::onDecreaseVolumeHotKeyActivated);
    connect(keys[HotKeys::ShowHideGroups], &QShortcut::activated, this,
            &ContentWidget::onShowHideGroupsHotKeyActivated);
}

void ContentWidget::setupHotkeysForView(View view)
{
    if (!m_settings)
        return;
    const HotKeys &keys = *m_hotKeys;
    keys[HotKeys::CancelCall]->setEnabled(m_settings->cancelCallHotkeyEnabled(true));
    keys[HotKeys::IncreaseSpeakerVolume]->setEnabled(m_settings->increaseSpeakerVolHotkeyEnabled(true));
    keys[HotKeys::DecreaseSpeakerVolume]->setEnabled(m_settings->decreaseSpeakerVolHotkeyEnabled(true));
    keys[HotKeys::IncreaseMicVolume]->setEnabled(m_settings->increaseMicVolHotkeyEnabled(true));
    keys[HotKeys::DecreaseMicVolume]->setEnabled(m_settings->decreaseMicVolHotkeyEnabled(true));

    const bool placeCall = view == DialPadView && m_settings->placeCallHotkeyEnabled(true);
    keys[HotKeys::PlaceCall]->setEnabled(placeCall);
    keys[HotKeys::PlaceCallTwin]->setEnabled(placeCall);
    keys[HotKeys::ShowHideGroups]->setEnabled(view == ContactListView
                                              && m_settings->showHideGroupsHotkeyEnabled(true));
}

void ContentWidget::onPlaceCallHotKeyActivated()
{
    // In the dial pad the key is the call button: it hangs up during a call.
    if (m_currentView == DialPadView)
        m_ui->dialPadPage->callOrHangUp();
    else if (m_currentView == ContactListView)
        m_ui->contactListPage->callCurrentContact();
}

void ContentWidget::onIncreaseVolumeHotKeyActivated()
{
    const bool speaker = sender() == (*m_hotKeys)[HotKeys::IncreaseSpeakerVolume];
    m_ui->volTopMenuButton->setSelected(speaker);
    m_ui->micTopMenuButton->setSelected(!speaker);
    if (speaker)
        m_ui->dialPadPage->showSpeakerVolumePanel();
    else
        m_ui->dialPadPage->showMicVolumePanel();
    m_ui->dialPadPage->increaseVolume(speaker);
}

void ContentWidget::onDecreaseVolumeHotKeyActivated()
{
    const bool speaker = sender() == (*m_hotKeys)[HotKeys::DecreaseSpeakerVolume];
    m_ui->volTopMenuButton->setSelected(speaker);
    m_ui->micTopMenuButton->setSelected(!speaker);
    if (speaker)
        m_ui->dialPadPage->showSpeakerVolumePanel();
    else
        m_ui->dialPadPage->showMicVolumePanel();
    m_ui->dialPadPage->decreaseVolume(speaker);
}

void ContentWidget::onShowHideGroupsHotKeyActivated()
{
    onViewGroupsClicked();
}

talk::MediaEngine *ContentWidget::mediaEngine() const
{
    if (m_talk)
        return m_talk->mediaEngine();
    return m_phone ? m_phone->mediaEngine() : nullptr;
}

talk::Call *ContentWidget::liveCall(const talk::Call *call) const
{
    if (!call || !m_phone)
        return nullptr;
    const QList<talk::Call *> calls = m_phone->calls();
    for (talk::Call *live : calls) {
        if (live == call)
            return live;
    }
    return nullptr;
}

void ContentWidget::stopRing()
{
    m_ringing = false;
    if (talk::MediaEngine *engine = mediaEngine())
        engine->stopPlaying();
}

void ContentWidget::onIncomingCall(const talk::Call *call)
{
    TRACE << "INCOMING CALL";
    if (!call)
        return;
    const QString number = call->remoteJid().node();
    QString caller = number;
    if (m_contactManager) {
        if (const ContactPtr contact = m_contactManager->contactByPhoneNumber(number))
            caller = contact->firstName();
    }

    if (!m_incomingCallDialog) {
        m_incomingCallDialog = new IncomingCallDialog(this);
        connect(m_incomingCallDialog, &IncomingCallDialog::acceptCall, this,
                &ContentWidget::onIncomingCallAccepted);
        connect(m_incomingCallDialog, &IncomingCallDialog::rejectCall, this,
                &ContentWidget::onIncomingCallRejected);
    }
    m_ringingCall = call;
    m_incomingCallDialog->setCaller(caller);

    if (m_history)
        m_history->numberHistory()->addNumber(number, QString());
    m_ui->dialPadPage->setCallHistoryEventType(CallHistoryEvent::Incoming);

    if (!m_ringTone)
        m_ringTone = new RingTone(this);
    m_ringing = m_ringTone->start(mediaEngine());

    m_incomingCallDialog->setModal(false);
    m_incomingCallDialog->show();
}

void ContentWidget::onIncomingCallAccepted()
{
    stopRing();
    talk::Call *call = liveCall(m_ringingCall);
    m_ringingCall = nullptr;
    if (call)
        call->accept(false);
    else
        TRACE_WARNING << "The incoming call is gone; nothing to answer";
}

void ContentWidget::onIncomingCallRejected()
{
    stopRing();
    talk::Call *call = liveCall(m_ringingCall);
    m_ringingCall = nullptr;
    // The library reports a declined call as given up by the caller; the
    // user who declined it has not missed it.
    m_declinedCall = call;
    if (call)
        call->reject();
    else
        TRACE_WARNING << "The incoming call is gone; nothing to decline";
}

void ContentWidget::onIncomingCallHangupDecline(const talk::Call *call)
{
    if (!call)
        return;
    if (call == m_declinedCall) {
        m_declinedCall = nullptr;
        return;
    }
    // Another call may have taken the pop-up meanwhile; it keeps ringing.
    if (call == m_ringingCall) {
        m_ringingCall = nullptr;
        if (m_incomingCallDialog)
            m_incomingCallDialog->hide();
        talk::MediaEngine *engine = mediaEngine();
        if (engine && engine->isPlaying())
            stopRing();
        m_ringing = false;
    }
    m_missedCallNumbers << call->remoteJid().node();
    showMissedCallsDialog();
}

void ContentWidget::onCallInstanceDestroyed(const talk::Call *call)
{
    if (call && call == m_declinedCall)
        m_declinedCall = nullptr;
    if (!call || call != m_ringingCall)
        return;
    // Ended unanswered for another reason than the caller giving up: no
    // missed call, but nothing may keep ringing for it.
    m_ringingCall = nullptr;
    if (m_incomingCallDialog)
        m_incomingCallDialog->hide();
    talk::MediaEngine *engine = mediaEngine();
    if (m_ringing && engine && engine->isPlaying())
        stopRing();
    m_ringing = false;
}

void ContentWidget::showMissedCallsDialog()
{
    if (!m_missedCallsDialog) {
        m_missedCallsDialog = new MissedCallsDialog(this);
        connect(m_missedCallsDialog, &MissedCallsDialog::callNumber, this,
                &ContentWidget::onCallNumberFromMissedCallDialog);
        connect(m_missedCallsDialog, &MissedCallsDialog::sendSMSToNumber, this,
                &ContentWidget::onSendSMSFromMissedCallDialog);
        connect(m_missedCallsDialog, &MissedCallsDialog::accepted, this,
                &ContentWidget::onMissedCallsDialogClosed);
        connect(m_missedCallsDialog, &MissedCallsDialog::rejected, this,
                &ContentWidget::onMissedCallsDialogClosed);
    }
    m_missedCallsDialog->setMissedCallsNumbers(m_missedCallNumbers);
    m_missedCallsDialog->setModal(false);
    m_missedCallsDialog->show();
}

void ContentWidget::onMissedCallsDialogClosed()
{
    m_missedCallNumbers.clear();
}

void ContentWidget::onCallNumberFromMissedCallDialog(const QString &number)
{
    m_missedCallsDialog->hide();
    m_missedCallNumbers.clear();
    TRACE << "Getting signal from MissedCallsDialog" << Trace::tag(number);
    setView(DialPadView, true);
    m_ui->dialPadPage->setNumber(number);
    m_ui->dialPadPage->doCall();
}

void ContentWidget::onSendSMSFromMissedCallDialog(const QString &number)
{
    m_missedCallsDialog->hide();
    m_missedCallNumbers.clear();
    TRACE << "Getting signal from MissedCallsDialog" << Trace::tag(number);
    setView(SmsView, true);
    m_ui->smsPage->setNumber(number);
}

void ContentWidget::onHoldCallClicked()
{
    m_ui->holdTopMenuButton->setSelected(!m_ui->holdTopMenuButton->isSelected());
}

void ContentWidget::onSwapCallClicked()
{
    if (m_callSwitchDialog) {
        m_ui->swapTopMenuButton->setSelected(false);
        m_callSwitchDialog->close();
        return;
    }
    m_ui->swapTopMenuButton->setSelected(true);
    m_callSwitchDialog = new CallSwitchDialog(m_phone, this);
    m_callSwitchDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_callSwitchDialog, &QObject::destroyed, this, &ContentWidget::onCallSwitchDialogClosed);
    m_callSwitchDialog->setModal(false);
    m_callSwitchDialog->show();
}

void ContentWidget::onCallSwitchDialogClosed()
{
    m_callSwitchDialog = nullptr;
}

void ContentWidget::stopRunningSlide()
{
    if (!m_slideGroup || m_slideGroup->state() == QAbstractAnimation::Stopped)
        return;
    // stop() emits no finished(): take the overlays away here, or they would
    // stay over the next view.
    m_slideGroup->stop();
    onAnimationFinished();
}

void ContentWidget::prepareSlide()
{
    const QPixmap outgoing = grab();
    const QSize pictureSize = outgoing.deviceIndependentSize().toSize();
    if (!m_slideBackground) {
        m_slideBackground = new QLabel(this);
        m_slideBackground->setObjectName(QStringLiteral("contentAnimationBackground"));
        m_slideBackground->setAutoFillBackground(true);
        m_slideBackground->setGeometry(0, 0, width(), height());

        m_outgoingSnapshot = new QLabel(this);
        m_outgoingSnapshot->setObjectName(QStringLiteral("outgoingSlideSnapshot"));
        auto *effect = new QGraphicsOpacityEffect(m_outgoingSnapshot);
        effect->setOpacity(1.0);
        m_outgoingSnapshot->setGraphicsEffect(effect);
        m_outgoingSnapshot->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_outgoingSnapshot->setGeometry(0, 0, pictureSize.width(),
                                        pictureSize.height() - visibleBottomMenuHeight());
    }
    m_outgoingSnapshot->setPixmap(outgoing);
    m_slideBackground->show();
    m_slideBackground->raise();
    m_outgoingSnapshot->show();
    m_outgoingSnapshot->raise();
    static_cast<QGraphicsOpacityEffect *>(m_outgoingSnapshot->graphicsEffect())->setOpacity(1.0);
}

int ContentWidget::visibleBottomMenuHeight() const
{
    const QWidget *menu = m_ui->bottomToolbarStackedWidget;
    return menu->isVisibleTo(this) ? menu->height() : 0;
}

void ContentWidget::startSlide()
{
    if (!m_slideBackground)
        return;
    m_slideBackground->hide();
    m_outgoingSnapshot->hide();
    if (m_incomingSnapshot)
        m_incomingSnapshot->hide();
    // The pages just changed; lay them out before the picture is taken.
    if (layout())
        layout()->activate();
    const QPixmap incoming = grab();
    m_slideBackground->show();
    m_slideBackground->raise();
    m_outgoingSnapshot->show();
    m_outgoingSnapshot->raise();

    if (!m_incomingSnapshot) {
        const QSize pictureSize = incoming.deviceIndependentSize().toSize();
        m_incomingSnapshot = new QLabel(this);
        m_incomingSnapshot->setObjectName(QStringLiteral("incomingSlideSnapshot"));
        m_incomingSnapshot->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_incomingSnapshot->setGeometry(0, 0, pictureSize.width(),
                                        pictureSize.height() - visibleBottomMenuHeight());
    }
    m_incomingSnapshot->setPixmap(incoming);
    m_incomingSnapshot->show();
    m_incomingSnapshot->raise();

    if (!m_slideGroup) {
        m_slideGroup = new QParallelAnimationGroup(this);
        auto *slide = new QPropertyAnimation(m_incomingSnapshot, "pos", m_slideGroup);
        slide->setStartValue(QPoint(m_incomingSnapshot->x(), m_incomingSnapshot->height()));
        slide->setEndValue(QPoint(0, 0));
        slide->setDuration(slideDuration);
        auto *fade = new QPropertyAnimation(m_outgoingSnapshot->graphicsEffect(), "opacity", m_slideGroup);
        fade->setStartValue(1.0);
        fade->setEndValue(0.3);
        fade->setDuration(slideDuration);
        m_slideGroup->addAnimation(slide);
        m_slideGroup->addAnimation(fade);
        connect(m_slideGroup, &QParallelAnimationGroup::finished, this, &ContentWidget::onAnimationFinished);
    } else {
        m_slideGroup->stop();
        m_outgoingSnapshot->show();
        m_slideBackground->show();
    }
    m_slideGroup->start();
}

void ContentWidget::onAnimationFinished()
{
    if (m_outgoingSnapshot)
        m_outgoingSnapshot->hide();
    if (m_incomingSnapshot)
        m_incomingSnapshot->hide();
    if (m_slideBackground)
        m_slideBackground->hide();
}

bool ContentWidget::showsConversationPanel(View view)
{
    return view >= SmsView && view <= VoicemailView;
}

void ContentWidget::setCallInfo(const QString &text)
{
    m_ui->callProgressInfoLabel->setText(text);
    m_callInfoShown = !text.isEmpty();
    if (!m_callInfoShown)
        stopConversationPanel(true);
    else if (showsConversationPanel(m_currentView))
        showConversationPanel();
    else
        hideConversationPanel();
}

void ContentWidget::updateConversationPanel()
{
    if (!m_callInfoShown)
        stopConversationPanel(true);
    else if (showsConversationPanel(m_currentView))
        showConversationPanel();
    else
        hideConversationPanel();
}

void ContentWidget::hideConversationPanel()
{
    if (!m_glossTimer || !m_glossLabel)
        return;
    m_glossTimer->stop();
    m_ui->liveConversationPanel->hide();
    m_glossLabel->hide();
}

void ContentWidget::ensureGloss()
{
    if (!m_glossLabel) {
        m_glossLabel = new QLabel(this);
        m_glossLabel->setObjectName(QStringLiteral("glossLiveConversationLabel"));
        m_glossLabel->setGeometry(QRect(QPoint(0, 0), m_ui->liveConversationPanel->size()));
        m_glossLabel->installEventFilter(this);
        m_glossLabel->show();
        m_glossConnections << connect(m_ui->dialPadPage, &DialPadPage::callInfoChanged, m_ui->timeLabel,
                                      &QLabel::setText)
                           << connect(m_ui->backButton, &QPushButton::clicked, this,
                                      &ContentWidget::onConversationBackClicked);
    }
    if (!m_glossTimer) {
        m_glossTimer = new QTimer(this);
        connect(m_glossTimer, &QTimer::timeout, this, &ContentWidget::onGlossAnimation);
    }
}

void ContentWidget::showConversationPanel()
{
    ensureGloss();
    // The focused call's party: an answered incoming call never was in the
    // number entry.
    const talk::Call *call = m_phone ? m_phone->focusedCall() : nullptr;
    m_ui->numberLabel->setText(call ? Phone::remoteNumber(call) : m_ui->dialPadPage->number());
    const bool wasHidden = m_ui->liveConversationPanel->isHidden();
    m_ui->liveConversationPanel->show();
    if (wasHidden && layout()) {
        layout()->activate();
        m_glossLabel->resize(m_glossLabel->width(), m_ui->liveConversationPanel->height());
    }
    m_glossLabel->show();
    m_glossLabel->raise();
    m_glossTimer->start(glossInterval);
}

void ContentWidget::onGlossAnimation()
{
    if (!m_glossLabel)
        return;
    QPoint position(m_glossLabel->x() + glossStep, 0);
    if (position.x() + glossMargin > m_ui->liveConversationPanel->width())
        position.setX(glossMargin - m_glossLabel->width());
    m_glossLabel->move(position);
}

void ContentWidget::stopConversationPanel(bool destroy)
{
    hideConversationPanel();
    if (!destroy)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_glossConnections))
        disconnect(connection);
    m_glossConnections.clear();
    delete m_glossTimer;
    m_glossTimer = nullptr;
    delete m_glossLabel;
    m_glossLabel = nullptr;
}

void ContentWidget::onConversationBackClicked()
{
    setView(DialPadView, true);
}

// Address book

void ContentWidget::connectAddressBookCommands()
{
    ContactListPage *list = m_ui->contactListPage;
    connect(list, &ContactListPage::callContact, this, &ContentWidget::onCallContactRequested);
    connect(list, &ContactListPage::sendSMS, this, &ContentWidget::onSendSMSRequested);
    connect(list, &ContactListPage::viewContactDetailsRequested, this,
            &ContentWidget::onViewContactDetailsRequested);
    connect(list, &ContactListPage::editContactRequested, this, &ContentWidget::onEditContactRequested);
    connect(list, &ContactListPage::deleteContactRequested, this, &ContentWidget::onDeleteContactRequested);
    connect(list, &ContactListPage::editGroupRequested, this, &ContentWidget::onEditGroupRequested);
    connect(list, &ContactListPage::deleteGroupRequested, this, &ContentWidget::onDeleteGroupRequested);
    ContactDetailsPage *details = m_ui->contactDetailsPage;
    connect(details, &ContactDetailsPage::editContactRequested, this, &ContentWidget::onEditContactRequested);
    connect(details, &ContactDetailsPage::deleteContactRequested, this,
            &ContentWidget::onDeleteContactRequested);
    connect(details, &ContactDetailsPage::callContact, this, &ContentWidget::onCallContactRequested);
    connect(details, &ContactDetailsPage::sendSMS, this, &ContentWidget::onSendSMSRequested);
    connect(m_ui->detailsTopMenuBackButton, &QPushButton::clicked, this,
            &ContentWidget::onDetailsBackButtonClicked);
    connect(m_ui->dialPadPage, &DialPadPage::saveNumber, this, &ContentWidget::saveContact);
    connect(m_ui->smsPage, &SMSPage::saveNumber, this, &ContentWidget::saveContact);
}

void ContentWidget::contactListRefresh()
{
    TRACE << "Refreshing contact list";
    m_ui->contactListPage->setContactGroups(contactGroups());
    if (m_currentView == ContactDetailsView)
        m_ui->contactDetailsPage->updateContact();
}

void ContentWidget::onCallContactRequested(const QString &, const QString &number)
{
    setView(DialPadView, true);
    m_ui->dialPadPage->setNumber(number);
    m_ui->dialPadPage->doCall();
}

void ContentWidget::onSendSMSRequested(const QString &, const QString &number)
{
    setView(SmsView, true);
    m_ui->smsPage->setNumber(number);
}

void ContentWidget::onViewContactDetailsRequested(const QString &nick)
{
    // Shown in place when the details are on show already.
    m_ui->contactDetailsPage->setContact(nick);
    setView(ContactDetailsView, true);
}

void ContentWidget::onDetailsBackButtonClicked()
{
    setView(ContactListView, true);
    m_ui->contactDetailsPage->clear();
}

void ContentWidget::onAddContactClicked()
{
    showAddEditContact(QString());
}

void ContentWidget::saveContact(const QString &number)
{
    showAddEditContact(number);
}

void ContentWidget::onEditContactRequested(const QString &nick)
{
    TRACE << "contact nick: " << Trace::tag(nick);
    if (nick.isEmpty() || !m_contactManager || !m_contactManager->contact(nick)) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return;
    }
    showAddEditContact(QString(), nick);
}

void ContentWidget::showAddEditContact(const QString &number, const QString &nick)
{
    AddEditContactDialog dialog(this);
    dialog.setContactManager(m_contactManager);
    if (nick.isEmpty())
        dialog.setAddContact(contactGroups());
    else
        dialog.setEditContact(nick);
    if (!number.isEmpty())
        dialog.setPhoneNumber(number);
    if (dialog.exec() == QDialog::Accepted) {
        TRACE << "Contact added..?";
        contactListRefresh();
    }
}

void ContentWidget::onAddGroupClicked()
{
    showAddEditGroup();
}

void ContentWidget::onEditGroupRequested(const QString &groupName)
{
    const ContactGroupPtr group = m_contactManager ? m_contactManager->group(groupName) : ContactGroupPtr();
    if (!group) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return;
    }
    showAddEditGroup(group);
}

void ContentWidget::showAddEditGroup(const ContactGroupPtr &group)
{
    AddEditGroupDialog dialog(this);
    dialog.setContactManager(m_contactManager);
    if (group)
        dialog.setEditGroup(group);
    else
        dialog.setAddGroup();
    if (dialog.exec() == QDialog::Accepted) {
        TRACE << "Group operation done, refreshing...";
        contactListRefresh();
    }
}

void ContentWidget::onDeleteContactRequested(const QString &nick)
{
    const ContactPtr contact = m_contactManager ? m_contactManager->contact(nick) : ContactPtr();
    if (!contact) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return;
    }
    const QString name = contact->firstName() + QLatin1Char(' ') + contact->lastName();
    if (!queryUser(tr("Do you want to delete this contact?"), name))
        return;
    // The book may have changed while the question was open.
    const ContactPtr current = m_contactManager->contact(nick);
    if (!current)
        return;
    m_ui->contactDetailsPage->clear();
    m_contactManager->deleteContact(current);
    m_ui->contactListPage->setContactGroups(contactGroups());
    if (m_currentView == ContactDetailsView)
        setView(ContactListView, true);
}

void ContentWidget::onDeleteGroupRequested(const QString &groupName, bool moveContacts)
{
    if (!m_contactManager || !m_contactManager->group(groupName)) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return;
    }
    const QString question
        = moveContacts ? tr("Delete group, move contacts?") : tr("Delete group and contacts?");
    if (!queryUser(question, groupName))
        return;

    QString target;
    if (moveContacts) {
        QStringList names;
        for (const ContactGroupPtr &other : contactGroups()) {
            if (other->name() != groupName)
                names << other->name();
        }
        // Moving needs a group to take the contacts.
        if (names.isEmpty()) {
            TRACE << "No other group to move the contacts of" << Trace::tag(groupName) << "to";
            return;
        }
        bool ok = false;
        target = QInputDialog::getItem(this, QStringLiteral("Select Group"), QStringLiteral("Group:"), names,
                                       0, false, &ok);
        if (!ok)
            return;
    }

    const ContactGroupPtr group = m_contactManager->group(groupName);
    if (!group || (moveContacts && !m_contactManager->group(target))) {
        TRACE << "Group" << Trace::tag(groupName) << "or" << Trace::tag(target)
              << "left the address book meanwhile";
        return;
    }
    m_contactManager->deleteGroup(group, target, moveContacts);
    m_ui->contactListPage->setContactGroups(contactGroups());
}
