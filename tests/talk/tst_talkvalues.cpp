#include "support/testenvironment.h"
#include "talk/device.h"
#include "talk/proxysettings.h"

#include <QApplication>
#include <QtTest>

using talk::Device;
using talk::ProxySettings;

class TestTalkValues : public QObject
{
    Q_OBJECT

private slots:
    void deviceConstruction();
    void deviceEquality_data();
    void deviceEquality();
    void deviceValidity_data();
    void deviceValidity();
    void deviceDebugText();
    void proxyValidity_data();
    void proxyValidity();
};

void TestTalkValues::deviceConstruction()
{
    const Device none;
    QVERIFY(none.isNull());
    QVERIFY(none.id().isEmpty() && none.name().isEmpty() && none.displayName().isEmpty());

    Device mic(QStringLiteral("hw:0"), QStringLiteral("Mic"));
    QVERIFY(!mic.isNull());
    QCOMPARE(mic.displayName(), QStringLiteral("Mic"));
    mic.setDisplayName(QStringLiteral("Mic (1)"));
    QCOMPARE(mic.displayName(), QStringLiteral("Mic (1)"));
    QCOMPARE(mic.name(), QStringLiteral("Mic"));
}

void TestTalkValues::deviceEquality_data()
{
    QTest::addColumn<Device>("a");
    QTest::addColumn<Device>("b");
    QTest::addColumn<bool>("equal");
    const Device mic(QStringLiteral("1"), QStringLiteral("Mic"));
    QTest::newRow("both null") << Device() << Device() << true;
    QTest::newRow("null and empty id") << Device() << Device(QString(), QStringLiteral("x")) << true;
    QTest::newRow("null and device") << Device() << mic << false;
    QTest::newRow("same id, other name")
        << mic << Device(QStringLiteral("1"), QStringLiteral("Other")) << true;
    QTest::newRow("other id, same name")
        << mic << Device(QStringLiteral("2"), QStringLiteral("Mic")) << false;
}

void TestTalkValues::deviceEquality()
{
    QFETCH(Device, a);
    QFETCH(Device, b);
    QFETCH(bool, equal);
    QCOMPARE(a == b, equal);
    QCOMPARE(b == a, equal);
    QCOMPARE(a != b, !equal);
}

void TestTalkValues::deviceValidity_data()
{
    QTest::addColumn<Device>("device");
    QTest::addColumn<bool>("valid");
    QTest::newRow("null") << Device() << false;
    QTest::newRow("id and name") << Device(QStringLiteral("1"), QStringLiteral("Mic")) << true;
    QTest::newRow("no name") << Device(QStringLiteral("1"), QString()) << false;
    QTest::newRow("no id") << Device(QString(), QStringLiteral("Mic")) << false;
}

void TestTalkValues::deviceValidity()
{
    QFETCH(Device, device);
    QFETCH(bool, valid);
    QCOMPARE(device.isValid(), valid);
}

void TestTalkValues::deviceDebugText()
{
    Device device(QStringLiteral("hw:1"), QStringLiteral("Mic"));
    device.setDisplayName(QStringLiteral("Mic (2)"));
    QString text;
    QDebug(&text) << device;
    QCOMPARE(text.trimmed(), QStringLiteral(R"x(Device(id: "hw:1" name: "Mic" dname: "Mic (2)" ))x"));
}

void TestTalkValues::proxyValidity_data()
{
    QTest::addColumn<ProxySettings>("proxy");
    QTest::addColumn<bool>("valid");
    const QString h = QStringLiteral("h");
    const QString u = QStringLiteral("u");
    const QString p = QStringLiteral("p");
    QTest::newRow("default") << ProxySettings() << false;
    QTest::newRow("no proxy with host") << ProxySettings(3, h, 80, false, {}, {}) << false;
    QTest::newRow("host, port 0") << ProxySettings(1, h, 0, false, {}, {}) << true;
    QTest::newRow("port, no host") << ProxySettings(2, {}, 1080, false, {}, {}) << true;
    QTest::newRow("system default with host") << ProxySettings(0, h, 8080, false, {}, {}) << true;
    QTest::newRow("auth, both credentials") << ProxySettings(1, h, 80, true, u, p) << true;
    QTest::newRow("auth, no password") << ProxySettings(1, h, 0, true, u, {}) << false;
    QTest::newRow("auth, no user") << ProxySettings(1, h, 0, true, {}, p) << false;
    QTest::newRow("credentials without auth") << ProxySettings(1, h, 0, false, {}, p) << true;
}

void TestTalkValues::proxyValidity()
{
    QFETCH(ProxySettings, proxy);
    QFETCH(bool, valid);
    QCOMPARE(proxy.isValid(), valid);
}

LINKORA_TEST_MAIN(TestTalkValues)
#include "tst_talkvalues.moc"
