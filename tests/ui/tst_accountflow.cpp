#include "history/callhistory.h"
#include "history/history.h"
#include "mainwindowrig.h"
#include "objfactory.h"
#include "phone/phonerig.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "support/testenvironment.h"
#include "ui/contentwidget.h"
#include "ui/historyroles.h"
#include "ui/mainwindow.h"
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
#include <QTextEdit>
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

} // namespace

class TestAccountFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void signInCallFindItAndTextIt();
};

void TestAccountFlow::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
    control()->reset();
}

void TestAccountFlow::signInCallFindItAndTextIt()
{
    UiTesting::PromptRecorder prompts;
    Client client(QStringLiteral("accountflow.px"));
    client.window->showLogIn();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));

    // Sign in.
    auto *name = client.child<QComboBox>("loginCombo");
    auto *password = client.child<QLineEdit>("passwordLineEdit");
    QTest::keyClicks(name->lineEdit(), PhoneRig::kUser);
    QTest::keyClicks(password, PhoneRig::kPassword);
    QTest::keyClick(password, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->balance().credit() > 4, 5000);

    // Call, talk a little over a second, hang up.
    control()->set_call_outcome(PLIX_STANDIN_RING);
    auto *dialPad = client.child<QWidget>("dialPadPage");
    QLineEdit *number = dialPad->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    QTest::keyClicks(number, QStringLiteral("4930123456"));
    auto *callButton = dialPad->findChild<QPushButton *>(QStringLiteral("callHungUpButton"));
    QTest::mouseClick(callButton, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([] { return control()->answer_call() != 0; }, 5000));
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->currentCall(), 5000);
    QTest::qWait(1300);
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
    QVERIFY(call.data(HistoryRoles::DurationRole).toTime() >= QTime(0, 0, 1));

    // Back where it came from, then an SMS to that number.
    QTest::qWait(400);
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

LINKORA_TEST_MAIN(TestAccountFlow)
#include "tst_accountflow.moc"
