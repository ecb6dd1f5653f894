#include "privatefolder.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

PrivateFolder::Problem inspect(const QString &path, bool close)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status;
    // lstat: a link is refused, never followed.
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return PrivateFolder::NotAFolder;
    if (status.st_uid != ::geteuid())
        return PrivateFolder::OtherOwner;
    if ((status.st_mode & 077) != 0 && (!close || ::chmod(native.constData(), 0700) != 0))
        return PrivateFolder::CannotClose;
    return PrivateFolder::None;
}

} // namespace

PrivateFolder::Problem PrivateFolder::make(const QString &path)
{
    if (path.isEmpty() || !QDir().mkpath(path))
        return CannotCreate;
    return inspect(path, true);
}

PrivateFolder::Problem PrivateFolder::check(const QString &path)
{
    return inspect(path, false);
}

QString PrivateFolder::describe(Problem problem)
{
    switch (problem) {
    case None:
        return QString();
    case CannotCreate:
        return QStringLiteral("cannot be created");
    case NotAFolder:
        return QStringLiteral("is a link or not a folder");
    case OtherOwner:
        return QStringLiteral("belongs to another user");
    case CannotClose:
        return QStringLiteral("is open to other users");
    }
    return QString();
}
