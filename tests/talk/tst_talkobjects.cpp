#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "talk/device.h"
#include "talk/jid.h"
#include "talk/plixtalk.h"
#include "talk/proxysettings.h"
#include "util/trace.h"

#include "plixtalk_api.h"

#include <QApplication>
#include <QtTest>

#include <memory>

using talk::Device;
using talk::Jid;
using talk::ProxySettings;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

int liveJids()
{
    return control()->live_objects(PLIX_STANDIN_JID);
}

QString debugText(const Jid &jid)
{
    QString text;
    QDebug(&text) << jid;
    return text.trimmed();
}

} // namespace

// The value types that live in library objects, against the stand-in.
class TestTalkObjects : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void jidParts();
    void jidCopiesShareUntilChanged();
    void jidFromLibraryObject();
    void displayString_data();
    void displayString();
    void jidDebugText_data();
    void jidDebugText();
    void deviceConversions();
    void proxyConversions();
    void objectsOutliveTheSession();

private:
    std::unique_ptr<talk::PlixTalk> m_talk;
};

void TestTalkObjects::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
}

void TestTalkObjects::init()
{
    control()->reset();
    m_talk = std::make_unique<talk::PlixTalk>();
    QVERIFY(m_talk->isLibraryLoaded());
    QCOMPARE(talk::PlixTalk::objectFactory(), m_talk->factory());
}

void TestTalkObjects::cleanup()
{
    m_talk.reset();
    QVERIFY(!talk::PlixTalk::objectFactory());
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
    QCOMPARE(control()->allocator_misuses(), 0LL);
}

void TestTalkObjects::jidParts()
{
    const Jid jid(QStringLiteral("4930123@talk.example/desk"));
    QCOMPARE(jid.node(), QStringLiteral("4930123"));
    QCOMPARE(jid.domain(), QStringLiteral("talk.example"));
    QCOMPARE(jid.resource(), QStringLiteral("desk"));
    QCOMPARE(jid.full(), QStringLiteral("4930123@talk.example/desk"));
    QCOMPARE(jid.toString(), QStringLiteral("4930123@talk.example"));

    const Jid parts(QStringLiteral("ann"), QStringLiteral("talk.example"), QStringLiteral("home"));
    QCOMPARE(parts.full(), QStringLiteral("ann@talk.example/home"));

    const Jid number = Jid::fromNumber(QStringLiteral("123"), QStringLiteral("talk.example"));
    QCOMPARE(number.node(), QStringLiteral("123"));
    QCOMPARE(number.domain(), QStringLiteral("talk.example"));

    // Text after a NUL character never reaches the library.
    Jid cut;
    QVERIFY(cut.setNode(QStringLiteral("12") + QChar(0) + QStringLiteral("@evil")));
    QCOMPARE(cut.node(), QStringLiteral("12"));
    // Refusals come back unchanged.
    QVERIFY(!cut.setFull(QStringLiteral("a@b@c")));
    QCOMPARE(cut.node(), QStringLiteral("12"));
}

void TestTalkObjects::jidCopiesShareUntilChanged()
{
    Jid first = Jid::fromNumber(QStringLiteral("123"), QStringLiteral("talk.example"));
    QCOMPARE(liveJids(), 1);
    {
        Jid copy = first;
        Jid assigned;
        QCOMPARE(liveJids(), 2);
        assigned = first;
        QCOMPARE(liveJids(), 1); // the empty one went
        QCOMPARE(copy.plixJid(), first.plixJid());

        QVERIFY(copy.setNode(QStringLiteral("999")));
        QCOMPARE(liveJids(), 2);
        QCOMPARE(copy.node(), QStringLiteral("999"));
        QCOMPARE(copy.domain(), QStringLiteral("talk.example"));
        QCOMPARE(first.node(), QStringLiteral("123"));
        QCOMPARE(assigned.node(), QStringLiteral("123"));

        // A JID of its own changes in place.
        void *object = copy.plixJid();
        QVERIFY(copy.setResource(QStringLiteral("desk")));
        QCOMPARE(static_cast<void *>(copy.plixJid()), object);
        QCOMPARE(liveJids(), 2);
        copy = copy;
        QCOMPARE(copy.full(), QStringLiteral("999@talk.example/desk"));
    }
    QCOMPARE(liveJids(), 1);
    QCOMPARE(first.full(), QStringLiteral("123@talk.example"));
}

void TestTalkObjects::jidFromLibraryObject()
{
    const Jid original(QStringLiteral("ann@talk.example/desk"));
    const Jid copy(original.plixJid());
    QVERIFY(copy.plixJid() != original.plixJid());
    QCOMPARE(copy.full(), original.full());

    const Jid none(static_cast<const plix::IJid *>(nullptr));
    QVERIFY(none.plixJid());
    QVERIFY(none.full().isEmpty());
    QVERIFY(none.hasFlagE());
}

void TestTalkObjects::displayString_data()
{
    QTest::addColumn<QString>("full");
    QTest::addColumn<QString>("shown");
    QTest::newRow("service user") << Jid::talkDomain().prepend(QStringLiteral("4930123@")) << "4930123";
    QTest::newRow("other domain") << "ann@talk.example/desk"
                                  << "ann@talk.example";
}

void TestTalkObjects::displayString()
{
    QFETCH(QString, full);
    QFETCH(QString, shown);
    QCOMPARE(Jid(full).displayString(), shown);
}

void TestTalkObjects::jidDebugText_data()
{
    QTest::addColumn<QString>("full");
    QTest::addColumn<QString>("text");
    // The full text, which holds the number called, as its id.
    QTest::newRow("bare") << "123@talk.example"
                          << "JidBV(" + Trace::tag("123@talk.example") + ')';
    QTest::newRow("with resource") << "123@talk.example/desk"
                                   << "JidV(" + Trace::tag("123@talk.example/desk") + ')';
    QTest::newRow("empty") << QString() << "JidBE(#-)";
}

void TestTalkObjects::jidDebugText()
{
    QFETCH(QString, full);
    QFETCH(QString, text);
    QCOMPARE(debugText(full.isEmpty() ? Jid() : Jid(full)), text);
}

void TestTalkObjects::deviceConversions()
{
    {
        const Device mic(QStringLiteral("mic-ü"), QStringLiteral("Mikrofon ü"));
        const QSharedPointer<plix::IDevice> object = mic.toPlixDevice();
        QVERIFY(object);
        QCOMPARE(control()->live_objects(PLIX_STANDIN_DEVICE), 1);
        QCOMPARE(QString::fromUtf8(object->Id()), mic.id());

        const Device back(object.data());
        QVERIFY(!back.isNull());
        QCOMPARE(back, mic);
        QCOMPARE(back.name(), mic.name());
        QCOMPARE(back.displayName(), mic.name());

        QVERIFY(Device().toPlixDevice().isNull());
        const Device none(static_cast<const plix::IDevice *>(nullptr));
        QVERIFY(none.isNull());
        QVERIFY(none.id().isEmpty() && none.name().isEmpty() && none.displayName().isEmpty());
    }
    QCOMPARE(control()->live_objects(PLIX_STANDIN_DEVICE), 0);
}

void TestTalkObjects::proxyConversions()
{
    const ProxySettings withAuth(ProxySettings::Http, QStringLiteral("proxy.example"), 3128, true,
                                 QStringLiteral("pat"), QStringLiteral("pw"));
    {
        const QSharedPointer<plix::IProxy> object = withAuth.toPlixProxy();
        QVERIFY(object);
        QCOMPARE(object->Mode(), int(plix::PROXY_HTTP));
        QCOMPARE(QString::fromUtf8(object->Host()), QStringLiteral("proxy.example"));
        QCOMPARE(object->Port(), 3128);
        QCOMPARE(QString::fromUtf8(object->User()), QStringLiteral("pat"));
        QCOMPARE(QString::fromUtf8(object->Password()), QStringLiteral("pw"));

        // The library object knows no authentication flag.
        const ProxySettings back(object.data());
        QCOMPARE(back,
                 ProxySettings(ProxySettings::Http, QStringLiteral("proxy.example"), 3128, false,
                               QStringLiteral("pat"), QStringLiteral("pw")));
        QCOMPARE(control()->live_objects(PLIX_STANDIN_PROXY), 1);
    }
    ProxySettings withoutAuth = withAuth;
    withoutAuth.setAuthEnabled(false);
    const QSharedPointer<plix::IProxy> object = withoutAuth.toPlixProxy();
    QCOMPARE(QString::fromUtf8(object->User()), QString());
    QCOMPARE(QString::fromUtf8(object->Password()), QString());
    QCOMPARE(ProxySettings(static_cast<const plix::IProxy *>(nullptr)), ProxySettings());
}

void TestTalkObjects::objectsOutliveTheSession()
{
    Jid jid = Jid::fromNumber(QStringLiteral("123"), QStringLiteral("talk.example"));
    const QSharedPointer<plix::IProxy> proxy = ProxySettings().toPlixProxy();
    m_talk.reset();
    // Made before the session went: still whole, and given back once.
    QCOMPARE(jid.node(), QStringLiteral("123"));
    QCOMPARE(liveJids(), 1);
    // A copy of its own needs the library: it comes out empty.
    Jid copy = jid;
    QVERIFY(!copy.setNode(QStringLiteral("456")));
    QCOMPARE(copy.node(), QString());
    QCOMPARE(jid.node(), QStringLiteral("123"));
    QCOMPARE(liveJids(), 1);
    QVERIFY(Jid(QStringLiteral("a@b")).full().isEmpty());
    QVERIFY(Device(QStringLiteral("a"), QStringLiteral("b")).toPlixDevice().isNull());
}

LINKORA_TEST_MAIN(TestTalkObjects)
#include "tst_talkobjects.moc"
