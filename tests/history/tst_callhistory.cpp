#include "history/callhistory.h"
#include "settings/dbstore.h"
#include "support/casestore.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "ui/contactmanager.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

QList<QStringList> rows()
{
    QList<QStringList> result;
    QSqlQuery query(QStringLiteral("select timestamp, phone_number, type, duration from call_history "
                                   "order by timestamp"));
    while (query.next())
        result << QStringList {query.value(0).toString(), query.value(1).toString(),
                               query.value(2).toString(), query.value(3).toString()};
    return result;
}

} // namespace

class TestCallHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void eventIsStoredAsTextAndReadBack();
    void eventsWithinOneSecondAreAllKept();
    void clearingAnEmptyHistorySucceeds();
    void eventsAreCachedUntilAChange();
    void failedWriteKeepsTheCacheHonest();
    void eventsAreNamedAfterTheContactWithTheSameDigits();

private:
    std::unique_ptr<CaseStore> m_store;
    // The history's clock, which the test sets.
    std::unique_ptr<TestClock> m_clock;
    std::unique_ptr<CallHistory> m_history;
    int m_case = 0;
};

void TestCallHistory::init()
{
    m_store = std::make_unique<CaseStore>(QStringLiteral("calls%1.px").arg(++m_case));
    m_store->loadDatabases();
    m_clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 3, 9), QTime(14, 5, 6)));
    m_history = std::make_unique<CallHistory>();
}

void TestCallHistory::cleanup()
{
    m_history.reset();
    m_clock.reset();
    m_store->closeDatabases();
    m_store.reset();
}

void TestCallHistory::eventIsStoredAsTextAndReadBack()
{
    QSignalSpy added(m_history.get(), &CallHistory::newEventOccurred);
    m_history->addEvent(QStringLiteral("+4930123"), QTime(0, 1, 23), CallHistoryEvent::Outgoing);
    QCOMPARE(added.count(), 1);
    QCOMPARE(rows(), (QList<QStringList> {{"2024-03-09 14:05:06", "+4930123", "1", "00:01:23"}}));

    const QList<CallHistoryEvent> events = m_history->events(nullptr);
    QCOMPARE(events.size(), 1);
    const CallHistoryEvent &event = events.first();
    QCOMPARE(event.type(), CallHistoryEvent::Outgoing);
    QCOMPARE(event.number(), QStringLiteral("+4930123"));
    QCOMPARE(event.duration(), QTime(0, 1, 23));
    QCOMPARE(event.timestamp(), m_clock->now);
    QVERIFY(event.name().isEmpty());
    // A call's length is shown on the history page.
    QVERIFY(event.isDurationShown());

    // The event form takes number, duration and type, but not time or name.
    CallHistoryEvent sms(CallHistoryEvent::Sms);
    sms.setNumber(QStringLiteral("555"));
    sms.setTimestamp(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    sms.setName(QStringLiteral("Ann"));
    m_clock->now = m_clock->now.addSecs(1);
    m_history->addEvent(sms);
    QCOMPARE(rows().last(), (QStringList {"2024-03-09 14:05:07", "555", "3", ""}));
    QCOMPARE(added.count(), 2);
}

void TestCallHistory::eventsWithinOneSecondAreAllKept()
{
    // A colliding event moves to the next free second.
    m_history->addEvent(QStringLiteral("111"), QTime(0, 0, 5), CallHistoryEvent::Missed);
    m_history->addEvent(QStringLiteral("222"), QTime(0, 0, 0), CallHistoryEvent::Sms);
    m_history->addEvent(QStringLiteral("333"), QTime(0, 0, 1), CallHistoryEvent::Incoming);
    m_clock->now = m_clock->now.addSecs(1);
    m_history->addEvent(QStringLiteral("444"), QTime(0, 0, 2), CallHistoryEvent::Outgoing);
    QCOMPARE(rows(),
             (QList<QStringList> {{"2024-03-09 14:05:06", "111", "2", "00:00:05"},
                                  {"2024-03-09 14:05:07", "222", "3", "00:00:00"},
                                  {"2024-03-09 14:05:08", "333", "0", "00:00:01"},
                                  {"2024-03-09 14:05:09", "444", "1", "00:00:02"}}));
    QCOMPARE(m_history->events(nullptr).size(), 4);
}

void TestCallHistory::clearingAnEmptyHistorySucceeds()
{
    QSignalSpy changed(m_history.get(), &CallHistory::newEventOccurred);
    m_history->clearHistory();
    QCOMPARE(changed.count(), 1);
    QVERIFY(m_history->events(nullptr).isEmpty());
}

void TestCallHistory::eventsAreCachedUntilAChange()
{
    m_history->addEvent(QStringLiteral("111"), QTime(0, 0, 5), CallHistoryEvent::Missed);
    QCOMPARE(m_history->events(nullptr).size(), 1);

    // A row written behind its back is not seen until the history changes.
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("insert into call_history values ('2020-01-01 00:00:00', '9', '0', "
                                      "'00:00:01')")));
    QCOMPARE(m_history->events(nullptr).size(), 1);

    m_clock->now = m_clock->now.addSecs(1);
    m_history->addEvent(QStringLiteral("333"), QTime(0, 0, 5), CallHistoryEvent::Incoming);
    QCOMPARE(m_history->events(nullptr).size(), 3);

    m_history->clearHistory();
    QVERIFY(m_history->events(nullptr).isEmpty());
}

void TestCallHistory::failedWriteKeepsTheCacheHonest()
{
    QVERIFY(m_history->events(nullptr).isEmpty());
    QSignalSpy changed(m_history.get(), &CallHistory::newEventOccurred);

    m_history->addEvent(QStringLiteral("111"), QTime(0, 0, 5), CallHistoryEvent::Missed);
    // No number: the table refuses the row.
    m_clock->now = m_clock->now.addSecs(1);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("Could not add the event")));
    m_history->addEvent(QString(), QTime(0, 0, 5), CallHistoryEvent::Missed);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rows().size(), 1);

    const QList<CallHistoryEvent> events = m_history->events(nullptr);
    QCOMPARE(events.size(), 1);
    QCOMPARE(events.first().number(), QStringLiteral("111"));
}

void TestCallHistory::eventsAreNamedAfterTheContactWithTheSameDigits()
{
    ContactManager contacts;
    Contact ann;
    ann.setNick(QStringLiteral("ann"));
    ann.setGroupName(QStringLiteral("Work"));
    ann.setFirstName(QStringLiteral("Ann"));
    ann.setLastName(QStringLiteral("Lee"));
    PhoneNumber number;
    number.setNumber(QStringLiteral("+49 (30) 123-45"));
    ann.setPhones({number});
    contacts.addOldContact(ann);

    m_history->addEvent(QStringLiteral("004930 12345"), QTime(0, 0, 5), CallHistoryEvent::Incoming);
    m_clock->now = m_clock->now.addSecs(1);
    m_history->addEvent(QStringLiteral("4930"), QTime(0, 0, 5), CallHistoryEvent::Missed);

    const QList<CallHistoryEvent> events = m_history->events(&contacts);
    QCOMPARE(events.size(), 2);
    for (const CallHistoryEvent &event : events) {
        // Leading zeros are digits too: "0049..." is not "49...".
        QVERIFY2(event.name().isEmpty(), qPrintable(event.number()));
    }

    m_clock->now = m_clock->now.addSecs(1);
    m_history->addEvent(QStringLiteral("+4930 12345"), QTime(0, 0, 5), CallHistoryEvent::Outgoing);
    QStringList names;
    for (const CallHistoryEvent &event : m_history->events(&contacts))
        names << event.name();
    names.sort();
    QCOMPARE(names, (QStringList {QString(), QString(), QStringLiteral("Ann Lee")}));
}

LINKORA_TEST_MAIN(TestCallHistory)
#include "tst_callhistory.moc"
