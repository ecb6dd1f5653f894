#include "support/testenvironment.h"
#include "util/trace.h"
#include "util/tracelog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

namespace {

struct Sample
{
    QString signatureOfMember() const { return QString::fromLatin1(Q_FUNC_INFO); }
};

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (data.contains('\r'))
        return {QStringLiteral("<carriage return found>")};
    QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

const QRegularExpression
    kLineShape(QStringLiteral(R"(^\d{4}_\d{2}_\d{2}__\d{2}_\d{2}_\d{2}\.\d{3}\[(DBG|WRN|CRI|FTL)\] .*$)"));

} // namespace

class TestTraceLog : public QObject
{
    Q_OBJECT

private slots:
    void functionNames_data();
    void functionNames();
    void sourcePathsUseBackslashesWithoutExtension();
    void headerIsQuotedWithPlainBackslashes();
    void installWritesHeaderLinesAndTruncates();
    void linesAreTaggedByMessageType();
    void uninstallRestoresQtOutput();
    void concurrentTracesStayWholeLines();
    void nonLatin1TextIsWrittenAsUtf8();
    void longMessagesAreCutAndTheFileMovesAside();
};

void TestTraceLog::functionNames_data()
{
    QTest::addColumn<QString>("signature");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free") << "int main(int, char**)"
                          << "main";
    QTest::newRow("member") << "void Application::initUI()"
                            << "Application::initUI";
    QTest::newRow("const member returning reference") << "const QString& Settings::userName() const"
                                                      << "Settings::userName";
    QTest::newRow("pointer return") << "Phone* ObjFactory::phone()"
                                    << "ObjFactory::phone";
    QTest::newRow("nested namespace") << "void talk::Call::Private::onHangup(plix::ICall*, int)"
                                      << "talk::Call::Private::onHangup";
    QTest::newRow("lambda") << "Application::initUI()::<lambda()>"
                            << "Application::initUI";
    QTest::newRow("template return") << "QList<QPair<int, int> > PrefixProvider::prefixesAt(int) const"
                                     << "PrefixProvider::prefixesAt";
    QTest::newRow("constructor") << "DbStore::DbStore(QObject*)"
                                 << "DbStore::DbStore";
    QTest::newRow("clang unnamed namespace") << "void (anonymous namespace)::Helper::run()"
                                             << "{anonymous}::Helper::run";
    QTest::newRow("call operator") << "bool Matcher::operator()(const QString&) const"
                                   << "Matcher::operator()";
}

void TestTraceLog::functionNames()
{
    QFETCH(QString, signature);
    QFETCH(QString, expected);
    QCOMPARE(Trace::functionName(signature.toLatin1().constData()), expected);

    // And what the compiler really hands us.
    QCOMPARE(Trace::functionName(Sample().signatureOfMember().toLatin1().constData()),
             QStringLiteral("{anonymous}::Sample::signatureOfMember"));
}

void TestTraceLog::sourcePathsUseBackslashesWithoutExtension()
{
    QCOMPARE(Trace::sourcePath("src/application.cpp"), QStringLiteral("src\\application"));
    QCOMPARE(Trace::sourcePath("src/util/trace.h"), QStringLiteral("src\\util\\trace"));
    QCOMPARE(Trace::sourcePath("src/v1.2/main"), QStringLiteral("src\\v1.2\\main"));
    // The build strips the source root from __FILE__.
    QCOMPARE(Trace::sourcePath(__FILE__), QStringLiteral("tests\\util\\tst_tracelog"));
}

void TestTraceLog::headerIsQuotedWithPlainBackslashes()
{
    QString text;
    {
        QDebug stream(&text);
        Trace::start(stream, Trace::header("[TRACE]: ", "int main(int, char**)", "src/main.cpp", 165))
            << 0 << "literal" << QStringLiteral("string");
    }
    QCOMPARE(text.trimmed(), QStringLiteral("\"[TRACE]: main@src\\main:165:\" 0 literal \"string\""));

    QCOMPARE(Trace::header("[WARNING]: ", "void A::b()", "src/a.cpp", 7),
             QStringLiteral("[WARNING]: A::b@src\\a:7:"));
    QCOMPARE(Trace::header("[ERROR]: ", "void A::b()", "src/a.cpp", 7),
             QStringLiteral("[ERROR]: A::b@src\\a:7:"));
    QCOMPARE(Trace::header("NOTIMPL: ", "void A::b()", "src/a.cpp", 7),
             QStringLiteral("NOTIMPL: A::b@src\\a:7:"));
}

void TestTraceLog::installWritesHeaderLinesAndTruncates()
{
    QVERIFY(TraceLog::install());
    TRACE << "first run";
    TraceLog::uninstall();
    QVERIFY(readLines(TraceLog::logFilePath()).join(QLatin1Char('\n')).contains(QStringLiteral("first run")));

    QVERIFY(TraceLog::install());
    const int line = __LINE__ + 1;
    TRACE << "second run" << 42;
    TraceLog::uninstall();

    const QStringList lines = readLines(TraceLog::logFilePath());
    QCOMPARE(lines.size(), 4);
    for (const QString &l : lines)
        QVERIFY2(kLineShape.match(l).hasMatch(), qPrintable(l));
    QVERIFY(lines.at(0).contains(QStringLiteral("\"[TRACE]: TraceLog::install@src\\util\\tracelog:")));
    QVERIFY(lines.at(0).endsWith(QStringLiteral("Started the log file at: \"") + TraceLog::logFilePath()
                                 + QLatin1Char('"')));
    QVERIFY(lines.at(1).contains(QStringLiteral("Application Version:")));
    QVERIFY(lines.at(2).endsWith(
        QStringLiteral("[DBG] \"[TRACE]: "
                       "TestTraceLog::installWritesHeaderLinesAndTruncates@tests\\util\\tst_tracelog:%1:\" "
                       "second run 42")
            .arg(line)));
    QVERIFY(lines.at(3).endsWith(QStringLiteral("Closing up the log file")));
    QVERIFY(!lines.join(QString()).contains(QStringLiteral("first run")));
}

void TestTraceLog::linesAreTaggedByMessageType()
{
    QVERIFY(TraceLog::install());
    TRACE_WARNING << "w";
    TRACE_ERROR << "e";
    TRACE_NOTIMPL;
    qCritical("critical");
    qInfo("info");
    TraceLog::uninstall();

    const QStringList lines = readLines(TraceLog::logFilePath());
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines.at(2).contains(
        QStringLiteral("[DBG] \"[WARNING]: TestTraceLog::linesAreTaggedByMessageType@")));
    QVERIFY(lines.at(3).contains(QStringLiteral("[DBG] \"[ERROR]: ")));
    QVERIFY(
        lines.at(4).contains(QStringLiteral("[WRN] NOTIMPL: TestTraceLog::linesAreTaggedByMessageType@")));
    QVERIFY(lines.at(4).endsWith(QLatin1Char(':')));
    QVERIFY(lines.at(5).endsWith(QStringLiteral("[CRI] critical")));
    QVERIFY(lines.at(6).endsWith(QStringLiteral("[DBG] info")));
}

void TestTraceLog::uninstallRestoresQtOutput()
{
    TraceLog::uninstall(); // nothing open: does nothing
    QVERIFY(!TraceLog::isInstalled());
    QVERIFY(TraceLog::install());
    QVERIFY(TraceLog::isInstalled());
    TraceLog::uninstall();
    QVERIFY(!TraceLog::isInstalled());
    const qint64 size = QFileInfo(TraceLog::logFilePath()).size();
    TRACE << "after uninstall";
    QCOMPARE(QFileInfo(TraceLog::logFilePath()).size(), size);
}

void TestTraceLog::concurrentTracesStayWholeLines()
{
    QVERIFY(TraceLog::install());
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    QList<QThread *> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads << QThread::create([t] {
            for (int i = 0; i < kLines; ++i)
                TRACE << "thread" << t << "line" << i;
        });
        threads.last()->start();
    }
    for (QThread *thread : threads) {
        QVERIFY(thread->wait(10000));
        delete thread;
    }
    TraceLog::uninstall();

    const QStringList lines = readLines(TraceLog::logFilePath());
    QCOMPARE(lines.size(), 3 + kThreads * kLines);
    for (const QString &l : lines)
        QVERIFY2(kLineShape.match(l).hasMatch(), qPrintable(l));
}

void TestTraceLog::nonLatin1TextIsWrittenAsUtf8()
{
    QVERIFY(TraceLog::install());
    qDebug().noquote() << QStringLiteral("Zoë €");
    TraceLog::uninstall();
    QFile file(TraceLog::logFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("Zo\xc3\xab \xe2\x82\xac\n"));
}

void TestTraceLog::longMessagesAreCutAndTheFileMovesAside()
{
    const QString cut = TraceLog::formatLine(QtDebugMsg, QString(10000, u'x'));
    QVERIFY(cut.endsWith(QStringLiteral(" x") + QString(8191, u'x')
                         + QStringLiteral("... [1808 characters cut]")));

    // What an earlier run moved aside is not this run's.
    QFile older(TraceLog::olderLogFilePath());
    QVERIFY(QDir().mkpath(TraceLog::logDirectory()) && older.open(QIODevice::WriteOnly));
    older.close();
    TraceLog::setMaxFileSize(64 * 1024);
    QVERIFY(TraceLog::install() && !older.exists());
    for (int i = 0; i < 300; ++i)
        TRACE << "line" << i << QString(500, u'y');
    TraceLog::uninstall();
    TraceLog::setMaxFileSize(TraceLog::DefaultMaxFileSize);
    QVERIFY(older.size() > 60 * 1024 && older.size() < 65 * 1024);
    QVERIFY(QFileInfo(TraceLog::logFilePath()).size() < 65 * 1024);
}

LINKORA_TEST_MAIN(TestTraceLog)
#include "tst_tracelog.moc"
