#ifndef UTIL_MACHINEIDENTIFIER_H
#define UTIL_MACHINEIDENTIFIER_H

#include <QString>

// A text that stands for this computer: the serial number of its first
// readable physical disk and the name of its first processor, joined by "|".
// Nothing is cached; every call reads the system again.
//
// The disks and the processor are read from "<systemRoot>/sys", "/dev" and
// "/proc"; an empty root means the running system.
QString machineIdentifier(const QString &systemRoot = QString());

// The serial number of the first physical disk, in kernel name order, that
// reports a usable one; empty when none does. Leading blanks stay.
QString hardDiskSerialNumber(const QString &systemRoot = QString());

// The "model name" of the first processor in the processor information, as it
// stands (leading blanks included); empty when it is missing.
QString processorName(const QString &systemRoot = QString());

#endif // UTIL_MACHINEIDENTIFIER_H
