#ifndef PROXYSTANDIN_H
#define PROXYSTANDIN_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

// An HTTP proxy on 127.0.0.1 for tests, recording what it was asked.
//
// A plain request (absolute URI) is handed on to the one server on loopback
// given with forwardTo(), whatever host it names; without one it is answered
// 405. A CONNECT is tunnelled to the named port on loopback (for 127.0.0.1,
// localhost and "update.test"; 403 for any other host). Qt sends no loopback
// address through a proxy, so the requests meant to pass here name another
// host, one that need not exist.
//
// Made with credentials, it wants Basic credentials from every request and
// CONNECT: one without the right Proxy-Authorization is answered 407.
class ProxyStandIn : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ProxyStandIn)

public:
    explicit ProxyStandIn(QObject *parent = nullptr);
    ProxyStandIn(const QString &user, const QString &password, QObject *parent = nullptr);
    ~ProxyStandIn() override;

    // Where plain requests go, on loopback.
    void forwardTo(quint16 upstreamPort) { m_upstreamPort = upstreamPort; }
    bool listen();
    quint16 port() const { return m_server.serverPort(); }

    // The request lines as the client sent them, e.g.
    // "GET http://webservice.invalid:4711/webservice-5.0/bob/balance HTTP/1.1"
    // or "CONNECT update.test:4711 HTTP/1.1".
    QList<QByteArray> requestLines() const { return m_requestLines; }
    // The Proxy-Authorization of each request line, empty when it had none.
    QList<QByteArray> authorizations() const { return m_authorizations; }
    // Requests and CONNECTs answered 407.
    int refusals() const { return m_refusals; }
    // CONNECTs let through.
    int tunnels() const { return m_tunnels; }
    // "Basic " and base64 of "user:password"; empty when no credentials are wanted.
    QByteArray expected() const { return m_expected; }

private:
    class Connection;

    QTcpServer m_server;
    QByteArray m_expected;
    quint16 m_upstreamPort = 0;
    QList<QByteArray> m_requestLines;
    QList<QByteArray> m_authorizations;
    int m_refusals = 0;
    int m_tunnels = 0;
};

#endif // PROXYSTANDIN_H
