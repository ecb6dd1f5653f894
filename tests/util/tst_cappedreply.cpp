#include "rest/restrequest.h"
#include "support/testenvironment.h"
#include "util/cappedreply.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

// An HTTP peer in a thread of its own: it answers the one request it gets
// with the whole body at once, as fast as the socket takes it, while the
// client's own thread may be busy elsewhere.
class BlastingPeer
{
public:
    // With a pause, a first part of the body goes out, then the rest after
    // that many milliseconds.
    BlastingPeer(qint64 size, bool withLength, int pauseMs = 0)
        : m_pauseMs(pauseMs)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(m_listener, 1);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, size, withLength] { serve(size, withLength); });
    }
    ~BlastingPeer()
    {
        m_stop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/feed").arg(m_port)); }

private:
    void serve(qint64 size, bool withLength)
    {
        const int peer = ::accept(m_listener, nullptr, nullptr);
        if (peer < 0)
            return;
        QByteArray request;
        char buffer[4096];
        while (!request.contains("\r\n\r\n")) {
            const ssize_t got = ::read(peer, buffer, sizeof buffer);
            if (got <= 0)
                break;
            request.append(buffer, got);
        }
        QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n";
        if (withLength)
            head += "Content-Length: " + QByteArray::number(size) + "\r\n";
        head += "\r\n";
        if (size < 0) {
            // A header block without end.
            head.chop(2);
            ::send(peer, head.constData(), head.size(), MSG_NOSIGNAL);
            const QByteArray line = "X-Filler: " + QByteArray(100, 'h') + "\r\n";
            QByteArray lines;
            for (int i = 0; i < 256; ++i)
                lines += line;
            // Until the client leaves, or the test ends.
            const timeval wait {0, 100 * 1000};
            ::setsockopt(peer, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
            while (!m_stop) {
                if (::send(peer, lines.constData(), lines.size(), MSG_NOSIGNAL) <= 0 && errno != EAGAIN
                    && errno != EWOULDBLOCK)
                    break;
            }
            ::close(peer);
            return;
        }
        ::send(peer, head.constData(), head.size(), MSG_NOSIGNAL);
        const QByteArray chunk(64 * 1024, 'x');
        qint64 left = size;
        if (m_pauseMs > 0) {
            ::send(peer, chunk.constData(), chunk.size(), MSG_NOSIGNAL);
            left -= chunk.size();
            std::this_thread::sleep_for(std::chrono::milliseconds(m_pauseMs));
        }
        while (left > 0) {
            const ssize_t put
                = ::send(peer, chunk.constData(), size_t(qMin<qint64>(left, chunk.size())), MSG_NOSIGNAL);
            if (put <= 0)
                break;
            left -= put;
        }
        ::close(peer);
    }

    int m_pauseMs = 0;
    std::atomic<bool> m_stop {false};
    int m_listener = -1;
    quint16 m_port = 0;
    std::thread m_thread;
};

} // namespace

class TestCappedReply : public QObject
{
    Q_OBJECT

private slots:
    void bodyIsReadWithinItsLimit_data();
    void bodyIsReadWithinItsLimit();
    void webServiceAnswerOverItsLimitIsNotRead();
    void endlessHeaderBlockEndsInTime();
};

void TestCappedReply::bodyIsReadWithinItsLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<int>("busyMs"); // the client's thread does not look for this long
    QTest::addColumn<bool>("read");
    const qint64 limit = 1 << 20;
    QTest::newRow("at the limit, no length") << limit << false << 300 << true;
    QTest::newRow("at the limit, with length") << limit << true << 0 << true;
    QTest::newRow("one byte over, with length") << limit + 1 << true << 0 << false;
    QTest::newRow("over, no length, read as it comes") << 8 * limit << false << 0 << false;
    // All of it in before the progress check has its turn: the reply is
    // finished when the check runs, and an abort no longer stops it.
    QTest::newRow("over, no length, all in at once") << 8 * limit << false << 300 << false;
}

void TestCappedReply::bodyIsReadWithinItsLimit()
{
    QFETCH(qint64, size);
    QFETCH(bool, withLength);
    QFETCH(int, busyMs);
    QFETCH(bool, read);
    const qint64 limit = 1 << 20;

    BlastingPeer peer(size, withLength);
    QNetworkAccessManager manager;
    QNetworkReply *const reply = manager.get(QNetworkRequest(peer.url()));
    CappedReply::cap(reply, limit);
    QThread::msleep(busyMs);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));

    bool tooLarge = true;
    const QByteArray body = CappedReply::readBody(reply, &tooLarge);
    QCOMPARE(tooLarge, !read);
    QCOMPARE(CappedReply::exceeded(reply), !read);
    QCOMPARE(body.size(), read ? size : 0);
    delete reply;
}

void TestCappedReply::webServiceAnswerOverItsLimitIsNotRead()
{
    // A list without a length, all in before the client looks: it fails
    // instead of reaching the parser.
    const qint64 limit = 1 << 20;
    // Qt tells of progress at most every 100 ms: a first part makes it tell,
    // the rest comes within that time and ends the reply before any more
    // progress is told.
    BlastingPeer peer(8 * limit, false, 20);
    RestRequest request;
    RestRequest::Limits limits;
    limits.recordBodySize = limit;
    limits.listBodySize = limit;
    request.setLimits(limits);
    QSignalSpy bodies(&request, &RestRequest::finishedRequest);
    QSignalSpy errors(&request, &RestRequest::requestError);
    request.send(peer.url(), RestRequest::Get, nullptr);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30)
        QCoreApplication::processEvents();
    QThread::msleep(40);
    QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 10000);
    QCOMPARE(bodies.size(), 0);
}

void TestCappedReply::endlessHeaderBlockEndsInTime()
{
    const auto residentBytes = [] {
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return qint64(0);
        return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
    };
    BlastingPeer peer(-1, false);
    QNetworkAccessManager manager;
    QNetworkReply *const reply = manager.get(QNetworkRequest(peer.url()));
    QString reason;
    CappedReply::cap(
        reply, 1 << 20,
        [&reason, reply](const QString &why) {
            reason = why;
            reply->abort();
        },
        1000);
    const qint64 before = residentBytes();
    QElapsedTimer clock;
    clock.start();
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));
    qInfo("header block given up after %lld ms, resident memory grew by %lld MB", clock.elapsed(),
          (residentBytes() - before) >> 20);
    QCOMPARE(reason, QStringLiteral("no complete header block within 1000 ms"));
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
    delete reply;
}

LINKORA_TEST_MAIN(TestCappedReply)
#include "tst_cappedreply.moc"
