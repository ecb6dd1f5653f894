#include "application.h"
#include "objfactory.h"
#include "phone/phone.h"
#include "prefixprovider.h"
#include "settings/dbstore.h"
#include "settings/settings.h"
#include "startup.h"
#include "support/applicationtestmain.h"
#include "support/talktesting.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "talk/plixtalk.h"
#include "talk/proxysettings.h"
#include "ui/contentwidget.h"
#include "ui/countrytable.h"
#include "ui/incomingcalldialog.h"
#include "ui/mainwindow.h"
#include "ui/messageprompt.h"
#include "ui/minimizetotraydialog.h"
#include "ui/splashscreen.h"
#include "ui/uitesthelpers.h"
#include "util/powerevents.h"
#include "util/tracelog.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkProxyFactory>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <csignal>

namespace {

QStringList logLines()
{
    QFile file(TraceLog::logFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int indexOfLine(const QStringList &lines, const QString &text)
{
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).contains(text))
            return i;
    }
    return -1;
}

QString resourceText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromLatin1(file.readAll()) : QString();
}

SplashScreen *splashScreen()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *splash = qobject_cast<SplashScreen *>(window))
            return splash;
    }
    return nullptr;
}

const QString kUser = QStringLiteral("demo");
const QString kPassword = QStringLiteral("demo1234");

QString screenshotPath(const QString &name)
{
    const QDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));
    return dir.filePath(name);
}

bool saveScreenshot(QWidget *window, const QString &name)
{
    QDir().mkpath(QFileInfo(screenshotPath(name)).path());
    return window->grab().save(screenshotPath(name));
}

QNetworkProxy proxy(QNetworkProxy::ProxyType type, const QString &host = QString(), quint16 port = 0)
{
    return QNetworkProxy(type, host, port);
}

// The in-page question is up.
bool asking(const MainWindow *window)
{
    return window->contentWidget()->currentView() == ContentWidget::QueryUserView;
}

void clickButton(const QWidget *window, const char *name)
{
    auto *button = window->findChild<QPushButton *>(QLatin1String(name));
    QVERIFY2(button && button->isVisible(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

bool chooseFromMenu(const MainWindow *window, const char *menuName, const char *actionName)
{
    return UiTesting::chooseFromMenuBar(window->findChild<QMenuBar *>(QStringLiteral("menuBar")),
                                        window->findChild<QMenu *>(QLatin1String(menuName)),
                                        window->findChild<QAction *>(QLatin1String(actionName)));
}

} // namespace

// The application object of this process, built by main() below and driven
// through its start here, in declaration order.
class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void constructionOnlyClaimsTheInstance();
    void initializePreparesLogFontsStyleAndSplash();
    void showBeforeTheWindowExistsDoesNothing();
    void userInterfaceFollowsAfterTheDelay();
    void damagedDataFileIsToldWithTheLoginView();
    void showMessageBringsTheWindowBack();
    void quitOnTheLoginViewEndsTheProgram_data();
    void quitOnTheLoginViewEndsTheProgram();
    void signInThroughTheLoginViewReachesTheDialPad();
    void screenshotsShowTheThreeViews();
    void dialAndAnswerACallThroughTheWindow();
    void cancelledQuitKeepsTheSession();
    void suspendReachesTheMainWindow();
    void quitSignalSignsOutFirst();
    void proxyDetection_data();
    void proxyDetection();
    void quitSignalsEndTheProgramInOrder_data();
    void quitSignalsEndTheProgramInOrder();
    void quitWhileSignedInSignsOutFirst();
    void cleanupTestCase();

private:
    Application *app() const { return Application::instance(); }

    WebserviceStandIn m_webservice;
    QElapsedTimer m_sinceInitialize;
    QString m_dataFile;
    // What the data-file box said, and whether the login view was up by then.
    QStringList m_prompts;
    bool m_loginViewShownAtPrompt = false;
};

void TestApplication::initTestCase()
{
    QVERIFY(m_webservice.listen());
    m_webservice.addAccount(kUser, kPassword);
    ObjFactory::setWebserviceBaseUrl(m_webservice.baseUrl());

    // The data file is damaged before the program starts.
    m_dataFile = DbStore().databasePath();
    QFile file(m_dataFile);
    QVERIFY(QDir().mkpath(QFileInfo(m_dataFile).path()) && file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3 * 4096, '\x17'));
    file.close();
    MessagePrompt::setHandler([this](const MessagePrompt::Request &request) {
        MainWindow *window = app()->mainWindow();
        m_prompts << request.text;
        m_loginViewShownAtPrompt = window && request.parent == window && window->isVisible()
            && window->contentWidget()->currentView() == ContentWidget::LoginView;
        return QMessageBox::Ok;
    });
}

void TestApplication::constructionOnlyClaimsTheInstance()
{
    QVERIFY(app());
    QCOMPARE(QCoreApplication::instance(), app());
    QVERIFY(!app()->isRunning());
    // Nothing a deferring start could leave behind or freeze with.
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(!TraceLog::isInstalled());
    QVERIFY(!QFile::exists(TraceLog::logFilePath()));
    QVERIFY(!app()->prefixProvider());
    // On before any update check can go out.
    QVERIFY(QNetworkProxyFactory::usesSystemConfiguration());
    // Off before any window can show.
    QVERIFY(!QApplication::quitOnLastWindowClosed());
}

void TestApplication::initializePreparesLogFontsStyleAndSplash()
{
    m_sinceInitialize.start();
    app()->initialize();

    const QStringList lines = logLines();
    QVERIFY(lines.size() > 5);
    QVERIFY(lines.at(0).contains(QStringLiteral("Started the log file at:")));
    QVERIFY(lines.at(1).endsWith(QStringLiteral("Application Version: \"1.0.0\"")));

    // Each font of the index with its id and family, then the style sheet.
    int previous = 1;
    const QStringList fonts {QStringLiteral(":/fonts/04b_03b_.ttf"), QStringLiteral(":/fonts/arial.ttf"),
                             QStringLiteral(":/fonts/Swz721n.ttf")};
    for (const QString &font : fonts) {
        const int line = indexOfLine(lines, QLatin1Char('"') + font + QLatin1Char('"'));
        QVERIFY2(line > previous, qPrintable(font));
        QVERIFY2(QRegularExpression(QStringLiteral("\" \\d+ QList\\(\"[^\"]+\"\\)$"))
                     .match(lines.at(line))
                     .hasMatch(),
                 qPrintable(lines.at(line)));
        previous = line;
    }
    QVERIFY(indexOfLine(lines, QStringLiteral("adding common stylesheet")) > previous);

    const QString common = resourceText(QStringLiteral(":/css/common-stylesheet.css"));
    const QString main = resourceText(QStringLiteral(":/css/stylesheet.css"));
    QVERIFY(!common.isEmpty() && !main.isEmpty());
    QCOMPARE(app()->styleSheet(), common + main);

    QVERIFY(app()->prefixProvider());
    QCOMPARE(app()->prefixProvider()->prefixOfNumber(QStringLiteral("+441234")), QStringLiteral("44"));
    QCOMPARE(countryTable(), app()->prefixProvider());
    SplashScreen *splash = splashScreen();
    QVERIFY(splash);
    QVERIFY(splash->isVisible());
    QVERIFY(!app()->mainWindow());
}

void TestApplication::showBeforeTheWindowExistsDoesNothing()
{
    emit app()->messageReceived(QStringLiteral("--show"));
    // Whatever the message set going, but not the start's own timer for the
    // window, which may be due by now on a busy machine.
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
    QVERIFY(!app()->mainWindow());
    QVERIFY(splashScreen()->isVisible());
}

void TestApplication::userInterfaceFollowsAfterTheDelay()
{
    QTRY_VERIFY_WITH_TIMEOUT(app()->mainWindow(), 5000);
    QVERIFY2(m_sinceInitialize.elapsed() >= Application::kInitUIDelayMs - 10,
             qPrintable(QString::number(m_sinceInitialize.elapsed())));
    MainWindow *window = app()->mainWindow();
    QVERIFY(window->isVisible());
    QVERIFY(!splashScreen()->isVisible());
    QVERIFY(!QApplication::quitOnLastWindowClosed());
    QVERIFY(!QApplication::windowIcon().isNull());
    QVERIFY(indexOfLine(logLines(), QStringLiteral("Login view shown")) > 0);
}

void TestApplication::damagedDataFileIsToldWithTheLoginView()
{
    QTRY_COMPARE(m_prompts.size(), 1);
    QVERIFY(m_loginViewShownAtPrompt);
    QVERIFY2(m_prompts.first().contains(m_dataFile) && m_prompts.first().contains(QStringLiteral("damaged")),
             qPrintable(m_prompts.first()));
    MessagePrompt::setHandler({});
}

void TestApplication::showMessageBringsTheWindowBack()
{
    MainWindow *window = app()->mainWindow();
    window->hide();
    emit app()->messageReceived(QStringLiteral("--hide"));
    emit app()->messageReceived(QStringLiteral("--SHOW"));
    QTest::qWait(50);
    QVERIFY(!window->isVisible());

    emit app()->messageReceived(QStringLiteral("--show"));
    // On the next turn of the event loop, not at once.
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(window->isVisible());
    QVERIFY(!window->isMinimized());
}

void TestApplication::quitOnTheLoginViewEndsTheProgram_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("tray");
    QTest::newRow("CLOSE") << "logoutButton" << false;
    QTest::newRow("title bar") << "closeButton" << false;
    QTest::newRow("Phone, Close") << "actionClose" << false;
    // Closing hides to the tray; the tray's menu quits.
    QTest::newRow("tray") << "logoutButton" << true;
}

// Answered Ok, "Quit?" ends the program's own event loop, whatever the
// window does with a close.
void TestApplication::quitOnTheLoginViewEndsTheProgram()
{
    QFETCH(QString, way);
    QFETCH(bool, tray);
    MainWindow *window = app()->mainWindow();
    QCOMPARE(window->contentWidget()->currentView(), ContentWidget::LoginView);
    const UiTesting::TrayPresence trayPresence(tray);

    int notices = 0;
    UiTesting::ScriptedUser user;
    user.then(
        way, [] { return true; },
        [&] {
            if (way == QLatin1String("actionClose"))
                QVERIFY(chooseFromMenu(window, "menuPhone", "actionClose"));
            else
                clickButton(window, qPrintable(way));
        });
    // Any notice counts: one on the way out would mean the quit only hid
    // the window.
    const auto notice = [] {
        return qobject_cast<MinimizeToTrayDialog *>(QApplication::activeModalWidget());
    };
    if (tray) {
        user.then(
            QStringLiteral("notice"), [&] { return notice() != nullptr; },
            [&] {
                ++notices;
                clickButton(notice(), "closeButton");
            });
        user.then(
            QStringLiteral("tray menu"), [&] { return !window->isVisible(); },
            [&] {
                QMenu *menu = window->trayIcon()->contextMenu();
                menu->popup(QPoint(200, 200));
                QVERIFY(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000));
                QVERIFY(UiTesting::clickMenuEntry(
                    menu, window->findChild<QAction *>(QStringLiteral("actionQuit"))));
            });
    }
    user.then(
        QStringLiteral("Ok"), [&] { return asking(window); },
        [&] { clickButton(window, "queryUserOkButton"); });

    const int exitCode = UiTesting::runProgramLoop(10000);
    QVERIFY2(user.waitingFor().isEmpty(), qPrintable(user.waitingFor()));
    QCOMPARE(exitCode, 0);
    QCOMPARE(notices, tray ? 1 : 0);
    QVERIFY(!notice());
    QVERIFY(window->isVisible());
}

void TestApplication::signInThroughTheLoginViewReachesTheDialPad()
{
    MainWindow *window = app()->mainWindow();
    ContentWidget *content = window->contentWidget();
    // The first-run dialog is modal and would hold the test.
    ObjFactory::instance()->settings()->setShowWelcome(false);
    QCOMPARE(content->currentView(), ContentWidget::LoginView);

    auto *loginCombo = content->findChild<QComboBox *>(QStringLiteral("loginCombo"));
    auto *password = content->findChild<QLineEdit *>(QStringLiteral("passwordLineEdit"));
    auto *loginPages = content->findChild<QStackedWidget *>(QStringLiteral("loginPageStackedWidget"));
    QVERIFY(loginCombo && loginCombo->lineEdit() && password && loginPages);

    window->activateWindow();
    QTest::keyClicks(loginCombo->lineEdit(), kUser);
    QTest::keyClicks(password, kPassword);
    QCOMPARE(password->text(), kPassword);
    QVERIFY(saveScreenshot(window, QStringLiteral("login-view.png")));

    // Long enough to see the busy view.
    m_webservice.delayNext(1500, {QStringLiteral("account"), QByteArray()});
    QTest::keyClick(password, Qt::Key_Return);
    QTRY_COMPARE(loginPages->currentWidget()->objectName(), QStringLiteral("loginProgressPage"));
    QTest::qWait(100);
    QVERIFY(saveScreenshot(window, QStringLiteral("busy-view.png")));

    QTRY_COMPARE_WITH_TIMEOUT(content->currentView(), ContentWidget::DialPadView, 20000);
    QVERIFY(window->isLoggedIn());
    // The page animation and the lists that follow a login.
    QTRY_VERIFY_WITH_TIMEOUT(ObjFactory::instance()->phone()->talk()->isConnected(), 5000);
    QTest::qWait(1000);
    QVERIFY(saveScreenshot(window, QStringLiteral("dialpad-view.png")));

    bool accountAsked = false;
    const QList<WebserviceStandIn::Request> requests = m_webservice.requests();
    for (const WebserviceStandIn::Request &request : requests)
        accountAsked
            = accountAsked || (request.resource == QLatin1String("account") && request.user() == kUser);
    QVERIFY(accountAsked);
}

void TestApplication::screenshotsShowTheThreeViews()
{
    QImage previous;
    for (const char *name : {"login-view.png", "busy-view.png", "dialpad-view.png"}) {
        const QImage image(screenshotPath(QLatin1String(name)));
        QVERIFY2(!image.isNull(), name);
        QCOMPARE(image.size(), app()->mainWindow()->size());
        // Each view looks different from the one before.
        QVERIFY2(image != previous, name);
        previous = image;
    }
}

void TestApplication::dialAndAnswerACallThroughTheWindow()
{
    MainWindow *window = app()->mainWindow();
    ContentWidget *content = window->contentWidget();
    Phone *phone = ObjFactory::instance()->phone();
    const PlixStandinControl *control = TalkTesting::control();
    QVERIFY(control);
    QCOMPARE(content->currentView(), ContentWidget::DialPadView);
    // The dial pad's own number field: the SMS page has one too.
    auto *number = content->findChild<QWidget *>(QStringLiteral("dialPadPage"))
                       ->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    auto *callButton = content->findChild<QPushButton *>(QStringLiteral("callHungUpButton"));
    auto *state = content->findChild<QLabel *>(QStringLiteral("callStateLabel"));
    QVERIFY(number && callButton && state);
    // The account's credit has to be in before the dial pad places a call.
    QTRY_VERIFY_WITH_TIMEOUT(phone->balance().credit() > 0, 5000);
    // The calls' running times move only when the test turns the clock.
    TestClock clock;

    // Typed on the dial pad and called with the key pad's Enter, answered by
    // the far end after ringing.
    control->set_call_outcome(PLIX_STANDIN_ANSWER);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClicks(number, QStringLiteral("4930123456"));
    QTest::keyClick(number, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("00:00:00"), 5000);
    QVERIFY2(QString::fromUtf8(control->last_callee()).contains(QStringLiteral("4930123456")),
             control->last_callee());
    QCOMPARE(callButton->text(), QStringLiteral("Hang Up"));
    clock.advance(1000);
    QTRY_COMPARE(state->text(), QStringLiteral("00:00:01"));
    QVERIFY(saveScreenshot(window, QStringLiteral("dialpad-in-call.png")));

    // Return in the number field hangs up, as the button would.
    QTest::keyClick(number, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(phone->calls().isEmpty(), 5000);
    QCOMPARE(callButton->text(), QStringLiteral("Call"));
    QCOMPARE(control->live_calls(), 0);

    // A call comes in: the pop-up names the caller and answers it.
    QSignalSpy started(phone, &Phone::callStarted);
    QVERIFY(control->raise_incoming_call("4940999888"));
    IncomingCallDialog *popup = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((popup = window->findChild<IncomingCallDialog *>()) && popup->isVisible(), 5000);
    QVERIFY(popup->findChild<QLabel *>(QStringLiteral("infoLabel"))
                ->text()
                .contains(QStringLiteral("4940999888")));
    QTest::qWait(100);
    QVERIFY(popup->grab().save(screenshotPath(QStringLiteral("incoming-call.png"))));

    QTest::mouseClick(popup->findChild<QPushButton *>(QStringLiteral("anwserButton")), Qt::LeftButton);
    QVERIFY(!popup->isVisible());
    QVERIFY(started.count() > 0 || started.wait(5000));
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("00:00:00"), 5000);
    QCOMPARE(control->live_calls(), 1);

    QTest::mouseClick(callButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(phone->calls().isEmpty(), 5000);
    QCOMPARE(control->live_calls(), 0);

    // The two new pictures show something, each its own.
    const QImage inCall(screenshotPath(QStringLiteral("dialpad-in-call.png")));
    const QImage idle(screenshotPath(QStringLiteral("dialpad-view.png")));
    const QImage incoming(screenshotPath(QStringLiteral("incoming-call.png")));
    QCOMPARE(inCall.size(), window->size());
    QVERIFY(inCall != idle);
    QCOMPARE(incoming.size(), popup->size());
}

// Cancel leaves the user signed in, with the session at work.
void TestApplication::cancelledQuitKeepsTheSession()
{
    MainWindow *window = app()->mainWindow();
    ContentWidget *content = window->contentWidget();
    Phone *phone = ObjFactory::instance()->phone();
    QCOMPARE(content->currentView(), ContentWidget::DialPadView);

    UiTesting::ScriptedUser user;
    user.then(
        QStringLiteral("close"), [] { return true; }, [&] { clickButton(window, "closeButton"); });
    user.then(
        QStringLiteral("Cancel"), [&] { return asking(window); },
        [&] { clickButton(window, "queryUserCancelButton"); });
    QCOMPARE(UiTesting::runProgramLoop(3000), UiTesting::kStillRunning);
    QVERIFY2(user.waitingFor().isEmpty(), qPrintable(user.waitingFor()));

    QCOMPARE(content->currentView(), ContentWidget::DialPadView);
    QVERIFY(window->isLoggedIn());
    QCOMPARE(phone->sessionState(), Phone::LoggedIn);
    QVERIFY(phone->talk()->isConnected());
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("logoutCloseLabel"))->text(),
             QStringLiteral("LOGOUT"));

    // A call still goes through.
    const PlixStandinControl *control = TalkTesting::control();
    control->set_call_outcome(PLIX_STANDIN_ANSWER);
    auto *number = content->findChild<QWidget *>(QStringLiteral("dialPadPage"))
                       ->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    auto *state = content->findChild<QLabel *>(QStringLiteral("callStateLabel"));
    window->activateWindow();
    QTest::keyClicks(number, QStringLiteral("4930765432"));
    QTest::keyClick(number, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("00:00:00"), 5000);
    QTest::keyClick(number, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(phone->calls().isEmpty(), 5000);
    QCOMPARE(control->live_calls(), 0);
}

void TestApplication::suspendReachesTheMainWindow()
{
    auto *power = app()->findChild<PowerEventSource *>();
    QVERIFY(power);
    talk::PlixTalk *talk = ObjFactory::instance()->phone()->talk();
    QVERIFY(talk->isConnected());
    // The main window logs the phone out before the system sleeps.
    power->onPrepareForSleep(true);
    QTRY_VERIFY(!talk->isConnected());
    QVERIFY(indexOfLine(logLines(), QStringLiteral("Suspending: logging out")) > 0);
}

// A desktop logout or Ctrl+C ends a signed-in program the way its Quit does:
// signed out of the talk service first, then out of the event loop.
void TestApplication::quitSignalSignsOutFirst()
{
    Phone *phone = ObjFactory::instance()->phone();
    phone->login(false);
    QTRY_VERIFY_WITH_TIMEOUT(phone->talk()->isConnected(), 10000);
    const int linesBefore = logLines().size();

    // The program's event loop, which the signal ends.
    QEventLoop programLoop;
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    QTimer::singleShot(10000, &programLoop, [&] { programLoop.exit(1); });
    QCOMPARE(programLoop.exec(), 0);
    QVERIFY(!phone->talk()->isConnected());
    QCOMPARE(phone->sessionState(), Phone::LoggedOut);
    const QStringList lines = logLines().mid(linesBefore);
    const int quitting = indexOfLine(lines, QStringLiteral("Quitting on signal %1").arg(SIGTERM));
    const int loggedOut = indexOfLine(lines, QStringLiteral("Logged out."));
    QVERIFY(quitting >= 0);
    QVERIFY(loggedOut > quitting);
    QCOMPARE(indexOfLine(lines, QStringLiteral("No sign-out in time")), -1);
}

void TestApplication::proxyDetection_data()
{
    QTest::addColumn<bool>("customBefore");
    QTest::addColumn<QList<QNetworkProxy>>("answer");
    QTest::addColumn<bool>("customAfter");
    QTest::addColumn<int>("storedModeAfter");
    QTest::addColumn<QString>("storedHostAfter");
    QTest::addColumn<int>("appliedMode"); // -1: nothing applied
    QTest::addColumn<QString>("appliedHost");
    QTest::addColumn<QStringList>("detectedHosts");

    const QNetworkProxy none = proxy(QNetworkProxy::NoProxy);
    const QNetworkProxy http = proxy(QNetworkProxy::HttpProxy, QStringLiteral("proxy.example"), 3128);
    const QNetworkProxy socks = proxy(QNetworkProxy::Socks5Proxy, QStringLiteral("socks.example"), 1080);
    const QString mine = QStringLiteral("mine.example");

    QTest::newRow("no proxy switches to no proxy")
        << false << QList<QNetworkProxy> {none} << false << int(talk::ProxySettings::NoProxy) << QString()
        << int(talk::ProxySettings::NoProxy) << QString() << QStringList();
    QTest::newRow("no proxy among others: others remembered")
        << false << QList<QNetworkProxy> {http, none, socks} << false << int(talk::ProxySettings::NoProxy)
        << QString() << int(talk::ProxySettings::NoProxy) << QString()
        << QStringList {QStringLiteral("proxy.example"), QStringLiteral("socks.example")};
    QTest::newRow("custom proxy survives a no-proxy answer")
        << true << QList<QNetworkProxy> {none} << true << int(talk::ProxySettings::Http) << mine
        << int(talk::ProxySettings::Http) << mine << QStringList();
    QTest::newRow("custom proxy with system proxies")
        << true << QList<QNetworkProxy> {http} << true << int(talk::ProxySettings::Http) << mine
        << int(talk::ProxySettings::Http) << mine << QStringList {QStringLiteral("proxy.example")};
    QTest::newRow("system proxy only: nothing applied")
        << false << QList<QNetworkProxy> {http} << false << int(talk::ProxySettings::Http) << mine << -1
        << QString() << QStringList {QStringLiteral("proxy.example")};
    QTest::newRow("empty answer, custom proxy applied")
        << true << QList<QNetworkProxy>() << true << int(talk::ProxySettings::Http) << mine
        << int(talk::ProxySettings::Http) << mine << QStringList();
}

void TestApplication::proxyDetection()
{
    QFETCH(bool, customBefore);
    QFETCH(QList<QNetworkProxy>, answer);
    QFETCH(bool, customAfter);
    QFETCH(int, storedModeAfter);
    QFETCH(QString, storedHostAfter);
    QFETCH(int, appliedMode);
    QFETCH(QString, appliedHost);
    QFETCH(QStringList, detectedHosts);

    const PlixStandinControl *control = TalkTesting::control();
    QVERIFY(control);
    Settings *settings = ObjFactory::instance()->settings();
    Phone *phone = ObjFactory::instance()->phone();
    const talk::ProxySettings users(talk::ProxySettings::Http, QStringLiteral("mine.example"), 8080, true,
                                    QStringLiteral("me"), QStringLiteral("secret"));
    settings->setProxySettings(users);
    settings->setCustomProxy(customBefore);
    // A proxy no row applies, to tell "nothing applied" from the rows' answers.
    phone->setProxySettings(
        talk::ProxySettings(talk::ProxySettings::Socks5, QStringLiteral("marker.example"), 1, false, {}, {}));

    const QList<QNetworkProxy> detected = Application::applyDetectedProxies(answer, settings, phone);

    QStringList hosts;
    for (const QNetworkProxy &p : detected)
        hosts << p.hostName();
    QCOMPARE(hosts, detectedHosts);
    QCOMPARE(settings->customProxy(), customAfter);
    QCOMPARE(settings->proxySettings().mode(), storedModeAfter);
    QCOMPARE(settings->proxySettings().host(), storedHostAfter);
    if (storedModeAfter == talk::ProxySettings::Http)
        QCOMPARE(settings->proxySettings().password(), QStringLiteral("secret"));
    if (appliedMode < 0) {
        QCOMPARE(QString::fromUtf8(control->proxy_host()), QStringLiteral("marker.example"));
    } else {
        QCOMPARE(control->proxy_mode(), appliedMode);
        QCOMPARE(QString::fromUtf8(control->proxy_host()), appliedHost);
    }
}

void TestApplication::quitSignalsEndTheProgramInOrder_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestApplication::quitSignalsEndTheProgramInOrder()
{
    QFETCH(int, signalNumber);
    // The program itself, in a home of its own.
    const QString home = TestEnvironment::freshDirectory(QStringLiteral("program-%1").arg(signalNumber));
    const QString data = home + QStringLiteral("/XDG_DATA_HOME/Halvetta/Halvetta Linkora/");
    const auto log = [&data] {
        return QString::fromUtf8(TestEnvironment::fileContents(data + QStringLiteral("logs/plixtrace.log")));
    };
    QProcess program;
    program.setProcessEnvironment(TestEnvironment::programEnvironment(home));
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(LINKORA_PROGRAM), {QStringLiteral("-noupdate")});
    QTRY_VERIFY_WITH_TIMEOUT(log().contains(QStringLiteral("Login view shown")), 30000);
    QVERIFY(QFile::exists(data + QStringLiteral("data.px-wal")));

    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // Out through main: the database closed without its journal, the log last.
    const QStringList lines = log().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(indexOfLine(lines, QStringLiteral("Quitting on signal %1").arg(signalNumber)) > 0);
    QVERIFY(indexOfLine(lines, QStringLiteral("Closed databases")) > 0);
    QVERIFY(lines.last().contains(QStringLiteral("Closing up the log file")));
    QVERIFY(!QFile::exists(data + QStringLiteral("data.px-wal")));
    QVERIFY(!QFile::exists(data + QStringLiteral("data.px-shm")));
}

// Signed in, Ok on "Quit?" signs out of the talk service first, then the
// program's event loop ends.
void TestApplication::quitWhileSignedInSignsOutFirst()
{
    MainWindow *window = app()->mainWindow();
    Phone *phone = ObjFactory::instance()->phone();
    phone->login(false);
    QTRY_VERIFY_WITH_TIMEOUT(phone->talk()->isConnected(), 10000);
    QTRY_VERIFY(window->isLoggedIn());

    QStringList order;
    const QObject listening;
    connect(phone, &Phone::logoutSuccessful, &listening, [&] { order << "signed out"; });
    connect(app(), &QCoreApplication::aboutToQuit, &listening, [&] { order << "quit"; });
    UiTesting::ScriptedUser user;
    user.then(
        QStringLiteral("Phone, Close"), [] { return true; },
        [&] { QVERIFY(chooseFromMenu(window, "menuPhone", "actionClose")); });
    user.then(
        QStringLiteral("Ok"), [&] { return asking(window); },
        [&] { clickButton(window, "queryUserOkButton"); });

    QCOMPARE(UiTesting::runProgramLoop(10000), 0);
    QVERIFY2(user.waitingFor().isEmpty(), qPrintable(user.waitingFor()));
    QCOMPARE(order, (QStringList {"signed out", "quit"}));
    QVERIFY(!phone->talk()->isConnected());
    QCOMPARE(phone->sessionState(), Phone::LoggedOut);
}

void TestApplication::cleanupTestCase()
{
    // Back to the system's proxies for whatever runs after.
    ObjFactory::instance()->settings()->setCustomProxy(false);
    ObjFactory::instance()->phone()->setProxySettings(talk::ProxySettings());
}

LINKORA_APPLICATION_TEST_MAIN(TestApplication)

#include "tst_application.moc"
