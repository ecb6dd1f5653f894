#ifndef FORWARDINGPROXY_H
#define FORWARDINGPROXY_H

#include <QByteArray>
#include <QList>
#include <QTcpServer>

// An HTTP proxy on loopback that hands every request on to one server on
// loopback, whatever host the request names, and records what it was asked.
// Qt sends requests for loopback addresses past any proxy, so the requests
// meant to pass here name another host (one that need not exist).
class ForwardingProxy : public QTcpServer
{
    Q_OBJECT
    Q_DISABLE_COPY(ForwardingProxy)

public:
    explicit ForwardingProxy(quint16 upstreamPort, QObject *parent = nullptr);
    ~ForwardingProxy() override;

    // The request lines as the client sent them, e.g.
    // "GET http://webservice.invalid:4711/webservice-5.0/bob/balance HTTP/1.1".
    QList<QByteArray> requestLines() const { return m_requestLines; }
    // The Proxy-Authorization header of each request, empty when none.
    QList<QByteArray> authorizations() const { return m_authorizations; }

private:
    class Tunnel;
    void onNewConnection();

    quint16 m_upstreamPort;
    QList<QByteArray> m_requestLines;
    QList<QByteArray> m_authorizations;
};

#endif // FORWARDINGPROXY_H
