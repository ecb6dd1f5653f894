#include "history/callhistory.h"
#include "history/history.h"
#include "mainwindowrig.h"
#include "objfactory.h"
#include "phone/phonerig.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "talk/call.h"
#include "ui/contentwidget.h"
#include "ui/historyroles.h"
#include "ui/mainwindow.h"
#include "ui/menubutton.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// The program as a user meets it: the main window over its services, the
// services against the stand-ins, a database of its own; its calls go to the
// history as the application wires them.
struct Client : MainWindowRig
{
    explicit Client(const QString &databaseFile)
        : MainWindowRig(databaseFile)
    {
        rig.server.setBalance(PhoneRig::kUser, 4.2, QStringLiteral("USD"), QStringLiteral("$"));
        rig.phone->setCallHistory(history->callHistory());
    }
};

// Types the credentials into the login view and presses Return.
void signIn(Client &client, const QString &user, const QString &password)
{
    auto *name = client.child<QComboBox>("loginCombo");
    auto *field = client.child<QLineEdit>("passwordLineEdit");
    name->clearEditText();
    field->clear();
    QTest::keyClicks(name->lineEdit(), user);
    QTest::keyClicks(field, password);
    QTest::keyClick(field, Qt::Key_Return);
}

// Every text the credit button shows while it lives, each change once.
class CreditWatch
{
public:
    explicit CreditWatch(const MenuButton *button)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, button] {
            if (shown.isEmpty() || shown.last() != button->iconText())
                shown << button->iconText();
        });
        m_timer.start(2);
    }
    Q_DISABLE_COPY(CreditWatch)

    QStringList shown;

private:
    QTimer m_timer;
};

} // namespace

class TestAccountFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void signInCallFindItAndTextIt();
    void creditShowsNoFigureBeforeTheBalance();
    void historyKeepsTheStartAndTheTalkTimeAcrossAHold();
};

void TestAccountFlow::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
    control()->reset();
}

void TestAccountFlow::signInCallFindItAndTextIt()
{
    TestClock clock;
    UiTesting::PromptRecorder prompts;
    Client client(QStringLiteral("accountflow.px"));
    client.window->showLogIn();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));

    signIn(client, PhoneRig::kUser, PhoneRig::kPassword);
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->balance().credit() > 4, 5000);

    // Call, talk a little over a second, hang up.
    control()->set_call_outcome(PLIX_STANDIN_RING);
    auto *dialPad = client.child<QWidget>("dialPadPage");
    QLineEdit *number = dialPad->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    QTest::keyClicks(number, QStringLiteral("4930123456"));
    auto *callButton = dialPad->findChild<QPushButton *>(QStringLiteral("callHungUpButton"));
    QSignalSpy started(client.rig.phone.get(), &Phone::callStarted);
    QTest::mouseClick(callButton, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([] { return control()->answer_call() != 0; }, 5000));
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->currentCall(), 5000);
    QTRY_COMPARE(started.size(), 1);
    clock.advance(1300);
    QTest::mouseClick(callButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->calls().isEmpty(), 5000);

    // The call history from the menu: the call is there, outgoing, with its
    // length.
    QVERIFY(client.chooseFromMenu("menuCalls", "actionCall_History"));
    QTRY_COMPARE(client.content()->currentView(), ContentWidget::CallHistoryView);
    auto *list = client.child<QListView>("historyListView");
    QTRY_COMPARE(list->model()->rowCount(), 1);
    const QModelIndex call = list->model()->index(0, 0);
    const QString called = call.data(HistoryRoles::NumberRole).toString();
    QCOMPARE(called, QStringLiteral("+4930123456"));
    QCOMPARE(call.data(HistoryRoles::TypeRole).toInt(), int(CallHistoryEvent::Outgoing));
    QCOMPARE(call.data(HistoryRoles::DurationRole).toTime(), QTime(0, 0, 1));

    // Back where it came from, then an SMS to that number.
    QTRY_VERIFY(!UiTesting::sliding(client.content()));
    QTest::mouseClick(client.child<QPushButton>("callHistoryTopMenuBackButton"), Qt::LeftButton);
    QTRY_COMPARE(client.content()->currentView(), ContentWidget::DialPadView);
    QVERIFY(client.chooseFromMenu("menuCalls", "actionSMS"));
    QTRY_COMPARE(client.content()->currentView(), ContentWidget::SmsView);
    auto *smsPage = client.child<QWidget>("smsPage");
    QLineEdit *smsNumber = smsPage->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    smsNumber->clear();
    QTest::keyClicks(smsNumber, called);
    QTest::keyClicks(smsPage->findChild<QTextEdit *>(QStringLiteral("smsTextEdit")),
                     QStringLiteral("Sorry, we were cut off."));
    QTest::mouseClick(smsPage->findChild<QPushButton *>(QStringLiteral("sendSMSButton")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(client.rig.server.sentSms(PhoneRig::kUser).size(), 1, 5000);
    const QJsonObject sms = client.rig.server.sentSms(PhoneRig::kUser).first();
    QCOMPARE(sms.value(QStringLiteral("destinationNumbers")).toArray(), QJsonArray {called});
    QCOMPARE(sms.value(QStringLiteral("text")).toString(), QStringLiteral("Sorry, we were cut off."));
    QVERIFY(prompts.requests.isEmpty());

    // And the message joins the call in the history.
    QVERIFY(client.chooseFromMenu("menuCalls", "actionCall_History"));
    QTRY_COMPARE(list->model()->rowCount(), 2);
    QTRY_COMPARE(list->model()->index(0, 0).data(HistoryRoles::TypeRole).toInt(), int(CallHistoryEvent::Sms));

    client.rig.phone->logout();
    QTRY_VERIFY_WITH_TIMEOUT(!client.rig.phone->isConnected(), 5000);
}

// The balance comes late: until then the credit shows no figure, neither a
// zero nor the account signed in before.
void TestAccountFlow::creditShowsNoFigureBeforeTheBalance()
{
    UiTesting::PromptRecorder prompts;
    Client client(QStringLiteral("accountflow-credit.px"));
    client.rig.server.addAccount(QStringLiteral("carol"), QStringLiteral("carolpass1"));
    client.rig.server.setBalance(QStringLiteral("carol"), 7.25, QStringLiteral("USD"), QStringLiteral("$"));
    client.window->showLogIn();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));
    auto *credit = client.child<MenuButton>("creditButton");
    const QRegularExpression figure(QStringLiteral("\\d"));
    const QStringList accounts {PhoneRig::kUser, QStringLiteral("carol")};
    const QStringList passwords {PhoneRig::kPassword, QStringLiteral("carolpass1")};
    const QStringList balances {QStringLiteral("$4.20"), QStringLiteral("$7.25")};
    for (int account = 0; account < 2; ++account) {
        CreditWatch watch(credit);
        client.rig.server.delayNext(1200, {QStringLiteral("balance"), "GET"});
        signIn(client, accounts.at(account), passwords.at(account));
        QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(credit->iconText(), balances.at(account), 8000);
        for (const QString &shown : watch.shown.mid(0, watch.shown.size() - 1))
            QVERIFY2(!shown.contains(figure), qPrintable(watch.shown.join(QStringLiteral(" | "))));
        // Logged out from the menu, the question answered Ok.
        QObject waiting;
        UiTesting::when([&] { return client.content()->currentView() == ContentWidget::QueryUserView; },
                        [&] { UiTesting::leftClick(client.child<QPushButton>("queryUserOkButton")); },
                        &waiting);
        QVERIFY(client.chooseFromMenu("menuPhone", "actionLogout"));
        QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::LoginView, 5000);
        QCOMPARE(credit->iconText(), QStringLiteral("\u2013"));
    }
}

// A call that rang, was talked, held and talked again is stamped with the
// time it was placed and keeps the time from the answer to the end, the
// hold within it: the call stayed up all along.
void TestAccountFlow::historyKeepsTheStartAndTheTalkTimeAcrossAHold()
{
    TestClock clock;
    UiTesting::PromptRecorder prompts;
    Client client(QStringLiteral("accountflow-hold.px"));
    client.window->showLogIn();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));
    signIn(client, PhoneRig::kUser, PhoneRig::kPassword);
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->balance().credit() > 4, 5000);

    QSignalSpy started(client.rig.phone.get(), &Phone::callStarted);
    control()->set_call_outcome(PLIX_STANDIN_RING);
    auto *dialPad = client.child<QWidget>("dialPadPage");
    QTest::keyClicks(dialPad->findChild<QLineEdit *>(QStringLiteral("numberLineEdit")),
                     QStringLiteral("4930123456"));
    auto *callButton = dialPad->findChild<QPushButton *>(QStringLiteral("callHungUpButton"));
    const QDateTime placed = clock.now;
    QTest::mouseClick(callButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!client.rig.phone->calls().isEmpty(), 5000);
    // Rings for 1.5 s, talks 1 s, is held 1.5 s, talks 1 s again.
    clock.advance(1500);
    QVERIFY(QTest::qWaitFor([] { return control()->answer_call() != 0; }, 5000));
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 5000);
    clock.advance(1000);
    QVERIFY(control()->hold_call(1) != 0);
    QTRY_VERIFY(!client.rig.phone->calls().first()->isActive());
    clock.advance(1500);
    QVERIFY(control()->hold_call(0) != 0);
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 2, 5000);
    clock.advance(1000);
    QTest::mouseClick(callButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->calls().isEmpty(), 5000);

    const QList<CallHistoryEvent> events = client.history->callHistory()->events(nullptr);
    QCOMPARE(events.size(), 1);
    const QDateTime stamp = events.first().timestamp();
    QVERIFY2(stamp.toSecsSinceEpoch() == placed.toSecsSinceEpoch(),
             qPrintable(stamp.toString(Qt::ISODate) + QLatin1Char(' ') + placed.toString(Qt::ISODate)));
    // 3.5 s of talk, in whole seconds.
    QCOMPARE(events.first().duration(), QTime(0, 0, 3));
}

LINKORA_TEST_MAIN(TestAccountFlow)
#include "tst_accountflow.moc"
