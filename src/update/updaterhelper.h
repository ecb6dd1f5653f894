#ifndef UPDATERHELPER_H
#define UPDATERHELPER_H

#include <QString>

// The updater's questions about the system: may an update run now, is there
// room for it, and where the version file is. Holds no state.
class UpdaterHelper
{
public:
    UpdaterHelper() = default;
    virtual ~UpdaterHelper();

    // Whether updates may be installed without asking; off in this program.
    virtual bool autoUpdateEnabled() const;
    // Whether now is a good time for an unattended update.
    virtual bool canUpdateAutomatically() const;
    // Address of the version file.
    virtual QString updateUrl() const;
    // At least 170 MiB free on the program's drive.
    virtual bool hasEnoughFreeDiskSpace() const;
};

// Whole MiB free to this user on the volume that holds path, or -1 when the
// volume cannot be queried.
qint64 getFreeDiskSpaceInMegabytes(const QString &path);

#endif // UPDATERHELPER_H
