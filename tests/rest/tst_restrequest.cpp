#include "rest/contact.h"
#include "rest/json.h"
#include "rest/restrequest.h"
#include "resttesthelpers.h"
#include "settings/webserviceurls.h"
#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "util/installationidstore.h"
#include "util/trace.h"

#include <QApplication>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtMath>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kJsonType = QByteArrayLiteral("application/json;charset=\"utf-8\"");

// Records what reaches the parser, with the method and mode it is read with.
class ProbeRequest : public RestRequest
{
    Q_OBJECT

public:
    struct Parsed
    {
        QByteArray body;
        int status = 0;
        int method = -1;
        int mode = -1;
    };

    using RestRequest::RestRequest;
    using RestRequest::traceableBody;
    using RestRequest::traceableValue;

    void onFinish(const QByteArray &body, int status) override
    {
        parsed.append({body, status, replyMethod(), replyMode()});
    }

    QList<Parsed> parsed;

protected:
    bool expectsList(int mode) const override { return mode == 1; }
};

// A record that has no JSON form.
class UnwritableRecord : public RestObj
{
public:
    UnwritableRecord()
        : RestObj("Unwritable")
    { }

    QVariant toVariantMap() const override
    {
        QVariantMap map = baseMap();
        map.insert(QStringLiteral("credit"), qQNaN());
        return map;
    }
};

// Answers every request with a redirect to another address.
class Redirector : public QTcpServer
{
public:
    explicit Redirector(const QUrl &target)
        : m_target(target)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 302 Found\r\nLocation: " + m_target.toEncoded()
                                  + "\r\nContent-Length: 0\r\n\r\n");
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

private:
    QUrl m_target;
};

Contact annContact()
{
    Contact contact;
    contact.setNick(QStringLiteral("ann1"));
    contact.setFirstName(QStringLiteral("Ann"));
    contact.setGroupName(QStringLiteral("Work"));
    return contact;
}

} // namespace

class TestRestRequest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void headersAndBodyPerMethod_data();
    void headersAndBodyPerMethod();
    void unknownMethodSendsNothing();
    void unwritableBodyIsNotSent();
    void valuesArePercentEncoded_data();
    void valuesArePercentEncoded();
    void plainValuesKeepTheirUrl();
    void eachReplyIsParsedOnceWithItsOwnMethodAndMode();
    void httpErrorsGiveRequestError();
    void proxyFailuresAreKnownByTheirCode();
    void refusingProxyIsAProxyFailure_data();
    void refusingProxyIsAProxyFailure();
    void passwordsAndPersonalDataNeverReachTheTrace();
    void answersBeyondTheirLimitsFail_data();
    void answersBeyondTheirLimitsFail();
    void redirectsAreNotFollowed();

private:
    void waitForRequests(int count);

    InstallationIdStore m_idStore;
    std::unique_ptr<WebserviceStandIn> m_server;
    std::unique_ptr<WebserviceUrls> m_urls;
    std::unique_ptr<ProbeRequest> m_request;
};

void TestRestRequest::initTestCase()
{
    m_idStore.load();
    QVERIFY(!m_idStore.id().isEmpty());
}

void TestRestRequest::init()
{
    m_server = std::make_unique<WebserviceStandIn>();
    QVERIFY(m_server->listen());
    m_server->addAccount(QStringLiteral("bob"), QStringLiteral("pw"));
    m_urls = std::make_unique<WebserviceUrls>(m_server->baseUrl());
    m_request = std::make_unique<ProbeRequest>();
    m_request->setUrls(m_urls.get());
    m_request->setInstallationIdStore(&m_idStore);
    m_request->setUsername(QStringLiteral("bob"));
    m_request->setPassword(QStringLiteral("pw"));
}

void TestRestRequest::cleanup()
{
    m_request.reset();
    m_urls.reset();
    m_server.reset();
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestRestRequest::waitForRequests(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), count, 5000);
}

void TestRestRequest::headersAndBodyPerMethod_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QByteArray>("httpMethod");
    QTest::addColumn<bool>("bodySent");

    QTest::newRow("GET") << int(RestRequest::Get) << QByteArray("GET") << false;
    QTest::newRow("POST") << int(RestRequest::Post) << QByteArray("POST") << true;
    QTest::newRow("PUT") << int(RestRequest::Put) << QByteArray("PUT") << true;
    QTest::newRow("DELETE") << int(RestRequest::Delete) << QByteArray("DELETE") << false;
}

void TestRestRequest::headersAndBodyPerMethod()
{
    QFETCH(int, method);
    QFETCH(QByteArray, httpMethod);
    QFETCH(bool, bodySent);

    const Contact contact = annContact();
    m_request->send(m_request->userKeyUrl(m_urls->adressBookContactServiceBaseURL(), contact.nick()), method,
                    &contact);
    waitForRequests(1);

    const WebserviceStandIn::Request received = m_server->requests().constFirst();
    QCOMPARE(received.method, httpMethod);
    QCOMPARE(received.header("Accept"), kJsonType);
    QCOMPARE(received.header("Content-Type"), kJsonType);
    QCOMPARE(received.header("osid"), m_idStore.id().toUtf8());
    if (bodySent) {
        QCOMPARE(received.body, Json::serialize(contact.toVariantMap()));
        QVERIFY(received.body.startsWith(R"({ "addressLine1" : "", )"));
        QCOMPARE(received.json().object().value(QStringLiteral("nick")).toString(), QStringLiteral("ann1"));
    } else {
        QVERIFY(received.body.isEmpty());
    }
}

void TestRestRequest::unknownMethodSendsNothing()
{
    const QString base = m_urls->accountBalanceServiceBaseURL();
    QCOMPARE(m_request->send(m_request->userUrl(base), 4, nullptr), quint64(0));
    m_request->send(m_request->userUrl(base), RestRequest::Get, nullptr);
    waitForRequests(1);
    QTRY_COMPARE(m_request->parsed.size(), 1);
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requests().constFirst().method, QByteArray("GET"));
}

void TestRestRequest::unwritableBodyIsNotSent()
{
    QSignalSpy errors(m_request.get(), &RestRequest::requestError);
    const UnwritableRecord record;
    const QString base = m_urls->accountSMSServiceBaseURL();
    m_request->send(m_request->userUrl(base), RestRequest::Put, &record);
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.constFirst().constFirst().toString().isEmpty());

    m_request->send(m_request->userUrl(m_urls->accountBalanceServiceBaseURL()), RestRequest::Get, nullptr);
    waitForRequests(1);
    QCOMPARE(m_server->requests().constFirst().resource, QStringLiteral("balance"));
}

void TestRestRequest::valuesArePercentEncoded_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("key");

    QTest::newRow("reserved in password") << "bob"
                                          << "a&b=c#d+e%f"
                                          << "ann1";
    QTest::newRow("reserved in key") << "bob"
                                     << "pw"
                                     << "x/y?z#w+v";
    QTest::newRow("reserved in user") << "b&o+b"
                                      << "pw"
                                      << "ann1";
    QTest::newRow("blank and non-ASCII") << "bob"
                                         << "p w é"
                                         << "Zoë Ann";
}

void TestRestRequest::valuesArePercentEncoded()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, key);

    m_server->addAccount(user, password);
    m_request->setUsername(user);
    m_request->setPassword(password);
    m_request->send(m_request->userKeyUrl(m_urls->adressBookContactServiceBaseURL(), key), RestRequest::Get,
                    nullptr);
    m_request->send(m_request->userUrl(m_urls->adressBookGroupServiceBaseURL()), RestRequest::Get, nullptr);
    waitForRequests(2);

    for (const WebserviceStandIn::Request &received : m_server->requests()) {
        QCOMPARE(received.queryItems,
                 (QList<QPair<QString, QString>> {{QStringLiteral("username"), user},
                                                  {QStringLiteral("password"), password}}));
        QCOMPARE(received.user(), user);
    }
    const WebserviceStandIn::Request contact = m_server->requests().constFirst();
    QCOMPARE(contact.segments, (QStringList {user, key}));
    // The stand-in knows the user and password: no 401.
    QTRY_COMPARE(m_server->requests().constLast().status, 200);
}

void TestRestRequest::plainValuesKeepTheirUrl()
{
    const QString base = QStringLiteral("https://host.example/webservice-5.0/contact");
    QCOMPARE(m_request->userUrl(base).toEncoded(),
             QByteArray("https://host.example/webservice-5.0/contact/bob?username=bob&password=pw"));
    QCOMPARE(
        m_request->userKeyUrl(base, QStringLiteral("Ann_1-2.x~")).toEncoded(),
        QByteArray("https://host.example/webservice-5.0/contact/bob/Ann_1-2.x~?username=bob&password=pw"));
    // Placeholders inside a value are not filled in again.
    m_request->setUsername(QStringLiteral("%2"));
    QCOMPARE(m_request->userUrl(base).toEncoded(),
             QByteArray("https://host.example/webservice-5.0/contact/%252?username=%252&password=pw"));
}

void TestRestRequest::eachReplyIsParsedOnceWithItsOwnMethodAndMode()
{
    // The list goes out first and comes back last.
    m_server->delayNext(300, {QStringLiteral("contact"), "GET"});
    const QString base = m_urls->adressBookContactServiceBaseURL();
    m_request->send(m_request->userUrl(base), RestRequest::Get, nullptr, 1);
    const Contact contact = annContact();
    m_request->send(m_request->userKeyUrl(base, contact.nick()), RestRequest::Put, &contact, 0);

    QTRY_COMPARE_WITH_TIMEOUT(m_request->parsed.size(), 2, 5000);
    // A reply parsed twice would be so before one asked for afterwards.
    m_request->send(m_request->userUrl(m_urls->accountBalanceServiceBaseURL()), RestRequest::Get, nullptr, 2);
    QTRY_VERIFY(m_request->parsed.last().mode == 2);
    QCOMPARE(m_request->parsed.size(), 3);
    const ProbeRequest::Parsed put = m_request->parsed.at(0);
    const ProbeRequest::Parsed list = m_request->parsed.at(1);
    QCOMPARE(put.method, int(RestRequest::Put));
    QCOMPARE(put.mode, 0);
    QCOMPARE(list.method, int(RestRequest::Get));
    QCOMPARE(list.mode, 1);
    QVERIFY(list.body.startsWith('['));
}

void TestRestRequest::httpErrorsGiveRequestError()
{
    QSignalSpy errors(m_request.get(), &RestRequest::requestError);
    QSignalSpy proxyErrors(m_request.get(), &RestRequest::proxyConnectionError);
    // A user name with "proxy" in it puts the word into Qt's error text.
    m_server->addAccount(QStringLiteral("proxy"), QStringLiteral("pw"));
    m_request->setUsername(QStringLiteral("proxy"));
    m_server->answerNextWithStatus(500);
    m_request->send(m_request->userUrl(m_urls->accountBalanceServiceBaseURL()), RestRequest::Get, nullptr);
    QVERIFY(errors.wait(5000));
    m_request->setPassword(QStringLiteral("wrong"));
    m_request->send(m_request->userUrl(m_urls->accountBalanceServiceBaseURL()), RestRequest::Get, nullptr);
    QVERIFY(errors.wait(5000));

    QCOMPARE(errors.size(), 2);
    for (const QList<QVariant> &arguments : std::as_const(errors))
        QVERIFY(arguments.constFirst().toString().isEmpty());
    QCOMPARE(proxyErrors.size(), 0);
    QVERIFY(m_request->parsed.isEmpty());
    QCOMPARE(m_server->requests().constLast().status, 401);
}

void TestRestRequest::proxyFailuresAreKnownByTheirCode()
{
    // Qt's text for this one, "Proxy requires authentication", holds no "proxy".
    AuthenticatingProxy proxy;
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.serverPort()));
    QSignalSpy errors(m_request.get(), &RestRequest::requestError);
    QSignalSpy proxyErrors(m_request.get(), &RestRequest::proxyConnectionError);
    m_request->send(m_request->userUrl(QStringLiteral("http://webservice.invalid/balance")), RestRequest::Get,
                    nullptr);
    QVERIFY(proxyErrors.wait(5000));
    QCOMPARE(proxyErrors.size(), 1);
    QCOMPARE(errors.size(), 0);
    QCOMPARE(AuthenticatingProxy::requests(), 1);
    QVERIFY(m_request->parsed.isEmpty());
}

void TestRestRequest::refusingProxyIsAProxyFailure_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("http") << int(QNetworkProxy::HttpProxy);
    QTest::newRow("socks5") << int(QNetworkProxy::Socks5Proxy);
}

void TestRestRequest::refusingProxyIsAProxyFailure()
{
    QFETCH(int, type);
    // A port that nobody listens on.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();

    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::ProxyType(type), QStringLiteral("127.0.0.1"), port));
    QSignalSpy errors(m_request.get(), &RestRequest::requestError);
    QSignalSpy proxyErrors(m_request.get(), &RestRequest::proxyConnectionError);
    m_request->send(m_request->userUrl(QStringLiteral("http://webservice.invalid/balance")), RestRequest::Get,
                    nullptr);
    QVERIFY(proxyErrors.wait(5000));
    QCOMPARE(errors.size(), 0);

    // Without a proxy, a refused connection is the service's failure.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    proxyErrors.clear();
    m_request->send(QUrl(QStringLiteral("http://127.0.0.1:%1/balance").arg(port)), RestRequest::Get, nullptr);
    QVERIFY(errors.wait(5000));
    QCOMPARE(proxyErrors.size(), 0);
}

void TestRestRequest::passwordsAndPersonalDataNeverReachTheTrace()
{
    const QString secret = QStringLiteral("s3cr+t #1");
    m_server->addAccount(QStringLiteral("ann"), secret);
    m_request->setUsername(QStringLiteral("ann"));
    m_request->setPassword(secret);
    TraceCapture capture;
    QSignalSpy errors(m_request.get(), &RestRequest::requestError);

    m_server->answerNextWithStatus(404);
    m_request->send(m_request->userUrl(m_urls->accountBalanceServiceBaseURL()), RestRequest::Get, nullptr);
    QVERIFY(errors.wait(5000));
    m_server->answerNextWithStatus(500);
    m_request->send(m_request->userKeyUrl(m_urls->adressBookContactServiceBaseURL(), QStringLiteral("x")),
                    RestRequest::Delete, nullptr);
    QVERIFY(errors.wait(5000));

    const QStringList lines = capture.lines();
    QCOMPARE(lines.filter(QStringLiteral("Error =")).size(), 2);
    // The user name, often an address or a number, as its id too.
    QVERIFY2(lines.filter(QStringLiteral("balance/") + Trace::tag(QStringLiteral("ann"))).size() >= 1,
             qPrintable(lines.join(u'\n')));
    QVERIFY2(lines.filter(QStringLiteral("/ann")).isEmpty(), qPrintable(lines.join(u'\n')));
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
    for (const QString &line : lines) {
        QVERIFY2(!line.contains(QStringLiteral("s3cr")), qPrintable(line));
        QVERIFY2(!line.contains(encoded), qPrintable(line));
    }

    // A reply body that does not parse, cut anywhere, by an id of its text and its size.
    const QByteArray body = R"({"username":"ann","firstName":"Zebulon","password":"s3cr)";
    QCOMPARE(ProbeRequest::traceableBody(body),
             Trace::tag(QString::fromUtf8(body)) + QStringLiteral(" (56 bytes)"));
    // Of a value, the keys and the service's own words; passwords masked.
    const QVariant value = Json::parse(QString(
        R"({"username":"ann","phones":["4930555",4930666],"errorMessage":"No such user.",)"
        R"("sipPassword":"x","verified":true,"fieldErrors":[{"field":"nick","errorCode":"taken"}]})"));
    const QVariantMap traced = ProbeRequest::traceableValue(value).toMap();
    QCOMPARE(traced.value(QStringLiteral("username")).toString(), Trace::tag(QStringLiteral("ann")));
    QCOMPARE(traced.value(QStringLiteral("phones")).toStringList(),
             Trace::tags({QStringLiteral("4930555"), QStringLiteral("4930666")}));
    QCOMPARE(traced.value(QStringLiteral("sipPassword")).toString(), QStringLiteral("********"));
    QCOMPARE(traced.value(QStringLiteral("verified")), QVariant(true));
    QCOMPARE(traced.value(QStringLiteral("errorMessage")).toString(), QStringLiteral("No such user."));
    QCOMPARE(traced.value(QStringLiteral("fieldErrors")), value.toMap().value(QStringLiteral("fieldErrors")));
}

void TestRestRequest::answersBeyondTheirLimitsFail_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("size"); // negative: endless
    QTest::addColumn<int>("chunk"); // bytes every 50 ms; 0: at once after the delay
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("parsed");
    QTest::newRow("silent past the inactivity time-out") << 1 << 10 << 0 << 3000 << false;
    QTest::newRow("endless") << 1 << -1 << 0 << 0 << false;
    QTest::newRow("record at its limit") << 0 << 4096 << 0 << 0 << true;
    QTest::newRow("record past its limit") << 0 << 4097 << 0 << 0 << false;
    QTest::newRow("list of that size") << 1 << 8192 << 0 << 0 << true;
    QTest::newRow("record trickling past its deadline") << 0 << 400 << 20 << 0 << false;
    QTest::newRow("list trickling within its deadline") << 1 << 400 << 20 << 0 << true;
}

void TestRestRequest::answersBeyondTheirLimitsFail()
{
    QFETCH(int, mode);
    QFETCH(int, size);
    QFETCH(int, chunk);
    QFETCH(int, delay);
    QFETCH(bool, parsed);
    const RestRequest::Limits limits;
    QCOMPARE((QList<qint64> {RestRequest::DefaultTransferTimeout, limits.recordBodySize, limits.listBodySize,
                             limits.listRecords, limits.fieldLength, limits.recordDeadline,
                             limits.listDeadline, limits.headerDeadline, limits.slowHeaderDeadline}),
             (QList<qint64> {30000, 64 << 10, 32 << 20, 20000, 4096, 60000, 300000, 10000, 45000}));

    m_request->setTransferTimeout(200);
    m_request->setLimits({4096, 16384, 20000, 4096, 500, 5000});
    m_server->delayNext(delay);
    if (size < 0)
        m_server->answerNextEndless(1024, 5);
    else if (chunk > 0)
        m_server->answerNextTrickling(QByteArray(size, 'x'), chunk, 50);
    else
        m_server->answerNextWith(200, QByteArray(size, 'x'));
    QSignalSpy errors(m_request.get(), &RestRequest::requestError);
    m_request->send(m_request->userUrl(m_urls->accountBalanceServiceBaseURL()), RestRequest::Get, nullptr,
                    mode);
    QTRY_COMPARE_WITH_TIMEOUT(errors.size() + m_request->parsed.size(), 1, 2500);
    QCOMPARE(m_request->parsed.size(), parsed ? 1 : 0);
}

void TestRestRequest::redirectsAreNotFollowed()
{
    const QUrl target = m_request->userUrl(m_urls->accountBalanceServiceBaseURL());
    Redirector redirector(target);
    QVERIFY(redirector.listen(QHostAddress::LocalHost));
    QSignalSpy errors(m_request.get(), &RestRequest::requestError);

    QUrl url = target;
    url.setPort(redirector.serverPort());
    m_request->send(url, RestRequest::Get, nullptr);
    // The reply has ended: a redirection followed would have reached the
    // server before.
    QVERIFY(errors.wait(5000));
    QVERIFY(m_server->requests().isEmpty());
    QVERIFY(m_request->parsed.isEmpty());
}

LINKORA_TEST_MAIN(TestRestRequest)
#include "tst_restrequest.moc"
