#include "history/callhistory.h"
#include "history/history.h"
#include "phone/phonerig.h"
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
    void lateAnswerIsNotTakenForTheNextMessage_data();
    void lateAnswerIsNotTakenForTheNextMessage();
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
    QTest::newRow("no answer in time") << "slow" << QString();
}

void TestSmsPage::refusalsAndFailures()
{
    QFETCH(QString, steer);
    QFETCH(QString, boxTitle);
    QVERIFY(logInWithCredit(3.0));
    SMSPage::Delays delays;
    // Long enough for a loaded machine: an answer after it is dropped.
    delays.timeout = 2000;
    delays.resultShown = 300;
    m_page->setDelays(delays);
    const WebserviceStandIn::Match sms {QStringLiteral("sms")};
    if (steer == QLatin1String("drop"))
        m_rig->server.dropNext(sms);
    else if (steer == QLatin1String("500"))
        m_rig->server.answerNextWithStatus(500, sms);
    else if (steer == QLatin1String("slow"))
        m_rig->server.holdNext(sms);
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
    if (steer == QLatin1String("slow")) {
        // The answer after all: it asks for the balance, and changes nothing.
        const int balances = m_rig->requests(QStringLiteral("realTimeBalance"), "GET").size();
        QVERIFY(m_rig->server.releaseHeld());
        QVERIFY(m_rig->waitForRequests(QStringLiteral("realTimeBalance"), "GET", balances + 1));
        QCOMPARE(state(), QStringLiteral("Enter SMS Text"));
        QCOMPARE(textEdit()->toPlainText(), QStringLiteral("Hello"));
    }
}

void TestSmsPage::lateAnswerIsNotTakenForTheNextMessage_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    // What becomes of the second message: "fails", "unanswered" or "sent".
    QTest::addColumn<QString>("fate");
    QTest::newRow("same text, the second fails") << "Hello"
                                                 << "Hello"
                                                 << "fails";
    QTest::newRow("other text, the second unanswered") << "First"
                                                       << "Second"
                                                       << "unanswered";
    QTest::newRow("same text, the second sent") << "Hello"
                                                << "Hello"
                                                << "sent";
}

void TestSmsPage::lateAnswerIsNotTakenForTheNextMessage()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, fate);
    QVERIFY(logInWithCredit(3.0));
    SMSPage::Delays delays;
    delays.timeout = 1000;
    delays.resultShown = 60000;
    m_page->setDelays(delays);
    const WebserviceStandIn::Match sms {QStringLiteral("sms")};
    auto received = [this] {
        int count = 0;
        for (const WebserviceStandIn::Request &request : m_rig->server.requests())
            count += request.resource == QLatin1String("sms") ? 1 : 0;
        return count;
    };

    // The first is answered only after the page gave it up.
    m_rig->server.holdNext(sms);
    m_page->setNumber(QStringLiteral("4930123456"));
    textEdit()->setPlainText(first);
    clickSend();
    QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("Error: SMS not sent."), 5000);
    QVERIFY(!m_page->isSending());

    // The second goes, and waits for its answer; unanswered, it is given up
    // after a while that leaves room for the checks below.
    const bool unanswered = fate == QLatin1String("unanswered");
    delays.timeout = unanswered ? 4000 : 60000;
    m_page->setDelays(delays);
    if (fate == QLatin1String("fails"))
        m_rig->server.answerNextWithStatus(500, sms);
    m_rig->server.holdNext(sms);
    textEdit()->setPlainText(second);
    clickSend();
    QVERIFY(m_page->isSending());
    QTRY_COMPARE(received(), 2);

    // The first one's answer comes now; a sent answer asks for the balance.
    const int balances = m_rig->requests(QStringLiteral("realTimeBalance"), "GET").size();
    QVERIFY(m_rig->server.releaseHeld());
    QVERIFY(m_rig->waitForRequests(QStringLiteral("realTimeBalance"), "GET", balances + 1));
    QVERIFY2(state().startsWith(QLatin1String("Sending SMS")), qPrintable(state()));
    QCOMPARE(textEdit()->toPlainText(), second);
    QVERIFY(m_page->isSending());
    // Still one message at a time.
    clickSend();

    if (unanswered) {
        QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("Error: SMS not sent."), 8000);
        // Its own late answer is dropped too.
        QVERIFY(m_rig->server.releaseHeld());
        QVERIFY(m_rig->waitForRequests(QStringLiteral("realTimeBalance"), "GET", balances + 2));
        QCOMPARE(state(), QStringLiteral("Error: SMS not sent."));
        QCOMPARE(textEdit()->toPlainText(), second);
    } else {
        QVERIFY(m_rig->server.releaseHeld());
        const bool sent = fate == QLatin1String("sent");
        QTRY_COMPARE_WITH_TIMEOUT(
            state(), sent ? QStringLiteral("SMS Sent") : QStringLiteral("Error: SMS not sent."), 5000);
        QCOMPARE(textEdit()->toPlainText(), sent ? QString() : second);
    }
    QVERIFY(!m_page->isSending());
    QCOMPARE(received(), 2);
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
