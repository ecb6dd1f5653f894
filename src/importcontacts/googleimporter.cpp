#include "importcontacts/googleimporter.h"

#include "importcontacts/netutil.h"
#include "util/cappedreply.h"
#include "util/trace.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

const QByteArray kUserAgent = QByteArrayLiteral("GData-C++/1.0");
const QByteArray kGDataVersion = QByteArrayLiteral("3.0");
const QByteArray kFormType = QByteArrayLiteral("application/x-www-form-urlencoded;charset=\"utf-8\"");

QString textOf(const QJsonValue &object, const QString &key)
{
    return NetUtil::jsonText(object.toObject().value(key));
}

ImportContact contactOfEntry(const QJsonObject &entry)
{
    ImportContact contact;
    contact.type = ImportContact::Google;
    const QString email
        = textOf(entry.value(QStringLiteral("gd$email")).toArray().at(0), QStringLiteral("address"));
    if (!email.isEmpty())
        contact.emails << email;

    QString phone;
    const QJsonArray phones = entry.value(QStringLiteral("gd$phoneNumber")).toArray();
    for (qsizetype i = phones.size() - 1; i >= 0; --i) {
        const QJsonObject number = phones.at(i).toObject();
        if (number.contains(QStringLiteral("$t"))) {
            phone = NetUtil::jsonText(number.value(QStringLiteral("$t")));
            break;
        }
    }
    if (!phone.isEmpty())
        contact.phones << phone;

    const QJsonObject name = entry.value(QStringLiteral("gd$name")).toObject();
    contact.firstName = textOf(name.value(QStringLiteral("gd$givenName")), QStringLiteral("$t"));
    contact.lastName = textOf(name.value(QStringLiteral("gd$familyName")), QStringLiteral("$t"));
    return contact;
}

} // namespace

GoogleImporter::GoogleImporter(QObject *parent)
    : GoogleImporter(GoogleEndpoints::configured(), parent)
{ }

GoogleImporter::GoogleImporter(const GoogleEndpoints &endpoints, QObject *parent)
    : ContactImporter(parent)
    , m_endpoints(endpoints)
{
    setCredentialHosts(endpoints.credentialHosts);
}

void GoogleImporter::startImportingContacts(const QString &user, const QString &password)
{
    TRACE << "Importing Google contacts";
    beginChain();
    accessTokenRequest(user, password, QStringLiteral("HOSTED_OR_GOOGLE"),
                       QCoreApplication::applicationName(), QStringLiteral("cp"));
}

void GoogleImporter::accessTokenRequest(const QString &user, const QString &password,
                                        const QString &accountType, const QString &source,
                                        const QString &service)
{
    TRACE << "Requesting Access Token";
    TRACE << m_endpoints.signIn;
    QNetworkRequest request(m_endpoints.signIn);
    request.setRawHeader("Accept", "text/json;charset=\"utf-8\"");
    request.setHeader(QNetworkRequest::ContentTypeHeader, kFormType);
    request.setRawHeader("User-Agent", kUserAgent);
    request.setRawHeader("GData-Version", kGDataVersion);
    // Each value encoded: a password may hold "&", "+", "=" or "%".
    const QByteArray body = "Email=" + NetUtil::pct(user) + "&Passwd=" + NetUtil::pct(password)
        + "&accountType=" + NetUtil::pct(accountType) + "&source=" + NetUtil::pct(source)
        + "&service=" + NetUtil::pct(service);
    emit progressUpdate(10);
    if (QNetworkReply *const reply = post(request, body))
        connect(reply, &QNetworkReply::finished, this, &GoogleImporter::finishedAccessTokensRequest);
}

void GoogleImporter::finishedAccessTokensRequest()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    // The answer's lines decide, whatever the status (a refusal comes as
    // 403); without an HTTP answer there is nothing to read.
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        NetUtil::checkReplyIsOk(reply);
        endWithReplyError(reply);
        return;
    }
    bool refused = false;
    QString error;
    QString token;
    const QStringList lines = QString::fromLatin1(CappedReply::readBody(reply)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed();
        const QString value = equals < 0 ? QString() : line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Error")) {
            refused = true;
            error = value;
        } else if (key == QLatin1String("Auth")) {
            token = value;
        }
    }
    if (refused) {
        TRACE << "Sign-in refused:" << error;
        if (error == QLatin1String("BadAuthentication"))
            endWithLoginError();
        else
            endWithNetworkError(Failure::SignInRefused);
        return;
    }
    if (!NetUtil::isTokenText(token)) {
        TRACE << "No usable token in the sign-in answer";
        if (reply->error() == QNetworkReply::NoError)
            endWithNetworkError(Failure::Unreadable);
        else
            endWithReplyError(reply);
        return;
    }
    emit progressUpdate(20);
    contactListRequest(token);
}

void GoogleImporter::contactListRequest(const QString &token)
{
    TRACE << "Requesting Contact List";
    QUrl url = m_endpoints.contacts;
    const QString query = url.query(QUrl::FullyEncoded);
    url.setQuery(query.isEmpty() ? QStringLiteral("alt=json") : query + QStringLiteral("&alt=json"),
                 QUrl::StrictMode);
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", kUserAgent);
    request.setRawHeader("GData-Version", kGDataVersion);
    request.setRawHeader("Authorization", "GoogleLogin auth=" + token.toLatin1());
    TRACE << url;
    emit progressUpdate(30);
    if (QNetworkReply *const reply = get(request, FeedLimit))
        connect(reply, &QNetworkReply::finished, this, &GoogleImporter::finishedContactsRequest);
}

void GoogleImporter::finishedContactsRequest()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        return;
    }
    const QByteArray body = CappedReply::readBody(reply);
    TRACE << "Contact feed of" << body.size() << "bytes";
    emit progressUpdate(70);
    parseContactList(QString::fromUtf8(body));
}

void GoogleImporter::parseContactList(const QString &json)
{
    clearContacts();
    if (!parseFeed(json, m_contactList)) {
        TRACE << "Error parsing stuff";
        endWithNetworkError(Failure::Unreadable);
        return;
    }
    TRACE << "Contacts read:" << m_contactList.size();
    endFinished();
}

bool GoogleImporter::parseFeed(const QString &json, QList<ImportContact> &contacts)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return false;
    const QJsonArray entries
        = document.object().value(QStringLiteral("feed")).toObject().value(QStringLiteral("entry")).toArray();
    contacts.reserve(contacts.size() + entries.size());
    for (const QJsonValue &entry : entries)
        contacts << contactOfEntry(entry.toObject());
    return true;
}
