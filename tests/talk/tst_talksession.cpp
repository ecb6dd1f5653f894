#include "support/connectivityprobe.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "talk/device.h"
#include "talk/jid.h"
#include "talk/plixtalk.h"
#include "talk/proxysettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

using talk::PlixTalk;
using talk::ProxySettings;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// When each login since the last reset reached the library, the
// reconnection's included.
QList<qint64> loginTimes()
{
    QList<qint64> times;
    for (int index = 0; control()->login_time(index) >= 0; ++index)
        times << control()->login_time(index);
    return times;
}

// Builds a small shared library that lacks some of the talk library's
// exports; its factory always fails. Empty when there is no C compiler.
QString buildBrokenLibrary(const QString &folder, const QString &name, const QStringList &defines)
{
    const QString compiler = QStandardPaths::findExecutable(QStringLiteral("cc"));
    if (compiler.isEmpty())
        return {};
    const QString source = folder + QStringLiteral("/broken.c");
    if (!QFile::exists(source)) {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("#include <stddef.h>\n"
                   "#include <stdlib.h>\n"
                   "#ifdef WITH_CREATE\n"
                   "int CreatePlixTalk(void **talk) { if (talk) *talk = NULL; return 0; }\n"
                   "#endif\n"
                   "#ifdef WITH_ALLOCATOR\n"
                   "void *PlixTalk_EASTLAllocator(size_t size) { return malloc(size); }\n"
                   "#endif\n"
                   "#ifdef WITH_DELETER\n"
                   "void PlixTalk_EASTLDeleter(void *p, size_t size) { (void)size; free(p); }\n"
                   "#endif\n"
                   "int broken_talk_library = 1;\n");
    }
    const QString output = folder + QLatin1Char('/') + name;
    QStringList arguments
        = {QStringLiteral("-shared"), QStringLiteral("-fPIC"), QStringLiteral("-o"), output, source};
    for (const QString &define : defines)
        arguments << QStringLiteral("-D") + define;
    QProcess process;
    process.start(compiler, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return output;
}

} // namespace

class TestTalkSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void libraryLoadFailures_data();
    void libraryLoadFailures();
    void searchesTheProgramFolderFirst();

    void loginCompletesAfterTheCall();
    void initialStatusOncePerLogin();
    void loginFailureIsReported();
    void connectionFailureRetriedOnlyAfterRetryLogin();
    void lostConnection_data();
    void lostConnection();
    void reconnectionBacksOffAndReportsOnce();
    void reconnectionStops_data();
    void reconnectionStops();
    void waitsForTheNetwork();

    void proxySettingsRoundTrip();
    void proxyModesSetTheApplicationProxy_data();
    void proxyModesSetTheApplicationProxy();
    void refusedProxyChangesNothing();
    void logFiles();

private:
    QString m_brokenFolder;
    std::unique_ptr<ConnectivityProbe> m_network;
};

void TestTalkSession::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    QCOMPARE(control()->version, PLIX_STANDIN_CONTROL_VERSION);
    m_brokenFolder = TestEnvironment::freshDirectory(QStringLiteral("broken-libraries"));
}

void TestTalkSession::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_network = std::make_unique<ConnectivityProbe>(true);
}

void TestTalkSession::cleanup()
{
    m_network.reset();
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
    QCOMPARE(control()->allocator_balance(), 0LL);
    QCOMPARE(control()->allocator_misuses(), 0LL);
}

void TestTalkSession::libraryLoadFailures_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("trace");
    const QString missing = m_brokenFolder + QStringLiteral("/missing/libplixtalk.so");
    QTest::newRow("missing file") << missing << "Could not load the library.";
    const QString noExports = buildBrokenLibrary(m_brokenFolder, QStringLiteral("libnoexports.so"), {});
    QTest::newRow("no factory") << noExports << "Resolve CreatePlixTalk failed.";
    const QString noAllocator
        = buildBrokenLibrary(m_brokenFolder, QStringLiteral("libnoallocator.so"),
                             {QStringLiteral("WITH_CREATE"), QStringLiteral("WITH_DELETER")});
    QTest::newRow("no allocator") << noAllocator << "Resolve PlixTalk_EASTLAllocator failed:";
    const QString noDeleter
        = buildBrokenLibrary(m_brokenFolder, QStringLiteral("libnodeleter.so"),
                             {QStringLiteral("WITH_CREATE"), QStringLiteral("WITH_ALLOCATOR")});
    QTest::newRow("no deleter") << noDeleter << "Resolve PlixTalk_EASTLDeleter failed:";
    const QString failingFactory = buildBrokenLibrary(
        m_brokenFolder, QStringLiteral("libfailing.so"),
        {QStringLiteral("WITH_CREATE"), QStringLiteral("WITH_ALLOCATOR"), QStringLiteral("WITH_DELETER")});
    QTest::newRow("factory fails") << failingFactory << "Create IPlixTalk interface failed.";
}

void TestTalkSession::libraryLoadFailures()
{
    QFETCH(QString, library);
    QFETCH(QString, trace);
    if (library.isEmpty())
        QSKIP("no C compiler to build a broken library");
    PlixTalk::setLibraryFileName(library);

    MessageCatcher catcher;
    PlixTalk session;
    QVERIFY(catcher.contains(trace));
    QVERIFY(!session.isLibraryLoaded());
    QVERIFY(!session.factory());
    QVERIFY(!PlixTalk::objectFactory());

    // Every wrapper copes without the library.
    QVERIFY(!session.mediaEngine());
    QVERIFY(!session.isConnected());
    QVERIFY(session.loginName().isEmpty());
    QCOMPARE(session.proxySettings(), ProxySettings());
    QVERIFY(!session.setProxySettings(ProxySettings(ProxySettings::Http, QStringLiteral("proxy.example"),
                                                    3128, false, QString(), QString())));
    QVERIFY(!session.closeLogFiles());
    const talk::Jid jid = talk::Jid::fromNumber(QStringLiteral("4930123"), QStringLiteral("talk.example"));
    QVERIFY(jid.node().isEmpty());
    QVERIFY(!jid.plixJid());
    talk::Jid copy = jid;
    QVERIFY(!copy.setNode(QStringLiteral("1")));
    QVERIFY(talk::Device(QStringLiteral("mic"), QStringLiteral("Mic")).toPlixDevice().isNull());
    QVERIFY(ProxySettings().toPlixProxy().isNull());

    // A login fails later, as one on a server that cannot serve.
    QSignalSpy failed(&session, &PlixTalk::loginFailed);
    session.login(QStringLiteral("bob@talk.example"), QStringLiteral("secret"), true);
    QCOMPARE(failed.count(), 0);
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).value<plix::PLIX_TALK_ERROR_CODE>(), plix::PLIX_TALK_ERROR_SERVER);
    session.login(true);
    QTRY_COMPARE(failed.count(), 2);
    session.logout();
}

void TestTalkSession::searchesTheProgramFolderFirst()
{
    PlixTalk::setLibraryFileName(QString());
    const QStringList names = PlixTalk::libraryFileNames();
    QCOMPARE(names.value(0),
             QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libplixtalk.so")));
    QVERIFY(names.contains(QDir::current().filePath(QStringLiteral("libplixtalk.so"))));
    QVERIFY(names.last().endsWith(QStringLiteral("3rdParty/plixtalk_api/bin/libplixtalk.so")));
    for (const QString &name : names)
        QVERIFY2(QDir::isAbsolutePath(name), qPrintable(name));
}

void TestTalkSession::loginCompletesAfterTheCall()
{
    MessageCatcher catcher;
    PlixTalk session;
    QVERIFY(session.isLibraryLoaded());
    QSignalSpy completed(&session, &PlixTalk::loginCompleted);
    QSignalSpy failed(&session, &PlixTalk::loginFailed);
    session.login(QStringLiteral("bob@talk.example"), QStringLiteral("secret-word"), true);
    QCOMPARE(completed.count(), 0);
    QVERIFY(!session.isConnected());
    QTRY_COMPARE(completed.count(), 1);
    QCOMPARE(failed.count(), 0);
    QVERIFY(session.isConnected());
    QCOMPARE(session.loginName(), QStringLiteral("bob@talk.example"));
    QCOMPARE(QString::fromUtf8(control()->server_host()), QStringLiteral("talk.halvetta.example"));
    QCOMPARE(control()->server_port(), 443);
    QCOMPARE(QString::fromUtf8(control()->login_user()), QStringLiteral("bob@talk.example"));
    QCOMPARE(QString::fromUtf8(control()->login_password()), QStringLiteral("secret-word"));
    QCOMPARE(control()->login_flag(), 1);

    // The completed login made the media engine; it stays the same object.
    talk::MediaEngine *engine = session.mediaEngine();
    QVERIFY(engine);
    QCOMPARE(session.mediaEngine(), engine);

    QVERIFY(catcher.contains(QStringLiteral("********")));
    QVERIFY(!catcher.contains(QStringLiteral("secret-word")));
}

void TestTalkSession::initialStatusOncePerLogin()
{
    PlixTalk session;
    QSignalSpy completed(&session, &PlixTalk::loginCompleted);
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(control()->publish_count(), 1);
    QCOMPARE(control()->published_show(), int(plix::SHOW_ONLINE));
    QCOMPARE(control()->published_priority(), 0);

    // A second roster of the same login sends nothing.
    QVERIFY(control()->send_roster());
    QTest::qWait(50);
    QCOMPARE(control()->publish_count(), 1);

    // Logging in again with the stored user does not re-arm it ...
    session.login(false);
    QTRY_COMPARE(completed.count(), 2);
    QTest::qWait(50);
    QCOMPARE(control()->publish_count(), 1);

    // ... a new login does.
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(control()->publish_count(), 2);
}

void TestTalkSession::loginFailureIsReported()
{
    PlixTalk session;
    session.setReconnectDelays(10, 0);
    QSignalSpy failed(&session, &PlixTalk::loginFailed);
    control()->fail_logins(plix::PLIX_TALK_ERROR_AUTHENTICATION, 1);
    session.login(QStringLiteral("bob"), QStringLiteral("wrong"), true);
    QCOMPARE(failed.count(), 0);
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).value<plix::PLIX_TALK_ERROR_CODE>(), plix::PLIX_TALK_ERROR_AUTHENTICATION);
    QTest::qWait(100);
    QCOMPARE(control()->login_count(), 1);
    QCOMPARE(failed.count(), 1);
}

void TestTalkSession::connectionFailureRetriedOnlyAfterRetryLogin()
{
    PlixTalk session;
    session.setReconnectDelays(10, 0);
    QSignalSpy failed(&session, &PlixTalk::loginFailed);
    QSignalSpy completed(&session, &PlixTalk::loginCompleted);

    // A first login that cannot reach the server is not tried again.
    control()->fail_logins(plix::PLIX_TALK_ERROR_CONNECTION, 1);
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(failed.count(), 1);
    QTest::qWait(100);
    QCOMPARE(control()->login_count(), 1);
    QCOMPARE(completed.count(), 0);

    // After login(true) it is.
    control()->fail_logins(plix::PLIX_TALK_ERROR_CONNECTION, 1);
    session.login(true);
    QTRY_COMPARE(completed.count(), 1);
    QCOMPARE(control()->login_count(), 3);
    QCOMPARE(failed.count(), 2);
    QCOMPARE(QString::fromUtf8(control()->login_user()), QStringLiteral("bob"));
}

void TestTalkSession::lostConnection_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("autoReconnect");
    QTest::addColumn<bool>("reconnects");
    QTest::newRow("missed") << int(plix::PLIX_DISCONNECT_CONNECTION_LOST) << true << true;
    QTest::newRow("server error") << int(plix::PLIX_DISCONNECT_SERVER_ERROR) << true << true;
    QTest::newRow("replaced elsewhere") << int(plix::PLIX_DISCONNECT_REPLACED) << true << false;
    QTest::newRow("automatic reconnection off")
        << int(plix::PLIX_DISCONNECT_CONNECTION_LOST) << false << false;
}

void TestTalkSession::lostConnection()
{
    QFETCH(int, reason);
    QFETCH(bool, autoReconnect);
    QFETCH(bool, reconnects);
    PlixTalk session;
    session.setReconnectDelays(20, 0);
    session.setAutoReconnect(autoReconnect);
    QCOMPARE(session.autoReconnect(), autoReconnect);
    QSignalSpy completed(&session, &PlixTalk::loginCompleted);
    QSignalSpy lost(&session, &PlixTalk::connectionLost);
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);

    QVERIFY(control()->drop_connection(reason));
    QTRY_COMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).value<plix::PLIX_DISCONNECT_REASON>(), plix::PLIX_DISCONNECT_REASON(reason));
    if (reconnects) {
        QTRY_COMPARE(completed.count(), 2);
        QCOMPARE(control()->login_count(), 2);
        QCOMPARE(QString::fromUtf8(control()->login_password()), QStringLiteral("secret"));
        QVERIFY(session.isConnected());
    } else {
        QTest::qWait(150);
        QCOMPARE(control()->login_count(), 1);
        QVERIFY(!session.isConnected());
    }
}

void TestTalkSession::reconnectionBacksOffAndReportsOnce()
{
    PlixTalk session;
    const int first = 5;
    session.setReconnectDelays(first, 0);
    QSignalSpy completed(&session, &PlixTalk::loginCompleted);
    QSignalSpy failed(&session, &PlixTalk::loginFailed);
    qint64 lostAt = -1;
    connect(&session, &PlixTalk::connectionLost, this, [&] { lostAt = control()->steady_time(); });
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);
    QTRY_COMPARE(control()->publish_count(), 1);

    // Eight attempts fail before the ninth gets through: 5, 10, 20, ... ms,
    // the fixed part never above 60 times the first.
    const QList<qint64> expected = {5, 10, 20, 40, 80, 160, 300, 300, 300};
    control()->fail_logins(plix::PLIX_TALK_ERROR_CONNECTION, expected.size() - 1);
    QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
    QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 2, 20000);

    const QList<qint64> times = loginTimes();
    QCOMPARE(times.size(), 1 + expected.size());
    QList<qint64> waits;
    qint64 previous = lostAt;
    for (int i = 1; i < times.size(); ++i) {
        waits << times.at(i) - previous;
        previous = times.at(i);
    }
    for (int i = 0; i < expected.size(); ++i) {
        const QByteArray message = QByteArray::number(i) + ": waited " + QByteArray::number(waits.at(i))
            + " ms, expected " + QByteArray::number(expected.at(i));
        QVERIFY2(waits.at(i) >= expected.at(i) * 9 / 10, message.constData());
    }
    // Without the cap the last two would be 640 and 1280 ms.
    QVERIFY2(waits.last() < 600, QByteArray::number(waits.last()).constData());

    // Only the first failed attempt reaches the listeners.
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).value<plix::PLIX_TALK_ERROR_CODE>(), plix::PLIX_TALK_ERROR_CONNECTION);
    // The reconnection announces the user again.
    QTRY_COMPARE(control()->publish_count(), 2);

    // A later series starts from the first delay and reports again.
    failed.clear();
    const int before = control()->login_count();
    control()->fail_logins(plix::PLIX_TALK_ERROR_CONNECTION, 1);
    QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
    QTRY_COMPARE(completed.count(), 3);
    QCOMPARE(control()->login_count(), before + 2);
    QCOMPARE(failed.count(), 1);
}

void TestTalkSession::reconnectionStops_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("logout") << "logout";
    QTest::newRow("logout while the loss is announced") << "logout inside";
    QTest::newRow("suspend") << "stopReconnecting";
    QTest::newRow("logout during a failing series") << "logout after failure";
}

void TestTalkSession::reconnectionStops()
{
    QFETCH(QString, how);
    PlixTalk session;
    session.setReconnectDelays(40, 0);
    QSignalSpy completed(&session, &PlixTalk::loginCompleted);
    QSignalSpy failed(&session, &PlixTalk::loginFailed);
    QSignalSpy lost(&session, &PlixTalk::connectionLost);
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);

    if (how == QLatin1String("logout inside"))
        connect(&session, &PlixTalk::connectionLost, &session, [&session] { session.logout(); });
    if (how == QLatin1String("logout after failure"))
        control()->fail_logins(plix::PLIX_TALK_ERROR_CONNECTION, 100);
    QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
    QTRY_COMPARE(lost.count(), 1);
    if (how == QLatin1String("logout") || how == QLatin1String("logout inside")) {
        session.logout();
    } else if (how == QLatin1String("stopReconnecting")) {
        session.stopReconnecting();
    } else {
        QTRY_COMPARE(failed.count(), 1);
        session.logout();
    }
    const int logins = control()->login_count();
    QTest::qWait(400);
    QCOMPARE(control()->login_count(), logins);
    QCOMPARE(completed.count(), 1);
    QVERIFY(!session.isConnected());

    // The user can log in again as usual.
    control()->fail_logins(0, 0);
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 2);
}

void TestTalkSession::waitsForTheNetwork()
{
    PlixTalk session;
    session.setReconnectDelays(20, 0);
    QSignalSpy completed(&session, &PlixTalk::loginCompleted);
    session.login(QStringLiteral("bob"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);

    m_network->setOnline(false);
    int checks = m_network->calls();
    QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
    QTRY_VERIFY(m_network->calls() >= checks + 2);
    QCOMPARE(control()->login_count(), 1);

    // The network comes back: the first attempt follows at the next check.
    m_network->setOnline(true);
    checks = m_network->calls();
    QTRY_COMPARE(completed.count(), 2);
    QCOMPARE(control()->login_count(), 2);
    QCOMPARE(m_network->calls(), checks + 1);

    // A logout while waiting for the network ends the wait.
    m_network->setOnline(false);
    checks = m_network->calls();
    QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
    QTRY_VERIFY(m_network->calls() > checks);
    session.logout();
    m_network->setOnline(true);
    QTest::qWait(200);
    QCOMPARE(control()->login_count(), 2);
}

void TestTalkSession::proxySettingsRoundTrip()
{
    MessageCatcher catcher;
    PlixTalk session;
    QCOMPARE(session.proxySettings(), ProxySettings());

    const ProxySettings http(ProxySettings::Http, QStringLiteral("proxy.example"), 3128, true,
                             QStringLiteral("pat.okoro"), QStringLiteral("proxy-secret"));
    QVERIFY(session.setProxySettings(http));
    QCOMPARE(control()->proxy_mode(), int(plix::PROXY_HTTP));
    QCOMPARE(QString::fromUtf8(control()->proxy_host()), QStringLiteral("proxy.example"));
    QCOMPARE(control()->proxy_port(), 3128);
    QCOMPARE(QString::fromUtf8(control()->proxy_user()), QStringLiteral("pat.okoro"));
    QCOMPARE(QString::fromUtf8(control()->proxy_password()), QStringLiteral("proxy-secret"));
    // The library knows no authentication flag.
    ProxySettings readBack = http;
    readBack.setAuthEnabled(false);
    QCOMPARE(session.proxySettings(), readBack);

    // Without authentication no credentials go out.
    const ProxySettings socks(ProxySettings::Socks5, QStringLiteral("socks.example"), 1080, false,
                              QStringLiteral("stale"), QStringLiteral("stale-secret"));
    QVERIFY(session.setProxySettings(socks));
    QCOMPARE(QString::fromUtf8(control()->proxy_user()), QString());
    QCOMPARE(QString::fromUtf8(control()->proxy_password()), QString());
    QCOMPARE(session.proxySettings(),
             ProxySettings(ProxySettings::Socks5, QStringLiteral("socks.example"), 1080, false, {}, {}));

    QVERIFY(catcher.contains(QStringLiteral("Proxy settings changed")));
    QVERIFY(!catcher.contains(QStringLiteral("proxy-secret")));
    QVERIFY(!catcher.contains(QStringLiteral("stale-secret")));
    // The user name too: often the person's own.
    QVERIFY(!catcher.contains(QStringLiteral("pat.okoro")));
}

void TestTalkSession::proxyModesSetTheApplicationProxy_data()
{
    QTest::addColumn<ProxySettings>("settings");
    QTest::addColumn<bool>("systemConfiguration");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("user");
    const QString host = QStringLiteral("proxy.example");
    const QString user = QStringLiteral("pat");
    const QString password = QStringLiteral("pw");
    QTest::newRow("system default") << ProxySettings(0, host, 3128, true, user, password) << true << -1
                                    << QString();
    QTest::newRow("http with authentication") << ProxySettings(1, host, 3128, true, user, password) << false
                                              << int(QNetworkProxy::HttpProxy) << user;
    QTest::newRow("http without authentication") << ProxySettings(1, host, 3128, false, user, password)
                                                 << false << int(QNetworkProxy::HttpProxy) << QString();
    QTest::newRow("socks5") << ProxySettings(2, host, 1080, true, user, password) << false
                            << int(QNetworkProxy::Socks5Proxy) << user;
    QTest::newRow("no proxy") << ProxySettings(3, host, 3128, false, {}, {}) << false
                              << int(QNetworkProxy::NoProxy) << QString();
}

void TestTalkSession::proxyModesSetTheApplicationProxy()
{
    QFETCH(ProxySettings, settings);
    QFETCH(bool, systemConfiguration);
    QFETCH(int, type);
    QFETCH(QString, user);
    PlixTalk session;
    // Start from the opposite of what the mode should leave.
    QNetworkProxyFactory::setUseSystemConfiguration(!systemConfiguration);
    QVERIFY(session.setProxySettings(settings));
    QCOMPARE(QNetworkProxyFactory::usesSystemConfiguration(), systemConfiguration);
    if (systemConfiguration)
        return;
    const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
    QCOMPARE(int(proxy.type()), type);
    if (type == QNetworkProxy::NoProxy)
        return;
    QCOMPARE(proxy.hostName(), settings.host());
    QCOMPARE(int(proxy.port()), settings.port());
    QCOMPARE(proxy.user(), user);
    QCOMPARE(proxy.password(), user.isEmpty() ? QString() : settings.password());
}

void TestTalkSession::refusedProxyChangesNothing()
{
    PlixTalk session;
    const ProxySettings http(ProxySettings::Http, QStringLiteral("proxy.example"), 3128, false, {}, {});
    QVERIFY(session.setProxySettings(http));
    control()->refuse_proxy_changes(1);
    const ProxySettings other(ProxySettings::Socks5, QStringLiteral("other.example"), 1080, false, {}, {});
    QVERIFY(!session.setProxySettings(other));
    QCOMPARE(session.proxySettings(), http);
    QCOMPARE(QNetworkProxy::applicationProxy().hostName(), QStringLiteral("proxy.example"));
    QCOMPARE(QNetworkProxy::applicationProxy().type(), QNetworkProxy::HttpProxy);
}

void TestTalkSession::logFiles()
{
    {
        PlixTalk session;
        QCOMPARE(session.logFilePath(), PlixTalk::talkLogFilePath());
        QCOMPARE(session.xmppDumpFilePath(), PlixTalk::xmppLogFilePath());
        QCOMPARE(QString::fromUtf8(control()->log_file()), PlixTalk::talkLogFilePath());
        QCOMPARE(QString::fromUtf8(control()->xmpp_dump_file()), PlixTalk::xmppLogFilePath());
        QVERIFY(PlixTalk::talkLogFilePath().endsWith(QStringLiteral("/logs/plixtalk.log")));
        QVERIFY(PlixTalk::xmppLogFilePath().endsWith(QStringLiteral("/logs/plixxmpp.log")));

        QSignalSpy completed(&session, &PlixTalk::loginCompleted);
        session.login(QStringLiteral("bob"), QStringLiteral("log-secret"), true);
        QTRY_COMPARE(completed.count(), 1);

        QVERIFY(session.closeLogFiles());
        QVERIFY(session.logFilePath().isEmpty());
        QCOMPARE(QString::fromUtf8(control()->log_file()), QString());
        QFile log(PlixTalk::talkLogFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray content = log.readAll();
        QVERIFY(content.contains("Login as bob"));
        QVERIFY(!content.contains("log-secret"));

        // Nothing is open any more.
        QVERIFY(!session.closeLogFiles());
        QVERIFY(session.openDefaultLogFiles());
        QCOMPARE(session.logFilePath(), PlixTalk::talkLogFilePath());
    }

    const QString zip = PlixTalk::logsDir() + QStringLiteral("/logs.zip");
    QFile file(zip);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    PlixTalk::removeZippedLogsFile();
    QVERIFY(!QFile::exists(zip));
}

LINKORA_TEST_MAIN(TestTalkSession)
#include "tst_talksession.moc"
