#include "webservicestandin.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <iterator>
#include <optional>

namespace {

const QString kRoot = QStringLiteral("webservice-5.0");
const QByteArray kJsonType = QByteArrayLiteral("application/json;charset=\"utf-8\"");
const QByteArray kTextType = QByteArrayLiteral("text/plain;charset=utf-8");
const QString kClassPrefix = QStringLiteral("com.dravomesh.phone.integration.");
const QString kSipDomain = QStringLiteral("talk.linkora.test");

// Application error texts the client knows.
const QString kUserNotFound = QStringLiteral("User not found!");
const QString kInvalidParameters = QStringLiteral("Invalid parameters.");
const QString kNotOwner = QStringLiteral("The account does not belong to the user.");

struct Route
{
    QByteArray method;
    int segmentCount; // segments after the resource: 0 bare, 1 user form, 2 key form
};

// The resources the client sends to, with the record class of their answers.
struct Resource
{
    QString name;
    QString recordClass;
    QList<Route> routes;
};

const QList<Resource> &resources()
{
    static const QList<Resource> table = {
        {QStringLiteral("account"), QStringLiteral("Account"), {{"GET", 1}, {"PUT", 0}}},
        {QStringLiteral("balance"), QStringLiteral("Balance"), {{"GET", 1}}},
        {QStringLiteral("realTimeBalance"), QStringLiteral("Balance"), {{"GET", 1}}},
        {QStringLiteral("contact"),
         QStringLiteral("Contact"),
         {{"GET", 1}, {"GET", 2}, {"PUT", 2}, {"POST", 2}, {"DELETE", 2}}},
        {QStringLiteral("group"),
         QStringLiteral("Group"),
         {{"GET", 1}, {"PUT", 1}, {"POST", 2}, {"DELETE", 2}}},
        {QStringLiteral("onlineNumber"), QStringLiteral("OnlineNumber"), {{"GET", 1}}},
        {QStringLiteral("callForward"), QStringLiteral("CallForward"), {{"GET", 1}}},
        {QStringLiteral("invite"), QStringLiteral("Invite"), {{"PUT", 1}}},
        {QStringLiteral("sms"), QStringLiteral("SMS"), {{"PUT", 1}}},
    };
    return table;
}

const Resource *findResource(const QString &name)
{
    for (const Resource &resource : resources()) {
        if (resource.name == name)
            return &resource;
    }
    return nullptr;
}

// Base URLs the client is configured with but never sends to.
bool isUnserved(const QString &resource)
{
    static const QStringList names
        = {QStringLiteral("voiceMail"), QStringLiteral("bugReport"), QStringLiteral("call")};
    return names.contains(resource);
}

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Connect:
        return "CONNECT";
    case QHttpServerRequest::Method::Trace:
        return "TRACE";
    default:
        return "UNKNOWN";
    }
}

QString className(const QString &record)
{
    return kClassPrefix + record;
}

QByteArray toJson(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray toJson(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QByteArray applicationErrorBody(const QString &recordClass, const QString &message,
                                const WebserviceStandIn::FieldErrors &fieldErrors)
{
    QJsonArray errors;
    for (const auto &error : fieldErrors)
        errors.append(QJsonObject {{QStringLiteral("field"), error.first},
                                   {QStringLiteral("errorCode"), error.second}});
    return toJson(QJsonObject {{QStringLiteral("class"), className(recordClass)},
                               {QStringLiteral("errorMessage"), message},
                               {QStringLiteral("fieldErrors"), errors}});
}

QJsonObject groupRecord(const QString &name)
{
    return {{QStringLiteral("class"), className(QStringLiteral("Group"))}, {QStringLiteral("name"), name}};
}

bool isNonEmptyStringArray(const QJsonValue &value)
{
    const QJsonArray array = value.toArray();
    if (array.isEmpty())
        return false;
    for (const QJsonValue &item : array) {
        if (item.toString().isEmpty())
            return false;
    }
    return true;
}

// A family name made of a number from 1 on.
QString sampleFamilyName(int number)
{
    // One syllable per decimal digit: different numbers, different names.
    static const char *const syllables[] = {"ba", "ko", "li", "ma", "no", "ra", "su", "te", "vi", "zo"};
    QString name;
    for (const QChar digit : QString::number(number))
        name += QLatin1String(syllables[digit.digitValue()]);
    name[0] = name.at(0).toUpper();
    return name;
}

} // namespace

// Qt's abstract server hands us each parsed request with its socket; all
// routing is ours, so that path segments are decoded one by one.
class WebserviceStandIn::Server : public QAbstractHttpServer
{
public:
    explicit Server(WebserviceStandIn *owner)
        : QAbstractHttpServer(owner)
        , m_owner(owner)
    { }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        m_owner->handle(request, makeResponder(request, socket));
        return true;
    }

    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override { }

private:
    WebserviceStandIn *const m_owner;
};

bool WebserviceStandIn::Request::hasQueryItem(const QString &key) const
{
    for (const auto &item : queryItems) {
        if (item.first == key)
            return true;
    }
    return false;
}

QString WebserviceStandIn::Request::queryValue(const QString &key) const
{
    for (const auto &item : queryItems) {
        if (item.first == key)
            return item.second;
    }
    return {};
}

QByteArray WebserviceStandIn::Request::header(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

bool WebserviceStandIn::Match::matches(const Request &request) const
{
    return (resource.isEmpty() || resource == request.resource)
        && (method.isEmpty() || method == request.method);
}

WebserviceStandIn::WebserviceStandIn(QObject *parent)
    : QObject(parent)
    , m_server(new Server(this))
{
    qRegisterMetaType<WebserviceStandIn::Request>();
    m_clock.start();
}

WebserviceStandIn::~WebserviceStandIn()
{
    // Responders still waiting must go while their sockets exist.
    m_pending.clear();
}

bool WebserviceStandIn::listen(quint16 port)
{
    m_port = m_server->listen(QHostAddress::LocalHost, port);
    return m_port != 0;
}

QUrl WebserviceStandIn::baseUrl() const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(m_port);
    url.setPath(QLatin1Char('/') + kRoot);
    return url;
}

QString WebserviceStandIn::resourceBaseUrl(const QString &resource) const
{
    return baseUrl().toString() + QLatin1Char('/') + resource;
}

void WebserviceStandIn::addAccount(const QString &username, const QString &password)
{
    AccountData data;
    data.password = password;
    data.record = QJsonObject {
        {QStringLiteral("class"), className(QStringLiteral("Account"))},
        {QStringLiteral("companyId"), QString()},
        {QStringLiteral("country"), QString()},
        {QStringLiteral("emails"), QJsonArray()},
        {QStringLiteral("language"), QStringLiteral("en")},
        {QStringLiteral("lastName"), QString()},
        {QStringLiteral("firstName"), QString()},
        {QStringLiteral("username"), username},
        {QStringLiteral("sipDomain"), kSipDomain},
        {QStringLiteral("sipUser"), username},
        {QStringLiteral("sipPassword"), QStringLiteral("sip-") + username},
        {QStringLiteral("phones"), QJsonArray()},
    };
    m_accounts.insert(username, data);
    setBalance(username, 10.0, QStringLiteral("EUR"), QStringLiteral("€"));
}

bool WebserviceStandIn::hasAccount(const QString &username) const
{
    return m_accounts.contains(username);
}

QJsonObject WebserviceStandIn::account(const QString &username) const
{
    const AccountData *data = accountData(username);
    return data ? data->record : QJsonObject();
}

void WebserviceStandIn::setAccountField(const QString &username, const QString &key, const QJsonValue &value)
{
    if (AccountData *data = accountData(username))
        data->record.insert(key, value);
}

void WebserviceStandIn::setBalance(const QString &username, double credit, const QString &currency,
                                   const QString &currencySymbol)
{
    if (AccountData *data = accountData(username)) {
        data->balance = QJsonObject {{QStringLiteral("class"), className(QStringLiteral("Balance"))},
                                     {QStringLiteral("credit"), credit},
                                     {QStringLiteral("currency"), currency},
                                     {QStringLiteral("currencySymbol"), currencySymbol}};
    }
}

void WebserviceStandIn::addGroup(const QString &username, const QString &name)
{
    AccountData *data = accountData(username);
    if (data && !data->groups.contains(name))
        data->groups.append(name);
}

QStringList WebserviceStandIn::groups(const QString &username) const
{
    const AccountData *data = accountData(username);
    return data ? data->groups : QStringList();
}

void WebserviceStandIn::addContact(const QString &username, const QJsonObject &contact)
{
    if (AccountData *data = accountData(username)) {
        QJsonObject stored = contact;
        stored.insert(QStringLiteral("class"), className(QStringLiteral("Contact")));
        data->contacts.insert(contact.value(QStringLiteral("nick")).toString(), stored);
    }
}

QJsonObject WebserviceStandIn::contactRecord(const QString &nick, const QString &group,
                                             const QString &firstName, const QString &lastName,
                                             const QList<QPair<QString, QString>> &phones,
                                             const QStringList &emails, const QString &address)
{
    QJsonArray phoneList;
    for (const auto &phone : phones) {
        phoneList.append(QJsonObject {{QStringLiteral("class"), className(QStringLiteral("PhoneNumber"))},
                                      {QStringLiteral("type"), phone.first},
                                      {QStringLiteral("number"), phone.second}});
    }
    return {{QStringLiteral("class"), className(QStringLiteral("Contact"))},
            {QStringLiteral("nick"), nick},
            {QStringLiteral("groupName"), group},
            {QStringLiteral("firstName"), firstName},
            {QStringLiteral("lastName"), lastName},
            {QStringLiteral("addressLine1"), address},
            {QStringLiteral("emails"), QJsonArray::fromStringList(emails)},
            {QStringLiteral("phones"), phoneList}};
}

void WebserviceStandIn::addSampleBook(const QString &username, int contacts, int groups)
{
    static const char *const firstNames[]
        = {"Anna", "Zoë", "Łukasz", "Mehmet", "José", "Ingrid", "Chen", "Aoife"};
    static const char *const lastNames[] = {"Lee", "Novák", "García", "Okafor", "Müller", "Smith", "Tanaka"};
    static const char *const kinds[] = {"CELL", "HOME", "WORK"};
    if (contacts <= 0)
        return;
    groups = qMax(1, groups);
    for (int g = 0; g < groups; ++g)
        addGroup(username, QStringLiteral("Group_%1").arg(g + 1, 2, 10, QLatin1Char('0')));
    const int firstCount = int(std::size(firstNames));
    const int lastCount = int(std::size(lastNames));
    for (int i = 0; i < contacts; ++i) {
        QList<QPair<QString, QString>> phones;
        for (int p = 0; p <= i % 3; ++p)
            phones.append({QLatin1String(kinds[p]), QStringLiteral("+4930%1").arg(1000000 + i * 3 + p)});
        // No two contacts share a name, as no two people in one address book
        // would: the client takes a second one of the same name for the first.
        const QString first = QString::fromUtf8(firstNames[i % firstCount]);
        const int namesake = i / firstCount;
        QString last = QString::fromUtf8(lastNames[namesake % lastCount]);
        if (namesake >= lastCount)
            last += QLatin1Char('-') + sampleFamilyName(namesake / lastCount);
        addContact(username,
                   contactRecord(QStringLiteral("c%1").arg(i, 5, 10, QLatin1Char('0')),
                                 QStringLiteral("Group_%1").arg(i % groups + 1, 2, 10, QLatin1Char('0')),
                                 first, last, phones, {QStringLiteral("contact%1@example.org").arg(i)}));
    }
}

QJsonObject WebserviceStandIn::contact(const QString &username, const QString &nick) const
{
    const AccountData *data = accountData(username);
    return data ? data->contacts.value(nick) : QJsonObject();
}

QStringList WebserviceStandIn::contactNicks(const QString &username) const
{
    const AccountData *data = accountData(username);
    return data ? data->contacts.keys() : QStringList();
}

void WebserviceStandIn::addOnlineNumber(const QString &username, const QString &number,
                                        const QDateTime &expiration, const QString &status)
{
    if (AccountData *data = accountData(username)) {
        data->onlineNumbers.append(
            QJsonObject {{QStringLiteral("class"), className(QStringLiteral("OnlineNumber"))},
                         {QStringLiteral("number"), number},
                         {QStringLiteral("expirationDate"), expiration.toMSecsSinceEpoch()},
                         {QStringLiteral("status"), status}});
    }
}

void WebserviceStandIn::addCallForward(const QString &username, const QJsonObject &rule)
{
    if (AccountData *data = accountData(username)) {
        QJsonObject record = rule;
        record.insert(QStringLiteral("class"), className(QStringLiteral("CallForward")));
        data->callForwards.append(record);
    }
}

QList<QJsonObject> WebserviceStandIn::sentSms(const QString &username) const
{
    const AccountData *data = accountData(username);
    return data ? data->sms : QList<QJsonObject>();
}

QList<QJsonObject> WebserviceStandIn::invitations(const QString &username) const
{
    const AccountData *data = accountData(username);
    return data ? data->invites : QList<QJsonObject>();
}

void WebserviceStandIn::answerNextWithApplicationError(const QString &errorMessage,
                                                       const FieldErrors &fieldErrors, const Match &match)
{
    // The record class depends on the resource, so the body is made when the request is known.
    Steering steering;
    steering.match = match;
    steering.errorMessage = errorMessage;
    steering.fieldErrors = fieldErrors;
    steering.applicationError = true;
    m_answers.append(steering);
}

void WebserviceStandIn::answerNextWithStatus(int status, const Match &match)
{
    queueAnswer(match, {status, QByteArrayLiteral("Steered error"), kTextType});
}

void WebserviceStandIn::answerNextWithMalformedBody(const Match &match)
{
    queueAnswer(match, {200, malformedBody(), kJsonType});
}

void WebserviceStandIn::answerNextWithEmptyBody(int status, const Match &match)
{
    queueAnswer(match, {status, QByteArray(), kJsonType});
}

void WebserviceStandIn::answerNextTersely(int status, const Match &match)
{
    Steering steering;
    steering.match = match;
    steering.terse = true;
    steering.answer.status = status;
    m_answers.append(steering);
}

void WebserviceStandIn::answerNextWith(int status, const QByteArray &body, const Match &match)
{
    queueAnswer(match, {status, body, kJsonType});
}

void WebserviceStandIn::delayNext(int milliseconds, const Match &match)
{
    Steering steering;
    steering.match = match;
    steering.delay = milliseconds;
    m_delays.append(steering);
}

void WebserviceStandIn::holdNext(const Match &match)
{
    Steering steering;
    steering.match = match;
    steering.hold = true;
    m_delays.append(steering);
}

bool WebserviceStandIn::releaseHeld()
{
    while (!m_held.isEmpty()) {
        const quint64 serial = m_held.takeFirst();
        const auto it = m_pending.find(serial);
        if (it != m_pending.end() && it->second.socket) {
            sendPending(serial);
            return true;
        }
    }
    return false;
}

void WebserviceStandIn::answerNextTrickling(const QByteArray &body, int chunkSize, int interval, int status,
                                            const Match &match)
{
    Answer answer {status, body, kJsonType};
    answer.chunkSize = qMax(1, chunkSize);
    answer.interval = qMax(1, interval);
    queueAnswer(match, answer);
}

void WebserviceStandIn::answerNextEndless(int chunkSize, int interval, const Match &match)
{
    Answer answer {200, QByteArray(), kJsonType};
    answer.chunkSize = qMax(1, chunkSize);
    answer.interval = qMax(1, interval);
    answer.endless = true;
    queueAnswer(match, answer);
}

void WebserviceStandIn::dropNext(const Match &match)
{
    Answer answer;
    answer.drop = true;
    queueAnswer(match, answer);
}

void WebserviceStandIn::queueAnswer(const Match &match, const Answer &answer)
{
    Steering steering;
    steering.match = match;
    steering.answer = answer;
    m_answers.append(steering);
}

void WebserviceStandIn::clearSteering()
{
    m_answers.clear();
    m_delays.clear();
}

QByteArray WebserviceStandIn::malformedBody()
{
    return QByteArrayLiteral("{\"errorMessage\":\"cut off");
}

void WebserviceStandIn::handle(const QHttpServerRequest &httpRequest, QHttpServerResponder &&responder)
{
    const Request request = record(httpRequest);
    m_requests.append(request);
    emit requestReceived(request);

    const Answer reply = answer(request);

    int delay = 0;
    bool hold = false;
    for (int i = 0; i < m_delays.size(); ++i) {
        if (m_delays.at(i).match.matches(request)) {
            const Steering steering = m_delays.takeAt(i);
            delay = steering.delay;
            hold = steering.hold;
            break;
        }
    }
    if (delay <= 0 && !hold) {
        if (reply.chunkSize > 0)
            startStream(std::make_unique<QHttpServerResponder>(std::move(responder)), reply, request);
        else
            send(responder, reply, request);
        return;
    }

    // Answer later from the event loop; meanwhile the server keeps serving
    // other connections. A client that gives up takes its responder with it.
    Pending pending;
    pending.socket = responder.socket();
    pending.request = request;
    pending.answer = reply;
    const quint64 serial = request.serial;
    pending.disconnection = connect(pending.socket, &QTcpSocket::disconnected, this, [this, serial] {
        m_pending.erase(serial);
        markAbandoned(serial);
    });
    pending.responder = std::make_unique<QHttpServerResponder>(std::move(responder));
    m_pending.emplace(serial, std::move(pending));
    if (hold)
        m_held.append(serial);
    else
        QTimer::singleShot(delay, this, [this, serial] { sendPending(serial); });
}

WebserviceStandIn::Request WebserviceStandIn::record(const QHttpServerRequest &httpRequest)
{
    Request request;
    request.serial = m_nextSerial++;
    request.receivedAt = m_clock.elapsed();
    request.method = methodName(httpRequest.method());
    const QUrl url = httpRequest.url();
    request.encodedPath = url.path(QUrl::FullyEncoded);
    request.queryItems = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    request.headers = httpRequest.headers();
    request.body = httpRequest.body();

    // Decode segment by segment: an encoded "/" belongs to its segment.
    QStringList segments = request.encodedPath.split(QLatin1Char('/'));
    if (!segments.isEmpty() && segments.first().isEmpty())
        segments.removeFirst();
    for (QString &segment : segments)
        segment = QUrl::fromPercentEncoding(segment.toUtf8());
    if (segments.size() >= 2 && segments.first() == kRoot) {
        request.resource = segments.at(1);
        request.segments = segments.mid(2);
    }
    return request;
}

WebserviceStandIn::Answer WebserviceStandIn::answer(const Request &request)
{
    if (std::optional<Answer> rejection = reject(request))
        return *rejection;

    for (int i = 0; i < m_answers.size(); ++i) {
        if (!m_answers.at(i).match.matches(request))
            continue;
        const Steering steering = m_answers.takeAt(i);
        if (steering.terse) {
            Answer served = serve(request);
            if (served.status >= 200 && served.status <= 299)
                served = {steering.answer.status, QByteArray(), kJsonType};
            return served;
        }
        if (!steering.applicationError)
            return steering.answer;
        return {200,
                applicationErrorBody(findResource(request.resource)->recordClass, steering.errorMessage,
                                     steering.fieldErrors),
                kJsonType};
    }
    return serve(request);
}

WebserviceStandIn::Answer WebserviceStandIn::serve(const Request &request)
{
    const QString &resource = request.resource;
    if (resource == QLatin1String("account")) {
        if (request.method == "PUT")
            return createAccount(request);
        return {200, toJson(QJsonArray {accountData(request.user())->record}), kJsonType};
    }

    AccountData &data = *accountData(request.user());
    if (resource == QLatin1String("balance") || resource == QLatin1String("realTimeBalance"))
        return {200, toJson(QJsonArray {data.balance}), kJsonType};
    if (resource == QLatin1String("onlineNumber"))
        return {200, toJson(data.onlineNumbers), kJsonType};
    if (resource == QLatin1String("callForward"))
        return {200, toJson(data.callForwards), kJsonType};
    if (resource == QLatin1String("contact"))
        return serveContact(request, data);
    if (resource == QLatin1String("group"))
        return serveGroup(request, data);
    if (resource == QLatin1String("sms"))
        return serveSms(request, data);
    return serveInvite(request, data);
}

std::optional<WebserviceStandIn::Answer> WebserviceStandIn::reject(const Request &request) const
{
    const Resource *resource = findResource(request.resource);
    if (!resource) {
        if (isUnserved(request.resource))
            return Answer {501, QByteArrayLiteral("Not implemented"), kTextType};
        return Answer {404, QByteArrayLiteral("No such resource"), kTextType};
    }

    bool pathKnown = false;
    bool routeKnown = false;
    for (const Route &route : resource->routes) {
        if (route.segmentCount == request.segments.size()) {
            pathKnown = true;
            routeKnown = routeKnown || route.method == request.method;
        }
    }
    if (!pathKnown)
        return Answer {404, QByteArrayLiteral("No such path"), kTextType};
    if (!routeKnown)
        return Answer {405, QByteArrayLiteral("Method not allowed"), kTextType};

    if (request.header("Accept") != kJsonType)
        return Answer {400, QByteArrayLiteral("Accept must be ") + kJsonType, kTextType};
    if (request.header("Content-Type") != kJsonType)
        return Answer {400, QByteArrayLiteral("Content-Type must be ") + kJsonType, kTextType};
    if (request.header("osid").isEmpty())
        return Answer {400, QByteArrayLiteral("Missing osid"), kTextType};

    if (request.method == "PUT" || request.method == "POST") {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return Answer {400, QByteArrayLiteral("The body must be a JSON object"), kTextType};
    }

    // Creating an account needs no credentials.
    if (request.segments.isEmpty())
        return std::nullopt;

    const QString username = request.queryValue(QStringLiteral("username"));
    const QString password = request.queryValue(QStringLiteral("password"));
    const AccountData *data = accountData(username);
    const bool known = data && data->password == password;

    // The account service reports a failed sign-in in its answer, as the client expects.
    if (resource->name == QLatin1String("account")) {
        static const QRegularExpression appId(QStringLiteral("^[0-9a-f]{32}$"));
        auto error = [](const QString &message) {
            return Answer {200, applicationErrorBody(QStringLiteral("Account"), message, {}), kJsonType};
        };
        if (username.isEmpty() || password.isEmpty()
            || !appId.match(request.queryValue(QStringLiteral("appid"))).hasMatch())
            return error(kInvalidParameters);
        if (!known)
            return error(kUserNotFound);
        if (request.user() != username)
            return error(kNotOwner);
        return std::nullopt;
    }

    if (!known)
        return Answer {401, QByteArrayLiteral("Wrong user name or password"), kTextType};
    if (request.user() != username)
        return Answer {403, QByteArrayLiteral("Not your account"), kTextType};
    return std::nullopt;
}

WebserviceStandIn::Answer WebserviceStandIn::createAccount(const Request &request)
{
    const QJsonObject body = request.json().object();
    const QString username = body.value(QStringLiteral("username")).toString();
    const QString password = body.value(QStringLiteral("password")).toString();
    FieldErrors missing;
    if (username.isEmpty())
        missing.append({QStringLiteral("username"), QStringLiteral("required")});
    if (password.isEmpty())
        missing.append({QStringLiteral("password"), QStringLiteral("required")});
    if (!missing.isEmpty())
        return {200, applicationErrorBody(QStringLiteral("Account"), kInvalidParameters, missing), kJsonType};
    if (hasAccount(username)) {
        return {200,
                applicationErrorBody(QStringLiteral("Account"), QStringLiteral("User already exists."),
                                     {{QStringLiteral("username"), QStringLiteral("duplicate")}}),
                kJsonType};
    }

    addAccount(username, password);
    AccountData &data = *accountData(username);
    // Personal details come from the sign-up; credentials are the service's own.
    static const QStringList personal
        = {QStringLiteral("companyId"), QStringLiteral("country"),  QStringLiteral("emails"),
           QStringLiteral("language"),  QStringLiteral("lastName"), QStringLiteral("firstName"),
           QStringLiteral("phones")};
    for (const QString &key : personal) {
        if (body.contains(key))
            data.record.insert(key, body.value(key));
    }
    return {200, toJson(QJsonArray {data.record}), kJsonType};
}

WebserviceStandIn::Answer WebserviceStandIn::serveContact(const Request &request, AccountData &data)
{
    const QString recordClass = QStringLiteral("Contact");
    if (request.segments.size() == 1) {
        QJsonArray list;
        for (const QJsonObject &contact : std::as_const(data.contacts))
            list.append(contact);
        return {200, toJson(list), kJsonType};
    }

    const QString nick = request.key();
    const bool exists = data.contacts.contains(nick);
    if (request.method == "GET" || request.method == "DELETE" || request.method == "POST") {
        if (!exists)
            return {404, QByteArrayLiteral("No such contact"), kTextType};
    }
    if (request.method == "GET")
        return {200, toJson(data.contacts.value(nick)), kJsonType};
    if (request.method == "DELETE") {
        data.contacts.remove(nick);
        return {200, QByteArray(), kJsonType};
    }

    QJsonObject contact = request.json().object();
    const QJsonValue bodyNick = contact.value(QStringLiteral("nick"));
    if (nick.isEmpty()) {
        return {200,
                applicationErrorBody(recordClass, kInvalidParameters,
                                     {{QStringLiteral("nick"), QStringLiteral("required")}}),
                kJsonType};
    }
    if (!bodyNick.isUndefined() && bodyNick.toString() != nick) {
        return {200,
                applicationErrorBody(recordClass, kInvalidParameters,
                                     {{QStringLiteral("nick"), QStringLiteral("mismatch")}}),
                kJsonType};
    }
    contact.insert(QStringLiteral("class"), className(recordClass));
    contact.insert(QStringLiteral("nick"), nick);

    if (request.method == "POST") {
        data.contacts.insert(nick, contact);
        // The client reads an empty answer as "done".
        return {200, QByteArray(), kJsonType};
    }
    if (exists) {
        return {200,
                applicationErrorBody(recordClass, QStringLiteral("Contact already exists."),
                                     {{QStringLiteral("nick"), QStringLiteral("duplicate")}}),
                kJsonType};
    }
    data.contacts.insert(nick, contact);
    return {200, toJson(contact), kJsonType};
}

WebserviceStandIn::Answer WebserviceStandIn::serveGroup(const Request &request, AccountData &data)
{
    const QString recordClass = QStringLiteral("Group");
    if (request.method == "GET") {
        QJsonArray list;
        for (const QString &name : std::as_const(data.groups))
            list.append(groupRecord(name));
        return {200, toJson(list), kJsonType};
    }

    const QString oldName = request.key();
    if ((request.method == "POST" || request.method == "DELETE") && !data.groups.contains(oldName))
        return {404, QByteArrayLiteral("No such group"), kTextType};
    if (request.method == "DELETE") {
        // Its contacts are the client's to move or delete first.
        data.groups.removeAll(oldName);
        return {200, QByteArray(), kJsonType};
    }

    const QString name = request.json().object().value(QStringLiteral("name")).toString();
    if (name.isEmpty()) {
        return {200,
                applicationErrorBody(recordClass, kInvalidParameters,
                                     {{QStringLiteral("name"), QStringLiteral("required")}}),
                kJsonType};
    }
    if (data.groups.contains(name) && name != oldName) {
        return {200,
                applicationErrorBody(recordClass, QStringLiteral("Group already exists."),
                                     {{QStringLiteral("name"), QStringLiteral("duplicate")}}),
                kJsonType};
    }

    if (request.method == "PUT") {
        data.groups.append(name);
    } else {
        data.groups[data.groups.indexOf(oldName)] = name;
        for (QJsonObject &contact : data.contacts) {
            if (contact.value(QStringLiteral("groupName")).toString() == oldName)
                contact.insert(QStringLiteral("groupName"), name);
        }
    }
    return {200, toJson(groupRecord(name)), kJsonType};
}

WebserviceStandIn::Answer WebserviceStandIn::serveSms(const Request &request, AccountData &data)
{
    QJsonObject sms = request.json().object();
    FieldErrors errors;
    if (!isNonEmptyStringArray(sms.value(QStringLiteral("destinationNumbers"))))
        errors.append({QStringLiteral("destinationNumbers"), QStringLiteral("required")});
    if (sms.value(QStringLiteral("text")).toString().isEmpty())
        errors.append({QStringLiteral("text"), QStringLiteral("required")});
    if (!errors.isEmpty())
        return {200, applicationErrorBody(QStringLiteral("SMS"), kInvalidParameters, errors), kJsonType};
    sms.insert(QStringLiteral("class"), className(QStringLiteral("SMS")));
    data.sms.append(sms);
    return {200, toJson(sms), kJsonType};
}

WebserviceStandIn::Answer WebserviceStandIn::serveInvite(const Request &request, AccountData &data)
{
    QJsonObject invite = request.json().object();
    if (!isNonEmptyStringArray(invite.value(QStringLiteral("toEmails")))) {
        return {200,
                applicationErrorBody(QStringLiteral("Invite"), kInvalidParameters,
                                     {{QStringLiteral("toEmails"), QStringLiteral("required")}}),
                kJsonType};
    }
    invite.insert(QStringLiteral("class"), className(QStringLiteral("Invite")));
    data.invites.append(invite);
    return {200, toJson(invite), kJsonType};
}

void WebserviceStandIn::send(QHttpServerResponder &responder, const Answer &answer, Request request)
{
    if (answer.drop) {
        // Headers that promise a body, then the end of the connection: a
        // client resends a request whose connection closes before any answer.
        responder.writeStatusLine(QHttpServerResponder::StatusCode::Ok);
        responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArrayLiteral("100"));
        responder.writeBody(QByteArray());
        if (QTcpSocket *socket = responder.socket())
            socket->disconnectFromHost();
        markAbandoned(request.serial);
        return;
    }
    responder.write(answer.body, {{QByteArrayLiteral("Content-Type"), answer.contentType}},
                    static_cast<QHttpServerResponder::StatusCode>(answer.status));
    request.status = answer.status;
    request.answeredAt = m_clock.elapsed();
    for (Request &recorded : m_requests) {
        if (recorded.serial == request.serial) {
            recorded.status = request.status;
            recorded.answeredAt = request.answeredAt;
            break;
        }
    }
    emit requestAnswered(request);
}

void WebserviceStandIn::sendPending(quint64 serial)
{
    const auto it = m_pending.find(serial);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    disconnect(pending.disconnection);
    if (!pending.socket)
        return;
    if (pending.answer.chunkSize > 0)
        startStream(std::move(pending.responder), pending.answer, pending.request);
    else
        send(*pending.responder, pending.answer, pending.request);
}

void WebserviceStandIn::startStream(std::unique_ptr<QHttpServerResponder> responder, const Answer &answer,
                                    const Request &request)
{
    QPointer<QTcpSocket> socket = responder->socket();
    responder->writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.status));
    responder->writeHeader(QByteArrayLiteral("Content-Type"), answer.contentType);
    if (!answer.endless)
        responder->writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(answer.body.size()));
    responder->writeBody(QByteArray());

    // The responder stays with the timer, which feeds the socket directly
    // until the body is out or the client has gone.
    auto *timer = new QTimer(this);
    timer->setInterval(answer.interval);
    auto shared = std::make_shared<std::unique_ptr<QHttpServerResponder>>(std::move(responder));
    auto offset = std::make_shared<qsizetype>(0);
    const QByteArray filler(answer.chunkSize, ' ');
    const quint64 serial = request.serial;
    connect(timer, &QTimer::timeout, this, [this, timer, socket, shared, offset, filler, answer, serial] {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState) {
            markAbandoned(serial);
            shared->reset();
            timer->deleteLater();
            return;
        }
        if (answer.endless) {
            socket->write(filler);
            return;
        }
        socket->write(answer.body.mid(*offset, answer.chunkSize));
        *offset += answer.chunkSize;
        if (*offset >= answer.body.size()) {
            shared->reset();
            timer->deleteLater();
        }
    });
    timer->start();

    for (Request &recorded : m_requests) {
        if (recorded.serial == request.serial) {
            recorded.status = answer.status;
            recorded.answeredAt = m_clock.elapsed();
            break;
        }
    }
}

void WebserviceStandIn::markAbandoned(quint64 serial)
{
    for (Request &recorded : m_requests) {
        if (recorded.serial == serial)
            recorded.abandoned = true;
    }
}

WebserviceStandIn::AccountData *WebserviceStandIn::accountData(const QString &username)
{
    const auto it = m_accounts.find(username);
    return it == m_accounts.end() ? nullptr : &it.value();
}

const WebserviceStandIn::AccountData *WebserviceStandIn::accountData(const QString &username) const
{
    const auto it = m_accounts.constFind(username);
    return it == m_accounts.constEnd() ? nullptr : &it.value();
}
