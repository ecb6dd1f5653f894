#include "support/proxystandin.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>

#include <functional>
#include <utility>

namespace {

// Hands on what has arrived on one socket to the other; dropped when the other has gone.
void pass(QTcpSocket *from, QTcpSocket *to)
{
    const QByteArray bytes = from->readAll();
    if (to)
        to->write(bytes);
}

bool tunnelAllowed(const QByteArray &host)
{
    return host == "127.0.0.1" || host == "localhost" || host == "update.test";
}

} // namespace

// One client connection. Plain requests go upstream one at a time, each on a
// connection of its own that the server closes after answering, so that the
// answers come back in order and whole. After a CONNECT let through, the
// bytes pass both ways unread until either end closes.
class ProxyStandIn::Connection : public QObject
{
public:
    Connection(ProxyStandIn *proxy, QTcpSocket *client)
        : QObject(proxy)
        , m_proxy(proxy)
        , m_client(client)
    {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, &Connection::onClientReadyRead);
        connect(client, &QTcpSocket::disconnected, this, [this] {
            if (m_upstream) {
                m_upstream->disconnect(this);
                m_upstream->disconnectFromHost();
            }
            deleteLater();
        });
    }

private:
    void onClientReadyRead()
    {
        if (m_closing)
            return;
        if (m_tunnelling) {
            // Until the far end is there the bytes wait in the client socket.
            if (m_upstream && m_upstream->state() == QAbstractSocket::ConnectedState)
                pass(m_client, m_upstream);
            return;
        }
        m_pending += m_client->readAll();
        serveNext();
    }

    // Answers the whole requests waiting, in order; one forwarded holds back
    // the rest until its answer is through.
    void serveNext()
    {
        while (!m_upstream && !m_tunnelling && !m_closing) {
            const qsizetype headEnd = m_pending.indexOf("\r\n\r\n");
            if (headEnd < 0)
                return;
            QList<QByteArray> lines = m_pending.left(headEnd).split('\n');
            const QByteArray requestLine = lines.takeFirst().trimmed();
            qsizetype bodyLength = 0;
            QByteArray authorization;
            QByteArray headers; // what goes upstream: all but the proxy's own
            for (const QByteArray &raw : std::as_const(lines)) {
                const QByteArray line = raw.trimmed();
                const qsizetype colon = line.indexOf(':');
                const QByteArray name = line.left(colon).trimmed().toLower();
                const QByteArray value = line.mid(colon + 1).trimmed();
                if (name == "content-length")
                    bodyLength = value.toInt();
                if (name == "proxy-authorization")
                    authorization = value;
                if (name.startsWith("proxy-") || name == "connection")
                    continue;
                headers += line + "\r\n";
            }
            const qsizetype total = headEnd + 4 + bodyLength;
            if (m_pending.size() < total)
                return;
            const QByteArray body = m_pending.mid(headEnd + 4, bodyLength);
            m_pending.remove(0, total);

            const QList<QByteArray> parts = requestLine.split(' ');
            if (parts.size() != 3) {
                close();
                return;
            }
            m_proxy->m_requestLines << requestLine;
            m_proxy->m_authorizations << authorization;
            if (!m_proxy->m_expected.isEmpty() && authorization != m_proxy->m_expected) {
                ++m_proxy->m_refusals;
                m_client->write("HTTP/1.1 407 Proxy Authentication Required\r\n"
                                "Proxy-Authenticate: Basic realm=\"linkora-test\"\r\n"
                                "Content-Length: 0\r\n\r\n");
                continue;
            }
            if (parts.at(0) == "CONNECT")
                tunnel(parts.at(1));
            else
                forward(parts, headers, body);
        }
    }

    void forward(const QList<QByteArray> &parts, const QByteArray &headers, const QByteArray &body)
    {
        if (!m_proxy->m_upstreamPort) {
            answerAndClose("405 Method Not Allowed");
            return;
        }
        const QUrl target(QString::fromLatin1(parts.at(1)));
        QByteArray path = target.path(QUrl::FullyEncoded).toLatin1();
        if (target.hasQuery())
            path += '?' + target.query(QUrl::FullyEncoded).toLatin1();
        const QByteArray request = parts.at(0) + ' ' + (path.isEmpty() ? QByteArray("/") : path) + ' '
            + parts.at(2) + "\r\n" + headers + "Connection: close\r\n\r\n" + body;
        openUpstream(m_proxy->m_upstreamPort, [this, request] { m_upstream->write(request); });
    }

    void tunnel(const QByteArray &target)
    {
        const qsizetype colon = target.lastIndexOf(':');
        if (colon < 0 || !tunnelAllowed(target.left(colon))) {
            answerAndClose("403 Forbidden");
            return;
        }
        ++m_proxy->m_tunnels;
        m_tunnelling = true;
        openUpstream(quint16(target.mid(colon + 1).toUInt()), [this] {
            m_client->write("HTTP/1.1 200 Connection established\r\n\r\n");
            m_upstream->write(std::exchange(m_pending, QByteArray()));
            pass(m_client, m_upstream);
        });
    }

    // The far end of a forwarded request or of the tunnel. What it sends goes
    // straight back to the client.
    void openUpstream(quint16 port, const std::function<void()> &onConnected)
    {
        m_upstream = new QTcpSocket(this);
        connect(m_upstream, &QTcpSocket::connected, this, [this, onConnected] {
            m_upstreamReached = true;
            onConnected();
        });
        connect(m_upstream, &QTcpSocket::readyRead, this, [this] { pass(m_upstream, m_client); });
        connect(m_upstream, &QTcpSocket::disconnected, this, &Connection::onUpstreamGone);
        // Never reached: no disconnected follows, and the client would wait for ever.
        connect(m_upstream, &QTcpSocket::errorOccurred, this, [this] {
            if (!m_upstreamReached)
                answerAndClose("502 Bad Gateway");
        });
        m_upstreamReached = false;
        m_upstream->connectToHost(QHostAddress::LocalHost, port);
    }

    void onUpstreamGone()
    {
        pass(m_upstream, m_client);
        m_upstream->deleteLater();
        m_upstream = nullptr;
        if (m_tunnelling)
            m_client->disconnectFromHost();
        else
            serveNext();
    }

    void answerAndClose(const QByteArray &status)
    {
        m_client->write("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        close();
    }

    // Nothing more is read from a client being closed.
    void close()
    {
        m_closing = true;
        m_pending.clear();
        m_client->disconnectFromHost();
    }

    ProxyStandIn *const m_proxy;
    QTcpSocket *const m_client;
    QTcpSocket *m_upstream = nullptr;
    bool m_upstreamReached = false;
    bool m_tunnelling = false;
    bool m_closing = false;
    QByteArray m_pending;
};

ProxyStandIn::ProxyStandIn(QObject *parent)
    : ProxyStandIn(QString(), QString(), parent)
{ }

ProxyStandIn::ProxyStandIn(const QString &user, const QString &password, QObject *parent)
    : QObject(parent)
{
    if (!user.isEmpty() || !password.isEmpty())
        m_expected = "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64();
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *client = m_server.nextPendingConnection())
            new Connection(this, client);
    });
}

ProxyStandIn::~ProxyStandIn()
{
    // The connections (every child is one) go while what they record into is still whole.
    const QObjectList connections = children();
    qDeleteAll(connections);
}

bool ProxyStandIn::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}
