#include "centralrig.h"

#include "history/numberhistory.h"
#include "rest/contact.h"
#include "rest/phonenumber.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "talk/call.h"
#include "talk/mediaengine.h"
#include "ui/callswitchdialog.h"
#include "ui/incomingcalldialog.h"
#include "ui/menubutton.h"
#include "ui/missedcallsdialog.h"
#include "ui/missedcallwidget.h"
#include "ui/ringtone.h"
#include "ui/smspage.h"

#include <QDir>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

QPushButton *button(const QWidget *parent, const char *name)
{
    return parent ? parent->findChild<QPushButton *>(QLatin1String(name)) : nullptr;
}

QString caption(const QWidget *parent, const char *name)
{
    const auto *label = parent ? parent->findChild<QLabel *>(QLatin1String(name)) : nullptr;
    return label ? label->text() : QString();
}

// The ring tones copied into the temporary folder so far.
QStringList temporaryCopies()
{
    return QDir(QDir::tempPath()).entryList(QDir::Files);
}

} // namespace

class TestIncomingCall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ringToneCopyIsMadeOnceAndGoesWithThePlayer();
    void missingRingToneRingsNothing();

    void callerIsNamedAndRecorded_data();
    void callerIsNamedAndRecorded();
    void answerStopsTheRingAndConnects();
    void declineEndsOnlyThatCall();
    void callerGivingUpIsAMissedCall();
    void otherEndsStopThePopupAndTheRing_data();
    void otherEndsStopThePopupAndTheRing();
    void closeButtonLeavesTheCallRinging();
    void missedCallBack();
    void missedCallSms();
    void holdAndSwapBetweenTwoCalls();
    void screenshot();

private:
    IncomingCallDialog *popup() const { return m_rig->widget->findChild<IncomingCallDialog *>(); }
    MissedCallsDialog *missedCalls() const { return m_rig->widget->findChild<MissedCallsDialog *>(); }
    talk::MediaEngine *engine() const { return m_rig->phone.talk->mediaEngine(); }
    // Raises a call from the number and waits for its pop-up.
    const talk::Call *ring(const QString &number);

    int m_case = 0;
    std::unique_ptr<CentralRig> m_rig;
};

void TestIncomingCall::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
}

void TestIncomingCall::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<CentralRig>(QStringLiteral("incoming%1.px").arg(++m_case));
    m_rig->widget->show();
    m_rig->widget->setView(ContentWidget::DialPadView, false);
    QVERIFY(m_rig->phone.logIn());
    // The dial pad calls only with credit.
    QTRY_VERIFY(m_rig->phone.phone->balance().credit() > 0);
}

void TestIncomingCall::cleanup()
{
    m_rig.reset();
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
}

const talk::Call *TestIncomingCall::ring(const QString &number)
{
    QSignalSpy incoming(m_rig->phone.phone.get(), &Phone::incomingCall);
    if (!control()->raise_incoming_call(number.toUtf8().constData()) || !incoming.wait(5000))
        return nullptr;
    return incoming.first().first().value<const talk::Call *>();
}

void TestIncomingCall::ringToneCopyIsMadeOnceAndGoesWithThePlayer()
{
    const QStringList before = temporaryCopies();
    QString copy;
    {
        RingTone tone;
        QVERIFY(tone.start(engine()));
        copy = tone.file();
        QVERIFY(QFileInfo::exists(copy));
        QCOMPARE(QFileInfo(copy).size(), QFile(RingTone::defaultResource()).size());
        QVERIFY(engine()->isPlaying());
        QVERIFY(engine()->stopPlaying());
        // Every later ring plays the same copy.
        QVERIFY(tone.start(engine()));
        QCOMPARE(tone.file(), copy);
        QVERIFY(engine()->stopPlaying());
        QCOMPARE(temporaryCopies().size(), before.size() + 1);
    }
    QVERIFY(!QFileInfo::exists(copy));
    QCOMPARE(temporaryCopies(), before);
}

void TestIncomingCall::missingRingToneRingsNothing()
{
    MessageCatcher messages;
    RingTone tone(QStringLiteral(":/sounds/no-such-tone"), nullptr);
    QVERIFY(!tone.start(engine()));
    QVERIFY(tone.file().isEmpty());
    QVERIFY(!engine()->isPlaying());
    QVERIFY(messages.contains(QStringLiteral("Ring tone missing")));
}

void TestIncomingCall::callerIsNamedAndRecorded_data()
{
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("caller");
    QTest::newRow("no contact") << QString() << QStringLiteral("4930123");
    // The first name alone, not the display name.
    QTest::newRow("contact") << QStringLiteral("Ann") << QStringLiteral("Ann");
}

void TestIncomingCall::callerIsNamedAndRecorded()
{
    QFETCH(QString, firstName);
    QFETCH(QString, caller);
    if (!firstName.isEmpty()) {
        Contact ann;
        ann.setNick(QStringLiteral("ann"));
        ann.setFirstName(firstName);
        ann.setLastName(QStringLiteral("Lee"));
        ann.setGroupName(QStringLiteral("Friends"));
        PhoneNumber number;
        number.setNumber(QStringLiteral("+49 30 123"));
        ann.setPhones({number});
        m_rig->phone.server.addContact(PhoneRig::kUser,
                                       QJsonObject::fromVariantMap(ann.toVariantMap().toMap()));
        m_rig->phone.phone->retrieveContactsFromWebservices();
        QTRY_VERIFY(m_rig->phone.contacts.contactByPhoneNumber(QStringLiteral("4930123")));
    }

    QVERIFY(ring(QStringLiteral("4930123")));
    QVERIFY(popup());
    QVERIFY(popup()->isVisible());
    QVERIFY(!popup()->isModal());
    QCOMPARE(caption(popup(), "infoLabel"), caller + QStringLiteral("\nis calling..."));
    // The number itself, with no nick, joins the recent numbers.
    QCOMPARE(m_rig->history->numberHistory()->recentNumbers().value(0), QStringLiteral("4930123"));
    QVERIFY(engine()->isPlaying());
    QVERIFY(QString::fromUtf8(control()->files_played()).contains(QStringLiteral("(loop)")));
}

void TestIncomingCall::answerStopsTheRingAndConnects()
{
    QSignalSpy started(m_rig->phone.phone.get(), &Phone::callStarted);
    const talk::Call *call = ring(QStringLiteral("4930123"));
    QVERIFY(call);
    QVERIFY(engine()->isPlaying());
    QSignalSpy accepted(popup(), &IncomingCallDialog::acceptCall);

    button(popup(), "anwserButton")->click();
    QCOMPARE(accepted.size(), 1);
    QVERIFY(!popup()->isVisible());
    QCOMPARE(popup()->result(), int(QDialog::Accepted));
    QVERIFY(!engine()->isPlaying());
    QVERIFY(started.wait(5000));
    QCOMPARE(started.first().first().value<const talk::Call *>(), call);

    // A second call reuses the pop-up and rings again.
    IncomingCallDialog *first = popup();
    engine()->setAllowsMultipleCalls(true);
    QVERIFY(ring(QStringLiteral("4930999")));
    QCOMPARE(m_rig->widget->findChildren<IncomingCallDialog *>().size(), 1);
    QCOMPARE(popup(), first);
    QVERIFY(popup()->isVisible());
    QVERIFY(engine()->isPlaying());
}

void TestIncomingCall::declineEndsOnlyThatCall()
{
    Phone *phone = m_rig->phone.phone.get();
    const talk::Call *incoming = ring(QStringLiteral("4930123"));
    QVERIFY(incoming);

    // A call placed while the pop-up rings takes the focus.
    engine()->setAllowsMultipleCalls(true);
    control()->set_call_outcome(PLIX_STANDIN_RING);
    phone->call(QStringLiteral("4912345"), false);
    QTRY_COMPARE(phone->calls().size(), 2);
    const talk::Call *outgoing = phone->calls().at(1);
    QTRY_COMPARE(phone->focusedCall(), outgoing);

    QSignalSpy destroyed(phone, &Phone::callInstanceDestroyed);
    button(popup(), "declineButton")->click();
    QVERIFY(!popup()->isVisible());
    QVERIFY(!engine()->isPlaying());
    QVERIFY(destroyed.wait(5000));
    QCOMPARE(destroyed.first().first().value<const talk::Call *>(), incoming);
    QCOMPARE(phone->calls(), QList<talk::Call *> {const_cast<talk::Call *>(outgoing)});
    // Declining is no missed call.
    QVERIFY(!missedCalls());
}

void TestIncomingCall::callerGivingUpIsAMissedCall()
{
    QVERIFY(ring(QStringLiteral("4930123")));
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_VERIFY(missedCalls() && missedCalls()->isVisible());
    QVERIFY(!popup()->isVisible());
    QVERIFY(!engine()->isPlaying());
    QCOMPARE(missedCalls()->rows().size(), 1);
    QCOMPARE(missedCalls()->rows().first()->callerNumber(), QStringLiteral("4930123"));

    // The next one is listed with the ones gathered before.
    QVERIFY(ring(QStringLiteral("4930123")));
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_COMPARE(caption(missedCalls()->rows().value(0), "countLabel"), QStringLiteral("2 calls from"));

    // OK forgets them: the next missed call stands alone.
    button(missedCalls(), "okButton")->click();
    QVERIFY(!missedCalls()->isVisible());
    QVERIFY(ring(QStringLiteral("4930777")));
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_VERIFY(missedCalls()->isVisible());
    QCOMPARE(missedCalls()->rows().size(), 1);
    QCOMPARE(missedCalls()->rows().first()->callerNumber(), QStringLiteral("4930777"));
    QCOMPARE(caption(missedCalls()->rows().first(), "countLabel"), QStringLiteral("1 call from"));
}

void TestIncomingCall::otherEndsStopThePopupAndTheRing_data()
{
    QTest::addColumn<int>("reason");
    QTest::newRow("timeout") << int(plix::HANGUP_TIMEOUT);
    QTest::newRow("unreachable") << int(plix::HANGUP_UNREACHABLE);
    QTest::newRow("connection lost") << -1;
}

void TestIncomingCall::otherEndsStopThePopupAndTheRing()
{
    QFETCH(int, reason);
    QVERIFY(ring(QStringLiteral("4930123")));
    QSignalSpy destroyed(m_rig->phone.phone.get(), &Phone::callInstanceDestroyed);
    if (reason < 0)
        QVERIFY(control()->drop_connection(plix::PLIX_DISCONNECT_CONNECTION_LOST));
    else
        QVERIFY(control()->hangup_remote(static_cast<plix::HANGUP_REASON>(reason)));
    QVERIFY(destroyed.wait(5000));
    QVERIFY(!popup()->isVisible());
    QVERIFY(!engine()->isPlaying());
    QVERIFY(!missedCalls());
}

void TestIncomingCall::closeButtonLeavesTheCallRinging()
{
    QSignalSpy rejected(m_rig->phone.phone.get(), &Phone::callInstanceDestroyed);
    QVERIFY(ring(QStringLiteral("4930123")));
    QSignalSpy declined(popup(), &IncomingCallDialog::rejectCall);
    button(popup(), "closeButton")->click();
    QVERIFY(!popup()->isVisible());
    QCOMPARE(declined.size(), 0);
    QTest::qWait(100);
    QVERIFY(engine()->isPlaying());
    QCOMPARE(m_rig->phone.phone->calls().size(), 1);

    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_VERIFY(missedCalls() && missedCalls()->isVisible());
    QVERIFY(!engine()->isPlaying());
}

void TestIncomingCall::missedCallBack()
{
    QVERIFY(ring(QStringLiteral("4930123")));
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_VERIFY(missedCalls() && missedCalls()->isVisible());
    m_rig->widget->setView(ContentWidget::ContactListView, false);
    QTRY_VERIFY(m_rig->phone.phone->calls().isEmpty());

    QSignalSpy connecting(m_rig->phone.phone.get(), &Phone::connecting);
    button(missedCalls()->rows().first(), "callNumberButton")->click();
    QVERIFY(!missedCalls()->isVisible());
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::DialPadView);
    QVERIFY(connecting.wait(5000));
    QCOMPARE(QString::fromUtf8(control()->last_callee()).section(QLatin1Char('@'), 0, 0),
             QStringLiteral("+4930123"));
    QVERIFY(m_rig->prompts.texts().isEmpty());

    // The list was emptied: the next missed call stands alone.
    QVERIFY(control()->hangup_remote(plix::HANGUP_BUSY));
    QTRY_VERIFY(m_rig->phone.phone->calls().isEmpty());
    QVERIFY(ring(QStringLiteral("4930777")));
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_VERIFY(missedCalls()->isVisible());
    QCOMPARE(missedCalls()->rows().size(), 1);
}

void TestIncomingCall::missedCallSms()
{
    QVERIFY(ring(QStringLiteral("4930123")));
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QTRY_VERIFY(missedCalls() && missedCalls()->isVisible());

    button(missedCalls()->rows().first(), "sendSMSButton")->click();
    QVERIFY(!missedCalls()->isVisible());
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::SmsView);
    QCOMPARE(m_rig->currentPage(), QStringLiteral("smsPage"));
    // As the number field shows it, grouped after its country prefix.
    QCOMPARE(m_rig->child<SMSPage>("smsPage")->number().remove(QLatin1Char('-')), QStringLiteral("4930123"));
    // No message leaves without the user.
    QVERIFY(m_rig->phone.requests(QStringLiteral("sms"), "POST").isEmpty());
}

void TestIncomingCall::holdAndSwapBetweenTwoCalls()
{
    Phone *phone = m_rig->phone.phone.get();
    engine()->setAllowsMultipleCalls(true);
    phone->call(QStringLiteral("4912345"), false);
    QSignalSpy started(phone, &Phone::callStarted);
    QVERIFY(started.wait(5000));
    QVERIFY(ring(QStringLiteral("4930123")));
    button(popup(), "anwserButton")->click();
    QVERIFY(started.wait(5000));
    QCOMPARE(phone->calls().size(), 2);

    auto *hold = m_rig->child<MenuButton>("holdTopMenuButton");
    auto *swap = m_rig->child<MenuButton>("swapTopMenuButton");
    // HOLD only marks itself: no call changes its state.
    const bool firstActive = phone->calls().at(0)->isActive();
    const bool secondActive = phone->calls().at(1)->isActive();
    emit hold->clicked();
    QVERIFY(hold->isSelected());
    emit hold->clicked();
    QVERIFY(!hold->isSelected());
    QCOMPARE(phone->calls().at(0)->isActive(), firstActive);
    QCOMPARE(phone->calls().at(1)->isActive(), secondActive);

    // SWAP opens the list of both calls, SWAP again closes it.
    emit swap->clicked();
    QVERIFY(swap->isSelected());
    QPointer<CallSwitchDialog> dialog = m_rig->widget->findChild<CallSwitchDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->rowCount(), 2);
    QCOMPARE(dialog->callAt(0), phone->calls().at(0));
    QCOMPARE(dialog->callAt(1), phone->calls().at(1));
    emit swap->clicked();
    QVERIFY(!swap->isSelected());
    QTRY_VERIFY(!dialog);

    // Closed by its own button, the next SWAP opens a fresh one.
    emit swap->clicked();
    dialog = m_rig->widget->findChild<CallSwitchDialog *>();
    QVERIFY(dialog);
    dialog->close();
    QTRY_VERIFY(!dialog);
    QVERIFY(swap->isSelected());
    emit swap->clicked();
    QVERIFY(m_rig->widget->findChild<CallSwitchDialog *>());
    QVERIFY(swap->isSelected());
}

void TestIncomingCall::screenshot()
{
    QVERIFY(ring(QStringLiteral("4930123")));
    QVERIFY(QTest::qWaitForWindowExposed(popup()));
    const QImage image = popup()->grab().toImage();
    QVERIFY(image.save(UiLook::screenshotPath(QStringLiteral("incomingcall.png"))));
    // The style sheet's picture is drawn, not just a bare window.
    QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2).alpha() > 0);
}

LINKORA_TEST_MAIN(TestIncomingCall)
#include "tst_incomingcall.moc"
