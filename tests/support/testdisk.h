#ifndef TESTDISK_H
#define TESTDISK_H

#include "util/diskspace.h"

#include <QString>
#include <QtGlobal>

// Every disk reports bytesFree free while it lives (-1: cannot tell); the
// test may change it.
class TestDisk
{
public:
    explicit TestDisk(qint64 bytesFree)
        : bytesFree(bytesFree)
    {
        DiskSpace::setSource([this](const QString &) { return this->bytesFree; });
    }
    ~TestDisk() { DiskSpace::setSource({}); }
    Q_DISABLE_COPY(TestDisk)

    qint64 bytesFree;
};

#endif // TESTDISK_H
