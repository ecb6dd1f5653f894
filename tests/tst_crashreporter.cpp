#include "crash/crashhandler.h"
#include "crashreporter.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

class TestCrashReporter : public QObject
{
    Q_OBJECT

private slots:
    void setsUpOnceAndCountsInstances();
};

void TestCrashReporter::setsUpOnceAndCountsInstances()
{
    QCOMPARE(CrashReporter::buildId(), QStringLiteral("201410101125948"));
    QCOMPARE(CrashReporter::instanceCount(), 0);
    QVERIFY(!CrashHandler::isInstalled());
    {
        CrashReporter first(nullptr, qApp);
        QCOMPARE(CrashReporter::instanceCount(), 1);
        QVERIFY(CrashHandler::isInstalled());
        {
            // A second reporter leaves the one handler in place.
            CrashReporter second(nullptr, nullptr);
            QCOMPARE(CrashReporter::instanceCount(), 2);
        }
        QCOMPARE(CrashReporter::instanceCount(), 1);
    }
    QCOMPARE(CrashReporter::instanceCount(), 0);
    // The handler stays for the life of the process.
    QVERIFY(CrashHandler::isInstalled());
    QCOMPARE(CrashReporter::reportUserName(), QStringLiteral("Not logged"));

    // The dump folder is made, for its owner alone.
    const QFileInfo folder(CrashReporter::dumpDirectory());
    QVERIFY(folder.isDir());
    QVERIFY(folder.absoluteFilePath().endsWith(QLatin1String("/win_dump")));
    QCOMPARE(folder.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
             QFileDevice::Permissions());
}

LINKORA_TEST_MAIN(TestCrashReporter)
#include "tst_crashreporter.moc"
