#include "phonerig.h"

#include "phone/ringbacksound.h"
#include "support/testenvironment.h"
#include "talk/call.h"
#include "talk/mediaengine.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// Answers the next message box with Ok and remembers what it said.
class MessageBoxDriver : public QObject
{
public:
    MessageBoxDriver()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        m_timer.start(20);
    }

    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    QTimer m_timer;
};

// Every call signal of a Phone, by name, in order.
class CallRecorder : public QObject
{
public:
    explicit CallRecorder(Phone *phone)
    {
        const auto record = [this](const char *name) {
            return [this, name](const talk::Call *call) {
                events << QString::fromLatin1(name);
                calls << call;
            };
        };
        connect(phone, &Phone::incomingCall, this, record("incomingCall"));
        connect(phone, &Phone::connecting, this, record("connecting"));
        connect(phone, &Phone::callStarted, this, record("callStarted"));
        connect(phone, &Phone::callEnded, this, record("callEnded"));
        connect(phone, &Phone::callFailed, this, record("callFailed"));
        connect(phone, &Phone::callHangupIsBusy, this, record("callHangupIsBusy"));
        connect(phone, &Phone::callHungupDecline, this, record("callHungupDecline"));
        connect(phone, &Phone::callHangupNotFound, this, record("callHangupNotFound"));
        connect(phone, &Phone::callHangupUnreachable, this, record("callHangupUnreachable"));
        connect(phone, &Phone::callHangupTimeout, this, record("callHangupTimeout"));
        connect(phone, &Phone::callInstanceDestroyed, this, record("destroyed"));
        connect(phone, &Phone::incomingCallHangupDecline, this, record("incomingCallHangupDecline"));
    }

    QStringList events;
    QList<const talk::Call *> calls;
};

} // namespace

class TestPhoneCalls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void validateNumber_data();
    void validateNumber();
    void normalizeNumber_data();
    void normalizeNumber();

    void outgoingCall();
    void hangupReasons_data();
    void hangupReasons();
    void incomingCall();
    void incomingCallGivenUpByTheCaller();
    void secondCallAndHold();
    void muteAndVolumes();
    void logoutDuringACall();
    void newLoginCancelsThePendingLogout();
    void balanceAnsweredAfterTheLogout_data();
    void balanceAnsweredAfterTheLogout();
    void sms();
    void ringbackSound();

private:
    // Places a call and waits until it is up, ringing or over as the stand-in decides.
    const talk::Call *placeCall(CallRecorder &recorder, const QString &until);

    std::unique_ptr<PhoneRig> m_rig;
};

void TestPhoneCalls::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
}

void TestPhoneCalls::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<PhoneRig>();
}

void TestPhoneCalls::cleanup()
{
    m_rig.reset();
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
    QCOMPARE(control()->allocator_balance(), 0LL);
}

const talk::Call *TestPhoneCalls::placeCall(CallRecorder &recorder, const QString &until)
{
    m_rig->phone->call(QStringLiteral("4912345"), false);
    if (!QTest::qWaitFor([&] { return recorder.events.contains(until); }, 5000))
        return nullptr;
    return recorder.calls.value(recorder.events.indexOf(QStringLiteral("connecting")));
}

void TestPhoneCalls::validateNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "" << false << "Please provide a phone number.";
    QTest::newRow("four digits") << "1234" << false << "Invalid number!";
    QTest::newRow("four characters with blanks") << " 12 " << false << "Invalid number!";
    QTest::newRow("five digits") << "12345" << true << "";
    QTest::newRow("five characters, not digits") << "ab-cd" << true << "";
}

void TestPhoneCalls::validateNumber()
{
    QFETCH(QString, number);
    QFETCH(bool, valid);
    QFETCH(QString, message);

    QWidget parent;
    MessageBoxDriver driver;
    QCOMPARE(Phone::validateNumber(number, &parent), valid);
    QCOMPARE(driver.text, message);
    if (!valid) {
        QCOMPARE(driver.title, QStringLiteral("Error"));
        QCOMPARE(driver.icon, QMessageBox::Critical);
    }
}

void TestPhoneCalls::normalizeNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("normalized");
    QTest::newRow("brackets, hyphen, blank") << "(0049) 123-45"
                                             << "+0049 12345";
    QTest::newRow("plus kept") << "+1-800"
                               << "+1800";
    QTest::newRow("empty") << ""
                           << "+";
    QTest::newRow("other characters stay") << "49.30/555"
                                           << "+49.30/555";
}

void TestPhoneCalls::normalizeNumber()
{
    QFETCH(QString, number);
    QFETCH(QString, normalized);
    QCOMPARE(Phone::normalizeNumber(number), normalized);
}

void TestPhoneCalls::outgoingCall()
{
    PhoneRig &rig = *m_rig;
    QVERIFY(rig.logIn());
    Phone &phone = *rig.phone;
    auto *ringback = phone.findChild<RingbackSound *>();
    QVERIFY(ringback);
    QVERIFY(ringback->isAvailable());
    control()->set_call_outcome(PLIX_STANDIN_RING);
    rig.server.setBalance(PhoneRig::kUser, 9.25, QStringLiteral("EUR"), QStringLiteral("€"));
    const int liveBalances = rig.requests(QStringLiteral("realTimeBalance"), "GET").size();

    CallRecorder recorder(&phone);
    const talk::Call *call = placeCall(recorder, QStringLiteral("connecting"));
    QVERIFY(call);
    QCOMPARE(QString::fromUtf8(control()->last_callee()), QStringLiteral("4912345@") + phone.domain());
    QCOMPARE(phone.calls(), QList<talk::Call *> {const_cast<talk::Call *>(call)});
    QTRY_COMPARE(phone.focusedCall(), call);
    QCOMPARE(phone.currentCall(), call);
    QCOMPARE(Phone::remoteNumber(call), QStringLiteral("4912345"));

    // The far end rings: the ring-back tone plays until it answers.
    QTRY_VERIFY(ringback->isPlaying());
    QVERIFY(control()->answer_call());
    QTRY_COMPARE(recorder.events, (QStringList {"connecting", "callStarted"}));
    QVERIFY(!ringback->isPlaying());

    phone.hangup();
    QTRY_COMPARE(recorder.events, (QStringList {"connecting", "callStarted", "callEnded", "destroyed"}));
    QVERIFY(phone.calls().isEmpty());
    QVERIFY(!phone.focusedCall());
    QVERIFY(!phone.currentCall());

    // One live balance after the call, and the new credit with it.
    QSignalSpy balance(&phone, &Phone::balanceUpdate);
    QVERIFY(rig.waitForRequests(QStringLiteral("realTimeBalance"), "GET", liveBalances + 1));
    QTRY_COMPARE(balance.size(), 1);
    QCOMPARE(phone.balance().credit(), 9.25);
    QTest::qWait(PhoneRig::shortDelays().liveBalanceDelay * 2);
    QCOMPARE(rig.requests(QStringLiteral("realTimeBalance"), "GET").size(), liveBalances + 1);

    // Without a call a hang-up only warns.
    MessageCatcher traces;
    phone.hangup();
    QVERIFY(traces.contains(QStringLiteral("Current call is null...")));
}

void TestPhoneCalls::hangupReasons_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("signal");
    QTest::newRow("busy") << int(plix::HANGUP_BUSY) << "callHangupIsBusy";
    QTest::newRow("declined") << int(plix::HANGUP_DECLINE) << "callHungupDecline";
    QTest::newRow("not found") << int(plix::HANGUP_NOT_FOUND) << "callHangupNotFound";
    QTest::newRow("unreachable") << int(plix::HANGUP_UNREACHABLE) << "callHangupUnreachable";
    QTest::newRow("timeout") << int(plix::HANGUP_TIMEOUT) << "callHangupTimeout";
    QTest::newRow("unknown") << int(plix::HANGUP_UNKNOWN) << "callFailed";
    QTest::newRow("success") << int(plix::HANGUP_SUCCESS) << "callEnded";
    QTest::newRow("reason without a name") << 7 << "callEnded";
}

void TestPhoneCalls::hangupReasons()
{
    QFETCH(int, reason);
    QFETCH(QString, signal);

    QVERIFY(m_rig->logIn());
    control()->set_call_outcome(reason);
    CallRecorder recorder(m_rig->phone.get());
    QVERIFY(placeCall(recorder, QStringLiteral("destroyed")));
    QCOMPARE(recorder.events, (QStringList {"connecting", signal, "destroyed"}));
    QVERIFY(!m_rig->phone->findChild<RingbackSound *>()->isPlaying());
    QVERIFY(m_rig->phone->calls().isEmpty());
}

void TestPhoneCalls::incomingCall()
{
    QVERIFY(m_rig->logIn());
    Phone &phone = *m_rig->phone;
    CallRecorder recorder(&phone);
    QVERIFY(control()->raise_incoming_call("4930123"));
    QTRY_COMPARE(recorder.events, QStringList {"incomingCall"});
    const talk::Call *call = recorder.calls.first();
    QVERIFY(call->isIncoming());
    QCOMPARE(Phone::remoteNumber(call), QStringLiteral("4930123"));
    QCOMPARE(phone.calls().size(), 1);

    // Answered the way the incoming-call pop-up does.
    QTRY_COMPARE(phone.focusedCall(), call);
    QVERIFY(phone.focusedCall()->accept(false));
    QTRY_COMPARE(recorder.events, (QStringList {"incomingCall", "callStarted"}));
    phone.hangup();
    QTRY_COMPARE(recorder.events, (QStringList {"incomingCall", "callStarted", "callEnded", "destroyed"}));
}

void TestPhoneCalls::incomingCallGivenUpByTheCaller()
{
    QVERIFY(m_rig->logIn());
    CallRecorder recorder(m_rig->phone.get());
    QVERIFY(control()->raise_incoming_call("4930123"));
    QTRY_COMPARE(recorder.events, QStringList {"incomingCall"});
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_COMPARE(recorder.events, (QStringList {"incomingCall", "incomingCallHangupDecline", "destroyed"}));
}

void TestPhoneCalls::secondCallAndHold()
{
    QVERIFY(m_rig->logIn());
    Phone &phone = *m_rig->phone;
    CallRecorder recorder(&phone);
    const talk::Call *first = placeCall(recorder, QStringLiteral("callStarted"));
    QVERIFY(first);

    // The far end holds the call and takes it back.
    QVERIFY(control()->hold_call(1));
    QTRY_VERIFY(!phone.focusedCall()->isActive());
    QVERIFY(control()->hold_call(0));
    QTRY_VERIFY(phone.focusedCall()->isActive());

    // A second call comes in; both are live, in the order they came.
    QVERIFY(control()->raise_incoming_call("4930123"));
    QTRY_COMPARE(phone.calls().size(), 2);
    const talk::Call *second = phone.calls().at(1);
    QCOMPARE(phone.calls().first(), first);
    QVERIFY(second->isIncoming());

    // The focus moves to the second; ending the first leaves it there. It
    // can be answered once it is offered, as the incoming-call pop-up is.
    QTRY_COMPARE(phone.focusedCall(), second);
    QTRY_COMPARE(recorder.events.count(QStringLiteral("incomingCall")), 1);
    QVERIFY(phone.focusedCall()->accept(false));
    QTRY_VERIFY(recorder.events.count(QStringLiteral("callStarted")) == 2);
    const_cast<talk::Call *>(first)->hangup();
    QTRY_COMPARE(recorder.events.count(QStringLiteral("destroyed")), 1);
    QCOMPARE(recorder.calls.last(), first);
    QCOMPARE(phone.calls(), QList<talk::Call *> {const_cast<talk::Call *>(second)});
    QCOMPARE(phone.focusedCall(), second);
    QCOMPARE(phone.currentCall(), second);
}

void TestPhoneCalls::muteAndVolumes()
{
    QVERIFY(m_rig->logIn());
    Phone &phone = *m_rig->phone;

    // No volume set through the phone yet: un-muting brings back the engine's own.
    const int engineSpeaker = control()->speaker_volume();
    phone.onSpeakerMuted(true);
    QCOMPARE(control()->speaker_volume(), 0);
    phone.onSpeakerMuted(false);
    QCOMPARE(control()->speaker_volume(), engineSpeaker);

    phone.onSpeakerVolumeChanged(200);
    QCOMPARE(control()->speaker_volume(), 200);
    phone.onSpeakerMuted(true);
    QCOMPARE(control()->speaker_volume(), 0);
    phone.onSpeakerMuted(false);
    QCOMPARE(control()->speaker_volume(), 200);

    CallRecorder recorder(&phone);
    QVERIFY(placeCall(recorder, QStringLiteral("callStarted")));
    phone.onMicVolumeChanged(180);
    QCOMPARE(control()->mic_volume(), 180);
    phone.onMicMuted(true);
    QCOMPARE(control()->call_muted(), 1);
    QCOMPARE(control()->mic_volume(), 0);
    phone.onMicMuted(false);
    QCOMPARE(control()->call_muted(), 0);
    QCOMPARE(control()->mic_volume(), 180);
}

void TestPhoneCalls::logoutDuringACall()
{
    QVERIFY(m_rig->logIn());
    Phone &phone = *m_rig->phone;
    CallRecorder recorder(&phone);
    QVERIFY(placeCall(recorder, QStringLiteral("callStarted")));

    QSignalSpy logout(&phone, &Phone::logoutSuccessful);
    phone.logout();
    QTRY_VERIFY(recorder.events.contains(QStringLiteral("callEnded")));
    QVERIFY(logout.isEmpty());
    QVERIFY(logout.wait());
    QVERIFY(!phone.isConnected());
}

void TestPhoneCalls::newLoginCancelsThePendingLogout()
{
    QVERIFY(m_rig->logIn());
    Phone &phone = *m_rig->phone;
    CallRecorder recorder(&phone);
    QVERIFY(placeCall(recorder, QStringLiteral("callStarted")));

    QSignalSpy logout(&phone, &Phone::logoutSuccessful);
    phone.logout();
    QTRY_VERIFY(recorder.events.contains(QStringLiteral("destroyed")));
    QVERIFY(m_rig->logIn());
    QTest::qWait(PhoneRig::shortDelays().logoutDelay + 100);
    QVERIFY(logout.isEmpty());
    QVERIFY(phone.isConnected());
    QVERIFY(!m_rig->contacts.groups().isEmpty());
}

void TestPhoneCalls::balanceAnsweredAfterTheLogout_data()
{
    // Which balance is asked for before the logout: the "periodic" one, or
    // the live one "after a call".
    QTest::addColumn<QString>("asked");
    // How the user signs out: with no call up ("at once"), "during a call"
    // (the logout waits for it to end), or during a call and "another user"
    // signs in before the logout was through.
    QTest::addColumn<QString>("logout");
    QTest::newRow("periodic, at once") << "periodic"
                                       << "at once";
    QTest::newRow("after a call, at once") << "after a call"
                                           << "at once";
    QTest::newRow("periodic, during a call") << "periodic"
                                             << "during a call";
    QTest::newRow("after a call, during the next call") << "after a call"
                                                        << "during a call";
    QTest::newRow("periodic, another user") << "periodic"
                                            << "another user";
    QTest::newRow("after a call, another user") << "after a call"
                                                << "another user";
}

// The answer of the account signed out of fills neither its window (which
// listens to balanceUpdate) nor the credit of whoever signs in next; and no
// live balance is asked for that account once it has signed out.
void TestPhoneCalls::balanceAnsweredAfterTheLogout()
{
    QFETCH(QString, asked);
    QFETCH(QString, logout);
    PhoneRig &rig = *m_rig;
    Phone &phone = *rig.phone;
    const bool periodic = asked == QLatin1String("periodic");
    const QString resource = periodic ? QStringLiteral("balance") : QStringLiteral("realTimeBalance");
    Phone::Delays delays = PhoneRig::shortDelays();
    if (periodic)
        delays.balancePeriod = 300;
    // The logout during a call is not through before the test ends.
    delays.logoutDelay = 60000;
    phone.setDelays(delays);
    const QString carol = QStringLiteral("carol");
    rig.server.addAccount(carol, QStringLiteral("carolpass1"));
    rig.server.setBalance(carol, 7.25, QStringLiteral("USD"), QStringLiteral("$"));
    QVERIFY(rig.logIn());
    QTRY_COMPARE(phone.balance().credit(), 10.0);
    const auto received = [&rig, &resource] {
        int count = 0;
        for (const WebserviceStandIn::Request &request : rig.server.requests())
            count += request.resource == resource ? 1 : 0;
        return count;
    };

    CallRecorder recorder(&phone);
    const int before = received();
    // A credit of its own tells this answer apart.
    const WebserviceStandIn::Match match {resource, "GET"};
    rig.server.answerNextWith(200, R"([{"credit":55.5,"currency":"EUR","currencySymbol":"€"}])", match);
    rig.server.holdNext(match);
    if (!periodic) {
        QVERIFY(placeCall(recorder, QStringLiteral("callStarted")));
        phone.hangup();
    }
    QTRY_COMPARE(received(), before + 1);
    if (logout != QLatin1String("at once")) {
        recorder.events.clear();
        QVERIFY(placeCall(recorder, QStringLiteral("callStarted")));
    }

    // Whatever becomes of the held request, its end is seen here: its
    // answer, or its failure once the logout or the next login gave it up.
    const char *const requestClass = periodic ? "BalanceRequest" : "LiveBalanceRequest";
    RestRequest *request = nullptr;
    for (RestRequest *child : rig.rest.findChildren<RestRequest *>()) {
        if (qstrcmp(child->metaObject()->className(), requestClass) == 0)
            request = child;
    }
    QVERIFY(request);
    QSignalSpy answered(&rig.rest, qOverload<const Balance &>(&RestManager::requestFinished));
    QSignalSpy failed(request, &RestRequest::requestError);
    QSignalSpy updates(&phone, &Phone::balanceUpdate);
    const double credit = phone.balance().credit();
    const auto liveAskedFor = [&rig](const QString &user) {
        int count = 0;
        for (const WebserviceStandIn::Request &request : rig.server.requests())
            count += request.resource == QLatin1String("realTimeBalance") && request.user() == user ? 1 : 0;
        return count;
    };
    const int askedBeforeTheLogout = liveAskedFor(PhoneRig::kUser);
    phone.logout();
    if (logout == QLatin1String("another user")) {
        QSignalSpy success(&phone, &Phone::loginSuccessful);
        QSignalSpy carolsBalance(&phone, &Phone::balanceUpdate);
        // Her balance comes once, after her login.
        phone.setDelays(PhoneRig::shortDelays());
        phone.setCredentials(carol, QStringLiteral("carolpass1"));
        QVERIFY(success.wait());
        QTRY_VERIFY(!carolsBalance.isEmpty());
        QCOMPARE(phone.balance().credit(), 7.25);
        updates.clear();
    }
    rig.server.releaseHeld();
    const auto ended = [&] {
        for (const QList<QVariant> &arguments : std::as_const(answered)) {
            if (arguments.at(0).value<Balance>().credit() == 55.5)
                return true;
        }
        return !failed.isEmpty();
    };
    QTRY_VERIFY(ended());
    QCOMPARE(phone.balance().credit(), logout == QLatin1String("another user") ? 7.25 : credit);
    QVERIFY(updates.isEmpty());
    // The call that the logout hung up would have its live balance asked
    // for a moment after its end.
    if (logout != QLatin1String("at once"))
        QTRY_VERIFY(recorder.events.contains(QStringLiteral("destroyed")));
    QTest::qWait(PhoneRig::shortDelays().liveBalanceDelay * 3);
    QCOMPARE(liveAskedFor(PhoneRig::kUser), askedBeforeTheLogout);
}

void TestPhoneCalls::sms()
{
    PhoneRig &rig = *m_rig;
    QVERIFY(rig.logIn());
    Phone &phone = *rig.phone;
    const int liveBalances = rig.requests(QStringLiteral("realTimeBalance"), "GET").size();
    QSignalSpy sent(&phone, &Phone::successSendingSMS);
    QSignalSpy failed(&phone, &Phone::errorSendingSMS);

    SMS sms;
    sms.setDestinationNumbers({QStringLiteral("+4912345")});
    sms.setText(QStringLiteral("Hello"));
    const quint64 first = phone.sendSMS(sms);
    QVERIFY(first != 0);
    QVERIFY(sent.wait());
    QCOMPARE(sent.first().at(0).toULongLong(), first);
    QCOMPARE(sent.first().at(1).value<SMS>().text(), QStringLiteral("Hello"));
    QCOMPARE(rig.server.sentSms(PhoneRig::kUser).size(), 1);
    QVERIFY(rig.waitForRequests(QStringLiteral("realTimeBalance"), "GET", liveBalances + 1));

    // The service refuses a message without text; no balance follows.
    const quint64 second = phone.sendSMS(SMS());
    QVERIFY(failed.wait());
    QCOMPARE(failed.first().at(0).toULongLong(), second);
    QVERIFY(second != first);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("Invalid parameters."));
    QTest::qWait(PhoneRig::shortDelays().liveBalanceDelay * 2);
    QCOMPARE(rig.requests(QStringLiteral("realTimeBalance"), "GET").size(), liveBalances + 1);
    QCOMPARE(sent.size(), 1);
}

void TestPhoneCalls::ringbackSound()
{
    // Played from the resource itself, so nothing is copied per call.
    QVERIFY(QFile::exists(QStringLiteral(":/sounds/calling.wav")));
    RingbackSound sound(QStringLiteral(":/sounds/calling.wav"));
    sound.play();
    QVERIFY(sound.isPlaying());
    sound.stop();
    sound.play();
    sound.stop();
    QVERIFY(!sound.isPlaying());

    // A missing sound rings silently and says so once.
    MessageCatcher traces;
    RingbackSound missing(QStringLiteral(":/sounds/no-such-sound.wav"));
    QVERIFY(!missing.isAvailable());
    QVERIFY(traces.contains(QStringLiteral("no-such-sound.wav")));
    missing.play();
    missing.stop();
}

LINKORA_TEST_MAIN(TestPhoneCalls)
#include "tst_phonecalls.moc"
