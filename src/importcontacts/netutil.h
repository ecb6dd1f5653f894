#ifndef IMPORTCONTACTS_NETUTIL_H
#define IMPORTCONTACTS_NETUTIL_H

#include "importcontacts/formscraper.h"

#include <QByteArray>
#include <QMap>
#include <QString>

class QJsonValue;
class QNetworkReply;
class QNetworkRequest;

// What the importers share besides page reading: the reply check, HMAC-SHA1
// and OAuth 1.0 signing, and header dumps for the trace.
namespace NetUtil {

// False, with a trace of the error code, for a null reply or one that ended
// in an error.
bool checkReplyIsOk(QNetworkReply *reply);

// Whether a token from a provider may go into a header or a body as it is:
// letters, digits and - . _ ~ + / = %.
bool isTokenText(const QString &text);

// A JSON value read where text is expected: a string as it is, a number or
// a boolean as its text, anything else empty.
QString jsonText(const QJsonValue &value);

// Percent-encoding of the UTF-8 text, all but A-Z a-z 0-9 - . _ ~.
QByteArray pct(const QString &text);

// HMAC-SHA1 (RFC 2104) of the bytes under the key, raw 20 bytes.
QByteArray hmacSha1(const QByteArray &message, const QByteArray &key);
// The same over the Latin-1 bytes of the texts, in Base64.
QString hmacSha1(const QString &message, const QString &key);

// Scheme "://" host path: no port, query or fragment, case kept.
QString normalizeUrl(const QString &url);
// "key=value" in key order joined by "&", unencoded; leaveOutOAuth drops the
// keys that contain "oauth".
QString buildParameterString(const QMap<QString, QString> &params, bool leaveOutOAuth);
// pct(method) "&" pct(normalized URL) "&" pct(parameter string), without
// any "oauth_signature" parameter.
QString buildSignatureBaseString(const QString &method, const QString &url, QMap<QString, QString> params);
// Base64 HMAC-SHA1 of the base string under pct(consumer secret) "&" pct(token secret).
QString signRequest(const QString &method, const QString &url, const QMap<QString, QString> &params,
                    const QString &consumerSecret, const QString &tokenSecret);
// OAuth realm="<realm>" followed by ,key="value" for each key holding "oauth".
QString buildOAuthHeader(const QMap<QString, QString> &params, const QString &realm);

// One trace line per header; credentials and cookies are masked.
void printRequestHeaders(const QNetworkRequest &request);
void printResultHeaders(QNetworkReply *reply);

} // namespace NetUtil

#endif // IMPORTCONTACTS_NETUTIL_H
