#ifndef UPDATETRANSPORT_H
#define UPDATETRANSPORT_H

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

class QNetworkReply;

// The rules every update request follows: https only, and at most
// MaxRedirects redirects, each of them to https again.
namespace UpdateTransport {

constexpr int MaxRedirects = 10;

bool isSecure(const QUrl &url);
// A GET of url under these rules.
QNetworkRequest request(const QUrl &url);
// Lets the reply follow a redirect only to https; any other target ends the
// reply (as cancelled) and sets its "refusal" property to why.
void guardRedirects(QNetworkReply *reply);
// Why guardRedirects() ended the reply; empty when it did not.
QString refusal(const QNetworkReply *reply);

} // namespace UpdateTransport

#endif // UPDATETRANSPORT_H
