#ifndef LINKORA_UI_MAINWINDOW_H
#define LINKORA_UI_MAINWINDOW_H

#include "phone/phone.h"

#include <QList>
#include <QMainWindow>
#include <QNetworkProxy>
#include <QPoint>
#include <QScopedPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class ConnectivityCheck;
class ContactManager;
class ContentWidget;
class History;
class HomeUrls;
class QTimer;
class RestManager;
class Settings;

namespace talk {
class PlixTalk;
}

namespace Ui {
class MainWindow;
class MainWindowMenu;
} // namespace Ui

// The one top-level window: frameless and translucent, drawn by the style
// sheet. It frames the central area, carries the menu bar and the tray icon,
// and drives signing in, logging out and quitting from the user's side; it
// also reacts to failed logins, to the loss of the connection and to the
// system's suspend and resume.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(MainWindow)

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The services, handed over once each in this order before showLogIn().
    void setSettings(Settings *settings);
    void setPhone(Phone *phone);
    void setUrls(HomeUrls *urls);
    void setRestManager(RestManager *restManager);
    void setContactManager(ContactManager *contactManager);
    void setHistory(History *history);
    void setTalk(talk::PlixTalk *talk);

    // 1 the system suspends, 2 it has resumed; a repeated state is ignored.
    void setPowerState(int state);

    // Where the proxies that the application detected at start come from;
    // a failed login of the network kind tries the first of them.
    void setDetectedProxiesSource(std::function<QList<QNetworkProxy>()> source);

    ContentWidget *contentWidget() const;
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    bool isLoggedIn() const { return m_loggedIn; }

public slots:
    void requestQuit();
    void requestLogout();
    void doLogOut();
    void logIn();
    void showWelcomeDialog();
    bool showIncommingCall(const QString &caller);
    void showLogIn();
    // "Show Phone", and a second start of the program.
    void onShowPhoneActionTriggered();

protected:
    // The window manager's close (Alt+F4, the task bar) does what the
    // window's own close button does.
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private slots:
    void crashApp();
    void onCloseTriggered();
    void onMinimizeClicked();
    void onSettingsActionTriggered();
    void onAddContactActionTriggered();
    void onCreateGroupActionTriggered();
    void onImportContactsActionTriggered();
    void onAboutActionTriggered();
    void onMenuURLActionTriggered();
    void onCheckForUpdatesTriggered();
    void onChangeViewActionTriggerd();
    void onLoginFailed(Phone::LoginError error);
    void onSuspend();
    void onResume();
    void onResumeConnectivityChecked(bool online);
    void showQuitQuery();
    void showLogoutQuery();
    void onConnectionMissed();
    void onConnectionReplaced();
    void onConnectionError();
    void onCallContactTriggered();
    void onCallPhoneNumberTriggered();
    void onSysTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void onLoginClicked(const QString &user, const QString &password);
    void onLoginCancelled();

private:
    // Ends the program's event loop, whatever the windows say.
    void quitApplication();
    void setLoggedInActionsEnabled(bool on);
    void maybeShowHidingToTrayDialog();
    // The window's side of a logout: the login view, the menus and the
    // logout button of the logged-out state.
    void enterLoggedOutState();
    void recoverFromNetworkLoginFailure();
    // Logs out first, so that nothing signs in again behind the box.
    void reportConnectionLoss(const QString &title, const QString &text);
    void setLogoutButtonHandler(bool loggedIn);

    const QScopedPointer<Ui::MainWindow> m_ui;
    bool m_dragging = false;
    QPoint m_dragPosition;
    const QScopedPointer<Ui::MainWindowMenu> m_menuUi;
    int m_powerState = 0;
    QSystemTrayIcon *m_trayIcon = nullptr;
    Phone *m_phone = nullptr;
    Settings *m_settings = nullptr;
    HomeUrls *m_urls = nullptr;
    RestManager *m_restManager = nullptr;
    talk::PlixTalk *m_talk = nullptr;
    ContactManager *m_contactManager = nullptr;
    History *m_history = nullptr;

    bool m_loggedIn = false;
    // The credentials of the last login, kept for remember-me.
    QString m_loginUser;
    QString m_loginPassword;
    // The automatic proxy recovery runs once per login the user started.
    bool m_proxyRecoveryTried = false;
    // Signed in or signing in at a suspend: sign in again once the network
    // is back after the resume.
    bool m_resumeLogin = false;
    bool m_welcomeDialogOpen = false;
    ConnectivityCheck *m_resumeCheck;
    QTimer *m_resumeTimer;
    std::function<QList<QNetworkProxy>()> m_detectedProxiesSource;
};

#endif // LINKORA_UI_MAINWINDOW_H
