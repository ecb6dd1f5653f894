#ifndef LINKORA_UTIL_DISKSPACE_H
#define LINKORA_UTIL_DISKSPACE_H

#include <QString>
#include <QtGlobal>

#include <functional>

// Bytes free on the disk that holds a path (the nearest existing folder
// above it when it does not exist yet), -1 when the system cannot tell. The
// file system answers unless another source was set.
namespace DiskSpace {

qint64 bytesAvailable(const QString &path);

// Answers from source from now on (tests stand for a full disk); an empty
// function gives the question back to the file system. GUI thread only.
void setSource(std::function<qint64(const QString &path)> source);

} // namespace DiskSpace

#endif // LINKORA_UTIL_DISKSPACE_H
