#ifndef CRASHCOLLECTORSTANDIN_H
#define CRASHCOLLECTORSTANDIN_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

// The crash collector on 127.0.0.1, over plain HTTP as the program reaches
// it. It records every request it reads whole and answers as told: accept,
// refuse (403), fail (500), stall (never answer), or break its word (a short
// body, or a length no client should hold in memory).
class CrashCollectorStandIn : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CrashCollectorStandIn)

public:
    enum Mode { Accept, Refuse, Fail, Stall, ShortBody, HugeLength };

    struct Request
    {
        QByteArray method;
        QByteArray target;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;

        // Names compare case-insensitively; null when absent.
        QByteArray header(const QByteArray &name) const;
    };

    static inline const QByteArray kAcceptedAnswer = "CrashID=bp-00000000-0000-0000-0000-000000000000\n";

    explicit CrashCollectorStandIn(QObject *parent = nullptr);
    ~CrashCollectorStandIn() override;

    bool listen();
    // "http://127.0.0.1:<port>/submit"
    QUrl submitUrl() const;
    void setMode(Mode mode) { m_mode = mode; }
    QList<Request> requests() const { return m_requests; }

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QTcpServer *m_server;
    Mode m_mode = Accept;
    QMap<QTcpSocket *, QByteArray> m_pending;
    QList<Request> m_requests;
};

#endif // CRASHCOLLECTORSTANDIN_H
