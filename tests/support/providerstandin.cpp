#include "providerstandin.h"

#include "testtls.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

class ProviderStandIn::Server : public QAbstractHttpServer
{
public:
    explicit Server(ProviderStandIn *owner)
        : QAbstractHttpServer(owner)
        , m_owner(owner)
    { }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        m_owner->handle(request, socket, makeResponder(request, socket));
        return true;
    }

    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override { }

private:
    ProviderStandIn *const m_owner;
};

QByteArray ProviderStandIn::Request::header(const QByteArray &name) const
{
    for (const auto &pair : headers) {
        if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
            return pair.second;
    }
    return QByteArray();
}

QList<QPair<QString, QString>> ProviderStandIn::Request::formFields() const
{
    QList<QPair<QString, QString>> fields;
    const QList<QByteArray> pairs = body.split('&');
    for (QByteArray pair : pairs) {
        if (pair.isEmpty())
            continue;
        pair.replace('+', ' ');
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = equals < 0 ? pair : pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        fields.append({QUrl::fromPercentEncoding(key), QUrl::fromPercentEncoding(value)});
    }
    return fields;
}

QString ProviderStandIn::Request::formValue(const QString &key) const
{
    for (const auto &field : formFields()) {
        if (field.first == key)
            return field.second;
    }
    return QString();
}

ProviderStandIn::ProviderStandIn(QObject *parent)
    : QObject(parent)
    , m_server(new Server(this))
{ }

ProviderStandIn::~ProviderStandIn()
{
    // Responders still waiting must go while their sockets exist.
    m_pending.clear();
}

bool ProviderStandIn::listen()
{
    if (!TestTls::credentials().isValid())
        return false;
    m_server->sslSetup(TestTls::serverConfiguration());
    m_port = m_server->listen(QHostAddress::LocalHost, 0);
    return m_port != 0;
}

QString ProviderStandIn::origin() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(m_port);
}

QStringList ProviderStandIn::requestLines() const
{
    QStringList lines;
    for (const Request &request : m_requests)
        lines << QString::fromLatin1(request.method) + QLatin1Char(' ') + request.path;
    return lines;
}

void ProviderStandIn::answerNext(const QString &path, const Answer &answer)
{
    m_next[path].append(answer);
}

ProviderStandIn::Answer ProviderStandIn::text(int status, const QByteArray &body,
                                              const QByteArray &contentType)
{
    return {status, {{QByteArrayLiteral("Content-Type"), contentType}}, body};
}

ProviderStandIn::Answer ProviderStandIn::html(const QByteArray &body)
{
    return text(200, body, QByteArrayLiteral("text/html; charset=utf-8"));
}

ProviderStandIn::Answer ProviderStandIn::redirect(const QByteArray &location, const Headers &extra)
{
    Answer answer = html("<html><body>Moved</body></html>");
    answer.status = 302;
    answer.headers.append({QByteArrayLiteral("Location"), location});
    answer.headers.append(extra);
    return answer;
}

ProviderStandIn::Answer ProviderStandIn::dropped()
{
    Answer answer;
    answer.drop = true;
    return answer;
}

ProviderStandIn::Answer ProviderStandIn::problem(const QString &what)
{
    m_problems << what;
    return text(400, what.toUtf8());
}

void ProviderStandIn::handle(const QHttpServerRequest &httpRequest, QTcpSocket *socket,
                             QHttpServerResponder &&responder)
{
    Request request;
    switch (httpRequest.method()) {
    case QHttpServerRequest::Method::Get:
        request.method = "GET";
        break;
    case QHttpServerRequest::Method::Post:
        request.method = "POST";
        break;
    default:
        request.method = "OTHER";
        break;
    }
    const QUrl url = httpRequest.url();
    request.path = url.path();
    request.query = url.query(QUrl::FullyEncoded).toLatin1();
    request.headers = httpRequest.headers();
    request.body = httpRequest.body();
    m_requests << request;

    QList<Answer> &queued = m_next[request.path];
    const Answer chosen = queued.isEmpty() ? answer(request) : queued.takeFirst();

    const quint64 serial = m_nextSerial++;
    m_pending[serial]
        = Pending {socket, std::make_unique<QHttpServerResponder>(std::move(responder)), chosen};
    if (m_delay > 0)
        QTimer::singleShot(m_delay, this, [this, serial] { send(serial); });
    else
        send(serial);
}

void ProviderStandIn::send(quint64 serial)
{
    const auto it = m_pending.find(serial);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    if (!pending.socket || pending.socket->state() != QAbstractSocket::ConnectedState)
        return;
    QHttpServerResponder &responder = *pending.responder;
    if (pending.answer.drop) {
        // A connection closed before any answer would be sent again.
        responder.writeStatusLine(QHttpServerResponder::StatusCode::Ok);
        responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArrayLiteral("100"));
        responder.writeBody(QByteArray());
        pending.socket->disconnectFromHost();
        return;
    }
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(pending.answer.status));
    for (const auto &header : qAsConst(pending.answer.headers))
        responder.writeHeader(header.first, header.second);
    responder.writeHeader(QByteArrayLiteral("Content-Length"),
                          QByteArray::number(pending.answer.body.size()));
    responder.writeBody(pending.answer.body);
}
