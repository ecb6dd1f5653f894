#include "singleinstance.h"

#include "util/trace.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

// A message is a 32-bit big-endian length and that many bytes of UTF-8; the
// receiver answers with one byte once it has the whole message.
constexpr char kAck = '\x06';
constexpr quint32 kMaxMessageSize = 64 * 1024;
// A peer that connects and then says nothing is dropped after this long.
constexpr int kReceiveTimeoutMs = 10000;
constexpr int kRetryPauseMs = 50;
// A lock file younger than this may be one whose holder is still writing it.
constexpr qint64 kFreshLockMs = 1000;

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

struct Folder
{
    QString path;
    // Only a folder of our own is made; the session's runtime folder is taken as it is.
    bool ours;
};

// Where the lock and the socket may live, best first. Never the shared
// temporary folder: another user could plant files there under our names.
QList<Folder> candidateFolders()
{
    QList<Folder> folders;
#ifndef Q_OS_WIN
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime))
        folders.append({QDir::cleanPath(runtime), false});
#endif
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!data.isEmpty())
        folders.append({data + QStringLiteral("/instance"), true});
    return folders;
}

#ifndef Q_OS_WIN
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
#endif

#ifndef Q_OS_WIN
// Whether a local socket of that name fits in the folder.
bool socketFits(const QString &folder, int nameLength)
{
    return QFile::encodeName(folder).size() + 1 + nameLength < qsizetype(sizeof(sockaddr_un::sun_path));
}

// A short private folder for the socket of a lock folder too deep for one
// (a long home path): the temporary folder's, made by us, for us alone, and
// checked like every other; "/tmp" when even that path is long.
Folder shortSocketFolder()
{
    QString temporary = QDir::tempPath();
    if (temporary.size() > 40)
        temporary = QStringLiteral("/tmp");
    return {temporary + QStringLiteral("/linkora-") + QString::number(::geteuid()), true};
}
#endif

// Why folder cannot hold the lock of a user who must be its only reader: an
// empty string when it can. A folder of our own is made first.
QString refusal(const Folder &folder, int longestName)
{
#ifdef Q_OS_WIN
    Q_UNUSED(longestName)
    if (folder.ours)
        QDir().mkpath(folder.path);
    return QFileInfo(folder.path).isDir() ? QString() : QStringLiteral("cannot be created");
#else
    const QByteArray path = QFile::encodeName(folder.path);
    if (folder.ours) {
        QDir().mkpath(QFileInfo(folder.path).absolutePath());
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return QStringLiteral("cannot be created: ") + systemError();
    }
    struct stat status;
    if (::lstat(path.constData(), &status) != 0)
        return QStringLiteral("cannot be read: ") + systemError();
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("is a symbolic link");
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("is not a folder");
    if (status.st_uid != ::geteuid())
        return QStringLiteral("belongs to another user");
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0 && !(folder.ours && ::chmod(path.constData(), 0700) == 0))
        return QStringLiteral("is open to other users");
    if (!socketFits(folder.path, longestName)) {
        const Folder other = shortSocketFolder();
        if (!socketFits(other.path, longestName))
            return QStringLiteral("is too deep for a local socket, and so is ") + other.path;
        const QString refused = refusal(other, longestName);
        if (!refused.isEmpty())
            return QStringLiteral("is too deep for a local socket, and ") + other.path + QLatin1Char(' ')
                + refused;
    }
    return QString();
#endif
}

QString lockFileName(const QString &base)
{
    return base + QStringLiteral(".lock");
}

QString socketFileName(const QString &base)
{
    return base + QStringLiteral(".sock");
}

int remaining(const QDeadlineTimer &deadline)
{
    return deadline.isForever() ? -1 : int(deadline.remainingTime());
}

} // namespace

SingleInstance::SingleInstance(const QString &id, QObject *parent)
    : QObject(parent)
    , m_id(identity(id))
    , m_baseName(baseName(id))
{
    // Named after the first folder that may hold them, until a claim decides.
    const QList<Folder> folders = candidateFolders();
    QString folder = folders.isEmpty() ? QDir::homePath() : folders.constLast().path;
    for (const Folder &candidate : folders) {
        if (refusal(candidate, socketFileName(m_baseName).size()).isEmpty()) {
            folder = candidate.path;
            break;
        }
    }
    useFolder(folder);
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
    if (m_lockFile->isLocked())
        return false;
    return !claim();
}

bool SingleInstance::claim()
{
    QStringList reasons;
    for (const Folder &folder : candidateFolders()) {
        const QString refused = refusal(folder, socketFileName(m_baseName).size());
        if (!refused.isEmpty()) {
            reasons << folder.path + QLatin1Char(' ') + refused;
            continue;
        }
        switch (claimIn(folder.path)) {
        case Claim::Held:
            if (!claimDataFolder()) {
                m_lockFile->unlock();
                m_dataFolderTaken = true;
                m_problem = QStringLiteral("Another copy of the program (another build, or one started in "
                                           "another session) is using the data folder ")
                    + QFileInfo(QFileInfo(m_dataLock->fileName()).absolutePath()).absolutePath();
                TRACE_WARNING << m_problem;
                return false;
            }
            m_problem.clear();
            m_dataFolderTaken = false;
            listen();
            return true;
        case Claim::HeldByOther:
            m_problem.clear();
            m_dataFolderTaken = false;
            return false;
        case Claim::Failed:
            reasons << folder.path
                    + (m_lockFile->error() == QLockFile::PermissionError
                           ? QStringLiteral(" is not writable")
                           : QStringLiteral(" cannot hold the lock file"));
            break;
        }
    }
    if (reasons.isEmpty())
        reasons << QStringLiteral("no per-user folder is known");
    // Starting without the claim could put two instances on one data folder.
    m_dataFolderTaken = false;
    m_problem = QStringLiteral("No private folder can hold the single-instance lock: ")
        + reasons.join(QStringLiteral("; "));
    TRACE_WARNING << m_problem;
    return false;
}

SingleInstance::Claim SingleInstance::claimIn(const QString &folder)
{
    useFolder(folder);
    if (m_lockFile->tryLock(0))
        return Claim::Held;
    if (m_lockFile->error() != QLockFile::LockFailedError)
        return Claim::Failed;
    if (!removeAbandonedLock(*m_lockFile))
        return Claim::HeldByOther;
    if (m_lockFile->tryLock(0))
        return Claim::Held;
    return m_lockFile->error() == QLockFile::LockFailedError ? Claim::HeldByOther : Claim::Failed;
}

void SingleInstance::useFolder(const QString &folder)
{
    const QString lockPath = folder + QLatin1Char('/') + lockFileName(m_baseName);
    if (m_lockFile && m_lockFile->fileName() == lockPath)
        return;
    m_lockFile = std::make_unique<QLockFile>(lockPath);
    // Only a holder that is gone makes the lock stale, however long it has been held.
    m_lockFile->setStaleLockTime(0);
#ifdef Q_OS_WIN
    m_serverName = m_baseName;
#else
    // A full path keeps the socket in the private folder instead of /tmp;
    // one too deep for a socket has it in a short private folder.
    const QString socketName = socketFileName(m_baseName);
    const QString socketFolder
        = socketFits(folder, int(socketName.size())) ? folder : shortSocketFolder().path;
    m_serverName = socketFolder + QLatin1Char('/') + socketName;
#endif
}

bool SingleInstance::claimDataFolder()
{
    if (m_dataLock && m_dataLock->isLocked())
        return true;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const Folder folder {data + QStringLiteral("/instance"), true};
    // A data folder that cannot hold the lock cannot hold the data either;
    // the store says so to the user.
    if (data.isEmpty() || !refusal(folder, 0).isEmpty())
        return true;
    if (!m_dataLock) {
        m_dataLock = std::make_unique<QLockFile>(folder.path + QStringLiteral("/data.lock"));
        m_dataLock->setStaleLockTime(0);
    }
    if (m_dataLock->tryLock(0) || m_dataLock->error() != QLockFile::LockFailedError)
        return true;
    if (!removeAbandonedLock(*m_dataLock))
        return false;
    return m_dataLock->tryLock(0) || m_dataLock->error() != QLockFile::LockFailedError;
}

bool SingleInstance::removeAbandonedLock(QLockFile &lock)
{
    // QLockFile itself only gives up a lock that names a dead process; an
    // empty or garbage file (a crash while it was written) or a folder in its
    // place would otherwise block every start.
    const QString path = lock.fileName();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    bool removed = false;
    if (info.isSymLink() || (!info.isFile() && !info.isDir())) {
        removed = QFile::remove(path);
    } else if (info.isDir()) {
        removed = QDir(path).removeRecursively();
#ifndef Q_OS_WIN
    } else if (info.ownerId() != ::geteuid()) {
        // Not one of ours: an instance of this user made every lock it holds.
        removed = QFile::remove(path);
#endif
    } else if (qAbs(info.lastModified().msecsTo(QDateTime::currentDateTime())) < kFreshLockMs) {
        return false;
    } else {
        // A live holder keeps its file lock on it, whatever the file says;
        // without one, nobody is running.
        removed = lock.removeStaleLockFile();
    }
    if (removed)
        TRACE_WARNING << "Removed an abandoned single-instance lock" << path;
    return removed;
}

void SingleInstance::listen()
{
    if (m_server)
        return;
    // Whatever socket is still there belongs to an instance that ended
    // without cleaning up: we hold the lock, so nobody else can be serving.
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
