#include "util/cappedreply.h"

#include "util/trace.h"

#include <QNetworkReply>
#include <QTimer>
#include <QVariant>

namespace {

const char *const kLimitProperty = "linkoraBodyLimit";
const char *const kExceededProperty = "linkoraBodyExceeded";
constexpr qint64 kReadSlack = 1024 * 1024;

void markExceeded(QNetworkReply *reply)
{
    reply->setProperty(kExceededProperty, true);
}

} // namespace

namespace CappedReply {

void cap(QNetworkReply *reply, qint64 limit, const std::function<void(const QString &)> &onExceeded,
         int headerDeadline)
{
    if (!reply || limit < 0)
        return;
    reply->setProperty(kLimitProperty, limit);
    // Qt stops reading from the network once this much waits unread; it
    // stops short of the size by up to one of its reads, so a body over the
    // limit must still get past it.
    reply->setReadBufferSize(limit + kReadSlack);
    const auto end = [reply, onExceeded](const QString &reason) {
        if (reply->property(kExceededProperty).toBool() || reply->isFinished())
            return;
        markExceeded(reply);
        if (onExceeded) {
            onExceeded(reason);
            return;
        }
        TRACE_WARNING << "Reply given up:" << reason;
        reply->abort();
    };
    const QString tooLarge = QStringLiteral("the body is larger than %1 bytes").arg(limit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [limit, end, tooLarge](qint64 received, qint64 total) {
                         if (received > limit || total > limit)
                             end(tooLarge);
                     });
    // Qt tells of progress at most every so often; with the buffer full no
    // more data, nor progress, would come until the time-out.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, limit, end, tooLarge] {
        if (reply->bytesAvailable() > limit)
            end(tooLarge);
    });
    if (headerDeadline > 0) {
        auto *const headerTimer = new QTimer(reply);
        headerTimer->setSingleShot(true);
        QObject::connect(headerTimer, &QTimer::timeout, reply, [end, headerDeadline] {
            end(QStringLiteral("no complete header block within %1 ms").arg(headerDeadline));
        });
        QObject::connect(reply, &QNetworkReply::metaDataChanged, headerTimer, &QTimer::stop);
        QObject::connect(reply, &QNetworkReply::finished, headerTimer, &QTimer::stop);
        // From the end of the request: an upload may take its time.
        QObject::connect(reply, &QNetworkReply::requestSent, headerTimer,
                         [headerTimer, headerDeadline] { headerTimer->start(headerDeadline); });
    }
}

qint64 limit(const QNetworkReply *reply)
{
    const QVariant value = reply ? reply->property(kLimitProperty) : QVariant();
    return value.isValid() ? value.toLongLong() : -1;
}

bool exceeded(const QNetworkReply *reply)
{
    if (!reply)
        return false;
    const qint64 max = limit(reply);
    return reply->property(kExceededProperty).toBool() || (max >= 0 && reply->bytesAvailable() > max);
}

QByteArray readBody(QNetworkReply *reply, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    if (!reply)
        return QByteArray();
    const qint64 max = limit(reply);
    if (max < 0)
        return reply->readAll();
    // One byte more than the limit tells a larger body apart.
    QByteArray body = reply->read(max + 1);
    if (body.size() > max || reply->property(kExceededProperty).toBool()) {
        markExceeded(reply);
        TRACE_WARNING << "Reply body over" << max << "bytes not read";
        if (tooLarge)
            *tooLarge = true;
        return QByteArray();
    }
    return body;
}

} // namespace CappedReply
