#include "singleinstance.h"

#include "util/trace.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

// A message is a 32-bit big-endian length and that many bytes of UTF-8; the
// receiver answers with one byte once it has the whole message.
constexpr char kAck = '\x06';
constexpr quint32 kMaxMessageSize = 64 * 1024;
// A peer that connects and then says nothing is dropped after this long.
constexpr int kReceiveTimeoutMs = 10000;
constexpr int kRetryPauseMs = 50;

QString identity(const QString &id)
{
    if (!id.isEmpty())
        return id;
    QString path = QCoreApplication::applicationFilePath();
#ifdef Q_OS_WIN
    path = path.toLower();
#endif
    return path;
}

QString userId()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME");
#else
    return QString::number(::getuid());
#endif
}

// "linkora-<16 hex digits of the identity>-<user>"
QString baseName(const QString &id)
{
    const QByteArray digest = QCryptographicHash::hash(identity(id).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("linkora-%1-%2").arg(QString::fromLatin1(digest.toHex().left(16)), userId());
}

QString runtimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

QString lockPath(const QString &id)
{
    return runtimeFolder() + QLatin1Char('/') + baseName(id) + QStringLiteral(".lock");
}

QString serverNameFor(const QString &id)
{
#ifdef Q_OS_WIN
    return baseName(id);
#else
    // A full path keeps the socket in the per-user folder instead of /tmp.
    return runtimeFolder() + QLatin1Char('/') + baseName(id) + QStringLiteral(".sock");
#endif
}

int remaining(const QDeadlineTimer &deadline)
{
    return deadline.isForever() ? -1 : int(deadline.remainingTime());
}

} // namespace

SingleInstance::SingleInstance(const QString &id, QObject *parent)
    : QObject(parent)
    , m_id(identity(id))
    , m_serverName(serverNameFor(id))
    , m_lockFile(lockPath(id))
{
    // Only a dead holder makes the lock stale, however long it has been held.
    m_lockFile.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    // Close the server before the lock goes, so that a successor that takes
    // the lock next finds no live socket to remove.
    delete m_server;
    m_server = nullptr;
}

bool SingleInstance::isRunning()
{
    if (m_lockFile.isLocked())
        return false;
    return !claim();
}

bool SingleInstance::claim()
{
    if (!m_lockFile.tryLock(0)) {
        if (m_lockFile.error() == QLockFile::LockFailedError)
            return false;
        // Without a usable lock file we cannot tell; starting is better than
        // deferring forever to an instance that may not exist.
        TRACE_WARNING << "Cannot create the single-instance lock" << m_lockFile.fileName() << "error"
                      << int(m_lockFile.error());
    }
    listen();
    return true;
}

void SingleInstance::listen()
{
    if (m_server)
        return;
    // Whatever socket is still there belongs to an instance that ended
    // without cleaning up: we hold the lock, so nobody else can be serving.
    if (m_lockFile.isLocked())
        QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    if (!m_server->listen(m_serverName))
        TRACE_WARNING << "Cannot listen on" << m_serverName << m_server->errorString();
}

bool SingleInstance::sendMessage(const QString &message, int timeout)
{
    if (!isRunning())
        return false;

    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    // The holder may have taken the lock but not be listening yet.
    for (;;) {
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(remaining(deadline)))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(deadline.isForever() ? kRetryPauseMs : qMin(kRetryPauseMs, remaining(deadline)));
        if (deadline.hasExpired())
            return false;
    }

    const QByteArray payload = message.toUtf8();
    char header[4];
    qToBigEndian<quint32>(quint32(payload.size()), header);
    socket.write(header, sizeof header);
    socket.write(payload);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining(deadline)))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(remaining(deadline)))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kAck;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        m_pending.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
        QTimer::singleShot(kReceiveTimeoutMs, socket, [this, socket] { drop(socket); });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket *socket)
{
    const auto pending = m_pending.find(socket);
    if (pending == m_pending.end())
        return;
    QByteArray &buffer = pending.value();
    buffer += socket->readAll();
    if (buffer.size() < 4)
        return;
    const quint32 size = qFromBigEndian<quint32>(buffer.constData());
    if (size > kMaxMessageSize) {
        TRACE_WARNING << "Dropping a single-instance message of" << size << "bytes";
        drop(socket);
        return;
    }
    if (quint32(buffer.size() - 4) < size)
        return;

    const QString message = QString::fromUtf8(buffer.constData() + 4, qsizetype(size));
    m_pending.erase(pending);
    socket->putChar(kAck);
    // Out at once: the sender is blocked waiting for it.
    socket->flush();
    socket->disconnectFromServer();
    emit messageReceived(message);
}

void SingleInstance::drop(QLocalSocket *socket)
{
    m_pending.remove(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
