#ifndef JAVAAPPDETECTOR_H
#define JAVAAPPDETECTOR_H

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpSocket;

// Finds out whether the companion client of the service runs on this computer.
// The client writes the TCP port it listens on into a lock file; a successful
// connection to that port on one of our own addresses means it is running.
class JavaAppDetector : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(JavaAppDetector)

public:
    // Looks for lock files below defaultLockFileBaseDir().
    explicit JavaAppDetector(QObject *parent = nullptr);
    // Looks for lock files below lockFileBaseDir ("<base>/Dravo/Linkora-DC/lock.lck" ...);
    // an empty folder means there is none to look in.
    explicit JavaAppDetector(const QString &lockFileBaseDir, QObject *parent = nullptr);
    ~JavaAppDetector() override;

    // The per-user folder the companion client keeps its lock file in.
    static QString defaultLockFileBaseDir();

    // Begins a run. False when no lock file holds a usable port; finished(false)
    // has then already been emitted. When it answers true, finished() always
    // comes later through the event loop, so a caller may safely wait for it.
    bool start();
    // The outcome of the last finished run.
    bool found() const;

signals:
    // Emitted once per run.
    void finished(bool found);

private slots:
    void onSocketConnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void checkNextLocalAddressForJavaApp();

private:
    // 1..65535 from the first line of the file, or 0.
    static int readLockFilePort(const QString &path);
    static QStringList localAddresses();
    void scheduleNextAddress();
    void finish(bool found);

    QString m_lockFileBaseDir;
    int m_port = 0;
    QStringList m_addresses;
    QTcpSocket *m_socket;
    bool m_found = false;
    bool m_running = false;
    bool m_attemptPending = false;
    // Tells a queued step of an earlier run from one of the current run.
    quint32 m_run = 0;
};

#endif // JAVAAPPDETECTOR_H
