#ifndef UPDATERHELPER_H
#define UPDATERHELPER_H

#include <QByteArray>
#include <QString>

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
// room for it, and where the version file is. Holds no state; the virtual
// questions let tests stand in for the disk, the clock and the call.
class UpdaterHelper
{
public:
    UpdaterHelper() = default;
    virtual ~UpdaterHelper();

    // Whether the user has been away for an hour.
    bool systemIsIdle() const;
    // Idle, and no call in progress (the call controller is not asked when
    // the user is busy).
    bool canUpdateAutomatically() const;
    // Whether updates may be installed without asking; off in this program.
    virtual bool autoUpdateEnabled() const;
    // Address of the version file.
    virtual QString updateUrl() const;
    // True when offered is not empty and differs from current in any way.
    bool shouldUpdate(const QString &current, const QString &offered) const;
    // At least 170 MiB free on the program's drive.
    bool hasEnoughFreeDiskSpace() const;

protected:
    // Milliseconds since the user's last input, or -1 when unknown.
    virtual qint64 idleMilliseconds() const;
    virtual bool callInProgress() const;
    virtual qint64 freeMegabytes(const QString &path) const;
};

// Whole MiB free to this user on the volume that holds path, or -1 when the
// volume cannot be queried.
qint64 getFreeDiskSpaceInMegabytes(const QString &path);

#endif // UPDATERHELPER_H
