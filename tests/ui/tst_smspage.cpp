#include "history/callhistory.h"
#include "history/history.h"
#include "phone/phonerig.h"
#include "rest/restrequest.h"
#include "support/casestore.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "ui/smspage.h"
#include "uitesthelpers.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

class TestSmsPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void partCounter_data();
    void partCounter();
    void checksComeInOrder_data();
    void checksComeInOrder();
    void sentAsTypedToTheNormalisedNumber();
    void secondClickWhileSendingSendsNothing();
    void refusalsAndFailures_data();
    void refusalsAndFailures();
    void timeUpClaimsNothing();
    void lateAnswer_data();
    void lateAnswer();
    void animationAndPlaceholder();
    void screenshots();

private:
    bool logInWithCredit(double credit);
    QLabel *label(const char *name) const { return m_page->findChild<QLabel *>(QLatin1String(name)); }
    QTextEdit *textEdit() const { return m_page->findChild<QTextEdit *>(QStringLiteral("smsTextEdit")); }
    QPushButton *sendButton() const
    {
        return m_page->findChild<QPushButton *>(QStringLiteral("sendSMSButton"));
    }
    QString state() const { return label("smsStateLabel")->text(); }
    void clickSend() { QTest::mouseClick(sendButton(), Qt::LeftButton); }
    // The time of the message under way is up, however long it was given.
    bool timeUp();
    int smsReceived() const;

    std::unique_ptr<PhoneRig> m_rig;
    std::unique_ptr<History> m_history;
    std::unique_ptr<SMSPage> m_page;
    std::unique_ptr<UiTesting::PromptRecorder> m_prompts;
};

void TestSmsPage::initTestCase()
{
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
}

void TestSmsPage::init()
{
    TalkTesting::useStandIn();
    TalkTesting::control()->reset();
    m_rig = std::make_unique<PhoneRig>();
    m_prompts = std::make_unique<UiTesting::PromptRecorder>();
    m_page = std::make_unique<SMSPage>();
    m_page->setPhone(m_rig->phone.get());
    m_page->resize(257, 414);
}

void TestSmsPage::cleanup()
{
    m_page.reset();
    m_prompts.reset();
    m_rig.reset();
}

bool TestSmsPage::logInWithCredit(double credit)
{
    m_rig->server.setBalance(PhoneRig::kUser, credit, QStringLiteral("USD"), QStringLiteral("$"));
    QSignalSpy balance(m_rig->phone.get(), &Phone::balanceUpdate);
    if (!m_rig->logIn())
        return false;
    return QTest::qWaitFor([&] { return !balance.isEmpty(); }, 5000);
}

bool TestSmsPage::timeUp()
{
    auto *timer = m_page->findChild<QTimer *>(QStringLiteral("sendingTimeoutTimer"));
    if (!timer || !timer->isActive())
        return false;
    return QMetaObject::invokeMethod(timer, "timeout");
}

int TestSmsPage::smsReceived() const
{
    int count = 0;
    for (const WebserviceStandIn::Request &request : m_rig->server.requests())
        count += request.resource == QLatin1String("sms") ? 1 : 0;
    return count;
}

void TestSmsPage::partCounter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("counter");
    QTest::newRow("empty") << QString() << "SMS Counter 160(1)";
    QTest::newRow("159") << QString(159, QLatin1Char('a')) << "SMS Counter 1(1)";
    QTest::newRow("160") << QString(160, QLatin1Char('a')) << "SMS Counter 0(1)";
    QTest::newRow("161") << QString(161, QLatin1Char('a')) << "SMS Counter 159(2)";
    QTest::newRow("320") << QString(320, QLatin1Char('a')) << "SMS Counter 0(2)";
    // One UTF-16 unit per Cyrillic letter, two per emoji: the counter tells
    // units, not what the network will bill.
    QTest::newRow("cyrillic") << QString(100, QChar(0x0416)) << "SMS Counter 60(1)";
    QTest::newRow("emoji") << QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80") << "SMS Counter 156(1)";
}

void TestSmsPage::partCounter()
{
    QFETCH(QString, text);
    QFETCH(QString, counter);
    QCOMPARE(label("smsCounterLabel")->text(), QStringLiteral("SMS Counter 160(1)"));
    textEdit()->setPlainText(text);
    QCOMPARE(label("smsCounterLabel")->text(), counter);
}

void TestSmsPage::checksComeInOrder_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("credit");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("no number, no text") << QString() << QString() << 5.0 << "Please provide a phone number.";
    QTest::newRow("short number") << "12"
                                  << "Hi" << 5.0 << "Invalid number!";
    QTest::newRow("spaces only") << "4930123456"
                                 << "  \n " << 5.0 << "Please insert SMS text.";
    QTest::newRow("text before credit") << "4930123456" << QString() << 0.0 << "Please insert SMS text.";
    QTest::newRow("no credit") << "4930123456"
                               << "Hi" << 0.00009 << "You don't have any more credit!<br/>Buy some credit!";
    QTest::newRow("smallest credit") << "4930123456"
                                     << "Hi" << 0.0001 << QString();
}

void TestSmsPage::checksComeInOrder()
{
    QFETCH(QString, number);
    QFETCH(QString, text);
    QFETCH(double, credit);
    QFETCH(QString, refusal);
    QVERIFY(logInWithCredit(credit));
    m_page->setNumber(number);
    textEdit()->setPlainText(text);
    UiTesting::ModalBoxCloser closer;
    clickSend();

    QStringList shown = closer.texts;
    for (const MessagePrompt::Request &request : std::as_const(m_prompts->requests))
        shown << request.text;
    if (refusal.isEmpty()) {
        QVERIFY(shown.isEmpty());
        QTRY_COMPARE(m_rig->server.sentSms(PhoneRig::kUser).size(), 1);
        return;
    }
    QCOMPARE(shown, QStringList {refusal});
    // Nothing went out and nothing was cleared.
    QTest::qWait(50);
    QVERIFY(m_rig->server.sentSms(PhoneRig::kUser).isEmpty());
    QCOMPARE(textEdit()->toPlainText(), text);
    QVERIFY(!m_page->isSending());
}

void TestSmsPage::sentAsTypedToTheNormalisedNumber()
{
    QVERIFY(logInWithCredit(3.0));
    CaseStore store(QStringLiteral("sms-history.px"));
    store.loadDatabases();
    CallHistory callHistoryStore;
    CallHistory *callHistory = &callHistoryStore;
    m_rig->phone->setCallHistory(callHistory);
    m_page->setNumber(QStringLiteral("(49) 30-123456"));
    QCOMPARE(state(), QStringLiteral("Enter SMS Text"));
    textEdit()->setPlainText(QStringLiteral("  Hello Ann  "));
    clickSend();
    QCOMPARE(state(), QStringLiteral("Sending SMS    "));

    QTRY_COMPARE(state(), QStringLiteral("SMS Sent"));
    const QList<QJsonObject> sent = m_rig->server.sentSms(PhoneRig::kUser);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().value(QStringLiteral("destinationNumbers")).toArray(),
             QJsonArray {QStringLiteral("+4930123456")});
    QCOMPARE(sent.first().value(QStringLiteral("text")).toString(), QStringLiteral("  Hello Ann  "));
    const auto puts = m_rig->requests(QStringLiteral("sms"), "PUT");
    QCOMPARE(puts.size(), 1);
    QVERIFY(textEdit()->toPlainText().isEmpty());
    QVERIFY(!m_page->isSending());
    // The message is in the call history as an SMS.
    const QList<CallHistoryEvent> events = callHistory->events(nullptr);
    QCOMPARE(events.size(), 1);
    QCOMPARE(events.first().type(), CallHistoryEvent::Sms);
    QCOMPARE(events.first().number(), QStringLiteral("+4930123456"));
    // Back to the ready line after the result was shown.
    QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("Enter SMS Text"), 4000);
    m_rig->phone->setCallHistory(nullptr);
    store.closeDatabases();
}

void TestSmsPage::secondClickWhileSendingSendsNothing()
{
    QVERIFY(logInWithCredit(3.0));
    m_rig->server.delayNext(600, {QStringLiteral("sms")});
    m_page->setNumber(QStringLiteral("4930123456"));
    textEdit()->setPlainText(QStringLiteral("Once"));
    clickSend();
    clickSend();
    QTest::mouseDClick(sendButton(), Qt::LeftButton);
    QTRY_COMPARE(state(), QStringLiteral("SMS Sent"));
    QTest::qWait(200);
    QCOMPARE(m_rig->server.sentSms(PhoneRig::kUser).size(), 1);
    QCOMPARE(m_rig->requests(QStringLiteral("sms"), "PUT").size(), 1);

    // Once the answer is in, the next message goes.
    textEdit()->setPlainText(QStringLiteral("Twice"));
    clickSend();
    QTRY_COMPARE(m_rig->server.sentSms(PhoneRig::kUser).size(), 2);
}

void TestSmsPage::refusalsAndFailures_data()
{
    QTest::addColumn<QString>("steer");
    QTest::addColumn<QString>("boxTitle");
    QTest::newRow("too long") << "Max length exceeded"
                              << "Error: Text too long";
    QTest::newRow("daily limit") << "Maximum number of messages per day reached"
                                 << "Error: Maximum messages reached";
    QTest::newRow("other refusal") << "Destination barred" << QString();
    QTest::newRow("connection dropped") << "drop" << QString();
    QTest::newRow("server error") << "500" << QString();
}

void TestSmsPage::refusalsAndFailures()
{
    QFETCH(QString, steer);
    QFETCH(QString, boxTitle);
    QVERIFY(logInWithCredit(3.0));
    SMSPage::Delays delays;
    // The answer comes well within the time; the result is not read for long.
    delays.timeout = 60000;
    delays.resultShown = 300;
    m_page->setDelays(delays);
    const WebserviceStandIn::Match sms {QStringLiteral("sms")};
    if (steer == QLatin1String("drop"))
        m_rig->server.dropNext(sms);
    else if (steer == QLatin1String("500"))
        m_rig->server.answerNextWithStatus(500, sms);
    else
        m_rig->server.answerNextWithApplicationError(steer, {}, sms);

    m_page->setNumber(QStringLiteral("4930123456"));
    textEdit()->setPlainText(QStringLiteral("Hello"));
    clickSend();
    // Never "sent": the failure is on the state line.
    QTRY_COMPARE(state(), QStringLiteral("Error: SMS not sent."));
    QCOMPARE(textEdit()->toPlainText(), QStringLiteral("Hello"));
    QStringList titles;
    for (const MessagePrompt::Request &request : std::as_const(m_prompts->requests))
        titles << request.title;
    QCOMPARE(titles, boxTitle.isEmpty() ? QStringList() : QStringList {boxTitle});
    QTRY_COMPARE(state(), QStringLiteral("Enter SMS Text"));
    QVERIFY(!m_page->isSending());
}

// No answer in time: the message may well have gone, so the state line
// says neither "sent" nor "not sent", and then the page is ready again. The
// request itself waits far longer for the answer.
void TestSmsPage::timeUpClaimsNothing()
{
    QVERIFY(RestRequest::Limits().slowHeaderDeadline >= 3 * SMSPage::Delays().timeout);
    QVERIFY(logInWithCredit(3.0));
    SMSPage::Delays delays;
    delays.timeout = 60000;
    delays.resultShown = 100;
    m_page->setDelays(delays);
    m_rig->server.holdNext({QStringLiteral("sms")});
    m_page->setNumber(QStringLiteral("4930123456"));
    textEdit()->setPlainText(QStringLiteral("Hello"));
    clickSend();
    QTRY_COMPARE(smsReceived(), 1);
    const QString sending = state();
    QVERIFY2(sending.startsWith(QLatin1String("Sending SMS")), qPrintable(sending));

    QVERIFY(timeUp());
    QVERIFY(!m_page->isSending());
    QCOMPARE(state(), sending);
    QTRY_COMPARE(state(), QStringLiteral("Enter SMS Text"));
    QCOMPARE(textEdit()->toPlainText(), QStringLiteral("Hello"));
    QVERIFY(m_prompts->requests.isEmpty());
    // No longer under way: the next message may go.
    clickSend();
    QTRY_COMPARE(smsReceived(), 2);
}

void TestSmsPage::lateAnswer_data()
{
    // The late answer of the first message: "sent", the service's refusal,
    // or "drop" (the connection breaks: still no answer).
    QTest::addColumn<QString>("answer");
    // What the user did after its time-out: "nothing", "edited" the text,
    // sent the same text again and that one is "under way" (answered in
    // time, or in its turn "under way, time up"), or already "answered".
    QTest::addColumn<QString>("since");
    // The state line after the late answer; empty when it stays as it was.
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<QString>("boxTitle");
    QTest::newRow("sent") << "sent"
                          << "nothing"
                          << "SMS Sent" << true << QString();
    QTest::newRow("sent, text edited since") << "sent"
                                             << "edited"
                                             << "SMS Sent" << false << QString();
    QTest::newRow("refused") << "Max length exceeded"
                             << "nothing"
                             << "Error: SMS not sent." << false << "Error: Text too long";
    QTest::newRow("no answer after all") << "drop"
                                         << "nothing" << QString() << false << QString();
    QTest::newRow("sent, the next under way") << "sent"
                                              << "under way" << QString() << false << QString();
    QTest::newRow("sent, the next under way, time up")
        << "sent"
        << "under way, time up" << QString() << false << QString();
    QTest::newRow("refused, the next under way")
        << "Maximum number of messages per day reached"
        << "under way" << QString() << false << "Error: Maximum messages reached";
    QTest::newRow("other refusal, the next under way, time up")
        << "Destination barred"
        << "under way, time up" << QString() << false << QString();
    QTest::newRow("sent, the next answered") << "sent"
                                             << "answered" << QString() << false << QString();
}

void TestSmsPage::lateAnswer()
{
    QFETCH(QString, answer);
    QFETCH(QString, since);
    QFETCH(QString, shown);
    QFETCH(bool, cleared);
    QFETCH(QString, boxTitle);
    QVERIFY(logInWithCredit(3.0));
    SMSPage::Delays delays;
    delays.animation = 20;
    delays.timeout = 60000;
    delays.resultShown = 60000;
    m_page->setDelays(delays);
    const WebserviceStandIn::Match sms {QStringLiteral("sms")};
    const QString hello = QStringLiteral("Hello");

    // The first message is answered only after its time is up.
    if (answer == QLatin1String("drop"))
        m_rig->server.dropNext(sms);
    else if (answer != QLatin1String("sent"))
        m_rig->server.answerNextWithApplicationError(answer, {}, sms);
    m_rig->server.holdNext(sms);
    m_page->setNumber(QStringLiteral("4930123456"));
    textEdit()->setPlainText(hello);
    clickSend();
    QTRY_COMPARE(smsReceived(), 1);
    QVERIFY(timeUp());
    QVERIFY(!m_page->isSending());

    QString text = hello;
    const bool underWay = since.startsWith(QLatin1String("under way"));
    if (since == QLatin1String("edited")) {
        text = QStringLiteral("Hello there");
        textEdit()->setPlainText(text);
    } else if (underWay) {
        m_rig->server.holdNext(sms);
        clickSend();
        QVERIFY(m_page->isSending());
        QTRY_COMPARE(smsReceived(), 2);
    } else if (since == QLatin1String("answered")) {
        m_rig->server.answerNextWithApplicationError(QStringLiteral("Destination barred"), {}, sms);
        clickSend();
        QTRY_COMPARE(state(), QStringLiteral("Error: SMS not sent."));
    }

    const QString before = state();
    QSignalSpy sent(m_rig->phone.get(), &Phone::successSendingSMS);
    QSignalSpy failed(m_rig->phone.get(), &Phone::errorSendingSMS);
    QVERIFY(m_rig->server.releaseHeld());
    QTRY_COMPARE(sent.size() + failed.size(), 1);
    // The next message's line steps on as it goes.
    if (underWay)
        QVERIFY2(state().startsWith(QLatin1String("Sending SMS")), qPrintable(state()));
    else
        QCOMPARE(state(), shown.isEmpty() ? before : shown);
    QCOMPARE(textEdit()->toPlainText(), cleared ? QString() : text);
    QStringList titles;
    for (const MessagePrompt::Request &request : std::as_const(m_prompts->requests))
        titles << request.title;
    QCOMPARE(titles, boxTitle.isEmpty() ? QStringList() : QStringList {boxTitle});
    if (!underWay)
        return;

    // The next message goes on as if nothing came: still under way, its
    // line stepping on, its own time running.
    QVERIFY(m_page->isSending());
    const QString stepped = state();
    QTRY_VERIFY(state() != stepped);
    QVERIFY2(state().startsWith(QLatin1String("Sending SMS")), qPrintable(state()));
    if (since.endsWith(QLatin1String("time up"))) {
        QVERIFY(timeUp());
        QVERIFY(!m_page->isSending());
    }
    // Its own answer tells it, and empties the text it sent.
    QVERIFY(m_rig->server.releaseHeld());
    QTRY_COMPARE(state(), QStringLiteral("SMS Sent"));
    QVERIFY(textEdit()->toPlainText().isEmpty());
    QVERIFY(!m_page->isSending());
    QCOMPARE(smsReceived(), 2);
}

void TestSmsPage::animationAndPlaceholder()
{
    QLabel *stateLabel = label("smsStateLabel");
    stateLabel->setText(QStringLiteral("Sending SMS    "));
    QStringList seen;
    for (int tick = 0; tick < 5; ++tick) {
        m_page->updateSmsStateLabel();
        seen << stateLabel->text();
    }
    QCOMPARE(seen,
             QStringList({"Sending SMS .  ", "Sending SMS .. ", "Sending SMS ...", "Sending SMS .  ",
                          "Sending SMS .. "}));
    stateLabel->setText(QStringLiteral("Enter SMS Text"));
    m_page->updateSmsStateLabel();
    QCOMPARE(stateLabel->text(), QStringLiteral("Enter SMS Text"));

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(m_page.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLabel *hint = label("placeHolderLabel");
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->size(), textEdit()->size());
    textEdit()->setFocus();
    QTRY_VERIFY(!hint->isVisible());
    sendButton()->setFocus();
    QTRY_VERIFY(hint->isVisible());
    // A text set from outside hides it at once, and emptying shows it again.
    textEdit()->setPlainText(QStringLiteral("x"));
    QVERIFY(!hint->isVisible());
    textEdit()->setFocus();
    sendButton()->setFocus();
    QTest::qWait(20);
    QVERIFY(!hint->isVisible());
    textEdit()->clear();
    QVERIFY(hint->isVisible());
    layout->removeWidget(m_page.get());
    m_page->setParent(nullptr);
}

void TestSmsPage::screenshots()
{
    QVERIFY(logInWithCredit(3.0));
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_page.get());
    window.resize(257, 414);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    m_page->setNumber(QStringLiteral("442079460018"));
    textEdit()->setPlainText(QStringLiteral("See you at eight, the table is booked."));
    QVERIFY(window.grab().save(UiLook::screenshotPath(QStringLiteral("sms-typed.png"))));
    clickSend();
    QTRY_COMPARE(state(), QStringLiteral("SMS Sent"));
    QVERIFY(window.grab().save(UiLook::screenshotPath(QStringLiteral("sms-sent.png"))));
    layout->removeWidget(m_page.get());
    m_page->setParent(nullptr);
}

LINKORA_TEST_MAIN(TestSmsPage)
#include "tst_smspage.moc"
