#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "ui/groupnamerules.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kJsonType = QByteArrayLiteral("application/json;charset=\"utf-8\"");
const QString kUser = QStringLiteral("bob");
const QString kPassword = QStringLiteral("pw");
const QString kAppId = QStringLiteral("0123456789abcdef0123456789abcdef");

using Query = QList<QPair<QString, QString>>;

struct Answer
{
    int status = 0;
    QByteArray body;
    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
};

QJsonObject contactRecord(const QString &nick, const QString &group)
{
    return {{QStringLiteral("class"), QStringLiteral("com.dravomesh.phone.integration.Contact")},
            {QStringLiteral("nick"), nick},
            {QStringLiteral("groupName"), group},
            {QStringLiteral("firstName"), QStringLiteral("Ann")}};
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

class TestWebserviceStandIn : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void resourcesAnswerTheirRecords_data();
    void resourcesAnswerTheirRecords();
    void accountSignIn_data();
    void accountSignIn();
    void otherResourcesRefuseWrongCredentials_data();
    void otherResourcesRefuseWrongCredentials();
    void jsonHeadersAndOsidAreRequired_data();
    void jsonHeadersAndOsidAreRequired();
    void requestsAreRecorded();
    void percentEncodedValuesArriveIntact();
    void contactRoundTrip();
    void groupRenameCarriesItsContacts();
    void createAccountOnTheBareBaseUrl();
    void steeredAnswers_data();
    void steeredAnswers();
    void steeringAppliesToTheNextMatchingAcceptedRequest();
    void heldOrDelayedAnswerDoesNotBlockOthers();
    void clientLeavingDuringADelay();
    void sampleBookSharesNothingBetweenContacts();

private:
    // The client's URL forms, with every value percent-encoded.
    QUrl url(const QString &resource, const QStringList &segments, const Query &query) const;
    QUrl userUrl(const QString &resource, const QString &key = QString()) const;
    QNetworkRequest jsonRequest(const QUrl &url) const;
    QNetworkReply *start(const QByteArray &method, const QNetworkRequest &request,
                         const QByteArray &body = QByteArray());
    Answer finish(QNetworkReply *reply);
    Answer call(const QByteArray &method, const QUrl &url, const QByteArray &body = QByteArray())
    {
        return finish(start(method, jsonRequest(url), body));
    }

    std::unique_ptr<WebserviceStandIn> m_standIn;
    QNetworkAccessManager m_manager;
};

void TestWebserviceStandIn::init()
{
    m_standIn = std::make_unique<WebserviceStandIn>();
    QVERIFY(m_standIn->listen());
    m_standIn->addAccount(kUser, kPassword);
    m_standIn->addGroup(kUser, QStringLiteral("Work"));
    m_standIn->addGroup(kUser, QStringLiteral("Family"));
    m_standIn->addContact(kUser, contactRecord(QStringLiteral("ann"), QStringLiteral("Work")));
    m_standIn->addAccount(QStringLiteral("eve"), QStringLiteral("evepw"));
}

void TestWebserviceStandIn::cleanup()
{
    m_standIn.reset();
}

QUrl TestWebserviceStandIn::url(const QString &resource, const QStringList &segments,
                                const Query &query) const
{
    QByteArray text = m_standIn->resourceBaseUrl(resource).toUtf8();
    for (const QString &segment : segments)
        text += '/' + QUrl::toPercentEncoding(segment);
    for (int i = 0; i < query.size(); ++i) {
        text += (i == 0 ? '?' : '&') + QUrl::toPercentEncoding(query.at(i).first) + '='
            + QUrl::toPercentEncoding(query.at(i).second);
    }
    return QUrl::fromEncoded(text, QUrl::StrictMode);
}

QUrl TestWebserviceStandIn::userUrl(const QString &resource, const QString &key) const
{
    QStringList segments {kUser};
    if (!key.isNull())
        segments << key;
    return url(resource, segments,
               {{QStringLiteral("username"), kUser}, {QStringLiteral("password"), kPassword}});
}

QNetworkRequest TestWebserviceStandIn::jsonRequest(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", kJsonType);
    request.setHeader(QNetworkRequest::ContentTypeHeader, kJsonType);
    request.setRawHeader("osid", "install-1");
    return request;
}

QNetworkReply *TestWebserviceStandIn::start(const QByteArray &method, const QNetworkRequest &request,
                                            const QByteArray &body)
{
    return m_manager.sendCustomRequest(request, method, body);
}

Answer TestWebserviceStandIn::finish(QNetworkReply *reply)
{
    std::unique_ptr<QNetworkReply> owner(reply);
    if (!reply->isFinished()) {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!finished.wait(5000))
            return {};
    }
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
}

void TestWebserviceStandIn::resourcesAnswerTheirRecords_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray balance = R"([{"class":"com.dravomesh.phone.integration.Balance","credit":12.5,)"
                               R"("currency":"USD","currencySymbol":"$"}])";
    const QByteArray ann = json(contactRecord(QStringLiteral("ann"), QStringLiteral("Work")));
    const QByteArray sms = R"({"class":"com.dravomesh.phone.integration.SMS",)"
                           R"("destinationNumbers":["+4912345"],"text":"Hi"})";
    const QByteArray invite = R"({"class":"com.dravomesh.phone.integration.Invite",)"
                              R"("fromEmail":"bob@example.org","toEmails":["ann@example.org"]})";
    const QString none;

    QTest::newRow("balance") << QByteArray("GET") << "balance" << none << QByteArray() << 200 << balance;
    QTest::newRow("live balance") << QByteArray("GET") << "realTimeBalance" << none << QByteArray() << 200
                                  << balance;
    QTest::newRow("virtual numbers")
        << QByteArray("GET") << "onlineNumber" << none << QByteArray() << 200
        << QByteArray(R"([{"class":"com.dravomesh.phone.integration.OnlineNumber",)"
                      R"("expirationDate":1767225600000,"number":"+4930123","status":"ACTIVE"}])");
    QTest::newRow("contact list") << QByteArray("GET") << "contact" << none << QByteArray() << 200
                                  << QByteArray('[' + ann + ']');
    QTest::newRow("one contact") << QByteArray("GET") << "contact"
                                 << "ann" << QByteArray() << 200 << ann;
    QTest::newRow("missing contact") << QByteArray("GET") << "contact"
                                     << "zed" << QByteArray() << 404 << QByteArray();
    QTest::newRow("group list")
        << QByteArray("GET") << "group" << none << QByteArray() << 200
        << QByteArray(R"([{"class":"com.dravomesh.phone.integration.Group","name":"Work"},)"
                      R"({"class":"com.dravomesh.phone.integration.Group","name":"Family"}])");
    QTest::newRow("sms") << QByteArray("PUT") << "sms" << none
                         << QByteArray(R"({ "destinationNumbers" : [ "+4912345" ], "text" : "Hi" })") << 200
                         << sms;
    QTest::newRow("sms without text")
        << QByteArray("PUT") << "sms" << none << QByteArray(R"({"destinationNumbers":["+4912345"]})") << 200
        << QByteArray(
               R"({"class":"com.dravomesh.phone.integration.SMS","errorMessage":"Invalid parameters.",)"
               R"("fieldErrors":[{"errorCode":"required","field":"text"}]})");
    QTest::newRow("invite") << QByteArray("PUT") << "invite" << none
                            << QByteArray(R"({"fromEmail":"bob@example.org","toEmails":["ann@example.org"]})")
                            << 200 << invite;
    QTest::newRow("call forward") << QByteArray("GET") << "callForward" << none << QByteArray() << 200
                                  << QByteArray("[]");
    QTest::newRow("voicemail") << QByteArray("GET") << "voiceMail" << none << QByteArray() << 501
                               << QByteArray();
    QTest::newRow("bug report") << QByteArray("PUT") << "bugReport" << none << QByteArray("{}") << 501
                                << QByteArray();
    QTest::newRow("unknown resource")
        << QByteArray("GET") << "calendar" << none << QByteArray() << 404 << QByteArray();
    QTest::newRow("unsupported method") << QByteArray("PATCH") << "contact"
                                        << "ann" << QByteArray("{}") << 405 << QByteArray();
    QTest::newRow("body not an object")
        << QByteArray("PUT") << "group" << none << QByteArray("[]") << 400 << QByteArray();
}

void TestWebserviceStandIn::resourcesAnswerTheirRecords()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, resource);
    QFETCH(QString, key);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);

    m_standIn->setBalance(kUser, 12.5, QStringLiteral("USD"), QStringLiteral("$"));
    m_standIn->addOnlineNumber(kUser, QStringLiteral("+4930123"),
                               QDateTime::fromMSecsSinceEpoch(1767225600000LL, Qt::UTC),
                               QStringLiteral("ACTIVE"));

    const Answer answer = call(method, userUrl(resource, key), body);
    QCOMPARE(answer.status, status);
    if (!expected.isEmpty())
        QCOMPARE(answer.json(), QJsonDocument::fromJson(expected));
}

void TestWebserviceStandIn::accountSignIn_data()
{
    QTest::addColumn<QString>("pathUser");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("appid");
    QTest::addColumn<QString>("errorMessage");

    QTest::newRow("signed in") << kUser << kPassword << kAppId << QString();
    QTest::newRow("wrong password") << kUser << "PW" << kAppId << "User not found!";
    QTest::newRow("missing password") << kUser << QString() << kAppId << "Invalid parameters.";
    QTest::newRow("appid not lower-case hex")
        << kUser << kPassword << kAppId.toUpper() << "Invalid parameters.";
    QTest::newRow("another's account")
        << "eve" << kPassword << kAppId << "The account does not belong to the user.";
}

void TestWebserviceStandIn::accountSignIn()
{
    QFETCH(QString, pathUser);
    QFETCH(QString, password);
    QFETCH(QString, appid);
    QFETCH(QString, errorMessage);

    Query query {{QStringLiteral("username"), kUser}, {QStringLiteral("appid"), appid}};
    if (!password.isNull())
        query.insert(1, {QStringLiteral("password"), password});
    const Answer answer = call("GET", url(QStringLiteral("account"), {pathUser}, query));

    // Sign-in failures are application errors the client reads from a 2xx answer.
    QCOMPARE(answer.status, 200);
    if (!errorMessage.isEmpty()) {
        QCOMPARE(answer.json().object().value(QStringLiteral("errorMessage")).toString(), errorMessage);
        return;
    }
    const QJsonObject account = answer.json().array().first().toObject();
    QCOMPARE(account.value(QStringLiteral("class")).toString(),
             QStringLiteral("com.dravomesh.phone.integration.Account"));
    QCOMPARE(account.value(QStringLiteral("username")).toString(), kUser);
    QCOMPARE(account.value(QStringLiteral("sipUser")).toString(), kUser);
    QVERIFY(!account.value(QStringLiteral("sipDomain")).toString().isEmpty());
    QVERIFY(!account.value(QStringLiteral("sipPassword")).toString().isEmpty());
    QVERIFY(!account.contains(QStringLiteral("password")));
}

void TestWebserviceStandIn::otherResourcesRefuseWrongCredentials_data()
{
    QTest::addColumn<QString>("pathUser");
    QTest::addColumn<Query>("query");
    QTest::addColumn<int>("status");

    QTest::newRow("wrong password") << kUser << Query {{"username", kUser}, {"password", "PW"}} << 401;
    QTest::newRow("unknown user") << "zed" << Query {{"username", "zed"}, {"password", kPassword}} << 401;
    QTest::newRow("no query") << kUser << Query() << 401;
    QTest::newRow("another's data") << "eve" << Query {{"username", kUser}, {"password", kPassword}} << 403;
}

void TestWebserviceStandIn::otherResourcesRefuseWrongCredentials()
{
    QFETCH(QString, pathUser);
    QFETCH(Query, query);
    QFETCH(int, status);

    QCOMPARE(call("GET", url(QStringLiteral("balance"), {pathUser}, query)).status, status);
    QCOMPARE(call("DELETE", url(QStringLiteral("contact"), {pathUser, QStringLiteral("ann")}, query)).status,
             status);
    QVERIFY(!m_standIn->contact(kUser, QStringLiteral("ann")).isEmpty());
}

void TestWebserviceStandIn::jsonHeadersAndOsidAreRequired_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("status");

    QTest::newRow("all set") << QByteArray() << QByteArray() << 200;
    QTest::newRow("no Accept") << QByteArray("Accept") << QByteArray() << 400;
    QTest::newRow("Accept unquoted") << QByteArray("Accept") << QByteArray("application/json;charset=utf-8")
                                     << 400;
    QTest::newRow("no content type") << QByteArray("Content-Type") << QByteArray() << 400;
    QTest::newRow("text content type") << QByteArray("Content-Type") << QByteArray("text/plain") << 400;
    QTest::newRow("no osid") << QByteArray("osid") << QByteArray() << 400;
}

void TestWebserviceStandIn::jsonHeadersAndOsidAreRequired()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, value);
    QFETCH(int, status);

    // GET and DELETE carry the JSON headers too.
    for (const QByteArray &method : {QByteArray("GET"), QByteArray("DELETE")}) {
        QNetworkRequest request = jsonRequest(userUrl(QStringLiteral("contact"), QStringLiteral("ann")));
        if (!header.isEmpty())
            request.setRawHeader(header, value);
        QCOMPARE(finish(start(method, request)).status, status);
    }
}

void TestWebserviceStandIn::requestsAreRecorded()
{
    QSignalSpy received(m_standIn.get(), &WebserviceStandIn::requestReceived);
    QSignalSpy answered(m_standIn.get(), &WebserviceStandIn::requestAnswered);
    const QByteArray body = R"({ "class" : "com.dravomesh.phone.integration.Group", "name" : "Friends" })";
    QCOMPARE(call("PUT", userUrl(QStringLiteral("group")), body).status, 200);
    QCOMPARE(call("DELETE", userUrl(QStringLiteral("contact"), QStringLiteral("ann"))).status, 200);

    const QList<WebserviceStandIn::Request> requests = m_standIn->requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(received.size(), 2);
    QCOMPARE(answered.size(), 2);

    const WebserviceStandIn::Request &put = requests.first();
    QCOMPARE(put.method, QByteArray("PUT"));
    QCOMPARE(put.encodedPath, QStringLiteral("/webservice-5.0/group/bob"));
    QCOMPARE(put.resource, QStringLiteral("group"));
    QCOMPARE(put.segments, QStringList {kUser});
    QCOMPARE(put.queryItems, (Query {{"username", kUser}, {"password", kPassword}}));
    QCOMPARE(put.header("OSID"), QByteArray("install-1"));
    QCOMPARE(put.header("content-type"), kJsonType);
    QCOMPARE(put.body, body);
    QCOMPARE(put.status, 200);
    QVERIFY(put.answeredAt >= put.receivedAt);

    const WebserviceStandIn::Request &del = requests.last();
    QCOMPARE(del.method, QByteArray("DELETE"));
    QCOMPARE(del.key(), QStringLiteral("ann"));
    QVERIFY(del.body.isEmpty());
    QVERIFY(del.serial > put.serial);
    QCOMPARE(answered.last().first().value<WebserviceStandIn::Request>().status, 200);

    m_standIn->clearRequests();
    QVERIFY(m_standIn->requests().isEmpty());
}

void TestWebserviceStandIn::percentEncodedValuesArriveIntact()
{
    const QString password = QStringLiteral("&#+ ");
    const QString nick = QStringLiteral("a/b #1+2&x=é");
    m_standIn->addAccount(QStringLiteral("zoë"), password);
    const Query credentials {{"username", QStringLiteral("zoë")}, {"password", password}};

    QJsonObject contact = contactRecord(nick, QStringLiteral("Work"));
    QCOMPARE(
        call("PUT", url(QStringLiteral("contact"), {QStringLiteral("zoë"), nick}, credentials), json(contact))
            .status,
        200);
    QCOMPARE(m_standIn->contactNicks(QStringLiteral("zoë")), QStringList {nick});
    const WebserviceStandIn::Request put = m_standIn->requests().last();
    QCOMPARE(put.segments, (QStringList {QStringLiteral("zoë"), nick}));
    QCOMPARE(put.queryValue(QStringLiteral("password")), password);

    const Answer read
        = call("GET", url(QStringLiteral("contact"), {QStringLiteral("zoë"), nick}, credentials));
    QCOMPARE(read.status, 200);
    QCOMPARE(read.json().object().value(QStringLiteral("nick")).toString(), nick);

    // A "+" the client leaves unencoded is a plus, not a space.
    m_standIn->addAccount(QStringLiteral("carl"), QStringLiteral("a+b"));
    const QUrl plus = QUrl::fromEncoded(m_standIn->resourceBaseUrl(QStringLiteral("balance")).toUtf8()
                                            + "/carl?username=carl&password=a+b",
                                        QUrl::StrictMode);
    QCOMPARE(call("GET", plus).status, 200);
}

void TestWebserviceStandIn::contactRoundTrip()
{
    const QString nick = QStringLiteral("lee");
    QJsonObject contact = contactRecord(nick, QStringLiteral("Family"));

    const Answer added = call("PUT", userUrl(QStringLiteral("contact"), nick), json(contact));
    QCOMPARE(added.status, 200);
    QCOMPARE(added.json().object(), contact);
    QCOMPARE(m_standIn->contact(kUser, nick), contact);

    const Answer again = call("PUT", userUrl(QStringLiteral("contact"), nick), json(contact));
    QCOMPARE(again.json().object().value(QStringLiteral("errorMessage")).toString(),
             QStringLiteral("Contact already exists."));

    const Answer otherNick
        = call("POST", userUrl(QStringLiteral("contact"), QStringLiteral("ann")), json(contact));
    QCOMPARE(otherNick.json().object().value(QStringLiteral("fieldErrors")).toArray().first().toObject(),
             (QJsonObject {{"field", "nick"}, {"errorCode", "mismatch"}}));

    // Updates and deletions are answered with an empty body, which the client reads as done.
    contact.insert(QStringLiteral("lastName"), QStringLiteral("Lee"));
    const Answer updated = call("POST", userUrl(QStringLiteral("contact"), nick), json(contact));
    QCOMPARE(updated.status, 200);
    QVERIFY(updated.body.isEmpty());
    QCOMPARE(call("GET", userUrl(QStringLiteral("contact"), nick)).json().object(), contact);

    const Answer deleted = call("DELETE", userUrl(QStringLiteral("contact"), nick));
    QCOMPARE(deleted.status, 200);
    QVERIFY(deleted.body.isEmpty());
    QCOMPARE(call("GET", userUrl(QStringLiteral("contact"), nick)).status, 404);
    QCOMPARE(call("DELETE", userUrl(QStringLiteral("contact"), nick)).status, 404);
    QCOMPARE(m_standIn->contactNicks(kUser), QStringList {QStringLiteral("ann")});
}

void TestWebserviceStandIn::groupRenameCarriesItsContacts()
{
    const QByteArray office = R"({"class":"com.dravomesh.phone.integration.Group","name":"Office"})";
    const Answer renamed = call("POST", userUrl(QStringLiteral("group"), QStringLiteral("Work")), office);
    QCOMPARE(renamed.status, 200);
    QCOMPARE(renamed.json(), QJsonDocument::fromJson(office));
    QCOMPARE(m_standIn->groups(kUser), (QStringList {QStringLiteral("Office"), QStringLiteral("Family")}));
    QCOMPARE(m_standIn->contact(kUser, QStringLiteral("ann")).value(QStringLiteral("groupName")).toString(),
             QStringLiteral("Office"));

    const Answer taken = call("POST", userUrl(QStringLiteral("group"), QStringLiteral("Family")), office);
    QCOMPARE(taken.json().object().value(QStringLiteral("errorMessage")).toString(),
             QStringLiteral("Group already exists."));
    QCOMPARE(call("POST", userUrl(QStringLiteral("group"), QStringLiteral("Work")), office).status, 404);

    const Answer deleted = call("DELETE", userUrl(QStringLiteral("group"), QStringLiteral("Office")));
    QCOMPARE(deleted.status, 200);
    QVERIFY(deleted.body.isEmpty());
    QCOMPARE(m_standIn->groups(kUser), QStringList {QStringLiteral("Family")});
}

void TestWebserviceStandIn::createAccountOnTheBareBaseUrl()
{
    const QUrl bare(m_standIn->resourceBaseUrl(QStringLiteral("account")));
    const QByteArray body
        = R"({"username":"new","password":"secret","firstName":"Nia","sipPassword":"mine"})";
    const Answer created = call("PUT", bare, body);
    QCOMPARE(created.status, 200);
    const QJsonObject account = created.json().array().first().toObject();
    QCOMPARE(account.value(QStringLiteral("firstName")).toString(), QStringLiteral("Nia"));
    QVERIFY(account.value(QStringLiteral("sipPassword")).toString() != QStringLiteral("mine"));

    const Query query {{"username", "new"}, {"password", "secret"}, {"appid", kAppId}};
    QCOMPARE(
        call("GET", url(QStringLiteral("account"), {QStringLiteral("new")}, query)).json().array().size(), 1);

    QCOMPARE(call("PUT", bare, body).json().object().value(QStringLiteral("errorMessage")).toString(),
             QStringLiteral("User already exists."));
    const Answer incomplete = call("PUT", bare, R"({"username":"other"})");
    QCOMPARE(incomplete.json().object().value(QStringLiteral("fieldErrors")).toArray().first().toObject(),
             (QJsonObject {{"field", "password"}, {"errorCode", "required"}}));
    QVERIFY(!m_standIn->hasAccount(QStringLiteral("other")));
}

void TestWebserviceStandIn::steeredAnswers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("application error")
        << 0 << 200
        << QByteArray(R"({"class":"com.dravomesh.phone.integration.Contact","errorMessage":"Locked.",)"
                      R"("fieldErrors":[{"errorCode":"locked","field":"nick"}]})");
    QTest::newRow("http status") << 1 << 503 << QByteArray();
    QTest::newRow("malformed") << 2 << 200 << WebserviceStandIn::malformedBody();
    QTest::newRow("empty") << 3 << 204 << QByteArray();
    QTest::newRow("raw") << 4 << 202 << QByteArray("null");
}

void TestWebserviceStandIn::steeredAnswers()
{
    QFETCH(int, kind);
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    switch (kind) {
    case 0:
        m_standIn->answerNextWithApplicationError(QStringLiteral("Locked."), {{"nick", "locked"}});
        break;
    case 1:
        m_standIn->answerNextWithStatus(status);
        break;
    case 2:
        m_standIn->answerNextWithMalformedBody();
        break;
    case 3:
        m_standIn->answerNextWithEmptyBody(status);
        break;
    default:
        m_standIn->answerNextWith(status, body);
    }

    const Answer answer = call("DELETE", userUrl(QStringLiteral("contact"), QStringLiteral("ann")));
    QCOMPARE(answer.status, status);
    if (kind == 0)
        QCOMPARE(answer.json(), QJsonDocument::fromJson(body));
    else if (status < 400)
        QCOMPARE(answer.body, body);
    // The steered request changed nothing; the next one is served as usual.
    QVERIFY(!m_standIn->contact(kUser, QStringLiteral("ann")).isEmpty());
    QCOMPARE(call("DELETE", userUrl(QStringLiteral("contact"), QStringLiteral("ann"))).status, 200);
    QVERIFY(m_standIn->contact(kUser, QStringLiteral("ann")).isEmpty());
}

void TestWebserviceStandIn::steeringAppliesToTheNextMatchingAcceptedRequest()
{
    m_standIn->answerNextWithStatus(500, {QStringLiteral("group"), "PUT"});
    const QByteArray friends = R"({"name":"Friends"})";

    QCOMPARE(call("GET", userUrl(QStringLiteral("group"))).status, 200);
    QCOMPARE(call("PUT", userUrl(QStringLiteral("contact"), QStringLiteral("x")), R"({"nick":"x"})").status,
             200);
    const Query wrong {{"username", kUser}, {"password", "PW"}};
    QCOMPARE(call("PUT", url(QStringLiteral("group"), {kUser}, wrong), friends).status, 401);

    QCOMPARE(call("PUT", userUrl(QStringLiteral("group")), friends).status, 500);
    QCOMPARE(call("PUT", userUrl(QStringLiteral("group")), friends).status, 200);
    QCOMPARE(m_standIn->groups(kUser).last(), QStringLiteral("Friends"));
}

void TestWebserviceStandIn::heldOrDelayedAnswerDoesNotBlockOthers()
{
    const WebserviceStandIn::Match balance {QStringLiteral("balance"), {}};
    // Held: the answer comes when released, whatever is served meanwhile.
    m_standIn->holdNext(balance);
    QSignalSpy answered(m_standIn.get(), &WebserviceStandIn::requestAnswered);
    QNetworkReply *held = start("GET", jsonRequest(userUrl(QStringLiteral("balance"))));
    QTRY_COMPARE(m_standIn->requests().size(), 1);
    QCOMPARE(call("GET", userUrl(QStringLiteral("group"))).status, 200);
    QVERIFY(!held->isFinished());
    QVERIFY(m_standIn->releaseHeld());
    QVERIFY(!m_standIn->releaseHeld());
    QCOMPARE(finish(held).status, 200);
    QCOMPARE(answered.size(), 2);
    QCOMPARE(answered.at(0).first().value<WebserviceStandIn::Request>().resource, QStringLiteral("group"));
    QCOMPARE(answered.at(1).first().value<WebserviceStandIn::Request>().resource, QStringLiteral("balance"));
    QVERIFY(m_standIn->requests().at(1).answeredAt <= m_standIn->requests().at(0).answeredAt);

    // Delayed: no sooner than asked.
    constexpr int delay = 400;
    m_standIn->delayNext(delay, balance);
    const Answer answer = finish(start("GET", jsonRequest(userUrl(QStringLiteral("balance")))));
    QCOMPARE(answer.status, 200);
    QCOMPARE(answer.json().array().size(), 1);
    const WebserviceStandIn::Request recorded = m_standIn->requests().last();
    QCOMPARE(recorded.resource, QStringLiteral("balance"));
    QVERIFY2(recorded.answeredAt - recorded.receivedAt >= delay - 10,
             qPrintable(QString::number(recorded.answeredAt - recorded.receivedAt)));
}

void TestWebserviceStandIn::clientLeavingDuringADelay()
{
    m_standIn->delayNext(200);
    QNetworkReply *reply = start("GET", jsonRequest(userUrl(QStringLiteral("balance"))));
    QTRY_COMPARE(m_standIn->requests().size(), 1);
    reply->abort();
    delete reply;

    QSignalSpy answered(m_standIn.get(), &WebserviceStandIn::requestAnswered);
    // Delayed as long and asked later, the next request is answered after
    // the first one's time has come.
    m_standIn->delayNext(200);
    QCOMPARE(call("GET", userUrl(QStringLiteral("balance"))).status, 200);
    QCOMPARE(answered.size(), 1);
    QCOMPARE(m_standIn->requests().first().status, 0);
    QCOMPARE(m_standIn->requests().last().status, 200);
}

// The demo's book of 10,000: no two contacts share a name (in any letter
// case), an e-mail address or a number, which the client would each take
// for the same person.
void TestWebserviceStandIn::sampleBookSharesNothingBetweenContacts()
{
    const QString user = QStringLiteral("eve");
    m_standIn->addSampleBook(user, 10000, 50);
    const QStringList groups = m_standIn->groups(user);
    QCOMPARE(groups.size(), 50);
    // Names the group dialog saves unchanged.
    for (const QString &group : groups)
        QVERIFY2(GroupNameRules::isWellFormed(group), qPrintable(group));
    const QStringList nicks = m_standIn->contactNicks(user);
    QCOMPARE(nicks.size(), 10000);
    QSet<QString> names;
    QSet<QString> emails;
    QSet<QString> numbers;
    qsizetype phones = 0;
    for (const QString &nick : nicks) {
        const QJsonObject contact = m_standIn->contact(user, nick);
        const QString first = contact.value("firstName").toString().trimmed().toLower();
        const QString last = contact.value("lastName").toString().trimmed().toLower();
        QVERIFY(!first.isEmpty() && !last.isEmpty());
        names.insert(first + QLatin1Char('\n') + last);
        for (const QJsonValue email : contact.value("emails").toArray())
            emails.insert(email.toString());
        for (const QJsonValue phone : contact.value("phones").toArray()) {
            numbers.insert(phone["number"].toString());
            ++phones;
        }
    }
    QCOMPARE(names.size(), nicks.size());
    QCOMPARE(emails.size(), nicks.size());
    QCOMPARE(numbers.size(), phones);
    QCOMPARE(m_standIn->contact(user, "c00056").value("lastName").toString(), QStringLiteral("Lee-Ko"));
}

LINKORA_TEST_MAIN(TestWebserviceStandIn)
#include "tst_webservicestandin.moc"
