#include "support/testenvironment.h"
#include "util/singleinstance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

// One run of the helper program as another instance.
class Instance
{
public:
    explicit Instance(const QStringList &arguments)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(SINGLE_INSTANCE_HELPER), arguments);
    }
    ~Instance()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Blocks until the helper has printed line.
    bool waitForLine(const QString &line, int timeoutMs = 15000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!lines().contains(line)) {
            if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime())))
                return lines().contains(line);
        }
        return true;
    }
    QStringList lines()
    {
        m_output += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_output;
};

QString uniqueId()
{
    return QStringLiteral("tst-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QString::fromLatin1(QTest::currentTestFunction()));
}

std::unique_ptr<Instance> serve(const QString &id)
{
    return std::make_unique<Instance>(QStringList {QStringLiteral("serve"), id});
}

std::unique_ptr<Instance> send(const QString &id, const QString &message)
{
    return std::make_unique<Instance>(QStringList {QStringLiteral("send"), id, message});
}

QByteArray frame(const QByteArray &payload)
{
    char header[4];
    qToBigEndian<quint32>(quint32(payload.size()), header);
    return QByteArray(header, 4) + payload;
}

} // namespace

class TestQtSingleApplication : public QObject
{
    Q_OBJECT

private slots:
    void secondInstanceSeesTheFirstAndShowReachesIt();
    void killedInstanceDoesNotBlockTheNext();
    void waitingInstanceTakesOverWhenTheFirstEnds();
    void identitiesAreSeparate();
    void messageInPiecesArrivesWholeAndIsConfirmed();
    void oversizedMessageIsDropped();
};

void TestQtSingleApplication::secondInstanceSeesTheFirstAndShowReachesIt()
{
    const QString id = uniqueId();
    auto first = serve(id);
    QVERIFY(first->waitForLine(QStringLiteral("claimed")));

    auto second = send(id, QStringLiteral("--show"));
    QVERIFY(second->process().waitForFinished(15000));
    QCOMPARE(second->lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
    QCOMPARE(second->process().exitCode(), 0);
    QVERIFY(first->waitForLine(QStringLiteral("message:--show")));

    auto quit = send(id, QStringLiteral("--quit"));
    QVERIFY(first->process().waitForFinished(15000));
    QCOMPARE(first->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->process().exitCode(), 0);
}

void TestQtSingleApplication::killedInstanceDoesNotBlockTheNext()
{
    const QString id = uniqueId();
    const SingleInstance names(id);
    auto crashed = serve(id);
    QVERIFY(crashed->waitForLine(QStringLiteral("claimed")));
    crashed->process().kill();
    QVERIFY(crashed->process().waitForFinished(5000));
    // What a crash leaves behind.
    QVERIFY(QFile::exists(names.lockFilePath()));
    QVERIFY(QFile::exists(names.serverName()));

    auto next = serve(id);
    QVERIFY(next->waitForLine(QStringLiteral("claimed")));
    QCOMPARE(next->lines().first(), QStringLiteral("alone"));

    auto second = send(id, QStringLiteral("--show"));
    QVERIFY(second->process().waitForFinished(15000));
    QCOMPARE(second->lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
    QVERIFY(next->waitForLine(QStringLiteral("message:--show")));
}

void TestQtSingleApplication::waitingInstanceTakesOverWhenTheFirstEnds()
{
    const QString id = uniqueId();
    auto first = serve(id);
    QVERIFY(first->waitForLine(QStringLiteral("claimed")));

    SingleInstance waiting(id);
    QVERIFY(waiting.isRunning());
    QVERIFY(waiting.isRunning());
    QVERIFY(waiting.sendMessage(QStringLiteral("--quit"), 3000));
    QVERIFY(first->process().waitForFinished(15000));

    QVERIFY(!waiting.isRunning());
    QSignalSpy received(&waiting, &SingleInstance::messageReceived);
    auto later = send(id, QStringLiteral("--show"));
    QVERIFY(received.wait(15000));
    QCOMPARE(received.constFirst().constFirst().toString(), QStringLiteral("--show"));
    // Keep serving while the sender finishes.
    QTRY_COMPARE_WITH_TIMEOUT(later->process().state(), QProcess::NotRunning, 15000);
    QCOMPARE(later->lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
}

void TestQtSingleApplication::identitiesAreSeparate()
{
    const QString id = uniqueId();
    SingleInstance first(id);
    SingleInstance sameIdentity(id);
    SingleInstance otherIdentity(id + QStringLiteral("-other"));

    QVERIFY(!first.isRunning());
    QVERIFY(sameIdentity.isRunning());
    QVERIFY(!otherIdentity.isRunning());
    QVERIFY(first.serverName() != otherIdentity.serverName());
    QVERIFY(first.lockFilePath() != otherIdentity.lockFilePath());
    // The holder has nobody to send to.
    QVERIFY(!first.sendMessage(QStringLiteral("--show"), 100));

    // An empty identity is the program's own path.
    QCOMPARE(SingleInstance(QString()).id(), QCoreApplication::applicationFilePath());
}

void TestQtSingleApplication::messageInPiecesArrivesWholeAndIsConfirmed()
{
    SingleInstance instance(uniqueId());
    QVERIFY(!instance.isRunning());
    QSignalSpy received(&instance, &SingleInstance::messageReceived);

    const QByteArray data = frame(QStringLiteral("--show ✓").toUtf8());
    QLocalSocket client;
    client.connectToServer(instance.serverName());
    QVERIFY(client.waitForConnected(5000));
    client.write(data.left(3));
    client.flush();
    QTest::qWait(50);
    client.write(data.mid(3, 4));
    client.flush();
    QTest::qWait(50);
    QCOMPARE(received.count(), 0);
    client.write(data.mid(7));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.constFirst().constFirst().toString(), QStringLiteral("--show ✓"));
    QTRY_VERIFY(client.bytesAvailable() > 0);
    QCOMPARE(client.readAll(), QByteArray("\x06"));
}

void TestQtSingleApplication::oversizedMessageIsDropped()
{
    SingleInstance instance(uniqueId());
    QVERIFY(!instance.isRunning());
    QSignalSpy received(&instance, &SingleInstance::messageReceived);

    QLocalSocket client;
    client.connectToServer(instance.serverName());
    QVERIFY(client.waitForConnected(5000));
    QSignalSpy disconnected(&client, &QLocalSocket::disconnected);
    client.write(QByteArray("\xff\xff\xff\xff", 4) + QByteArray(1024, 'x'));
    QVERIFY(disconnected.wait(5000));
    QCOMPARE(received.count(), 0);

    // The instance still serves others.
    QLocalSocket next;
    next.connectToServer(instance.serverName());
    QVERIFY(next.waitForConnected(5000));
    next.write(frame("--show"));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.constFirst().constFirst().toString(), QStringLiteral("--show"));
}

LINKORA_TEST_MAIN(TestQtSingleApplication)
#include "tst_qtsingleapplication.moc"
