#include "application.h"

#include "history/history.h"
#include "objfactory.h"
#include "phone/phone.h"
#include "prefixprovider.h"
#include "rest/restmanager.h"
#include "settings/dbstore.h"
#include "settings/settings.h"
#include "talk/mediaengine.h"
#include "talk/plixtalk.h"
#include "talk/proxysettings.h"
#include "ui/countrytable.h"
#include "ui/mainwindow.h"
#include "ui/messageprompt.h"
#include "ui/splashscreen.h"
#include "update/updater.h"
#include "util/javaappdetector.h"
#include "util/powerevents.h"
#include "util/quitsignalwatcher.h"
#include "util/trace.h"
#include "util/tracelog.h"

#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QTimer>
#include <QUrl>

namespace {

Application *s_instance = nullptr;

constexpr int kUpdateCheckIntervalMs = 4 * 60 * 60 * 1000;

QByteArray readResource(const QString &path, QIODevice::OpenMode mode = QIODevice::ReadOnly)
{
    QFile file(path);
    if (!file.open(mode))
        return QByteArray();
    return file.readAll();
}

} // namespace

Application::Application(int &argc, char **argv)
    : QtSingleApplication(QString(), argc, argv)
{
    s_instance = this;
    // Closing a window never ends the program, only an explicit quit does:
    // an update offer answered while the splash screen shows closes the
    // only window there is.
    setQuitOnLastWindowClosed(false);
    // Before anything can reach the network, the first update check included.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    connect(this, &QtSingleApplication::messageReceived, this, &Application::onApplicationMessageReceived);
}

Application::~Application()
{
    delete m_splashScreen;
    delete m_mainWindow.data();
    delete m_prefixProvider;
    // Leaves the database whole, without its journal, and the log closed.
    if (m_objFactory)
        m_objFactory->closeDb();
    if (m_initialized)
        uninstallLinkoraMessageHandler();
    s_instance = nullptr;
}

Application *Application::instance()
{
    return s_instance;
}

void Application::initialize()
{
    if (m_initialized)
        return;
    m_initialized = true;

    m_prefixProvider = new PrefixProvider;
    // One table per process: the number fields use this one too.
    setCountryTable(m_prefixProvider);
    m_splashScreen = new SplashScreen(nullptr);
    m_objFactory = ObjFactory::instance();

    installLinkoraMessageHandler();

    loadFonts();
    loadStyleSheet();

    m_splashScreen->show();
    QTimer::singleShot(kInitUIDelayMs, this, &Application::initUI);

    // Checks come from the start and from the menu; this timer is never started.
    auto *updateTimer = new QTimer(this);
    updateTimer->setInterval(kUpdateCheckIntervalMs);
    connect(updateTimer, &QTimer::timeout, m_objFactory->updater(), &Updater::startCheckForUpdates);

    m_powerEvents = new PowerEventSource(this);
    connect(m_powerEvents, &PowerEventSource::powerStateChanged, this, &Application::onPowerStateChanged);

    m_quitSignals = new QuitSignalWatcher(this);
    connect(m_quitSignals, &QuitSignalWatcher::quitRequested, this, &Application::onQuitSignal);
}

void Application::loadFonts()
{
    const QString index = QString::fromLatin1(
        readResource(QStringLiteral(":/fonts/index.txt"), QIODevice::ReadOnly | QIODevice::Text));
    const QStringList paths = index.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &path : paths) {
        const int id = QFontDatabase::addApplicationFontFromData(readResource(path));
        TRACE << path << id << QFontDatabase::applicationFontFamilies(id);
    }
}

void Application::loadStyleSheet()
{
    QString styleSheet;
    const QString common = QStringLiteral(":/css/common-stylesheet.css");
    if (QFile::exists(common)) {
        TRACE << "adding common stylesheet";
        styleSheet = QString::fromLatin1(readResource(common, QIODevice::ReadOnly | QIODevice::Text));
    }
    styleSheet += QString::fromLatin1(
        readResource(QStringLiteral(":/css/stylesheet.css"), QIODevice::ReadOnly | QIODevice::Text));
    setStyleSheet(styleSheet);
}

PrefixProvider *Application::prefixProvider() const
{
    return m_prefixProvider;
}

QList<QNetworkProxy> Application::detectedProxies() const
{
    return m_detectedProxies;
}

MainWindow *Application::mainWindow() const
{
    return m_mainWindow.data();
}

void Application::initUI()
{
    setWindowIcon(QIcon(QStringLiteral(":/gfx/app-icon.ico")));

    Phone *phone = m_objFactory->phone();
    Settings *settings = m_objFactory->settings();
    HomeUrls *homeUrls = m_objFactory->homeUrls();
    RestManager *restManager = m_objFactory->restManager();
    ContactManager *contactManager = m_objFactory->contactManager();
    History *history = m_objFactory->history();
    talk::PlixTalk *talk = m_objFactory->plixTalk();

    m_mainWindow = new MainWindow(nullptr);
    m_mainWindow->setSettings(settings);
    m_mainWindow->setPhone(phone);
    m_mainWindow->setUrls(homeUrls);
    m_mainWindow->setRestManager(restManager);
    m_mainWindow->setContactManager(contactManager);
    m_mainWindow->setHistory(history);
    m_mainWindow->setTalk(talk);
    // A network login failure falls back on what the system named at start.
    m_mainWindow->setDetectedProxiesSource([this] { return m_detectedProxies; });

    connect(phone, &Phone::usernameChanged, restManager, &RestManager::onUsernameChanged);
    connect(phone, &Phone::passwordChanged, restManager, &RestManager::onPasswordChanged);
    connect(phone, &Phone::mediaEngineCreated, this, &Application::onMediaEngineCreated);

    m_splashScreen->hide();
    m_mainWindow->showLogIn();
    TRACE << "Login view shown";

    // A damaged or unusable data file is told with the login view, and any
    // later failure to save when it happens.
    DbStore *store = m_objFactory->dbStore();
    connect(store, &DbStore::problemOccurred, this, &Application::showStorageProblem, Qt::QueuedConnection);
    if (!store->problem().isEmpty())
        QMetaObject::invokeMethod(
            this, [this, message = store->problem()] { showStorageProblem(message); }, Qt::QueuedConnection);

    detectProxies();
}

QUrl Application::proxyQueryUrl()
{
    return QUrl(QStringLiteral("http://www.halvetta.example/"));
}

void Application::detectProxies()
{
    const QList<QNetworkProxy> answer
        = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(proxyQueryUrl()));
    m_detectedProxies = applyDetectedProxies(answer, m_objFactory->settings(), m_objFactory->phone());
}

QList<QNetworkProxy> Application::applyDetectedProxies(const QList<QNetworkProxy> &answer, Settings *settings,
                                                       Phone *phone)
{
    QList<QNetworkProxy> detected;
    if (!answer.isEmpty())
        TRACE << "Auto detected proxies:";
    // A proxy the user set up stays, whatever the system says.
    const bool customProxy = settings->customProxy();
    for (const QNetworkProxy &proxy : answer) {
        TRACE << proxy.hostName() << proxy.port() << int(proxy.type());
        if (proxy.type() != QNetworkProxy::NoProxy) {
            detected << proxy;
            continue;
        }
        if (customProxy) {
            TRACE << "Custom proxy chosen by the user: system answer ignored";
            continue;
        }
        settings->setCustomProxy(false);
        talk::ProxySettings noProxy;
        noProxy.setMode(talk::ProxySettings::NoProxy);
        settings->setProxySettings(noProxy);
        phone->setProxySettings(noProxy);
    }
    if (settings->customProxy())
        phone->setProxySettings(settings->proxySettings());
    return detected;
}

void Application::onApplicationMessageReceived(const QString &message)
{
    TRACE << "Message from another instance:" << message;
    if (message != QLatin1String("--show") || !m_mainWindow)
        return;
    QTimer::singleShot(0, m_mainWindow.data(), &MainWindow::onShowPhoneActionTriggered);
}

void Application::onMediaEngineCreated()
{
    Phone *phone = m_objFactory->phone();
    if (m_mainWindow)
        m_mainWindow->setTalk(phone->talk());
    if (talk::MediaEngine *engine = phone->mediaEngine()) {
        engine->setSettings(m_objFactory->settings());
        engine->pickDefaultDevices(false);
    }
}

void Application::onPowerStateChanged(int state)
{
    if (m_mainWindow)
        m_mainWindow->setPowerState(state);
}

void Application::onQuitSignal(int signalNumber)
{
    // The end the window's Quit takes: signed out of the talk service, out
    // of the event loop, then main's shutdown. exit() rather than quit(),
    // which a window may refuse. A second signal does not wait any more.
    TRACE << "Quitting on signal" << signalNumber;
    Phone *phone = m_mainWindow && m_objFactory && !m_quittingOnSignal ? m_objFactory->phone() : nullptr;
    m_quittingOnSignal = true;
    if (!phone || (phone->sessionState() == Phone::LoggedOut && !phone->isConnected())) {
        QCoreApplication::exit(0);
        return;
    }
    TRACE << "Signing out before quitting";
    // A call in progress is hung up first, which takes a moment; the wait
    // is bounded all the same.
    auto *deadline = new QTimer(this);
    deadline->setSingleShot(true);
    const auto finish = [deadline] {
        if (!deadline->isActive())
            return;
        deadline->stop();
        QCoreApplication::exit(0);
    };
    connect(phone, &Phone::logoutSuccessful, deadline, finish, Qt::SingleShotConnection);
    connect(deadline, &QTimer::timeout, this, [] {
        TRACE << "No sign-out in time; quitting";
        QCoreApplication::exit(0);
    });
    deadline->start(kQuitSignalLogoutWaitMs);
    phone->logout();
}

void Application::showStorageProblem(const QString &message)
{
    MessagePrompt::critical(m_mainWindow, tr("Data file"), message);
}

bool Application::isJavaAppRunning()
{
    JavaAppDetector detector;
    QEventLoop loop;
    connect(&detector, &JavaAppDetector::finished, &loop, &QEventLoop::quit);
    if (detector.start())
        loop.exec();
    return detector.found();
}

bool Application::installLinkoraMessageHandler()
{
    return TraceLog::install();
}

void Application::uninstallLinkoraMessageHandler()
{
    TraceLog::uninstall();
}

void Application::messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    TraceLog::messageHandler(type, context, message);
}
