#ifndef APPLICATION_H
#define APPLICATION_H

#include "util/qtsingleapplication.h"

#include <QList>
#include <QNetworkProxy>
#include <QPointer>
#include <QtGlobal>

class MainWindow;
class ObjFactory;
class Phone;
class PowerEventSource;
class PrefixProvider;
class QuitSignalWatcher;
class Settings;
class SplashScreen;

// The program's one application object. Constructing it only claims the
// single-instance identity, so that a second start can defer to the running
// one before it writes anything or shows a window; initialize() then prepares
// the services, the trace log, fonts and style sheet and the splash screen,
// and builds the main window 750 ms later.
class Application : public QtSingleApplication
{
    Q_OBJECT
    Q_DISABLE_COPY(Application)

public:
    Application(int &argc, char **argv);
    ~Application() override;

    // The living application object, or null.
    static Application *instance();

    // Everything that has to exist before the first window; call once, after
    // the single-instance wait.
    void initialize();

    PrefixProvider *prefixProvider() const;
    // The proxies the system named for the service's web site, "no proxy" left out.
    QList<QNetworkProxy> detectedProxies() const;
    // Null until the user interface is built.
    MainWindow *mainWindow() const;

    // Whether the service's companion client runs on this computer.
    static bool isJavaAppRunning();

    static bool installLinkoraMessageHandler();
    static void uninstallLinkoraMessageHandler();
    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    // Applies the system's proxy answer for the service's web site: a "no
    // proxy" answer switches the phone to no proxy unless the user chose a
    // custom proxy, whose stored settings are applied instead. Answers the
    // proxies to remember for a failed login.
    static QList<QNetworkProxy> applyDetectedProxies(const QList<QNetworkProxy> &answer, Settings *settings,
                                                     Phone *phone);
    // The address asked about.
    static QUrl proxyQueryUrl();

    static constexpr int kInitUIDelayMs = 750;
    // How long a quit signal waits for the sign-out of the talk service.
    static constexpr int kQuitSignalLogoutWaitMs = 3000;

private slots:
    void initUI();
    void onApplicationMessageReceived(const QString &message);
    void onMediaEngineCreated();
    void onPowerStateChanged(int state);
    void onQuitSignal(int signalNumber);
    void showStorageProblem(const QString &message);

private:
    void loadFonts();
    void loadStyleSheet();
    void detectProxies();

    QPointer<MainWindow> m_mainWindow;
    PrefixProvider *m_prefixProvider = nullptr;
    SplashScreen *m_splashScreen = nullptr;
    QPointer<ObjFactory> m_objFactory;
    QList<QNetworkProxy> m_detectedProxies;
    PowerEventSource *m_powerEvents = nullptr;
    QuitSignalWatcher *m_quitSignals = nullptr;
    bool m_initialized = false;
    bool m_quittingOnSignal = false;
};

#endif // APPLICATION_H
