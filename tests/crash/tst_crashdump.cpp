// Crashes a real process in each way the program can crash and follows the
// report: the process dies by its signal, the dump is a minidump a debugger
// opens, and the collector receives it with the logs and the fields.
//
// The crashing program is built with the sanitizers like every test here;
// it runs with their signal handling off so that its own crash handler gets
// the signals.

#include "crash/crashupload.h"
#include "crash/httpupload.h"
#include "startup.h"
#include "support/crashcollectorstandin.h"
#include "support/multipartreader.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(CrashCollectorStandIn::Mode)

namespace {

const char kSanitizerOptions[]
    = "handle_segv=0:handle_sigbus=0:handle_abort=0:handle_sigill=0:handle_sigfpe=0:"
      "handle_sigtrap=0:allow_user_segv_handler=1:detect_leaks=0:"
      "detect_stack_use_after_return=0";

uid_t nobody()
{
    const passwd *entry = ::getpwnam("nobody");
    return entry ? entry->pw_uid : uid_t(65534);
}

int mode(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

template<typename T>
T at(const QByteArray &bytes, qsizetype offset)
{
    if (offset < 0 || offset + qsizetype(sizeof(T)) > bytes.size())
        return T();
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

// What the tests check in a minidump, read from the documented layout.
struct DumpSummary
{
    bool valid = false;
    QList<quint32> streams;
    quint32 exceptionThread = 0;
    quint32 exceptionCode = 0;
    QList<quint32> threads;
    int threadsWithStack = 0;
    QStringList modules;
    int modulesWithBuildId = 0;
    QByteArray maps;
};

QString readMinidumpString(const QByteArray &dump, quint32 rva)
{
    const quint32 bytes = at<quint32>(dump, rva);
    if (rva + 4 + qint64(bytes) > dump.size())
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(dump.constData() + rva + 4), bytes / 2);
}

DumpSummary summarize(const QByteArray &dump)
{
    DumpSummary summary;
    if (at<quint32>(dump, 0) != 0x504d444d || (at<quint32>(dump, 4) & 0xffff) != 0xa793)
        return summary;
    const quint32 count = at<quint32>(dump, 8);
    const quint32 directory = at<quint32>(dump, 12);
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype entry = directory + i * 12;
        const quint32 type = at<quint32>(dump, entry);
        const quint32 size = at<quint32>(dump, entry + 4);
        const quint32 rva = at<quint32>(dump, entry + 8);
        summary.streams << type;
        if (type == 6) { // exception
            summary.exceptionThread = at<quint32>(dump, rva);
            summary.exceptionCode = at<quint32>(dump, rva + 8);
        } else if (type == 3) { // thread list
            const quint32 threads = at<quint32>(dump, rva);
            for (quint32 t = 0; t < threads; ++t) {
                const qsizetype thread = rva + 4 + t * 48;
                summary.threads << at<quint32>(dump, thread);
                const quint32 stackSize = at<quint32>(dump, thread + 32);
                const quint32 contextSize = at<quint32>(dump, thread + 40);
                const quint32 contextRva = at<quint32>(dump, thread + 44);
                // Context flags of an x86-64 context with control and integer registers.
                const quint32 flags = at<quint32>(dump, contextRva + 48);
                if (stackSize > 0 && contextSize == 1232 && (flags & 0x00100003) == 0x00100003)
                    ++summary.threadsWithStack;
            }
        } else if (type == 4) { // module list
            const quint32 modules = at<quint32>(dump, rva);
            for (quint32 m = 0; m < modules; ++m) {
                const qsizetype module = rva + 4 + m * 108;
                summary.modules << readMinidumpString(dump, at<quint32>(dump, module + 20));
                const quint32 cvSize = at<quint32>(dump, module + 76);
                const quint32 cvRva = at<quint32>(dump, module + 80);
                if (cvSize > 4 && at<quint32>(dump, cvRva) == 0x4270454c)
                    ++summary.modulesWithBuildId;
            }
        } else if (type == 0x47670009) { // Linux maps
            summary.maps = dump.mid(rva, size);
        }
    }
    summary.valid = true;
    return summary;
}

} // namespace

class TestCrashDump : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void crashIsReported_data();
    void crashIsReported();
    void reportKeptUntilAccepted_data();
    void reportKeptUntilAccepted();
    void earlierReportSentAtNextStart_data();
    void earlierReportSentAtNextStart();
    void dumpsKeptToTheNewestFive();
    void dumpFolderMustBeOurs_data();
    void dumpFolderMustBeOurs();
    void dumpFolderChangedSinceTheStart_data();
    void dumpFolderChangedSinceTheStart();
    void uploadModeSendsOwnDumpsOnly_data();
    void uploadModeSendsOwnDumpsOnly();

private:
    // A fresh home for the program, with its three logs.
    void prepareHome(const QString &name);
    // Runs the program there; false when it did not end as told.
    bool run(const QStringList &arguments, QProcess::ExitStatus status, int code);
    // Runs the crashing program in a fresh home; false when it did not die by signalNumber.
    bool crash(const QString &kind, int signalNumber, const QUrl &collector, const QString &userName);
    // A dump with its report file, as a crash leaves them.
    QString placeDump(const QString &folder, const QUrl &collector, int ageMinutes,
                      const QString &id = QStringLiteral("0123456789abcdef0123456789abcdef"));

    QString m_home;
    QString m_dataDir;
    QProcessEnvironment m_environment;
};

void TestCrashDump::initTestCase()
{
    Startup::setupApplicationIdentity();
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("lldb")).isEmpty(),
             "lldb is missing: scripts/install-deps.sh installs it");
}

void TestCrashDump::prepareHome(const QString &name)
{
    m_home = TestEnvironment::freshDirectory(name);
    m_environment = TestEnvironment::programEnvironment(m_home);
    for (const char *variable :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        m_environment.remove(QLatin1String(variable));
    m_environment.insert(QStringLiteral("ASAN_OPTIONS"), QLatin1String(kSanitizerOptions));
    m_dataDir = m_environment.value(QStringLiteral("XDG_DATA_HOME")) + QLatin1Char('/')
        + QCoreApplication::organizationName() + QLatin1Char('/') + QCoreApplication::applicationName();
    // The logs the report zips.
    QDir().mkpath(m_dataDir + QStringLiteral("/logs"));
    QDir().mkpath(m_dataDir + QStringLiteral("/win_dump"));
    for (const char *log : {"plixtrace.log", "plixtalk.log", "plixxmpp.log"}) {
        QFile file(m_dataDir + QStringLiteral("/logs/") + QLatin1String(log));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(QByteArray("a line of ") + log) > 0);
    }
}

bool TestCrashDump::run(const QStringList &arguments, QProcess::ExitStatus status, int code)
{
    QProcess victim;
    victim.setProcessEnvironment(m_environment);
    victim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    victim.start(QStringLiteral(CRASH_VICTIM), arguments);
    if (!victim.waitForFinished(30000))
        return false;
    if (victim.exitStatus() != status || victim.exitCode() != code) {
        qWarning() << "ended with" << victim.exitStatus() << victim.exitCode();
        return false;
    }
    return true;
}

bool TestCrashDump::crash(const QString &kind, int signalNumber, const QUrl &collector,
                          const QString &userName)
{
    prepareHome(kind);
    if (QTest::currentTestFailed())
        return false;
    return run({kind, QString::fromUtf8(collector.toEncoded()), userName}, QProcess::CrashExit, signalNumber);
}

void TestCrashDump::crashIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("function");

    QTest::newRow("null write") << "null-write" << SIGSEGV << "crashByNullWrite";
    QTest::newRow("null write on another thread") << "worker-null-write" << SIGSEGV << "crashByNullWrite";
    QTest::newRow("abort") << "abort" << SIGABRT << "crashByAbort";
    QTest::newRow("stack overflow") << "stack-overflow" << SIGSEGV << "crashByStackOverflow";
    QTest::newRow("pure virtual call") << "pure-virtual" << SIGABRT << "crashByPureVirtualCall";
    QTest::newRow("uncaught exception") << "uncaught-exception" << SIGABRT << "crashByUncaughtException";
}

void TestCrashDump::crashIsReported()
{
    QFETCH(QString, kind);
    QFETCH(int, signalNumber);
    QFETCH(QString, function);

    CrashCollectorStandIn collector;
    QVERIFY(collector.listen());
    const QString user = QStringLiteral("Zoë ") + QString(200, QLatin1Char('x'));
    QVERIFY(crash(kind, signalNumber, collector.submitUrl(), user));

    // The program started again sends the report.
    QTRY_COMPARE_WITH_TIMEOUT(collector.requests().size(), 1, 30000);
    const CrashCollectorStandIn::Request request = collector.requests().at(0);
    QList<MultipartPart> parts;
    QVERIFY(readMultipart(request.header("Content-Type"), request.body, &parts));
    QCOMPARE(parts.size(), 7);
    QMap<QByteArray, QByteArray> fields;
    for (qsizetype i = 0; i < 5; ++i)
        fields.insert(parts.at(i).name, parts.at(i).data);
    QCOMPARE(fields.value("BuildID"), QByteArray("201410101125948"));
    QCOMPARE(fields.value("ProductName"), QByteArray("DravoDialer"));
    QCOMPARE(fields.value("Version"), QByteArray("1.0.0"));
    const qint64 startup = fields.value("StartupTime").toLongLong();
    QVERIFY(qAbs(QDateTime::currentSecsSinceEpoch() - startup) < 120);
    // Cut to the report's 127 characters.
    QCOMPARE(QString::fromUtf8(fields.value("Username")), user.left(127));

    const MultipartPart dumpPart = parts.at(5);
    QCOMPARE(dumpPart.name, QByteArray("upload_file_minidump"));
    const QString dumpName = QString::fromUtf8(dumpPart.fileName);
    QVERIFY2(QRegularExpression(QStringLiteral("\\A[0-9a-f]{32}\\.dmp\\z")).match(dumpName).hasMatch(),
             qPrintable(dumpName));
    QCOMPARE(parts.at(6).name, QByteArray("zipped_logs"));
    QVERIFY(parts.at(6).data.startsWith("PK\x03\x04"));
    for (const char *log : {"plixtrace.log", "plixtalk.log", "plixxmpp.log"})
        QVERIFY2(parts.at(6).data.contains(log), log);

    const DumpSummary dump = summarize(dumpPart.data);
    QVERIFY(dump.valid);
    for (quint32 stream : {3u, 4u, 5u, 6u, 7u, 0x47670009u})
        QVERIFY2(dump.streams.contains(stream), qPrintable(QString::number(stream, 16)));
    QCOMPARE(dump.exceptionCode, quint32(signalNumber));
    QVERIFY(!dump.threads.isEmpty());
    QCOMPARE(dump.threads.first(), dump.exceptionThread);
    // The crashing thread and the two idle ones, each with registers and stack.
    QVERIFY2(dump.threadsWithStack >= 3, qPrintable(QString::number(dump.threadsWithStack)));
    QVERIFY(dump.modules.contains(QFileInfo(QStringLiteral(CRASH_VICTIM)).canonicalFilePath())
            || dump.modules.contains(QStringLiteral(CRASH_VICTIM)));
    QVERIFY(dump.modulesWithBuildId >= 2);
    QVERIFY(dump.maps.contains("crashvictim"));

    // Accepted: nothing of the report stays behind.
    const QString dumpDir = m_dataDir + QStringLiteral("/win_dump");
    QTRY_VERIFY_WITH_TIMEOUT(QDir(dumpDir).entryList(QDir::Files).isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(m_dataDir + QStringLiteral("/logs/logs.zip")), 10000);

    // A debugger opens the dump and finds the function that crashed.
    const QString dumpCopy = m_home + QLatin1Char('/') + dumpName;
    QFile copy(dumpCopy);
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(dumpPart.data);
    copy.close();
    QProcess lldb;
    lldb.setProcessChannelMode(QProcess::MergedChannels);
    lldb.start(QStringLiteral("lldb"),
               {QStringLiteral("--batch"), QStringLiteral("-c"), dumpCopy, QStringLiteral(CRASH_VICTIM),
                QStringLiteral("-o"), QStringLiteral("thread backtrace")});
    QVERIFY(lldb.waitForFinished(60000));
    const QString backtrace = QString::fromUtf8(lldb.readAll());
    QVERIFY2(backtrace.contains(QStringLiteral("stop reason = signal")), qPrintable(backtrace));
    QVERIFY2(backtrace.contains(QStringLiteral("crashvictim`")), qPrintable(backtrace));
    QVERIFY2(backtrace.contains(function), qPrintable(backtrace));
}

void TestCrashDump::reportKeptUntilAccepted_data()
{
    QTest::addColumn<CrashCollectorStandIn::Mode>("mode");
    QTest::newRow("refused") << CrashCollectorStandIn::Refuse;
    QTest::newRow("failed") << CrashCollectorStandIn::Fail;
}

void TestCrashDump::reportKeptUntilAccepted()
{
    QFETCH(CrashCollectorStandIn::Mode, mode);
    CrashCollectorStandIn collector;
    QVERIFY(collector.listen());
    collector.setMode(mode);
    QVERIFY(crash(QStringLiteral("null-write"), SIGSEGV, collector.submitUrl(), QString()));
    QTRY_COMPARE_WITH_TIMEOUT(collector.requests().size(), 1, 30000);

    // The zip is written just before sending, so its presence after the
    // answer shows the upload process has ended without deleting anything.
    const QString dumpDir = m_dataDir + QStringLiteral("/win_dump");
    QTest::qWait(500);
    const QStringList files = QDir(dumpDir).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 2);
    QVERIFY(files.at(0).endsWith(QLatin1String(".dmp")));
    QVERIFY(files.at(1).endsWith(QLatin1String(".report")));
    QCOMPARE(QFileInfo(dumpDir + QLatin1Char('/') + files.at(0)).permissions()
                 & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                    | QFileDevice::WriteOther),
             QFileDevice::Permissions());
    QVERIFY(QFile::exists(m_dataDir + QStringLiteral("/logs/logs.zip")));
    QList<MultipartPart> parts;
    QVERIFY(readMultipart(collector.requests().at(0).header("Content-Type"), collector.requests().at(0).body,
                          &parts));
    QCOMPARE(QString::fromUtf8(parts.at(3).data), QStringLiteral("Not logged"));
}

QString TestCrashDump::placeDump(const QString &folder, const QUrl &collector, int ageMinutes,
                                 const QString &id)
{
    const QString dump = folder + QLatin1Char('/') + id + QStringLiteral(".dmp");
    QFile file(dump);
    if (!file.open(QIODevice::WriteOnly) || file.write("MDMP") != 4 || !file.flush())
        return QString();
    file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60 * ageMinutes),
                     QFileDevice::FileModificationTime);
    file.close();
    QFile report(folder + QLatin1Char('/') + id + QStringLiteral(".report"));
    if (!report.open(QIODevice::WriteOnly))
        return QString();
    report.write(
        "url=" + collector.toEncoded()
        + "\nBuildID=201410101125948\nProductName=DravoDialer\nStartupTime=1\nUsername=ann\nVersion=1.0.0\n");
    return dump;
}

void TestCrashDump::earlierReportSentAtNextStart_data()
{
    QTest::addColumn<int>("ageMinutes");
    QTest::addColumn<bool>("sent");
    QTest::newRow("an hour old") << 60 << true;
    // Its own upload, started by the crash, may still be under way: sent
    // once, by that upload, and kept for a later start if it fails.
    QTest::newRow("two minutes old") << 2 << false;
}

void TestCrashDump::earlierReportSentAtNextStart()
{
    QFETCH(int, ageMinutes);
    QFETCH(bool, sent);
    CrashCollectorStandIn collector;
    QVERIFY(collector.listen());
    prepareHome(QStringLiteral("next-start"));
    const QString folder = m_dataDir + QStringLiteral("/win_dump");
    const QString dump = placeDump(folder, collector.submitUrl(), ageMinutes);
    QVERIFY(!dump.isEmpty());

    QVERIFY(run({QStringLiteral("none"), QString::fromUtf8(collector.submitUrl().toEncoded())},
                QProcess::NormalExit, 0));
    if (!sent) {
        QTest::qWait(1500);
        QCOMPARE(collector.requests().size(), 0);
        QVERIFY(QFile::exists(dump));
        QVERIFY(QFile::exists(CrashUpload::reportFileOf(dump)));
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(collector.requests().size(), 1, 30000);
    QList<MultipartPart> parts;
    QVERIFY(readMultipart(collector.requests().at(0).header("Content-Type"), collector.requests().at(0).body,
                          &parts));
    QCOMPARE(parts.at(3).data, QByteArray("ann"));
    QCOMPARE(parts.at(5).data, QByteArray("MDMP"));
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(dump), 10000);
}

// However many crashes come in a row, the folder holds at most five dumps,
// the newest by time (their names say nothing of their age).
void TestCrashDump::dumpsKeptToTheNewestFive()
{
    prepareHome(QStringLiteral("five"));
    const QString folder = m_dataDir + QStringLiteral("/win_dump");
    const QList<int> ages = {5, 60, 1, 30, 240, 2, 90}; // minutes
    QStringList placed;
    for (qsizetype i = 0; i < ages.size(); ++i) {
        const QString id(32, QLatin1Char("abcdefg"[i]));
        QVERIFY(!placeDump(folder, QUrl(), ages.at(i), id).isEmpty());
        placed << id;
    }

    // No collector: the dumps stay, as after uploads that failed.
    QVERIFY(run({QStringLiteral("null-write"), QString()}, QProcess::CrashExit, SIGSEGV));
    QStringList dumps = QDir(folder).entryList({QStringLiteral("*.dmp")}, QDir::Files, QDir::Name);
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.report")}, QDir::Files).size(), 5);
    QCOMPARE(dumps.size(), 5);
    // The four newest of before (1, 2, 5 and 30 minutes old) and the new one.
    for (const QString &kept : {placed.at(2), placed.at(5), placed.at(0), placed.at(3)})
        QVERIFY2(dumps.removeOne(kept + QStringLiteral(".dmp")), qPrintable(kept));
    QVERIFY(!placed.contains(QFileInfo(dumps.value(0)).completeBaseName()));
}
void TestCrashDump::dumpFolderMustBeOurs_data()
{
    QTest::addColumn<bool>("link");
    QTest::addColumn<bool>("othersFolder");
    QTest::addColumn<int>("folderMode");
    QTest::newRow("a link to another user's open folder") << true << true << 0777;
    QTest::newRow("another user's open folder") << false << true << 0777;
    // The folder would pass every check but that it is reached through a
    // link, which whoever made it can point elsewhere at any time.
    QTest::newRow("a link to a private folder of the user's") << true << false << 0700;
}

// Another user who got a link or a folder of theirs in place of the dump
// folder would receive our dumps and reports: the program's memory and logs.
void TestCrashDump::dumpFolderMustBeOurs()
{
    QFETCH(bool, link);
    QFETCH(bool, othersFolder);
    QFETCH(int, folderMode);
    if (othersFolder && ::geteuid() != 0)
        QSKIP("Only root can give a folder to another user");
    CrashCollectorStandIn collector;
    QVERIFY(collector.listen());
    prepareHome(QStringLiteral("not-ours"));
    const QString folder = m_dataDir + QStringLiteral("/win_dump");
    const QString theirs = link ? m_home + QStringLiteral("/theirs") : folder;
    QVERIFY(QDir().mkpath(theirs));
    QCOMPARE(::chmod(QFile::encodeName(theirs).constData(), mode_t(folderMode)), 0);
    if (othersFolder)
        QCOMPARE(::chown(QFile::encodeName(theirs).constData(), nobody(), nobody()), 0);
    if (link) {
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(theirs, folder));
    }

    // Reporting stays off: the process dies by its signal, and writes nothing there.
    QVERIFY(run({QStringLiteral("null-write"), QString::fromUtf8(collector.submitUrl().toEncoded())},
                QProcess::CrashExit, SIGSEGV));
    QCOMPARE(QDir(theirs).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(mode(theirs), folderMode);
    QCOMPARE(QFileInfo(folder).isSymLink(), link);
    QTest::qWait(1000);
    QCOMPARE(collector.requests().size(), 0);

    // Nor is a dump placed there sent on request.
    const QString dump = placeDump(theirs, collector.submitUrl(), 60);
    QVERIFY(!dump.isEmpty());
    QVERIFY(run({QStringLiteral("--crash-upload"), folder + QLatin1Char('/') + QFileInfo(dump).fileName()},
                QProcess::NormalExit, 2));
    QTest::qWait(200);
    QCOMPARE(collector.requests().size(), 0);
}

void TestCrashDump::dumpFolderChangedSinceTheStart_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("looked");
    QTest::newRow("opened to others") << "opened-folder"
                                      << "win_dump";
    QTest::newRow("a link in its place") << "linked-folder"
                                         << "win_dump-elsewhere";
    QTest::newRow("a link to a private folder of the user's") << "linked-private-folder"
                                                              << "win_dump-elsewhere";
}

// The folder is checked again when the crash comes: what took its place
// since the start receives neither dump nor report, and nothing is sent.
void TestCrashDump::dumpFolderChangedSinceTheStart()
{
    QFETCH(QString, kind);
    QFETCH(QString, looked);
    CrashCollectorStandIn collector;
    QVERIFY(collector.listen());
    QVERIFY(crash(kind, SIGSEGV, collector.submitUrl(), QString()));
    QCOMPARE(QDir(m_dataDir + QLatin1Char('/') + looked).entryList(QDir::Files | QDir::Hidden),
             QStringList());
    QTest::qWait(1000);
    QCOMPARE(collector.requests().size(), 0);
}

void TestCrashDump::uploadModeSendsOwnDumpsOnly_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("a dump elsewhere") << "elsewhere";
    QTest::newRow("a link in the dump folder") << "link";
    QTest::newRow("not named like a dump") << "name";
    QTest::newRow("the dump folder a link") << "folder link";
}

// Anyone can start the program in its upload mode: it must not become a way
// to send any file of the user's to the collector.
void TestCrashDump::uploadModeSendsOwnDumpsOnly()
{
    QFETCH(QString, where);
    CrashCollectorStandIn collector;
    QVERIFY(collector.listen());
    prepareHome(QStringLiteral("own-") + where);
    const QString folder = m_dataDir + QStringLiteral("/win_dump");
    QString dump;
    if (where == QLatin1String("elsewhere")) {
        QDir().mkpath(m_home + QStringLiteral("/elsewhere"));
        dump = placeDump(m_home + QStringLiteral("/elsewhere"), collector.submitUrl(), 0);
    } else if (where == QLatin1String("link")) {
        QDir().mkpath(m_home + QStringLiteral("/elsewhere"));
        const QString target = placeDump(m_home + QStringLiteral("/elsewhere"), collector.submitUrl(), 0);
        placeDump(folder, collector.submitUrl(), 0);
        dump = folder + QStringLiteral("/0123456789abcdef0123456789abcdef.dmp");
        QVERIFY(QFile::remove(dump));
        QVERIFY(QFile::link(target, dump));
    } else if (where == QLatin1String("folder link")) {
        QDir().mkpath(m_home + QStringLiteral("/elsewhere"));
        placeDump(m_home + QStringLiteral("/elsewhere"), collector.submitUrl(), 0);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(m_home + QStringLiteral("/elsewhere"), folder));
        dump = folder + QStringLiteral("/0123456789abcdef0123456789abcdef.dmp");
    } else {
        const QString placed = placeDump(folder, collector.submitUrl(), 0);
        dump = folder + QStringLiteral("/secrets.dmp");
        QVERIFY(QFile::rename(placed, dump));
        QVERIFY(QFile::rename(folder + QStringLiteral("/0123456789abcdef0123456789abcdef.report"),
                              folder + QStringLiteral("/secrets.report")));
    }
    QVERIFY(!dump.isEmpty());

    QVERIFY(run({QStringLiteral("--crash-upload"), dump}, QProcess::NormalExit, 2));
    QTest::qWait(200);
    QCOMPARE(collector.requests().size(), 0);
    QVERIFY(QFileInfo::exists(dump) || QFileInfo(dump).isSymLink());
}

LINKORA_TEST_MAIN(TestCrashDump)
#include "tst_crashdump.moc"
