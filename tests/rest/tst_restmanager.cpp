#include "rest/accountrequest.h"
#include "rest/json.h"
#include "rest/restmanager.h"
#include "rest/restrequest.h"
#include "resttesthelpers.h"
#include "settings/webserviceurls.h"
#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "util/installationidstore.h"
#include "util/trace.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kJsonType = QByteArrayLiteral("application/json;charset=\"utf-8\"");
const QString kUser = QStringLiteral("bob");
const QString kPassword = QStringLiteral("pw");

enum Operation {
    GetAccount,
    CreateAccount,
    GetBalance,
    GetLiveBalance,
    GetContacts,
    GetContact,
    AddContact,
    UpdateContact,
    DeleteContact,
    GetGroups,
    AddGroup,
    UpdateGroup,
    DeleteGroup,
    GetOnlineNumbers,
    SendInvitations,
    SendSMS,
};

Contact contact(const QString &nick, const QString &group)
{
    Contact contact;
    contact.setNick(nick);
    contact.setFirstName(QStringLiteral("Zoë"));
    contact.setGroupName(group);
    PhoneNumber phone;
    phone.setType(PhoneNumber::Cell);
    phone.setNumber(QStringLiteral("+4912345"));
    contact.setPhones({phone});
    return contact;
}

// Starts one operation with fixed arguments; returns the record it sends.
QByteArray run(RestManager &manager, int operation)
{
    switch (operation) {
    case GetAccount:
        manager.getAccount();
        return {};
    case CreateAccount: {
        Account account;
        account.setUsername(QStringLiteral("newbie"));
        account.setPassword(QStringLiteral("secret"));
        account.setFirstName(QStringLiteral("New"));
        manager.createAccount(account);
        return Json::serialize(account.toVariantMap());
    }
    case GetBalance:
        manager.getBalance();
        return {};
    case GetLiveBalance:
        manager.getLiveBalance();
        return {};
    case GetContacts:
        manager.getContacts();
        return {};
    case GetContact:
        manager.getContact(QStringLiteral("ann1"));
        return {};
    case AddContact: {
        const Contact added = contact(QStringLiteral("zoe1"), QStringLiteral("Work"));
        manager.addContact(added);
        return Json::serialize(added.toVariantMap());
    }
    case UpdateContact: {
        const Contact updated = contact(QStringLiteral("ann1"), QStringLiteral("Family"));
        manager.updateContact(updated);
        return Json::serialize(updated.toVariantMap());
    }
    case DeleteContact:
        manager.deleteContact(contact(QStringLiteral("ann1"), QStringLiteral("Work")));
        return {};
    case GetGroups:
        manager.getGroups();
        return {};
    case AddGroup: {
        const Group group(QStringLiteral("Friends"));
        manager.addGroup(group);
        return Json::serialize(group.toVariantMap());
    }
    case UpdateGroup: {
        const Group group(QStringLiteral("Office"));
        manager.updateGroup(QStringLiteral("Work"), group);
        return Json::serialize(group.toVariantMap());
    }
    case DeleteGroup:
        manager.deleteGroup(Group(QStringLiteral("Family")));
        return {};
    case GetOnlineNumbers:
        manager.getOnlineNumbers();
        return {};
    case SendInvitations: {
        Invite invite;
        invite.setFromEmail(QStringLiteral("bob@example.org"));
        invite.setToEmails({QStringLiteral("ann@example.org")});
        invite.setUserMessage(QStringLiteral("Viens !"));
        manager.sendInvitations(invite);
        return Json::serialize(invite.toVariantMap());
    }
    case SendSMS: {
        SMS sms;
        sms.setDestinationNumbers({QStringLiteral("+4912345")});
        sms.setText(QStringLiteral("Grüße"));
        manager.sendSMS(sms);
        return Json::serialize(sms.toVariantMap());
    }
    }
    return {};
}

// What the manager reports, in order: its signals by the record type or
// name, and the failures of its request objects, which it only traces.
class Recorder : public QObject
{
public:
    explicit Recorder(RestManager *manager)
    {
        auto named = [this](const char *name) {
            return [this, name] {
                record(QString::fromLatin1(name), {});
            };
        };
        auto typed = [this](const char *name) {
            return [this, name](const auto &value) {
                record(QString::fromLatin1(name), QVariant::fromValue(value));
            };
        };
        connect(manager, &RestManager::proxyConnectionError, this, named("proxyConnectionError"));
        connect(manager, qOverload<const Contact &>(&RestManager::requestFinished), this, typed("Contact"));
        connect(manager, qOverload<const QList<Contact> &>(&RestManager::requestFinished), this,
                typed("ContactList"));
        connect(manager, qOverload<const Account &>(&RestManager::requestFinished), this, typed("Account"));
        connect(manager, qOverload<const Balance &>(&RestManager::requestFinished), this, typed("Balance"));
        connect(manager, qOverload<const QList<Group> &>(&RestManager::requestFinished), this,
                typed("GroupList"));
        connect(manager, qOverload<const Group &>(&RestManager::requestFinished), this, typed("Group"));
        connect(manager, qOverload<const Invite &>(&RestManager::requestFinished), this, typed("Invite"));
        connect(manager, &RestManager::contactDeleted, this, named("contactDeleted"));
        connect(manager, &RestManager::contactUpdated, this, named("contactUpdated"));
        connect(manager, &RestManager::groupAdded, this, named("groupAdded"));
        connect(manager, &RestManager::accountRequestFailed, this, named("accountRequestFailed"));
        connect(manager, qOverload<const QList<OnlineNumber> &>(&RestManager::requestFinished), this,
                typed("OnlineNumberList"));
        connect(manager, &RestManager::smsRequestFinished, this, [this](quint64 id, const SMS &sms) {
            smsIds << id;
            record(QStringLiteral("SMS"), QVariant::fromValue(sms));
        });
        connect(manager, &RestManager::smsRequestFailed, this, [this](quint64 id) { smsIds << id; });

        const QList<RestRequest *> requests = manager->findChildren<RestRequest *>();
        for (RestRequest *request : requests) {
            connect(request, &RestRequest::requestError, this,
                    [this] { record(QStringLiteral("requestError"), {}); });
            // After the request object's own handling: counts a reply once all is said.
            const auto *network = request->findChild<QNetworkAccessManager *>();
            connect(network, &QNetworkAccessManager::finished, this, [this] { ++replies; });
        }
    }

    template<typename T>
    T last(const QString &name) const
    {
        const int index = events.lastIndexOf(name);
        return index < 0 ? T() : values.at(index).value<T>();
    }

    QStringList events;
    QVariantList values;
    // The sends the SMS answers and failures belong to, in order.
    QList<quint64> smsIds;
    int replies = 0;

private:
    void record(const QString &name, const QVariant &value)
    {
        events << name;
        values << value;
        TraceCapture::append(QStringLiteral("signal ") + name);
    }
};

QStringList keys(const WebserviceStandIn::Request &request)
{
    QStringList keys;
    for (const auto &item : request.queryItems)
        keys << item.first;
    return keys;
}

} // namespace

class TestRestManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void operations_data();
    void operations();
    void parsedRecords();
    void replyOutcomes_data();
    void replyOutcomes();
    void textIsDecodedOnceAsUtf8();
    void appidIsStableLowerCaseHex();
    void listArrivingAfterAChangeStillFillsTheBook();
    void newCredentialsReachEveryRequest();
    void failedAccountRequestIsTracedThenReported();
    void failedBalanceRequestIsOnlyTraced();
    void proxyFailureOfEveryRequest_data();
    void proxyFailureOfEveryRequest();
    void balancesArriveInReplyOrder();
    void smsAnswersCarryTheirOwnSend();
    void smsAnswerIsAwaitedLongerThanOthers();
    void listsAreCutAtTheirLimit();
    void repliesAreTracedWithoutPasswordsOrNames();

private:
    void waitForReplies(int count);

    InstallationIdStore m_idStore;
    std::unique_ptr<WebserviceStandIn> m_server;
    std::unique_ptr<WebserviceUrls> m_urls;
    std::unique_ptr<RestManager> m_manager;
    std::unique_ptr<Recorder> m_recorder;
};

void TestRestManager::initTestCase()
{
    m_idStore.load();
}

void TestRestManager::init()
{
    m_server = std::make_unique<WebserviceStandIn>();
    QVERIFY(m_server->listen());
    m_server->addAccount(kUser, kPassword);
    m_server->addGroup(kUser, QStringLiteral("Work"));
    m_server->addGroup(kUser, QStringLiteral("Family"));
    m_server->addContact(kUser,
                         QJsonObject {{QStringLiteral("nick"), QStringLiteral("ann1")},
                                      {QStringLiteral("groupName"), QStringLiteral("Work")},
                                      {QStringLiteral("firstName"), QStringLiteral("Ann")},
                                      {QStringLiteral("lastName"), QStringLiteral("Müller")}});
    m_server->addOnlineNumber(kUser, QStringLiteral("+4930123"), QDateTime(QDate(2030, 5, 17), QTime(0, 0)),
                              QStringLiteral("ACTIVE"));

    m_urls = std::make_unique<WebserviceUrls>(m_server->baseUrl());
    m_manager = std::make_unique<RestManager>();
    m_manager->setUrls(m_urls.get());
    m_manager->setInstallationIdStore(&m_idStore);
    m_manager->onUsernameChanged(kUser);
    m_manager->onPasswordChanged(kPassword);
    m_recorder = std::make_unique<Recorder>(m_manager.get());
}

void TestRestManager::cleanup()
{
    m_recorder.reset();
    m_manager.reset();
    m_urls.reset();
    m_server.reset();
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestRestManager::waitForReplies(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->replies, count, 5000);
}

void TestRestManager::operations_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QStringList>("segments");
    QTest::addColumn<QStringList>("queryKeys");
    QTest::addColumn<QStringList>("events");

    const QStringList user {kUser};
    const QStringList credentials {QStringLiteral("username"), QStringLiteral("password")};
    const QStringList none;

    QTest::newRow("getAccount") << int(GetAccount) << QByteArray("GET") << "account" << user
                                << (credentials + QStringList {QStringLiteral("appid")})
                                << QStringList {"Account"};
    QTest::newRow("createAccount") << int(CreateAccount) << QByteArray("PUT") << "account" << none << none
                                   << none;
    QTest::newRow("getBalance") << int(GetBalance) << QByteArray("GET") << "balance" << user << credentials
                                << QStringList {"Balance"};
    QTest::newRow("getLiveBalance") << int(GetLiveBalance) << QByteArray("GET") << "realTimeBalance" << user
                                    << credentials << QStringList {"Balance"};
    QTest::newRow("getContacts") << int(GetContacts) << QByteArray("GET") << "contact" << user << credentials
                                 << QStringList {"ContactList"};
    QTest::newRow("getContact") << int(GetContact) << QByteArray("GET") << "contact"
                                << QStringList {kUser, "ann1"} << credentials << QStringList {"Contact"};
    QTest::newRow("addContact") << int(AddContact) << QByteArray("PUT") << "contact"
                                << QStringList {kUser, "zoe1"} << credentials
                                << QStringList {"contactUpdated"};
    QTest::newRow("updateContact") << int(UpdateContact) << QByteArray("POST") << "contact"
                                   << QStringList {kUser, "ann1"} << credentials
                                   << QStringList {"contactDeleted"};
    QTest::newRow("deleteContact") << int(DeleteContact) << QByteArray("DELETE") << "contact"
                                   << QStringList {kUser, "ann1"} << credentials
                                   << QStringList {"contactDeleted"};
    QTest::newRow("getGroups") << int(GetGroups) << QByteArray("GET") << "group" << user << credentials
                               << QStringList {"GroupList"};
    QTest::newRow("addGroup") << int(AddGroup) << QByteArray("PUT") << "group" << user << credentials
                              << QStringList {"groupAdded", "Group"};
    QTest::newRow("updateGroup") << int(UpdateGroup) << QByteArray("POST") << "group"
                                 << QStringList {kUser, "Work"} << credentials << QStringList {"Group"};
    QTest::newRow("deleteGroup") << int(DeleteGroup) << QByteArray("DELETE") << "group"
                                 << QStringList {kUser, "Family"} << credentials << none;
    QTest::newRow("getOnlineNumbers") << int(GetOnlineNumbers) << QByteArray("GET") << "onlineNumber" << user
                                      << credentials << QStringList {"OnlineNumberList"};
    QTest::newRow("sendInvitations") << int(SendInvitations) << QByteArray("PUT") << "invite" << user
                                     << credentials << QStringList {"Invite"};
    QTest::newRow("sendSMS") << int(SendSMS) << QByteArray("PUT") << "sms" << user << credentials
                             << QStringList {"SMS"};
}

void TestRestManager::operations()
{
    QFETCH(int, operation);
    QFETCH(QByteArray, method);
    QFETCH(QString, resource);
    QFETCH(QStringList, segments);
    QFETCH(QStringList, queryKeys);
    QFETCH(QStringList, events);

    const QByteArray body = run(*m_manager, operation);
    waitForReplies(1);

    QCOMPARE(m_server->requests().size(), 1);
    const WebserviceStandIn::Request received = m_server->requests().constFirst();
    QCOMPARE(received.status, 200);
    QCOMPARE(received.method, method);
    QCOMPARE(received.resource, resource);
    QCOMPARE(received.segments, segments);
    QCOMPARE(keys(received), queryKeys);
    if (!queryKeys.isEmpty()) {
        QCOMPARE(received.queryValue(QStringLiteral("username")), kUser);
        QCOMPARE(received.queryValue(QStringLiteral("password")), kPassword);
    }
    QCOMPARE(received.header("Accept"), kJsonType);
    QCOMPARE(received.header("Content-Type"), kJsonType);
    QCOMPARE(received.header("osid"), m_idStore.id().toUtf8());
    QCOMPARE(received.body, body);
    QCOMPARE(m_recorder->events, events);
}

void TestRestManager::parsedRecords()
{
    m_manager->getAccount();
    m_manager->getBalance();
    m_manager->getContacts();
    m_manager->getGroups();
    m_manager->getOnlineNumbers();
    run(*m_manager, SendSMS);
    run(*m_manager, SendInvitations);
    waitForReplies(7);

    const Account account = m_recorder->last<Account>(QStringLiteral("Account"));
    QCOMPARE(account.username(), kUser);
    QCOMPARE(account.sipUser(), kUser);
    QCOMPARE(account.sipDomain(), QStringLiteral("talk.linkora.test"));
    QCOMPARE(account.sipPassword(), QStringLiteral("sip-bob"));
    QCOMPARE(account.language(), QStringLiteral("en"));

    const Balance balance = m_recorder->last<Balance>(QStringLiteral("Balance"));
    QCOMPARE(balance.credit(), 10.0);
    QCOMPARE(balance.currency(), QStringLiteral("EUR"));
    QCOMPARE(balance.currencySymbol(), QStringLiteral("€"));

    const QList<Contact> contacts = m_recorder->last<QList<Contact>>(QStringLiteral("ContactList"));
    QCOMPARE(contacts.size(), 1);
    QCOMPARE(contacts.constFirst().nick(), QStringLiteral("ann1"));
    QCOMPARE(contacts.constFirst().groupName(), QStringLiteral("Work"));
    QCOMPARE(contacts.constFirst().lastName(), QStringLiteral("Müller"));

    QStringList groupNames;
    for (const Group &group : m_recorder->last<QList<Group>>(QStringLiteral("GroupList")))
        groupNames << group.name();
    QCOMPARE(groupNames, (QStringList {QStringLiteral("Work"), QStringLiteral("Family")}));

    const QList<OnlineNumber> numbers
        = m_recorder->last<QList<OnlineNumber>>(QStringLiteral("OnlineNumberList"));
    QCOMPARE(numbers.size(), 1);
    QCOMPARE(numbers.constFirst().number(), QStringLiteral("+4930123"));
    QCOMPARE(numbers.constFirst().status(), QStringLiteral("ACTIVE"));
    QCOMPARE(numbers.constFirst().expirationDate(), QDate(2030, 5, 17));

    const SMS sms = m_recorder->last<SMS>(QStringLiteral("SMS"));
    QCOMPARE(sms.text(), QStringLiteral("Grüße"));
    QVERIFY(sms.errorMessage().isEmpty());
    QCOMPARE(m_server->sentSms(kUser).size(), 1);
    const Invite invite = m_recorder->last<Invite>(QStringLiteral("Invite"));
    QCOMPARE(invite.userMessage(), QStringLiteral("Viens !"));
    QCOMPARE(m_server->invitations(kUser).size(), 1);

    // The service's refusal travels inside the record.
    m_server->answerNextWithApplicationError(QStringLiteral("Invalid parameters."),
                                             {{QStringLiteral("text"), QStringLiteral("required")}});
    run(*m_manager, SendSMS);
    waitForReplies(8);
    const SMS refused = m_recorder->last<SMS>(QStringLiteral("SMS"));
    QCOMPARE(refused.errorMessage(), QStringLiteral("Invalid parameters."));
    QCOMPARE(refused.fieldErrors().size(), 1);
    QCOMPARE(refused.fieldErrors().constFirst().field, QStringLiteral("text"));
}

void TestRestManager::replyOutcomes_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("trace");

    const QByteArray empty;
    const QByteArray malformed = WebserviceStandIn::malformedBody();
    const QStringList nothing;
    const QStringList error {"requestError"};
    const QString noTrace;

    // Contacts: an empty, unparsable or null answer to a change means done.
    QTest::newRow("delete contact, 200 empty")
        << int(DeleteContact) << 200 << empty << QStringList {"contactDeleted"} << noTrace;
    QTest::newRow("delete contact, 500") << int(DeleteContact) << 500 << empty << error << "Error =";
    QTest::newRow("delete contact, 200 {}")
        << int(DeleteContact) << 200 << QByteArray("{}") << QStringList {"Contact"} << noTrace;
    QTest::newRow("update contact, 204")
        << int(UpdateContact) << 204 << empty << QStringList {"contactDeleted"} << "Cannot parse json: ";
    QTest::newRow("update contact, 200 record")
        << int(UpdateContact) << 200 << QByteArray(R"({"nick":"ann1"})") << QStringList {"Contact"}
        << noTrace;
    QTest::newRow("add contact, 200 {}")
        << int(AddContact) << 200 << QByteArray("{}") << QStringList {"contactUpdated"} << noTrace;
    QTest::newRow("add contact, 200 0")
        << int(AddContact) << 200 << QByteArray("0") << QStringList {"contactUpdated"} << noTrace;
    QTest::newRow("add contact, 200 null") << int(AddContact) << 200 << QByteArray("null")
                                           << QStringList {"contactDeleted"} << "Cannot parse json: ";
    QTest::newRow("add contact, 200 malformed")
        << int(AddContact) << 200 << malformed << QStringList {"contactDeleted"} << noTrace;
    QTest::newRow("get contact, 200 null")
        << int(GetContact) << 200 << QByteArray("null") << QStringList {"contactDeleted"} << noTrace;
    // Lists: anything but an array is an error and empties nothing.
    QTest::newRow("contact list, []")
        << int(GetContacts) << 200 << QByteArray("[]") << QStringList {"ContactList"} << "List size is < 0";
    QTest::newRow("contact list, error object")
        << int(GetContacts) << 200 << QByteArray(R"({"errorMessage":"Invalid parameters."})") << error
        << "Contact list expected";
    QTest::newRow("contact list, null") << int(GetContacts) << 200 << QByteArray("null") << error << noTrace;
    QTest::newRow("contact list, 200 empty") << int(GetContacts) << 200 << empty << error << noTrace;
    QTest::newRow("contact list, no usable record")
        << int(GetContacts) << 200
        << QByteArray(R"([{}, {"nick":"", "groupName":"Work"}, [], 7, "ann", null])") << error
        << "6 unusable records dropped";
    QTest::newRow("contact list, a number too long to be one")
        << int(GetContacts) << 200
        << "[{\"nick\":\"a\",\"phones\":[{\"number\":\"" + QByteArray(4097, '1') + "\"}]}]" << error
        << "1 unusable records dropped";
    QTest::newRow("group list, nameless") << int(GetGroups) << 200 << QByteArray(R"([{"name":""}, {}])")
                                          << error << "2 unusable records dropped";
    QTest::newRow("group list, []") << int(GetGroups) << 200 << QByteArray("[]") << QStringList {"GroupList"}
                                    << "List size is < 0";
    QTest::newRow("group list, {}") << int(GetGroups) << 200 << QByteArray("{}") << error
                                    << "Group list expected";
    QTest::newRow("group list, malformed") << int(GetGroups) << 200 << malformed << error << noTrace;
    QTest::newRow("numbers, []") << int(GetOnlineNumbers) << 200 << QByteArray("[]")
                                 << QStringList {"OnlineNumberList"} << "List size is == 0";
    QTest::newRow("numbers, {}") << int(GetOnlineNumbers) << 200 << QByteArray("{}") << error
                                 << "Number list expected";
    QTest::newRow("numbers, malformed")
        << int(GetOnlineNumbers) << 200 << malformed << error << "Can not parse json:";
    // Groups: an empty answer to a change is accepted silently; "null" is an answer.
    QTest::newRow("add group, 200 record") << int(AddGroup) << 200 << QByteArray(R"({"name":"Friends"})")
                                           << QStringList {"groupAdded", "Group"} << noTrace;
    QTest::newRow("add group, 201 empty")
        << int(AddGroup) << 201 << empty << nothing << "Can not parse json:";
    QTest::newRow("add group, 200 malformed") << int(AddGroup) << 200 << malformed << nothing << noTrace;
    QTest::newRow("add group, 500") << int(AddGroup) << 500 << empty << error << noTrace;
    QTest::newRow("delete group, 200 empty") << int(DeleteGroup) << 200 << empty << nothing << noTrace;
    QTest::newRow("delete group, 200 null")
        << int(DeleteGroup) << 200 << QByteArray("null") << QStringList {"Group"} << noTrace;
    QTest::newRow("update group, 200 record")
        << int(UpdateGroup) << 200 << QByteArray(R"({"name":"Office"})") << QStringList {"Group"} << noTrace;
    // Balances come as a list; anything else delivers nothing.
    QTest::newRow("balance, two") << int(GetBalance) << 200
                                  << QByteArray(R"([{"credit":1.5,"currency":"USD"},{"credit":7}])")
                                  << QStringList {"Balance"} << noTrace;
    QTest::newRow("balance, object") << int(GetBalance) << 200
                                     << QByteArray(R"({"errorMessage":"User not found!"})") << nothing
                                     << "User not found!";
    QTest::newRow("balance, []") << int(GetBalance) << 200 << QByteArray("[]") << nothing << noTrace;
    QTest::newRow("balance, 200 empty") << int(GetBalance) << 200 << empty << error << "Can not parse json: ";
    QTest::newRow("live balance, object")
        << int(GetLiveBalance) << 200 << QByteArray(R"({"credit":3})") << nothing << noTrace;
    QTest::newRow("live balance, malformed") << int(GetLiveBalance) << 200 << malformed << error << noTrace;
    // The account comes as an object or as a list of one.
    QTest::newRow("account, object") << int(GetAccount) << 200 << QByteArray(R"({"sipUser":"u1"})")
                                     << QStringList {"Account"} << "sipUser";
    QTest::newRow("account, array") << int(GetAccount) << 200 << QByteArray(R"([{"sipUser":"u1"}])")
                                    << QStringList {"Account"} << noTrace;
    QTest::newRow("account, malformed")
        << int(GetAccount) << 200 << malformed << QStringList {"accountRequestFailed", "requestError"}
        << "Can not parse json: ";
    QTest::newRow("account, 500") << int(GetAccount) << 500 << empty
                                  << QStringList {"accountRequestFailed", "requestError"} << noTrace;
    QTest::newRow("create account, 500") << int(CreateAccount) << 500 << empty
                                         << QStringList {"accountRequestFailed", "requestError"} << noTrace;
    QTest::newRow("invite, null") << int(SendInvitations) << 200 << QByteArray("null")
                                  << QStringList {"Invite"} << noTrace;
    QTest::newRow("invite, malformed")
        << int(SendInvitations) << 200 << malformed << error << "Invite: Can not parse json: ";
    QTest::newRow("sms, 200 empty") << int(SendSMS) << 200 << empty << error << "Can not parse json: ";
}

void TestRestManager::replyOutcomes()
{
    QFETCH(int, operation);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, events);
    QFETCH(QString, trace);

    TraceCapture capture;
    m_server->answerNextWith(status, body);
    run(*m_manager, operation);
    waitForReplies(1);
    QCOMPARE(m_server->requests().constFirst().status, status);
    QCOMPARE(m_recorder->events, events);
    if (!trace.isEmpty())
        QVERIFY2(!capture.lines().filter(trace).isEmpty(), qPrintable(capture.lines().join(u'\n')));
    if (events.contains(QLatin1String("Balance")))
        QCOMPARE(m_recorder->last<Balance>(QStringLiteral("Balance")).credit(), 1.5);
}

void TestRestManager::textIsDecodedOnceAsUtf8()
{
    // An escape and the raw UTF-8 bytes give the same text; a zero byte ends the body.
    QByteArray body = R"([{"name":"Caf\u00e9 \u20ac"},{"name":"Café €"}])";
    body.append('\0').append("[] trailing");
    m_server->answerNextWith(200, body);
    m_manager->getGroups();
    waitForReplies(1);
    const QList<Group> groups = m_recorder->last<QList<Group>>(QStringLiteral("GroupList"));
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.at(0).name(), QStringLiteral("Café €"));
    QCOMPARE(groups.at(1).name(), QStringLiteral("Café €"));

    // Fields once read as plain text too.
    m_server->answerNextWith(200, QByteArray(R"([{"firstName":"José","sipUser":"jos\u00e9"}])"));
    m_manager->getAccount();
    waitForReplies(2);
    const Account account = m_recorder->last<Account>(QStringLiteral("Account"));
    QCOMPARE(account.firstName(), QStringLiteral("José"));
    QCOMPARE(account.sipUser(), QStringLiteral("josé"));
}

void TestRestManager::appidIsStableLowerCaseHex()
{
    m_manager->getAccount();
    m_manager->getAccount();
    waitForReplies(2);
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{32}$"));
    const QString first = m_server->requests().at(0).queryValue(QStringLiteral("appid"));
    QVERIFY2(hex.match(first).hasMatch(), qPrintable(first));
    QCOMPARE(m_server->requests().at(1).queryValue(QStringLiteral("appid")), first);
    QCOMPARE(AccountRequest::appid(), first);
}

void TestRestManager::listArrivingAfterAChangeStillFillsTheBook()
{
    // At login the lists go out first; a change made meanwhile is answered first.
    m_server->delayNext(300, {QStringLiteral("contact"), "GET"});
    m_server->delayNext(300, {QStringLiteral("group"), "GET"});
    m_manager->getContacts();
    m_manager->getGroups();
    run(*m_manager, AddContact);
    run(*m_manager, AddGroup);
    waitForReplies(4);

    // The two changes go through different request objects: their order is the network's.
    QStringList changes = m_recorder->events.mid(0, 3);
    QVERIFY(changes.indexOf(QLatin1String("groupAdded")) < changes.indexOf(QLatin1String("Group")));
    changes.sort();
    QCOMPARE(changes, (QStringList {"Group", "contactUpdated", "groupAdded"}));
    QCOMPARE(m_recorder->events.size(), 5);
    QVERIFY(m_recorder->events.contains(QLatin1String("ContactList")));
    QVERIFY(m_recorder->events.contains(QLatin1String("GroupList")));
    QCOMPARE(m_recorder->last<QList<Contact>>(QStringLiteral("ContactList")).size(), 1);
    QCOMPARE(m_recorder->last<QList<Group>>(QStringLiteral("GroupList")).size(), 2);
}

void TestRestManager::newCredentialsReachEveryRequest()
{
    m_server->addAccount(QStringLiteral("carol"), QStringLiteral("c&p"));
    m_manager->onUsernameChanged(QStringLiteral("carol"));
    m_manager->onPasswordChanged(QStringLiteral("c&p"));
    const QList<int> operations = {GetAccount, GetBalance,       GetLiveBalance, GetContacts,
                                   GetGroups,  GetOnlineNumbers, SendSMS,        SendInvitations};
    for (int operation : operations)
        run(*m_manager, operation);
    waitForReplies(operations.size());

    QStringList resources;
    for (const WebserviceStandIn::Request &received : m_server->requests()) {
        resources << received.resource;
        QCOMPARE(received.user(), QStringLiteral("carol"));
        QCOMPARE(received.queryValue(QStringLiteral("username")), QStringLiteral("carol"));
        QCOMPARE(received.queryValue(QStringLiteral("password")), QStringLiteral("c&p"));
        QCOMPARE(received.status, 200);
    }
    resources.sort();
    QCOMPARE(resources,
             (QStringList {"account", "balance", "contact", "group", "invite", "onlineNumber",
                           "realTimeBalance", "sms"}));
    QVERIFY(!m_recorder->events.contains(QLatin1String("requestError")));
}

void TestRestManager::failedAccountRequestIsTracedThenReported()
{
    TraceCapture capture;
    m_server->answerNextWithStatus(503);
    m_manager->getAccount();
    waitForReplies(1);

    QStringList lines = capture.lines();
    lines.removeIf([](const QString &line) { return line == QLatin1String("signal requestError"); });
    const int received = lines.indexOf(QRegularExpression(QStringLiteral(".*Error received!.*")));
    QVERIFY2(received >= 0, qPrintable(lines.join(u'\n')));
    QVERIFY(lines.at(received + 1).contains(QLatin1String("AccountRequest")));
    QCOMPARE(lines.at(received + 2), QStringLiteral("signal accountRequestFailed"));
    QCOMPARE(m_recorder->events.count(QLatin1String("accountRequestFailed")), 1);
}

void TestRestManager::failedBalanceRequestIsOnlyTraced()
{
    TraceCapture capture;
    m_server->answerNextWithStatus(500);
    m_manager->getBalance();
    waitForReplies(1);
    QCOMPARE(m_recorder->events, QStringList {"requestError"});
    const int received = capture.lines().indexOf(QRegularExpression(QStringLiteral(".*Error received!.*")));
    QVERIFY(received >= 0);
    QVERIFY(capture.lines().at(received + 1).contains(QLatin1String("BalanceRequest")));
}

void TestRestManager::proxyFailureOfEveryRequest_data()
{
    QTest::addColumn<int>("operation");
    QTest::newRow("account") << int(GetAccount);
    QTest::newRow("balance") << int(GetBalance);
    QTest::newRow("live balance") << int(GetLiveBalance);
    QTest::newRow("contact") << int(AddContact);
    QTest::newRow("group") << int(GetGroups);
    QTest::newRow("online numbers") << int(GetOnlineNumbers);
    QTest::newRow("sms") << int(SendSMS);
    QTest::newRow("invite") << int(SendInvitations);
}

void TestRestManager::proxyFailureOfEveryRequest()
{
    QFETCH(int, operation);
    AuthenticatingProxy proxy;
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.serverPort()));
    // Qt never sends loopback addresses through a proxy.
    const WebserviceUrls remote(QUrl(QStringLiteral("http://webservice.invalid/webservice-5.0")));
    m_manager->setUrls(&remote);

    run(*m_manager, operation);
    waitForReplies(1);
    QCOMPARE(m_recorder->events, QStringList {"proxyConnectionError"});
    QCOMPARE(AuthenticatingProxy::requests(), 1);
}

void TestRestManager::listsAreCutAtTheirLimit()
{
    m_manager->setLimits({64 << 10, 32 << 20, 3, 4096, 60000, 300000});
    const QByteArray record = R"({"emails":["x@example.org"]},)";
    m_server->answerNextWith(200, "[" + record.repeated(4) + "{}]");
    m_manager->getContacts();
    waitForReplies(1);
    QCOMPARE(m_recorder->last<QList<Contact>>(QStringLiteral("ContactList")).size(), 3);

    // Far more values than such a list may hold are not even read.
    m_server->answerNextWith(200, "[" + record.repeated(100) + "{}]");
    m_manager->getContacts();
    waitForReplies(2);
    QCOMPARE(m_recorder->events, QStringList({"ContactList", "requestError"}));
}

void TestRestManager::balancesArriveInReplyOrder()
{
    // The stored balance is asked for first and answered last.
    m_server->delayNext(200, {QStringLiteral("balance"), {}});
    m_server->setBalance(kUser, 4.25, QStringLiteral("EUR"), QStringLiteral("€"));
    m_server->answerNextWith(200, R"([{"credit":2}])", {QStringLiteral("realTimeBalance"), {}});
    m_manager->getBalance();
    m_manager->getLiveBalance();
    waitForReplies(2);
    QCOMPARE(m_recorder->events, (QStringList {"Balance", "Balance"}));
    QCOMPARE(m_recorder->values.at(0).value<Balance>().credit(), 2.0);
    QCOMPARE(m_recorder->values.at(1).value<Balance>().credit(), 4.25);
}

void TestRestManager::smsAnswersCarryTheirOwnSend()
{
    // The same text three times: the first answered last, the second failing.
    SMS sms;
    sms.setDestinationNumbers({QStringLiteral("+4912345")});
    sms.setText(QStringLiteral("Same"));
    const WebserviceStandIn::Match match {QStringLiteral("sms")};
    m_server->delayNext(400, match);
    const quint64 first = m_manager->sendSMS(sms);
    QVERIFY(QTest::qWaitFor([this] { return m_server->requests().size() == 1; }, 5000));
    m_server->answerNextWithStatus(500, match);
    const quint64 second = m_manager->sendSMS(sms);
    QTRY_COMPARE(m_recorder->smsIds, QList<quint64> {second});
    const quint64 third = m_manager->sendSMS(sms);
    waitForReplies(3);

    QCOMPARE(QSet<quint64>({first, second, third}).size(), 3);
    QVERIFY(!QList<quint64>({first, second, third}).contains(0));
    QCOMPARE(m_recorder->smsIds, (QList<quint64> {second, third, first}));
    QCOMPARE(m_recorder->events.count(QLatin1String("SMS")), 2);
}

// The service answers an SMS once its gateway has taken the message: the
// answer is awaited well past the time any other request is given.
void TestRestManager::smsAnswerIsAwaitedLongerThanOthers()
{
    RestRequest::Limits limits;
    limits.headerDeadline = 300;
    m_manager->setLimits(limits);
    const WebserviceStandIn::Match balance {QStringLiteral("balance")};
    m_server->holdNext({QStringLiteral("sms")});
    m_server->holdNext(balance);
    m_server->holdNext(balance);
    run(*m_manager, SendSMS);
    QVERIFY(QTest::qWaitFor([this] { return m_server->requests().size() == 1; }, 5000));
    // Two balances given up one after the other, each without its answer.
    m_manager->getBalance();
    waitForReplies(1);
    m_manager->getBalance();
    waitForReplies(2);
    QCOMPARE(m_recorder->events, (QStringList {"requestError", "requestError"}));
    QVERIFY(m_recorder->smsIds.isEmpty());

    // All the while the SMS waited for its answer.
    QVERIFY(QTest::qWaitFor(
        [this] {
            m_server->releaseHeld();
            return !m_recorder->smsIds.isEmpty();
        },
        5000));
    QCOMPARE(m_recorder->events, (QStringList {"requestError", "requestError", "SMS"}));
}

void TestRestManager::repliesAreTracedWithoutPasswordsOrNames()
{
    TraceCapture capture;
    m_server->answerNextWith(
        200, R"({"username":"bob","firstName":"Zebulon","password":"s3cret","sipPassword":"s1p"})");
    m_manager->getAccount();
    m_server->answerNextWith(200, R"({"password":"s3cret","sipPassword":"s1p","lastName":"Quixote")");
    m_manager->getAccount();
    waitForReplies(2);

    const QStringList lines = capture.lines();
    QVERIFY2(lines.filter(QStringLiteral("********")).size() >= 1, qPrintable(lines.join(u'\n')));
    QVERIFY2(lines.filter(Trace::tag(QStringLiteral("Zebulon"))).size() >= 1, qPrintable(lines.join(u'\n')));
    for (const QString &line : lines) {
        for (const char *secret : {"s3cret", "s1p", "Zebulon", "Quixote"})
            QVERIFY2(!line.contains(QLatin1String(secret)), qPrintable(line));
    }
    // The record itself keeps what the service sent.
    QCOMPARE(m_recorder->last<Account>(QStringLiteral("Account")).sipPassword(), QStringLiteral("s1p"));
}

LINKORA_TEST_MAIN(TestRestManager)
#include "tst_restmanager.moc"
