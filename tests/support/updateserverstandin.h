#ifndef UPDATESERVERSTANDIN_H
#define UPDATESERVERSTANDIN_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>

class QSslServer;
class QTcpSocket;

// The brand's update server on 127.0.0.1 over TLS with the test run's
// certificate authority: it serves version files and installers, and can
// misbehave the ways a real server or the path to it does (a short body, a
// dropped or stalled connection, an endless answer, redirect chains). Each
// request gets its own connection, closed after the answer.
class UpdateServerStandIn : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(UpdateServerStandIn)

public:
    enum class Delivery {
        Whole, // Content-Length and the whole body
        NoLength, // no Content-Length; the body ends when the connection does
        Short, // announces the body but closes after half of it
        Drop, // sends half of the body, then resets the connection
        Stall, // sends half of the body, then nothing more
        Generated, // `size` bytes of a pattern, made as they are sent
        Endless, // a pattern that never ends, without length
    };

    struct Answer
    {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        Delivery delivery = Delivery::Whole;
        qint64 size = 0; // for Generated
    };

    explicit UpdateServerStandIn(QObject *parent = nullptr);
    ~UpdateServerStandIn() override;

    // On a free port; false when TLS or the port could not be set up.
    bool listen();
    // "https://127.0.0.1:<port><path>"
    QString url(const QString &path) const;
    // Same host and port over plain http, which this server does not speak.
    QString plainUrl(const QString &path) const;

    // Every request for the path gets this answer; others get 404.
    void serve(const QString &path, const Answer &answer);
    void serveFile(const QString &path, const QByteArray &body) { serve(path, Answer {200, {}, body}); }
    void redirect(const QString &path, const QString &location);

    // "GET /path?query" of each request, in order.
    QStringList requestLines() const { return m_requestLines; }
    int requestsFor(const QString &path) const;
    // Bytes of bodies sent so far.
    qint64 bytesSent() const { return m_bytesSent; }

    // The pattern Generated and Endless send, byte i.
    static char patternByte(qint64 index) { return char('a' + index % 23); }

private:
    struct Connection
    {
        QByteArray request;
        bool answered = false;
        Answer answer;
        qint64 sent = 0; // of the body
        qint64 limit = -1; // body bytes to send, -1 for all
    };

    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QString &path);
    void pump(QTcpSocket *socket);

    QSslServer *m_server;
    QHash<QString, Answer> m_answers;
    QHash<QTcpSocket *, Connection> m_connections;
    QStringList m_requestLines;
    qint64 m_bytesSent = 0;
};

#endif // UPDATESERVERSTANDIN_H
