#include "importcontacts/netutil.h"

#include "util/trace.h"

#include <QJsonValue>
#include <QMessageAuthenticationCode>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrl>

namespace {

void printHeader(const QByteArray &name, const QByteArray &value)
{
    static const QList<QByteArray> secret = {"authorization", "cookie", "set-cookie", "proxy-authorization"};
    const bool masked = secret.contains(name.toLower());
    TRACE.noquote() << '"' + QString::fromLatin1(name) + QStringLiteral("\":")
                    << (masked ? TRACE_PASSWORD_MASK : QString::fromLatin1(value));
}

} // namespace

namespace NetUtil {

bool checkReplyIsOk(QNetworkReply *reply)
{
    if (!reply) {
        TRACE << "Reply is NULL";
        return false;
    }
    if (reply->error() == QNetworkReply::NoError)
        return true;
    // Not the error text: it quotes the address, tokens included, and the
    // server's own words.
    TRACE << "Request failed:" << reply->error();
    TRACE << "HTTP status:" << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return false;
}

bool isTokenText(const QString &text)
{
    static const QRegularExpression token(QStringLiteral("^[A-Za-z0-9._~+/=%-]+$"));
    return token.match(text).hasMatch();
}

QString jsonText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
    case QJsonValue::Bool:
        return value.toVariant().toString();
    default:
        return QString();
    }
}

QByteArray pct(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

QByteArray hmacSha1(const QByteArray &message, const QByteArray &key)
{
    return QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha1);
}

QString hmacSha1(const QString &message, const QString &key)
{
    return QString::fromLatin1(hmacSha1(message.toLatin1(), key.toLatin1()).toBase64());
}

QString normalizeUrl(const QString &url)
{
    const QUrl parsed(url);
    return parsed.scheme() + QStringLiteral("://") + parsed.host() + parsed.path();
}

QString buildParameterString(const QMap<QString, QString> &params, bool leaveOutOAuth)
{
    QStringList pairs;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (leaveOutOAuth && it.key().contains(QLatin1String("oauth")))
            continue;
        pairs << it.key() + QLatin1Char('=') + it.value();
    }
    return pairs.join(QLatin1Char('&'));
}

QString buildSignatureBaseString(const QString &method, const QString &url, QMap<QString, QString> params)
{
    params.remove(QStringLiteral("oauth_signature"));
    return QString::fromLatin1(pct(method) + '&' + pct(normalizeUrl(url)) + '&'
                               + pct(buildParameterString(params, false)));
}

QString signRequest(const QString &method, const QString &url, const QMap<QString, QString> &params,
                    const QString &consumerSecret, const QString &tokenSecret)
{
    const QString key = QString::fromLatin1(pct(consumerSecret) + '&' + pct(tokenSecret));
    return hmacSha1(buildSignatureBaseString(method, url, params), key);
}

QString buildOAuthHeader(const QMap<QString, QString> &params, const QString &realm)
{
    QString header = QStringLiteral("OAuth realm=\"%1\"").arg(realm);
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (it.key().contains(QLatin1String("oauth")))
            header += QStringLiteral(",%1=\"%2\"").arg(it.key(), it.value());
    }
    return header;
}

void printRequestHeaders(const QNetworkRequest &request)
{
    for (const QByteArray &name : request.rawHeaderList())
        printHeader(name, request.rawHeader(name));
}

void printResultHeaders(QNetworkReply *reply)
{
    if (!reply)
        return;
    for (const auto &pair : reply->rawHeaderPairs())
        printHeader(pair.first, pair.second);
}

} // namespace NetUtil
