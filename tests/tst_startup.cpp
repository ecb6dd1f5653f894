#include "startup.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/testtls.h"
#include "support/updateserverstandin.h"
#include "update/updater.h"
#include "util/nativesettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using Startup::UpdateDecision;

namespace {

// Answers isRunning from a script and records every step.
class ScriptedInstanceCheck : public Startup::InstanceCheck
{
public:
    explicit ScriptedInstanceCheck(const QList<bool> &answers)
        : m_answers(answers)
    { }

    bool isRunning() override
    {
        steps << QStringLiteral("running?");
        // Once the other instance has gone, it stays gone.
        return m_answers.isEmpty() ? false : m_answers.takeFirst();
    }
    void sleep(int milliseconds) override { steps << QStringLiteral("sleep %1").arg(milliseconds); }
    bool sendMessage(const QString &message, int timeout) override
    {
        steps << QStringLiteral("send %1 %2").arg(message).arg(timeout);
        return answers;
    }
    void tellNotReached() override { steps << QStringLiteral("tell"); }

    QStringList steps;
    bool answers = true;

private:
    QList<bool> m_answers;
};

// Waits for a timer started now, as long as the automatic update check's:
// a check scheduled before it has been made by the time it fires.
bool automaticCheckTimePassed()
{
    QObject context;
    bool fired = false;
    QTimer::singleShot(Startup::kAutomaticCheckDelayMs, &context, [&fired] { fired = true; });
    return QTest::qWaitFor([&fired] { return fired; }, 10000);
}

// The program as built next to the tests.
QString programPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/linkora");
}

// A home of its own for the program, on the offscreen platform.
QProcessEnvironment programEnvironment(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    for (const char *name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString dir = home + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(dir);
        environment.insert(QLatin1String(name), dir);
    }
    QFile::setPermissions(environment.value(QStringLiteral("XDG_RUNTIME_DIR")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// The log file of the program run in this environment.
QString programLog(const QProcessEnvironment &environment)
{
    return environment.value(QStringLiteral("XDG_DATA_HOME"))
        + QStringLiteral("/Halvetta/Halvetta Linkora/logs/plixtrace.log");
}

// Starts the program without its update check. Its standard error is dropped
// unless the test reads it: the log file says what it does, and its echo
// there is only noise.
void startProgram(QProcess &program, const QProcessEnvironment &environment, bool readsErrors = false)
{
    program.setProcessEnvironment(environment);
    program.setStandardOutputFile(QProcess::nullDevice());
    if (!readsErrors)
        program.setStandardErrorFile(QProcess::nullDevice());
    program.start(programPath(), {QStringLiteral("-noupdate")});
}

// Ends the program when the test does, however it ends.
[[nodiscard]] auto killedAtEnd(QProcess &program)
{
    return qScopeGuard([&program] {
        program.kill();
        program.waitForFinished(10000);
    });
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void identityWithAndWithoutNativeVersion();
    void argumentListKeepsEveryArgument();
    void updateDecisions_data();
    void updateDecisions();
    void updateUrlIsFetchedAtOnce();
    void updateUrlAsLastArgumentMeansNoCheckAtAll();
    void automaticCheckFollowsHalfASecondLater();
    void noUpdateSuppressesTheAutomaticCheck();
    void waitForPreviousInstance_data();
    void waitForPreviousInstance();
    void secondStartDefersToTheRunningProgram();
    void undecidedStartSaysSoOnScreen();
    void startOnADataFolderInUseSaysSo();
};

void TestStartup::identityWithAndWithoutNativeVersion()
{
    Startup::setupApplicationIdentity();
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Halvetta"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Halvetta Linkora"));
    QCOMPARE(QCoreApplication::organizationDomain(), Startup::organizationDomain());
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0"));

    // The machine's value serves when the user has none; the user's wins.
    NativeSettings store(QStringLiteral("Halvetta"), QStringLiteral("Halvetta Linkora"));
    QVERIFY(store.setValue(NativeSettings::MachineScope, QStringLiteral("Version"), QStringLiteral("2.0.1")));
    Startup::setupApplicationIdentity();
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.0.1"));
    QVERIFY(store.setValue(NativeSettings::UserScope, QStringLiteral("Version"), QStringLiteral("2.1.0")));
    Startup::setupApplicationIdentity();
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.1.0"));
}

void TestStartup::argumentListKeepsEveryArgument()
{
    char program[] = "/opt/linkora/linkora";
    char first[] = "-updateurl";
    char second[] = "Zoë";
    char *argv[] = {program, first, second, nullptr};
    QCOMPARE(Startup::argumentList(3, argv),
             QStringList({QStringLiteral("/opt/linkora/linkora"), QStringLiteral("-updateurl"),
                          QStringLiteral("Zoë")}));
    QCOMPARE(Startup::argumentList(0, argv), QStringList());
}

void TestStartup::updateDecisions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("url");

    const QString program = QStringLiteral("linkora");
    const QString url = QStringLiteral("http://updates.example/v.txt");
    auto row = [&](const char *name, const QStringList &tail, UpdateDecision::Action action,
                   const QString &expectedUrl = QString()) {
        QTest::newRow(name) << (QStringList {program} + tail) << int(action) << expectedUrl;
    };
    row("nothing", {}, UpdateDecision::ScheduleAutomaticCheck);
    row("updateurl", {QStringLiteral("-updateurl"), url}, UpdateDecision::CheckUrl, url);
    row("updateurl last", {QStringLiteral("-updateurl")}, UpdateDecision::WrongArguments);
    row("updateurl last after noupdate", {QStringLiteral("-noupdate"), QStringLiteral("-updateurl")},
        UpdateDecision::WrongArguments);
    row("updateurl wins over noupdate", {QStringLiteral("-noupdate"), QStringLiteral("-updateurl"), url},
        UpdateDecision::CheckUrl, url);
    row("first updateurl wins",
        {QStringLiteral("-updateurl"), url, QStringLiteral("-updateurl"), QStringLiteral("http://other/")},
        UpdateDecision::CheckUrl, url);
    row("updateurl takes the next argument whatever it is",
        {QStringLiteral("-updateurl"), QStringLiteral("-noupdate")}, UpdateDecision::CheckUrl,
        QStringLiteral("-noupdate"));
    row("noupdate", {QStringLiteral("-noupdate")}, UpdateDecision::NoCheck);
    row("letter case counts", {QStringLiteral("-NoUpdate"), QStringLiteral("-UpdateUrl"), url},
        UpdateDecision::ScheduleAutomaticCheck);
    row("whole arguments only", {QStringLiteral("--noupdate"), QStringLiteral("-updateurl=x")},
        UpdateDecision::ScheduleAutomaticCheck);
    QTest::newRow("program named -updateurl")
        << QStringList {QStringLiteral("-updateurl")} << int(UpdateDecision::WrongArguments) << QString();
    QTest::newRow("empty list") << QStringList() << int(UpdateDecision::ScheduleAutomaticCheck) << QString();
}

void TestStartup::updateDecisions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, url);
    const UpdateDecision decision = Startup::decideUpdateAction(arguments);
    QCOMPARE(int(decision.action), action);
    QCOMPARE(decision.url, url);
}

void TestStartup::updateUrlIsFetchedAtOnce()
{
    TestTls::trustAuthority();
    UpdateServerStandIn server;
    QVERIFY(server.listen());
    Updater updater;
    updater.setEnabled(false);
    QSignalSpy noUpdate(&updater, &Updater::noUpdateFound);
    MessageCatcher messages;

    // Given as plain http, asked over https (the stand-in speaks nothing else).
    const QString url = server.plainUrl(QStringLiteral("/v.txt"));
    Startup::handleUpdateArguments(
        {QStringLiteral("linkora"), QStringLiteral("-noupdate"), QStringLiteral("-updateurl"), url},
        &updater);
    QTRY_COMPARE(server.requestLines(), QStringList {QStringLiteral("GET /v.txt")});
    QVERIFY(messages.contains(QStringLiteral("\"-updateurl\" \"%1\"").arg(url)));
    QTRY_COMPARE(noUpdate.count(), 1); // the stand-in has no such file
    // No automatic check besides.
    QVERIFY(automaticCheckTimePassed());
    QCOMPARE(noUpdate.count(), 1);
    QCOMPARE(server.requestLines().size(), 1);
}

void TestStartup::updateUrlAsLastArgumentMeansNoCheckAtAll()
{
    Updater updater;
    updater.setEnabled(false);
    QSignalSpy noUpdate(&updater, &Updater::noUpdateFound);
    MessageCatcher messages;

    const QStringList arguments {QStringLiteral("linkora"), QStringLiteral("-updateurl")};
    Startup::handleUpdateArguments(arguments, &updater);
    const QStringList lines = messages.messages();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(
        lines.first().contains(QStringLiteral(":\" Wrong arguments:  QList(\"linkora\", \"-updateurl\")")),
        qPrintable(lines.first()));
    QVERIFY(
        lines.first().startsWith(QStringLiteral("\"[TRACE]: Startup::handleUpdateArguments@src\\startup:")));
    QVERIFY(automaticCheckTimePassed());
    QCOMPARE(noUpdate.count(), 0);
}

void TestStartup::automaticCheckFollowsHalfASecondLater()
{
    Updater updater;
    // A disabled updater answers the automatic check at once, without the network.
    updater.setEnabled(false);
    QSignalSpy noUpdate(&updater, &Updater::noUpdateFound);
    QElapsedTimer clock;
    clock.start();
    Startup::handleUpdateArguments({QStringLiteral("linkora"), QStringLiteral("-NoUpdate")}, &updater);
    QCOMPARE(noUpdate.count(), 0);
    QVERIFY(noUpdate.wait(5000));
    QVERIFY2(clock.elapsed() >= Startup::kAutomaticCheckDelayMs - 10,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(noUpdate.count(), 1);
}

void TestStartup::noUpdateSuppressesTheAutomaticCheck()
{
    Updater updater;
    updater.setEnabled(false);
    QSignalSpy noUpdate(&updater, &Updater::noUpdateFound);
    Startup::handleUpdateArguments({QStringLiteral("linkora"), QStringLiteral("-noupdate")}, &updater);
    QVERIFY(automaticCheckTimePassed());
    QCOMPARE(noUpdate.count(), 0);
}

void TestStartup::waitForPreviousInstance_data()
{
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<bool>("otherAnswers");
    QTest::addColumn<bool>("mayRun");
    QTest::addColumn<QStringList>("steps");

    const QString ask = QStringLiteral("running?");
    const QList<bool> always {true, true, true, true, true, true};
    const QStringList keepsRunning {ask, ask, QStringLiteral("sleep 1000"),
                                    ask, ask, QStringLiteral("sleep 6000"),
                                    ask, ask, QStringLiteral("send --show 3000")};
    QTest::newRow("alone") << QList<bool> {false} << true << true << QStringList {ask};
    QTest::newRow("other keeps running") << always << true << false << keepsRunning;
    QTest::newRow("other keeps running and does not answer")
        << always << false << false << (keepsRunning + QStringList {QStringLiteral("tell")});
    QTest::newRow("other ends during the first pause")
        << QList<bool> {true, true, false} << true << true
        << QStringList {ask, ask, QStringLiteral("sleep 1000"), ask};
    QTest::newRow("other ends between two checks")
        << QList<bool> {true, false, false} << true << true << QStringList {ask, ask, ask};
    QTest::newRow("other ends during the last pause")
        << QList<bool> {true, true, true, true, false} << true << true
        << QStringList {ask, ask, QStringLiteral("sleep 1000"), ask, ask, QStringLiteral("sleep 6000"), ask};
}

void TestStartup::waitForPreviousInstance()
{
    QFETCH(QList<bool>, answers);
    QFETCH(bool, otherAnswers);
    QFETCH(bool, mayRun);
    QFETCH(QStringList, steps);
    ScriptedInstanceCheck check(answers);
    check.answers = otherAnswers;
    QCOMPARE(Startup::waitForPreviousInstance(check), mayRun);
    QCOMPARE(check.steps, steps);
}

void TestStartup::secondStartDefersToTheRunningProgram()
{
    QVERIFY2(QFile::exists(programPath()), qPrintable(programPath()));
    const QString home = TestEnvironment::freshDirectory(QStringLiteral("two-instances"));
    const QProcessEnvironment environment = programEnvironment(home);
    const QString log = programLog(environment);

    QProcess first;
    startProgram(first, environment);
    QVERIFY(first.waitForStarted());
    const auto stopFirst = killedAtEnd(first);
    QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("Login view shown"), 30000);
    const QByteArray firstLog = readFile(log);

    QProcess second;
    QElapsedTimer clock;
    clock.start();
    startProgram(second, environment);
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 255);
    // Checks at 0 s, after 1 s and after 7 s.
    QVERIFY2(clock.elapsed() >= 7000, qPrintable(QString::number(clock.elapsed())));

    QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("Message from another instance: \"--show\""), 10000);
    // The running instance's log goes on where it was; the second wrote nothing.
    const QByteArray afterwards = readFile(log);
    QVERIFY(afterwards.startsWith(firstLog));
    QCOMPARE(afterwards.count("Started the log file at:"), 1);
    QCOMPARE(first.state(), QProcess::Running);
}

void TestStartup::undecidedStartSaysSoOnScreen()
{
    const QString home = TestEnvironment::freshDirectory(QStringLiteral("undecided"));
    QProcessEnvironment environment = programEnvironment(home);
    // A runtime folder that is a link, and a data folder that cannot be made.
    const QString runtime = home + QStringLiteral("/runtime-link");
    QVERIFY(QFile::link(environment.value(QStringLiteral("XDG_RUNTIME_DIR")), runtime));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/dev/null/data"));

    QProcess program;
    startProgram(program, environment, true);
    QVERIFY(program.waitForStarted());
    const auto stop = killedAtEnd(program);
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += program.readAllStandardError()).contains("cannot tell whether"),
                             30000);
    QVERIFY(errors.contains(QFile::encodeName(runtime) + " is a symbolic link"));
    // The box waits for the user instead of the program ending unseen.
    QTest::qWait(1000);
    QCOMPARE(program.state(), QProcess::Running);
}

void TestStartup::startOnADataFolderInUseSaysSo()
{
    QVERIFY2(QFile::exists(programPath()), qPrintable(programPath()));
    const QString home = TestEnvironment::freshDirectory(QStringLiteral("other-session"));
    const QProcessEnvironment environment = programEnvironment(home);
    const QString log = programLog(environment);
    QProcess first;
    startProgram(first, environment);
    QVERIFY(first.waitForStarted());
    const auto stopFirst = killedAtEnd(first);
    QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("Login view shown"), 30000);

    // Another session of the same user: a runtime folder of its own, the
    // same data folder.
    QProcessEnvironment other = environment;
    const QString runtime = home + QStringLiteral("/runtime-2");
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    other.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    QProcess second;
    startProgram(second, other, true);
    QVERIFY(second.waitForStarted());
    const auto stopSecond = killedAtEnd(second);
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += second.readAllStandardError()).contains("uses the same data folder"),
                             30000);
    QVERIFY(!errors.contains("cannot tell whether"));
    QVERIFY(errors.contains("is using the data folder "
                            + QFile::encodeName(environment.value(QStringLiteral("XDG_DATA_HOME")))));
    QCOMPARE(first.state(), QProcess::Running);
}

LINKORA_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
