#include "crashreporter.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QStandardPaths>
#include <QtTest>

class TestCrashReporter : public QObject
{
    Q_OBJECT

private slots:
    void countsLiveInstancesAndInstallsNothing();
};

void TestCrashReporter::countsLiveInstancesAndInstallsNothing()
{
    QCOMPARE(CrashReporter::buildId(), QStringLiteral("none"));
    QCOMPARE(CrashReporter::instanceCount(), 0);
    {
        CrashReporter first(qApp);
        QCOMPARE(CrashReporter::instanceCount(), 1);
        {
            CrashReporter second;
            QCOMPARE(CrashReporter::instanceCount(), 2);
        }
        QCOMPARE(CrashReporter::instanceCount(), 1);
    }
    QCOMPARE(CrashReporter::instanceCount(), 0);
    // With reporting off no dump folder is made.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QVERIFY(!QDir(data + QStringLiteral("/win_dump")).exists());
}

LINKORA_TEST_MAIN(TestCrashReporter)
#include "tst_crashreporter.moc"
