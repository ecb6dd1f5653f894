#ifndef UPDATERDIALOG_H
#define UPDATERDIALOG_H

#include <QByteArray>
#include <QCryptographicHash>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAuthenticator;
class QNetworkProxy;
class QNetworkReply;
class QSaveFile;
class QTimer;

namespace Ui {
class UpdaterDialog;
}

namespace talk {
class ProxySettings;
}

// The window through which an offered update reaches the user: it asks
// ("Update Now" / "Remind Me Later"), downloads the installer with a progress
// bar and starts it, or tells that the program is up to date or what went
// wrong. Created hidden.
//
// The installer is fetched over https only and streamed into a private
// folder of this user as it arrives; it is started only once it is whole,
// written and, when the version file named its SHA-256, matches it. Any
// failure starts nothing.
class UpdaterDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(UpdaterDialog)

public:
    // Starts the program with the arguments, detached; false when it did not start.
    using Launcher = std::function<bool(const QString &program, const QStringList &arguments)>;
    using FreeSpace = std::function<qint64(const QString &folder)>; // bytes, -1 unknown
    using ProxySettingsSource = std::function<talk::ProxySettings()>;

    static constexpr qint64 DefaultMaxInstallerSize = 512LL * 1024 * 1024;
    static constexpr int DefaultStallTimeout = 60000;
    // Room the installer needs beside itself to unpack.
    static constexpr qint64 MinimumFreeSpace = 170LL * 1024 * 1024;

    explicit UpdaterDialog(QWidget *parent = nullptr);
    ~UpdaterDialog() override;

    // Hand-overs, each with the installer address, the offered version and
    // the installer's SHA-256 (raw, empty when none was named).
    void startConfirmedDownload(const QString &url, const QString &version, const QByteArray &sha256 = {});
    void startAutomaticDownload(const QString &url, const QString &version, const QByteArray &sha256 = {});
    void startDownload(const QString &url, const QString &version, const QByteArray &sha256 = {});

    void setVersion(const QString &version);
    void showConfirmation();
    void showUpToDate();
    // A download that failed, with why.
    void showError(const QString &error);
    // A check for updates that failed, with why.
    void showCheckFailed(const QString &reason);
    void stopUpdate();

    // Where installers go: a folder of this user's cache, owner-only.
    static QString installerFolder();

    // For tests and unusual platforms.
    void setLauncher(Launcher launcher);
    void setFreeSpace(FreeSpace freeSpace);
    void setProxySettingsSource(ProxySettingsSource source);
    void setInstallerFolder(const QString &folder);
    void setLimits(qint64 maxInstallerSize, int stallTimeoutMs);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void startDownload();
    void checkLater();
    void onOkButtonClicked();
    void onDownloadProgress(qint64 received, qint64 total);
    void onDownloadFinished(QNetworkReply *reply);
    void onProxyAuthRequired(const QNetworkProxy &proxy, QAuthenticator *authenticator);
    void runDownloadedInstaller(const QString &path);

private:
    void handOver(bool automatic, const QString &url, const QString &version, const QByteArray &sha256);
    // Takes the installer to fetch, unless an update is already running;
    // whether it was taken.
    bool takeRequest(bool automatic, const QString &url, const QString &version, const QByteArray &sha256);
    // Makes the folder (owner-only) and checks it is ours; the reason when not.
    QString makeTempDir();
    // Removes earlier installers from the folder.
    QString initializeTempDir();
    void readSome();
    // The information page with text, modal.
    void inform(const QString &text);
    // Fixes the height for the current page's content, at least least.
    void fitHeight(int least);
    void fail(const QString &why);
    void finishWithError(const QString &error);

    bool m_running = false;
    bool m_automatic = false;
    std::unique_ptr<Ui::UpdaterDialog> m_form;
    QString m_version;
    QString m_downloadUrl;
    QByteArray m_expectedSha256;
    QNetworkReply *m_reply = nullptr;
    bool m_cancelled = false;

    // The download in progress.
    std::unique_ptr<QSaveFile> m_file;
    QCryptographicHash m_hash {QCryptographicHash::Sha256};
    qint64 m_received = 0;
    bool m_sizeChecked = false;
    QString m_failure;
    QTimer *m_stallTimer;

    Launcher m_launcher;
    FreeSpace m_freeSpace;
    ProxySettingsSource m_proxySettings;
    QString m_installerFolder; // installerFolder() unless set
    qint64 m_maxInstallerSize = DefaultMaxInstallerSize;
};

#endif // UPDATERDIALOG_H
