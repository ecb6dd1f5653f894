#include "updatetransport.h"

#include "util/trace.h"

#include <QNetworkReply>
#include <QPointer>

namespace {

const char kRefusalProperty[] = "linkoraRefusal";

} // namespace

bool UpdateTransport::isSecure(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() && url.scheme().compare(QLatin1String("https")) == 0;
}

QNetworkRequest UpdateTransport::request(const QUrl &url)
{
    QNetworkRequest request(url);
    // Never from https to anything less; every request here starts on https.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    return request;
}

void UpdateTransport::guardRedirects(QNetworkReply *reply)
{
    QPointer<QNetworkReply> guarded(reply);
    QObject::connect(reply, &QNetworkReply::redirected, reply, [guarded](const QUrl &target) {
        if (!guarded)
            return;
        TRACE << "Redirecting to" << target.toString();
        if (isSecure(target))
            return;
        guarded->setProperty(kRefusalProperty, QStringLiteral("redirected to an address that is not https"));
        guarded->abort();
    });
}

QString UpdateTransport::refusal(const QNetworkReply *reply)
{
    return reply->property(kRefusalProperty).toString();
}
