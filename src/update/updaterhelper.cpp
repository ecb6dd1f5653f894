#include "updaterhelper.h"

#include "util/trace.h"

#include <QCoreApplication>
#include <QStorageInfo>

namespace {

constexpr qint64 kRequiredFreeMegabytes = 170;

} // namespace

UpdaterHelper::~UpdaterHelper() = default;

bool UpdaterHelper::autoUpdateEnabled() const
{
    return false;
}

bool UpdaterHelper::canUpdateAutomatically() const
{
    // Idle time is not measured on this system, so the user is never taken
    // by surprise.
    return false;
}

QString UpdaterHelper::updateUrl() const
{
    return QStringLiteral("http://www.halvetta.example/download/linkora/hvLatestVersionControl.txt");
}

bool UpdaterHelper::hasEnoughFreeDiskSpace() const
{
    const QString path = QCoreApplication::applicationDirPath();
    const qint64 megabytes = getFreeDiskSpaceInMegabytes(path);
    if (megabytes >= kRequiredFreeMegabytes)
        return true;
    TRACE << path << ":" << megabytes << "Mbytes free";
    return false;
}

qint64 getFreeDiskSpaceInMegabytes(const QString &path)
{
    const QStorageInfo storage(path);
    const qint64 bytes = storage.isValid() && storage.isReady() ? storage.bytesAvailable() : -1;
    if (bytes < 0) {
        TRACE << "ERROR: Call to GetDiskFreeSpaceEx failed!";
        return -1;
    }
    return bytes >> 20;
}
