#include "support/testenvironment.h"
#include "talk/plixtalk.h"
#include "util/tracelog.h"
#include "util/util.h"
#include "util/zipper.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <zlib.h>

namespace {

const QString kUnzip = QStringLiteral("/usr/bin/unzip");

QStringList s_messages;
QtMessageHandler s_previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    s_messages << message;
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

// Keeps the messages raised while it lives.
class MessageCapture
{
public:
    MessageCapture()
    {
        s_messages.clear();
        s_previousHandler = qInstallMessageHandler(captureMessage);
    }
    ~MessageCapture() { qInstallMessageHandler(s_previousHandler); }
    QStringList matching(const QString &text) const { return s_messages.filter(text); }
};

struct UnzipResult
{
    int exitCode = -1;
    QByteArray output;
};

UnzipResult unzip(const QStringList &arguments)
{
    QProcess process;
    process.start(kUnzip, arguments);
    UnzipResult result;
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.output = process.readAllStandardOutput();
    return result;
}

// Entry name -> "yyyyMMdd.hhmmss" as zipinfo shows the stored date.
QMap<QString, QString> entryDates(const QString &zipPath)
{
    QMap<QString, QString> entries;
    const UnzipResult listing = unzip({QStringLiteral("-Z"), QStringLiteral("-T"), zipPath});
    const QList<QByteArray> lines = listing.output.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // "-rw-------  2.0 fat  1234 b- defN 20240305.142010 plixtalk.log"
        if (fields.size() == 8 && fields.at(4).size() == 2)
            entries.insert(QString::fromUtf8(fields.at(7)), QString::fromUtf8(fields.at(6)));
    }
    return entries;
}

void writeFile(const QString &path, const QByteArray &contents, const QDateTime &modified)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), qint64(contents.size()));
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QByteArray sampleLog(char seed, int lines)
{
    QByteArray data;
    for (int i = 0; i < lines; ++i)
        data += "line " + QByteArray::number(i) + ' ' + QByteArray(i % 97, seed) + '\n';
    return data;
}

} // namespace

class TestLogArchive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void archiveHoldsTheThreeLogsWithTheirDates();
    void missingLogIsLeftOut();
    void olderTraceLogIsArchivedWhenThere();
    void existingArchiveIsReplaced();
    void entryNamesAndRefusals();
    void appendKeepsWhatWasThere();
    void entriesFromMemory();
    void encryptedEntryIsReadableOrRefused();
    void connectivityRule_data();
    void connectivityRule();
    void connectivityCheckReturnsPromptly();

private:
    QMap<QString, QByteArray> m_contents;
    QMap<QString, QDateTime> m_dates;
};

void TestLogArchive::init()
{
    if (QByteArray(QTest::currentTestFunction()).startsWith("connectivity"))
        return;
    if (!QFile::exists(kUnzip))
        QSKIP("unzip is not installed");
    QDir(talk::PlixTalk::logsDir()).removeRecursively();
    QVERIFY(QDir().mkpath(talk::PlixTalk::logsDir()));

    // Dates on even seconds: zip keeps two-second steps.
    const QDate day(2023, 11, 7);
    m_dates = {{QStringLiteral("plixtalk.log"), QDateTime(day, QTime(9, 15, 42))},
               {QStringLiteral("plixtrace.log"), QDateTime(day, QTime(23, 59, 58))},
               {QStringLiteral("plixxmpp.log"), QDateTime(QDate(2021, 1, 31), QTime(0, 0, 0))}};
    // Larger than one read block, so the copy loop runs several times.
    m_contents = {{QStringLiteral("plixtalk.log"), sampleLog('t', 300)},
                  {QStringLiteral("plixtrace.log"), sampleLog('r', 5)},
                  {QStringLiteral("plixxmpp.log"), QByteArray()}};
    const QMap<QString, QString> paths
        = {{QStringLiteral("plixtalk.log"), talk::PlixTalk::talkLogFilePath()},
           {QStringLiteral("plixtrace.log"), talk::PlixTalk::traceLogFilePath()},
           {QStringLiteral("plixxmpp.log"), talk::PlixTalk::xmppLogFilePath()}};
    for (auto it = paths.cbegin(); it != paths.cend(); ++it)
        writeFile(it.value(), m_contents.value(it.key()), m_dates.value(it.key()));
}

void TestLogArchive::archiveHoldsTheThreeLogsWithTheirDates()
{
    const QString zipPath = Util::createZippedLogsFile();
    QCOMPARE(zipPath, talk::PlixTalk::logsDir() + QStringLiteral("/logs.zip"));

    const UnzipResult test = unzip({QStringLiteral("-t"), zipPath});
    QVERIFY2(test.exitCode == 0, test.output.constData());

    const QMap<QString, QString> entries = entryDates(zipPath);
    QCOMPARE(entries.keys(), m_dates.keys());
    for (auto it = m_dates.cbegin(); it != m_dates.cend(); ++it) {
        QCOMPARE(entries.value(it.key()), it.value().toString(QStringLiteral("yyyyMMdd.HHmmss")));
        const UnzipResult data = unzip({QStringLiteral("-p"), zipPath, it.key()});
        QCOMPARE(data.exitCode, 0);
        QCOMPARE(data.output, m_contents.value(it.key()));
    }
}

void TestLogArchive::missingLogIsLeftOut()
{
    QVERIFY(QFile::remove(talk::PlixTalk::xmppLogFilePath()));

    QString zipPath;
    QStringList errors;
    {
        MessageCapture capture;
        zipPath = Util::createZippedLogsFile();
        errors = capture.matching(QStringLiteral("Error adding"));
    }
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.at(0).contains(QStringLiteral("\"plixxmpp.log\" to zip file")), qPrintable(errors.at(0)));

    QCOMPARE(unzip({QStringLiteral("-t"), zipPath}).exitCode, 0);
    QCOMPARE(entryDates(zipPath).keys(),
             QStringList({QStringLiteral("plixtalk.log"), QStringLiteral("plixtrace.log")}));
}

void TestLogArchive::olderTraceLogIsArchivedWhenThere()
{
    const QByteArray older = sampleLog('o', 40);
    writeFile(TraceLog::olderLogFilePath(), older, QDateTime(QDate(2023, 11, 6), QTime(8, 0)));
    const QString zipPath = Util::createZippedLogsFile();
    QVERIFY(QFile::remove(TraceLog::olderLogFilePath()));
    QCOMPARE(unzip({QStringLiteral("-p"), zipPath, QStringLiteral("plixtrace.1.log")}).output, older);
}

void TestLogArchive::existingArchiveIsReplaced()
{
    const QString zipPath = talk::PlixTalk::logsDir() + QStringLiteral("/logs.zip");
    {
        Util::Zipper old(zipPath);
        QVERIFY(old.addFileToZip(talk::PlixTalk::talkLogFilePath(), QStringLiteral("old.log")));
    }
    QCOMPARE(entryDates(zipPath).keys(), QStringList({QStringLiteral("old.log")}));

    QCOMPARE(Util::createZippedLogsFile(), zipPath);
    QCOMPARE(unzip({QStringLiteral("-t"), zipPath}).exitCode, 0);
    QCOMPARE(entryDates(zipPath).keys(), m_dates.keys());
}

void TestLogArchive::entryNamesAndRefusals()
{
    const QString dir = TestEnvironment::freshDirectory(QStringLiteral("zipper-names"));
    const QString zipPath = dir + QStringLiteral("/names.zip");
    {
        Util::Zipper zipper(zipPath);
        QVERIFY(zipper.addFileToZip(talk::PlixTalk::talkLogFilePath()));
        QVERIFY(!zipper.addFileToZip(dir + QStringLiteral("/absent.log"), QStringLiteral("absent.log")));
        QVERIFY(zipper.closeZip());
        // Closed: nothing more goes in, and closing again is harmless.
        QVERIFY(!zipper.addFileToZip(talk::PlixTalk::traceLogFilePath()));
        QVERIFY(!zipper.openFileInZip(QStringLiteral("late.txt")));
        QVERIFY(zipper.closeZip());
    }
    QCOMPARE(entryDates(zipPath).keys(), QStringList({QStringLiteral("plixtalk.log")}));

    Util::Zipper unnamed {QString()};
    QVERIFY(!unnamed.openZip());
    QVERIFY(!unnamed.addFileToZip(talk::PlixTalk::talkLogFilePath()));
}

void TestLogArchive::appendKeepsWhatWasThere()
{
    const QString dir = TestEnvironment::freshDirectory(QStringLiteral("zipper-append"));
    const QString path = dir + QStringLiteral("/bundle.bin");
    const QByteArray prefix("PREFIX-DATA\n");
    writeFile(path, prefix, QDateTime::currentDateTime());
    {
        Util::Zipper zipper(path, true);
        QVERIFY(zipper.addFileToZip(talk::PlixTalk::traceLogFilePath()));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(prefix));
    // unzip warns about the leading bytes (exit code 1) but finds the entry.
    const UnzipResult data = unzip({QStringLiteral("-p"), path, QStringLiteral("plixtrace.log")});
    QVERIFY(data.exitCode == 0 || data.exitCode == 1);
    QCOMPARE(data.output, m_contents.value(QStringLiteral("plixtrace.log")));
}

void TestLogArchive::entriesFromMemory()
{
    const QString zipPath
        = TestEnvironment::freshDirectory(QStringLiteral("zipper-memory")) + QStringLiteral("/m.zip");
    const QByteArray first = sampleLog('m', 200);
    const QByteArray second("second entry");
    {
        Util::Zipper zipper(zipPath);
        QVERIFY(zipper.openFileInZip(QStringLiteral("first.txt")));
        QVERIFY(zipper.writeToFileInZip(first.left(1000)));
        QVERIFY(zipper.writeToFileInZip(first.mid(1000)));
        // Opening the next entry closes the one before.
        QVERIFY(zipper.openFileInZip(QStringLiteral("second.txt")));
        QVERIFY(zipper.writeToFileInZip(second));
        QVERIFY(zipper.closeFileInZip());
    }
    QCOMPARE(unzip({QStringLiteral("-t"), zipPath}).exitCode, 0);
    QCOMPARE(unzip({QStringLiteral("-p"), zipPath, QStringLiteral("first.txt")}).output, first);
    QCOMPARE(unzip({QStringLiteral("-p"), zipPath, QStringLiteral("second.txt")}).output, second);
}

void TestLogArchive::encryptedEntryIsReadableOrRefused()
{
    const QString zipPath
        = TestEnvironment::freshDirectory(QStringLiteral("zipper-secret")) + QStringLiteral("/s.zip");
    const QByteArray data = sampleLog('s', 50);
    const quint32 crc
        = quint32(crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
    bool accepted = false;
    {
        Util::Zipper zipper(zipPath);
        accepted = zipper.openFileInZip(QStringLiteral("secret.txt"), QStringLiteral("s3cret"), crc);
        if (accepted) {
            QVERIFY(zipper.writeToFileInZip(data));
        } else {
            // A refused entry leaves the archive usable.
            QVERIFY(zipper.openFileInZip(QStringLiteral("plain.txt")));
            QVERIFY(zipper.writeToFileInZip(data));
        }
        QVERIFY(zipper.closeFileInZip());
    }
    if (!accepted) {
        QCOMPARE(unzip({QStringLiteral("-p"), zipPath, QStringLiteral("plain.txt")}).output, data);
        return;
    }
    // An entry that is accepted must open with its password, and only with it.
    const QStringList secret {QStringLiteral("-p"), zipPath, QStringLiteral("secret.txt")};
    QCOMPARE(unzip(QStringList {QStringLiteral("-P"), QStringLiteral("s3cret")} + secret).output, data);
    QVERIFY(unzip(QStringList {QStringLiteral("-P"), QStringLiteral("wrong")} + secret).output.isEmpty());
}

void TestLogArchive::connectivityRule_data()
{
    using Flags = QNetworkInterface::InterfaceFlags;
    using R = QNetworkInformation::Reachability;
    const Flags lan
        = QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast;
    const Flags loopback
        = QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::IsLoopBack;
    const Flags ppp
        = QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::IsPointToPoint;

    QTest::addColumn<QList<Flags>>("interfaces");
    QTest::addColumn<R>("reachability");
    QTest::addColumn<bool>("expected");
    QTest::newRow("no interfaces") << QList<Flags>() << R::Online << false;
    QTest::newRow("loopback only") << QList<Flags> {loopback} << R::Online << false;
    QTest::newRow("point-to-point only") << QList<Flags> {ppp} << R::Online << false;
    QTest::newRow("down") << QList<Flags> {Flags(QNetworkInterface::CanBroadcast)} << R::Unknown << false;
    QTest::newRow("up, not running") << QList<Flags> {Flags(QNetworkInterface::IsUp)} << R::Unknown << false;
    QTest::newRow("lan, system cannot tell") << QList<Flags> {loopback, lan} << R::Unknown << true;
    QTest::newRow("lan, online") << QList<Flags> {lan} << R::Online << true;
    QTest::newRow("lan, intranet only") << QList<Flags> {lan} << R::Site << true;
    QTest::newRow("lan, reported offline") << QList<Flags> {loopback, lan} << R::Disconnected << false;
}

void TestLogArchive::connectivityRule()
{
    QFETCH(QList<QNetworkInterface::InterfaceFlags>, interfaces);
    QFETCH(QNetworkInformation::Reachability, reachability);
    QFETCH(bool, expected);
    QCOMPARE(Util::hasNetworkConnectivity(interfaces, reachability), expected);
}

void TestLogArchive::connectivityCheckReturnsPromptly()
{
    // The answer depends on this machine; it is asked every second while
    // reconnecting, so it must not hold the event loop up.
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 3; ++i)
        Util::hasNetworkConnectivity();
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
}

LINKORA_TEST_MAIN(TestLogArchive)
#include "tst_logarchive.moc"
