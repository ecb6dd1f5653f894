#include "history/loginhistory.h"
#include "history/numberhistory.h"
#include "settings/dbstore.h"
#include "support/casestore.h"
#include "support/testclock.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

int numberRows()
{
    QSqlQuery query(QStringLiteral("select count(*) from number_history"));
    return query.next() ? query.value(0).toInt() : -1;
}

} // namespace

class TestNumberHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recentListHoldsTheSixteenNewest();
    void numberCalledAgainMovesToTheTop();
    void numbersOfOneSecondComeNewestFirst();
    void numberWithoutNickAndTheSignal();
    void readsAreCachedUntilANumberIsAdded();
    void fullListDoesNotSpoilTheRecentList();
    void failedWriteKeepsTheCacheHonest();

    void loginNamesAreExactTexts();

private:
    // Adds the number that many seconds after the one before.
    void addAfter(int seconds, const QString &number, const QString &nick = QString())
    {
        m_clock->now = m_clock->now.addSecs(seconds);
        m_history->addNumber(number, nick);
    }

    std::unique_ptr<CaseStore> m_store;
    std::unique_ptr<TestClock> m_clock;
    std::unique_ptr<NumberHistory> m_history;
    int m_case = 0;
};

void TestNumberHistory::init()
{
    m_store = std::make_unique<CaseStore>(QStringLiteral("numbers%1.px").arg(++m_case));
    m_store->loadDatabases();
    m_clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 50)));
    m_history = std::make_unique<NumberHistory>();
}

void TestNumberHistory::cleanup()
{
    m_history.reset();
    m_clock.reset();
    m_store->closeDatabases();
    m_store.reset();
}

void TestNumberHistory::recentListHoldsTheSixteenNewest()
{
    // Across a year boundary, so that text order has to be time order.
    for (int i = 1; i <= 20; ++i)
        addAfter(1, QString::number(i));
    QCOMPARE(numberRows(), 20);

    QStringList expected;
    for (int i = 20; i > 4; --i)
        expected << QString::number(i);
    QCOMPARE(m_history->recentNumbers(), expected);

    const QList<NumberHistoryEntry> entries = m_history->lastFewNumbersOrderedDescendingByTimestamp();
    QCOMPARE(entries.size(), 16);
    QCOMPARE(entries.first().timestamp, m_clock->now);
    QCOMPARE(entries.first().timestamp.date(), QDate(2025, 1, 1));
}

void TestNumberHistory::numberCalledAgainMovesToTheTop()
{
    // Numbers are kept as given: another spelling is another row.
    addAfter(1, QStringLiteral("+111"));
    addAfter(1, QStringLiteral("111"), QStringLiteral("Ann"));
    addAfter(1, QStringLiteral("222"), QStringLiteral("Bob"));
    addAfter(1, QStringLiteral("111"), QStringLiteral("Annie"));

    QCOMPARE(numberRows(), 3);
    QCOMPARE(m_history->recentNumbers(), (QStringList {"111", "222", "+111"}));
    const NumberHistoryEntry top = m_history->lastFewNumbersOrderedDescendingByTimestamp().first();
    QCOMPARE(top.nick, QStringLiteral("Annie"));
    QCOMPARE(top.timestamp, m_clock->now);
}

void TestNumberHistory::numbersOfOneSecondComeNewestFirst()
{
    for (const char *number : {"1", "2", "3", "4"})
        addAfter(0, QLatin1String(number));
    addAfter(0, QStringLiteral("2"));
    QCOMPARE(m_history->recentNumbers(), (QStringList {"2", "4", "3", "1"}));
}

void TestNumberHistory::numberWithoutNickAndTheSignal()
{
    QSignalSpy added(m_history.get(), &NumberHistory::numberAdded);
    m_history->addNumber(QStringLiteral("0800"));
    QCOMPARE(added.count(), 1);
    QCOMPARE(added.at(0).at(0).toString(), QStringLiteral("0800"));

    const QList<NumberHistoryEntry> entries = m_history->lastFewNumbersOrderedDescendingByTimestamp();
    QCOMPARE(entries.size(), 1);
    QVERIFY(entries.first().nick.isEmpty());
    QCOMPARE(entries.first().timestamp, m_clock->now);
}

void TestNumberHistory::readsAreCachedUntilANumberIsAdded()
{
    addAfter(1, QStringLiteral("111"));
    QCOMPARE(m_history->recentNumbers(), QStringList {"111"});

    QSqlQuery query;
    QVERIFY(
        query.exec(QStringLiteral("insert into number_history values ('999', '', '2030-01-01 00:00:00')")));
    QCOMPARE(m_history->recentNumbers(), QStringList {"111"});

    addAfter(1, QStringLiteral("222"));
    QCOMPARE(m_history->recentNumbers(), (QStringList {"999", "222", "111"}));
}

void TestNumberHistory::fullListDoesNotSpoilTheRecentList()
{
    for (int i = 1; i <= 20; ++i)
        addAfter(1, QString::number(i));
    QCOMPARE(m_history->numbers().size(), 20);
    const QStringList recent = m_history->recentNumbers();
    QCOMPARE(recent.size(), 16);
    QCOMPARE(recent.first(), QStringLiteral("20"));
    QCOMPARE(m_history->numbers().size(), 20);
}

void TestNumberHistory::failedWriteKeepsTheCacheHonest()
{
    addAfter(1, QStringLiteral("111"));
    QCOMPARE(m_history->recentNumbers(), QStringList {"111"});

    QSignalSpy added(m_history.get(), &NumberHistory::numberAdded);
    addAfter(1, QStringLiteral("222"));
    // No number: the table refuses the row.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("Could not add the number")));
    addAfter(1, QString());
    QCOMPARE(added.count(), 2);
    QCOMPARE(numberRows(), 2);

    QCOMPARE(m_history->recentNumbers(), (QStringList {"222", "111"}));
}

void TestNumberHistory::loginNamesAreExactTexts()
{
    LoginHistory logins;
    logins.addIfNew(QStringLiteral("Bob"));
    logins.addIfNew(QStringLiteral("Bob"));
    logins.addIfNew(QStringLiteral("bob"));
    logins.add(QStringLiteral("ann"));
    logins.add(QStringLiteral("ann"));

    QStringList names = logins.names();
    names.sort();
    QCOMPARE(names, (QStringList {"Bob", "ann", "bob"}));
    QCOMPARE(logins.load().size(), 3);

    logins.clear();
    QVERIFY(logins.names().isEmpty());
}

LINKORA_TEST_MAIN(TestNumberHistory)
#include "tst_numberhistory.moc"
