#include "ui/mainwindow.h"
#include "ui_mainwindow.h"
#include "ui_mainwindowmenu.h"

#include "crashreporter.h"
#include "history/history.h"
#include "history/loginhistory.h"
#include "objfactory.h"
#include "rest/group.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "talk/mediaengine.h"
#include "talk/plixtalk.h"
#include "talk/proxysettings.h"
#include "ui/contentwidget.h"
#include "ui/importcontactsdialog.h"
#include "ui/incomingcalldialog.h"
#include "ui/messageprompt.h"
#include "ui/minimizetotraydialog.h"
#include "ui/proxysettingsdialog.h"
#include "ui/settingsdialog.h"
#include "ui/webpage.h"
#include "ui/welcomedialog.h"
#include "update/updater.h"
#include "util/connectivitycheck.h"
#include "util/systemtray.h"
#include "util/trace.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QShortcut>
#include <QTimer>

#include <cstdlib>

namespace {

const int questionDelay = 100;
const int resumeRetryInterval = 2000;

int proxyModeFor(QNetworkProxy::ProxyType type)
{
    switch (type) {
    case QNetworkProxy::HttpProxy:
        return 1;
    case QNetworkProxy::Socks5Proxy:
        return 2;
    case QNetworkProxy::NoProxy:
        return 3;
    default:
        return 0;
    }
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent, Qt::FramelessWindowHint)
    , m_ui(new Ui::MainWindow)
    , m_menuUi(new Ui::MainWindowMenu)
    , m_resumeCheck(new ConnectivityCheck(this))
    , m_resumeTimer(new QTimer(this))
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    m_ui->verticalSpacer->changeSize(20, 28, QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto *menuLayout = new QHBoxLayout(m_ui->menuPlaceholder);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    auto *menuBar = new QMenuBar(m_ui->menuPlaceholder);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false);
    m_menuUi->setupUi(menuBar);
    menuLayout->addWidget(menuBar);

    setLoggedInActionsEnabled(false);

    connect(m_ui->closeButton, &QPushButton::clicked, this, &MainWindow::onCloseTriggered);
    connect(m_ui->minimizeButton, &QPushButton::clicked, this, &MainWindow::onMinimizeClicked);
    setLogoutButtonHandler(false);
    connect(m_menuUi->actionSettings, &QAction::triggered, this, &MainWindow::onSettingsActionTriggered);
    connect(m_menuUi->actionLogout, &QAction::triggered, this, &MainWindow::requestLogout);
    connect(m_menuUi->actionClose, &QAction::triggered, this, &MainWindow::onCloseTriggered);
    connect(m_menuUi->actionContact_List, &QAction::triggered, this, &MainWindow::onChangeViewActionTriggerd);
    connect(m_menuUi->actionAdd_Contact, &QAction::triggered, this, &MainWindow::onAddContactActionTriggered);
    connect(m_menuUi->actionCreate_Group, &QAction::triggered, this,
            &MainWindow::onCreateGroupActionTriggered);
    connect(m_menuUi->actionImport_contacts, &QAction::triggered, this,
            &MainWindow::onImportContactsActionTriggered);
    connect(m_menuUi->actionGet_more_credit, &QAction::triggered, this,
            &MainWindow::onMenuURLActionTriggered);
    connect(m_menuUi->actionSMS, &QAction::triggered, this, &MainWindow::onChangeViewActionTriggerd);
    connect(m_menuUi->actionOnline_number, &QAction::triggered, this,
            &MainWindow::onChangeViewActionTriggerd);
    connect(m_menuUi->actionCall_History, &QAction::triggered, m_ui->contentWidget,
            &ContentWidget::showCallHistory);
    connect(m_menuUi->actionView_calling_rates, &QAction::triggered, this,
            &MainWindow::onMenuURLActionTriggered);
    connect(m_menuUi->actionView_sms_rates, &QAction::triggered, this, &MainWindow::onMenuURLActionTriggered);
    connect(m_menuUi->actionAbout_Linkora, &QAction::triggered, this, &MainWindow::onAboutActionTriggered);
    connect(m_menuUi->actionContact_us, &QAction::triggered, this, &MainWindow::onMenuURLActionTriggered);
    connect(m_menuUi->actionLinkora_Homepage, &QAction::triggered, this,
            &MainWindow::onMenuURLActionTriggered);
    connect(m_menuUi->actionCheck_for_updates, &QAction::triggered, this,
            &MainWindow::onCheckForUpdatesTriggered);
    connect(m_menuUi->actionShow_welcome_screen, &QAction::triggered, this, &MainWindow::showWelcomeDialog);

    // Parented to the window so that it goes with it.
    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setObjectName(QStringLiteral("trayIcon"));
    m_trayIcon->setContextMenu(m_menuUi->menuTray);
    m_trayIcon->setToolTip(QCoreApplication::applicationName());
    m_trayIcon->setIcon(QIcon(QStringLiteral(":/gfx/system-tray-icon-offline.png")));
    m_trayIcon->setVisible(true);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::onSysTrayActivated);
    connect(m_menuUi->actionShow_Phone, &QAction::triggered, this, &MainWindow::onShowPhoneActionTriggered);
    connect(m_menuUi->action_Call_Contact, &QAction::triggered, this, &MainWindow::onCallContactTriggered);
    connect(m_menuUi->action_Call_Phone_number, &QAction::triggered, this,
            &MainWindow::onCallPhoneNumberTriggered);
    connect(m_menuUi->actionQuit, &QAction::triggered, this, &MainWindow::requestQuit);
    connect(m_ui->contentWidget, &ContentWidget::loginClicked, this, &MainWindow::onLoginClicked);
    connect(m_ui->contentWidget, &ContentWidget::loginCancelled, this, &MainWindow::onLoginCancelled);

    auto *crashShortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Alt+W")), this);
    crashShortcut->setContext(Qt::ApplicationShortcut);
    connect(crashShortcut, &QShortcut::activated, this, &MainWindow::crashApp);

    setWindowTitle(tr("Halvetta - Linkora"));

    setMinimumSize(QPixmap(QStringLiteral(":/gfx/mainwindow.png")).size());
    updateGeometry();

    m_resumeCheck->setObjectName(QStringLiteral("resumeConnectivityCheck"));
    m_resumeTimer->setObjectName(QStringLiteral("resumeRetryTimer"));
    m_resumeTimer->setSingleShot(true);
    m_resumeTimer->setInterval(resumeRetryInterval);
    connect(m_resumeTimer, &QTimer::timeout, this, &MainWindow::onResume);
    connect(m_resumeCheck, &ConnectivityCheck::finished, this, &MainWindow::onResumeConnectivityChecked);
}

MainWindow::~MainWindow()
{
    if (m_trayIcon && m_trayIcon->isVisible())
        m_trayIcon->hide();
}

ContentWidget *MainWindow::contentWidget() const
{
    return m_ui->contentWidget;
}

void MainWindow::setSettings(Settings *settings)
{
    m_settings = settings;
    m_ui->contentWidget->setSettings(settings);
}

void MainWindow::setPhone(Phone *phone)
{
    m_phone = phone;
    m_ui->contentWidget->setPhone(phone);
    if (!phone)
        return;
    connect(phone, &Phone::loginSuccessful, this, &MainWindow::logIn);
    connect(phone, &Phone::loginFailed, this, &MainWindow::onLoginFailed);
    // Queued, so that their message boxes never run inside the talk
    // library's call-backs.
    const auto lossConnection = static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::UniqueConnection);
    connect(phone, &Phone::connectionMissed, this, &MainWindow::onConnectionMissed, lossConnection);
    connect(phone, &Phone::connectionReplaced, this, &MainWindow::onConnectionReplaced, lossConnection);
    connect(phone, &Phone::connectionErrorOccured, this, &MainWindow::onConnectionError, lossConnection);
}

void MainWindow::setUrls(HomeUrls *urls)
{
    m_urls = urls;
}

void MainWindow::setRestManager(RestManager *restManager)
{
    m_restManager = restManager;
}

void MainWindow::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
    m_ui->contentWidget->setContactManager(contactManager);
}

void MainWindow::setHistory(History *history)
{
    m_history = history;
    m_ui->contentWidget->setHistory(history);
}

void MainWindow::setTalk(talk::PlixTalk *talk)
{
    m_talk = talk;
    m_ui->contentWidget->setTalk(talk);
}

void MainWindow::setDetectedProxiesSource(std::function<QList<QNetworkProxy>()> source)
{
    m_detectedProxiesSource = std::move(source);
}

void MainWindow::setLoggedInActionsEnabled(bool on)
{
    m_menuUi->menuContacts->menuAction()->setVisible(on);
    m_menuUi->actionLogout->setEnabled(on);
    m_menuUi->actionGet_more_credit->setEnabled(on);
    m_menuUi->actionSMS->setEnabled(on);
    m_menuUi->actionOnline_number->setEnabled(on);
    m_menuUi->actionCall_History->setEnabled(on);
    m_menuUi->actionView_calling_rates->setEnabled(on);
    m_menuUi->actionView_sms_rates->setEnabled(on);
    m_menuUi->actionSettings->setEnabled(on);
    m_menuUi->actionShow_welcome_screen->setEnabled(on);
    m_menuUi->action_Call_Contact->setEnabled(on);
    m_menuUi->action_Call_Phone_number->setEnabled(on);
}

void MainWindow::setLogoutButtonHandler(bool loggedIn)
{
    // Exactly one handler, however often the state changes.
    disconnect(m_ui->logoutButton, &QPushButton::clicked, this, &MainWindow::requestLogout);
    disconnect(m_ui->logoutButton, &QPushButton::clicked, this, &MainWindow::onCloseTriggered);
    if (loggedIn)
        connect(m_ui->logoutButton, &QPushButton::clicked, this, &MainWindow::requestLogout);
    else
        connect(m_ui->logoutButton, &QPushButton::clicked, this, &MainWindow::onCloseTriggered);
}

// Moving the frameless window by its background

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragPosition = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && m_dragging) {
        move(event->globalPosition().toPoint() - m_dragPosition);
        event->accept();
    }
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        m_dragPosition = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
    }
}

// Signing in and out

void MainWindow::showLogIn()
{
    m_ui->contentWidget->setView(ContentWidget::LoginView, false);
    m_ui->contentWidget->doAutoLogin();
    show();
}

void MainWindow::onLoginClicked(const QString &user, const QString &password)
{
    m_proxyRecoveryTried = false;
    m_loginUser = user;
    m_loginPassword = password;
    if (m_phone)
        m_phone->setCredentials(user, password);
}

void MainWindow::onLoginCancelled()
{
    TRACE << "Sign-in cancelled by the user";
    doLogOut();
}

void MainWindow::logIn()
{
    m_ui->contentWidget->setView(ContentWidget::DialPadView, true);
    m_ui->contentWidget->setLoginInProgress(false);
    setLoggedInActionsEnabled(true);
    m_ui->logoutCloseLabel->setText(tr("LOGOUT"));
    setLogoutButtonHandler(true);
    m_loggedIn = true;

    if (m_settings && m_settings->rememberLogin(false)) {
        m_settings->setLoginUser(m_loginUser);
        m_settings->setLoginPassword(m_loginPassword);
        if (m_history)
            m_history->loginHistory()->addIfNew(m_loginUser);
    }

    // Modal: posted, so that it does not run inside the login signal.
    if (m_settings && m_settings->showWelcome(true))
        QTimer::singleShot(0, this, &MainWindow::showWelcomeDialog);
}

void MainWindow::enterLoggedOutState()
{
    m_ui->contentWidget->setView(ContentWidget::LoginView, false);
    setLoggedInActionsEnabled(false);
    m_ui->logoutCloseLabel->setText(tr("CLOSE"));
    setLogoutButtonHandler(false);
    m_ui->contentWidget->clearDialpad();
    m_loggedIn = false;
}

void MainWindow::doLogOut()
{
    // Nor does a sign-in wait for the end of a suspend any more.
    m_resumeLogin = false;
    enterLoggedOutState();
    if (m_phone)
        m_phone->logout();
}

// Quitting

void MainWindow::requestQuit()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
    m_ui->contentWidget->cancelQuery();
    QTimer::singleShot(questionDelay, this, &MainWindow::showQuitQuery);
}

void MainWindow::requestLogout()
{
    if (!isVisible())
        show();
    m_ui->contentWidget->cancelQuery();
    QTimer::singleShot(questionDelay, this, &MainWindow::showLogoutQuery);
}

void MainWindow::showQuitQuery()
{
    if (!m_ui->contentWidget->queryUser(tr("Quit?"), QString()))
        return;
    if (m_phone && m_phone->isConnected()) {
        // The event loop ends once the logout is through.
        connect(m_phone, &Phone::logoutSuccessful, this, &MainWindow::quitApplication,
                static_cast<Qt::ConnectionType>(Qt::SingleShotConnection | Qt::UniqueConnection));
        m_phone->logout();
    } else {
        quitApplication();
    }
}

void MainWindow::showLogoutQuery()
{
    if (m_ui->contentWidget->queryUser(tr("Logout?"), QString()))
        doLogOut();
}

void MainWindow::quitApplication()
{
    // Not quit(): it first closes every window, and this one answers a close
    // by asking again or hiding to the tray, and the update dialog refuses
    // one while it downloads. The user has answered; the windows go with the
    // application object.
    QCoreApplication::exit(0);
}

void MainWindow::onCloseTriggered()
{
    // Without a tray a hidden window could not be found again, and "Quit"
    // lives in the tray's menu: closing then asks to quit.
    if ((!m_settings || m_settings->minimizeToTrayOnClose(true)) && SystemTray::isAvailable()) {
        hide();
        maybeShowHidingToTrayDialog();
        return;
    }
    requestQuit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closed as it stands, the window would be gone with the program still
    // running, and without a tray nothing would bring it back.
    event->ignore();
    onCloseTriggered();
}

void MainWindow::maybeShowHidingToTrayDialog()
{
    const bool hint = !m_settings || m_settings->minimizeToTrayHint(true);
    TRACE << "Minimize to tray hint:" << hint;
    if (!hint)
        return;
    MinimizeToTrayDialog dialog;
    dialog.setSettings(m_settings);
    dialog.exec();
}

// Showing the window from outside

void MainWindow::onShowPhoneActionTriggered()
{
    showNormal();
    activateWindow();
}

void MainWindow::onSysTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick)
        onShowPhoneActionTriggered();
}

void MainWindow::onCallContactTriggered()
{
    showNormal();
    activateWindow();
    m_ui->contentWidget->setView(ContentWidget::ContactListView, true);
}

void MainWindow::onCallPhoneNumberTriggered()
{
    showNormal();
    activateWindow();
    m_ui->contentWidget->setView(ContentWidget::DialPadView, true);
}

void MainWindow::onMinimizeClicked()
{
    showMinimized();
}

// Menu commands

void MainWindow::onChangeViewActionTriggerd()
{
    const QObject *action = sender();
    if (action == m_menuUi->actionSMS)
        m_ui->contentWidget->setView(ContentWidget::SmsView, true);
    else if (action == m_menuUi->actionOnline_number)
        m_ui->contentWidget->setView(ContentWidget::VirtualNumbersView, true);
    else if (action == m_menuUi->actionContact_List)
        m_ui->contentWidget->setView(ContentWidget::ContactListView, true);
}

void MainWindow::onAddContactActionTriggered()
{
    m_ui->contentWidget->onAddContactClicked();
}

void MainWindow::onCreateGroupActionTriggered()
{
    m_ui->contentWidget->onAddGroupClicked();
}

void MainWindow::onMenuURLActionTriggered()
{
    if (!m_urls)
        return;
    const QObject *action = sender();
    QUrl url;
    if (action == m_menuUi->actionGet_more_credit)
        url = m_urls->buyCreditURL();
    else if (action == m_menuUi->actionView_calling_rates)
        url = m_urls->viewRatesURL();
    else if (action == m_menuUi->actionView_sms_rates)
        url = m_urls->viewSMSRatesURL();
    else if (action == m_menuUi->actionContact_us)
        url = m_urls->contactURL();
    else if (action == m_menuUi->actionLinkora_Homepage)
        url = m_urls->homePageURL();
    else
        return;
    WebPage::open(this, url);
}

void MainWindow::onAboutActionTriggered()
{
    const QString name = QCoreApplication::applicationName();
    MessagePrompt::about(this, QStringLiteral("About ") + name,
                         name + QStringLiteral(", version ") + QCoreApplication::applicationVersion());
}

void MainWindow::onCheckForUpdatesTriggered()
{
    ObjFactory::instance()->updater()->startCheckForUpdatesWithUI();
}

void MainWindow::onSettingsActionTriggered()
{
    const bool customProxy = m_settings && m_settings->customProxy(false);
    const talk::ProxySettings proxy = m_settings ? m_settings->proxySettings() : talk::ProxySettings();

    SettingsDialog dialog(m_talk, m_settings);
    dialog.setSystemTrayAvailable(SystemTray::isAvailable());
    const bool saved = dialog.exec() == QDialog::Accepted;
    m_ui->contentWidget->configureHotKeys();
    if (!m_settings || !m_talk)
        return;

    // The custom proxy is stored as soon as its own dialog confirms it, so
    // the connection follows it however the preferences were closed.
    const bool nowCustom = m_settings->customProxy(false);
    if (nowCustom && (!customProxy || !(m_settings->proxySettings() == proxy))) {
        m_talk->setProxySettings(m_settings->proxySettings());
    } else if (!nowCustom && customProxy) {
        m_talk->setProxySettings(talk::ProxySettings());
    }
    // The devices saved are the ones the engine plays through.
    talk::MediaEngine *engine = m_talk->mediaEngine();
    if (saved && engine && engine->isInitialized())
        engine->pickDefaultDevices(false);
}

void MainWindow::onImportContactsActionTriggered()
{
    ImportContactsDialog dialog(this);
    dialog.setRestManager(m_restManager);
    dialog.setContactManager(m_contactManager);
    QStringList names;
    const QList<ContactGroupPtr> groups = m_ui->contentWidget->contactGroups();
    for (const ContactGroupPtr &group : groups)
        names << group->group()->name();
    dialog.setGroups(names);
    dialog.exec();
}

void MainWindow::showWelcomeDialog()
{
    // A sign-in completed again while the dialog is open does not stack a second.
    if (m_welcomeDialogOpen)
        return;
    m_welcomeDialogOpen = true;
    WelcomeDialog dialog(m_talk ? m_talk->mediaEngine() : nullptr);
    dialog.exec();
    m_welcomeDialogOpen = false;
    // The dialog has no parent: closing it hands the activation back to no
    // window, and the keys typed next would reach no field.
    if (isVisible())
        activateWindow();
}

bool MainWindow::showIncommingCall(const QString &caller)
{
    IncomingCallDialog dialog(this);
    dialog.setCaller(caller);
    return dialog.exec() == QDialog::Accepted;
}

void MainWindow::crashApp()
{
    // Exercises the crash reporter; a build that reports nothing keeps running.
    if (CrashReporter::buildId() == QLatin1String("none")) {
        TRACE << "Crash requested, but crash reporting is off";
        return;
    }
    TRACE << "Crash requested";
    std::abort();
}

// Failed logins and lost connections

void MainWindow::onLoginFailed(Phone::LoginError error)
{
    m_ui->contentWidget->setLoginInProgress(false);
    doLogOut();

    QString message;
    switch (error) {
    case Phone::WrongCredentials:
        message = tr("Wrong credentials.\nCheck your username or password.");
        break;
    case Phone::WrongUser:
        message = tr("You can't login with a different user.");
        break;
    case Phone::ConnectionFailed:
    case Phone::ProxyFailed:
        if (!m_proxyRecoveryTried) {
            m_proxyRecoveryTried = true;
            recoverFromNetworkLoginFailure();
        } else {
            // The recovery did not help: say so and stay on the login form.
            message = tr("Cannot connect to the internet.\nPlease check your internet connection.");
        }
        break;
    default:
        message = tr("Problem on the server side.\nPlease try again later.");
        break;
    }
    if (!message.isEmpty())
        MessagePrompt::information(this, tr("Login Failed"), message);
    TRACE << message;
}

void MainWindow::recoverFromNetworkLoginFailure()
{
    talk::ProxySettings proxySettings;
    const QList<QNetworkProxy> detected
        = m_detectedProxiesSource ? m_detectedProxiesSource() : QList<QNetworkProxy>();
    if (!detected.isEmpty()) {
        const QNetworkProxy &proxy = detected.first();
        QNetworkProxy::setApplicationProxy(proxy);
        proxySettings.setHost(proxy.hostName());
        proxySettings.setPort(proxy.port());
        proxySettings.setMode(proxyModeFor(proxy.type()));
        if (!proxy.user().isEmpty()) {
            proxySettings.setAuthEnabled(true);
            proxySettings.setUsername(proxy.user());
            proxySettings.setPassword(proxy.password());
        } else {
            proxySettings.setAuthEnabled(false);
        }
    } else {
        const QMessageBox::StandardButton answer
            = MessagePrompt::question(this, tr("Login Failed"),
                                      tr("Cannot connect to the internet.\nPlease check your internet "
                                         "connection.\nDo you use a proxy?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
        bool custom = false;
        if (answer == QMessageBox::Yes) {
            ProxySettingsDialog dialog(centralWidget());
            if (m_settings)
                dialog.setProxySettings(m_settings->proxySettings());
            dialog.setMessage(
                tr("There seems to be a problem with your internet connection.\nIf you use a proxy "
                   "to connect to the internet, enter the details below."));
            if (dialog.exec() == QDialog::Accepted) {
                proxySettings = dialog.proxySettings();
                custom = true;
            }
        }
        if (m_settings) {
            m_settings->setCustomProxy(custom);
            if (custom)
                m_settings->setProxySettings(proxySettings);
        }
        if (!custom)
            proxySettings.setMode(0);
    }

    if (m_talk)
        m_talk->setProxySettings(proxySettings);
    if (m_phone)
        m_phone->requestAccount();
    m_ui->contentWidget->setLoginInProgress(true);
}

void MainWindow::reportConnectionLoss(const QString &title, const QString &text)
{
    // The state is decided before the box opens: logged out, the session's
    // reconnection stopped. A reconnection landing while the user reads the
    // box would otherwise sign in behind it (or fail into more boxes), and
    // the box's Ok would then end the fresh session.
    doLogOut();
    MessagePrompt::information(this, title, text);
}

void MainWindow::onConnectionMissed()
{
    reportConnectionLoss(tr("Connection problem"), tr("Your internet connection is no longer available."));
}

void MainWindow::onConnectionReplaced()
{
    reportConnectionLoss(tr("Remote login"), tr("You've logged in on another machine."));
}

void MainWindow::onConnectionError()
{
    reportConnectionLoss(tr("Connection problem"),
                         tr("Unknown connection error.\nPlease contact Customer Support."));
}

// Suspend and resume

void MainWindow::setPowerState(int state)
{
    if (state == m_powerState)
        return;
    m_powerState = state;
    if (state == 1)
        onSuspend();
    else if (state == 2)
        onResume();
}

void MainWindow::onSuspend()
{
    TRACE << "Suspending: logging out";
    m_resumeTimer->stop();
    // A sign-in under way ends with the logout as well; either way the user
    // is signed in again after the resume.
    if (m_loggedIn || (m_phone && m_phone->sessionState() == Phone::SigningIn))
        m_resumeLogin = true;
    if (m_phone)
        m_phone->logout();
}

void MainWindow::onResume()
{
    if (m_powerState != 2)
        return;
    TRACE << "Resumed: waiting for the network";
    // The phone was logged out for the suspend: a window that still shows
    // the logged-in state goes to the login page, busy until it has signed
    // in again.
    if (m_resumeLogin) {
        if (m_loggedIn) {
            enterLoggedOutState();
            m_ui->contentWidget->setLoginName(m_loginUser);
        }
        m_ui->contentWidget->setLoginInProgress(true);
    }
    m_resumeCheck->start();
}

void MainWindow::onResumeConnectivityChecked(bool online)
{
    if (m_powerState != 2)
        return;
    if (!online) {
        m_resumeTimer->start();
        return;
    }
    TRACE << "Network is back";
    if (m_resumeLogin) {
        m_resumeLogin = false;
        m_proxyRecoveryTried = false;
        if (m_phone)
            m_phone->requestAccount();
    }
}
