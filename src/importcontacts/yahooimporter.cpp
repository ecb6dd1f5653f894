#include "importcontacts/yahooimporter.h"

#include "importcontacts/netutil.h"
#include "util/cappedreply.h"
#include "util/trace.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

namespace {

const QByteArray kFormType = QByteArrayLiteral("application/x-www-form-urlencoded;charset=\"utf-8\"");

bool isAlphanumeric(const QString &text)
{
    static const QRegularExpression alphanumeric(QStringLiteral("^[A-Za-z0-9]+$"));
    return alphanumeric.match(text).hasMatch();
}

QString pageOf(QNetworkReply *reply)
{
    return QString::fromLatin1(CappedReply::readBody(reply));
}

// "name=value" pairs in name order, each part percent-encoded.
QByteArray formBody(const QMap<QString, QString> &fields, bool trailingAmpersand)
{
    QByteArray body;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (!body.isEmpty())
            body += '&';
        body += NetUtil::pct(it.key()) + '=' + NetUtil::pct(it.value());
    }
    if (trailingAmpersand && !body.isEmpty())
        body += '&';
    return body;
}

QString composeAddress(const QJsonObject &value)
{
    const auto part = [&value](const char *key) {
        return NetUtil::jsonText(value.value(QLatin1String(key)));
    };
    QString address;
    if (const QString street = part("street"); !street.isEmpty())
        address += street + QStringLiteral(" st., ");
    for (const char *key : {"city", "stateOrProvince", "postalCode"}) {
        if (const QString text = part(key); !text.isEmpty())
            address += text + QStringLiteral(", ");
    }
    address += part("country");
    if (address.size() > 2 && address.at(address.size() - 2) == QLatin1Char(','))
        address.chop(2);
    return address;
}

ImportContact contactOf(const QJsonObject &entry, const QString &mailDomain)
{
    ImportContact contact;
    contact.type = ImportContact::Yahoo;
    QString yahooId;
    const QJsonArray fields = entry.value(QStringLiteral("fields")).toArray();
    for (const QJsonValue &item : fields) {
        const QJsonObject field = item.toObject();
        const QString type = NetUtil::jsonText(field.value(QStringLiteral("type")));
        const QJsonValue value = field.value(QStringLiteral("value"));
        const QString text = NetUtil::jsonText(value);
        if (type == QLatin1String("yahooid")) {
            if (yahooId.isEmpty())
                yahooId = text;
        } else if (type == QLatin1String("email")) {
            if (!text.isEmpty())
                contact.emails << text;
        } else if (type == QLatin1String("name")) {
            const QJsonObject name = value.toObject();
            const auto set = [&name](const char *key, QString &member) {
                if (const QString part = NetUtil::jsonText(name.value(QLatin1String(key))); !part.isEmpty())
                    member = part;
            };
            set("givenName", contact.firstName);
            set("middleName", contact.middleName);
            set("familyName", contact.lastName);
        } else if (type == QLatin1String("nickname")) {
            if (!text.isEmpty())
                contact.nickName = text;
        } else if (type == QLatin1String("phone")) {
            if (!text.isEmpty())
                contact.phones << text;
        } else if (type == QLatin1String("address")) {
            contact.address = composeAddress(value.toObject());
        }
    }
    if (contact.emails.isEmpty() && !yahooId.isEmpty())
        contact.emails << yahooId + QLatin1Char('@') + mailDomain;
    return contact;
}

} // namespace

YahooImporter::YahooImporter(QObject *parent)
    : YahooImporter(YahooEndpoints::configured(), parent)
{ }

YahooImporter::YahooImporter(const YahooEndpoints &endpoints, QObject *parent)
    : ContactImporter(parent)
    , m_endpoints(endpoints)
    , m_nowMs(&QDateTime::currentMSecsSinceEpoch)
    , m_consumerKey(endpoints.consumerKey)
    , m_consumerSecret(endpoints.consumerSecret)
{
    setCredentialHosts(endpoints.credentialHosts);
    connect(this, &ContactImporter::networkError, this, &YahooImporter::printError);
}

void YahooImporter::printError()
{
    TRACE << "Some error occurred";
}

void YahooImporter::startImportingContacts(const QString &user, const QString &password)
{
    beginChain();
    m_user = user;
    m_password = password;
    m_redirects = 0;
    if (m_consumerKey.isEmpty() || m_consumerSecret.isEmpty()) {
        TRACE_WARNING << "No consumer key is configured for Yahoo";
        endWithNetworkError(Failure::NotRegistered);
        return;
    }
    const QByteArray timestamp = QByteArray::number(m_nowMs() / 1000);
    const QByteArray nonce = QByteArray::number(m_nowMs());
    TRACE << "Requesting Access Token";
    TRACE << "1. START: make GET request for REQUEST TOKEN";
    emit progressUpdate(10);
    // PLAINTEXT with an empty token secret; the "&" is written as "%26".
    const QByteArray body = "oauth_nonce=" + nonce + "&oauth_timestamp=" + timestamp + "&oauth_consumer_key="
        + m_consumerKey.toLatin1() + "&oauth_signature_method=plaintext&oauth_signature="
        + m_consumerSecret.toLatin1() + "%26&oauth_version=1.0&oauth_callback=oob";
    postForm(m_endpoints.requestToken, body, &YahooImporter::finishedRequestTokenRequest);
}

void YahooImporter::postForm(const QUrl &action, const QByteArray &body, void (YahooImporter::*slot)())
{
    QNetworkRequest request(action);
    request.setHeader(QNetworkRequest::ContentTypeHeader, kFormType);
    if (QNetworkReply *const reply = post(request, body))
        connect(reply, &QNetworkReply::finished, this, slot);
}

void YahooImporter::finishedRequestTokenRequest()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        return;
    }
    const QString text = pageOf(reply).trimmed();
    m_token = NetUtil::getFormEncodedValue(text, QStringLiteral("oauth_token"));
    m_tokenSecret = NetUtil::getFormEncodedValue(text, QStringLiteral("oauth_token_secret"));
    const QUrl signInUrl(QUrl::fromPercentEncoding(
        NetUtil::getFormEncodedValue(text, QStringLiteral("xoauth_request_auth_url")).toLatin1()));
    // Both go back to the provider as they are.
    if (!NetUtil::isTokenText(m_token) || !NetUtil::isTokenText(m_tokenSecret) || !signInUrl.isValid()) {
        TRACE << "Request token answer without a usable token";
        endWithNetworkError(Failure::Unreadable);
        return;
    }
    emit progressUpdate(20);
    getUserLoginForm(signInUrl);
}

void YahooImporter::getUserLoginForm(const QUrl &url)
{
    TRACE << "3. Make GET request to xoauth_request_auth_url";
    if (QNetworkReply *const reply = get(QNetworkRequest(url)))
        connect(reply, &QNetworkReply::finished, this, &YahooImporter::onUserLoginFormRetrieved);
}

QUrl YahooImporter::redirectTarget(QNetworkReply *reply)
{
    const QByteArray location = reply->rawHeader("Location");
    if (location.isEmpty())
        return QUrl();
    return reply->url().resolved(QUrl::fromEncoded(location));
}

bool YahooImporter::countRedirect()
{
    if (++m_redirects <= MaxRedirects)
        return true;
    TRACE << "More than" << MaxRedirects << "redirects";
    endWithNetworkError(Failure::Unreadable);
    return false;
}

void YahooImporter::onUserLoginFormRetrieved()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        return;
    }
    // A page that names itself as its new location is read, not fetched again.
    const QUrl target = redirectTarget(reply);
    if (!target.isEmpty() && target != reply->url()) {
        if (!countRedirect())
            return;
        emit progressUpdate(40);
        getUserLoginForm(target);
        return;
    }

    const QString pageUrl = QString::fromLatin1(reply->url().toEncoded());
    const auto queryValue = [&pageUrl](const QString &key) {
        return QUrl::fromPercentEncoding(NetUtil::getFormEncodedValue(pageUrl, key).toLatin1());
    };
    const QString done = queryValue(QStringLiteral(".done"));
    const QString pd = queryValue(QStringLiteral(".pd"));

    const QString page = pageOf(reply);
    const QString marker = NetUtil::getLoginErrorMarker(page);
    if (!marker.isEmpty()) {
        // The sign-in page itself reports a problem: the provider wants
        // more than a user name and password.
        TRACE << marker;
        endWithNetworkError(Failure::SignInRefused);
        return;
    }
    const QString form = NetUtil::getLoginForm(page);
    if (form.isEmpty()) {
        TRACE << "No sign-in form on the page";
        endWithNetworkError(Failure::Unreadable);
        return;
    }
    const QUrl action = reply->url().resolved(QUrl(NetUtil::getFormAction(form)));
    QMap<QString, QString> fields = NetUtil::parseFormInputs(NetUtil::getInputs(form));
    fields.insert(QStringLiteral("login"), m_user);
    fields.insert(QStringLiteral("passwd"), m_password);
    fields.insert(QStringLiteral(".done"), done);
    fields.insert(QStringLiteral(".pd"), pd);
    emit progressUpdate(50);
    postForm(action, formBody(fields, true), &YahooImporter::finishedYahooAutoUserLogin);
}

void YahooImporter::finishedYahooAutoUserLogin()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        emit progressUpdate(0);
        return;
    }
    const QUrl target = redirectTarget(reply);
    if (!target.isEmpty()) {
        emit progressUpdate(60);
        m_redirects = 0;
        getAllowPage(target);
        return;
    }
    const QString marker = NetUtil::getLoginErrorMarker(pageOf(reply));
    if (!marker.isEmpty()) {
        TRACE << "ERROR:: " << marker;
        endWithLoginError();
        return;
    }
    TRACE << "Sign-in answered with neither a redirect nor an error";
    endWithNetworkError(Failure::Unreadable);
}

void YahooImporter::getAllowPage(const QUrl &url)
{
    TRACE << "8. Redirecting...";
    if (QNetworkReply *const reply = get(QNetworkRequest(url)))
        connect(reply, &QNetworkReply::finished, this, &YahooImporter::onAllowFormRetrieved);
}

void YahooImporter::onAllowFormRetrieved()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        return;
    }
    const QString page = pageOf(reply);
    TRACE << " << result size is " << page.size();
    const QUrl target = redirectTarget(reply);
    if (!target.isEmpty()) {
        if (countRedirect())
            getAllowPage(target);
        return;
    }
    const QString form = NetUtil::getForm(page);
    if (form.isEmpty()) {
        TRACE << "No consent form on the page";
        endWithNetworkError(Failure::Unreadable);
        return;
    }
    // Posted as the provider filled it: that grants the access asked for.
    const QUrl action = reply->url().resolved(QUrl(NetUtil::getFormAction(form)));
    const QMap<QString, QString> fields = NetUtil::parseFormInputs(NetUtil::getInputs(form));
    emit progressUpdate(70);
    postForm(action, formBody(fields, false), &YahooImporter::onVerifierCodePageReceived);
}

void YahooImporter::onVerifierCodePageReceived()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        return;
    }
    const QString page = pageOf(reply);
    TRACE << " << result size is " << page.size();
    TRACE << "11. Got Verifier code page";
    m_verifier = NetUtil::getShortCode(page);
    if (!isAlphanumeric(m_verifier)) {
        TRACE << "No verifier code on the page";
        endWithNetworkError(Failure::Unreadable);
        return;
    }
    requestAccessToken();
}

void YahooImporter::requestAccessToken()
{
    const QString timestamp = QString::number(m_nowMs() / 1000);
    const QString nonce = QString::number(m_nowMs());
    const QMap<QString, QString> params = {
        {QStringLiteral("oauth_consumer_key"), m_consumerKey},
        {QStringLiteral("oauth_signature_method"), QStringLiteral("plaintext")},
        {QStringLiteral("oauth_version"), QStringLiteral("1.0")},
        {QStringLiteral("oauth_verifier"), m_verifier},
        {QStringLiteral("oauth_token"), m_token},
        {QStringLiteral("oauth_timestamp"), timestamp},
        {QStringLiteral("oauth_nonce"), nonce},
        {QStringLiteral("oauth_signature"), m_consumerSecret + QStringLiteral("%26") + m_tokenSecret},
    };
    emit progressUpdate(80);
    // Values as held: the token and verifier were checked to need no encoding.
    postForm(m_endpoints.accessToken, NetUtil::buildParameterString(params, false).toLatin1(),
             &YahooImporter::onAccessTokenReceived);
}

void YahooImporter::onAccessTokenReceived()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        return;
    }
    const QString text = pageOf(reply).trimmed();
    TRACE << " << result size is " << text.size();
    m_token = NetUtil::getFormEncodedValue(text, QStringLiteral("oauth_token"));
    m_tokenSecret = NetUtil::getFormEncodedValue(text, QStringLiteral("oauth_token_secret"));
    m_sessionHandle = NetUtil::getFormEncodedValue(text, QStringLiteral("oauth_session_handle"));
    m_userGuid = NetUtil::getFormEncodedValue(text, QStringLiteral("xoauth_yahoo_guid"));
    // The identifier goes into the URL's path, the token into a header.
    if (!NetUtil::isTokenText(m_token) || !NetUtil::isTokenText(m_tokenSecret)
        || !isAlphanumeric(m_userGuid)) {
        TRACE << "Access token answer without a usable token or user";
        endWithNetworkError(Failure::Unreadable);
        return;
    }
    TRACE << "12. Got access token";
    doGetRequestForContactList();
}

YahooImporter::SignedRequest
YahooImporter::signContactListRequest(const QString &resourceUrl, const QString &realm,
                                      const QString &consumerKey, const QString &consumerSecret,
                                      const QString &token, const QString &tokenSecret, qint64 nowMs)
{
    const QMap<QString, QString> params = {
        {QStringLiteral("oauth_consumer_key"), consumerKey},
        {QStringLiteral("oauth_nonce"), QString::number(nowMs)},
        {QStringLiteral("oauth_signature_method"), QStringLiteral("HMAC-SHA1")},
        {QStringLiteral("oauth_timestamp"), QString::number(nowMs / 1000)},
        {QStringLiteral("oauth_token"), token},
        {QStringLiteral("oauth_version"), QStringLiteral("1.0")},
    };
    const QString parameters = QStringLiteral("format=json&") + NetUtil::buildParameterString(params, false);
    SignedRequest signedRequest;
    signedRequest.baseString
        = QString::fromLatin1("GET&" + NetUtil::pct(resourceUrl) + '&' + NetUtil::pct(parameters));
    signedRequest.signature = QString::fromLatin1(NetUtil::pct(
        NetUtil::hmacSha1(signedRequest.baseString, consumerSecret + QLatin1Char('&') + tokenSecret)));

    QString header = QStringLiteral("OAuth realm=\"%1\",").arg(realm);
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        header += QStringLiteral("%1=\"%2\",").arg(it.key(), it.value());
    header += QStringLiteral("oauth_signature=\"%1\"").arg(signedRequest.signature);
    signedRequest.authorization = header.toLatin1();
    return signedRequest;
}

void YahooImporter::doGetRequestForContactList()
{
    const QString resource = m_endpoints.contactList.arg(m_userGuid);
    const SignedRequest signedRequest = signContactListRequest(
        resource, m_endpoints.realm, m_consumerKey, m_consumerSecret, m_token, m_tokenSecret, m_nowMs());
    emit progressUpdate(90);
    QNetworkRequest request(QUrl(resource + QStringLiteral("?format=json")));
    request.setRawHeader("Authorization", signedRequest.authorization);
    request.setRawHeader("Accept", "text/json;charset=\"utf-8\"");
    TRACE << " >> url size is " << request.url().toString().size();
    TRACE << "13. Requesting contact list";
    if (QNetworkReply *const reply = get(request, FeedLimit))
        connect(reply, &QNetworkReply::finished, this, &YahooImporter::onContactListRequestFinished);
}

void YahooImporter::onContactListRequestFinished()
{
    QNetworkReply *const reply = finishedReply();
    if (!reply)
        return;
    if (!NetUtil::checkReplyIsOk(reply)) {
        endWithReplyError(reply);
        return;
    }
    TRACE << "14. Got contact list";
    const QByteArray body = CappedReply::readBody(reply);
    TRACE << " << result size is " << body.size();
    parseJsonToContactList(QString::fromUtf8(body));
}

void YahooImporter::parseJsonToContactList(const QString &json)
{
    clearContacts();
    TRACE << "15. parsing Json";
    if (!parseContacts(json, m_endpoints.mailDomain, m_contactList)) {
        TRACE << "The contact list is not JSON";
        endWithNetworkError(Failure::Unreadable);
        return;
    }
    TRACE << "contactList size: " << m_contactList.size();
    endFinished();
}

bool YahooImporter::parseContacts(const QString &json, const QString &mailDomain,
                                  QList<ImportContact> &contacts)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return false;
    const QJsonArray entries = document.object()
                                   .value(QStringLiteral("contacts"))
                                   .toObject()
                                   .value(QStringLiteral("contact"))
                                   .toArray();
    contacts.reserve(contacts.size() + entries.size());
    for (const QJsonValue &entry : entries)
        contacts << contactOf(entry.toObject(), mailDomain);
    return true;
}
