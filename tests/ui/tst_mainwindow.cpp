#include "history/history.h"
#include "history/loginhistory.h"
#include "history/numberhistory.h"
#include "mainwindowrig.h"
#include "objfactory.h"
#include "phone/phonerig.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "support/testdisk.h"
#include "support/testenvironment.h"
#include "support/testtls.h"
#include "support/uilook.h"
#include "support/updateserverstandin.h"
#include "ui/contentwidget.h"
#include "ui/flagpopup.h"
#include "ui/incomingcalldialog.h"
#include "ui/mainwindow.h"
#include "ui/menubutton.h"
#include "ui/messageprompt.h"
#include "ui/proxysettingsdialog.h"
#include "ui/welcomedialog.h"
#include "uitesthelpers.h"
#include "update/updater.h"
#include "update/updaterdialog.h"
#include "update/updaterhelper.h"
#include "util/connectivitycheck.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMovie>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

using namespace UiTesting;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

using Client = MainWindowRig;

// Acts on the next modal dialog once it is up.
void onNextModalDialog(std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start();
}

// Records every modal dialog that comes up and hands it to the action,
// which must close it, while it lives.
class ModalWatcher
{
public:
    explicit ModalWatcher(std::function<void(QDialog *)> action)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, action] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog == m_last)
                return;
            m_last = dialog;
            dialogs << dialog->metaObject()->className();
            action(dialog);
        });
        m_timer.start();
    }
    Q_DISABLE_COPY(ModalWatcher)

    QStringList dialogs;

private:
    QTimer m_timer;
    QPointer<QDialog> m_last;
};

// Runs the action once the in-page question is up. The question waits in a
// nested event loop, so the answer must be on its way before it is asked.
void whenAsked(Client &client, std::function<void()> action)
{
    auto *timer = new QTimer(client.window.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, &client, action] {
        if (client.content()->currentView() != ContentWidget::QueryUserView)
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

void clickButton(Client &client, const char *name)
{
    client.child<QPushButton>(name)->click();
}

QString question(Client &client)
{
    return client.child<QLabel>("queryUserQuestionLabel")->text();
}

} // namespace

class TestMainWindowCase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsLoggedOut();
    void signsInThroughTheLoginView();
    void rememberedLoginSignsInAutomaticallyAfterARestart();
    void loginErrorsShowTheirMessage_data();
    void loginErrorsShowTheirMessage();
    void networkFailureRecoversOnceThroughTheDetectedProxy();
    void networkFailureAsksForAProxy_data();
    void networkFailureAsksForAProxy();
    void connectionLossReturnsToTheLoginView_data();
    void connectionLossReturnsToTheLoginView();
    void quitIsAskedInThePage();
    void quitWhileConnectedWaitsForTheLogout();
    void connectionLossDuringTheQuitQuestionKeepsTheLoginView();
    void logoutButtonKeepsOneHandler();
    void closeHidesToTheTray_data();
    void closeHidesToTheTray();
    void suspendAndResume_data();
    void suspendAndResume();
    void signInCanBeCancelled_data();
    void signInCanBeCancelled();
    void welcomeDialogAfterSignInAndFromTheMenu_data();
    void welcomeDialogAfterSignInAndFromTheMenu();
    void incomingCallPopupAnswers_data();
    void incomingCallPopupAnswers();
    void addressBookThroughTheWindow();
    void addressBookFailuresAreShownOneAtATime();
    void checkForUpdatesFromTheMenu_data();
    void checkForUpdatesFromTheMenu();
    void bottomMenuLeadsToEveryPage();
    void webPagesWithoutABrowserShowTheAddress_data();
    void webPagesWithoutABrowserShowTheAddress();
    void typingGoesToTheFieldUsedNext_data();
    void typingGoesToTheFieldUsedNext();
    void screenshots();

public slots:
    void openUrl(const QUrl &url) { m_urls << url; }

private:
    std::unique_ptr<Client> newClient();
    // Types the credentials into the login view and presses Return.
    void typeLogin(Client &client, const QString &user, const QString &password, bool remember,
                   bool automatic);
    bool logIn(Client &client);

    int m_run = 0;
    QString m_processObjects;
    std::unique_ptr<PromptRecorder> m_prompts;
    std::unique_ptr<ConnectivityProbe> m_network;
    std::unique_ptr<Client> m_client;
    QList<QUrl> m_urls;
};

void TestMainWindowCase::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    // The welcome dialog reads the process-wide settings, which hold the
    // process-wide talk session: made here, so cases see only their own.
    TalkTesting::useStandIn();
    QVERIFY(ObjFactory::instance()->settings());
    m_processObjects = TalkTesting::liveObjects();
    QCOMPARE(m_processObjects, QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=1"));
}

std::unique_ptr<Client> TestMainWindowCase::newClient()
{
    return std::make_unique<Client>(QStringLiteral("window%1.px").arg(m_run));
}

void TestMainWindowCase::init()
{
    ++m_run;
    TalkTesting::useStandIn();
    control()->reset();
    m_urls.clear();
    m_prompts = std::make_unique<PromptRecorder>();
    m_network = std::make_unique<ConnectivityProbe>(true);
    m_client = newClient();
    m_client->window->showLogIn();
}

void TestMainWindowCase::cleanup()
{
    m_client.reset();
    m_network.reset();
    m_prompts.reset();
    // Some cases take the browser away.
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QCOMPARE(TalkTesting::liveObjects(), m_processObjects);
}

void TestMainWindowCase::typeLogin(Client &client, const QString &user, const QString &password,
                                   bool remember, bool automatic)
{
    auto *name = client.child<QComboBox>("loginCombo");
    auto *pass = client.child<QLineEdit>("passwordLineEdit");
    name->clearEditText();
    pass->clear();
    QTest::keyClicks(name->lineEdit(), user);
    QTest::keyClicks(pass, password);
    client.child<QCheckBox>("rememberMeCheckBox")->setChecked(remember);
    client.child<QCheckBox>("signInAutoCheckBox")->setChecked(automatic);
    QTest::keyClick(pass, Qt::Key_Return);
}

bool TestMainWindowCase::logIn(Client &client)
{
    typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, false, false);
    return QTest::qWaitFor([&] { return client.content()->currentView() == ContentWidget::DialPadView; },
                           5000);
}

void TestMainWindowCase::startsLoggedOut()
{
    Client &client = *m_client;
    MainWindow &window = *client.window;
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Halvetta - Linkora"));
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window.size(), QSize(300, 600));
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QCOMPARE(client.child<QLabel>("logoutCloseLabel")->text(), QStringLiteral("CLOSE"));

    QVERIFY(!client.child<QMenu>("menuContacts")->menuAction()->isVisible());
    const QStringList alwaysOn = {"actionClose",
                                  "actionAbout_Linkora",
                                  "actionContact_us",
                                  "actionLinkora_Homepage",
                                  "actionCheck_for_updates",
                                  "actionShow_Phone",
                                  "actionQuit"};
    const QStringList loggedInOnly = {"actionSettings",
                                      "actionLogout",
                                      "actionGet_more_credit",
                                      "actionSMS",
                                      "actionOnline_number",
                                      "actionCall_History",
                                      "actionView_calling_rates",
                                      "actionView_sms_rates",
                                      "actionShow_welcome_screen",
                                      "action_Call_Contact",
                                      "action_Call_Phone_number"};
    for (const QString &name : alwaysOn)
        QVERIFY2(client.action(qPrintable(name))->isEnabled(), qPrintable(name));
    for (const QString &name : loggedInOnly)
        QVERIFY2(!client.action(qPrintable(name))->isEnabled(), qPrintable(name));
    QVERIFY(client.action("actionCall_History")->isVisible());

    QSystemTrayIcon *tray = window.trayIcon();
    QCOMPARE(tray->toolTip(), QStringLiteral("Halvetta Linkora"));
    QStringList trayMenu;
    for (const QAction *action : tray->contextMenu()->actions())
        trayMenu << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(trayMenu,
             (QStringList {"Show Phone", "-", "Call Contact", "Call Phone Number", "-", "Logout", "Quit"}));
    QCOMPARE(tray->contextMenu()->actions().at(5), client.action("actionLogout"));

    // No credit yet: the PIN label offers to buy some.
    QTest::mouseClick(client.child<QLabel>("pinLabel"), Qt::LeftButton);
    QCOMPARE(m_urls, QList<QUrl> {client.urls.buyCreditURL()});
}

void TestMainWindowCase::signsInThroughTheLoginView()
{
    Client &client = *m_client;
    client.rig.server.setBalance(PhoneRig::kUser, 12.5, QStringLiteral("USD"), QStringLiteral("$"));
    QSignalSpy loggedIn(client.rig.phone.get(), &Phone::loginSuccessful);

    typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, true, false);
    QCOMPARE(client.loginPage(), QStringLiteral("loginProgressPage"));
    QCOMPARE(client.child<QLabel>("loginSpinnerLabel")->movie()->state(), QMovie::Running);
    QCOMPARE(client.child<QLabel>("loginUserLabel")->text(), PhoneRig::kUser);

    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
    QCOMPARE(loggedIn.size(), 1);
    QCOMPARE(client.loginPage(), QStringLiteral("loginFormPage"));
    QCOMPARE(client.child<QLabel>("logoutCloseLabel")->text(), QStringLiteral("LOGOUT"));
    QVERIFY(client.child<QMenu>("menuContacts")->menuAction()->isVisible());
    QVERIFY(client.action("actionSMS")->isEnabled());
    QVERIFY(client.action("actionLogout")->isEnabled());
    QVERIFY(client.action("actionCall_History")->isVisible());
    QVERIFY(client.window->isLoggedIn());

    // Remember-me keeps the name and the password as typed.
    QCOMPARE(client.settings->loginUser(), PhoneRig::kUser);
    QCOMPARE(client.settings->loginPassword(), PhoneRig::kPassword);
    QCOMPARE(client.history->loginHistory()->names(), QStringList {PhoneRig::kUser});

    // The balance that follows the login reaches the PIN label.
    QTRY_COMPARE_WITH_TIMEOUT(client.rig.phone->balance().credit(), 12.5, 3000);
    client.content()->updatePinLabel(QStringLiteral("1234 - main"));
    auto *pinLabel = client.child<QLabel>("pinLabel");
    QCOMPARE(pinLabel->text(), QStringLiteral("PIN: 1234 - $12.50"));
    QTest::mouseClick(pinLabel, Qt::LeftButton);
    QCOMPARE(m_urls, QList<QUrl>());

    // Menu commands.
    client.action("actionSMS")->trigger();
    QCOMPARE(client.content()->currentView(), ContentWidget::SmsView);
    client.action("actionOnline_number")->trigger();
    QCOMPARE(client.content()->currentView(), ContentWidget::VirtualNumbersView);
    client.action("actionContact_List")->trigger();
    QCOMPARE(client.content()->currentView(), ContentWidget::ContactListView);
    client.action("action_Call_Phone_number")->trigger();
    QCOMPARE(client.content()->currentView(), ContentWidget::DialPadView);
    client.action("actionView_calling_rates")->trigger();
    client.action("actionGet_more_credit")->trigger();
    QCOMPARE(m_urls, (QList<QUrl> {client.urls.viewRatesURL(), client.urls.buyCreditURL()}));
    client.action("actionAbout_Linkora")->trigger();
    QCOMPARE(m_prompts->titles(), QStringList {QStringLiteral("About Halvetta Linkora")});
    QVERIFY(m_prompts->texts().first().startsWith(QLatin1String("Halvetta Linkora, version ")));
}

void TestMainWindowCase::rememberedLoginSignsInAutomaticallyAfterARestart()
{
    typeLogin(*m_client, PhoneRig::kUser, PhoneRig::kPassword, true, true);
    QTRY_COMPARE_WITH_TIMEOUT(m_client->content()->currentView(), ContentWidget::DialPadView, 5000);
    QCOMPARE(m_client->settings->autoLogin(false), true);

    // Quit and start again on the same data folder, still offline.
    m_client.reset();
    m_network->setOnline(false);
    m_client = newClient();
    Client &client = *m_client;
    QSignalSpy accountRequests(&client.rig.server, &WebserviceStandIn::requestReceived);
    client.window->showLogIn();
    QCOMPARE(client.content()->loginName(), PhoneRig::kUser);
    QCOMPARE(client.content()->password(), PhoneRig::kPassword);
    QVERIFY(client.child<QCheckBox>("signInAutoCheckBox")->isChecked());
    QCOMPARE(client.child<QComboBox>("loginCombo")->count(), 1);
    // Asked about once a second while offline.
    QTRY_VERIFY_WITH_TIMEOUT(m_network->calls() >= 2, 10000);
    QCOMPARE(accountRequests.size(), 0);

    m_network->setOnline(true);
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
    QVERIFY(client.window->isLoggedIn());
    QCOMPARE(m_prompts->texts(), QStringList());
}

void TestMainWindowCase::loginErrorsShowTheirMessage_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("serviceAnswer"); // an error message for the account request
    QTest::addColumn<QString>("message");

    QTest::newRow("wrong credentials") << "wrong"
                                       << ""
                                       << "Wrong credentials.\nCheck your username or password.";
    QTest::newRow("another user's account")
        << PhoneRig::kPassword << "The account does not belong to the user."
        << "You can't login with a different user.";
    QTest::newRow("server error") << PhoneRig::kPassword << "Database unavailable."
                                  << "Problem on the server side.\nPlease try again later.";
}

void TestMainWindowCase::loginErrorsShowTheirMessage()
{
    QFETCH(QString, password);
    QFETCH(QString, serviceAnswer);
    QFETCH(QString, message);

    Client &client = *m_client;
    if (!serviceAnswer.isEmpty())
        client.rig.server.answerNextWithApplicationError(serviceAnswer, {},
                                                         {QStringLiteral("account"), "GET"});
    QSignalSpy failed(client.rig.phone.get(), &Phone::loginFailed);
    typeLogin(client, PhoneRig::kUser, password, false, false);
    QVERIFY(failed.wait(5000));

    QCOMPARE(m_prompts->titles(), QStringList {QStringLiteral("Login Failed")});
    QCOMPARE(m_prompts->texts(), QStringList {message});
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QCOMPARE(client.loginPage(), QStringLiteral("loginFormPage"));
    QVERIFY(!client.window->isLoggedIn());
    QCOMPARE(control()->login_count(), 0);
}

void TestMainWindowCase::networkFailureRecoversOnceThroughTheDetectedProxy()
{
    Client &client = *m_client;
    QNetworkProxy detected(QNetworkProxy::HttpProxy, QStringLiteral("proxy.lan"), 3128, QStringLiteral("pu"),
                           QStringLiteral("pp"));
    client.window->setDetectedProxiesSource([detected] { return QList<QNetworkProxy> {detected}; });
    control()->fail_logins(4, 2);

    QSignalSpy failed(client.rig.phone.get(), &Phone::loginFailed);
    typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, false, false);
    QVERIFY(failed.wait(5000));
    // The first failure tries the proxy without asking and signs in again.
    QCOMPARE(m_prompts->requests.size(), 0);
    QCOMPARE(control()->proxy_mode(), 1);
    QCOMPARE(QString::fromUtf8(control()->proxy_host()), QStringLiteral("proxy.lan"));
    QCOMPARE(control()->proxy_port(), 3128);
    QCOMPARE(QString::fromUtf8(control()->proxy_user()), QStringLiteral("pu"));
    QCOMPARE(QNetworkProxy::applicationProxy().hostName(), QStringLiteral("proxy.lan"));
    QCOMPARE(client.loginPage(), QStringLiteral("loginProgressPage"));
    QCOMPARE(client.settings->customProxy(false), false);

    // The second gives up with a message and stays on the form.
    QVERIFY(failed.wait(5000));
    QCOMPARE(m_prompts->titles(), QStringList {QStringLiteral("Login Failed")});
    QCOMPARE(m_prompts->texts(),
             QStringList {
                 QStringLiteral("Cannot connect to the internet.\nPlease check your internet connection.")});
    QCOMPARE(client.loginPage(), QStringLiteral("loginFormPage"));
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QTest::qWait(300);
    QCOMPARE(control()->login_count(), 2);
    QCOMPARE(failed.size(), 2);

    // A new login by the user may recover again.
    control()->fail_logins(4, 1);
    typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, false, false);
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
    QCOMPARE(failed.size(), 3);
    QCOMPARE(m_prompts->requests.size(), 1);
}

void TestMainWindowCase::networkFailureAsksForAProxy_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("custom");
    QTest::addColumn<int>("mode");

    QTest::newRow("no proxy") << int(QMessageBox::No) << false << false << 0;
    QTest::newRow("proxy entered") << int(QMessageBox::Yes) << true << true << 2;
    QTest::newRow("proxy dialog cancelled") << int(QMessageBox::Yes) << false << false << 0;
}

void TestMainWindowCase::networkFailureAsksForAProxy()
{
    QFETCH(int, answer);
    QFETCH(bool, accepted);
    QFETCH(bool, custom);
    QFETCH(int, mode);

    Client &client = *m_client;
    client.settings->setCustomProxy(!custom);
    m_prompts->answers << QMessageBox::StandardButton(answer);
    const talk::ProxySettings entered(talk::ProxySettings::Socks5, QStringLiteral("socks.lan"), 1080, false,
                                      {}, {});
    if (answer == QMessageBox::Yes) {
        onNextModalDialog([&](QWidget *dialog) {
            auto *proxyDialog = qobject_cast<ProxySettingsDialog *>(dialog);
            QVERIFY(proxyDialog);
            if (accepted) {
                proxyDialog->setProxySettings(entered);
                proxyDialog->accept();
            } else {
                proxyDialog->reject();
            }
        });
    }

    // The account request fails without an answer.
    client.rig.server.answerNextWithStatus(500, {QStringLiteral("account"), "GET"});
    QSignalSpy failed(client.rig.phone.get(), &Phone::loginFailed);
    typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, false, false);
    QVERIFY(failed.wait(5000));

    QCOMPARE(m_prompts->titles(), QStringList {QStringLiteral("Login Failed")});
    QCOMPARE(
        m_prompts->texts(),
        QStringList {QStringLiteral(
            "Cannot connect to the internet.\nPlease check your internet connection.\nDo you use a proxy?")});
    QCOMPARE(m_prompts->requests.first().defaultButton, QMessageBox::NoButton);
    QCOMPARE(client.settings->customProxy(!custom), custom);
    QCOMPARE(control()->proxy_mode(), mode);
    if (accepted)
        QCOMPARE(client.settings->proxySettings(), entered);
    // The login starts again on its own.
    QCOMPARE(client.loginPage(), QStringLiteral("loginProgressPage"));
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
}

void TestMainWindowCase::connectionLossReturnsToTheLoginView_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("reconnectionFails");

    const QString missed = QStringLiteral("Your internet connection is no longer available.");
    QTest::newRow("connection missed")
        << int(plix::PLIX_DISCONNECT_CONNECTION_LOST) << "Connection problem" << missed << false;
    QTest::newRow("connection missed, no way back")
        << int(plix::PLIX_DISCONNECT_CONNECTION_LOST) << "Connection problem" << missed << true;
    QTest::newRow("logged in elsewhere") << 1 << "Remote login"
                                         << "You've logged in on another machine." << false;
    QTest::newRow("other error") << 7 << "Connection problem"
                                 << "Unknown connection error.\nPlease contact Customer Support." << false;
}

void TestMainWindowCase::connectionLossReturnsToTheLoginView()
{
    QFETCH(int, reason);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(bool, reconnectionFails);

    Client &client = *m_client;
    QVERIFY(logIn(client));
    client.content()->setView(ContentWidget::ContactListView, false);
    if (reconnectionFails)
        control()->fail_logins(plix::PLIX_TALK_ERROR_CONNECTION, 10);
    // The user reads the box for a while; the session would reconnect meanwhile.
    m_prompts->readingTime = 400;
    QVERIFY(control()->drop_connection(reason));

    QTRY_COMPARE_WITH_TIMEOUT(m_prompts->requests.size(), 1, 3000);
    QCOMPARE(m_prompts->titles(), QStringList {title});
    QCOMPARE(m_prompts->texts(), QStringList {message});
    // Logged out before the box opened.
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QCOMPARE(client.child<QLabel>("logoutCloseLabel")->text(), QStringLiteral("CLOSE"));
    QVERIFY(!client.child<QMenu>("menuContacts")->menuAction()->isVisible());
    // Logged out for good: no reconnection behind the box, no second message.
    QTest::qWait(800);
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(control()->login_count(), 1);
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QVERIFY(!client.rig.phone->isConnected());
}

void TestMainWindowCase::quitIsAskedInThePage()
{
    Client &client = *m_client;
    MainWindow &window = *client.window;
    window.hide();

    // Asked again while open: the open question ends unanswered and a new
    // one comes.
    QStringList asked;
    whenAsked(client, [&] {
        asked << question(client);
        window.requestQuit();
        QTimer::singleShot(50, &window, [&] {
            whenAsked(client, [&] {
                asked << question(client);
                clickButton(client, "queryUserOkButton");
            });
        });
    });
    window.requestQuit();
    QVERIFY(window.isVisible());
    QCOMPARE(runProgramLoop(5000), 0);
    QCOMPARE(asked, (QStringList {"Quit?", "Quit?"}));
    // One quit, not one per question.
    QCOMPARE(runProgramLoop(300), kStillRunning);

    // Cancel goes back to where the user was.
    whenAsked(client, [&] { clickButton(client, "queryUserCancelButton"); });
    window.requestQuit();
    QCOMPARE(runProgramLoop(600), kStillRunning);
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QVERIFY(window.isVisible());
}

void TestMainWindowCase::quitWhileConnectedWaitsForTheLogout()
{
    Client &client = *m_client;
    Phone *phone = client.rig.phone.get();
    QVERIFY(logIn(client));
    QStringList order;
    const QObject listening;
    connect(phone, &Phone::logoutSuccessful, &listening, [&] { order << "signed out"; });
    connect(qApp, &QCoreApplication::aboutToQuit, &listening, [&] { order << "quit"; });
    whenAsked(client, [&] { clickButton(client, "queryUserOkButton"); });
    QVERIFY(client.chooseFromMenu("menuPhone", "actionClose"));
    QCOMPARE(runProgramLoop(5000), 0);
    QCOMPARE(order, (QStringList {"signed out", "quit"}));
    QVERIFY(!phone->isConnected());

    // Logging out again later quits nothing more.
    QTimer::singleShot(0, phone, &Phone::logout);
    QCOMPARE(runProgramLoop(300), kStillRunning);
}

void TestMainWindowCase::connectionLossDuringTheQuitQuestionKeepsTheLoginView()
{
    Client &client = *m_client;
    QVERIFY(logIn(client));
    whenAsked(client, [] { QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST)); });
    client.window->requestQuit();

    // The question ended unanswered, nothing quits, the logged-out view stays.
    QCOMPARE(runProgramLoop(1500), kStillRunning);
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QCOMPARE(client.child<QStackedWidget>("mainStackedWidget")->currentWidget()->objectName(),
             QStringLiteral("loginPage"));
    QVERIFY(!client.window->isLoggedIn());
}

void TestMainWindowCase::logoutButtonKeepsOneHandler()
{
    Client &client = *m_client;
    QSignalSpy failed(client.rig.phone.get(), &Phone::loginFailed);
    for (int i = 0; i < 3; ++i) {
        typeLogin(client, PhoneRig::kUser, QStringLiteral("wrong"), false, false);
        QVERIFY(failed.wait(5000));
    }
    // Each close to the tray tells where the window went.
    const TrayPresence tray(true);
    client.settings->setMinimizeToTrayHint(true);
    ModalWatcher notices(
        [](QDialog *dialog) { dialog->findChild<QPushButton *>(QStringLiteral("closeButton"))->click(); });
    clickButton(client, "logoutButton");
    QCOMPARE(notices.dialogs, QStringList {"MinimizeToTrayDialog"});
    QVERIFY(!client.window->isVisible());

    // Logged in, the same button asks before logging out, and closes nothing.
    client.window->showNormal();
    QVERIFY(logIn(client));
    QString asked;
    whenAsked(client, [&] {
        asked = question(client);
        clickButton(client, "queryUserOkButton");
    });
    clickButton(client, "logoutButton");
    QTRY_COMPARE(asked, QStringLiteral("Logout?"));
    QTRY_COMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QCOMPARE(notices.dialogs.size(), 1);
    QVERIFY(client.window->isVisible());
    QVERIFY(!client.window->isLoggedIn());
    QVERIFY(!client.rig.phone->isConnected());
}

void TestMainWindowCase::closeHidesToTheTray_data()
{
    QTest::addColumn<bool>("tray");
    QTest::addColumn<bool>("minimizeToTray");
    QTest::addColumn<bool>("hint");
    QTest::addColumn<bool>("byWindowManager"); // else the window's own Close

    QTest::newRow("hidden with the notice") << true << true << true << false;
    QTest::newRow("hidden without the notice") << true << true << false << false;
    QTest::newRow("asked to quit") << true << false << true << false;
    // Hidden, the window could not be found again; minimized, nothing quits.
    QTest::newRow("no tray: asked to quit") << false << true << true << false;
    // Alt+F4 or the task bar's Close: the same.
    QTest::newRow("window manager, no tray: asked to quit") << false << true << true << true;
    QTest::newRow("window manager: hidden with the notice") << true << true << true << true;
    QTest::newRow("window manager: asked to quit") << true << false << false << true;
}

void TestMainWindowCase::closeHidesToTheTray()
{
    QFETCH(bool, tray);
    QFETCH(bool, minimizeToTray);
    QFETCH(bool, hint);
    QFETCH(bool, byWindowManager);

    Client &client = *m_client;
    MainWindow &window = *client.window;
    const TrayPresence trayPresence(tray);
    client.settings->setMinimizeToTrayOnClose(minimizeToTray);
    client.settings->setMinimizeToTrayHint(hint);

    int notices = 0;
    QString asked;
    whenAsked(client, [&] {
        asked = question(client);
        clickButton(client, "queryUserCancelButton");
    });
    const bool hidden = minimizeToTray && tray;
    if (hidden && hint) {
        onNextModalDialog([&](QWidget *dialog) {
            ++notices;
            QVERIFY(dialog->inherits("MinimizeToTrayDialog"));
            QVERIFY(!window.isVisible());
            dialog->findChild<QCheckBox *>()->setChecked(true);
            dialog->findChild<QPushButton *>(QStringLiteral("closeButton"))->click();
        });
    }
    if (byWindowManager)
        window.close(); // a real close event, as the window manager sends
    else
        QVERIFY(client.chooseFromMenu("menuPhone", "actionClose"));

    if (hidden) {
        QVERIFY(!window.isVisible());
        QCOMPARE(notices, hint ? 1 : 0);
        // "Don't show this message again."
        QCOMPARE(client.settings->minimizeToTrayHint(true), false);
        window.onShowPhoneActionTriggered();
        QVERIFY(window.isVisible());
    } else {
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
        QTRY_COMPARE(asked, QStringLiteral("Quit?"));
    }
}

void TestMainWindowCase::suspendAndResume_data()
{
    QTest::addColumn<bool>("signingIn");
    QTest::newRow("signed in") << false;
    QTest::newRow("signing in") << true;
}

void TestMainWindowCase::suspendAndResume()
{
    QFETCH(bool, signingIn);
    Client &client = *m_client;
    MainWindow &window = *client.window;
    if (signingIn) {
        // The account's answer comes once the system sleeps: it is not used.
        client.rig.server.delayNext(300, {QStringLiteral("account"), "GET"});
        typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, false, false);
        QTRY_COMPARE(client.rig.server.requests().size(), 1);
    } else {
        QVERIFY(logIn(client));
    }
    QSignalSpy loggedOut(client.rig.phone.get(), &Phone::logoutSuccessful);
    QSignalSpy loggedIn(client.rig.phone.get(), &Phone::loginSuccessful);

    window.setPowerState(1);
    window.setPowerState(1);
    QCOMPARE(loggedOut.size(), 1);
    QVERIFY(!client.rig.phone->isConnected());

    // Back, but offline: the login view waits, busy, for the network.
    m_network->setOnline(false);
    const int callsBefore = m_network->calls();
    window.setPowerState(2);
    QCOMPARE(client.content()->currentView(), ContentWidget::LoginView);
    QCOMPARE(client.loginPage(), QStringLiteral("loginProgressPage"));
    QCOMPARE(client.child<QLabel>("loginUserLabel")->text(), PhoneRig::kUser);
    QVERIFY(!window.isLoggedIn());
    QTRY_COMPARE_WITH_TIMEOUT(m_network->calls(), callsBefore + 2, 10000);

    // Suspended again before the network came back: the checks stop. One
    // under way comes back unheeded, and nothing asks again.
    window.setPowerState(1);
    QTRY_VERIFY(
        !window.findChild<ConnectivityCheck *>(QStringLiteral("resumeConnectivityCheck"))->isRunning());
    QVERIFY(!window.findChild<QTimer *>(QStringLiteral("resumeRetryTimer"))->isActive());
    QCOMPARE(loggedIn.size(), 0);

    // The network is back after the next resume: signed in again.
    m_network->setOnline(true);
    window.setPowerState(2);
    QTRY_COMPARE_WITH_TIMEOUT(loggedIn.size(), 1, 5000);
    QTRY_COMPARE(client.content()->currentView(), ContentWidget::DialPadView);
    QVERIFY(window.isLoggedIn());
    QCOMPARE(client.loginPage(), QStringLiteral("loginFormPage"));
    QCOMPARE(m_prompts->requests.size(), 0);
}

void TestMainWindowCase::signInCanBeCancelled_data()
{
    QTest::addColumn<bool>("slowTalkLogin");
    QTest::newRow("account trickling in") << false;
    QTest::newRow("slow talk login") << true;
}

void TestMainWindowCase::signInCanBeCancelled()
{
    QFETCH(bool, slowTalkLogin);
    Client &client = *m_client;
    Phone *phone = client.rig.phone.get();
    QSignalSpy loggedIn(phone, &Phone::loginSuccessful), failed(phone, &Phone::loginFailed);
    control()->set_step_delay(slowTalkLogin ? 800 : 5);
    if (!slowTalkLogin)
        client.rig.server.answerNextTrickling(QByteArray(100, ' '), 1, 1000, 200,
                                              {QStringLiteral("account"), "GET"});
    typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, false, false);
    QTRY_COMPARE(slowTalkLogin ? control()->login_count() : int(client.rig.server.requests().size()), 1);

    MessageCatcher traces;
    auto *cancel = client.window->findChild<QPushButton *>(QStringLiteral("cancelLoginButton"));
    QVERIFY(cancel && cancel->isVisible());
    cancel->click();
    QCOMPARE(client.loginPage(), QStringLiteral("loginFormPage"));
    QTest::qWait(1000);
    QVERIFY(loggedIn.isEmpty() && failed.isEmpty() && m_prompts->requests.isEmpty());
    // The talk login was stopped, not completed and ended again.
    QVERIFY(!traces.contains(QStringLiteral("Login completed")));
    QVERIFY(logIn(client));
}

void TestMainWindowCase::welcomeDialogAfterSignInAndFromTheMenu_data()
{
    QTest::addColumn<bool>("showWelcome");
    QTest::newRow("first run") << true;
    QTest::newRow("turned off") << false;
}

void TestMainWindowCase::welcomeDialogAfterSignInAndFromTheMenu()
{
    QFETCH(bool, showWelcome);
    Client &client = *m_client;
    client.settings->setShowWelcome(showWelcome);
    bool parentless = true;
    bool dialPadBehind = true;
    QSignalSpy loggedIn(client.rig.phone.get(), &Phone::loginSuccessful);
    ModalWatcher watcher([&](QDialog *dialog) {
        parentless = parentless && !dialog->parentWidget();
        dialPadBehind = dialPadBehind && client.content()->currentView() == ContentWidget::DialPadView;
        if (!(showWelcome && loggedIn.size() == 1)) {
            QTimer::singleShot(0, dialog, &QDialog::reject);
            return;
        }
        // Signed in again while the user still reads the first one: it is
        // closed only once the window has handled that sign-in, however long
        // the sign-in takes.
        QObject::connect(client.rig.phone.get(), &Phone::loginSuccessful, dialog, &QDialog::reject,
                         static_cast<Qt::ConnectionType>(Qt::SingleShotConnection | Qt::QueuedConnection));
        client.rig.phone->requestAccount();
    });

    QVERIFY(logIn(client));
    if (showWelcome)
        QTRY_COMPARE_WITH_TIMEOUT(loggedIn.size(), 2, 5000);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QTest::qWait(100);
    QCOMPARE(watcher.dialogs.size(), showWelcome ? 1 : 0);

    // The menu opens it whatever the setting says.
    QVERIFY(client.chooseFromMenu("menuHelp", "actionShow_welcome_screen"));
    QTRY_COMPARE(watcher.dialogs.size(), showWelcome ? 2 : 1);
    QCOMPARE(watcher.dialogs.last(), QStringLiteral("WelcomeDialog"));
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(parentless);
    QVERIFY(dialPadBehind);
}

void TestMainWindowCase::incomingCallPopupAnswers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("answer") << "anwserButton" << true;
    QTest::newRow("decline") << "declineButton" << false;
    QTest::newRow("close") << "closeButton" << false;
}

void TestMainWindowCase::incomingCallPopupAnswers()
{
    QFETCH(QString, button);
    QFETCH(bool, accepted);
    Client &client = *m_client;
    QString caller;
    bool ownedByTheWindow = false;
    bool buttonFound = false;
    ModalWatcher watcher([&](QDialog *dialog) {
        caller = dialog->findChild<QLabel *>(QStringLiteral("infoLabel"))->text();
        ownedByTheWindow = dialog->parentWidget() == client.window.get();
        auto *pushButton = dialog->findChild<QPushButton *>(button);
        buttonFound = pushButton;
        if (pushButton)
            pushButton->click();
        else
            dialog->reject();
    });

    QCOMPARE(client.window->showIncommingCall(QStringLiteral("Ann")), accepted);
    QCOMPARE(watcher.dialogs, QStringList {QStringLiteral("IncomingCallDialog")});
    QVERIFY(buttonFound);
    QVERIFY(ownedByTheWindow);
    QCOMPARE(caller, QStringLiteral("Ann\nis calling..."));
    // Shown by itself, it answers no call.
    QVERIFY(client.rig.phone->calls().isEmpty());
    // The dialog went with the answer.
    QVERIFY(client.window->findChildren<IncomingCallDialog *>().isEmpty());
}

void TestMainWindowCase::addressBookThroughTheWindow()
{
    Client &client = *m_client;
    client.settings->setCallStartDblClick(true);
    QSignalSpy books(&client.rig.rest, qOverload<const QList<Contact> &>(&RestManager::requestFinished));
    QVERIFY(logIn(client));
    // The book the login fetches is in before it is changed.
    QTRY_COMPARE_WITH_TIMEOUT(books.size(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->balance().credit() > 0, 5000);

    // Contacts > Add Contact: the user fills the form in and saves.
    ModalWatcher watcher([](QDialog *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("firstNameLineEdit"))->setText(QStringLiteral("Zelda"));
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("phoneLineEdit")),
                         QStringLiteral("+1-555-123-4567"));
        dialog->findChild<QPushButton *>(QStringLiteral("addSaveContactButton"))->click();
    });
    client.action("actionAdd_Contact")->trigger();
    QCOMPARE(watcher.dialogs, QStringList {QStringLiteral("AddEditContactDialog")});
    const ContactPtr zelda = client.rig.contacts.contactByPhoneNumber(QStringLiteral("15551234567"));
    QVERIFY(zelda);
    QTRY_VERIFY(client.rig.server.contactNicks(PhoneRig::kUser).contains(zelda->nick()));

    // Found by searching the contact list, and called with a double-click.
    client.action("actionContact_List")->trigger();
    QTest::keyClicks(client.child<QLineEdit>("searchLineEdit"), QStringLiteral("zel"));
    auto *tree = client.child<QTreeView>("contactsTreeView");
    QCOMPARE(tree->model()->rowCount(), 1);
    const QModelIndex row = tree->model()->index(0, 0, tree->model()->index(0, 0));
    QCOMPARE(row.data().toString(), QStringLiteral("Zelda "));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(row).center());
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(row).center());
    QCOMPARE(client.content()->currentView(), ContentWidget::DialPadView);
    QTRY_VERIFY_WITH_TIMEOUT(
        QString::fromUtf8(control()->last_callee()).contains(QStringLiteral("15551234567")), 5000);
    client.rig.phone->hangup();
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->calls().isEmpty(), 5000);

    // Deleted from its context menu, once the user said Ok.
    client.action("actionContact_List")->trigger();
    emit tree->customContextMenuRequested(tree->visualRect(row).center());
    whenAsked(client, [&] { clickButton(client, "queryUserOkButton"); });
    client.child<QMenu>("contactContextMenu")->actions().last()->trigger(); // "Delete"
    QVERIFY(!client.rig.contacts.contact(zelda->nick()));
    QTRY_VERIFY(!client.rig.server.contactNicks(PhoneRig::kUser).contains(zelda->nick()));
    QCOMPARE(tree->model()->rowCount(), 0);
}

void TestMainWindowCase::addressBookFailuresAreShownOneAtATime()
{
    Client &client = *m_client;
    // The first sign-in sends the three default groups: the service fails
    // the first and refuses the second.
    const WebserviceStandIn::Match groupAddition {QStringLiteral("group"), "PUT"};
    client.rig.server.answerNextWithStatus(500, groupAddition);
    client.rig.server.answerNextWithApplicationError(QStringLiteral("<b>Too many</b> groups"), {},
                                                     groupAddition);
    // The user reads each box for a while before pressing OK.
    QList<MessagePrompt::Request> boxes;
    int open = 0;
    int mostOpen = 0;
    MessagePrompt::setHandler([&](const MessagePrompt::Request &request) {
        boxes << request;
        mostOpen = qMax(mostOpen, ++open);
        QTest::qWait(300);
        --open;
        return QMessageBox::Ok;
    });

    QVERIFY(logIn(client));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 2, 5000);
    QTRY_COMPARE(open, 0);
    QCOMPARE(mostOpen, 1);
    QVERIFY2(boxes.at(0).text.contains(QLatin1String("\"Work\"")), qPrintable(boxes.at(0).text));
    QVERIFY(boxes.at(1).text.contains(QLatin1String("\"Family\"")));
    QVERIFY(boxes.at(1).text.contains(QLatin1String("<b>Too many</b> groups")));
    QCOMPARE(boxes.at(1).textFormat, Qt::PlainText);
    QCOMPARE(client.rig.server.groups(PhoneRig::kUser), QStringList {"Friends"});
}

void TestMainWindowCase::checkForUpdatesFromTheMenu_data()
{
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<QString>("shown");
    QTest::newRow("up to date") << true << "Halvetta Linkora is up to date.";
    // Nothing was downloaded: the check failed, and the user reads why.
    QTest::newRow("no server") << false
                               << "The check for updates failed: Connection refused.\nPlease check your "
                                  "internet connection, and try again.";
}

void TestMainWindowCase::checkForUpdatesFromTheMenu()
{
    QFETCH(bool, serverUp);
    QFETCH(QString, shown);
    Client &client = *m_client;
    TestTls::trustAuthority();
    UpdateServerStandIn server;
    QVERIFY(server.listen());
    Updater *updater = ObjFactory::instance()->updater();
    server.serveFile(QStringLiteral("/v.txt"), "[" + updater->currentVersion.toLatin1() + "]\r\nurl=x\r\n");
    QUrl url(server.url(QStringLiteral("/v.txt")));
    if (!serverUp)
        url.setPort(1); // nobody listens there
    updater->setUpdaterHelper(new UpdaterHelper(url.toString()));
    const TestDisk roomy(1024LL * 1024 * 1024);

    QVERIFY(client.chooseFromMenu("menuHelp", "actionCheck_for_updates"));

    UpdaterDialog *dialog = updater->updaterDialog();
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(server.requestLines().size(), serverUp ? 1 : 0);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("informationLabel"))->text(), shown);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
}

// Every page of the bottom menu is one click away, CALL FORWARD too, and
// the voicemail from there; the four buttons share the window's width.
void TestMainWindowCase::bottomMenuLeadsToEveryPage()
{
    UiLook::install();
    Client &client = *m_client;
    MainWindow &window = *client.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(logIn(client));
    const QList<QPair<const char *, ContentWidget::View>> buttons {
        {"dialPadMenuButton", ContentWidget::DialPadView},
        {"contactListMenuButton", ContentWidget::ContactListView},
        {"virtualNumberMenuButton", ContentWidget::VirtualNumbersView},
        {"callForwardMenuButton", ContentWidget::CallForwardView}};
    // Neighbouring captions stand apart, so that no two read as one.
    constexpr int kCaptionGap = 8;
    const auto captionsStandApart = [&client](const QList<const char *> &names) {
        QStringList crowded;
        for (int i = 1; i < names.size(); ++i) {
            const auto caption = [&client](const char *name) {
                return client.child<MenuButton>(name)->findChild<QLabel *>(QStringLiteral("textLabel"));
            };
            const int gap = UiLook::captionGap(caption(names.at(i - 1)), caption(names.at(i)));
            if (gap < kCaptionGap)
                crowded << QStringLiteral("%1 %2 px").arg(QLatin1String(names.at(i))).arg(gap);
        }
        return crowded.join(QLatin1String(", "));
    };
    QList<const char *> names;
    for (const auto &entry : buttons)
        names << entry.first;
    QCOMPARE(captionsStandApart(names), QString());
    QList<QRect> places;
    for (const auto &entry : buttons) {
        auto *button = client.child<MenuButton>(entry.first);
        QVERIFY2(button->isVisible(), entry.first);
        QVERIFY2(UiLook::liesInside(button, &window), entry.first);
        const QRect place(button->mapTo(&window, QPoint()), button->size());
        for (const QRect &other : places)
            QVERIFY2(!place.intersects(other), entry.first);
        places << place;
        // The whole caption shows, inside the window.
        const auto *caption = button->findChild<QLabel *>(QStringLiteral("textLabel"));
        QVERIFY2(UiLook::liesInside(caption, &window), entry.first);
        const QSize needed = UiLook::captionSize(button->text(), caption->font());
        QVERIFY2(needed.width() <= caption->width() && needed.height() <= caption->height(),
                 qPrintable(QStringLiteral("%1: %2x%3 in %4x%5")
                                .arg(QLatin1String(entry.first))
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(caption->width())
                                .arg(caption->height())));
    }
    // Each leads to its page, from the last one's.
    for (const auto &entry : buttons) {
        if (entry.second == ContentWidget::DialPadView)
            continue;
        QTRY_VERIFY(!sliding(client.content()));
        leftClick(client.child<MenuButton>(entry.first));
        QTRY_COMPARE(client.content()->currentView(), entry.second);
    }
    // Back on the dial pad, its button alone is marked.
    QTRY_VERIFY(!sliding(client.content()));
    leftClick(client.child<MenuButton>("dialPadMenuButton"));
    QTRY_COMPARE(client.content()->currentView(), ContentWidget::DialPadView);
    for (const auto &entry : buttons)
        QCOMPARE(client.child<MenuButton>(entry.first)->isSelected(),
                 entry.second == ContentWidget::DialPadView);
    QTRY_VERIFY(!sliding(client.content()));
    leftClick(client.child<MenuButton>("callForwardMenuButton"));
    QTRY_VERIFY(client.child<QWidget>("callForwardPage")->isVisible());
    QTRY_VERIFY(!sliding(client.content()));
    QVERIFY(window.grab().save(UiLook::screenshotPath(QStringLiteral("mainwindow-callforward.png"))));
    QCOMPARE(captionsStandApart({"callForwardRatesTopMenuButton", "callForwardVirtualNumberTopMenuButton",
                                 "callForwardVoicemailTopMenuButton"}),
             QString());
    QVERIFY(UiLook::liesInside(client.child<QLabel>("callForwardTitleLabel"), &window));
    QVERIFY(UiLook::textFits(client.child<QLabel>("callForwardTitleLabel")));
    auto *voicemail = client.child<MenuButton>("callForwardVoicemailTopMenuButton");
    QTRY_VERIFY(voicemail->isVisible());
    leftClick(voicemail);
    QTRY_COMPARE(client.content()->currentView(), ContentWidget::VoicemailView);
    QTRY_VERIFY(client.child<QWidget>("voicemailPage")->isVisible());
    qApp->setStyleSheet(QString());
}

void TestMainWindowCase::webPagesWithoutABrowserShowTheAddress_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QUrl>("url");
    const HomeUrls *urls = HomeUrls::instance();
    QTest::newRow("FORGOT PASSWORD") << "forgotMenuButton" << urls->forgotPasswordURL();
    QTest::newRow("RATES") << "ratesTopMenuButton" << urls->viewRatesURL();
    QTest::newRow("Get Virtual Number") << "getNumberButton" << urls->onlineNumberURL();
    QTest::newRow("renew") << "renewButton" << urls->onlineNumberURL();
    QTest::newRow("Get more credit") << "actionGet_more_credit" << urls->buyCreditURL();
}

// The offscreen platform has no browser to start: each entry says so and
// shows its address, to be copied from the box.
void TestMainWindowCase::webPagesWithoutABrowserShowTheAddress()
{
    QFETCH(QString, entry);
    QFETCH(QUrl, url);
    Client &client = *m_client;
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));
    client.rig.server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+442079460555"),
                                      QDateTime::currentDateTime().addDays(30), QStringLiteral("ACTIVE"));
    if (entry != QLatin1String("forgotMenuButton")) {
        QVERIFY(logIn(client));
        QTRY_VERIFY(!sliding(client.content()));
        if (entry == QLatin1String("getNumberButton") || entry == QLatin1String("renewButton")) {
            leftClick(client.child<MenuButton>("virtualNumberMenuButton"));
            QTRY_VERIFY(client.child<QWidget>("virtualNumbersPage")->isVisible());
            QTRY_VERIFY(!sliding(client.content()));
        }
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    MessagePrompt::setHandler({});
    QString shown;
    bool selectable = false;
    QObject waiting;
    whenModal(
        [&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            shown = box->text();
            const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            selectable = label && label->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        },
        &waiting);
    if (entry == QLatin1String("actionGet_more_credit")) {
        QVERIFY(client.chooseFromMenu("menuCalls", "actionGet_more_credit"));
    } else if (entry == QLatin1String("renewButton")) {
        auto *list = client.child<QListWidget>("numbersListWidget");
        QTRY_COMPARE(list->count(), 1);
        QTest::mouseClick(list->itemWidget(list->item(0))->findChild<QPushButton *>(entry), Qt::LeftButton);
    } else {
        QWidget *button = client.child<QWidget>(qPrintable(entry));
        QTRY_VERIFY(button->isVisible());
        leftClick(button);
    }
    QTRY_VERIFY(!shown.isEmpty());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY2(shown.contains(url.toString(QUrl::FullyEncoded)), qPrintable(shown));
    QVERIFY(selectable);
}

void TestMainWindowCase::typingGoesToTheFieldUsedNext_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("field"); // that has the focus at the end of the path
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // what the field then holds, dashes aside
    QTest::addColumn<QString>("tabTo"); // where Tab then goes, if anywhere asked

    QTest::newRow("signed in, welcome dialog closed") << "welcome"
                                                      << "numberLineEdit"
                                                      << "5"
                                                      << "5"
                                                      << "";
    QTest::newRow("number cleared") << "clear"
                                    << "numberLineEdit"
                                    << "5"
                                    << "5"
                                    << "";
    QTest::newRow("recent number picked") << "recent"
                                          << "numberLineEdit"
                                          << "9"
                                          << "4420794609589"
                                          << "";
    // The country's prefix goes first; "<prefix>" is what the pick wrote.
    QTest::newRow("country picked") << "country"
                                    << "numberLineEdit"
                                    << "5"
                                    << "<prefix>5"
                                    << "";
    QTest::newRow("logged out, no e-mail kept") << "logout"
                                                << "loginCombo"
                                                << "ann"
                                                << "ann"
                                                << "passwordLineEdit";
    QTest::newRow("logged out, e-mail kept")
        << "logout remembered"
        << "passwordLineEdit"
        << "7" << QString(PhoneRig::kPassword + QStringLiteral("7")) << "";
}

void TestMainWindowCase::typingGoesToTheFieldUsedNext()
{
    QFETCH(QString, path);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, tabTo);
    Client &client = *m_client;
    QWindow *window = client.window->windowHandle();
    QVERIFY(QTest::qWaitForWindowActive(client.window.get()));
    const auto focused = [] {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    };
    const auto typeIn = [window](const QString &text) {
        for (const QChar c : text)
            QTest::keyClick(window, c.toLatin1());
    };
    // The dial pad's number field; the SMS page has one of its own.
    auto *dialPad = client.child<QWidget>("dialPadPage");
    auto *number = dialPad->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    auto *recentClear = dialPad->findChild<QPushButton *>(QStringLiteral("recentClearButton"));

    if (path == QLatin1String("welcome")) {
        client.settings->setShowWelcome(true);
        whenModal(
            [](QWidget *dialog) {
                if (QTest::qWaitForWindowActive(dialog))
                    leftClick(dialog->findChild<QWidget *>(QStringLiteral("saveButton")));
            },
            client.window.get());
    }
    typeLogin(client, PhoneRig::kUser, PhoneRig::kPassword, path == QLatin1String("logout remembered"),
              false);
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
    QTRY_VERIFY(!sliding(client.content()));
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(QTest::qWaitForWindowActive(client.window.get()));

    if (path == QLatin1String("clear")) {
        leftClick(number);
        typeIn(QStringLiteral("4420"));
        QCOMPARE(number->text(), QStringLiteral("44-20"));
        leftClick(recentClear);
        QCOMPARE(number->text(), QString());
    } else if (path == QLatin1String("recent")) {
        client.history->numberHistory()->addNumber(QStringLiteral("+44-20-7946-0958"), QString());
        leftClick(recentClear);
        auto *recent = dialPad->findChild<QWidget *>(QStringLiteral("recentNumbersPopup"));
        QVERIFY(recent);
        QVERIFY(QTest::qWaitForWindowActive(recent));
        clickRow(recent->findChild<QListWidget *>(), 0);
        QTRY_VERIFY(!recent->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(client.window.get()));
    } else if (path == QLatin1String("country")) {
        leftClick(dialPad->findChild<QPushButton *>(QStringLiteral("flagButton")));
        auto *picker = dialPad->findChild<FlagPopup *>();
        QVERIFY(picker);
        QVERIFY(QTest::qWaitForWindowActive(picker));
        clickRow(picker->findChild<QListWidget *>(), 3);
        QTRY_VERIFY(!picker->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(client.window.get()));
        QVERIFY(!number->text().isEmpty());
        shown.replace(QStringLiteral("<prefix>"), number->text().remove(QLatin1Char('-')));
    } else if (path.startsWith(QLatin1String("logout"))) {
        whenAsked(client, [&] { leftClick(client.child<QPushButton>("queryUserOkButton")); });
        leftClick(client.child<QPushButton>("logoutButton"));
        QTRY_COMPARE(client.content()->currentView(), ContentWidget::LoginView);
    }

    QTRY_COMPARE(focused(), field);
    QWidget *const focus = QApplication::focusWidget();
    typeIn(typed);
    QString holds;
    if (auto *combo = qobject_cast<QComboBox *>(focus))
        holds = combo->currentText();
    else
        holds = qobject_cast<QLineEdit *>(focus)->text().remove(QLatin1Char('-'));
    QCOMPARE(holds, shown);
    if (!tabTo.isEmpty()) {
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(focused(), tabTo);
    }
}

void TestMainWindowCase::screenshots()
{
    applyApplicationLook();
    Client &client = *m_client;
    MainWindow &window = *client.window;
    client.content()->setLoginName(QStringLiteral("ann@example.com"));
    client.child<QLineEdit>("passwordLineEdit")->setText(QStringLiteral("secret"));
    client.child<QCheckBox>("rememberMeCheckBox")->setChecked(true);
    QApplication::processEvents();

    const QImage login = window.grab().toImage();
    QVERIFY(login.save(screenshotPath(QStringLiteral("mainwindow-login.png"))));
    // The window picture is painted; its corners stay see-through.
    QCOMPARE(login.size(), QSize(300, 600));
    QVERIFY(qAlpha(login.pixel(150, 300)) > 0);
    QCOMPARE(qAlpha(login.pixel(0, 0)), 0);

    client.content()->setLoginInProgress(true);
    QApplication::processEvents();
    const QImage busy = window.grab().toImage();
    QVERIFY(busy.save(screenshotPath(QStringLiteral("mainwindow-busy.png"))));
    QVERIFY(busy != login);
    client.content()->setLoginInProgress(false);

    QVERIFY(logIn(client));
    // The dial pad once it has slid in, not the pictures of the slide.
    QTRY_VERIFY(!sliding(client.content()));
    QVERIFY(window.grab().save(screenshotPath(QStringLiteral("mainwindow-dialpad.png"))));
    qApp->setStyleSheet(QString());
}

LINKORA_TEST_MAIN(TestMainWindowCase)
#include "tst_mainwindow.moc"
