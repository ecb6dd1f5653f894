#include "crash/crashreportsender.h"
#include "crash/crashupload.h"
#include "crash/httpupload.h"
#include "crashreporter.h"
#include "phone/phonerig.h"
#include "startup.h"
#include "support/crashcollectorstandin.h"
#include "support/multipartreader.h"
#include "support/testenvironment.h"
#include "util/tracelog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxyFactory>
#include <QRegularExpression>
#include <QtTest>

using Result = CrashReportSender::ReportResult;
Q_DECLARE_METATYPE(CrashCollectorStandIn::Mode)

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

HttpUpload::Parameters reportFields()
{
    return {{QStringLiteral("BuildID"), QStringLiteral("201410101125948")},
            {QStringLiteral("ProductName"), QStringLiteral("DravoDialer")},
            {QStringLiteral("StartupTime"), QStringLiteral("1400000000")},
            {QStringLiteral("Username"), QStringLiteral("Not logged")},
            {QStringLiteral("Version"), QStringLiteral("1.0.0")}};
}

HttpUpload::Limits shortLimits()
{
    HttpUpload::Limits limits;
    limits.connectTimeoutMs = 1000;
    limits.transferTimeoutMs = 1500;
    return limits;
}

int dateNumber(const QDate &date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

} // namespace

class TestCrashUpload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void requestBodyKnownAnswer();
    void fieldsChecked_data();
    void fieldsChecked();
    void boundaryIsFreshEveryTime();
    void collectorAnswers_data();
    void collectorAnswers();
    void throttleAndCheckpoint_data();
    void throttleAndCheckpoint();
    void filesKeptUntilAccepted_data();
    void filesKeptUntilAccepted();
    void oldAndSurplusDumpsDropped();
    void userNameCutSafely_data();
    void userNameCutSafely();
    void userNameFollowsLogin();

private:
    QString m_dir;
    QString m_dump;
    QString m_zip;
    CrashCollectorStandIn *m_collector = nullptr;
};

void TestCrashUpload::initTestCase()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
}

void TestCrashUpload::init()
{
    delete m_collector;
    m_collector = new CrashCollectorStandIn(this);
    QVERIFY(m_collector->listen());
    m_dir = TestEnvironment::freshDirectory(QStringLiteral("upload"));
    m_dump = m_dir + QStringLiteral("/win_dump/0123456789abcdef0123456789abcdef.dmp");
    m_zip = m_dir + QStringLiteral("/logs.zip");
    writeFile(m_dump, QByteArray("MDMP\0\r\n--x", 11));
    writeFile(m_zip, QByteArray("PK\x03\x04"));
}

// Worked out by hand from the layout the collector expects.
void TestCrashUpload::requestBodyKnownAnswer()
{
    const QString dir = TestEnvironment::freshDirectory(QStringLiteral("known"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/tmp/d/win_dump")));
    const QString dump = dir + QStringLiteral("/tmp/d/win_dump/ID.dmp");
    writeFile(dump, "DUMP");
    writeFile(dir + QStringLiteral("/logs.zip"), QByteArray("PK\x03\x04"));

    QByteArray body;
    QVERIFY(HttpUpload::generateRequestBody(reportFields(), dump, dir + QStringLiteral("/logs.zip"),
                                            QStringLiteral("---------------------------6B8B4567327B23C6"),
                                            &body));
    // The dump goes by its name alone: no folder, so no home and no user name.
    QVERIFY(!body.contains("/tmp/d"));
    QCOMPARE(body.size(), 938);
    QCOMPARE(QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex(),
             QByteArray("96ed2ed63b02e6a9bad9bafb091420201db90aa3"));
}

void TestCrashUpload::fieldsChecked_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("plain") << "Username"
                           << "Zoë \"Z\" Tester" << true;
    QTest::newRow("quote in the name") << "User\"name"
                                       << "x" << false;
    QTest::newRow("control character in the name") << "User\tname"
                                                   << "x" << false;
    QTest::newRow("non-ASCII name") << "Benutzername\u00e4"
                                    << "x" << false;
    QTest::newRow("empty name") << ""
                                << "x" << false;
    QTest::newRow("line break in a value forges a part")
        << "Username"
        << "x\r\n-----------------------------6B8B4567327B23C6\r\nContent-Disposition: form-data" << false;
    QTest::newRow("bare line feed in a value") << "Username"
                                               << "a\nb" << false;
}

void TestCrashUpload::fieldsChecked()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, accepted);

    HttpUpload::Parameters fields = reportFields();
    fields.insert(name, value);
    QCOMPARE(HttpUpload::checkParameters(fields), accepted);

    // A refused field stops the upload before anything is sent.
    int code = -1;
    QCOMPARE(HttpUpload::sendRequest(m_collector->submitUrl(), fields, m_dump, m_zip, shortLimits(), nullptr,
                                     &code),
             accepted);
    QCOMPARE(m_collector->requests().size(), accepted ? 1 : 0);
    if (accepted) {
        QList<MultipartPart> parts;
        QVERIFY(readMultipart(m_collector->requests().at(0).header("Content-Type"),
                              m_collector->requests().at(0).body, &parts));
        QCOMPARE(parts.at(3).name, QByteArray("Username"));
        QCOMPARE(QString::fromUtf8(parts.at(3).data), value);
    }
}

void TestCrashUpload::boundaryIsFreshEveryTime()
{
    static const QRegularExpression shape(QStringLiteral("\\A-{27}[0-9A-F]{16}\\z"));
    const QString first = HttpUpload::generateMultipartBoundary();
    const QString second = HttpUpload::generateMultipartBoundary();
    QCOMPARE(first.size(), HttpUpload::kBoundaryLength);
    QVERIFY2(shape.match(first).hasMatch(), qPrintable(first));
    QVERIFY2(shape.match(second).hasMatch(), qPrintable(second));
    QVERIFY(first != second);
}

void TestCrashUpload::collectorAnswers_data()
{
    QTest::addColumn<CrashCollectorStandIn::Mode>("mode");
    QTest::addColumn<QString>("url"); // empty: the collector's
    QTest::addColumn<bool>("dumpPresent");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("requests");

    QTest::newRow("accepted") << CrashCollectorStandIn::Accept << QString() << true << int(Result::Sent) << 1;
    QTest::newRow("refused") << CrashCollectorStandIn::Refuse << QString() << true << int(Result::Rejected)
                             << 1;
    QTest::newRow("collector fails") << CrashCollectorStandIn::Fail << QString() << true
                                     << int(Result::Failed) << 1;
    QTest::newRow("answer shorter than announced")
        << CrashCollectorStandIn::ShortBody << QString() << true << int(Result::Failed) << 1;
    QTest::newRow("answer too long to hold")
        << CrashCollectorStandIn::HugeLength << QString() << true << int(Result::Failed) << 1;
    QTest::newRow("collector never answers")
        << CrashCollectorStandIn::Stall << QString() << true << int(Result::Failed) << 1;
    QTest::newRow("nobody listening")
        << CrashCollectorStandIn::Accept << QStringLiteral("http://127.0.0.1:1/submit") << true
        << int(Result::Failed) << 0;
    QTest::newRow("not an http address")
        << CrashCollectorStandIn::Accept << QStringLiteral("ftp://127.0.0.1/submit") << true
        << int(Result::Failed) << 0;
    QTest::newRow("dump missing") << CrashCollectorStandIn::Accept << QString() << false
                                  << int(Result::Failed) << 0;
}

void TestCrashUpload::collectorAnswers()
{
    QFETCH(CrashCollectorStandIn::Mode, mode);
    QFETCH(QString, url);
    QFETCH(bool, dumpPresent);
    QFETCH(int, result);
    QFETCH(int, requests);

    m_collector->setMode(mode);
    if (!dumpPresent)
        QFile::remove(m_dump);
    CrashReportSender sender {QString()};
    sender.setLimits(shortLimits());
    QString answer;
    QElapsedTimer clock;
    clock.start();
    const Result got = sender.sendCrashReport(url.isEmpty() ? m_collector->submitUrl() : QUrl(url),
                                              reportFields(), m_dump, m_zip, &answer);
    QCOMPARE(int(got), result);
    // Time-outs end a stalled upload.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_collector->requests().size(), requests);
    if (got == Result::Sent)
        QCOMPARE(answer.toUtf8(), CrashCollectorStandIn::kAcceptedAnswer);
    if (requests == 0)
        return;

    const CrashCollectorStandIn::Request request = m_collector->requests().at(0);
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/submit"));
    QCOMPARE(request.header("User-Agent"), QByteArray("Breakpad/1.0 (Windows)"));
    QVERIFY(request.header("Cookie").isNull());
    QList<MultipartPart> parts;
    QVERIFY(readMultipart(request.header("Content-Type"), request.body, &parts));
    QStringList names;
    for (const MultipartPart &part : parts)
        names << QString::fromUtf8(part.name);
    QCOMPARE(names,
             QStringList({"BuildID", "ProductName", "StartupTime", "Username", "Version",
                          "upload_file_minidump", "zipped_logs"}));
    QCOMPARE(parts.at(5).fileName, QByteArray("0123456789abcdef0123456789abcdef.dmp"));
    QVERIFY(!request.body.contains(QFile::encodeName(m_dir)));
    QCOMPARE(parts.at(5).contentType, QByteArray("application/octet-stream"));
    QCOMPARE(parts.at(5).data, TestEnvironment::fileContents(m_dump));
    QCOMPARE(parts.at(6).fileName, QByteArray("logs.zip"));
    QCOMPARE(parts.at(6).contentType, QByteArray("application/zip"));
    QCOMPARE(parts.at(6).data, QByteArray("PK\x03\x04"));
}

void TestCrashUpload::throttleAndCheckpoint_data()
{
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QByteArray>("before"); // "<today>" / "<yesterday>" stand for the dates
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QList<int>>("days"); // of each report, from today
    QTest::addColumn<QList<int>>("results");
    QTest::addColumn<QByteArray>("after"); // null: no file expected

    const int sent = Result::Sent;
    const int throttled = Result::Throttled;
    QTest::newRow("the crash reporter's sender sends every report")
        << false << QByteArray() << -1 << QList<int> {0, 0, 0} << QList<int> {sent, sent, sent}
        << QByteArray();
    QTest::newRow("no maximum: no throttle, the count kept")
        << true << QByteArray() << -1 << QList<int> {0, 0} << QList<int> {sent, sent}
        << QByteArray("GBP1\n<today>\n2\n");
    QTest::newRow("one a day") << true << QByteArray() << 1 << QList<int> {0, 0}
                               << QList<int> {sent, throttled} << QByteArray("GBP1\n<today>\n1\n");
    QTest::newRow("a new UTC day starts the count again")
        << true << QByteArray() << 1 << QList<int> {0, 1, 1} << QList<int> {sent, sent, throttled}
        << QByteArray("GBP1\n<tomorrow>\n1\n");
    QTest::newRow("today's checkpoint at the maximum throttles at once")
        << true << QByteArray("GBP1\n<today>\n2\n") << 2 << QList<int> {0} << QList<int> {throttled}
        << QByteArray("GBP1\n<today>\n2\n");
    QTest::newRow("yesterday's checkpoint does not")
        << true << QByteArray("GBP1\n<yesterday>\n5\n") << 2 << QList<int> {0} << QList<int> {sent}
        << QByteArray("GBP1\n<today>\n1\n");
    QTest::newRow("another first line is ignored")
        << true << QByteArray("GBP2\n<today>\n9\n") << 1 << QList<int> {0} << QList<int> {sent}
        << QByteArray("GBP1\n<today>\n1\n");
    QTest::newRow("an unreadable count is zero")
        << true << QByteArray("GBP1\n<today>\nmany\n") << 1 << QList<int> {0, 0}
        << QList<int> {sent, throttled} << QByteArray("GBP1\n<today>\n1\n");
    QTest::newRow("an unreadable date is no date")
        << true << QByteArray("GBP1\nx\n7\n") << 1 << QList<int> {0} << QList<int> {sent}
        << QByteArray("GBP1\n<today>\n1\n");
}

void TestCrashUpload::throttleAndCheckpoint()
{
    QFETCH(bool, withFile);
    QFETCH(QByteArray, before);
    QFETCH(int, maximum);
    QFETCH(QList<int>, days);
    QFETCH(QList<int>, results);
    QFETCH(QByteArray, after);

    const QDate today = QDateTime::currentDateTimeUtc().date();
    const auto dated = [&](QByteArray text) {
        text.replace("<today>", QByteArray::number(dateNumber(today)));
        text.replace("<yesterday>", QByteArray::number(dateNumber(today.addDays(-1))));
        text.replace("<tomorrow>", QByteArray::number(dateNumber(today.addDays(1))));
        return text;
    };
    const QString checkpoint = withFile ? m_dir + QStringLiteral("/checkpoint") : QString();
    if (!before.isNull())
        writeFile(checkpoint, dated(before));

    CrashReportSender sender(checkpoint);
    sender.setMaxReportsPerDay(maximum);
    int day = 0;
    sender.setClock([&]() { return today.addDays(day); });
    int sentCount = 0;
    for (qsizetype i = 0; i < days.size(); ++i) {
        day = days.at(i);
        const Result got = sender.sendCrashReport(m_collector->submitUrl(), reportFields(), m_dump, m_zip);
        QCOMPARE(int(got), results.at(i));
        sentCount += got == Result::Sent ? 1 : 0;
    }
    // A throttled report costs no traffic.
    QCOMPARE(m_collector->requests().size(), sentCount);

    if (after.isNull()) {
        QVERIFY(!QFile::exists(m_dir + QStringLiteral("/checkpoint")));
        return;
    }
    QCOMPARE(TestEnvironment::fileContents(checkpoint), dated(after));
    // The next run reads what this one left.
    CrashReportSender next(checkpoint);
    QCOMPARE(next.lastSentDate(), sender.lastSentDate());
    QCOMPARE(next.reportsSent(), sender.reportsSent());
}

void TestCrashUpload::filesKeptUntilAccepted_data()
{
    QTest::addColumn<CrashCollectorStandIn::Mode>("mode");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("kept");

    QTest::newRow("accepted") << CrashCollectorStandIn::Accept << int(Result::Sent) << false;
    QTest::newRow("refused") << CrashCollectorStandIn::Refuse << int(Result::Rejected) << true;
    QTest::newRow("failed") << CrashCollectorStandIn::Fail << int(Result::Failed) << true;
    QTest::newRow("stalled") << CrashCollectorStandIn::Stall << int(Result::Failed) << true;
}

void TestCrashUpload::filesKeptUntilAccepted()
{
    QFETCH(CrashCollectorStandIn::Mode, mode);
    QFETCH(int, result);
    QFETCH(bool, kept);

    m_collector->setMode(mode);
    const QString folder = CrashReporter::dumpDirectory();
    QDir(folder).removeRecursively();
    const QString dump = folder + QStringLiteral("/fedcba9876543210fedcba9876543210.dmp");
    writeFile(dump, "MDMP");
    writeFile(CrashUpload::reportFileOf(dump),
              "url=" + m_collector->submitUrl().toEncoded()
                  + "\nBuildID=201410101125948\nProductName=DravoDialer\nStartupTime=1400000000\n"
                    "Username=Zo\xc3\xab\nVersion=1.0.0\n");
    for (const char *log : {"plixtrace.log", "plixtalk.log", "plixxmpp.log"})
        writeFile(TraceLog::logDirectory() + QLatin1Char('/') + QLatin1String(log),
                  QByteArray("line of ") + log);
    const QString zip = TraceLog::logDirectory() + QStringLiteral("/logs.zip");

    QCOMPARE(int(CrashUpload::upload(dump, shortLimits())), result);
    QCOMPARE(m_collector->requests().size(), 1);
    QList<MultipartPart> parts;
    QVERIFY(readMultipart(m_collector->requests().at(0).header("Content-Type"),
                          m_collector->requests().at(0).body, &parts));
    QCOMPARE(parts.size(), 7);
    QCOMPARE(QString::fromUtf8(parts.at(3).data), QStringLiteral("Zoë"));
    QVERIFY(parts.at(6).data.startsWith("PK"));
    QVERIFY(parts.at(6).data.contains("plixtrace.log"));
    QCOMPARE(QFile::exists(dump), kept);
    QCOMPARE(QFile::exists(CrashUpload::reportFileOf(dump)), kept);
    QCOMPARE(QFile::exists(zip), kept);
}

void TestCrashUpload::oldAndSurplusDumpsDropped()
{
    const QString folder = TestEnvironment::freshDirectory(QStringLiteral("prune"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Ages in days, not in the order of the names; the one 40 days old goes,
    // and of the rest the oldest two.
    const QList<int> ages = {3, 0, 6, 40, 1, 5, 2, 4};
    QStringList dumps;
    for (qsizetype i = 0; i < ages.size(); ++i) {
        const QString dump = QStringLiteral("%1/%2.dmp").arg(folder).arg(i, 32, 10, QLatin1Char('0'));
        writeFile(dump, "MDMP");
        writeFile(CrashUpload::reportFileOf(dump), "url=http://127.0.0.1:1/submit\n");
        QFile file(dump);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addDays(-ages.at(i)).addSecs(-60), QFileDevice::FileModificationTime));
        dumps << dump;
    }
    writeFile(folder + QStringLiteral("/ffffffffffffffffffffffffffffffff.report"), "url=orphan\n");

    CrashUpload::pruneDumps(folder, now);

    for (qsizetype i = 0; i < ages.size(); ++i) {
        const bool keep = ages.at(i) <= 4 && ages.at(i) != 40;
        QVERIFY2(QFile::exists(dumps.at(i)) == keep, qPrintable(dumps.at(i)));
        QCOMPARE(QFile::exists(CrashUpload::reportFileOf(dumps.at(i))), keep);
    }
    QVERIFY(!QFile::exists(folder + QStringLiteral("/ffffffffffffffffffffffffffffffff.report")));
}

void TestCrashUpload::userNameCutSafely_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("short") << "bob@example.org"
                           << "bob@example.org";
    QTest::newRow("exactly 127") << QString(127, QLatin1Char('a')) << QString(127, QLatin1Char('a'));
    QTest::newRow("over the limit") << QString(300, QLatin1Char('a')) << QString(127, QLatin1Char('a'));
    QTest::newRow("wide characters over the limit")
        << QString(200, QChar(0x4e2d)) << QString(127, QChar(0x4e2d));
    QTest::newRow("a pair of units not split")
        << QString(126, QLatin1Char('a')) + QStringLiteral("\U0001F600") << QString(126, QLatin1Char('a'));
    QTest::newRow("line breaks cannot forge fields") << "eve\r\nVersion=9"
                                                     << "eve  Version=9";
}

void TestCrashUpload::userNameCutSafely()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    CrashReporter::setReportUserName(name);
    QCOMPARE(CrashReporter::reportUserName(), expected);
    CrashReporter::setReportUserName(QStringLiteral("Not logged"));
}

void TestCrashUpload::userNameFollowsLogin()
{
    PhoneRig rig;
    CrashReporter reporter(rig.phone.get(), nullptr);
    QCOMPARE(CrashReporter::reportUserName(), QStringLiteral("Not logged"));
    QVERIFY(rig.logIn());
    const QString loginName = rig.talk->loginName();
    QVERIFY(!loginName.isEmpty());
    QCOMPARE(CrashReporter::reportUserName(), loginName);

    QSignalSpy loggedOut(rig.phone.get(), &Phone::logoutSuccessful);
    rig.phone->logout();
    QTRY_COMPARE(loggedOut.size(), 1);
    QCOMPARE(CrashReporter::reportUserName(), QStringLiteral("Not logged"));
}

LINKORA_TEST_MAIN(TestCrashUpload)
#include "tst_crashupload.moc"
