#include "support/testenvironment.h"
#include "util/machineidentifier.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QString kCpuInfo = QStringLiteral("proc/cpuinfo=processor\t: 0\nvendor_id\t: GenuineIntel\n"
                                        "model name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n"
                                        "flags\t\t: fpu vme\n\n"
                                        "processor\t: 1\nmodel name\t: Second CPU\n");

// Builds a fake system below a fresh folder from entries of three kinds:
// "dir/" a folder, "file=content" a file (content as Latin-1), "link->target" a symbolic link.
QString buildTree(const QString &name, const QStringList &entries)
{
    const QString root = TestEnvironment::freshDirectory(name);
    for (const QString &entry : entries) {
        const int arrow = entry.indexOf(QStringLiteral("->"));
        const int equals = entry.indexOf(QLatin1Char('='));
        const QString path = root + QLatin1Char('/') + entry.left(arrow >= 0 ? arrow : equals);
        if (arrow >= 0) {
            QDir().mkpath(QFileInfo(path).path());
            if (!QFile::link(entry.mid(arrow + 2), path))
                return QString();
        } else if (equals >= 0) {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(entry.mid(equals + 1).toLatin1()) < 0)
                return QString();
        } else if (!QDir().mkpath(path)) {
            return QString();
        }
    }
    return root;
}

} // namespace

class TestMachineIdentifier : public QObject
{
    Q_OBJECT

private slots:
    void identifierJoinsSerialAndProcessor_data();
    void identifierJoinsSerialAndProcessor();
    void diskSerialNumber_data();
    void diskSerialNumber();
    void processorNameFromCpuInfo_data();
    void processorNameFromCpuInfo();
    void runningSystemIsReadByDefault();
};

void TestMachineIdentifier::identifierJoinsSerialAndProcessor_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");

    QTest::newRow("serial and processor")
        << QStringList {QStringLiteral("sys/block/sda/device/serial=WD-WCC6Y0123456\n"), kCpuInfo}
        << QStringLiteral("WD-WCC6Y0123456|Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
    QTest::newRow("no disk") << QStringList {QStringLiteral("sys/block/"), kCpuInfo}
                             << QStringLiteral("|Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
    QTest::newRow("no processor name")
        << QStringList {QStringLiteral("sys/block/sda/device/serial=S1\n"),
                        QStringLiteral("proc/cpuinfo=processor\t: 0\nBogoMIPS\t: 48.00\n")}
        << QStringLiteral("S1|");
    QTest::newRow("nothing readable") << QStringList() << QStringLiteral("|");
    QTest::newRow("blanks kept on both sides")
        << QStringList {QStringLiteral("sys/block/sda/device/serial=   S1\n"),
                        QStringLiteral("proc/cpuinfo=model name\t:   Padded CPU\n")}
        << QStringLiteral("   S1|  Padded CPU");
}

void TestMachineIdentifier::identifierJoinsSerialAndProcessor()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);
    const QString root = buildTree(QString::fromLatin1(QTest::currentDataTag()), entries);
    QVERIFY(!root.isEmpty());
    QCOMPARE(machineIdentifier(root), expected);
}

void TestMachineIdentifier::diskSerialNumber_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nvme controller serial")
        << QStringList {QStringLiteral("sys/block/nvme0n1/device/serial=S4EWNX0N123456  \n")}
        << QStringLiteral("S4EWNX0N123456");
    QTest::newRow("leading blanks kept")
        << QStringList {QStringLiteral("sys/block/sda/device/serial=    WD-123\n")}
        << QStringLiteral("    WD-123");
    QTest::newRow("virtio disk serial") << QStringList {QStringLiteral("sys/block/vda/device/"),
                                                        QStringLiteral("sys/block/vda/serial=VIRTIO-77")}
                                        << QStringLiteral("VIRTIO-77");
    QTest::newRow("device serial before disk serial")
        << QStringList {QStringLiteral("sys/block/vda/device/serial=DEV"),
                        QStringLiteral("sys/block/vda/serial=DISK")}
        << QStringLiteral("DEV");
    QTest::newRow("sata serial from udev name")
        << QStringList {QStringLiteral("sys/block/sda/device/"),
                        QStringLiteral(
                            "dev/disk/by-id/ata-WDC_WD10EZEX-08WN4A0_WD-WCC6Y0123456-part1->../../sda1"),
                        QStringLiteral("dev/disk/by-id/ata-WDC_WD10EZEX-08WN4A0_WD-WCC6Y0123456->../../sda"),
                        QStringLiteral("dev/disk/by-id/wwn-0x50014ee2b5c1d2e3->../../sda")}
        << QStringLiteral("WD-WCC6Y0123456");
    QTest::newRow("udev name of a missing disk")
        << QStringList {QStringLiteral("sys/block/sda/device/"),
                        QStringLiteral("dev/disk/by-id/ata-Model_S2->../../sdb")}
        << QString();
    QTest::newRow("udev name without serial")
        << QStringList {QStringLiteral("sys/block/sda/device/"),
                        QStringLiteral("dev/disk/by-id/ata-QEMUDISK->../../sda")}
        << QString();
    QTest::newRow("lower disk first") << QStringList {QStringLiteral("sys/block/sdb/device/serial=B"),
                                                      QStringLiteral("sys/block/sda/device/serial=A")}
                                      << QStringLiteral("A");
    QTest::newRow("sdz before sdaa") << QStringList {QStringLiteral("sys/block/sdaa/device/serial=AA"),
                                                     QStringLiteral("sys/block/sdz/device/serial=Z")}
                                     << QStringLiteral("Z");
    QTest::newRow("nvme2 before nvme10")
        << QStringList {QStringLiteral("sys/block/nvme10n1/device/serial=TEN"),
                        QStringLiteral("sys/block/nvme2n1/device/serial=TWO")}
        << QStringLiteral("TWO");
    QTest::newRow("disk without serial skipped")
        << QStringList {QStringLiteral("sys/block/sda/device/"),
                        QStringLiteral("sys/block/sdb/device/serial=B")}
        << QStringLiteral("B");
    QTest::newRow("virtual devices skipped")
        << QStringList {QStringLiteral("sys/block/md0/serial=RAID"),
                        QStringLiteral("sys/block/dm-0/serial=MAPPER"),
                        QStringLiteral("sys/block/sda/device/serial=REAL")}
        << QStringLiteral("REAL");
    QTest::newRow("optical drive skipped")
        << QStringList {QStringLiteral("sys/block/sr0/device/serial=CDROM1")} << QString();
    QTest::newRow("odd characters skipped")
        << QStringList {QStringLiteral("sys/block/sda/device/serial=AB\x01"
                                       "CD\n"),
                        QStringLiteral("sys/block/sdb/device/serial=SER\u00e9AL\n"),
                        QStringLiteral("sys/block/sdc/device/serial=-- --\n"),
                        QStringLiteral("sys/block/sdd/device/serial=   \n"),
                        QStringLiteral("sys/block/sde/device/serial="),
                        QStringLiteral("sys/block/sdf/device/serial=OK-1 /x\n")}
        << QStringLiteral("OK-1 /x");
    QTest::newRow("longest serial") << QStringList {QStringLiteral("sys/block/sda/device/serial=")
                                                    + QString(1023, QLatin1Char('7')) + QLatin1Char('\n')}
                                    << QString(1023, QLatin1Char('7'));
    QTest::newRow("overlong serial skipped")
        << QStringList {QStringLiteral("sys/block/sda/device/serial=") + QString(1024, QLatin1Char('7')),
                        QStringLiteral("sys/block/sdb/device/serial=SHORT")}
        << QStringLiteral("SHORT");
    QTest::newRow("no block folder") << QStringList {QStringLiteral("dev/disk/by-id/ata-M_S->../../sda")}
                                     << QString();
}

void TestMachineIdentifier::diskSerialNumber()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);
    const QString root = buildTree(QString::fromLatin1(QTest::currentDataTag()), entries);
    QVERIFY(!root.isEmpty());
    QCOMPARE(hardDiskSerialNumber(root), expected);
}

void TestMachineIdentifier::processorNameFromCpuInfo_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first processor") << QStringList {kCpuInfo}
                                     << QStringLiteral("Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
    QTest::newRow("leading and trailing blanks kept")
        << QStringList {QStringLiteral("proc/cpuinfo=model name\t:   Xeon  \n")}
        << QStringLiteral("  Xeon  ");
    QTest::newRow("whole key only") << QStringList {QStringLiteral(
        "proc/cpuinfo=model names\t: X\nmodel name\t: Y\n")}
                                    << QStringLiteral("Y");
    QTest::newRow("empty value") << QStringList {QStringLiteral(
        "proc/cpuinfo=model name\t:\nmodel name\t: later\n")}
                                 << QString();
    QTest::newRow("last line without break")
        << QStringList {QStringLiteral("proc/cpuinfo=model name\t: AMD Ryzen 7")}
        << QStringLiteral("AMD Ryzen 7");
    QTest::newRow("8-bit text") << QStringList {QStringLiteral(
        "proc/cpuinfo=model name\t: Caf\u00e9 \u00ae CPU\n")}
                                << QStringLiteral("Caf\u00e9 \u00ae CPU");
    QTest::newRow("missing") << QStringList {QStringLiteral(
        "proc/cpuinfo=processor\t: 0\nHardware\t: BCM2835\n")}
                             << QString();
    QTest::newRow("no file") << QStringList {QStringLiteral("proc/")} << QString();
}

void TestMachineIdentifier::processorNameFromCpuInfo()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);
    const QString root = buildTree(QString::fromLatin1(QTest::currentDataTag()), entries);
    QVERIFY(!root.isEmpty());
    const QString name = processorName(root);
    QCOMPARE(name, expected);
    // The account request hashes the Latin-1 bytes: they must be the file's own.
    if (!expected.isEmpty()) {
        QFile file(root + QStringLiteral("/proc/cpuinfo"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains(name.toLatin1()));
    }
}

void TestMachineIdentifier::runningSystemIsReadByDefault()
{
    QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuInfo.open(QIODevice::ReadOnly) || !cpuInfo.readAll().contains("\nmodel name"))
        QSKIP("This system names no processor model");
    QVERIFY(!processorName().isEmpty());
    QVERIFY(machineIdentifier().endsWith(QLatin1Char('|') + processorName()));
}

LINKORA_TEST_MAIN(TestMachineIdentifier)
#include "tst_machineidentifier.moc"
