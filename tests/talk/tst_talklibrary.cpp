#include "plixtalk_api.h"
#include "plixtalk_standin.h"
#include "support/testenvironment.h"

#include <QFile>
#include <QLibrary>
#include <QtTest>

#include <memory>

namespace {

CreatePlixTalkFunction createPlixTalk = nullptr;
const PlixStandinControl *control = nullptr;

QString text(const char *s)
{
    return QString::fromUtf8(s);
}

QString idOf(plix::ICallInstance *call)
{
    return call ? text(call->Id()) : QStringLiteral("-");
}

// Writes every event of the library as one line, e.g. "state call-1 5", and
// follows each call and its session the way the program's wrappers do.
class EventLog : public sigslot::has_slots<>
{
public:
    QStringList lines;

    void watch(plix::IPlixTalk *talk)
    {
        talk->SignalDisconnected.connect(this, &EventLog::onDisconnected);
        talk->SignalLoginCompleted.connect(this, &EventLog::onLoginCompleted);
        talk->SignalLoginFailed.connect(this, &EventLog::onLoginFailed);
        talk->SignalRoster.connect(this, &EventLog::onRoster);
        plix::IMediaEngine *engine = talk->MediaEngine(0);
        engine->SignalCallCreated.connect(this, &EventLog::onCallCreated);
        engine->SignalCallDestroyed.connect(this, &EventLog::onCallDestroyed);
        engine->SignalCallFocusChanged.connect(this, &EventLog::onFocusChanged);
        engine->SignalDevicesChanged.connect(this, &EventLog::onDevicesChanged);
        engine->SignalCurrentDeviceChanged.connect(this, &EventLog::onCurrentDeviceChanged);
        engine->Player()->SignalFinished.connect(this, &EventLog::onFinished);
    }

    // "0,2,3" for the session states the call went through.
    QString statesOf(const QString &id) const
    {
        QStringList states;
        const QString prefix = QStringLiteral("state %1 ").arg(id);
        for (const QString &line : lines) {
            if (line.startsWith(prefix))
                states << line.mid(prefix.size());
        }
        return states.join(QLatin1Char(','));
    }

    // The lines from the first that starts with the text on.
    QStringList from(const QString &start) const
    {
        for (int i = 0; i < lines.size(); ++i) {
            if (lines.at(i).startsWith(start))
                return lines.mid(i);
        }
        return {};
    }

    plix::ICallInstance *lastCall = nullptr;

private:
    void onDisconnected(plix::PLIX_DISCONNECT_REASON reason)
    {
        add(QStringLiteral("disconnected %1").arg(reason));
    }
    void onLoginCompleted(plix::IJid *user) { add(QStringLiteral("login %1").arg(text(user->Full()))); }
    void onLoginFailed(plix::PLIX_TALK_ERROR_CODE code) { add(QStringLiteral("failed %1").arg(code)); }
    void onRoster(plix::IRoster *roster) { add(QStringLiteral("roster %1").arg(roster->Count())); }

    void onCallCreated(plix::ICallInstance *call)
    {
        lastCall = call;
        call->SignalSessionInitiated.connect(this, &EventLog::onSessionInitiated);
        call->SignalHangup.connect(this, &EventLog::onHangup);
        add(QStringLiteral("created %1").arg(idOf(call)));
    }

    // Reads the call: a call already freed would show up under the sanitizer.
    void onCallDestroyed(plix::ICallInstance *call)
    {
        if (lastCall == call)
            lastCall = nullptr;
        add(QStringLiteral("destroyed %1%2")
                .arg(idOf(call), call->IsIncoming() ? QStringLiteral(" in") : QString()));
    }

    void onFocusChanged(plix::ICallInstance *from, plix::ICallInstance *to)
    {
        add(QStringLiteral("focus %1 -> %2").arg(idOf(from), idOf(to)));
    }

    void onDevicesChanged() { add(QStringLiteral("devices changed")); }

    void onCurrentDeviceChanged(plix::IDevice *device, plix::MEDIA_DEVICE_TYPE type, bool automatic)
    {
        add(QStringLiteral("device %1 %2 %3")
                .arg(type)
                .arg(device ? text(device->Id()) : QStringLiteral("-"),
                     automatic ? QStringLiteral("auto") : QStringLiteral("manual")));
    }

    void onFinished() { add(QStringLiteral("finished")); }

    void onSessionInitiated(plix::ICallInstance *call, bool outgoing)
    {
        plix::ICallSessionList *sessions = nullptr;
        if (call->GetSessions(&sessions)) {
            plix::ICallSession *session = sessions->At(0);
            m_sessions.insert(session, idOf(call));
            session->SignalStateChanged.connect(this, &EventLog::onStateChanged);
            add(QStringLiteral("remote %1 %2").arg(idOf(call), text(session->RemoteJid()->Full())));
            sessions->Release();
        }
        add(QStringLiteral("session %1 %2")
                .arg(idOf(call), outgoing ? QStringLiteral("out") : QStringLiteral("in")));
    }

    void onStateChanged(plix::ICallSession *session, plix::CALL_SESSION_STATE state)
    {
        add(QStringLiteral("state %1 %2").arg(m_sessions.value(session)).arg(state));
    }

    void onHangup(plix::ICallInstance *call, plix::ICallSession *, plix::HANGUP_REASON reason)
    {
        add(QStringLiteral("hangup %1 %2").arg(idOf(call)).arg(reason));
    }

    void add(const QString &line) { lines << line; }

    QHash<plix::ICallSession *, QString> m_sessions;
};

// One talk interface with its event log, released at the end of the test.
struct Session
{
    Session()
    {
        if (!createPlixTalk(&talk))
            return;
        talk->SetServer("talk.example", 443);
        log.watch(talk);
    }

    ~Session()
    {
        if (talk)
            talk->Release();
    }

    plix::IMediaEngine *engine() const { return talk->MediaEngine(0); }

    bool login()
    {
        talk->Login("bob@talk.example", "secret", true);
        return QTest::qWaitFor([this] { return talk->IsConnected(); });
    }

    // Places a call to the number and waits until the program hears of it.
    plix::ICallInstance *call(const char *number)
    {
        plix::IJid *callee = talk->Factory()->CreateJid();
        callee->SetNode(number);
        callee->SetDomain("talk.example");
        log.lastCall = nullptr;
        const bool placed = engine()->PlaceCall(callee, false);
        callee->Release();
        if (!placed || !QTest::qWaitFor([this] { return log.lastCall != nullptr; }))
            return nullptr;
        return log.lastCall;
    }

    EventLog log;
    plix::IPlixTalk *talk = nullptr;
};

struct Counter : public sigslot::has_slots<>
{
    void onValue(int value)
    {
        values << value;
        if (action)
            action();
    }

    QList<int> values;
    std::function<void()> action;
};

} // namespace

class TestTalkLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loginCompletesLater();
    void loginFailures_data();
    void loginFailures();
    void forcedFailuresAreUsedUp();
    void disconnectCarriesReasonButLogoutIsSilent();
    void outgoingCallRunsThroughItsStates();
    void farEndEndsCall_data();
    void farEndEndsCall();
    void ringingCallWaitsForTheFarEnd();
    void incomingCallAccepted();
    void incomingCallRejected();
    void dtmfAndHoldWhileConnected();
    void deviceLists();
    void deviceChanges();
    void playerPlaysAndFinishes();
    void volumesLevelsAndOptions();
    void proxySettings();
    void jidParts();
    void logFilesMaskThePassword();
    void factoryObjectsAreCounted();

    void receiversDisconnectWhenDestroyed();
    void emissionSurvivesChangesFromSlots();
    void allocatorBalanceReturnsToZero();
    void callDestroyedIsAnnouncedBeforeFree();
    void releaseFromInsideAnEvent();
};

void TestTalkLibrary::initTestCase()
{
    // Never unloaded: objects with the library's code outlive any one test.
    auto *library = new QLibrary(QStringLiteral(LINKORA_TALK_LIBRARY_PATH), this);
    QVERIFY2(library->load(), qPrintable(library->errorString()));
    createPlixTalk = reinterpret_cast<CreatePlixTalkFunction>(library->resolve("CreatePlixTalk"));
    const auto allocate
        = reinterpret_cast<PlixTalkAllocatorFunction>(library->resolve("PlixTalk_EASTLAllocator"));
    const auto deallocate
        = reinterpret_cast<PlixTalkDeleterFunction>(library->resolve("PlixTalk_EASTLDeleter"));
    const auto controlFunction
        = reinterpret_cast<PlixStandinControlFunction>(library->resolve("plix_standin_control"));
    QVERIFY(createPlixTalk && allocate && deallocate && controlFunction);
    sigslot::set_allocator(allocate, deallocate);
    control = controlFunction();
    QCOMPARE(control->version, PLIX_STANDIN_CONTROL_VERSION);
}

void TestTalkLibrary::init()
{
    control->reset();
}

void TestTalkLibrary::cleanup()
{
    QCOMPARE(control->live_objects(PLIX_STANDIN_TALK), 0);
    QCOMPARE(control->allocator_misuses(), 0LL);
}

void TestTalkLibrary::loginCompletesLater()
{
    Session s;
    QVERIFY(s.talk);
    QVERIFY(!s.talk->Publish(nullptr));
    s.talk->Login("bob@talk.example", "secret", true);
    QVERIFY(!s.talk->IsConnected());
    QVERIFY(s.log.lines.isEmpty());
    QCOMPARE(text(s.talk->LoginName()), QStringLiteral("bob@talk.example"));

    QTRY_COMPARE(s.log.lines,
                 QStringList({QStringLiteral("login bob@talk.example/linkora"), QStringLiteral("roster 0")}));
    QVERIFY(s.talk->IsConnected());
    QCOMPARE(text(control->server_host()), QStringLiteral("talk.example"));
    QCOMPARE(control->server_port(), 443);
    QCOMPARE(text(control->login_user()), QStringLiteral("bob@talk.example"));
    QCOMPARE(text(control->login_password()), QStringLiteral("secret"));
    QCOMPARE(control->login_flag(), 1);
    QCOMPARE(control->login_count(), 1);

    plix::IStatus *status = s.talk->Factory()->CreateStatus();
    status->SetShow(plix::SHOW_ONLINE);
    status->SetPriority(0);
    QVERIFY(s.talk->Publish(status));
    status->Release();
    QCOMPARE(control->publish_count(), 1);
    QCOMPARE(control->published_show(), 5);
    QCOMPARE(control->published_priority(), 0);

    QVERIFY(control->send_roster());
    QTRY_COMPARE(s.log.lines.count(QStringLiteral("roster 0")), 2);
}

void TestTalkLibrary::loginFailures_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<int>("forcedCode");
    QTest::addColumn<int>("code");
    QTest::newRow("empty user") << QByteArray() << QByteArray("secret") << 0 << 6;
    QTest::newRow("empty password") << QByteArray("bob") << QByteArray() << 0 << 6;
    QTest::newRow("two @") << QByteArray("a@b@c") << QByteArray("secret") << 0 << 3;
    QTest::newRow("forced connection failure") << QByteArray("bob") << QByteArray("secret") << 4 << 4;
    QTest::newRow("forced unnamed code") << QByteArray("bob") << QByteArray("secret") << 42 << 42;
}

void TestTalkLibrary::loginFailures()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    QFETCH(int, forcedCode);
    QFETCH(int, code);
    if (forcedCode)
        control->fail_logins(forcedCode, 1);
    Session s;
    s.talk->Login(user.constData(), password.constData(), false);
    QVERIFY(s.log.lines.isEmpty());
    QTRY_COMPARE(s.log.lines, QStringList(QStringLiteral("failed %1").arg(code)));
    QVERIFY(!s.talk->IsConnected());
}

void TestTalkLibrary::forcedFailuresAreUsedUp()
{
    control->fail_logins(6, 2);
    Session s;
    const QStringList outcomes = {QStringLiteral("failed 6"), QStringLiteral("failed 6"),
                                  QStringLiteral("login bob@talk.example/linkora")};
    for (int i = 0; i < outcomes.size(); ++i) {
        s.talk->Login("bob", "secret", true);
        QTRY_COMPARE(s.log.lines.value(i), outcomes.at(i));
    }
    QCOMPARE(control->login_count(), 3);

    // A login superseded before it completes reports nothing.
    s.talk->Login("carol", "secret", true);
    s.talk->Login("dave", "secret", true);
    QTRY_VERIFY(s.log.lines.contains(QStringLiteral("login dave@talk.example/linkora")));
    QVERIFY(!s.log.lines.join(QLatin1Char('\n')).contains(QStringLiteral("carol")));
}

void TestTalkLibrary::disconnectCarriesReasonButLogoutIsSilent()
{
    Session s;
    QCOMPARE(control->drop_connection(0), 0);
    QVERIFY(s.login());
    QVERIFY(control->drop_connection(plix::PLIX_DISCONNECT_REPLACED));
    QVERIFY(!s.talk->IsConnected());
    QVERIFY(!s.log.lines.contains(QStringLiteral("disconnected 1")));
    QTRY_VERIFY(s.log.lines.contains(QStringLiteral("disconnected 1")));

    QVERIFY(s.login());
    s.log.lines.clear();
    s.talk->Logout();
    QVERIFY(!s.talk->IsConnected());
    QTest::qWait(50);
    QVERIFY(s.log.lines.isEmpty());
}

void TestTalkLibrary::outgoingCallRunsThroughItsStates()
{
    Session s;
    QVERIFY(!s.call("4930123")); // not logged in
    QVERIFY(s.login());
    plix::ICallInstance *call = s.call("4930123");
    QVERIFY(call);
    QCOMPARE(text(control->last_callee()), QStringLiteral("4930123@talk.example"));
    QCOMPARE(s.engine()->CallCount(), 1);
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2,3,4,5"));
    QCOMPARE(s.log.from(QStringLiteral("created")),
             QStringList({QStringLiteral("created call-1"), QStringLiteral("focus - -> call-1"),
                          QStringLiteral("remote call-1 4930123@talk.example"),
                          QStringLiteral("session call-1 out"), QStringLiteral("state call-1 0"),
                          QStringLiteral("state call-1 2"), QStringLiteral("state call-1 3"),
                          QStringLiteral("state call-1 4"), QStringLiteral("state call-1 5")}));
    QCOMPARE(s.engine()->FocusedCall(), call);
    QVERIFY(call->IsActive());
    QVERIFY(!call->IsIncoming());

    // One call at a time unless the program allows more.
    s.engine()->SetAllowsMultipleCalls(false);
    plix::IJid *other = s.talk->Factory()->CreateJid();
    QVERIFY(other->SetFull("4930999@talk.example"));
    QVERIFY(!s.engine()->PlaceCall(other, true));
    QCOMPARE(control->last_call_anonymous(), 1);
    other->Release();

    call->Hangup(0);
    QTRY_VERIFY(s.log.lines.contains(QStringLiteral("destroyed call-1")));
    QCOMPARE(s.log.from(QStringLiteral("state call-1 8")),
             QStringList({QStringLiteral("state call-1 8"), QStringLiteral("hangup call-1 0"),
                          QStringLiteral("focus call-1 -> -"), QStringLiteral("destroyed call-1")}));
    QVERIFY(!s.engine()->FocusedCall());
    QCOMPARE(s.engine()->CallCount(), 0);
}

void TestTalkLibrary::farEndEndsCall_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("remoteReason"); // -1: none, the outcome decides
    QTest::addColumn<QString>("states");
    QTest::addColumn<int>("reason");
    QTest::newRow("busy") << int(plix::HANGUP_BUSY) << -1 << "0,7" << 2;
    QTest::newRow("not found") << int(plix::HANGUP_NOT_FOUND) << -1 << "0,7" << 3;
    QTest::newRow("unreachable") << int(plix::HANGUP_UNREACHABLE) << -1 << "0,7" << 4;
    QTest::newRow("timeout") << int(plix::HANGUP_TIMEOUT) << -1 << "0,2,7" << 5;
    QTest::newRow("decline") << int(plix::HANGUP_DECLINE) << -1 << "0,2,7" << 1;
    QTest::newRow("unknown") << int(plix::HANGUP_UNKNOWN) << -1 << "0,7" << 9;
    QTest::newRow("unnamed 7") << 7 << -1 << "0,7" << 7;
    QTest::newRow("after answer") << int(PLIX_STANDIN_ANSWER) << 0 << "0,2,3,4,5,7" << 0;
    QTest::newRow("busy while ringing") << int(PLIX_STANDIN_RING) << 2 << "0,2,7" << 2;
}

void TestTalkLibrary::farEndEndsCall()
{
    QFETCH(int, outcome);
    QFETCH(int, remoteReason);
    QFETCH(QString, states);
    QFETCH(int, reason);
    Session s;
    QVERIFY(s.login());
    control->set_call_outcome(outcome);
    QVERIFY(s.call("4930123"));
    if (remoteReason >= 0) {
        QTRY_VERIFY(s.log.statesOf(QStringLiteral("call-1"))
                        .endsWith(QLatin1Char(outcome == PLIX_STANDIN_RING ? '2' : '5')));
        QVERIFY(control->hangup_remote(remoteReason));
    }
    QTRY_VERIFY(s.log.lines.contains(QStringLiteral("destroyed call-1")));
    QCOMPARE(s.log.statesOf(QStringLiteral("call-1")), states);
    QCOMPARE(s.log.lines.filter(QStringLiteral("hangup")),
             QStringList(QStringLiteral("hangup call-1 %1").arg(reason)));
    QVERIFY(!control->hangup_remote(0));
}

void TestTalkLibrary::ringingCallWaitsForTheFarEnd()
{
    control->set_call_outcome(PLIX_STANDIN_RING);
    Session s;
    QVERIFY(s.login());
    plix::ICallInstance *call = s.call("4930123");
    QVERIFY(call);
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2"));
    QTest::qWait(50);
    QCOMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2"));
    QVERIFY(!call->IsActive());
    QVERIFY(!call->Accept(false)); // only incoming calls are accepted here
    QVERIFY(control->answer_call());
    QVERIFY(!control->answer_call());
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2,3,4,5"));
}

void TestTalkLibrary::incomingCallAccepted()
{
    Session s;
    QVERIFY(!control->raise_incoming_call("4930555"));
    QVERIFY(s.login());
    QVERIFY(control->raise_incoming_call("4930555"));
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0"));
    QCOMPARE(s.log.from(QStringLiteral("created")),
             QStringList({QStringLiteral("created call-1"), QStringLiteral("focus - -> call-1"),
                          QStringLiteral("remote call-1 4930555@talk.example"),
                          QStringLiteral("session call-1 in"), QStringLiteral("state call-1 0")}));
    plix::ICallInstance *call = s.log.lastCall;
    QVERIFY(call->IsIncoming());
    QVERIFY(!call->StartRecordingPlayout("unused.wav"));

    QVERIFY(call->Accept(true));
    QVERIFY(!call->Accept(true));
    QVERIFY(!call->Reject(0));
    QCOMPARE(control->call_muted(), 1);
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,4,5"));
    call->SetMuted(false);
    QCOMPARE(control->call_muted(), 0);

    const QString recording
        = TestEnvironment::freshDirectory(QStringLiteral("recording")) + QStringLiteral("/call.wav");
    QVERIFY(call->StartRecordingPlayout(recording.toUtf8().constData()));
    QVERIFY(QFile::exists(recording));
    QVERIFY(call->StopRecordingPlayout());
    QVERIFY(!call->StopRecordingPlayout());

    QVERIFY(control->hangup_remote(plix::HANGUP_SUCCESS));
    QTRY_VERIFY(s.log.lines.contains(QStringLiteral("destroyed call-1 in")));
    QCOMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,4,5,7"));
}

void TestTalkLibrary::incomingCallRejected()
{
    Session s;
    QVERIFY(s.login());
    QVERIFY(control->raise_incoming_call("4930555"));
    QTRY_VERIFY(s.log.lines.contains(QStringLiteral("session call-1 in")));
    QVERIFY(s.log.lastCall->Reject(0));
    QTRY_VERIFY(s.log.lines.contains(QStringLiteral("destroyed call-1 in")));
    QCOMPARE(s.log.from(QStringLiteral("state call-1 8")),
             QStringList({QStringLiteral("state call-1 8"), QStringLiteral("hangup call-1 1"),
                          QStringLiteral("focus call-1 -> -"), QStringLiteral("destroyed call-1 in")}));
}

void TestTalkLibrary::dtmfAndHoldWhileConnected()
{
    control->set_call_outcome(PLIX_STANDIN_RING);
    Session s;
    QVERIFY(s.login());
    plix::ICallInstance *call = s.call("4930123");
    QVERIFY(call);
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2"));
    call->SendDtmf(1); // nobody to hear it yet
    QVERIFY(control->answer_call());
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2,3,4,5"));
    for (int tone : {5, 10, 11, 12, -1})
        call->SendDtmf(tone);
    QCOMPARE(text(control->dtmf_sent()), QStringLiteral("5*#"));

    QVERIFY(!control->hold_call(0));
    QVERIFY(control->hold_call(1));
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2,3,4,5,6"));
    QVERIFY(call->IsOnHold());
    QVERIFY(!call->IsActive());
    call->SendDtmf(0);
    QCOMPARE(text(control->dtmf_sent()), QStringLiteral("5*#0"));
    QVERIFY(control->hold_call(0));
    QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2,3,4,5,6,5"));
    QVERIFY(call->IsActive());
}

void TestTalkLibrary::deviceLists()
{
    Session s;
    plix::IDeviceList *inputs = nullptr;
    QVERIFY(s.engine()->GetInputDevices(&inputs));
    QVERIFY(inputs);
    QStringList ids, names;
    for (int i = 0; i < inputs->Count(); ++i) {
        ids << text(inputs->At(i)->Id());
        names << text(inputs->At(i)->Name());
    }
    QVERIFY(!inputs->At(inputs->Count()));
    QCOMPARE(control->live_objects(PLIX_STANDIN_LIST), 1);
    inputs->Release();
    QCOMPARE(control->live_objects(PLIX_STANDIN_LIST), 0);

    QVERIFY(names.size() >= 3);
    QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
    QVERIFY(names.count(QStringLiteral("USB Headset")) == 2);
    QCOMPARE(text(s.engine()->CurrentInputDevice()->Id()), ids.first());

    plix::IDeviceList *outputs = nullptr;
    QVERIFY(s.engine()->GetOutputDevices(&outputs));
    QVERIFY(outputs->Count() > 0);
    QCOMPARE(text(s.engine()->CurrentOutputDevice()->Id()), text(outputs->At(0)->Id()));
    outputs->Release();
}

void TestTalkLibrary::deviceChanges()
{
    Session s;
    plix::IObjectFactory *factory = s.talk->Factory();
    std::unique_ptr<plix::IDevice, void (*)(plix::IDevice *)> usb(
        factory->CreateDevice("mic-usb-2", "USB Headset"), [](plix::IDevice *d) { d->Release(); });
    std::unique_ptr<plix::IDevice, void (*)(plix::IDevice *)> gone(factory->CreateDevice("nowhere", "Gone"),
                                                                   [](plix::IDevice *d) { d->Release(); });
    QVERIFY(s.engine()->SetInputDevice(usb.get()));
    QCOMPARE(text(control->current_device(plix::MEDIA_DEVICE_INPUT)), QStringLiteral("mic-usb-2"));
    QVERIFY(s.log.lines.isEmpty());
    QTRY_COMPARE(s.log.lines, QStringList(QStringLiteral("device 0 mic-usb-2 manual")));
    QVERIFY(!s.engine()->SetInputDevice(gone.get()));
    QVERIFY(!s.engine()->SetInputDevice(nullptr)); // the list is not empty
    control->refuse_device_changes(1);
    QVERIFY(!s.engine()->SetOutputDevice(usb.get()));
    control->refuse_device_changes(0);

    // The current device is unplugged: the library falls back to the first one.
    const char *ids[] = {"mic-a", "mic-b"};
    const char *names[] = {"Mic", "Mic"};
    s.log.lines.clear();
    QVERIFY(control->set_devices(plix::MEDIA_DEVICE_INPUT, ids, names, 2));
    QTRY_COMPARE(s.log.lines,
                 QStringList({QStringLiteral("device 0 mic-a auto"), QStringLiteral("devices changed")}));

    s.log.lines.clear();
    QVERIFY(control->set_devices(plix::MEDIA_DEVICE_OUTPUT, nullptr, nullptr, 0));
    QTRY_COMPARE(s.log.lines,
                 QStringList({QStringLiteral("device 1 - auto"), QStringLiteral("devices changed")}));
    QVERIFY(!s.engine()->CurrentOutputDevice());
    QVERIFY(s.engine()->SetOutputDevice(nullptr));
    usb.reset();
    gone.reset();
    QCOMPARE(control->live_objects(PLIX_STANDIN_DEVICE), 0);
}

void TestTalkLibrary::playerPlaysAndFinishes()
{
    Session s;
    plix::IPlayer *player = s.engine()->Player();
    QCOMPARE(s.engine()->Player(), player);
    const QString file
        = TestEnvironment::freshDirectory(QStringLiteral("sounds")) + QStringLiteral("/ring.wav");
    QFile sound(file);
    QVERIFY(sound.open(QIODevice::WriteOnly));
    sound.write("RIFF");
    sound.close();
    const QByteArray path = file.toUtf8();

    int duration = -1;
    QVERIFY(!player->GetFileDuration("/nonexistent/ring.wav", &duration));
    QVERIFY(player->GetFileDuration(path.constData(), &duration));
    QCOMPARE(duration, 50);
    QVERIFY(!player->Play("/nonexistent/ring.wav", false));
    QVERIFY(!player->Stop());
    int position = -1;
    QVERIFY(!player->GetPosition(&position));

    control->set_output_level(7);
    QVERIFY(player->Play(path.constData(), false));
    QVERIFY(player->IsPlaying());
    int level = -1;
    QVERIFY(player->GetLevel(&level));
    QCOMPARE(level, 7);
    QVERIFY(s.log.lines.isEmpty());
    QTRY_COMPARE(s.log.lines, QStringList(QStringLiteral("finished")));
    QVERIFY(!player->IsPlaying());
    QVERIFY(player->GetLevel(&level));
    QCOMPARE(level, 0);

    QVERIFY(player->Play(path.constData(), true));
    QTest::qWait(150);
    QCOMPARE(s.log.lines.size(), 1); // a looping file never finishes
    QVERIFY(player->Stop());
    QCOMPARE(text(control->files_played()), QStringLiteral("%1\n%1 (loop)\n").arg(file));
}

void TestTalkLibrary::volumesLevelsAndOptions()
{
    Session s;
    plix::IMediaEngine *engine = s.engine();
    QVERIFY(engine->IsInitialized());
    QVERIFY(*engine->Info(0));
    QCOMPARE(text(engine->Info(1)), QString());
    QVERIFY(engine->SetSpeakerVolume(200));
    QVERIFY(!engine->SetSpeakerVolume(256));
    QVERIFY(engine->SetMicVolume(0));
    QVERIFY(!engine->SetMicVolume(-1));
    int volume = -1;
    QVERIFY(engine->GetSpeakerVolume(&volume));
    QCOMPARE(volume, 200);
    QCOMPARE(control->speaker_volume(), 200);
    QCOMPARE(control->mic_volume(), 0);

    control->set_input_level(7);
    int level = -1;
    QVERIFY(engine->GetInputLevel(&level));
    QCOMPARE(level, 0);
    QVERIFY(engine->SetLocalMonitor(true));
    QVERIFY(engine->GetInputLevel(&level));
    QCOMPARE(level, 7);
    QCOMPARE(control->local_monitor(), 1);

    QVERIFY(engine->SetAudioOptions(15));
    QVERIFY(!engine->SetAudioOptions(256));
    QCOMPARE(control->audio_options(), 15);

    int erl = -1, erle = -1, rerl = -1, anlp = -1;
    QVERIFY(!engine->GetEchoMetrics(&erl, &erle, &rerl, &anlp));
    QCOMPARE(erl, -1);
    QVERIFY(engine->SetEchoMetricStatus(true));
    QVERIFY(engine->GetEchoMetrics(&erl, &erle, &rerl, &anlp));
    QVERIFY(erl >= 0 && erle >= 0 && rerl >= 0 && anlp >= 0);
}

void TestTalkLibrary::proxySettings()
{
    Session s;
    QCOMPARE(s.talk->CurrentProxy()->Mode(), int(plix::PROXY_SYSTEM_DEFAULT));
    plix::IProxy *proxy = s.talk->Factory()->CreateProxy();
    proxy->SetMode(plix::PROXY_HTTP);
    proxy->SetHost("proxy.example");
    proxy->SetPort(3128);
    proxy->SetUser("pat");
    proxy->SetPassword("pw");
    QVERIFY(s.talk->SetProxy(proxy));
    QCOMPARE(s.talk->CurrentProxy()->Mode(), int(plix::PROXY_HTTP));
    QCOMPARE(text(s.talk->CurrentProxy()->Host()), QStringLiteral("proxy.example"));
    QCOMPARE(s.talk->CurrentProxy()->Port(), 3128);

    control->refuse_proxy_changes(1);
    proxy->SetMode(plix::PROXY_SOCKS5);
    proxy->SetHost("socks.example");
    QVERIFY(!s.talk->SetProxy(proxy));
    QCOMPARE(text(s.talk->CurrentProxy()->Host()), QStringLiteral("proxy.example"));
    QCOMPARE(control->proxy_mode(), int(plix::PROXY_SOCKS5));
    QCOMPARE(text(control->proxy_host()), QStringLiteral("socks.example"));
    QCOMPARE(control->proxy_port(), 3128);
    QCOMPARE(text(control->proxy_user()), QStringLiteral("pat"));
    QCOMPARE(text(control->proxy_password()), QStringLiteral("pw"));
    control->refuse_proxy_changes(0);
    proxy->SetMode(9);
    QVERIFY(!s.talk->SetProxy(proxy));
    proxy->Release();
    QCOMPARE(control->live_objects(PLIX_STANDIN_PROXY), 0);
}

void TestTalkLibrary::jidParts()
{
    Session s;
    plix::IJid *jid = s.talk->Factory()->CreateJid();
    QVERIFY(jid->IsEmpty() && !jid->IsValid() && jid->IsBare());
    QVERIFY(jid->SetFull("4930123@talk.example/desk"));
    QCOMPARE(text(jid->Node()), QStringLiteral("4930123"));
    QCOMPARE(text(jid->Domain()), QStringLiteral("talk.example"));
    QCOMPARE(text(jid->Resource()), QStringLiteral("desk"));
    QCOMPARE(text(jid->ToString()), QStringLiteral("4930123@talk.example"));
    QVERIFY(!jid->IsEmpty() && jid->IsValid() && !jid->IsBare());

    QVERIFY(!jid->SetFull("a@b@c"));
    QVERIFY(!jid->SetNode("a/b"));
    QVERIFY(!jid->SetDomain("x@y"));
    QCOMPARE(text(jid->Full()), QStringLiteral("4930123@talk.example/desk"));

    // Whatever Full() gives, SetFull() takes back.
    QVERIFY(jid->SetDomain(""));
    QVERIFY(jid->SetResource(""));
    const QByteArray full = jid->Full();
    QCOMPARE(full, QByteArray("4930123@"));
    plix::IJid *copy = s.talk->Factory()->CreateJid();
    QVERIFY(copy->SetFull(full.constData()));
    QCOMPARE(text(copy->Node()), QStringLiteral("4930123"));
    QCOMPARE(control->live_objects(PLIX_STANDIN_JID), 2);
    copy->Release();
    jid->Release();
    QCOMPARE(control->live_objects(PLIX_STANDIN_JID), 0);
}

void TestTalkLibrary::logFilesMaskThePassword()
{
    const QString folder = TestEnvironment::freshDirectory(QStringLiteral("logs"));
    const QString talkLog = folder + QStringLiteral("/plixtalk.log");
    const QString xmppLog = folder + QStringLiteral("/plixxmpp.log");
    {
        Session s;
        QVERIFY(!s.talk->SetLogFile(nullptr)); // nothing open to close
        QVERIFY(s.talk->SetLogFile(talkLog.toUtf8().constData()));
        QVERIFY(s.talk->SetXmppDumpFile(xmppLog.toUtf8().constData()));
        QVERIFY(!s.talk->SetXmppDumpFile((folder + QStringLiteral("/missing/x.log")).toUtf8().constData()));
        QCOMPARE(text(control->log_file()), talkLog);
        QVERIFY(s.login());
        QVERIFY(s.talk->SetLogFile(nullptr));
        QVERIFY(!s.talk->SetLogFile(nullptr));
    }
    QFile file(talkLog);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(content.contains("Login as bob@talk.example password=********"));
    QVERIFY(!content.contains("secret"));
}

void TestTalkLibrary::factoryObjectsAreCounted()
{
    Session s;
    plix::IObjectFactory *factory = s.talk->Factory();
    plix::IJid *jid = factory->CreateJid();
    plix::IDevice *device = factory->CreateDevice(nullptr, "Mic");
    plix::IProxy *proxy = factory->CreateProxy();
    plix::IStatus *status = factory->CreateStatus();
    QCOMPARE(text(device->Id()), QString());
    for (int kind : {PLIX_STANDIN_JID, PLIX_STANDIN_DEVICE, PLIX_STANDIN_PROXY, PLIX_STANDIN_STATUS})
        QCOMPARE(control->live_objects(kind), 1);
    jid->Release();
    device->Release();
    proxy->Release();
    status->Release();
    for (int kind : {PLIX_STANDIN_JID, PLIX_STANDIN_DEVICE, PLIX_STANDIN_PROXY, PLIX_STANDIN_STATUS})
        QCOMPARE(control->live_objects(kind), 0);
}

void TestTalkLibrary::receiversDisconnectWhenDestroyed()
{
    sigslot::signal1<int> signal;
    Counter kept;
    auto gone = std::make_unique<Counter>();
    signal.connect(&kept, &Counter::onValue);
    signal.connect(gone.get(), &Counter::onValue);
    signal(1);
    gone.reset();
    signal(2);
    QCOMPARE(kept.values, QList<int>({1, 2}));

    signal.disconnect(&kept);
    signal(3);
    QCOMPARE(kept.values.size(), 2);
    QVERIFY(signal.empty());

    // The other way round: the signal goes first, the receiver lives on.
    auto shortLived = std::make_unique<sigslot::signal1<int>>();
    shortLived->connect(&kept, &Counter::onValue);
    shortLived.reset();
    signal.connect(&kept, &Counter::onValue);
    signal.disconnect_all();
    signal(4);
    QCOMPARE(kept.values.size(), 2);
}

void TestTalkLibrary::emissionSurvivesChangesFromSlots()
{
    sigslot::signal1<int> signal;
    Counter first, late;
    auto second = std::make_unique<Counter>();
    signal.connect(&first, &Counter::onValue);
    signal.connect(second.get(), &Counter::onValue);
    // The first slot destroys the next receiver and connects a new one.
    first.action = [&] {
        second.reset();
        signal.connect(&late, &Counter::onValue);
        first.action = nullptr;
    };
    signal(1);
    QCOMPARE(first.values, QList<int>({1}));
    QVERIFY(late.values.isEmpty()); // connected during the emission
    signal(2);
    QCOMPARE(late.values, QList<int>({2}));

    // A slot may destroy the signal that calls it.
    auto owned = std::make_unique<sigslot::signal1<int>>();
    Counter destroyer, after;
    owned->connect(&destroyer, &Counter::onValue);
    owned->connect(&after, &Counter::onValue);
    destroyer.action = [&] {
        owned.reset();
    };
    (*owned)(5);
    QVERIFY(!owned);
    QCOMPARE(destroyer.values, QList<int>({5}));
    QVERIFY(after.values.isEmpty());
}

void TestTalkLibrary::allocatorBalanceReturnsToZero()
{
    const long long before = control->allocator_balance();
    {
        Session s;
        QVERIFY(control->allocator_balance() > before); // our connections use the library's hooks
        QVERIFY(s.login());
        // The library frees a call whose signals our receivers still hold.
        const long long withoutCall = control->allocator_balance();
        plix::ICallInstance *call = s.call("4930123");
        QVERIFY(call);
        QTRY_COMPARE(s.log.statesOf(QStringLiteral("call-1")), QStringLiteral("0,2,3,4,5"));
        QVERIFY(control->allocator_balance() > withoutCall);
        call->Hangup(0);
        QTRY_VERIFY(s.log.lines.contains(QStringLiteral("destroyed call-1")));
        QCOMPARE(control->allocator_balance(), withoutCall);

        // Receivers destroyed while the library lives.
        auto extra = std::make_unique<EventLog>();
        extra->watch(s.talk);
        QVERIFY(control->allocator_balance() > withoutCall);
        extra.reset();
        QCOMPARE(control->allocator_balance(), withoutCall);
    }
    QCOMPARE(control->allocator_balance(), before);
    QCOMPARE(control->allocator_balance(), 0LL);
}

void TestTalkLibrary::callDestroyedIsAnnouncedBeforeFree()
{
    auto s = std::make_unique<Session>();
    QVERIFY(s->login());
    QVERIFY(s->call("4930123"));
    QVERIFY(control->raise_incoming_call("4930555"));
    QTRY_VERIFY(s->log.lines.contains(QStringLiteral("session call-2 in")));
    QCOMPARE(control->live_calls(), 2);

    // Releasing the talk frees live calls at once, each announced first; the
    // log reads every call while it is announced.
    EventLog &log = s->log;
    s->talk->Release();
    s->talk = nullptr;
    QVERIFY(log.lines.contains(QStringLiteral("destroyed call-1")));
    QVERIFY(log.lines.contains(QStringLiteral("destroyed call-2 in")));
    s.reset();
}

void TestTalkLibrary::releaseFromInsideAnEvent()
{
    struct Releaser : public sigslot::has_slots<>
    {
        void onLoginFailed(plix::PLIX_TALK_ERROR_CODE)
        {
            talk->Release();
            talk = nullptr;
        }
        plix::IPlixTalk *talk = nullptr;
    } releaser;
    QVERIFY(createPlixTalk(&releaser.talk));
    releaser.talk->SignalLoginFailed.connect(&releaser, &Releaser::onLoginFailed);
    releaser.talk->SetServer("talk.example", 443);
    releaser.talk->Login("bob", "", false);
    QTRY_VERIFY(!releaser.talk);
    QTest::qWait(20);
}

LINKORA_TEST_MAIN(TestTalkLibrary)
#include "tst_talklibrary.moc"
