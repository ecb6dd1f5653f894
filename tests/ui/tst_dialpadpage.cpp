#include "history/history.h"
#include "history/numberhistory.h"
#include "objfactory.h"
#include "phone/phonerig.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "support/talktesting.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "support/urlcatcher.h"
#include "talk/call.h"
#include "ui/dialpadpage.h"
#include "ui/menubutton.h"
#include "ui/messageprompt.h"
#include "uitesthelpers.h"

#include <QApplication>
#include <QDesktopServices>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

} // namespace

class TestDialPadPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void checksRefuseTheCall_data();
    void checksRefuseTheCall();
    void callIsPlacedNormalisedAndRecordedAsTyped();
    void stateLineFollowsTheCall();
    void endReasons_data();
    void endReasons();
    void runningTimeFormat_data();
    void runningTimeFormat();
    void runningTimeIgnoresTheWallClock();
    void runningTimeGoesOnAcrossAHold();
    void keysTypeOutsideACallAndSendTonesDuringOne();
    void volumeStepsAndMute();
    void speakerMuteLeavesTheCallHeard();
    void creditSmsAndSave();
    void longCurrencySymbolStaysInItsPlace();
    void screenshots();

private:
    struct Box
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    // Logs in with the credit on the stand-in and waits for it to arrive.
    bool logInWithCredit(double credit);
    QLabel *stateLabel() const { return m_page->findChild<QLabel *>(QStringLiteral("callStateLabel")); }
    QPushButton *button(const char *name) const
    {
        return m_page->findChild<QPushButton *>(QLatin1String(name));
    }
    QSlider *slider() const { return m_page->findChild<QSlider *>(QStringLiteral("volumeSlider")); }
    QString callee() const { return QString::fromUtf8(control()->last_callee()); }
    bool callLook() const { return button("callHungUpButton")->property("_is_call").toBool(); }

    std::unique_ptr<PhoneRig> m_rig;
    // The wall clock, which the test turns.
    std::unique_ptr<TestClock> m_clock;
    std::unique_ptr<DialPadPage> m_page;
    QList<Box> m_boxes;
};

void TestDialPadPage::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
    QVERIFY(ObjFactory::instance()->settings());
}

void TestDialPadPage::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<PhoneRig>();
    m_boxes.clear();
    MessagePrompt::setHandler([this](const MessagePrompt::Request &request) {
        m_boxes << Box {request.icon, request.title, request.text};
        return QMessageBox::Ok;
    });
    m_clock = std::make_unique<TestClock>(QDateTime::fromMSecsSinceEpoch(1700000000000));
    m_page = std::make_unique<DialPadPage>();
    m_page->setPhone(m_rig->phone.get());
    m_page->setSettings(ObjFactory::instance()->settings());
    m_page->setHistory(ObjFactory::instance()->history());
    m_page->setContactManager(&m_rig->contacts);
    m_page->resize(300, 458);
}

void TestDialPadPage::cleanup()
{
    m_page.reset();
    m_clock.reset();
    m_rig.reset();
    MessagePrompt::setHandler({});
}

bool TestDialPadPage::logInWithCredit(double credit)
{
    m_rig->server.setBalance(PhoneRig::kUser, credit, QStringLiteral("USD"), QStringLiteral("$"));
    QSignalSpy balance(m_rig->phone.get(), &Phone::balanceUpdate);
    if (!m_rig->logIn())
        return false;
    return QTest::qWaitFor([&] { return !balance.isEmpty(); }, 5000)
        && qFuzzyCompare(m_rig->phone->balance().credit() + 1, credit + 1);
}

void TestDialPadPage::checksRefuseTheCall_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<double>("credit");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("phoneBox");
    QTest::addColumn<QString>("pageBox");

    const QString noCredit = QStringLiteral("You don't have any more credit!<br/>Buy some credit!");
    const QString noConnection = QStringLiteral("Could not call!<br/>Connection failed!");
    QTest::newRow("no number") << "" << 5.0 << true << "Please provide a phone number."
                               << "";
    QTest::newRow("too short") << "12" << 5.0 << true << "Invalid number!"
                               << "";
    QTest::newRow("credit just below") << "4930123456" << 0.00009 << true << "" << noCredit;
    QTest::newRow("no credit, no connection") << "4930123456" << 0.0 << false << "" << noCredit;
    QTest::newRow("credit, no connection") << "4930123456" << 0.0001 << false << "" << noConnection;
}

void TestDialPadPage::checksRefuseTheCall()
{
    QFETCH(QString, number);
    QFETCH(double, credit);
    QFETCH(bool, connected);
    QFETCH(QString, phoneBox);
    QFETCH(QString, pageBox);

    QVERIFY(logInWithCredit(credit));
    if (!connected) {
        QVERIFY(control()->drop_connection(0));
        QTRY_VERIFY(!m_rig->phone->isConnected());
    }
    const QStringList recentBefore = ObjFactory::instance()->history()->numberHistory()->recentNumbers();
    m_page->setNumber(number);

    UiTesting::ModalBoxCloser closer;
    m_page->doCall();
    QCOMPARE(closer.texts, phoneBox.isEmpty() ? QStringList() : QStringList {phoneBox});
    QCOMPARE(m_boxes.size(), pageBox.isEmpty() ? 0 : 1);
    if (!pageBox.isEmpty()) {
        QCOMPARE(m_boxes.first().title, QStringLiteral("Error"));
        QCOMPARE(m_boxes.first().text, pageBox);
        QCOMPARE(m_boxes.first().icon, QMessageBox::Critical);
    }
    // Nothing called, nothing recorded, the call look kept.
    QCOMPARE(callee(), QString());
    QCOMPARE(ObjFactory::instance()->history()->numberHistory()->recentNumbers(), recentBefore);
    QVERIFY(callLook());
    QCOMPARE(stateLabel()->text(), QStringLiteral("Enter Phone Number"));
}

void TestDialPadPage::callIsPlacedNormalisedAndRecordedAsTyped()
{
    // The smallest credit that still calls.
    QVERIFY(logInWithCredit(0.0001));
    control()->set_call_outcome(PLIX_STANDIN_RING);
    m_page->setCallHistoryEventType(CallHistoryEvent::Incoming);
    m_page->setNumber(QStringLiteral("4930123456"));
    const QString typed = m_page->number();
    QVERIFY(typed.contains(QLatin1Char('-')));

    MessageCatcher traces;
    m_page->doCall();
    QVERIFY(m_boxes.isEmpty());
    QTRY_COMPARE(callee(), QStringLiteral("+4930123456@") + m_rig->phone->domain());
    QVERIFY(!callLook());
    QCOMPARE(ObjFactory::instance()->history()->numberHistory()->recentNumbers().value(0), typed);
    QCOMPARE(m_page->callHistoryEventType(), CallHistoryEvent::Outgoing);
    QTRY_VERIFY(m_rig->phone->currentCall());
    // The log goes out with crash reports: no dialled number in it.
    QVERIFY(traces.contains(QStringLiteral("Calling...")));
    for (const QString &line : traces.messages())
        QVERIFY2(!line.contains(QStringLiteral("30123456")), qPrintable(line));

    // A second call while one is up goes nowhere.
    m_page->setNumber(QStringLiteral("331234567"));
    m_page->doCall();
    QTest::qWait(50);
    QCOMPARE(control()->live_calls(), 1);
    QCOMPARE(callee(), QStringLiteral("+4930123456@") + m_rig->phone->domain());
}

void TestDialPadPage::stateLineFollowsTheCall()
{
    // Ann is in the address book the service sends at login.
    m_rig->server.addGroup(PhoneRig::kUser, QStringLiteral("Friends"));
    m_rig->server.addContact(PhoneRig::kUser,
                             QJsonObject {{QStringLiteral("nick"), QStringLiteral("ann")},
                                          {QStringLiteral("groupName"), QStringLiteral("Friends")},
                                          {QStringLiteral("firstName"), QStringLiteral("Ann")},
                                          {QStringLiteral("lastName"), QStringLiteral("Lee")},
                                          {QStringLiteral("phones"),
                                           QJsonArray {QJsonObject {{QStringLiteral("number"),
                                                                     QStringLiteral("+44 20 7946 0018")}}}}});
    QVERIFY(logInWithCredit(12.5));
    QTRY_VERIFY(m_rig->contacts.contactByPhoneNumber(QStringLiteral("442079460018")));
    control()->set_call_outcome(PLIX_STANDIN_RING);
    QSignalSpy progress(m_page.get(), &DialPadPage::callProgressChanged);
    QSignalSpy info(m_page.get(), &DialPadPage::callInfoChanged);

    // hangup() without a call does nothing.
    m_page->hangup();
    QVERIFY(callLook());

    m_page->setNumber(QStringLiteral("442079460018"));
    m_page->doCall();
    // The called party by the contact's first name.
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("Calling Ann"));
    QVERIFY(!callLook());

    // Once the far end rings.
    QVERIFY(QTest::qWaitFor([] { return control()->answer_call() != 0; }, 5000));
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:00"));
    QCOMPARE(progress.size(), 1);
    m_clock->advance(61 * 1000);
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:01:01"));
    QCOMPARE(info.last().first().toString(), QStringLiteral("00:01:01"));
    QCOMPARE(m_page->callDuration(), 61 * 1000);

    // Return in the number entry hangs up: the state line is back at once,
    // then the end signal shows its reason for five seconds.
    QLineEdit *line = m_page->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    QTest::keyClick(line, Qt::Key_Return);
    QCOMPARE(stateLabel()->text(), QStringLiteral("Enter Phone Number"));
    QVERIFY(callLook());
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("call ended"));
    QCOMPARE(info.last().first().toString(), QString());
    QTRY_VERIFY(!m_rig->phone->currentCall());
    QVERIFY(progress.size() >= 2);
    const qint64 duration = m_page->callDuration();
    QTRY_COMPARE_WITH_TIMEOUT(stateLabel()->text(), QStringLiteral("Enter Phone Number"), 7000);
    QCOMPARE(m_page->callDuration(), duration);

    // Return outside a call places one.
    QTest::keyClick(line, Qt::Key_Return);
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("Calling Ann"));
}

void TestDialPadPage::endReasons_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("box");

    QTest::newRow("far end hangs up") << int(plix::HANGUP_SUCCESS) << "call ended"
                                      << "";
    QTest::newRow("busy") << int(plix::HANGUP_BUSY) << "Busy"
                          << "";
    QTest::newRow("declined") << int(plix::HANGUP_DECLINE) << "Call Rejected"
                              << "";
    QTest::newRow("unreachable") << int(plix::HANGUP_UNREACHABLE) << "Number unreachable"
                                 << "";
    QTest::newRow("timeout") << int(plix::HANGUP_TIMEOUT) << "Timeout"
                             << "";
    QTest::newRow("unknown") << int(plix::HANGUP_UNKNOWN) << "Enter Phone Number"
                             << "The number you have dialed is not valid. Please try again.";
    QTest::newRow("not found") << int(plix::HANGUP_NOT_FOUND) << "Enter Phone Number"
                               << "Number is not in service";
}

void TestDialPadPage::endReasons()
{
    QFETCH(int, reason);
    QFETCH(QString, state);
    QFETCH(QString, box);

    QVERIFY(logInWithCredit(3.0));
    control()->set_call_outcome(reason == plix::HANGUP_SUCCESS ? PLIX_STANDIN_ANSWER : reason);
    QSignalSpy info(m_page.get(), &DialPadPage::callInfoChanged);
    m_page->setNumber(QStringLiteral("331234567"));
    m_page->doCall();
    QVERIFY(!callLook());
    if (reason == plix::HANGUP_SUCCESS) {
        QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:00"));
        QVERIFY(control()->hangup_remote(reason));
    }
    QTRY_VERIFY(!m_rig->phone->currentCall());
    QTRY_VERIFY(!info.isEmpty());
    QCOMPARE(info.last().first().toString(), QString());
    QCOMPARE(stateLabel()->text(), state);
    QVERIFY(callLook());
    if (box.isEmpty()) {
        QVERIFY(m_boxes.isEmpty());
    } else {
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(m_boxes.first().title, QStringLiteral("Call Failed"));
        QCOMPARE(m_boxes.first().text, box);
    }
}

void TestDialPadPage::runningTimeFormat_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << qint64(0) << "00:00:00";
    QTest::newRow("just short of a minute") << qint64(59999) << "00:00:59";
    QTest::newRow("an hour, a minute, a second") << qint64(3661000) << "01:01:01";
    QTest::newRow("a hundred hours") << qint64(100) * 3600 * 1000 << "100:00:00";
}

void TestDialPadPage::runningTimeFormat()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, text);
    QCOMPARE(DialPadPage::formatDuration(milliseconds), text);
}

void TestDialPadPage::runningTimeIgnoresTheWallClock()
{
    QVERIFY(logInWithCredit(3.0));
    QSignalSpy info(m_page.get(), &DialPadPage::callInfoChanged);
    m_page->setNumber(QStringLiteral("331234567"));
    m_page->doCall();
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:00"));
    const qint64 start = m_page->callStartTime();
    QCOMPARE(start, m_clock->now.toMSecsSinceEpoch());
    // The system clock is set back an hour during the call, a second into it.
    m_clock->now = m_clock->now.addMSecs(-3600 * 1000);
    m_clock->steady += 1000;
    info.clear();
    QTRY_VERIFY(!info.isEmpty());
    QCOMPARE(info.first().first().toString(), QStringLiteral("00:00:01"));
    QCOMPARE(m_page->lastTickTime(), start - 3600 * 1000);
    m_page->hangup();
}

void TestDialPadPage::runningTimeGoesOnAcrossAHold()
{
    QVERIFY(logInWithCredit(3.0));
    QSignalSpy started(m_rig->phone.get(), &Phone::callStarted);
    m_page->setNumber(QStringLiteral("331234567"));
    m_page->doCall();
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:00"));
    const qint64 answered = m_page->callStartTime();
    m_clock->advance(30 * 1000);
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:30"));

    // The far end holds the call for a while and takes it back: the time
    // held is talk time, as in the call's history entry.
    QVERIFY(control()->hold_call(1));
    QTRY_VERIFY(!m_rig->phone->focusedCall()->isActive());
    m_clock->advance(20 * 1000);
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:50"));
    QVERIFY(control()->hold_call(0));
    QTRY_COMPARE(started.size(), 2);
    QCOMPARE(stateLabel()->text(), QStringLiteral("00:00:50"));
    QCOMPARE(m_page->callStartTime(), answered);
    m_clock->advance(10 * 1000);
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:01:00"));
    m_page->hangup();
}

void TestDialPadPage::keysTypeOutsideACallAndSendTonesDuringOne()
{
    // Before the page has a phone, keys only type.
    DialPadPage alone;
    QTest::mouseClick(alone.findChild<QPushButton *>(QStringLiteral("num7")), Qt::LeftButton);
    QVERIFY(alone.number().startsWith(QLatin1Char('7')));

    QVERIFY(logInWithCredit(3.0));
    MessageCatcher traces;
    for (const char *key : {"num4", "num4", "numHash"})
        QTest::mouseClick(button(key), Qt::LeftButton);
    // The field's country detection runs on the keys as on typing.
    QCOMPARE(m_page->number(), QStringLiteral("44-#"));
    // Not which key: key by key, the trace would spell the number out.
    QCOMPARE(traces.messages().filter(QStringLiteral("Key tone playing")).size(), 3);
    QVERIFY(traces.messages().filter(QRegularExpression(QStringLiteral("Key tone.*[4#]"))).isEmpty());
    QCOMPARE(QString::fromUtf8(control()->dtmf_sent()), QString());

    m_page->setNumber(QStringLiteral("331234567"));
    m_page->doCall();
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:00"));
    const QString number = m_page->number();
    for (const char *key : {"num5", "numStar", "num0", "numHash"})
        QTest::mouseClick(button(key), Qt::LeftButton);
    QCOMPARE(QString::fromUtf8(control()->dtmf_sent()), QStringLiteral("5*0#"));
    QCOMPARE(m_page->number(), number);
    m_page->hangup();
}

void TestDialPadPage::volumeStepsAndMute()
{
    Settings *settings = ObjFactory::instance()->settings();
    settings->setAudioOutputVolume(25);
    settings->setAudioInputVolume(40);
    m_page->setSettings(settings);
    QSignalSpy speakerLevel(m_page.get(), &DialPadPage::speakerVolumeChanged);
    QSignalSpy speakerMute(m_page.get(), &DialPadPage::speakerMuted);
    QSignalSpy micLevel(m_page.get(), &DialPadPage::micVolumeChanged);
    QPushButton *mute = button("muteButton");

    m_page->showSpeakerVolumePanel();
    QVERIFY(m_page->findChild<QWidget *>(QStringLiteral("volumePanel"))->isVisibleTo(m_page.get()));
    QCOMPARE(slider()->value(), 25);
    QCOMPARE(mute->property("_is_mic").toBool(), false);

    // Steps stop at the ends of the range.
    slider()->setValue(250);
    QTest::mouseClick(button("volUpButton"), Qt::LeftButton);
    QCOMPARE(slider()->value(), 255);
    QCOMPARE(speakerLevel.last().first().toInt(), 255);
    QCOMPARE(settings->audioOutputVolume(), 255u);
    slider()->setValue(5);
    QTest::mouseClick(button("volDownButton"), Qt::LeftButton);
    QCOMPARE(slider()->value(), 0);

    // Dragged to 0, then muted and un-muted: the last level above 0 returns.
    slider()->setValue(60);
    slider()->setValue(0);
    const int levelsBefore = speakerLevel.size();
    QTest::mouseClick(mute, Qt::LeftButton);
    QCOMPARE(speakerMute.last().first().toBool(), true);
    QTest::mouseClick(mute, Qt::LeftButton);
    QCOMPARE(speakerMute.last().first().toBool(), false);
    QCOMPARE(slider()->value(), 60);
    // Mute moves the slider without reporting levels or storing them.
    QCOMPARE(speakerLevel.size(), levelsBefore);
    QCOMPARE(settings->audioOutputVolume(), 0u);

    // Muted speaker, then the microphone panel: its own level and mark.
    QTest::mouseClick(mute, Qt::LeftButton);
    QCOMPARE(slider()->value(), 0);
    m_page->showMicVolumePanel();
    QCOMPARE(mute->property("_is_mic").toBool(), true);
    QVERIFY(!mute->isChecked());
    QCOMPARE(slider()->value(), 40);
    QCOMPARE(micLevel.last().first().toInt(), 40);
    m_page->decreaseVolume(false);
    QCOMPARE(slider()->value(), 30);
    QCOMPARE(settings->audioInputVolume(), 30u);

    // Opening the muted speaker's panel with the slider at 0 brings its
    // level back and clears the mute.
    slider()->setValue(0);
    const int mutesBefore = speakerMute.size();
    m_page->showSpeakerVolumePanel();
    QCOMPARE(slider()->value(), 60);
    QVERIFY(!mute->isChecked());
    QCOMPARE(speakerLevel.last().first().toInt(), 60);
    QCOMPARE(speakerMute.size(), mutesBefore);

    m_page->hideVolumePanel();
    QVERIFY(!m_page->findChild<QWidget *>(QStringLiteral("volumePanel"))->isVisibleTo(m_page.get()));
}

void TestDialPadPage::speakerMuteLeavesTheCallHeard()
{
    QVERIFY(logInWithCredit(3.0));
    m_page->setNumber(QStringLiteral("331234567"));
    m_page->doCall();
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:00"));
    QCOMPARE(control()->call_muted(), 0);
    QPushButton *mute = button("muteButton");

    m_page->showSpeakerVolumePanel();
    QTest::mouseClick(mute, Qt::LeftButton);
    QTRY_COMPARE(control()->speaker_volume(), 0);
    QCOMPARE(control()->call_muted(), 0);

    m_page->showMicVolumePanel();
    QTest::mouseClick(mute, Qt::LeftButton);
    QTRY_COMPARE(control()->call_muted(), 1);
    QTRY_COMPARE(control()->mic_volume(), 0);
    // A level on the slider makes the user heard again.
    m_page->increaseVolume(false);
    QVERIFY(!mute->isChecked());
    QTRY_COMPARE(control()->call_muted(), 0);
    QTRY_VERIFY(control()->mic_volume() > 0);
    m_page->hangup();
}

// The service names the currency: a long name is shortened on the credit
// button, which keeps to its place beside the Call button.
void TestDialPadPage::longCurrencySymbolStaysInItsPlace()
{
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    auto *credit = m_page->findChild<MenuButton *>(QStringLiteral("creditButton"));
    auto *label = credit->findChild<QLabel *>(QStringLiteral("iconLabel"));
    QPushButton *call = button("callHungUpButton");
    const QRect callBefore = call->geometry();
    const auto place = [&](const QWidget *widget) {
        return QRect(widget->mapTo(m_page.get(), QPoint(0, 0)), widget->size());
    };

    for (const QString &symbol :
         {QStringLiteral("$"), QStringLiteral("Pounds sterling of the realm ") + QString(40, u'W')}) {
        Balance balance;
        balance.setCredit(12.5);
        balance.setCurrencySymbol(symbol);
        m_page->updateBalance(balance);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(credit->iconText(), symbol + QStringLiteral("12.50"));
        QCOMPARE(call->geometry(), callBefore);
        QVERIFY(!place(credit).intersects(place(call)));
        QVERIFY(place(credit).right() < place(call).left());
        // Shown whole when it fits, shortened (with its whole text on hover) when not.
        const bool fits = symbol.size() == 1;
        QCOMPARE(label->text() == credit->iconText(), fits);
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
        QCOMPARE(label->toolTip().isEmpty(), fits);
    }
}

void TestDialPadPage::creditSmsAndSave()
{
    auto *credit = m_page->findChild<MenuButton *>(QStringLiteral("creditButton"));
    // No figure before the first balance.
    QCOMPARE(credit->iconText(), QStringLiteral("\u2013"));
    const QString buy = QStringLiteral("<font color=red><b>BUY</b></font>");
    const QList<std::pair<double, QString>> cases
        = {{12.5, QStringLiteral("$12.50")}, {0.004, QStringLiteral("$0.00")}, {0.0, buy}, {-3.0, buy}};
    for (const auto &[amount, text] : cases) {
        Balance balance;
        balance.setCredit(amount);
        balance.setCurrencySymbol(QStringLiteral("$"));
        m_page->updateBalance(balance);
        QCOMPARE(credit->iconText(), text);
    }

    UrlCatcher browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    QVERIFY(QMetaObject::invokeMethod(credit, "clicked"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(browser.urls, QList<QUrl> {HomeUrls::instance()->buyCreditURL()});

    QSignalSpy sms(m_page.get(), &DialPadPage::smsClicked);
    QTest::mouseClick(button("smsButton"), Qt::LeftButton);
    QCOMPARE(sms.size(), 1);

    QSignalSpy save(m_page.get(), &DialPadPage::saveNumber);
    m_page->setNumber(QStringLiteral("331234567"));
    QTest::mouseClick(button("saveNumberButton"), Qt::LeftButton);
    QCOMPARE(save.size(), 1);
    QCOMPARE(save.first().first().toString(), m_page->number());
}

void TestDialPadPage::screenshots()
{
    QVERIFY(logInWithCredit(12.5));
    m_page->updateBalance(m_rig->phone->balance());
    QWidget window;
    window.setObjectName(QStringLiteral("dialPadShot"));
    window.setStyleSheet(QStringLiteral("#dialPadShot { background: #f4f6f9; }"));
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_page.get());
    window.resize(300, 458);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage idle = window.grab().toImage();
    QVERIFY(idle.save(UiLook::screenshotPath(QStringLiteral("dialpad-idle.png"))));

    m_page->setNumber(QStringLiteral("442079460018"));
    m_page->doCall();
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:00"));
    m_page->showSpeakerVolumePanel();
    m_clock->advance(1000);
    QTRY_COMPARE(stateLabel()->text(), QStringLiteral("00:00:01"));
    const QImage inCall = window.grab().toImage();
    QVERIFY(inCall.save(UiLook::screenshotPath(QStringLiteral("dialpad-call.png"))));
    // The hang-up look is drawn differently from the call look.
    const QRect callButton(button("callHungUpButton")->mapTo(&window, QPoint()),
                           button("callHungUpButton")->size());
    QVERIFY(idle.copy(callButton) != inCall.copy(callButton));
    m_page->hangup();
    layout->removeWidget(m_page.get());
    m_page->setParent(nullptr);
}

LINKORA_TEST_MAIN(TestDialPadPage)
#include "tst_dialpadpage.moc"
