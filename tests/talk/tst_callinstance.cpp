#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "talk/callinstance.h"

#include "plixtalk_api.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

#include <vector>

using talk::Call;
using talk::CallInstance;

namespace {

// Call events the stand-in library never produces (unknown session states,
// repeated session announcements, a call without session) come from these
// hand-driven library objects.
class HandSession : public plix::ICallSession
{
public:
    plix::IJid *RemoteJid() const override { return nullptr; }
    plix::CALL_SESSION_STATE State() const override { return plix::CALL_SESSION_INITIATED; }
};

class SessionList : public plix::ICallSessionList
{
public:
    explicit SessionList(plix::ICallSession *session)
        : m_session(session)
    { }
    void Release() override { delete this; }
    int Count() const override { return 1; }
    plix::ICallSession *At(int index) const override { return index == 0 ? m_session : nullptr; }

private:
    plix::ICallSession *m_session;
};

class HandCall : public plix::ICallInstance
{
public:
    bool Accept(bool muted) override
    {
        acceptedMuted = muted;
        return acceptAnswer;
    }
    bool Reject(int) override { return rejectAnswer; }
    void Hangup(int) override { ++hangups; }
    void SetMuted(bool value) override { muted = value; }
    bool IsActive() const override { return false; }
    bool IsMuted() const override { return muted; }
    bool IsIncoming() const override { return true; }
    const char *Id() const override { return "hand-1"; }
    bool IsOnHold() const override { return false; }
    bool StartRecordingPlayout(const char *) override { return false; }
    bool StopRecordingPlayout() override { return false; }
    void SendDtmf(int tone) override { tones.push_back(tone); }
    bool GetSessions(plix::ICallSessionList **sessions) override
    {
        *sessions = session ? new SessionList(session) : nullptr;
        return session != nullptr;
    }

    plix::ICallSession *session = nullptr;
    bool acceptAnswer = true;
    bool rejectAnswer = true;
    bool acceptedMuted = false;
    bool muted = false;
    int hangups = 0;
    std::vector<int> tones;
};

} // namespace

class TestCallInstance : public QObject
{
    Q_OBJECT

private slots:
    void wrapKeepsOneWrapperPerCall();
    void sessionStates_data();
    void sessionStates();
    void sessionConnectedOnce();
    void noSessionStillInitiates();
    void hangupReasonsPassUnchanged();
    void operationsReachTheCall();
    void dtmfKeys_data();
    void dtmfKeys();
};

void TestCallInstance::wrapKeepsOneWrapperPerCall()
{
    HandCall call;
    QVERIFY(!CallInstance::wrap(nullptr));
    CallInstance *first = CallInstance::wrap(&call);
    QVERIFY(first);
    QCOMPARE(CallInstance::wrap(&call), first);

    CallInstance::unwrap(&call);
    CallInstance *second = CallInstance::wrap(&call);
    QVERIFY(second);
    QCOMPARE(QString::fromUtf8(second->id()), QStringLiteral("hand-1"));

    // Deleting a wrapper takes it out of the map: the next wrap makes a new
    // one instead of handing back the deleted object.
    delete second;
    HandCall other;
    CallInstance::unwrap(&other); // not wrapped: nothing happens
    CallInstance *third = CallInstance::wrap(&call);
    QVERIFY(third);
    QCOMPARE(QString::fromUtf8(third->id()), QStringLiteral("hand-1"));
    CallInstance::unwrap(&call);
    CallInstance::unwrap(&call);
}

void TestCallInstance::sessionStates_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("signal");
    QTest::newRow("0 initiated") << 0 << QString();
    QTest::newRow("1 ringing with media") << 1 << QString();
    QTest::newRow("2 ringing without media") << 2 << "ringing";
    QTest::newRow("3 accept received") << 3 << "accepted";
    QTest::newRow("4 media connecting") << 4 << QString();
    QTest::newRow("5 in progress") << 5 << "progress";
    QTest::newRow("6 on hold") << 6 << QString();
    QTest::newRow("7 hang-up received") << 7 << QString();
    QTest::newRow("8 hang-up sent") << 8 << QString();
    QTest::newRow("9 unknown") << 9 << QString();
    QTest::newRow("negative") << -1 << QString();
}

void TestCallInstance::sessionStates()
{
    QFETCH(int, state);
    QFETCH(QString, signal);
    HandSession session;
    HandCall call;
    call.session = &session;
    CallInstance wrapper(&call);
    QStringList seen;
    connect(&wrapper, &Call::ringingWithoutMedia, this, [&] { seen << QStringLiteral("ringing"); });
    connect(&wrapper, &Call::accepted, this, [&](const Call *c) {
        QCOMPARE(c, static_cast<const Call *>(&wrapper));
        seen << QStringLiteral("accepted");
    });
    connect(&wrapper, &Call::progressStarted, this, [&](const Call *c) {
        QCOMPARE(c, static_cast<const Call *>(&wrapper));
        seen << QStringLiteral("progress");
    });
    connect(&wrapper, &Call::rejected, this, [&] { seen << QStringLiteral("rejected"); });
    call.SignalSessionInitiated(&call, true);
    MessageCatcher catcher;
    session.SignalStateChanged(&session, plix::CALL_SESSION_STATE(state));
    QCOMPARE(seen, signal.isEmpty() ? QStringList() : QStringList(signal));
    QCOMPARE(catcher.contains(QStringLiteral("Default!!! Should we be here???")), state < 0 || state > 8);
    // The remote JID of a session that names none is empty.
    QVERIFY(wrapper.remoteJid().full().isEmpty());
}

void TestCallInstance::sessionConnectedOnce()
{
    HandSession session;
    HandCall call;
    call.session = &session;
    CallInstance wrapper(&call);
    QSignalSpy initiated(&wrapper, &Call::sessionInitiated);
    QSignalSpy accepted(&wrapper, &Call::accepted);
    call.SignalSessionInitiated(&call, true);
    call.SignalSessionInitiated(&call, true);
    QCOMPARE(initiated.count(), 2);
    session.SignalStateChanged(&session, plix::CALL_SESSION_RECEIVED_ACCEPT);
    QCOMPARE(accepted.count(), 1);

    // A new session replaces the old one, whose states no longer count.
    HandSession next;
    call.session = &next;
    call.SignalSessionInitiated(&call, true);
    session.SignalStateChanged(&session, plix::CALL_SESSION_RECEIVED_ACCEPT);
    QCOMPARE(accepted.count(), 1);
    next.SignalStateChanged(&next, plix::CALL_SESSION_RECEIVED_ACCEPT);
    QCOMPARE(accepted.count(), 2);
}

void TestCallInstance::noSessionStillInitiates()
{
    HandCall call;
    CallInstance wrapper(&call);
    QSignalSpy initiated(&wrapper, &Call::sessionInitiated);
    call.SignalSessionInitiated(&call, false);
    QCOMPARE(initiated.count(), 1);
    QCOMPARE(initiated.at(0).at(0).value<const Call *>(), static_cast<const Call *>(&wrapper));
    QVERIFY(wrapper.remoteJid().full().isEmpty());
}

void TestCallInstance::hangupReasonsPassUnchanged()
{
    HandCall call;
    CallInstance wrapper(&call);
    QSignalSpy hungup(&wrapper, &Call::hungup);
    for (int reason : {0, 2, 7, 9, 42})
        call.SignalHangup(&call, nullptr, plix::HANGUP_REASON(reason));
    QCOMPARE(hungup.count(), 5);
    QList<int> reasons;
    for (const QList<QVariant> &arguments : std::as_const(hungup))
        reasons << int(arguments.at(1).value<plix::HANGUP_REASON>());
    QCOMPARE(reasons, QList<int>({0, 2, 7, 9, 42}));
}

void TestCallInstance::operationsReachTheCall()
{
    HandCall call;
    CallInstance wrapper(&call);
    QSignalSpy answered(&wrapper, &Call::incomingCallAccepted);
    QSignalSpy rejected(&wrapper, &Call::rejected);

    QVERIFY(wrapper.accept());
    QVERIFY(!call.acceptedMuted);
    QCOMPARE(answered.count(), 1);
    call.acceptAnswer = false;
    QVERIFY(!wrapper.accept(true));
    QVERIFY(call.acceptedMuted);
    QCOMPARE(answered.count(), 1);

    call.rejectAnswer = false;
    QVERIFY(!wrapper.reject());
    call.rejectAnswer = true;
    QVERIFY(wrapper.reject());
    QCOMPARE(rejected.count(), 0);

    wrapper.setMuted();
    QVERIFY(wrapper.callFlagA());
    wrapper.setMuted(false);
    QVERIFY(!wrapper.callFlagA());
    wrapper.hangup();
    QCOMPARE(call.hangups, 1);

    // A wrapper without a library call answers nothing and does nothing.
    CallInstance empty(nullptr);
    QVERIFY(!empty.accept());
    QVERIFY(!empty.isIncoming());
    QCOMPARE(QString::fromUtf8(empty.id()), QString());
    empty.hangup();
    empty.sendDTMF(QLatin1Char('1'));
}

void TestCallInstance::dtmfKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QList<int>>("tones");
    QTest::newRow("digits") << "0123456789" << QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    QTest::newRow("star and hash") << "*#" << QList<int>({10, 11});
    QTest::newRow("letters and others") << "Aa+ p" << QList<int>();
}

void TestCallInstance::dtmfKeys()
{
    QFETCH(QString, keys);
    QFETCH(QList<int>, tones);
    HandCall call;
    CallInstance wrapper(&call);
    for (const QChar key : std::as_const(keys))
        wrapper.sendDTMF(key);
    QCOMPARE(QList<int>(call.tones.begin(), call.tones.end()), tones);
}

LINKORA_TEST_MAIN(TestCallInstance)
#include "tst_callinstance.moc"
