#include "util/diskspace.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace {

std::function<qint64(const QString &)> s_source;

} // namespace

namespace DiskSpace {

qint64 bytesAvailable(const QString &path)
{
    if (s_source)
        return s_source(path);
    QString folder = path;
    while (!QFileInfo::exists(folder) && QFileInfo(folder).path() != folder)
        folder = QFileInfo(folder).path();
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

void setSource(std::function<qint64(const QString &path)> source)
{
    s_source = std::move(source);
}

} // namespace DiskSpace
