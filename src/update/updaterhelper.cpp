#include "updaterhelper.h"

#include "objfactory.h"
#include "phone/phone.h"
#include "update/useractivity.h"
#include "util/diskspace.h"
#include "util/trace.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

constexpr qint64 kRequiredFreeMegabytes = 170;
constexpr qint64 kIdleMinutes = 60;

const QString kDigestKey = QStringLiteral("sha256=");

} // namespace

UpdateOffer UpdateOffer::parse(const QByteArray &versionFile)
{
    UpdateOffer offer;
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]"));
    const QStringList lines = QString::fromLatin1(versionFile).split(lineBreaks, Qt::SkipEmptyParts);
    if (lines.size() < 2 || !lines.at(0).startsWith(QLatin1Char('['))
        || !lines.at(0).endsWith(QLatin1Char(']')) || !lines.at(1).contains(QLatin1Char('=')))
        return offer;
    // A digest line that cannot be read must not pass as "no digest".
    if (lines.size() > 2 && lines.at(2).startsWith(kDigestKey)) {
        static const QRegularExpression hex(QStringLiteral("\\A[0-9A-Fa-f]{64}\\z"));
        const QString digest = lines.at(2).mid(kDigestKey.size());
        if (!hex.match(digest).hasMatch())
            return offer;
        offer.sha256 = QByteArray::fromHex(digest.toLatin1());
    }
    const QString &first = lines.at(0);
    offer.version = first.mid(1, first.size() - 2);
    const QString &second = lines.at(1);
    offer.downloadUrl = second.mid(second.indexOf(QLatin1Char('=')) + 1);
    offer.valid = true;
    return offer;
}

UpdaterHelper::UpdaterHelper()
    : UpdaterHelper(
        QStringLiteral("https://www.halvetta.example/download/linkora/hvLatestVersionControl.txt"))
{ }

UpdaterHelper::UpdaterHelper(const QString &updateUrl)
    : m_updateUrl(updateUrl)
{ }

bool UpdaterHelper::systemIsIdle() const
{
    const qint64 idle = UserActivity::idleMilliseconds();
    if (idle < 0) {
        TRACE << "Failed to determine idle time";
        return false;
    }
    const qint64 minutes = idle / 1000 / 60;
    TRACE << "Idle minutes:" << minutes;
    return minutes >= kIdleMinutes;
}

bool UpdaterHelper::canUpdateAutomatically() const
{
    return systemIsIdle() && ObjFactory::instance()->phone()->currentCall() == nullptr;
}

bool UpdaterHelper::autoUpdateEnabled() const
{
    return false;
}

bool UpdaterHelper::shouldUpdate(const QString &current, const QString &offered) const
{
    TRACE << "current version: " << current << " update version: " << offered;
    return !offered.isEmpty() && offered != current;
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
    const qint64 bytes = QFileInfo::exists(path) ? DiskSpace::bytesAvailable(path) : -1;
    if (bytes < 0) {
        TRACE << "ERROR: Call to GetDiskFreeSpaceEx failed!";
        return -1;
    }
    return bytes >> 20;
}
