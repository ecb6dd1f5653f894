#include "yahoostandin.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QUrl>

namespace {

const QByteArray kFormType = QByteArrayLiteral("application/x-www-form-urlencoded;charset=\"utf-8\"");
const QByteArray kCookie = QByteArrayLiteral("B=session42");
const QString kRequestToken = QStringLiteral("reqtok");
const QString kRequestSecret = QStringLiteral("reqsecret");
const QString kAccessSecret = QStringLiteral("ts3cr3t");
const QString kVerifier = QStringLiteral("vf8k2x");
const QString kDone = QStringLiteral("https://api.login.test/oauth/v2/request_auth?oauth_token=reqtok");
const QString kRealm = QStringLiteral("yahooapis.test");

QStringList keysOf(const QList<QPair<QString, QString>> &fields)
{
    QStringList keys;
    for (const auto &field : fields)
        keys << field.first;
    return keys;
}

QByteArray errorPage(const QByteArray &form)
{
    return "<html><body><div class=\"yregertxt\">Invalid ID or password.</div>" + form + "</body></html>";
}

} // namespace

YahooStandIn::YahooStandIn(QObject *parent)
    : ProviderStandIn(parent)
{ }

void YahooStandIn::setAccount(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
}

QJsonObject YahooStandIn::contact(const QList<QPair<QString, QJsonValue>> &fields)
{
    QJsonArray array;
    for (const auto &field : fields)
        array.append(
            QJsonObject {{QStringLiteral("type"), field.first}, {QStringLiteral("value"), field.second}});
    return QJsonObject {{QStringLiteral("fields"), array}};
}

YahooEndpoints YahooStandIn::endpoints() const
{
    YahooEndpoints endpoints;
    endpoints.requestToken = QUrl(origin() + QStringLiteral("/oauth/v2/get_request_token"));
    endpoints.accessToken = QUrl(origin() + QStringLiteral("/oauth/v2/get_token"));
    endpoints.contactList = origin() + QStringLiteral("/v1/user/%1/contacts;count=max");
    endpoints.realm = kRealm;
    endpoints.mailDomain = QStringLiteral("yahoo.test");
    endpoints.consumerKey = ConsumerKey;
    endpoints.consumerSecret = ConsumerSecret;
    endpoints.credentialHosts = QStringList {host()};
    return endpoints;
}

ProviderStandIn::Answer YahooStandIn::answer(const Request &request)
{
    const QString &path = request.path;
    if (path == QLatin1String("/oauth/v2/get_request_token"))
        return requestToken(request);
    if (path == QLatin1String("/login/start")) {
        if (m_redirectLoop)
            return redirect("again");
        return redirect((origin() + QStringLiteral("/login/hop")).toLatin1(),
                        {{QByteArrayLiteral("Set-Cookie"), kCookie + "; path=/"}});
    }
    if (path == QLatin1String("/login/again"))
        return redirect((origin() + QStringLiteral("/login/start?oauth_token=reqtok")).toLatin1());
    if (path == QLatin1String("/login/hop"))
        return redirect("form?.src=oauth&.done=" + QUrl::toPercentEncoding(kDone) + "&.pd=c%3D1");
    if (path == QLatin1String("/login/form"))
        return signInPage();
    if (path == QLatin1String("/login/verify"))
        return signIn(request);
    if (path == QLatin1String("/oauth/consent"))
        return redirect("consent2?oauth_token=reqtok");
    if (path == QLatin1String("/oauth/consent2"))
        return consentPage(request);
    if (path == QLatin1String("/oauth/grant"))
        return grant(request);
    if (path == QLatin1String("/oauth/v2/get_token"))
        return accessToken(request);
    if (path == QStringLiteral("/v1/user/%1/contacts;count=max").arg(Guid))
        return contactList(request);
    return text(404, "Not Found");
}

QString YahooStandIn::clockProblem(const Request &request)
{
    const qint64 timestamp = request.formValue(QStringLiteral("oauth_timestamp")).toLongLong();
    const qint64 nonce = request.formValue(QStringLiteral("oauth_nonce")).toLongLong();
    if (qAbs(timestamp - QDateTime::currentSecsSinceEpoch()) > 300)
        return QStringLiteral("timestamp out of range");
    if (nonce / 1000 < timestamp || nonce / 1000 > timestamp + 1)
        return QStringLiteral("nonce does not follow the timestamp");
    return QString();
}

ProviderStandIn::Answer YahooStandIn::requestToken(const Request &request)
{
    if (request.method != "POST" || request.header("Content-Type") != kFormType)
        return problem(QStringLiteral("request token: method or content type"));
    const QStringList keys = keysOf(request.formFields());
    const QStringList expected
        = {"oauth_nonce",     "oauth_timestamp", "oauth_consumer_key", "oauth_signature_method",
           "oauth_signature", "oauth_version",   "oauth_callback"};
    if (keys != expected)
        return problem(QStringLiteral("request token keys: ") + keys.join(QLatin1Char(',')));
    if (!request.body.contains("&oauth_signature=" + ConsumerSecret.toLatin1() + "%26&"))
        return problem(QStringLiteral("request token signature"));
    if (request.formValue(QStringLiteral("oauth_signature_method")) != QLatin1String("plaintext")
        || request.formValue(QStringLiteral("oauth_version")) != QLatin1String("1.0")
        || request.formValue(QStringLiteral("oauth_callback")) != QLatin1String("oob"))
        return problem(QStringLiteral("request token values"));
    if (const QString clock = clockProblem(request); !clock.isEmpty())
        return problem(clock);
    if (request.formValue(QStringLiteral("oauth_consumer_key")) != ConsumerKey)
        return text(401, "oauth_problem=consumer_key_rejected");
    const QByteArray signIn
        = (origin() + QStringLiteral("/login/start?oauth_token=") + kRequestToken).toLatin1();
    return text(200,
                "  oauth_token=" + kRequestToken.toLatin1() + "&oauth_token_secret="
                    + kRequestSecret.toLatin1() + "&oauth_expires_in=3600&xoauth_request_auth_url="
                    + QUrl::toPercentEncoding(signIn) + "&oauth_callback_confirmed=true\n");
}

ProviderStandIn::Answer YahooStandIn::signInPage() const
{
    const QByteArray page = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Sign in</title>
<script type="text/javascript">var page = {"step": 1};</script></head>
<body><div id="hdr"><a href="/help">Help</a>
<form id='search' action='https://127.0.0.1/search' method='get'><input type='text' name='q' value=''><input type='submit' value='Search'></form>
</div>
<div class="page">
<form method="post" action="ACTION" name="login_form" id="login_form" class="login">
  <input type="hidden" name=".tries" value="1">
  <input type="hidden" name=".src" value="oauth">
  <input type="hidden" name=".done" value="FORM-DONE-IS-REPLACED">
  <input type="hidden" name=".pd" value="FORM-PD-IS-REPLACED">
  <input type="hidden" id="challenge" value="abc&amp;123">
  <input type='hidden' name='.crumb' value='Q&#x2F;z&#61;'>
  <input type="text" name="login" id="username" data-name="ignored" value="prefilled" autocomplete="username">
  <input type="password" name="passwd" id="passwd" value="">
  <input type="checkbox" name=".persistent" checked>
  <input type="checkbox" name=".remember" value="unchecked">
  <input type="submit" name=".save" value="Sign In">
  <input type="submit" name=".help" value="Trouble signing in?">
</form>
<p class="note">New here? <a href='/signup'>Sign up</a> &copy; 2014</p>
</div></body></html>
)";
    return html(QByteArray(page).replace("ACTION", m_signInAction));
}

ProviderStandIn::Answer YahooStandIn::signIn(const Request &request)
{
    if (request.method != "POST" || request.header("Content-Type") != kFormType)
        return problem(QStringLiteral("sign-in: method or content type"));
    if (request.header("Cookie") != kCookie)
        return problem(QStringLiteral("sign-in without the session cookie"));
    if (request.query != ".src=oauth&.lang=en")
        return problem(QStringLiteral("sign-in action query: ") + QString::fromLatin1(request.query));
    const QList<QPair<QString, QString>> expected = {
        {".crumb", "Q/z="},   {".done", kDone},  {".pd", "c=1"},  {".persistent", "true"},
        {".save", "Sign In"}, {".src", "oauth"}, {".tries", "1"}, {"challenge", "abc&123"},
    };
    const QList<QPair<QString, QString>> fields = request.formFields();
    if (fields.mid(0, expected.size()) != expected
        || keysOf(fields.mid(expected.size())) != QStringList {"login", "passwd"}
        || !request.body.endsWith('&'))
        return problem(QStringLiteral("sign-in fields: ") + QString::fromLatin1(request.body));
    if (request.formValue(QStringLiteral("login")) != m_user
        || request.formValue(QStringLiteral("passwd")) != m_password)
        return html(errorPage("<form method=\"post\" action=\"/login/verify\"><input type=\"password\" "
                              "name=\"passwd\"></form>"));
    return redirect("/oauth/consent?oauth_token=" + kRequestToken.toLatin1());
}

ProviderStandIn::Answer YahooStandIn::consentPage(const Request &request)
{
    if (request.header("Cookie") != kCookie)
        return problem(QStringLiteral("consent page without the session cookie"));
    return html(R"(<html><head><title>Allow access</title></head><body>
<p>&quot;Halvetta Linkora&quot; would like to read your contacts.</p>
<form method="post" action="/oauth/grant" name="consent">
  <input type="hidden" name="crumb" value="cr-42">
  <input type="hidden" name="oauth_token" value="reqtok">
  <input type="hidden" name="done" value="oob">
  <input type="submit" name="agree" value="Agree">
  <input type="submit" name="deny" value="Not now">
</form></body></html>
)");
}

ProviderStandIn::Answer YahooStandIn::grant(const Request &request)
{
    if (request.header("Cookie") != kCookie || request.header("Content-Type") != kFormType)
        return problem(QStringLiteral("consent post: cookie or content type"));
    if (request.body != "agree=Agree&crumb=cr-42&done=oob&oauth_token=reqtok")
        return problem(QStringLiteral("consent body: ") + QString::fromLatin1(request.body));
    if (m_consentRefused)
        return html("<html><body><p>You have not allowed access.</p></body></html>");
    return html("<html><body><p>Your code:</p><span id=\"shortCode\" class='code'>" + kVerifier.toLatin1()
                + "</span><span>Copy it into the application.</span></body></html>");
}

ProviderStandIn::Answer YahooStandIn::accessToken(const Request &request)
{
    if (request.method != "POST" || request.header("Content-Type") != kFormType)
        return problem(QStringLiteral("access token: method or content type"));
    const QStringList keys = keysOf(request.formFields());
    const QStringList expected
        = {"oauth_consumer_key", "oauth_nonce", "oauth_signature", "oauth_signature_method",
           "oauth_timestamp",    "oauth_token", "oauth_verifier",  "oauth_version"};
    if (keys != expected || request.body.endsWith('&'))
        return problem(QStringLiteral("access token keys: ") + keys.join(QLatin1Char(',')));
    if (!request.body.contains(
            "&oauth_signature=" + (ConsumerSecret + QStringLiteral("%26") + kRequestSecret).toLatin1() + "&")
        || request.formValue(QStringLiteral("oauth_signature_method")) != QLatin1String("plaintext")
        || request.formValue(QStringLiteral("oauth_version")) != QLatin1String("1.0")
        || request.formValue(QStringLiteral("oauth_consumer_key")) != ConsumerKey)
        return problem(QStringLiteral("access token values"));
    if (const QString clock = clockProblem(request); !clock.isEmpty())
        return problem(clock);
    if (request.formValue(QStringLiteral("oauth_token")) != kRequestToken
        || request.formValue(QStringLiteral("oauth_verifier")) != kVerifier)
        return text(401, "oauth_problem=token_rejected");
    return text(200,
                "oauth_token=" + AccessToken.toLatin1() + "&oauth_token_secret=" + kAccessSecret.toLatin1()
                    + "&oauth_expires_in=3600&oauth_session_handle=sess1"
                      "&oauth_authorization_expires_in=86400&xoauth_yahoo_guid="
                    + Guid.toLatin1());
}

ProviderStandIn::Answer YahooStandIn::contactList(const Request &request)
{
    if (request.method != "GET" || request.query != "format=json")
        return problem(QStringLiteral("contact list query"));
    if (request.header("Accept") != "text/json;charset=\"utf-8\"")
        return problem(QStringLiteral("contact list Accept header"));
    const QString header = QString::fromLatin1(request.header("Authorization"));
    const QString prefix = QStringLiteral("OAuth realm=\"%1\",").arg(kRealm);
    if (!header.startsWith(prefix))
        return problem(QStringLiteral("Authorization: ") + header);
    QList<QPair<QString, QString>> params;
    for (const QString &item : header.mid(prefix.size()).split(QLatin1Char(','))) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        const QString value = item.mid(equals + 1);
        if (equals < 0 || value.size() < 2 || !value.startsWith(QLatin1Char('"'))
            || !value.endsWith(QLatin1Char('"')))
            return problem(QStringLiteral("Authorization item: ") + item);
        params.append({item.left(equals), value.mid(1, value.size() - 2)});
    }
    const QStringList expected
        = {"oauth_consumer_key", "oauth_nonce",   "oauth_signature_method", "oauth_timestamp",
           "oauth_token",        "oauth_version", "oauth_signature"};
    if (keysOf(params) != expected)
        return problem(QStringLiteral("Authorization keys: ") + keysOf(params).join(QLatin1Char(',')));
    QMap<QString, QString> values;
    for (const auto &param : params)
        values.insert(param.first, param.second);
    if (values.value(QStringLiteral("oauth_consumer_key")) != ConsumerKey
        || values.value(QStringLiteral("oauth_signature_method")) != QLatin1String("HMAC-SHA1")
        || values.value(QStringLiteral("oauth_version")) != QLatin1String("1.0"))
        return problem(QStringLiteral("Authorization values"));
    if (values.value(QStringLiteral("oauth_token")) != AccessToken)
        return text(401, "{\"error\":{\"description\":\"Please provide valid credentials\"}}",
                    "application/json");

    QStringList pairs = {QStringLiteral("format=json")};
    for (const auto &param : params.mid(0, 6))
        pairs << param.first + QLatin1Char('=') + param.second;
    const QByteArray base = "GET&" + QUrl::toPercentEncoding(origin() + request.path) + '&'
        + QUrl::toPercentEncoding(pairs.join(QLatin1Char('&')));
    const QByteArray key = (ConsumerSecret + QLatin1Char('&') + kAccessSecret).toLatin1();
    const QByteArray signature = QUrl::toPercentEncoding(QString::fromLatin1(
        QMessageAuthenticationCode::hash(base, key, QCryptographicHash::Sha1).toBase64()));
    if (values.value(QStringLiteral("oauth_signature")).toLatin1() != signature)
        return text(401, "{\"error\":{\"description\":\"Signature invalid\"}}", "application/json");

    const QJsonObject document {{QStringLiteral("contacts"),
                                 QJsonObject {{QStringLiteral("start"), 0},
                                              {QStringLiteral("count"), m_contacts.size()},
                                              {QStringLiteral("total"), m_contacts.size()},
                                              {QStringLiteral("contact"), m_contacts}}}};
    return text(200, QJsonDocument(document).toJson(QJsonDocument::Compact),
                "application/json; charset=utf-8");
}
