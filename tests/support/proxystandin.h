#ifndef PROXYSTANDIN_H
#define PROXYSTANDIN_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// An HTTP proxy on 127.0.0.1 that wants Basic credentials: a CONNECT without
// the right Proxy-Authorization is answered 407, one with it is tunnelled to
// the named port on loopback (for 127.0.0.1, localhost and "update.test",
// a name only this proxy knows: Qt sends no loopback address through a proxy).
class ProxyStandIn : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ProxyStandIn)

public:
    ProxyStandIn(const QString &user, const QString &password, QObject *parent = nullptr);
    ~ProxyStandIn() override;

    bool listen();
    quint16 port() const { return m_server.serverPort(); }

    // The Proxy-Authorization of every CONNECT, empty when it had none.
    QList<QByteArray> authorizations() const { return m_authorizations; }
    int refusals() const { return m_refusals; }
    int tunnels() const { return m_tunnels; }
    // "Basic " and base64 of "user:password".
    QByteArray expected() const { return m_expected; }

private:
    struct Client
    {
        QByteArray buffer;
        QTcpSocket *upstream = nullptr;
    };

    void onReadyRead(QTcpSocket *socket);
    void drop(QTcpSocket *socket);

    QTcpServer m_server;
    QByteArray m_expected;
    QHash<QTcpSocket *, Client> m_clients;
    QList<QByteArray> m_authorizations;
    int m_refusals = 0;
    int m_tunnels = 0;
};

#endif // PROXYSTANDIN_H
