#ifndef RESTTESTHELPERS_H
#define RESTTESTHELPERS_H

#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtGlobal>

// Every debug message of the process while it lives.
class TraceCapture
{
public:
    TraceCapture()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&TraceCapture::handle);
    }
    ~TraceCapture() { qInstallMessageHandler(m_previous); }
    Q_DISABLE_COPY(TraceCapture)

    static QStringList lines() { return s_lines; }
    // Lets a test put its own events between the trace lines.
    static void append(const QString &line) { s_lines << line; }

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &message) { s_lines << message; }

    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

// An HTTP proxy on loopback that refuses every request for want of
// credentials. Qt sends loopback addresses past any proxy, so requests that
// should meet it must name another host.
class AuthenticatingProxy : public QTcpServer
{
public:
    AuthenticatingProxy()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    ++s_requests;
                    socket->write("HTTP/1.1 407 Proxy Authentication Required\r\n"
                                  "Proxy-Authenticate: Basic realm=\"proxy\"\r\nContent-Length: 0\r\n\r\n");
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        s_requests = 0;
        listen(QHostAddress::LocalHost);
    }
    Q_DISABLE_COPY(AuthenticatingProxy)

    static int requests() { return s_requests; }

private:
    static inline int s_requests = 0;
};

#endif // RESTTESTHELPERS_H
