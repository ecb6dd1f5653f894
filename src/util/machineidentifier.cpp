#include "util/machineidentifier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace {

// The longest serial number taken, as the fixed buffer of the Windows build allows.
constexpr int kMaximumSerialLength = 1023;

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Trailing blanks and the line break go; leading blanks stay as the disk
// reports them. A text with control or non-ASCII bytes, or without a single
// letter or digit, is no serial number.
QString usableSerial(QByteArray text)
{
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    if (text.isEmpty() || text.size() > kMaximumSerialLength)
        return QString();
    bool hasAlnum = false;
    for (const char c : std::as_const(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e)
            return QString();
        hasAlnum = hasAlnum || isAsciiAlnum(c);
    }
    return hasAlnum ? QString::fromLatin1(text) : QString();
}

QString serialFromAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // One byte more than a serial and its line break may take, to spot longer texts.
    const QByteArray text = file.read(kMaximumSerialLength + 2);
    return text.size() > kMaximumSerialLength + 1 ? QString() : usableSerial(text);
}

// udev names the disk "ata-<model>_<serial>" or "nvme-<model>_<serial>", with
// blanks made into "_"; partitions carry "-part<n>".
QString serialFromDiskId(const QString &byIdDir, const QString &disk)
{
    const QDir dir(byIdDir);
    const QStringList links
        = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &link : links) {
        if (!link.startsWith(QLatin1String("ata-")) && !link.startsWith(QLatin1String("nvme-")))
            continue;
        if (link.contains(QLatin1String("-part")))
            continue;
        const QString target = QFileInfo(dir.filePath(link)).symLinkTarget();
        if (target.isEmpty() || QFileInfo(target).fileName() != disk)
            continue;
        const int underscore = link.lastIndexOf(QLatin1Char('_'));
        if (underscore < 0)
            continue;
        const QString serial = usableSerial(link.mid(underscore + 1).toLatin1());
        if (!serial.isEmpty())
            return serial;
    }
    return QString();
}

// Block devices backed by hardware have a "device" entry; loop, RAM, device
// mapper and RAID devices have none. Optical drives are no hard disks.
QStringList physicalDisks(const QString &blockDir)
{
    const QDir dir(blockDir);
    QStringList disks;
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (name.startsWith(QLatin1String("sr")))
            continue;
        if (QFileInfo::exists(dir.filePath(name) + QStringLiteral("/device")))
            disks << name;
    }
    // Kernel order: "sdz" comes before "sdaa", "nvme2n1" before "nvme10n1".
    std::sort(disks.begin(), disks.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return disks;
}

} // namespace

QString machineIdentifier(const QString &systemRoot)
{
    return QStringLiteral("%1|%2").arg(hardDiskSerialNumber(systemRoot), processorName(systemRoot));
}

QString hardDiskSerialNumber(const QString &systemRoot)
{
    const QString blockDir = systemRoot + QStringLiteral("/sys/block");
    const QString byIdDir = systemRoot + QStringLiteral("/dev/disk/by-id");
    const QStringList disks = physicalDisks(blockDir);
    for (const QString &disk : disks) {
        const QString diskDir = blockDir + QLatin1Char('/') + disk;
        // NVMe and some SCSI transports on the device, virtio on the disk;
        // SATA disks only through the names udev gives them.
        QString serial = serialFromAttribute(diskDir + QStringLiteral("/device/serial"));
        if (serial.isEmpty())
            serial = serialFromAttribute(diskDir + QStringLiteral("/serial"));
        if (serial.isEmpty())
            serial = serialFromDiskId(byIdDir, disk);
        if (!serial.isEmpty())
            return serial;
    }
    return QString();
}

QString processorName(const QString &systemRoot)
{
    QFile file(systemRoot + QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
        const int colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != "model name")
            continue;
        QByteArray value = line.mid(colon + 1);
        if (value.endsWith('\n'))
            value.chop(1);
        // The field is written as "model name<tab>: <name>"; blanks inside the name stay.
        if (value.startsWith(' '))
            value.remove(0, 1);
        return QString::fromLatin1(value);
    }
    return QString();
}
