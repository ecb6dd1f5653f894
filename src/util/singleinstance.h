#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;

// The claim of one program instance per user and the channel through which a
// later start talks to it. The claim is a lock file in a private folder of the
// user (the session's runtime folder, else one in the per-user data folder);
// the holder listens on a local socket next to it. Both are named from the
// instance identity and the user.
//
// A lock that no live process holds (left by a crash, whatever it contains)
// is taken over; the socket file it left is removed only by the instance that
// holds the lock. When no private folder can hold the lock the claim is
// undecided: isRunning() then answers true, so that two instances never share
// one data folder, and problem() says why.
//
// The holder also locks the per-user data folder itself, whatever its
// identity: another build of the program, or a session whose runtime folder
// differs, finds the data in use and does not start on it.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SingleInstance)

public:
    // An empty id stands for the program file's path.
    explicit SingleInstance(const QString &id, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True while another instance holds the claim, or while it cannot be
    // decided. Each call that finds no other instance takes the claim and
    // starts listening, so a start that waits for an earlier instance to end
    // can simply ask again.
    bool isRunning();
    // Hands message to the instance that holds the claim and waits up to
    // timeout ms for it to confirm. False when this instance holds the claim
    // itself or nobody confirmed in time.
    bool sendMessage(const QString &message, int timeout);

    // Why the last claim could not be decided; empty when it was.
    QString problem() const { return m_problem; }
    // Whether the problem is known: another copy (another build, or one of
    // another session) holds the data folder.
    bool dataFolderTaken() const { return m_dataFolderTaken; }

    QString id() const { return m_id; }
    QString lockFilePath() const { return m_lockFile->fileName(); }
    // Socket path (a pipe name on Windows) the holder listens on.
    QString serverName() const { return m_serverName; }

signals:
    void messageReceived(const QString &message);

private slots:
    void onNewConnection();

private:
    enum class Claim { Held, HeldByOther, Failed };

    bool claim();
    Claim claimIn(const QString &folder);
    void useFolder(const QString &folder);
    // Locks the data folder; false when another live process holds it.
    bool claimDataFolder();
    // Removes what stands at the path of lock when no live instance holds it.
    static bool removeAbandonedLock(QLockFile &lock);
    void listen();
    void readFrom(QLocalSocket *socket);
    // Forgets a connection, whole message or not.
    void drop(QLocalSocket *socket);

    QString m_id;
    QString m_baseName;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lockFile;
    std::unique_ptr<QLockFile> m_dataLock;
    QString m_problem;
    bool m_dataFolderTaken = false;
    QLocalServer *m_server = nullptr;
    // Bytes received so far per connection.
    QHash<QLocalSocket *, QByteArray> m_pending;
};

#endif // SINGLEINSTANCE_H
