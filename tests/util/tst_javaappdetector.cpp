#include "support/testenvironment.h"
#include "util/javaappdetector.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

namespace {

void writeLockFile(const QString &base, const QString &suffix, const QByteArray &contents)
{
    const QString dir = QStringLiteral("%1/Dravo/Linkora-%2").arg(base, suffix);
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + QStringLiteral("/lock.lck"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), qint64(contents.size()));
}

// A port nothing listens on: taken from the system, then given back.
quint16 unusedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestJavaAppDetector : public QObject
{
    Q_OBJECT

private slots:
    void findsListeningCompanion();
    void firstNumericLockFileWins();
    void unusablePortsAreRejected_data();
    void unusablePortsAreRejected();
    void staleLockFileEndsNotFound();
    void noBaseFolderMeansNotFound();
    void restartEndsTheEarlierRun();
};

void TestJavaAppDetector::findsListeningCompanion()
{
    const QString base = TestEnvironment::freshDirectory(QStringLiteral("found"));
    QTcpServer companion;
    QVERIFY(companion.listen(QHostAddress::LocalHost));
    writeLockFile(base, QStringLiteral("HV"), QByteArray::number(companion.serverPort()) + "\r\n");

    JavaAppDetector detector(base);
    QSignalSpy finished(&detector, &JavaAppDetector::finished);
    QVERIFY(detector.start());
    // A caller may start waiting only now; nothing has been reported yet.
    QCOMPARE(finished.count(), 0);

    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QVERIFY(detector.found());
    QVERIFY(companion.waitForNewConnection(1000) || companion.hasPendingConnections());

    QTest::qWait(200);
    QCOMPARE(finished.count(), 1);
}

void TestJavaAppDetector::firstNumericLockFileWins()
{
    const QString base = TestEnvironment::freshDirectory(QStringLiteral("first-numeric"));
    QTcpServer companion;
    QVERIFY(companion.listen(QHostAddress::LocalHost));
    writeLockFile(base, QStringLiteral("DC"), "abc\n");
    writeLockFile(base, QStringLiteral("TU"), QByteArray::number(companion.serverPort()) + "\n");
    // Later brands are not read once one lock file gave a port.
    writeLockFile(base, QStringLiteral("HV"), QByteArray::number(unusedPort()) + "\n");

    JavaAppDetector detector(base);
    QSignalSpy finished(&detector, &JavaAppDetector::finished);
    QVERIFY(detector.start());
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
}

void TestJavaAppDetector::unusablePortsAreRejected_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("zero") << QByteArray("0\n");
    QTest::newRow("negative") << QByteArray("-5\n");
    // Would wrap to a real port if taken as 16 bits.
    QTest::newRow("above 65535") << QByteArray("70000\n");
    QTest::newRow("not a number") << QByteArray("port\n");
    QTest::newRow("empty") << QByteArray();
}

void TestJavaAppDetector::unusablePortsAreRejected()
{
    QFETCH(QByteArray, contents);
    const QString base = TestEnvironment::freshDirectory(QStringLiteral("bad-port"));
    writeLockFile(base, QStringLiteral("CRV"), contents);

    JavaAppDetector detector(base);
    QSignalSpy finished(&detector, &JavaAppDetector::finished);
    QVERIFY(!detector.start());
    // Reported before start() returns, so nobody waits for it.
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QVERIFY(!detector.found());

    QTest::qWait(100);
    QCOMPARE(finished.count(), 1);
}

void TestJavaAppDetector::staleLockFileEndsNotFound()
{
    const QString base = TestEnvironment::freshDirectory(QStringLiteral("stale"));
    const quint16 port = unusedPort();
    QVERIFY(port != 0);
    writeLockFile(base, QStringLiteral("DC"), QByteArray::number(port) + "\n");

    JavaAppDetector detector(base);
    QSignalSpy finished(&detector, &JavaAppDetector::finished);
    QVERIFY(detector.start());
    QCOMPARE(finished.count(), 0);

    // Every address (ours, "localhost", the host name) is refused in turn.
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QVERIFY(!detector.found());
    QTest::qWait(200);
    QCOMPARE(finished.count(), 1);
}

void TestJavaAppDetector::noBaseFolderMeansNotFound()
{
    for (const QString &base : {TestEnvironment::freshDirectory(QStringLiteral("no-lock")), QString()}) {
        JavaAppDetector detector(base);
        QSignalSpy finished(&detector, &JavaAppDetector::finished);
        QVERIFY(!detector.start());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
    }
}

void TestJavaAppDetector::restartEndsTheEarlierRun()
{
    const QString base = TestEnvironment::freshDirectory(QStringLiteral("restart"));
    QTcpServer companion;
    QVERIFY(companion.listen(QHostAddress::LocalHost));
    writeLockFile(base, QStringLiteral("DC"), QByteArray::number(companion.serverPort()) + "\n");

    JavaAppDetector detector(base);
    QSignalSpy finished(&detector, &JavaAppDetector::finished);
    QVERIFY(detector.start());
    QVERIFY(detector.start());
    QVERIFY(finished.wait(10000));
    QTest::qWait(300);
    // The abandoned run reports nothing; the new one reports once.
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);

    // A finished detector can run again.
    QVERIFY(detector.start());
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 2);
    QVERIFY(detector.found());
}

LINKORA_TEST_MAIN(TestJavaAppDetector)
#include "tst_javaappdetector.moc"
