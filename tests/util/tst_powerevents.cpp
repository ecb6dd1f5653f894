#include "support/testenvironment.h"
#include "util/powerevents.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

class TestPowerEvents : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowsEventCodes_data();
    void windowsEventCodes();
    void broadcastsBecomePowerStates();
    void sleepNoticesBecomePowerStates();
    void logindSignalsArriveOverTheSystemBus();

private:
    // A private bus that stands in for the system bus, when dbus-daemon exists.
    QProcess m_bus;
    QString m_busAddress;
};

void TestPowerEvents::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        return;
    m_bus.start(daemon,
                {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!m_bus.waitForStarted(5000))
        return;
    while (!m_bus.canReadLine() && m_bus.waitForReadyRead(5000)) { }
    m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();
    // Must be set before anything in this process opens the system bus.
    if (!m_busAddress.isEmpty())
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_busAddress.toUtf8());
}

void TestPowerEvents::cleanupTestCase()
{
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.kill();
        m_bus.waitForFinished(5000);
    }
}

void TestPowerEvents::windowsEventCodes_data()
{
    QTest::addColumn<quintptr>("code");
    QTest::addColumn<int>("state");
    QTest::newRow("suspend") << quintptr(4) << 1;
    QTest::newRow("automatic resume") << quintptr(0x12) << 2;
    QTest::newRow("user resume") << quintptr(7) << 0;
    QTest::newRow("query suspend") << quintptr(0) << 0;
    QTest::newRow("power status change") << quintptr(0xA) << 0;
    QTest::newRow("decimal twelve") << quintptr(12) << 0;
}

void TestPowerEvents::windowsEventCodes()
{
    QFETCH(quintptr, code);
    QFETCH(int, state);
    QCOMPARE(PowerEventSource::powerStateFromWindowsEvent(code), state);
}

void TestPowerEvents::broadcastsBecomePowerStates()
{
    PowerEventSource source;
    QSignalSpy spy(&source, &PowerEventSource::powerStateChanged);
    for (quintptr code : {quintptr(4), quintptr(7), quintptr(0x12), quintptr(0xA), quintptr(4)})
        source.onPowerBroadcast(code);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);
    QCOMPARE(spy.at(2).at(0).toInt(), 1);
}

void TestPowerEvents::sleepNoticesBecomePowerStates()
{
    PowerEventSource source;
    QSignalSpy spy(&source, &PowerEventSource::powerStateChanged);
    source.onPrepareForSleep(true);
    source.onPrepareForSleep(false);
    // Every notice is passed on; telling repeats apart is the receiver's business.
    source.onPrepareForSleep(false);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);
    QCOMPARE(spy.at(2).at(0).toInt(), 2);
}

void TestPowerEvents::logindSignalsArriveOverTheSystemBus()
{
    if (m_busAddress.isEmpty())
        QSKIP("dbus-daemon is not available");
    QDBusConnection logind = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("logind"));
    QVERIFY(logind.isConnected());
    QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));

    PowerEventSource source;
    QVERIFY(source.isListening());
    QSignalSpy spy(&source, &PowerEventSource::powerStateChanged);
    for (bool sleeping : {true, false}) {
        QDBusMessage notice = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                                         QStringLiteral("PrepareForSleep"));
        notice << sleeping;
        QVERIFY(logind.send(notice));
        QVERIFY(spy.wait(5000));
    }
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);

    // The same signal from anyone but logind is not a power notice.
    QDBusConnection other = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("other"));
    QDBusMessage forged = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    forged << true;
    QVERIFY(other.send(forged));
    // The bus handles a sender's messages in order: once it has answered a
    // call made after the forgery, the forgery has gone out, ahead of
    // logind's next notice.
    QVERIFY(other.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1")).value());
    QDBusMessage notice = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    notice << false;
    QVERIFY(logind.send(notice));
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(2).at(0).toInt(), 2);
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
}

LINKORA_TEST_MAIN(TestPowerEvents)
#include "tst_powerevents.moc"
