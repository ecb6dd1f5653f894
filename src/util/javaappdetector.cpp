#include "javaappdetector.h"

#include "util/trace.h"

#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

namespace {

// Brand suffixes of the companion client's folders, in the order they are tried.
const char *const kBrandSuffixes[] = {"DC", "CRV", "TU", "HV"};

} // namespace

JavaAppDetector::JavaAppDetector(QObject *parent)
    : JavaAppDetector(defaultLockFileBaseDir(), parent)
{ }

JavaAppDetector::JavaAppDetector(const QString &lockFileBaseDir, QObject *parent)
    : QObject(parent)
    , m_lockFileBaseDir(lockFileBaseDir)
    , m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::errorOccurred, this, &JavaAppDetector::onSocketError);
    connect(m_socket, &QTcpSocket::connected, this, &JavaAppDetector::onSocketConnected);
}

JavaAppDetector::~JavaAppDetector() = default;

QString JavaAppDetector::defaultLockFileBaseDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

bool JavaAppDetector::start()
{
    ++m_run;
    m_socket->abort();
    m_found = false;
    m_addresses.clear();
    m_port = 0;
    m_running = true;
    m_attemptPending = false;

    if (!m_lockFileBaseDir.isEmpty()) {
        for (const char *suffix : kBrandSuffixes) {
            const QString path = QStringLiteral("%1/Dravo/Linkora-%2/lock.lck")
                                     .arg(m_lockFileBaseDir, QLatin1String(suffix));
            const int port = readLockFilePort(path);
            if (port == 0)
                continue;
            m_port = port;
            m_addresses = localAddresses();
            break;
        }
    }

    if (m_addresses.isEmpty()) {
        finish(false);
        return false;
    }
    // The first attempt starts from the event loop, so no outcome can be
    // reported before the caller is ready to wait for it.
    scheduleNextAddress();
    return true;
}

bool JavaAppDetector::found() const
{
    return m_found;
}

int JavaAppDetector::readLockFilePort(const QString &path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    QTextStream stream(&file);
    const QString line = stream.readLine().trimmed();
    bool ok = false;
    const int port = line.toInt(&ok, 10);
    if (!ok)
        return 0;
    if (port < 1 || port > 65535) {
        TRACE_WARNING << "Port out of range in" << path << ":" << port;
        return 0;
    }
    return port;
}

QStringList JavaAppDetector::localAddresses()
{
    QStringList addresses;
    const QString hostName = QHostInfo::localHostName();
    const QList<QHostAddress> hostAddresses = QHostInfo::fromName(hostName).addresses();
    for (const QHostAddress &address : hostAddresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            addresses << address.toString();
    }
    addresses << QStringLiteral("localhost") << hostName;
    return addresses;
}

void JavaAppDetector::scheduleNextAddress()
{
    const quint32 run = m_run;
    QTimer::singleShot(0, this, [this, run] {
        if (run == m_run)
            checkNextLocalAddressForJavaApp();
    });
}

void JavaAppDetector::checkNextLocalAddressForJavaApp()
{
    if (!m_running)
        return;
    if (m_addresses.isEmpty() || m_port <= 0) {
        finish(false);
        return;
    }
    const QString address = m_addresses.takeFirst();
    TRACE << "Checking" << address;
    m_attemptPending = true;
    m_socket->connectToHost(address, static_cast<quint16>(m_port), QIODevice::ReadWrite);
}

void JavaAppDetector::onSocketError(QAbstractSocket::SocketError error)
{
    // Only the first error of the current attempt moves the run on.
    if (!m_running || !m_attemptPending)
        return;
    m_attemptPending = false;
    TRACE << error;
    // The socket is not ready for a new connection inside its own error signal.
    scheduleNextAddress();
}

void JavaAppDetector::onSocketConnected()
{
    if (!m_running)
        return;
    m_attemptPending = false;
    m_socket->disconnectFromHost();
    finish(true);
}

void JavaAppDetector::finish(bool found)
{
    m_running = false;
    m_found = found;
    emit finished(found);
}
