#include "settings/dbstore.h"
#include "settings/settings.h"
#include "support/casestore.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "talk/call.h"
#include "talk/mediaengine.h"
#include "talk/plixtalk.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using talk::Call;
using talk::Device;
using talk::MediaEngine;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// Follows the engine's calls and writes what happens to them, one line per
// signal, e.g. "hungup call-1 2".
class CallLog : public QObject
{
public:
    explicit CallLog(MediaEngine *engine)
    {
        connect(engine, &MediaEngine::callCreated, this, &CallLog::onCreated);
        connect(engine, &MediaEngine::callDestroyed, this, [this](const Call *call) {
            add(QStringLiteral("destroyed"), call);
            if (call == current)
                current = nullptr;
        });
        connect(engine, &MediaEngine::callFocusChanged, this, [this](const Call *from, const Call *to) {
            lines << QStringLiteral("focus %1 -> %2").arg(name(from), name(to));
        });
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

    QStringList lines;
    QPointer<Call> current;

private:
    static QString name(const Call *call)
    {
        return call ? QString::fromUtf8(call->id()) : QStringLiteral("-");
    }

    void add(const QString &what, const Call *call) { lines << what + QLatin1Char(' ') + name(call); }

    void onCreated(const Call *constCall)
    {
        Call *call = const_cast<Call *>(constCall);
        current = call;
        add(QStringLiteral("created"), call);
        connect(call, &Call::sessionInitiated, this, [this](const Call *c) {
            add(QStringLiteral("session"), c);
            lines << QStringLiteral("remote %1").arg(c->remoteJid().full());
        });
        connect(call, &Call::ringingWithoutMedia, this, [this] { lines << QStringLiteral("ringing"); });
        connect(call, &Call::accepted, this, [this](const Call *c) { add(QStringLiteral("accepted"), c); });
        connect(call, &Call::progressStarted, this,
                [this](const Call *c) { add(QStringLiteral("progress"), c); });
        connect(call, &Call::incomingCallAccepted, this,
                [this](const Call *c) { add(QStringLiteral("answered"), c); });
        connect(call, &Call::rejected, this, [this](const Call *c) { add(QStringLiteral("rejected"), c); });
        connect(call, &Call::hungup, this, [this](const Call *c, plix::HANGUP_REASON reason) {
            lines << QStringLiteral("hungup %1 %2").arg(name(c)).arg(reason);
        });
    }
};

QString writeSoundFile()
{
    const QString path
        = TestEnvironment::freshDirectory(QStringLiteral("sounds")) + QStringLiteral("/ring.wav");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("RIFF");
    return path;
}

QStringList displayNames(const QList<Device> &devices)
{
    QStringList names;
    for (const Device &device : devices)
        names << device.displayName();
    return names;
}

} // namespace

class TestMediaEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void devicesOfOneNameAreToldApart();
    void pickDefaultDevices_data();
    void pickDefaultDevices();
    void chosenDevicesSurviveInTheDatabase();
    void deviceChangesPickAgainWithoutStoring();
    void noDeviceLeftAndRefusals();
    void currentDeviceChanges();
    void audioOptions();
    void volumesAndLevels();
    void playerPlaysLoopsAndFinishes();

    void outgoingCallRunsThroughItsStates();
    void farEndEndsTheCall_data();
    void farEndEndsTheCall();
    void incomingCallAccepted();
    void incomingCallDeclined();
    void dtmfMuteAndStatistics();
    void logoutEndsTheCall();
    void endingTheSessionDropsLiveCalls();

private:
    std::unique_ptr<talk::PlixTalk> m_talk;
    MediaEngine *m_engine = nullptr;
    std::unique_ptr<CaseStore> m_store;
    std::unique_ptr<Settings> m_settings;
};

void TestMediaEngine::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
}

void TestMediaEngine::init()
{
    control()->reset();
    m_store = std::make_unique<CaseStore>(TestEnvironment::freshDirectory(QStringLiteral("db"))
                                          + QStringLiteral("/data.px"));
    m_store->loadDatabases();
    m_settings = std::make_unique<Settings>(m_store.get());

    m_talk = std::make_unique<talk::PlixTalk>();
    QSignalSpy completed(m_talk.get(), &talk::PlixTalk::loginCompleted);
    m_talk->login(QStringLiteral("bob@talk.example"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);
    m_engine = m_talk->mediaEngine();
    QVERIFY(m_engine);
    m_engine->setSettings(m_settings.get());
}

void TestMediaEngine::cleanup()
{
    m_engine = nullptr;
    m_talk.reset();
    m_settings.reset();
    if (m_store)
        m_store->closeDatabases();
    m_store.reset();
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
    QCOMPARE(control()->allocator_balance(), 0LL);
    QCOMPARE(control()->allocator_misuses(), 0LL);
}

void TestMediaEngine::devicesOfOneNameAreToldApart()
{
    const QList<Device> inputs = m_engine->inputDevices();
    QCOMPARE(displayNames(inputs),
             QStringList({QStringLiteral("Built-in Microphone"), QStringLiteral("USB Headset (1)"),
                          QStringLiteral("USB Headset (2)")}));
    QCOMPARE(inputs.at(1).name(), QStringLiteral("USB Headset"));
    QCOMPARE(inputs.at(2).id(), QStringLiteral("mic-usb-2"));
    QCOMPARE(displayNames(m_engine->outputDevices()),
             QStringList({QStringLiteral("Built-in Speakers"), QStringLiteral("USB Headset (1)"),
                          QStringLiteral("USB Headset (2)")}));

    const char *ids[] = {"a", "b", "c", "d"};
    const char *names[] = {"Mic", "Line", "Mic", "Mic"};
    QSignalSpy changed(m_engine, &MediaEngine::deviceChanged);
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_INPUT, ids, names, 4));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(displayNames(m_engine->inputDevices()),
             QStringList({QStringLiteral("Mic (1)"), QStringLiteral("Line"), QStringLiteral("Mic (2)"),
                          QStringLiteral("Mic (3)")}));
}

void TestMediaEngine::pickDefaultDevices_data()
{
    QTest::addColumn<Device>("storedMic");
    QTest::addColumn<bool>("store");
    QTest::addColumn<QString>("chosenMic");
    const Device usb2(QStringLiteral("mic-usb-2"), QStringLiteral("USB Headset"));
    QTest::newRow("saved device listed") << usb2 << false << "mic-usb-2";
    QTest::newRow("saved device listed, stored") << usb2 << true << "mic-usb-2";
    QTest::newRow("saved device gone")
        << Device(QStringLiteral("old"), QStringLiteral("Old Mic")) << true << "mic-builtin";
    QTest::newRow("saved device without name")
        << Device(QStringLiteral("mic-usb-2"), QString()) << false << "mic-builtin";
    QTest::newRow("nothing saved: the current one") << Device() << false << "mic-usb-1";
}

void TestMediaEngine::pickDefaultDevices()
{
    QFETCH(Device, storedMic);
    QFETCH(bool, store);
    QFETCH(QString, chosenMic);
    // The current device of the library first; the saved one must win.
    QVERIFY(
        m_engine->setMicrophoneDevice(Device(QStringLiteral("mic-usb-1"), QStringLiteral("USB Headset"))));
    if (!storedMic.isNull())
        m_settings->setAudioInputDevice(storedMic);
    const Device storedBefore = m_settings->audioInputDevice();
    QSignalSpy updatedMic(m_engine, &MediaEngine::updatedAudioInputDevice);
    QSignalSpy updatedSpeaker(m_engine, &MediaEngine::updatedAudioOutputDevice);
    QSignalSpy settingsChanged(m_settings.get(), &Settings::audioInputDeviceChanged);

    QVERIFY(m_engine->pickDefaultDevices(store));
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_INPUT)), chosenMic);
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_OUTPUT)),
             QStringLiteral("spk-builtin"));
    if (store) {
        QCOMPARE(updatedMic.count(), 1);
        QCOMPARE(updatedMic.at(0).at(0).value<Device>().id(), chosenMic);
        QCOMPARE(updatedSpeaker.count(), 1);
        QCOMPARE(m_settings->audioInputDevice().id(), chosenMic);
        QCOMPARE(m_settings->audioOutputDevice().id(), QStringLiteral("spk-builtin"));
    } else {
        QCOMPARE(updatedMic.count(), 0);
        QCOMPARE(updatedSpeaker.count(), 0);
        QCOMPARE(settingsChanged.count(), 0);
        QCOMPARE(m_settings->audioInputDevice(), storedBefore);
        QVERIFY(m_settings->audioOutputDevice().isNull());
    }
}

void TestMediaEngine::chosenDevicesSurviveInTheDatabase()
{
    m_settings->setAudioInputDevice(Device(QStringLiteral("mic-usb-2"), QStringLiteral("USB Headset")));
    m_settings->setAudioOutputDevice(Device(QStringLiteral("spk-usb-1"), QStringLiteral("USB Headset")));
    QVERIFY(m_engine->pickDefaultDevices(true));

    // A new session over the same database chooses them again.
    m_talk.reset();
    m_settings.reset();
    m_settings = std::make_unique<Settings>(m_store.get());
    m_talk = std::make_unique<talk::PlixTalk>();
    m_engine = m_talk->mediaEngine();
    QVERIFY(m_engine);
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_INPUT)),
             QStringLiteral("mic-builtin"));
    m_engine->setSettings(m_settings.get());
    QVERIFY(m_engine->pickDefaultDevices());
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_INPUT)),
             QStringLiteral("mic-usb-2"));
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_OUTPUT)),
             QStringLiteral("spk-usb-1"));
}

void TestMediaEngine::deviceChangesPickAgainWithoutStoring()
{
    m_settings->setAudioOutputDevice(Device(QStringLiteral("spk-usb-2"), QStringLiteral("USB Headset")));
    QSignalSpy changed(m_engine, &MediaEngine::deviceChanged);
    QSignalSpy settingsChanged(m_settings.get(), &Settings::audioOutputDeviceChanged);
    QSignalSpy updated(m_engine, &MediaEngine::updatedAudioOutputDevice);
    // A headset is plugged in: the list changes and the saved one is back.
    const char *ids[] = {"spk-builtin", "spk-usb-2"};
    const char *names[] = {"Built-in Speakers", "USB Headset"};
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_OUTPUT, ids, names, 2));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_OUTPUT)),
             QStringLiteral("spk-usb-2"));
    QCOMPARE(settingsChanged.count(), 0);
    QCOMPARE(updated.count(), 0);
}

void TestMediaEngine::noDeviceLeftAndRefusals()
{
    QSignalSpy changed(m_engine, &MediaEngine::deviceChanged);
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_INPUT, nullptr, nullptr, 0));
    QTRY_COMPARE(changed.count(), 1);
    QVERIFY(m_engine->inputDevices().isEmpty());
    QVERIFY(m_engine->currentMicrophoneDevice().isNull());
    // No device at all is still a choice the library takes.
    QSignalSpy updated(m_engine, &MediaEngine::updatedAudioInputDevice);
    QVERIFY(m_engine->pickDefaultDevices(true));
    QCOMPARE(updated.count(), 1);
    QVERIFY(updated.at(0).at(0).value<Device>().isNull());
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_INPUT)), QString());

    MessageCatcher catcher;
    control()->refuse_device_changes(1);
    QVERIFY(!m_engine->pickDefaultDevices(true));
    QVERIFY(catcher.contains(QStringLiteral("Couldn't set mic device to:")));
    QVERIFY(catcher.contains(QStringLiteral("Couldn't set speaker device to:")));
}

void TestMediaEngine::currentDeviceChanges()
{
    QSignalSpy current(m_engine, &MediaEngine::currentDeviceChanged);
    QVERIFY(m_engine->setSpeakerDevice(Device(QStringLiteral("spk-usb-1"), QStringLiteral("USB Headset"))));
    QVERIFY(!m_engine->setSpeakerDevice(Device(QStringLiteral("nowhere"), QStringLiteral("Gone"))));
    QTRY_COMPARE(current.count(), 1);
    QCOMPARE(current.at(0).at(0).value<Device>().id(), QStringLiteral("spk-usb-1"));
    QCOMPARE(current.at(0).at(1).value<plix::MEDIA_DEVICE_TYPE>(), plix::MEDIA_DEVICE_OUTPUT);
    QCOMPARE(current.at(0).at(2).toBool(), false);
    QCOMPARE(m_engine->currentSpeakerDevice().id(), QStringLiteral("spk-usb-1"));
    QCOMPARE(m_engine->currentSpeakerDevice().displayName(), QStringLiteral("USB Headset"));
}

void TestMediaEngine::audioOptions()
{
    QCOMPARE(m_engine->audioOptions(), 15);
    QCOMPARE(control()->audio_options(), 15);
    QVERIFY(m_engine->audioOptionBit1());
    QSignalSpy changed(m_engine, &MediaEngine::audioOptionsChanged);
    QVERIFY(m_engine->setAudioOptionBit1(false));
    QCOMPARE(m_engine->audioOptions(), 13);
    QCOMPARE(control()->audio_options(), 13);
    QVERIFY(!m_engine->setAudioOptions(300));
    QCOMPARE(m_engine->audioOptions(), 13);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 13);
}

void TestMediaEngine::volumesAndLevels()
{
    QVERIFY(m_engine->isInitialized());
    QVERIFY(!m_engine->infoText().isEmpty());
    QVERIFY(m_engine->setSpeakerVolume(200));
    QVERIFY(!m_engine->setSpeakerVolume(256));
    QVERIFY(m_engine->setMicVolume(0));
    QCOMPARE(control()->speaker_volume(), 200);
    QCOMPARE(control()->mic_volume(), 0);
    QCOMPARE(m_engine->intQueryA(), 200);
    QCOMPARE(m_engine->intQueryB(), 0);

    control()->set_input_level(7);
    QCOMPARE(m_engine->inputLevel(), 0);
    QVERIFY(m_engine->setLocalMonitor(true));
    QCOMPARE(control()->local_monitor(), 1);
    QCOMPARE(m_engine->inputLevel(), 7);

    // The engine starts with one call at a time.
    QCOMPARE(control()->allows_multiple_calls(), 0);
    QVERIFY(!m_engine->forwardQueryC());
}

void TestMediaEngine::playerPlaysLoopsAndFinishes()
{
    const QString file = writeSoundFile();
    QSignalSpy finished(m_engine, &MediaEngine::playingFinished);
    QCOMPARE(m_engine->playerFileQuery(QStringLiteral("/nonexistent/ring.wav")), -1);
    QCOMPARE(m_engine->playerFileQuery(file), 50);
    QCOMPARE(m_engine->playerIntQuery(), -1); // nothing plays
    QVERIFY(!m_engine->playFile(QStringLiteral("/nonexistent/ring.wav")));

    control()->set_output_level(6);
    QVERIFY(m_engine->playFile(file));
    QVERIFY(m_engine->isPlaying());
    QVERIFY(!m_engine->isLooping());
    QCOMPARE(m_engine->outputLevel(), 6);
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!m_engine->isPlaying());

    QVERIFY(m_engine->loopFile(file));
    QVERIFY(m_engine->isLooping());
    QTest::qWait(150);
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_engine->isPlaying());
    QVERIFY(m_engine->stopPlaying());
    QVERIFY(!m_engine->isLooping());
    // A refused stop still clears the loop.
    QVERIFY(m_engine->loopFile(file));
    QVERIFY(m_engine->stopPlaying());
    QVERIFY(!m_engine->stopPlaying());
    QVERIFY(!m_engine->isLooping());
    QCOMPARE(QString::fromUtf8(control()->files_played()),
             QStringLiteral("%1\n%1 (loop)\n%1 (loop)\n").arg(file));
}

void TestMediaEngine::outgoingCallRunsThroughItsStates()
{
    CallLog log(m_engine);
    QVERIFY(!m_engine->hasCurrentCall());
    QVERIFY(m_engine->placeCall(
        talk::Jid::fromNumber(QStringLiteral("4930123"), QStringLiteral("talk.example")), false));
    QCOMPARE(QString::fromUtf8(control()->last_callee()), QStringLiteral("4930123@talk.example"));
    QVERIFY(log.lines.isEmpty());
    QTRY_VERIFY(log.lines.contains(QStringLiteral("progress call-1")));
    QCOMPARE(log.lines,
             QStringList({QStringLiteral("created call-1"), QStringLiteral("focus - -> call-1"),
                          QStringLiteral("session call-1"), QStringLiteral("remote 4930123@talk.example"),
                          QStringLiteral("ringing"), QStringLiteral("accepted call-1"),
                          QStringLiteral("progress call-1")}));
    const QPointer<Call> call = log.current;
    QVERIFY(call);
    QVERIFY(m_engine->hasCurrentCall());
    QCOMPARE(m_engine->forwardQueryA(), 1);
    QVERIFY(call->isActive());
    QVERIFY(!call->isIncoming());
    QCOMPARE(call->remoteJid().node(), QStringLiteral("4930123"));

    log.lines.clear();
    call->hangup();
    QTRY_VERIFY(!call);
    QCOMPARE(log.lines,
             QStringList({QStringLiteral("hungup call-1 0"), QStringLiteral("focus call-1 -> -"),
                          QStringLiteral("destroyed call-1")}));
    QVERIFY(!m_engine->hasCurrentCall());

    // The next call gets a wrapper of its own.
    log.lines.clear();
    QVERIFY(m_engine->placeCall(
        talk::Jid::fromNumber(QStringLiteral("4930999"), QStringLiteral("talk.example")), false));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("progress call-2")));
    QCOMPARE(log.current->remoteJid().node(), QStringLiteral("4930999"));
}

void TestMediaEngine::farEndEndsTheCall_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("remoteReason"); // -1: the outcome ends the call
    QTest::addColumn<bool>("rings");
    QTest::addColumn<bool>("connects");
    QTest::newRow("busy") << int(plix::HANGUP_BUSY) << -1 << false << false;
    QTest::newRow("not found") << int(plix::HANGUP_NOT_FOUND) << -1 << false << false;
    QTest::newRow("unreachable") << int(plix::HANGUP_UNREACHABLE) << -1 << false << false;
    QTest::newRow("timeout") << int(plix::HANGUP_TIMEOUT) << -1 << true << false;
    QTest::newRow("declined") << int(plix::HANGUP_DECLINE) << -1 << true << false;
    QTest::newRow("unknown") << int(plix::HANGUP_UNKNOWN) << -1 << false << false;
    QTest::newRow("ended after talking")
        << int(PLIX_STANDIN_ANSWER) << int(plix::HANGUP_SUCCESS) << true << true;
    QTest::newRow("unnamed reason") << int(PLIX_STANDIN_ANSWER) << 7 << true << true;
}

void TestMediaEngine::farEndEndsTheCall()
{
    QFETCH(int, outcome);
    QFETCH(int, remoteReason);
    QFETCH(bool, rings);
    QFETCH(bool, connects);
    CallLog log(m_engine);
    control()->set_call_outcome(outcome);
    QVERIFY(m_engine->placeCall(
        talk::Jid::fromNumber(QStringLiteral("4930123"), QStringLiteral("talk.example")), false));
    QTRY_VERIFY(log.current);
    const QPointer<Call> call = log.current;
    if (remoteReason >= 0) {
        QTRY_VERIFY(log.lines.contains(QStringLiteral("progress call-1")));
        QVERIFY(control()->hangup_remote(remoteReason));
    }
    const int reason = remoteReason >= 0 ? remoteReason : outcome;
    QTRY_VERIFY(log.lines.contains(QStringLiteral("destroyed call-1")));
    QVERIFY(!call);
    QCOMPARE(log.lines.contains(QStringLiteral("ringing")), rings);
    QCOMPARE(log.lines.contains(QStringLiteral("progress call-1")), connects);
    QCOMPARE(log.lines.filter(QStringLiteral("hungup")),
             QStringList(QStringLiteral("hungup call-1 %1").arg(reason)));
    QCOMPARE(log.lines.last(), QStringLiteral("destroyed call-1"));
}

void TestMediaEngine::incomingCallAccepted()
{
    CallLog log(m_engine);
    QVERIFY(control()->raise_incoming_call("4930555"));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("session call-1")));
    QPointer<Call> call = log.current;
    QVERIFY(call->isIncoming());
    QCOMPARE(call->remoteJid().node(), QStringLiteral("4930555"));
    QCOMPARE(log.lines.at(log.lines.indexOf(QStringLiteral("session call-1")) + 1),
             QStringLiteral("remote 4930555@talk.example"));

    MessageCatcher catcher;
    QVERIFY(call->accept());
    QCOMPARE(control()->call_muted(), 0);
    QVERIFY(catcher.contains(QStringLiteral("Accepting incoming call OK")));
    QVERIFY(log.lines.contains(QStringLiteral("answered call-1")));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("progress call-1")));
    QVERIFY(call->isActive());
    // Only once.
    QVERIFY(!call->accept(true));
    QVERIFY(catcher.contains(QStringLiteral("Error accepting incoming call")));
    QCOMPARE(log.lines.count(QStringLiteral("answered call-1")), 1);

    QVERIFY(control()->hangup_remote(plix::HANGUP_SUCCESS));
    QTRY_VERIFY(!call);
}

void TestMediaEngine::incomingCallDeclined()
{
    CallLog log(m_engine);
    QVERIFY(control()->raise_incoming_call("4930555"));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("session call-1")));
    const QPointer<Call> call = log.current;
    QVERIFY(call->reject());
    QVERIFY(!log.lines.contains(QStringLiteral("rejected call-1")));
    QTRY_VERIFY(!call);
    QCOMPARE(log.from(QStringLiteral("hungup")),
             QStringList({QStringLiteral("hungup call-1 1"), QStringLiteral("focus call-1 -> -"),
                          QStringLiteral("destroyed call-1")}));
}

void TestMediaEngine::dtmfMuteAndStatistics()
{
    CallLog log(m_engine);
    QVERIFY(m_engine->connectionInfos().isEmpty());
    QVERIFY(m_engine->placeCall(
        talk::Jid::fromNumber(QStringLiteral("4930123"), QStringLiteral("talk.example")), false));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("progress call-1")));
    Call *call = log.current;

    for (const QChar key : QStringLiteral("5*#Aa0 9"))
        call->sendDTMF(key);
    QCOMPARE(QString::fromUtf8(control()->dtmf_sent()), QStringLiteral("5*#09"));

    call->setMuted();
    QCOMPARE(control()->call_muted(), 1);
    QVERIFY(call->callFlagA());
    call->setMuted(false);
    QCOMPARE(control()->call_muted(), 0);
    QVERIFY(!call->callFlagA());

    const QList<talk::ConnectionInfo> infos = m_engine->connectionInfos();
    QCOMPARE(infos.size(), 1);
    QCOMPARE(infos.at(0).remoteAddress(), QStringLiteral("198.51.100.20:40000"));

    const QString recording
        = TestEnvironment::freshDirectory(QStringLiteral("recording")) + QStringLiteral("/call.wav");
    QVERIFY(call->startRecordingPlayout(recording));
    QVERIFY(QFile::exists(recording));
    QVERIFY(call->stopRecordingPlayout());
    QVERIFY(!call->stopRecordingPlayout());
}

void TestMediaEngine::logoutEndsTheCall()
{
    CallLog log(m_engine);
    QVERIFY(m_engine->placeCall(
        talk::Jid::fromNumber(QStringLiteral("4930123"), QStringLiteral("talk.example")), false));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("progress call-1")));
    const QPointer<Call> call = log.current;
    m_talk->logout();
    QTRY_VERIFY(!call);
    QCOMPARE(log.lines.filter(QStringLiteral("hungup")), QStringList(QStringLiteral("hungup call-1 0")));
}

void TestMediaEngine::endingTheSessionDropsLiveCalls()
{
    CallLog log(m_engine);
    m_engine->setAllowsMultipleCalls(true);
    QVERIFY(m_engine->placeCall(
        talk::Jid::fromNumber(QStringLiteral("4930123"), QStringLiteral("talk.example")), false));
    QVERIFY(control()->raise_incoming_call("4930555"));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("session call-2")));
    QTRY_VERIFY(log.lines.contains(QStringLiteral("progress call-1")));
    QList<QPointer<Call>> calls;
    QSignalSpy destroyed(m_engine, &MediaEngine::callDestroyed);
    calls << log.current;
    QCOMPARE(control()->live_calls(), 2);

    // The session goes while both calls live: each is announced and dropped.
    m_engine = nullptr;
    m_talk.reset();
    QCOMPARE(destroyed.count(), 2);
    QVERIFY(log.lines.contains(QStringLiteral("destroyed call-1")));
    QVERIFY(log.lines.contains(QStringLiteral("destroyed call-2")));
    QVERIFY(!calls.first());
}

LINKORA_TEST_MAIN(TestMediaEngine)
#include "tst_mediaengine.moc"
