#include "centralrig.h"
#include "history/callhistory.h"
#include "keyboardhelpers.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "talk/call.h"
#include "ui/callhistoryeventitemdelegate.h"
#include "ui/callhistorymodel.h"
#include "ui/callhistorypage.h"
#include "ui/historyroles.h"
#include "ui/incomingcalldialog.h"
#include "ui/menubutton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// A press and release on the button's middle, the pointer moved there first
// as a person's would be.
void press(QWidget *button)
{
    // The pointer comes over the button first: the tool-bar buttons count a
    // release only under a pointer that entered them.
    const QPoint middle = button->rect().center();
    QEnterEvent enter(middle, button->mapTo(button->window(), middle), button->mapToGlobal(middle));
    QApplication::sendEvent(button, &enter);
    QTest::mouseClick(button, Qt::LeftButton, {}, middle);
}

struct Row
{
    int type;
    QString number;
    QTime duration;
};

} // namespace

class TestCallHistoryPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void callsThroughTheDialPadAreRecorded();
    void filtersByPeriodNewestFirst();
    void namesFromTheBookElseUnknown();
    void nameAndDurationTexts_data();
    void nameAndDurationTexts();
    void modelGivesNothingOutsideItsRows();
    void doubleClickCallsAgainAndBackReturns();
    void clearAsksFirst_data();
    void clearAsksFirst();
    void filterButtonsShowTheirWholeCaption_data();
    void filterButtonsShowTheirWholeCaption();
    void screenshots();

private:
    CallHistoryPage *page() const { return m_rig->child<CallHistoryPage>("callHistoryPage"); }
    QListView *list() const { return m_rig->child<QListView>("historyListView"); }
    DialPadPage *dialPad() const { return m_rig->child<DialPadPage>("dialPadPage"); }
    QList<Row> rows() const;
    // Waits until Phone has let go of every call.
    bool noCallLeft() const
    {
        return QTest::qWaitFor([this] { return m_rig->phone.phone->calls().isEmpty(); }, 5000);
    }
    const talk::Call *ring(const QString &number);
    // Opens the page as the menu does and lets the slide end.
    void openHistory()
    {
        m_rig->widget->showCallHistory();
        QTRY_COMPARE(m_rig->currentPage(), QStringLiteral("callHistoryPage"));
        QTRY_VERIFY(!UiTesting::sliding(m_rig->widget.get()));
    }
    void addBookContact();
    // The rows of the history table in the database itself.
    static int storedRows()
    {
        QSqlQuery query(QStringLiteral("select count(*) from call_history"));
        return query.next() ? query.value(0).toInt() : -1;
    }

    std::unique_ptr<CentralRig> m_rig;
};

void TestCallHistoryPage::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
}

void TestCallHistoryPage::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<CentralRig>(QStringLiteral("callhistory.px"));
    m_rig->widget->resize(300, 520);
    m_rig->widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
    m_rig->widget->setView(ContentWidget::DialPadView, false);
    // The database file outlives a case.
    m_rig->history->callHistory()->clearHistory();
}

void TestCallHistoryPage::cleanup()
{
    m_rig.reset();
}

QList<Row> TestCallHistoryPage::rows() const
{
    QList<Row> shown;
    const QAbstractItemModel *model = list()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        shown << Row {index.data(HistoryRoles::TypeRole).toInt(),
                      index.data(HistoryRoles::NumberRole).toString(),
                      index.data(HistoryRoles::DurationRole).toTime()};
    }
    return shown;
}

const talk::Call *TestCallHistoryPage::ring(const QString &number)
{
    QSignalSpy incoming(m_rig->phone.phone.get(), &Phone::incomingCall);
    if (!control()->raise_incoming_call(number.toUtf8().constData()) || !incoming.wait(5000))
        return nullptr;
    return incoming.first().first().value<const talk::Call *>();
}

void TestCallHistoryPage::addBookContact()
{
    m_rig->phone.server.addGroup(PhoneRig::kUser, QStringLiteral("Friends"));
    m_rig->phone.server.addContact(
        PhoneRig::kUser,
        QJsonObject {
            {QStringLiteral("nick"), QStringLiteral("ann")},
            {QStringLiteral("groupName"), QStringLiteral("Friends")},
            {QStringLiteral("firstName"), QStringLiteral("Ann")},
            {QStringLiteral("lastName"), QStringLiteral("Lee")},
            {QStringLiteral("phones"),
             QJsonArray {QJsonObject {{QStringLiteral("number"), QStringLiteral("+44 20 7946 0018")}}}}});
}

void TestCallHistoryPage::callsThroughTheDialPadAreRecorded()
{
    TestClock clock;
    QVERIFY(m_rig->phone.logIn());
    QTRY_VERIFY(m_rig->phone.phone->balance().credit() > 0);
    // The page is on show while the calls end: it follows at once.
    m_rig->widget->showCallHistory();
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::CallHistoryView);
    QVERIFY(rows().isEmpty());

    // 1. An outgoing call answered and talked for over a second.
    control()->set_call_outcome(PLIX_STANDIN_RING);
    dialPad()->setNumber(QStringLiteral("4930123456"));
    dialPad()->doCall();
    QVERIFY(QTest::qWaitFor([] { return control()->answer_call() != 0; }, 5000));
    QSignalSpy started(m_rig->phone.phone.get(), &Phone::callStarted);
    QVERIFY(started.wait(5000));
    clock.advance(1100);
    dialPad()->hangup();
    QVERIFY(noCallLeft());
    QTRY_COMPARE(rows().size(), 1);
    QCOMPARE(rows().first().type, int(CallHistoryEvent::Outgoing));
    QCOMPARE(rows().first().number, QStringLiteral("+4930123456"));
    QCOMPARE(rows().first().duration, QTime(0, 0, 1));
    QVERIFY(list()->model()->index(0, 0).data(HistoryRoles::DurationShownRole).toBool());

    clock.advance(60 * 1000);
    // 2. A busy number: an outgoing call with no talk.
    control()->set_call_outcome(plix::HANGUP_BUSY);
    dialPad()->setNumber(QStringLiteral("4930777777"));
    dialPad()->doCall();
    QVERIFY(noCallLeft());
    QTRY_COMPARE(rows().size(), 2);

    clock.advance(60 * 1000);
    // 3. An incoming call answered from the pop-up, ended by the caller.
    const talk::Call *call = ring(QStringLiteral("4930111"));
    QVERIFY(call);
    QPushButton *answer = m_rig->widget->findChild<IncomingCallDialog *>()->findChild<QPushButton *>(
        QStringLiteral("anwserButton"));
    QVERIFY(started.wait(5000) || (answer->click(), started.wait(5000)));
    QVERIFY(control()->hangup_remote(plix::HANGUP_SUCCESS));
    QVERIFY(noCallLeft());
    QTRY_COMPARE(rows().size(), 3);

    clock.advance(60 * 1000);
    // 4. One the caller gave up before it was answered: missed.
    QVERIFY(ring(QStringLiteral("4930222")));
    QVERIFY(control()->hangup_remote(plix::HANGUP_DECLINE));
    QVERIFY(noCallLeft());
    QTRY_COMPARE(rows().size(), 4);

    clock.advance(60 * 1000);
    // 5. One the user declined from the pop-up: the caller was not heard.
    QVERIFY(ring(QStringLiteral("4930333")));
    m_rig->widget->findChild<IncomingCallDialog *>()
        ->findChild<QPushButton *>(QStringLiteral("declineButton"))
        ->click();
    QVERIFY(noCallLeft());
    QTRY_COMPARE(rows().size(), 5);

    // Newest first, each call once with its kind: the two outgoing calls
    // below the three incoming ones.
    const QList<Row> shown = rows();
    QCOMPARE(shown.at(3).number, QStringLiteral("+4930777777"));
    QCOMPARE(shown.at(3).type, int(CallHistoryEvent::Outgoing));
    QCOMPARE(shown.at(3).duration, QTime(0, 0));
    QCOMPARE(shown.at(4).number, QStringLiteral("+4930123456"));
    QMap<QString, int> kinds;
    for (const Row &row : shown.mid(0, 3)) {
        for (const char *number : {"4930111", "4930222", "4930333"}) {
            if (row.number.endsWith(QLatin1String(number)))
                kinds.insert(QLatin1String(number), row.type);
        }
    }
    const QMap<QString, int> expected {{QStringLiteral("4930111"), int(CallHistoryEvent::Incoming)},
                                       {QStringLiteral("4930222"), int(CallHistoryEvent::Missed)},
                                       {QStringLiteral("4930333"), int(CallHistoryEvent::Missed)}};
    QCOMPARE(kinds, expected);
}

void TestCallHistoryPage::filtersByPeriodNewestFirst()
{
    TestClock clock;
    CallHistory *history = m_rig->history->callHistory();
    const QDateTime now = clock.now;
    history->addEvent(QStringLiteral("+111"), QTime(0, 1), CallHistoryEvent::Outgoing, now.addDays(-8));
    history->addEvent(QStringLiteral("+222"), QTime(0, 2), CallHistoryEvent::Incoming,
                      now.addSecs(-25 * 3600));
    history->addEvent(QStringLiteral("+333"), QTime(0, 0), CallHistoryEvent::Missed, now.addSecs(-3600));
    history->addEvent(QStringLiteral("+444"), QTime(0, 0), CallHistoryEvent::Sms, now.addSecs(-7200));
    openHistory();
    auto numbers = [this] {
        QStringList shown;
        for (const Row &row : rows())
            shown << row.number;
        return shown;
    };
    QCOMPARE(numbers(), QStringList({"+333", "+444", "+222", "+111"}));

    // The period buttons of the page's tool bar, as a person presses them.
    press(m_rig->child<QAbstractButton>("oneDayTopMenuButton"));
    QCOMPARE(numbers(), QStringList({"+333", "+444"}));
    press(m_rig->child<QAbstractButton>("sevenDaysTopMenuButton"));
    QCOMPARE(numbers(), QStringList({"+333", "+444", "+222"}));
    press(m_rig->child<QAbstractButton>("allTimeTopMenuButton"));
    QCOMPARE(numbers(), QStringList({"+333", "+444", "+222", "+111"}));

    // An event stamped now goes to the top under any filter.
    press(m_rig->child<QAbstractButton>("oneDayTopMenuButton"));
    history->addEvent(QStringLiteral("+555"), QTime(0, 0, 3), CallHistoryEvent::Outgoing);
    QCOMPARE(numbers(), QStringList({"+555", "+333", "+444"}));

    // Entries leave the day's list once they grow too old, with the page open.
    page()->filterModel()->setRefreshInterval(20);
    CallHistoryModel *model = page()->model();
    CallHistoryEvent ageing(CallHistoryEvent::Outgoing);
    ageing.setNumber(QStringLiteral("+666"));
    ageing.setTimestamp(now.addDays(-1).addSecs(3600));
    model->addEvent(ageing);
    QCOMPARE(numbers().size(), 4);
    clock.advance(2 * 3600 * 1000);
    QTRY_COMPARE(numbers().size(), 3);
}

void TestCallHistoryPage::namesFromTheBookElseUnknown()
{
    addBookContact();
    QVERIFY(m_rig->phone.logIn());
    QTRY_VERIFY(m_rig->phone.contacts.contactByPhoneNumber(QStringLiteral("442079460018")));
    const auto *delegate = qobject_cast<CallHistoryEventItemDelegate *>(list()->itemDelegate());
    QVERIFY(delegate);
    QCOMPARE(delegate->displayName(QStringLiteral("+442079460018"), QString()), QStringLiteral("Ann Lee"));
    QCOMPARE(delegate->displayName(QStringLiteral("+15550100"), QString()), QStringLiteral("Unknown"));
    QCOMPARE(delegate->displayName(QStringLiteral("+15550100"), QStringLiteral("Bo")), QStringLiteral("Bo"));

    // A renamed contact is named anew: the names are not kept past a change.
    ContactPtr ann = m_rig->phone.contacts.contactByPhoneNumber(QStringLiteral("442079460018"));
    ann->setFirstName(QStringLiteral("Anna"));
    emit m_rig->phone.contacts.refreshContactListUI();
    QCOMPARE(delegate->displayName(QStringLiteral("+442079460018"), QString()), QStringLiteral("Anna Lee"));
}

void TestCallHistoryPage::nameAndDurationTexts_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("name");
    QTest::newRow("9 + 19: first alone") << "Alexandra" << QString(19, QLatin1Char('L')) << "Alexandra";
    QTest::newRow("first of 20") << QString(20, QLatin1Char('F')) << "Lee"
                                 << QString(17, QLatin1Char('F')) + "...";
    QTest::newRow("8 + 8") << "Margaret"
                           << "Thatcher"
                           << "Margaret Thatcher";
    QTest::newRow("last only, long") << QString() << QString(20, QLatin1Char('L'))
                                     << QString(17, QLatin1Char('L')) + "...";
    QTest::newRow("last only") << QString() << "Lee"
                               << " Lee";
    QTest::newRow("none") << QString() << QString() << QString();
    // The cut never splits a character of two code units.
    QTest::newRow("emoji at the cut")
        << QString(16, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80xxx") << "Lee"
        << QString(16, QLatin1Char('a')) + "...";
}

void TestCallHistoryPage::nameAndDurationTexts()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, name);
    QCOMPARE(CallHistoryEventItemDelegate::elideName(first, last), name);
    // And the call lengths beside them.
    QCOMPARE(CallHistoryEventItemDelegate::formatDuration(QTime(0, 59, 59)), QStringLiteral("59:59"));
    QCOMPARE(CallHistoryEventItemDelegate::formatDuration(QTime(1, 0, 0)), QStringLiteral("1:00:00"));
    QCOMPARE(CallHistoryEventItemDelegate::formatDuration(QTime(1, 2, 3)), QStringLiteral("1:02:03"));
    QCOMPARE(CallHistoryEventItemDelegate::formatDuration(QTime(0, 2, 3)), QStringLiteral("02:03"));
    for (int type = 0; type <= 3; ++type)
        QVERIFY(!CallHistoryEventItemDelegate::eventTypeIcon(type).isNull());
    QVERIFY(CallHistoryEventItemDelegate::eventTypeIcon(4).isNull());
}

void TestCallHistoryPage::modelGivesNothingOutsideItsRows()
{
    CallHistoryModel model;
    CallHistoryEvent event(CallHistoryEvent::Missed);
    event.setNumber(QStringLiteral("+1"));
    model.addEvent(event);
    QCOMPARE(model.data(model.index(0, 0), HistoryRoles::TypeRole).toInt(), 2);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("+1"));
    QVERIFY(!model.data(model.index(0, 0), Qt::UserRole + 6).isValid());
    QVERIFY(!model.data(model.index(1, 0), HistoryRoles::NumberRole).isValid());
    QVERIFY(!model.data(model.index(0, 1), HistoryRoles::NumberRole).isValid());
}

void TestCallHistoryPage::doubleClickCallsAgainAndBackReturns()
{
    QVERIFY(m_rig->phone.logIn());
    QTRY_VERIFY(m_rig->phone.phone->balance().credit() > 0);
    m_rig->history->callHistory()->addEvent(QStringLiteral("+4930555666"), QTime(0, 0, 10),
                                            CallHistoryEvent::Outgoing);
    // Opened from the contact list, the back button returns there.
    m_rig->widget->setView(ContentWidget::ContactListView, false);
    m_rig->widget->showCallHistory();
    m_rig->widget->showCallHistory();
    QTRY_COMPARE(m_rig->currentPage(), QStringLiteral("callHistoryPage"));
    m_rig->child<QPushButton>("callHistoryTopMenuBackButton")->click();
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::ContactListView);

    m_rig->widget->showCallHistory();
    QTRY_COMPARE(m_rig->currentPage(), QStringLiteral("callHistoryPage"));
    control()->set_call_outcome(PLIX_STANDIN_RING);
    const QRect row = list()->visualRect(list()->model()->index(0, 0));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::DialPadView);
    QTRY_COMPARE(QString::fromUtf8(control()->last_callee()),
                 QStringLiteral("+4930555666@") + m_rig->phone.phone->domain());
    dialPad()->hangup();
    QVERIFY(noCallLeft());
}

void TestCallHistoryPage::clearAsksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("erased");
    // A key typed, or the name of the answer clicked.
    QTest::newRow("Escape") << "Esc" << false;
    QTest::newRow("Cancel clicked") << "queryUserCancelButton" << false;
    QTest::newRow("Return") << "Return" << true;
    QTest::newRow("key-pad Enter") << "Enter" << true;
    QTest::newRow("OK clicked") << "queryUserOkButton" << true;
}

// CLEAR erases every entry at once with no way back: the in-page question
// comes first, and only Ok erases.
void TestCallHistoryPage::clearAsksFirst()
{
    QFETCH(QString, answer);
    QFETCH(bool, erased);
    m_rig->history->callHistory()->addEvent(QStringLiteral("+1555"), QTime(0, 0, 10),
                                            CallHistoryEvent::Outgoing);
    m_rig->history->callHistory()->addEvent(QStringLiteral("+1666"), QTime(0, 0), CallHistoryEvent::Missed,
                                            QDateTime::currentDateTime().addSecs(-60));
    openHistory();
    QCOMPARE(rows().size(), 2);
    QCOMPARE(storedRows(), 2);
    // The keys go to the window in front.
    m_rig->widget->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_rig->widget.get()));

    QString question;
    int shownMeanwhile = -1;
    int storedMeanwhile = -1;
    bool answered = false;
    auto *ok = m_rig->child<QPushButton>("queryUserOkButton");
    UiTesting::when([&] { return ok->isVisible() && QApplication::focusWidget() == ok; },
                    [&] {
                        question = m_rig->child<QLabel>("queryUserQuestionLabel")->text();
                        shownMeanwhile = page()->model()->rowCount();
                        storedMeanwhile = storedRows();
                        if (answer.startsWith(QLatin1String("queryUser"))) {
                            QTest::mouseClick(m_rig->child<QPushButton>(qPrintable(answer)), Qt::LeftButton);
                            answered = true;
                        } else {
                            answered = KeyboardTesting::Fingers().type(answer);
                        }
                    },
                    m_rig->widget.get());
    press(m_rig->child<MenuButton>("clearHistoryTopMenuButton"));
    QTRY_VERIFY(answered);
    QCOMPARE(question, QStringLiteral("Do you want to clear the call history?"));
    // Nothing went while the question waited.
    QCOMPARE(shownMeanwhile, 2);
    QCOMPARE(storedMeanwhile, 2);

    QTRY_COMPARE(m_rig->widget->currentView(), ContentWidget::CallHistoryView);
    const int left = erased ? 0 : 2;
    QCOMPARE(rows().size(), left);
    QCOMPARE(storedRows(), left);
    QCOMPARE(m_rig->history->callHistory()->events(nullptr).size(), left);
}

void TestCallHistoryPage::filterButtonsShowTheirWholeCaption_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("1 DAY") << QStringLiteral("oneDayTopMenuButton");
    QTest::newRow("7 DAYS") << QStringLiteral("sevenDaysTopMenuButton");
    QTest::newRow("ALL TIME") << QStringLiteral("allTimeTopMenuButton");
}

void TestCallHistoryPage::filterButtonsShowTheirWholeCaption()
{
    QFETCH(QString, button);
    openHistory();
    auto *filter = m_rig->widget->findChild<QPushButton *>(button);
    QVERIFY(filter);
    // Both lines of the caption, drawn 4 pixels below the middle, within a
    // button that nothing around it cuts off.
    QVERIFY2(UiLook::captionFits(filter, filter->text(), filter->font(), 4),
             qPrintable(QStringLiteral("%1x%2").arg(filter->width()).arg(filter->height())));
    QVERIFY(UiLook::liesInside(filter, m_rig->child<QWidget>("topMenuCallHistory")));
}

void TestCallHistoryPage::screenshots()
{
    addBookContact();
    QVERIFY(m_rig->phone.logIn());
    QTRY_VERIFY(m_rig->phone.contacts.contactByPhoneNumber(QStringLiteral("442079460018")));
    CallHistory *history = m_rig->history->callHistory();
    const QDateTime now = QDateTime::currentDateTime();
    history->addEvent(QStringLiteral("+442079460018"), QTime(0, 12, 5), CallHistoryEvent::Outgoing,
                      now.addSecs(-600));
    history->addEvent(QStringLiteral("+4930123456"), QTime(1, 2, 3), CallHistoryEvent::Incoming,
                      now.addSecs(-7200));
    history->addEvent(QStringLiteral("+15550100"), QTime(0, 0), CallHistoryEvent::Missed, now.addDays(-2));
    history->addEvent(QStringLiteral("+442079460018"), QTime(0, 0), CallHistoryEvent::Sms, now.addDays(-3));
    m_rig->widget->showCallHistory();
    QTRY_COMPARE(m_rig->currentPage(), QStringLiteral("callHistoryPage"));
    QTRY_VERIFY(!UiTesting::sliding(m_rig->widget.get()));
    list()->setCurrentIndex(list()->model()->index(1, 0));
    QVERIFY(m_rig->widget->grab().save(UiLook::screenshotPath(QStringLiteral("callhistory.png"))));
}

LINKORA_TEST_MAIN(TestCallHistoryPage)
#include "tst_callhistorypage.moc"
