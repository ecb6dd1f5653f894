#include "crashcollectorstandin.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr qsizetype kMaxRequest = 64 * 1024 * 1024;

QByteArray answer(int status, const QByteArray &reason, const QByteArray &body, const QByteArray &length)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason
        + "\r\nContent-Type: text/plain\r\nContent-Length: " + length + "\r\nConnection: close\r\n\r\n"
        + body;
}

} // namespace

QByteArray CrashCollectorStandIn::Request::header(const QByteArray &name) const
{
    for (const auto &pair : headers) {
        if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
            return pair.second;
    }
    return QByteArray();
}

CrashCollectorStandIn::CrashCollectorStandIn(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &CrashCollectorStandIn::onNewConnection);
}

CrashCollectorStandIn::~CrashCollectorStandIn() = default;

bool CrashCollectorStandIn::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

QUrl CrashCollectorStandIn::submitUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/submit").arg(m_server->serverPort()));
}

void CrashCollectorStandIn::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        m_pending.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void CrashCollectorStandIn::onReadyRead(QTcpSocket *socket)
{
    if (!m_pending.contains(socket))
        return;
    QByteArray &data = m_pending[socket];
    data += socket->readAll();
    const qsizetype headerEnd = data.indexOf("\r\n\r\n");
    if (headerEnd < 0 || data.size() > kMaxRequest)
        return;

    Request request;
    const QList<QByteArray> lines = data.left(headerEnd).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    qsizetype length = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = lines.at(i).left(colon).trimmed();
        const QByteArray value = lines.at(i).mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            length = value.toLongLong();
    }
    if (data.size() < headerEnd + 4 + length)
        return;
    request.body = data.mid(headerEnd + 4, length);
    m_requests.append(request);
    m_pending.remove(socket);

    switch (m_mode) {
    case Accept:
        socket->write(answer(200, "OK", kAcceptedAnswer, QByteArray::number(kAcceptedAnswer.size())));
        break;
    case Refuse:
        socket->write(answer(403, "Forbidden", "not wanted\n", "11"));
        break;
    case Fail:
        socket->write(answer(500, "Internal Server Error", "broken\n", "7"));
        break;
    case Stall:
        return;
    case ShortBody:
        socket->write(answer(200, "OK", "CrashI", "10"));
        break;
    case HugeLength:
        socket->write(answer(200, "OK", "CrashID=bp-", "99999999999"));
        break;
    }
    socket->flush();
    socket->disconnectFromHost();
}
