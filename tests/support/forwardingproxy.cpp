#include "support/forwardingproxy.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

// One client connection. Its requests go upstream one at a time, each on a
// connection of its own that the server closes after answering, so that the
// answers come back in order and whole.
class ForwardingProxy::Tunnel : public QObject
{
public:
    Tunnel(ForwardingProxy *proxy, QTcpSocket *client)
        : QObject(proxy)
        , m_proxy(proxy)
        , m_client(client)
    {
        connect(client, &QTcpSocket::readyRead, this, [this] {
            m_pending += m_client->readAll();
            forwardNext();
        });
        connect(client, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }

private:
    void forwardNext()
    {
        if (m_upstream)
            return;
        const int headEnd = m_pending.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        QList<QByteArray> lines = m_pending.left(headEnd).split('\n');
        int bodyLength = 0;
        QByteArray authorization;
        QByteArray head;
        const QByteArray requestLine = lines.takeFirst().trimmed();
        for (const QByteArray &raw : std::as_const(lines)) {
            const QByteArray line = raw.trimmed();
            const int colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                bodyLength = value.toInt();
            if (name == "proxy-authorization")
                authorization = value;
            if (name.startsWith("proxy-") || name == "connection")
                continue;
            head += line + "\r\n";
        }
        const int total = headEnd + 4 + bodyLength;
        if (m_pending.size() < total)
            return;

        const QList<QByteArray> parts = requestLine.split(' ');
        if (parts.size() != 3) {
            m_client->disconnectFromHost();
            return;
        }
        m_proxy->m_requestLines << requestLine;
        m_proxy->m_authorizations << authorization;
        const QUrl target(QString::fromLatin1(parts.at(1)));
        QByteArray path = target.path(QUrl::FullyEncoded).toLatin1();
        if (target.hasQuery())
            path += '?' + target.query(QUrl::FullyEncoded).toLatin1();
        const QByteArray request = parts.at(0) + ' ' + (path.isEmpty() ? QByteArray("/") : path) + ' '
            + parts.at(2) + "\r\n" + head + "Connection: close\r\n\r\n"
            + m_pending.mid(headEnd + 4, bodyLength);
        m_pending.remove(0, total);

        m_upstream = new QTcpSocket(this);
        connect(m_upstream, &QTcpSocket::connected, m_upstream,
                [socket = m_upstream.data(), request] { socket->write(request); });
        connect(m_upstream, &QTcpSocket::readyRead, this, [this] {
            if (m_client)
                m_client->write(m_upstream->readAll());
        });
        connect(m_upstream, &QTcpSocket::disconnected, this, [this] {
            if (m_client)
                m_client->write(m_upstream->readAll());
            m_upstream->deleteLater();
            m_upstream = nullptr;
            forwardNext();
        });
        m_upstream->connectToHost(QHostAddress::LocalHost, m_proxy->m_upstreamPort);
    }

    ForwardingProxy *m_proxy;
    QPointer<QTcpSocket> m_client;
    QPointer<QTcpSocket> m_upstream;
    QByteArray m_pending;
};

ForwardingProxy::ForwardingProxy(quint16 upstreamPort, QObject *parent)
    : QTcpServer(parent)
    , m_upstreamPort(upstreamPort)
{
    connect(this, &QTcpServer::newConnection, this, &ForwardingProxy::onNewConnection);
    listen(QHostAddress::LocalHost);
}

ForwardingProxy::~ForwardingProxy() = default;

void ForwardingProxy::onNewConnection()
{
    while (QTcpSocket *client = nextPendingConnection())
        new Tunnel(this, client);
}
