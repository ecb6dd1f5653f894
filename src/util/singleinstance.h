#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// The claim of one program instance per user and the channel through which a
// later start talks to it. The claim is a lock file in the per-user runtime
// folder; the holder listens on a local socket next to it. Both are named from
// the instance identity and the user, so two users never share them.
//
// A lock file left by a crashed instance is recognised as stale (its process
// is gone) and taken over; the socket file it left is removed only by the
// instance that holds the lock.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SingleInstance)

public:
    // An empty id stands for the program file's path.
    explicit SingleInstance(const QString &id, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True while another instance holds the claim. Each call that finds no
    // other instance takes the claim and starts listening, so a start that
    // waits for an earlier instance to end can simply ask again.
    bool isRunning();
    // Hands message to the instance that holds the claim and waits up to
    // timeout ms for it to confirm. False when this instance holds the claim
    // itself or nobody confirmed in time.
    bool sendMessage(const QString &message, int timeout);

    QString id() const { return m_id; }
    QString lockFilePath() const { return m_lockFile.fileName(); }
    // Socket path (a pipe name on Windows) the holder listens on.
    QString serverName() const { return m_serverName; }

signals:
    void messageReceived(const QString &message);

private slots:
    void onNewConnection();

private:
    bool claim();
    void listen();
    void readFrom(QLocalSocket *socket);
    // Forgets a connection, whole message or not.
    void drop(QLocalSocket *socket);

    QString m_id;
    QString m_serverName;
    QLockFile m_lockFile;
    QLocalServer *m_server = nullptr;
    // Bytes received so far per connection.
    QHash<QLocalSocket *, QByteArray> m_pending;
};

#endif // SINGLEINSTANCE_H
