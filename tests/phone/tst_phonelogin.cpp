#include "phonerig.h"

#include "rest/resttesthelpers.h"
#include "support/connectivityprobe.h"
#include "support/testenvironment.h"
#include "talk/plixtalk.h"
#include "talk/proxysettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using talk::ProxySettings;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// A talk session whose library completes the login inside the login call.
class SynchronousTalk : public talk::PlixTalk
{
public:
    using PlixTalk::login;
    void login(const QString &userName, const QString &, bool) override
    {
        users << userName;
        emit loginCompleted();
    }

    QStringList users;
};

// The Phone signals of the login, in the order they came.
class LoginRecorder : public QObject
{
public:
    explicit LoginRecorder(Phone *phone)
    {
        connect(phone, &Phone::mediaEngineCreated, this, [this] { events << QStringLiteral("mediaEngine"); });
        connect(phone, &Phone::loginSuccessful, this, [this] { events << QStringLiteral("success"); });
        connect(phone, &Phone::loginFailed, this,
                [this](Phone::LoginError error) { events << QStringLiteral("failed:%1").arg(int(error)); });
        connect(phone, &Phone::logoutSuccessful, this, [this] { events << QStringLiteral("logout"); });
    }

    QStringList events;
};

} // namespace

class TestPhoneLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loginRoadEndToEnd();
    void talkUserKnownBeforeTheLoginCompletes();
    void loginErrors_data();
    void loginErrors();
    void connectionFailures_data();
    void connectionFailures();
    void missingTalkLibraryFailsWithServerError();
    void accountCreatedIsRelayed();

    void logoutClearsAndStopsTheBalance();
    void logoutDropsWhatTheSessionHadYetToAsk();
    void oneBalanceTimerAfterLoginsAndReconnections();
    void connectionLost_data();
    void connectionLost();
    void logoutStopsAPendingReconnection();
    void loggedOutPhoneIgnoresTheRestOfItsSignIn();
    void failedReconnectionReportedOnce();
    void proxySettingsThroughPhone();

private:
    // Online whatever this computer's interfaces say: the sessions reconnect.
    ConnectivityProbe m_network {true};
    std::unique_ptr<PhoneRig> m_rig;
};

void TestPhoneLogin::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
}

void TestPhoneLogin::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<PhoneRig>();
}

void TestPhoneLogin::cleanup()
{
    m_rig.reset();
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
    QCOMPARE(control()->allocator_balance(), 0LL);
}

void TestPhoneLogin::loginRoadEndToEnd()
{
    PhoneRig &rig = *m_rig;
    // The contacts come long after the balance and the numbers, so that a
    // busy machine cannot bring them together.
    Phone::Delays delays = PhoneRig::shortDelays();
    delays.contactsDelay = 1000;
    rig.phone->setDelays(delays);
    rig.server.addGroup(PhoneRig::kUser, QStringLiteral("Work"));
    rig.server.addContact(PhoneRig::kUser,
                          {{QStringLiteral("nick"), QStringLiteral("ann")},
                           {QStringLiteral("firstName"), QStringLiteral("Ann")},
                           {QStringLiteral("groupName"), QStringLiteral("Work")}});
    rig.server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+4930555"), QDateTime::currentDateTimeUtc(),
                               QStringLiteral("active"));
    rig.server.setBalance(PhoneRig::kUser, 3.5, QStringLiteral("EUR"), QStringLiteral("€"));
    const QJsonObject account = rig.server.account(PhoneRig::kUser);
    const QString sipUser = account.value(QStringLiteral("sipUser")).toString();
    const QString sipDomain = account.value(QStringLiteral("sipDomain")).toString();

    LoginRecorder recorder(rig.phone.get());
    QSignalSpy user(rig.phone.get(), &Phone::usernameChanged);
    QSignalSpy password(rig.phone.get(), &Phone::passwordChanged);
    QSignalSpy balance(rig.phone.get(), &Phone::balanceUpdate);
    QSignalSpy numbers(rig.phone.get(), &Phone::onlineNumbersUpdate);
    MessageCatcher traces;
    QVERIFY(rig.logIn());
    QCOMPARE(user.value(0).value(0).toString(), PhoneRig::kUser);
    QCOMPARE(password.value(0).value(0).toString(), PhoneRig::kPassword);
    QCOMPARE(recorder.events, (QStringList {"mediaEngine", "success"}));

    // The account with the typed credentials and this machine's id.
    const QList<WebserviceStandIn::Request> accounts = rig.requests(QStringLiteral("account"), "GET");
    QCOMPARE(accounts.size(), 1);
    QCOMPARE(accounts.first().queryValue(QStringLiteral("username")), PhoneRig::kUser);
    QCOMPARE(accounts.first().queryValue(QStringLiteral("password")), PhoneRig::kPassword);
    QVERIFY(accounts.first().hasQueryItem(QStringLiteral("appid")));

    // The talk login with the account's talk credentials.
    QCOMPARE(QString::fromUtf8(control()->login_user()), sipUser + QLatin1Char('@') + sipDomain);
    const QString sipPassword = account.value(QStringLiteral("sipPassword")).toString();
    QVERIFY(!sipPassword.isEmpty());
    QCOMPARE(QString::fromUtf8(control()->login_password()), sipPassword);
    QCOMPARE(control()->server_port(), 443);
    QCOMPARE(rig.phone->talkUser(), sipUser + QLatin1Char('@') + sipDomain);
    QCOMPARE(rig.phone->domain(), sipDomain);
    QVERIFY(rig.phone->isConnected());

    // Groups at once, then the balance and the virtual numbers, then the contacts.
    QVERIFY(rig.waitForRequests(QStringLiteral("onlineNumber"), "GET", 1));
    QVERIFY(rig.waitForRequests(QStringLiteral("balance"), "GET", 1));
    const qint64 groupsAt = rig.requests(QStringLiteral("group"), "GET").value(0).receivedAt;
    const qint64 balanceAt = rig.requests(QStringLiteral("balance"), "GET").value(0).receivedAt;
    const qint64 numbersAt = rig.requests(QStringLiteral("onlineNumber"), "GET").value(0).receivedAt;
    const qint64 contactsAt = rig.requests(QStringLiteral("contact"), "GET").value(0).receivedAt;
    QVERIFY(groupsAt < balanceAt);
    QVERIFY(groupsAt < numbersAt);
    QVERIFY(balanceAt < contactsAt);
    QVERIFY(numbersAt < contactsAt);
    QVERIFY(contactsAt - groupsAt >= delays.contactsDelay - 20);

    // The address book, the balance and the numbers arrived.
    QTRY_VERIFY(rig.contacts.contact(QStringLiteral("ann")));
    QVERIFY(rig.contacts.group(QStringLiteral("Work")));
    QTRY_COMPARE(balance.size(), 1);
    QCOMPARE(rig.phone->balance().credit(), 3.5);
    QCOMPARE(rig.phone->balance().currencySymbol(), QStringLiteral("€"));
    QTRY_COMPARE(numbers.size(), 1);
    QCOMPARE(numbers.first().first().value<QList<OnlineNumber>>().size(), 1);
    QCOMPARE(balance.size(), 1);
    QCOMPARE(rig.requests(QStringLiteral("balance"), "GET").size(), 1);

    // Neither password reached the trace log.
    QVERIFY(!traces.messages().isEmpty());
    QVERIFY(!traces.contains(PhoneRig::kPassword));
    QVERIFY(!traces.contains(sipPassword));
}

void TestPhoneLogin::talkUserKnownBeforeTheLoginCompletes()
{
    auto *talk = new SynchronousTalk;
    m_rig = std::make_unique<PhoneRig>(talk);
    QSignalSpy success(m_rig->phone.get(), &Phone::loginSuccessful);
    m_rig->phone->setCredentials(PhoneRig::kUser, PhoneRig::kPassword);
    QVERIFY(success.wait());
    QCOMPARE(talk->users.size(), 1);
    QVERIFY(talk->users.first().endsWith(QStringLiteral("@talk.linkora.test")));
    QCOMPARE(m_rig->phone->domain(), QStringLiteral("talk.linkora.test"));
}

void TestPhoneLogin::loginErrors_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("accountError");
    QTest::addColumn<QString>("emptySipField");
    QTest::addColumn<int>("talkCode");
    QTest::addColumn<int>("expected");

    QTest::newRow("wrong password") << "nope" << QString() << QString() << 0 << int(Phone::WrongCredentials);
    QTest::newRow("empty password") << "" << QString() << QString() << 0 << int(Phone::WrongCredentials);
    QTest::newRow("not the user's account")
        << PhoneRig::kPassword << "The account does not belong to the user." << QString() << 0
        << int(Phone::WrongUser);
    QTest::newRow("known text with a trailing blank")
        << PhoneRig::kPassword << "User not found! " << QString() << 0 << int(Phone::ServerError);
    QTest::newRow("other service error")
        << PhoneRig::kPassword << "Account locked." << QString() << 0 << int(Phone::ServerError);
    for (const char *field : {"sipUser", "sipDomain", "sipPassword"}) {
        QTest::newRow(qPrintable(QStringLiteral("empty ") + QLatin1String(field)))
            << PhoneRig::kPassword << QString() << QString::fromLatin1(field) << 0 << int(Phone::ServerError);
    }
    QTest::newRow("talk refuses the credentials")
        << PhoneRig::kPassword << QString() << QString() << int(plix::PLIX_TALK_ERROR_AUTHENTICATION)
        << int(Phone::WrongCredentials);
    QTest::newRow("talk server unreachable")
        << PhoneRig::kPassword << QString() << QString() << int(plix::PLIX_TALK_ERROR_CONNECTION)
        << int(Phone::ConnectionFailed);
    QTest::newRow("talk proxy failure") << PhoneRig::kPassword << QString() << QString()
                                        << int(plix::PLIX_TALK_ERROR_PROXY) << int(Phone::ServerError);
}

void TestPhoneLogin::loginErrors()
{
    QFETCH(QString, password);
    QFETCH(QString, accountError);
    QFETCH(QString, emptySipField);
    QFETCH(int, talkCode);
    QFETCH(int, expected);

    PhoneRig &rig = *m_rig;
    if (!accountError.isEmpty())
        rig.server.answerNextWithApplicationError(accountError, {}, {QStringLiteral("account"), "GET"});
    if (!emptySipField.isEmpty())
        rig.server.setAccountField(PhoneRig::kUser, emptySipField, QString());
    if (talkCode)
        control()->fail_logins(talkCode, 1);

    LoginRecorder recorder(rig.phone.get());
    rig.phone->setCredentials(PhoneRig::kUser, password);
    QTRY_COMPARE(recorder.events.size(), 1);
    QTest::qWait(50);
    QCOMPARE(recorder.events, QStringList {QStringLiteral("failed:%1").arg(expected)});
    // Only a complete account reaches the talk service.
    QCOMPARE(control()->login_count(), talkCode ? 1 : 0);
}

void TestPhoneLogin::connectionFailures_data()
{
    QTest::addColumn<bool>("throughProxy");
    QTest::addColumn<bool>("trickling");
    QTest::newRow("server error status") << false << false;
    QTest::newRow("proxy refuses") << true << false;
    QTest::newRow("answer trickles past the deadline") << false << true;
}

void TestPhoneLogin::connectionFailures()
{
    QFETCH(bool, throughProxy);
    QFETCH(bool, trickling);
    PhoneRig &rig = *m_rig;
    AuthenticatingProxy proxy;
    // Qt sends loopback addresses past any proxy, so the proxy case names another host.
    const WebserviceUrls remote(QUrl(QStringLiteral("http://webservice.invalid/webservice-5.0")));
    if (throughProxy) {
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.serverPort()));
        rig.rest.setUrls(&remote);
    } else if (trickling) {
        // A byte every 100 ms never lets the inactivity time-out fire.
        rig.rest.setLimits({64 << 10, 32 << 20, 20000, 4096, 600, 300000});
        rig.server.answerNextTrickling(QByteArray(100, ' '), 1, 100, 200, {QStringLiteral("account"), "GET"});
    } else {
        rig.server.answerNextWithStatus(500, {QStringLiteral("account"), "GET"});
    }

    LoginRecorder recorder(rig.phone.get());
    rig.phone->setCredentials(PhoneRig::kUser, PhoneRig::kPassword);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.events.size(), 1, 3000);
    QTest::qWait(50);
    QCOMPARE(recorder.events,
             QStringList {QStringLiteral("failed:%1")
                              .arg(throughProxy ? int(Phone::ProxyFailed) : int(Phone::ConnectionFailed))});
    QCOMPARE(control()->login_count(), 0);

    // Asking again with the stored credentials logs in once the service answers.
    rig.rest.setUrls(rig.urls.get());
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    rig.phone->requestAccount();
    QTRY_COMPARE(recorder.events.size(), 3);
    QCOMPARE(recorder.events.mid(1), (QStringList {"mediaEngine", "success"}));
}

void TestPhoneLogin::missingTalkLibraryFailsWithServerError()
{
    talk::PlixTalk::setLibraryFileName(TestEnvironment::freshDirectory(QStringLiteral("nolib"))
                                       + QStringLiteral("/libplixtalk.so"));
    m_rig = std::make_unique<PhoneRig>();
    Phone &phone = *m_rig->phone;
    QVERIFY(!phone.mediaEngine());

    LoginRecorder recorder(&phone);
    phone.setCredentials(PhoneRig::kUser, PhoneRig::kPassword);
    QTRY_COMPARE(recorder.events.size(), 1);
    QCOMPARE(recorder.events, QStringList {QStringLiteral("failed:%1").arg(int(Phone::ServerError))});
    QVERIFY(!phone.isConnected());

    // Nothing that reaches for the library fails.
    phone.call(QStringLiteral("4912345"), false);
    phone.hangup();
    phone.onMicMuted(true);
    phone.onSpeakerVolumeChanged(10);
    QVERIFY(!phone.currentCall());
    QVERIFY(phone.inputDevices().isEmpty());
    phone.logout();
    QCOMPARE(recorder.events.last(), QStringLiteral("logout"));
}

void TestPhoneLogin::accountCreatedIsRelayed()
{
    QSignalSpy created(m_rig->phone.get(), &Phone::accountCreated);
    Account account;
    account.setUsername(QStringLiteral("newbie@example.com"));
    account.setEmails({QStringLiteral("newbie@example.com")});
    account.setPassword(QStringLiteral("secret"));
    account.setFirstName(QStringLiteral("New"));
    m_rig->phone->createAccount(account);
    QVERIFY(created.wait());
    QVERIFY(m_rig->server.hasAccount(QStringLiteral("newbie@example.com")));
}

void TestPhoneLogin::logoutClearsAndStopsTheBalance()
{
    PhoneRig &rig = *m_rig;
    const int period = 400;
    Phone::Delays delays = PhoneRig::shortDelays();
    delays.balancePeriod = period;
    rig.phone->setDelays(delays);
    rig.server.addContact(PhoneRig::kUser, {{QStringLiteral("nick"), QStringLiteral("ann")}});
    QVERIFY(rig.logIn());
    QTRY_VERIFY(!rig.contacts.contacts().isEmpty());
    QVERIFY(rig.waitForRequests(QStringLiteral("balance"), "GET", 1));

    MessageCatcher traces;
    QSignalSpy logout(rig.phone.get(), &Phone::logoutSuccessful);
    rig.phone->logout();
    QCOMPARE(logout.size(), 1);
    QVERIFY(traces.contains(QStringLiteral("Logging out...")));
    QVERIFY(!rig.phone->isConnected());
    QVERIFY(rig.contacts.contacts().isEmpty());
    QVERIFY(rig.contacts.groups().isEmpty());

    // No balance period runs while logged out.
    const int balances = rig.requests(QStringLiteral("balance"), "GET").size();
    QTest::qWait(period * 2);
    QCOMPARE(rig.requests(QStringLiteral("balance"), "GET").size(), balances);
    // The last values stay.
    QCOMPARE(rig.phone->username(), PhoneRig::kUser);
    QCOMPARE(rig.phone->balance().credit(), 10.0);
}

// Signed out before the delayed requests of the login, or the live balance
// after an SMS, were due: none goes out for the account, and nothing comes
// back into the views.
void TestPhoneLogin::logoutDropsWhatTheSessionHadYetToAsk()
{
    PhoneRig &rig = *m_rig;
    rig.server.addGroup(PhoneRig::kUser, QStringLiteral("Work"));
    rig.server.addContact(PhoneRig::kUser, {{QStringLiteral("nick"), QStringLiteral("ann")}});
    Phone::Delays delays = PhoneRig::shortDelays();
    delays.balanceDelay = delays.virtualNumbersDelay = delays.contactsDelay = delays.liveBalanceDelay = 400;
    rig.phone->setDelays(delays);
    QSignalSpy balance(rig.phone.get(), &Phone::balanceUpdate);
    QSignalSpy numbers(rig.phone.get(), &Phone::onlineNumbersUpdate);
    const QStringList delayed {"balance", "onlineNumber", "callForward", "contact", "realTimeBalance"};
    const auto asked = [&rig, &delayed] {
        QStringList resources;
        for (const WebserviceStandIn::Request &request : rig.server.requests()) {
            if (delayed.contains(request.resource))
                resources << request.resource;
        }
        return resources;
    };

    const QMetaObject::Connection quick = connect(
        rig.phone.get(), &Phone::loginSuccessful, this, [&rig] { rig.phone->logout(); },
        Qt::QueuedConnection);
    QSignalSpy logout(rig.phone.get(), &Phone::logoutSuccessful);
    rig.phone->setCredentials(PhoneRig::kUser, PhoneRig::kPassword);
    QTRY_COMPARE(logout.size(), 1);
    QTest::qWait(delays.contactsDelay + 300);
    QCOMPARE(asked(), QStringList());
    QVERIFY(rig.contacts.contacts().isEmpty());
    QVERIFY(balance.isEmpty() && numbers.isEmpty());

    // Signed in for good: an SMS goes, and the user signs out at once.
    disconnect(quick);
    QVERIFY(rig.logIn());
    for (const QString &resource : delayed.mid(0, 3))
        QVERIFY(rig.waitForRequests(resource, "GET", 1));
    QSignalSpy sent(rig.phone.get(), &Phone::successSendingSMS);
    SMS sms;
    sms.setDestinationNumbers({QStringLiteral("+4912345")});
    sms.setText(QStringLiteral("Bye"));
    rig.phone->sendSMS(sms);
    QVERIFY(sent.wait());
    rig.phone->logout();
    rig.server.clearRequests();
    QTest::qWait(delays.liveBalanceDelay + 300);
    QCOMPARE(asked(), QStringList());
}

void TestPhoneLogin::oneBalanceTimerAfterLoginsAndReconnections()
{
    PhoneRig &rig = *m_rig;
    const int period = 400;
    Phone::Delays delays = PhoneRig::shortDelays();
    delays.balancePeriod = period;
    rig.phone->setDelays(delays);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(rig.logIn());
        rig.phone->logout();
    }
    QVERIFY(rig.logIn());
    // Logged in again by the session itself, without a logout in between.
    // The first balance asked after the last login is that login's delayed
    // one, due before the period's first.
    QSignalSpy success(rig.phone.get(), &Phone::loginSuccessful);
    connect(rig.phone.get(), &Phone::loginSuccessful, &rig.server, &WebserviceStandIn::clearRequests);
    for (int i = 1; i <= 2; ++i) {
        QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
        QTRY_COMPARE(success.size(), i);
    }
    QVERIFY(rig.waitForRequests(QStringLiteral("balance"), "GET", 1));
    rig.server.clearRequests();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.waitForRequests(QStringLiteral("balance"), "GET", 3, period * 10));
    QTest::qWait(period * 2);
    const qint64 elapsed = clock.elapsed();
    const int balances = rig.requests(QStringLiteral("balance"), "GET").size();
    // A timer fires late on a busy machine, never much early (a coarse one
    // by up to a twentieth); one tick may have been on its way at the start.
    // A second timer would double the count.
    QVERIFY2(balances <= elapsed * 20 / (period * 19) + 2,
             qPrintable(QStringLiteral("%1 requests in %2 ms").arg(balances).arg(elapsed)));
}

void TestPhoneLogin::connectionLost_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<bool>("reconnects");
    QTest::newRow("lost") << int(plix::PLIX_DISCONNECT_CONNECTION_LOST) << "missed" << true;
    QTest::newRow("replaced") << int(plix::PLIX_DISCONNECT_REPLACED) << "replaced" << false;
    QTest::newRow("server error") << int(plix::PLIX_DISCONNECT_SERVER_ERROR) << "error" << true;
}

void TestPhoneLogin::connectionLost()
{
    QFETCH(int, reason);
    QFETCH(QString, signal);
    QFETCH(bool, reconnects);

    PhoneRig &rig = *m_rig;
    QVERIFY(rig.logIn());
    QStringList events;
    connect(rig.phone.get(), &Phone::connectionMissed, this, [&] { events << QStringLiteral("missed"); });
    connect(rig.phone.get(), &Phone::connectionReplaced, this, [&] { events << QStringLiteral("replaced"); });
    connect(rig.phone.get(), &Phone::connectionErrorOccured, this,
            [&] { events << QStringLiteral("error"); });
    QSignalSpy success(rig.phone.get(), &Phone::loginSuccessful);
    const int groupRequests = rig.requests(QStringLiteral("group"), "GET").size();

    QVERIFY(control()->drop_connection(reason));
    QTRY_COMPARE(events, QStringList {signal});
    if (reconnects) {
        // The session logs in again by itself, and the account's data is fetched anew.
        QTRY_COMPARE(success.size(), 1);
        QVERIFY(rig.phone->isConnected());
        QVERIFY(rig.waitForRequests(QStringLiteral("group"), "GET", groupRequests + 1));
    } else {
        QTest::qWait(200);
        QVERIFY(success.isEmpty());
        QCOMPARE(control()->login_count(), 1);
    }
}

void TestPhoneLogin::logoutStopsAPendingReconnection()
{
    PhoneRig &rig = *m_rig;
    rig.talk->setReconnectDelays(150, 0);
    QVERIFY(rig.logIn());
    QSignalSpy missed(rig.phone.get(), &Phone::connectionMissed);
    QSignalSpy success(rig.phone.get(), &Phone::loginSuccessful);
    QSignalSpy logout(rig.phone.get(), &Phone::logoutSuccessful);

    QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
    QVERIFY(missed.wait());
    // As the main window does after a lost connection.
    rig.phone->logout();
    QCOMPARE(logout.size(), 1);
    QTest::qWait(600);
    QCOMPARE(control()->login_count(), 1);
    QVERIFY(success.isEmpty());
    QVERIFY(!rig.phone->isConnected());
}

void TestPhoneLogin::loggedOutPhoneIgnoresTheRestOfItsSignIn()
{
    PhoneRig &rig = *m_rig;
    LoginRecorder recorder(rig.phone.get());
    rig.server.delayNext(300, {QStringLiteral("account"), "GET"});
    rig.phone->setCredentials(PhoneRig::kUser, PhoneRig::kPassword);
    QTRY_COMPARE(rig.server.requests().size(), 1);
    // The user gives up: the account request is dropped, and late results of
    // that sign-in (an account, a proxy failure, a talk login that completes
    // all the same) change nothing.
    rig.phone->logout();
    rig.phone->onAccountRequestFinished(Account(rig.server.account(PhoneRig::kUser).toVariantMap()));
    rig.phone->onProxyConnectionError();
    rig.talk->login(QStringLiteral("bob@talk.linkora.test"), QStringLiteral("secret"), true);
    QTest::qWait(500);
    QVERIFY(rig.requests(QStringLiteral("account"), "GET").isEmpty());
    QCOMPARE(control()->login_count(), 1);
    QCOMPARE(recorder.events, QStringList {QStringLiteral("logout")});
    QVERIFY(!rig.phone->isConnected());
}

void TestPhoneLogin::failedReconnectionReportedOnce()
{
    PhoneRig &rig = *m_rig;
    QVERIFY(rig.logIn());
    LoginRecorder recorder(rig.phone.get());
    control()->fail_logins(plix::PLIX_TALK_ERROR_CONNECTION, 3);
    QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));

    // Three failed attempts, then the fourth succeeds.
    QTRY_VERIFY_WITH_TIMEOUT(recorder.events.contains(QStringLiteral("success")), 5000);
    QCOMPARE(control()->login_count(), 5);
    QCOMPARE(recorder.events,
             (QStringList {QStringLiteral("failed:%1").arg(int(Phone::ConnectionFailed)), "mediaEngine",
                           "success"}));
}

void TestPhoneLogin::proxySettingsThroughPhone()
{
    Phone &phone = *m_rig->phone;
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));

    // The system's proxy configuration comes back with the system default mode.
    phone.setProxySettings(ProxySettings(ProxySettings::SystemDefault, QString(), 0, false, {}, {}));
    QVERIFY(QNetworkProxyFactory::usesSystemConfiguration());
    QCOMPARE(control()->proxy_mode(), int(ProxySettings::SystemDefault));

    // Stored credentials stay home while authentication is off.
    phone.setProxySettings(ProxySettings(ProxySettings::Http, QStringLiteral("proxy.example"), 3128, false,
                                         QStringLiteral("stale"), QStringLiteral("secret")));
    QCOMPARE(QString::fromUtf8(control()->proxy_host()), QStringLiteral("proxy.example"));
    QCOMPARE(QString::fromUtf8(control()->proxy_user()), QString());
    QCOMPARE(QString::fromUtf8(control()->proxy_password()), QString());
    QCOMPARE(QNetworkProxy::applicationProxy().type(), QNetworkProxy::HttpProxy);
    QCOMPARE(QNetworkProxy::applicationProxy().user(), QString());

    MessageCatcher traces;
    phone.setProxySettings(ProxySettings(ProxySettings::Socks5, QStringLiteral("proxy.example"), 1080, true,
                                         QStringLiteral("me"), QStringLiteral("secret")));
    QCOMPARE(QString::fromUtf8(control()->proxy_user()), QStringLiteral("me"));
    QCOMPARE(QNetworkProxy::applicationProxy().password(), QStringLiteral("secret"));
    QVERIFY(traces.contains(QStringLiteral("Proxy settings changed")));
    QVERIFY(!traces.contains(QStringLiteral("secret")));
}

LINKORA_TEST_MAIN(TestPhoneLogin)
#include "tst_phonelogin.moc"
