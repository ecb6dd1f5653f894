#ifndef UPDATERHELPER_H
#define UPDATERHELPER_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What one version file offers. The file is read as Latin-1 and cut into
// lines at every CR and LF, empty lines dropped, nothing trimmed: the first
// line is "[version]", the second "key=installer address" (everything after
// its first "="), and an optional third line "sha256=<64 hex digits>" names
// the installer's digest. Other third lines are ignored, as they always were.
struct UpdateOffer
{
    bool valid = false;
    QString version;
    QString downloadUrl;
    QByteArray sha256; // raw 32 bytes, empty when the file names none

    static UpdateOffer parse(const QByteArray &versionFile);
};

// The updater's questions about the system: may an update run now, is there
// room for it, and where the version file is. Holds nothing but that
// address; the answers come from the user-activity watch, the program's call
// controller and the disk, as they stand when asked.
class UpdaterHelper
{
public:
    // Asks for the brand's version file.
    UpdaterHelper();
    explicit UpdaterHelper(const QString &updateUrl);
    Q_DISABLE_COPY(UpdaterHelper)

    // Whether the user has been away for an hour.
    bool systemIsIdle() const;
    // Idle, and no call in progress (the call controller is not asked when
    // the user is busy).
    bool canUpdateAutomatically() const;
    // Whether updates may be installed without asking; off in this program.
    bool autoUpdateEnabled() const;
    // Address of the version file.
    QString updateUrl() const { return m_updateUrl; }
    // True when offered is not empty and differs from current in any way.
    bool shouldUpdate(const QString &current, const QString &offered) const;
    // At least 170 MiB free on the program's drive.
    bool hasEnoughFreeDiskSpace() const;

private:
    const QString m_updateUrl;
};

// Whole MiB free to this user on the volume that holds path (DiskSpace), or
// -1 when the path does not exist or the volume cannot be queried.
qint64 getFreeDiskSpaceInMegabytes(const QString &path);

#endif // UPDATERHELPER_H
