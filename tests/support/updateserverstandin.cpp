#include "updateserverstandin.h"

#include "testtls.h"

#include <QSslServer>
#include <QSslSocket>
#include <QUrl>

namespace {

constexpr qint64 kChunk = 64 * 1024;
// Keep no more than this queued per connection: big answers are made as
// the client takes them.
constexpr qint64 kQueued = 256 * 1024;

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

UpdateServerStandIn::UpdateServerStandIn(QObject *parent)
    : QObject(parent)
    , m_server(new QSslServer(this))
{
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            m_connections.insert(socket, Connection());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { pump(socket); });
            connect(static_cast<QSslSocket *>(socket), &QSslSocket::encryptedBytesWritten, this,
                    [this, socket] { pump(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_connections.remove(socket);
                socket->deleteLater();
            });
            onReadyRead(socket);
        }
    });
}

UpdateServerStandIn::~UpdateServerStandIn()
{
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it)
        it.key()->disconnect(this);
}

bool UpdateServerStandIn::listen()
{
    if (!TestTls::credentials().isValid())
        return false;
    m_server->setSslConfiguration(TestTls::serverConfiguration());
    return m_server->listen(QHostAddress::LocalHost, 0);
}

QString UpdateServerStandIn::url(const QString &path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(m_server->serverPort()).arg(path);
}

QString UpdateServerStandIn::plainUrl(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->serverPort()).arg(path);
}

void UpdateServerStandIn::serve(const QString &path, const Answer &answer)
{
    m_answers.insert(path, answer);
}

void UpdateServerStandIn::redirect(const QString &path, const QString &location)
{
    serve(path, Answer {302, {{QByteArrayLiteral("Location"), location.toUtf8()}}, "moved"});
}

int UpdateServerStandIn::requestsFor(const QString &path) const
{
    int count = 0;
    for (const QString &line : m_requestLines) {
        const QString target = line.section(QLatin1Char(' '), 1);
        if (QUrl(target).path() == path)
            ++count;
    }
    return count;
}

void UpdateServerStandIn::onReadyRead(QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    it->request += socket->readAll();
    if (it->answered)
        return; // the next request waits for this answer
    if (it->request.isEmpty())
        return;
    const qsizetype end = it->request.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray line = it->request.left(it->request.indexOf("\r\n"));
    const QList<QByteArray> parts = line.split(' ');
    const QString target = QString::fromLatin1(parts.value(1));
    m_requestLines << QString::fromLatin1(parts.value(0)) + QLatin1Char(' ') + target;
    it->answered = true;
    answer(socket, QUrl(target).path());
}

void UpdateServerStandIn::answer(QTcpSocket *socket, const QString &path)
{
    Connection &connection = m_connections[socket];
    connection.answer = m_answers.value(path, Answer {404, {}, "no such file"});
    const Answer &answer = connection.answer;

    qint64 length = answer.body.size();
    if (answer.delivery == Delivery::Generated)
        length = answer.size;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) + "\r\n";
    for (const auto &header : answer.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (answer.delivery != Delivery::NoLength && answer.delivery != Delivery::Endless)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    // Whole answers keep the connection for the next request, as servers do.
    head += answer.delivery == Delivery::Whole ? "\r\n" : "Connection: close\r\n\r\n";
    socket->write(head);

    switch (answer.delivery) {
    case Delivery::Short:
    case Delivery::Drop:
    case Delivery::Stall:
        connection.limit = length / 2;
        break;
    case Delivery::Endless:
        connection.limit = -1;
        break;
    default:
        connection.limit = length;
        break;
    }
    pump(socket);
}

void UpdateServerStandIn::pump(QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end() || !it->answered)
        return;
    Connection &connection = *it;
    auto *ssl = static_cast<QSslSocket *>(socket);
    while (socket->bytesToWrite() + ssl->encryptedBytesToWrite() < kQueued
           && (connection.limit < 0 || connection.sent < connection.limit)) {
        const qint64 count = connection.limit < 0 ? kChunk : qMin(kChunk, connection.limit - connection.sent);
        QByteArray chunk;
        const Delivery delivery = connection.answer.delivery;
        if (delivery == Delivery::Generated || delivery == Delivery::Endless) {
            chunk.resize(count);
            for (qint64 i = 0; i < count; ++i)
                chunk[i] = patternByte(connection.sent + i);
        } else {
            chunk = connection.answer.body.mid(connection.sent, count);
        }
        socket->write(chunk);
        connection.sent += chunk.size();
        m_bytesSent += chunk.size();
    }
    if (connection.limit < 0 || connection.sent < connection.limit)
        return;
    if (socket->bytesToWrite() + ssl->encryptedBytesToWrite() > 0)
        return;
    switch (connection.answer.delivery) {
    case Delivery::Stall:
        return; // stays open and silent
    case Delivery::Drop:
        connection.answered = false; // nothing more to do
        // Not from inside the TLS backend's own signal.
        QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
        return;
    case Delivery::Whole: {
        const QByteArray rest = connection.request.mid(connection.request.indexOf("\r\n\r\n") + 4);
        connection = Connection();
        connection.request = rest;
        onReadyRead(socket);
        return;
    }
    default:
        socket->disconnectFromHost();
        return;
    }
}
