#include "ui/contentwidget.h"
#include "ui_contentwidget.h"

#include "history/history.h"
#include "history/loginhistory.h"
#include "phone/phone.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "ui/contactmanager.h"
#include "ui/messageprompt.h"
#include "util/connectivitycheck.h"
#include "util/trace.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMovie>
#include <QTimer>

namespace {

// Exit codes of the nested loop that waits for a question or a PIN choice.
enum LoopExit { OtherViewChosen = 0, Confirmed = 1, Cancelled = 2, EndedFromOutside = 3 };

const int autoLoginRetryInterval = 1000;

} // namespace

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
            &CallHistoryPage::setCallHistoryFilter);
    connect(m_voicemailFilterGroup, &QButtonGroup::idClicked, m_ui->voicemailPage,
            &VoicemailPage::setVoicemailHistoryFilter);
    connect(m_ui->loginButton, &QPushButton::clicked, this, &ContentWidget::onLoginButtonClicked);
    connect(m_ui->passwordLineEdit, &QLineEdit::returnPressed, this,
            &ContentWidget::onLoginOrPasswordEditReturnPressed);
    connect(m_ui->loginCombo->lineEdit(), &QLineEdit::returnPressed, this,
            &ContentWidget::onLoginOrPasswordEditReturnPressed);
    connect(m_ui->loginCombo->lineEdit(), &QLineEdit::textEdited, this, &ContentWidget::onUsernameEdited);
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
    m_ui->dialPadMenuButton->setText(tr("DIAL PAD"));
    m_ui->contactListMenuButton->setText(tr("CONTACT LIST"));
    m_ui->virtualNumberMenuButton->setText(tr("VIRTUAL NUMBER"));
    m_ui->callForwardMenuButton->setText(tr("CALL<br/>FORWARD"));

    m_ui->callForwardMenuButton->hide();
    m_ui->pendingCallInfoWidget->hide();

    // The toolbars' buttons show captions only, some on two lines: their empty
    // icon labels would take the room of the second line.
    const QList<MenuButton *> toolbarButtons = m_ui->topToolBarStackedWidget->findChildren<MenuButton *>();
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
}

ContentWidget::~ContentWidget() = default;

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
    connect(phone, &Phone::loginSuccessful, this, &ContentWidget::onLoginSuccessful);
    connect(phone, &Phone::balanceUpdate, this, &ContentWidget::onBalanceUpdate);
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
}

void ContentWidget::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
    m_ui->contactDetailsPage->setContactManager(contactManager);
    if (contactManager)
        connect(contactManager, &ContactManager::contactUpdated, this, &ContentWidget::onContactUpdated,
                Qt::UniqueConnection);
}

void ContentWidget::setView(View view, bool animated)
{
    if (view == m_currentView)
        return;

    // The question page never slides, in or out.
    if (view == QueryUserView || m_currentView == QueryUserView) {
        m_ui->queryUserOkButton->setDefault(true);
        animated = false;
    } else {
        m_ui->queryUserOkButton->setDefault(false);
    }
    Q_UNUSED(animated)

    m_ui->bottomToolbarStackedWidget->show();
    m_currentView = view;

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
        break;
    }
    }

    m_ui->contactCallHistoryTopMenuButton->hide();
}

bool ContentWidget::queryUser(const QString &question, const QString &extra)
{
    // One wait at a time: a second question gets no answer from the user.
    if (m_loop->isRunning()) {
        TRACE_WARNING << "A question is already waiting; not asking" << question;
        return false;
    }

    const View previousView = m_currentView;
    m_ui->queryUserQuestionLabel->setWordWrap(true);
    m_ui->queryUserQuestionLabel->setText(question);
    m_ui->queryUserExtraLabel->setText(extra);
    setView(QueryUserView, true);

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
        const QString symbol = m_phone ? m_phone->balance().currencySymbol() : QString();
        balanceText = symbol + QString::asprintf("%.02f", amount);
        m_ui->pinLabel->setCursor(Qt::ArrowCursor);
        m_ui->pinLabel->setToolTip(QString());
    } else {
        balanceText = QStringLiteral("<font color=red><b>BUY</b></font>");
        m_ui->pinLabel->setCursor(Qt::PointingHandCursor);
        m_ui->pinLabel->setToolTip(tr("Click to buy credit"));
    }
    m_ui->pinLabel->clear();
    m_ui->pinLabel->setText(tr("PIN: %1 - %2").arg(pinText, balanceText));
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
    // The hot keys of the central area are not built yet.
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
    TRACE_NOTIMPL;
}

void ContentWidget::onAddContactClicked()
{
    TRACE_NOTIMPL;
}

void ContentWidget::onAddGroupClicked()
{
    TRACE_NOTIMPL;
}

bool ContentWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_ui->liveConversationPanel) {
            setView(DialPadView, true);
            return true;
        }
        if (watched == m_ui->pinLabel && m_phone && credit() == 0.0)
            QDesktopServices::openUrl(HomeUrls::instance()->buyCreditURL());
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
    // What clearing the call history means is not settled yet.
}

void ContentWidget::onCallRatesClicked()
{
    QDesktopServices::openUrl(HomeUrls::instance()->viewRatesURL());
}

void ContentWidget::onSMSRatesClicked()
{
    QDesktopServices::openUrl(HomeUrls::instance()->viewSMSRatesURL());
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
        m_autoLoginTimer->setInterval(autoLoginRetryInterval);
        connect(m_autoLoginTimer, &QTimer::timeout, this,
                &ContentWidget::onAutoLoginInternetConnectionTimerTimedOut);
    }
    if (!m_autoLoginTimer->isActive())
        m_autoLoginTimer->start();
}

void ContentWidget::onForgotPasswordClicked()
{
    QDesktopServices::openUrl(HomeUrls::instance()->forgotPasswordURL());
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
