#include "rest/restrequest.h"

#include "rest/json.h"
#include "rest/restobj.h"
#include "util/cappedreply.h"
#include "util/installationidstore.h"
#include "util/trace.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

const QByteArray kJsonContentType = QByteArrayLiteral("application/json;charset=\"utf-8\"");
// Far more JSON values than a real record of a list holds.
constexpr qsizetype kValuesPerRecord = 100;

bool isPasswordKey(const QString &key)
{
    return key.contains(QLatin1String("password"), Qt::CaseInsensitive);
}

// Keys whose values are the service's own words, never the user's.
bool isServiceKey(const QString &key)
{
    static const QStringList keys {QStringLiteral("class"), QStringLiteral("errorMessage"),
                                   QStringLiteral("field"), QStringLiteral("errorCode"),
                                   QStringLiteral("code")};
    return keys.contains(key);
}

bool isProxyError(QNetworkReply::NetworkError error)
{
    return error >= QNetworkReply::ProxyConnectionRefusedError && error <= QNetworkReply::UnknownProxyError;
}

// Whether the request to url went out through a proxy: the manager's own, or
// the application's (which follows the system configuration when asked to).
bool goesThroughProxy(const QNetworkAccessManager *manager, const QUrl &url)
{
    const QHostAddress host(url.host());
    if (url.host() == QLatin1String("localhost") || host.isLoopback())
        return false; // Qt never sends these through a proxy
    QNetworkProxy proxy = manager->proxy();
    if (proxy.type() == QNetworkProxy::DefaultProxy) {
        const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
        proxy = proxies.isEmpty() ? QNetworkProxy(QNetworkProxy::NoProxy) : proxies.constFirst();
    }
    return proxy.type() != QNetworkProxy::NoProxy && proxy.type() != QNetworkProxy::DefaultProxy;
}

// Qt 6 reports a proxy that refuses the connection as a plain connection
// failure (HTTP) or an unknown network error (SOCKS5): through a proxy, the
// proxy is the only peer the program connects to.
bool isProxyFailure(const QNetworkAccessManager *manager, const QNetworkReply *reply)
{
    if (isProxyError(reply->error()))
        return true;
    const bool connectionFailure = reply->error() == QNetworkReply::ConnectionRefusedError
        || reply->error() == QNetworkReply::UnknownNetworkError;
    return connectionFailure && goesThroughProxy(manager, reply->url());
}

} // namespace

RestRequest::RestRequest(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    // A redirect would repeat the credentials of the query to another place.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(m_manager, &QNetworkAccessManager::finished, this, &RestRequest::onFinishRequest);
    connect(this, &RestRequest::finishedRequest, this, &RestRequest::onFinallyFinish);
}

RestRequest::~RestRequest() = default;

QString RestRequest::encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QUrl RestRequest::userUrl(const QString &base) const
{
    const QString user = encoded(m_username);
    return QUrl(base + QStringLiteral("/%1?username=%1&password=%2").arg(user, encoded(m_password)));
}

QUrl RestRequest::userKeyUrl(const QString &base, const QString &key) const
{
    const QString user = encoded(m_username);
    return QUrl(
        base + QStringLiteral("/%1/%2?username=%1&password=%3").arg(user, encoded(key), encoded(m_password)));
}

quint64 RestRequest::send(const QUrl &url, int method, const RestObj *body, int mode)
{
    if (method < Get || method > Delete) {
        TRACE_WARNING << "Unknown method code" << method << "- nothing sent";
        return 0;
    }

    QNetworkRequest request(url);
    request.setRawHeader(QByteArrayLiteral("Accept"), kJsonContentType);
    request.setHeader(QNetworkRequest::ContentTypeHeader, kJsonContentType);
    const QString installationId = m_installationIdStore ? m_installationIdStore->id() : QString();
    request.setRawHeader(QByteArrayLiteral("osid"), installationId.toUtf8());
    const bool slow = answersSlowly();
    const int headerDeadline = slow ? m_limits.slowHeaderDeadline : m_limits.headerDeadline;
    // Qt counts the wait for the answer as a transfer without progress.
    request.setTransferTimeout(slow ? qMax(m_transferTimeout, headerDeadline) : m_transferTimeout);

    QByteArray data;
    if (body && (method == Post || method == Put)) {
        bool ok = false;
        data = Json::serialize(body->toVariantMap(), ok);
        if (!ok) {
            TRACE_ERROR << "Cannot write the body of" << body->className() << "as JSON; request not sent";
            // Told as a request that never went out, whichever reply is
            // being handled around this call.
            const Sent previous = std::exchange(m_current, Sent {method, mode});
            emit requestError();
            emit writeFinished(false, QString());
            m_current = previous;
            return 0;
        }
    }

    QNetworkReply *reply = nullptr;
    switch (method) {
    case Get:
        reply = m_manager->get(request);
        break;
    case Post:
        reply = m_manager->post(request, data);
        break;
    case Put:
        reply = m_manager->put(request, data);
        break;
    case Delete:
        reply = m_manager->deleteResource(request);
        break;
    }
    const quint64 id = ++m_lastId;
    m_sent.insert(reply, Sent {method, mode, id});

    // The inactivity time-out alone lets a trickling or endless answer run
    // for ever, and Qt keeps all of it in memory.
    const bool list = expectsList(mode);
    const qint64 maxBody = list ? m_limits.listBodySize : m_limits.recordBodySize;
    const QPointer<RestRequest> self(this);
    CappedReply::cap(
        reply, maxBody,
        [self, reply](const QString &reason) {
            if (self)
                self->giveUp(reply, reason);
        },
        headerDeadline);
    const int deadline = list ? m_limits.listDeadline : m_limits.recordDeadline;
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, reply, deadline] {
        giveUp(reply, QStringLiteral("no whole answer within %1 ms").arg(deadline));
    });
    timer->start(deadline);
    return id;
}

void RestRequest::giveUp(QNetworkReply *reply, const QString &reason)
{
    const auto it = m_sent.find(reply);
    if (it == m_sent.end() || !it->givenUp.isEmpty())
        return;
    it->givenUp = reason;
    reply->abort();
}

void RestRequest::abandonWrites()
{
    QList<QNetworkReply *> writes;
    for (auto it = m_sent.begin(); it != m_sent.end(); ++it) {
        if (isWrite(it->method)) {
            it->abandoned = true;
            writes << it.key();
        }
    }
    // An abort may finish its reply at once, which takes it out of m_sent.
    for (QNetworkReply *reply : qAsConst(writes)) {
        TRACE << "Abandoning the request to" << traceableUrl(reply->url());
        reply->abort();
    }
}

void RestRequest::abortAll()
{
    // A copy: an aborted reply may finish, and leave the list, at once.
    const QList<QNetworkReply *> replies = m_sent.keys();
    for (QNetworkReply *reply : replies)
        reply->abort();
}

void RestRequest::onFinishRequest(QNetworkReply *reply)
{
    const Sent sent = m_sent.take(reply);
    reply->deleteLater();
    if (sent.abandoned)
        return;
    // A handler may spin an event loop that ends another reply meanwhile,
    // or delete this object.
    const Sent previous = std::exchange(m_current, sent);
    const QPointer<RestRequest> self(this);
    endReply(reply);
    if (self)
        m_current = previous;
}

void RestRequest::endReply(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    bool ok = false;
    bool parsed = false;

    if (!m_current.givenUp.isEmpty()) {
        TRACE << "Answer given up:" << m_current.givenUp;
        emit requestError();
    } else if (reply->error() != QNetworkReply::NoError) {
        const QString errorText = traceableErrorText(reply);
        TRACE << "Error =" << errorText << int(reply->error());
        if (isProxyFailure(m_manager, reply))
            emit proxyConnectionError(errorText);
        else
            emit requestError();
    } else if (status >= 300 && status <= 399) {
        TRACE << "Redirect not followed, status" << status;
        emit requestError();
    } else {
        bool tooLarge = false;
        const QByteArray body = CappedReply::readBody(reply, &tooLarge);
        if (tooLarge) {
            TRACE << "Answer given up: the body is larger than" << CappedReply::limit(reply) << "bytes";
            emit requestError();
            if (isWrite(m_current.method))
                emit writeFinished(false, QString());
            return;
        }
        emit finishedRequest(body, status);
        parsed = true;
        ok = isSuccess(status) && m_current.refusal.isEmpty();
    }
    if (isWrite(m_current.method))
        emit writeFinished(ok, m_current.refusal);
    else if (!parsed)
        emit readFailed(m_current.mode);
}

void RestRequest::onFinish(const QByteArray &, int) { }

bool RestRequest::expectsList(int) const
{
    return false;
}

bool RestRequest::answersSlowly() const
{
    return false;
}

void RestRequest::onFinallyFinish(const QByteArray &body, int status)
{
    onFinish(body, status);
}

QString RestRequest::bodyText(const QByteArray &body)
{
    return QString::fromUtf8(body.constData(), qstrnlen(body.constData(), body.size()));
}

QVariant RestRequest::parseBody(const QByteArray &body, bool &ok) const
{
    const QString text = bodyText(body);
    if (text.isEmpty()) {
        ok = false;
        return {};
    }
    const qsizetype maxValues
        = expectsList(replyMode()) ? qsizetype(m_limits.listRecords) * kValuesPerRecord : -1;
    return Json::parse(text, ok, maxValues);
}

QString RestRequest::traceableBody(const QByteArray &body)
{
    // Not the text: a body that does not parse may still hold names,
    // numbers, an SMS text or a password, cut anywhere.
    return QStringLiteral("%1 (%2 bytes)").arg(Trace::tag(bodyText(body))).arg(body.size());
}

bool RestRequest::fitsFieldLength(const QVariant &value) const
{
    switch (value.typeId()) {
    case QMetaType::QVariantList: {
        const QVariantList items = value.toList();
        return std::all_of(items.cbegin(), items.cend(),
                           [this](const QVariant &item) { return fitsFieldLength(item); });
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.key().size() > m_limits.fieldLength || !fitsFieldLength(it.value()))
                return false;
        }
        return true;
    }
    case QMetaType::QString:
        return value.toString().size() <= m_limits.fieldLength;
    default:
        return true;
    }
}

bool RestRequest::hasAny(const QVariantMap &map, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        const QVariant value = map.value(QLatin1String(key));
        switch (value.typeId()) {
        case QMetaType::QVariantList:
            if (!value.toList().isEmpty())
                return true;
            break;
        case QMetaType::QVariantMap:
            if (!value.toMap().isEmpty())
                return true;
            break;
        default:
            if (!value.toString().isEmpty())
                return true;
            break;
        }
    }
    return false;
}

void RestRequest::traceListCut(qsizetype kept)
{
    TRACE_WARNING << "Long list: only the first" << kept << "records taken";
}

void RestRequest::traceDropped(qsizetype dropped)
{
    TRACE_WARNING << dropped << "unusable records dropped";
}

QVariant RestRequest::traceableValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (isPasswordKey(it.key()))
                it.value() = TRACE_PASSWORD_MASK;
            else if (!isServiceKey(it.key()) || it.value().typeId() != QMetaType::QString)
                it.value() = traceableValue(it.value());
        }
        return map;
    }
    case QMetaType::QVariantList: {
        QVariantList list = value.toList();
        for (QVariant &item : list)
            item = traceableValue(item);
        return list;
    }
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
    case QMetaType::Bool:
        return value;
    default:
        return Trace::tag(value.toString());
    }
}

QString RestRequest::traceableUrl(const QUrl &url) const
{
    // From the account's own segment on: the user name, then the key, a
    // contact's nick (its name and number) or a group's name.
    QStringList segments = url.path(QUrl::FullyEncoded).split(QLatin1Char('/'));
    const int user = segments.indexOf(encoded(m_username));
    if (!m_username.isEmpty() && user >= 0) {
        for (int i = user; i < segments.size(); ++i)
            segments[i] = Trace::tag(QUrl::fromPercentEncoding(segments.at(i).toLatin1()));
    }
    QUrl bare = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemovePath);
    return bare.toString() + segments.join(QLatin1Char('/'));
}

QString RestRequest::traceableErrorText(const QNetworkReply *reply) const
{
    QString text = reply->errorString();
    const QUrl url = reply->url();
    const QString bare = traceableUrl(url);
    for (const QString &form : {url.toString(), QString::fromLatin1(url.toEncoded()), url.toDisplayString()})
        if (!form.isEmpty())
            text.replace(form, bare);
    // Whatever form of the URL Qt used that the above missed.
    static const QRegularExpression passwordValue(QStringLiteral("(password=)\\S*"));
    return text.replace(passwordValue, QStringLiteral("\\1") + TRACE_PASSWORD_MASK);
}
