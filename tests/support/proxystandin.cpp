#include "proxystandin.h"

#include <QTcpSocket>

ProxyStandIn::ProxyStandIn(const QString &user, const QString &password, QObject *parent)
    : QObject(parent)
    , m_expected("Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64())
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            m_clients.insert(socket, Client());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        }
    });
}

ProxyStandIn::~ProxyStandIn()
{
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        it.key()->disconnect(this);
        if (it->upstream)
            it->upstream->disconnect(this);
    }
}

bool ProxyStandIn::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

void ProxyStandIn::drop(QTcpSocket *socket)
{
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    if (it->upstream) {
        it->upstream->disconnect(this);
        it->upstream->disconnectFromHost();
        it->upstream->deleteLater();
    }
    m_clients.erase(it);
    socket->deleteLater();
}

void ProxyStandIn::onReadyRead(QTcpSocket *socket)
{
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    if (it->upstream) {
        it->upstream->write(socket->readAll());
        return;
    }
    it->buffer += socket->readAll();
    const qsizetype end = it->buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray head = it->buffer.left(end);
    it->buffer.remove(0, end + 4);
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> request = lines.value(0).trimmed().split(' ');
    QByteArray authorization;
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare("Proxy-Authorization", Qt::CaseInsensitive) == 0)
            authorization = line.mid(colon + 1).trimmed();
    }
    if (request.value(0) != "CONNECT") {
        socket->write("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    m_authorizations << authorization;
    if (authorization != m_expected) {
        ++m_refusals;
        socket->write("HTTP/1.1 407 Proxy Authentication Required\r\n"
                      "Proxy-Authenticate: Basic realm=\"linkora-test\"\r\n"
                      "Content-Length: 0\r\n\r\n");
        return;
    }
    const QByteArray target = request.value(1);
    const qsizetype colon = target.lastIndexOf(':');
    const QByteArray host = target.left(colon);
    if (host != "127.0.0.1" && host != "localhost" && host != "update.test") {
        socket->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    ++m_tunnels;
    auto *upstream = new QTcpSocket(this);
    it->upstream = upstream;
    connect(upstream, &QTcpSocket::connected, this, [socket, upstream, this] {
        socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
        const auto client = m_clients.find(socket);
        if (client != m_clients.end() && !client->buffer.isEmpty())
            upstream->write(std::exchange(client->buffer, QByteArray()));
    });
    connect(upstream, &QTcpSocket::readyRead, this,
            [socket, upstream] { socket->write(upstream->readAll()); });
    connect(upstream, &QTcpSocket::disconnected, this, [socket] { socket->disconnectFromHost(); });
    upstream->connectToHost(QHostAddress::LocalHost, quint16(target.mid(colon + 1).toUInt()));
}
