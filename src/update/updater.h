#ifndef UPDATER_H
#define UPDATER_H

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <memory>

class QNetworkReply;
class QTimer;
class QUrl;
class UpdaterDialog;
class UpdaterHelper;

// Finds out whether a newer build is offered by fetching the version file,
// and hands an offered update to the update dialog.
class Updater : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(Updater)

public:
    // The version file is two or three short lines: anything longer, or
    // slower, is not one.
    static constexpr qint64 DefaultVersionFileLimit = 8 * 1024;
    static constexpr int DefaultVersionFileDeadline = 30000;

    explicit Updater(QObject *parent = nullptr);
    ~Updater() override;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    // Both take ownership.
    void setUpdaterDialog(UpdaterDialog *dialog);
    void setUpdaterHelper(UpdaterHelper *helper);
    UpdaterDialog *updaterDialog() const { return m_updaterDialog.get(); }

    void setVersionFileLimits(qint64 maxBytes, int deadlineMs);

    // The running version, compared with the offered one; the service locator
    // sets it to the application version.
    QString currentVersion;

public slots:
    // A check without dialog that hands an offered update over for confirmation.
    void startCheckForUpdates();
    // The user's check from the menu: raises the dialog when it is on screen,
    // otherwise checks when there is room for the download.
    void startCheckForUpdatesWithUI();
    // The check at start-up, when checks are enabled.
    void startCheckAndUpdateAutomatically();
    void closeDialog();
    // One GET of the version file at url, through a network manager of its
    // own. A plain http address is asked over https on the same host and
    // path; other schemes are refused.
    void requestGetUrl(const QUrl &url);

signals:
    void updateAvailable(const QString &version, const QString &url);
    void noUpdateFound();
    void quitIfNoUI();

private slots:
    void onUpdateReplyReceived(QNetworkReply *reply);
    void onCheckIdleTime();
    void startCheck();

private:
    void failCheck(const QString &why);

    bool m_enabled = true;
    bool m_automatic = false;
    bool m_withUI = false;
    QString m_latestVersion;
    QString m_downloadUrl;
    std::unique_ptr<UpdaterHelper> m_updaterHelper;
    std::unique_ptr<UpdaterDialog> m_updaterDialog;
    QTimer *m_idleTimer;
    qint64 m_versionFileLimit = DefaultVersionFileLimit;
    int m_versionFileDeadline = DefaultVersionFileDeadline;
    // Why each pending version-file request was given up, empty while it runs.
    QHash<QNetworkReply *, QString> m_failures;
};

#endif // UPDATER_H
