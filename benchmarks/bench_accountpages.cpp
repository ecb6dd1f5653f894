// The account pages at scale: the call history with 10,000 events against a
// 10,000-contact address book (opening the page, changing the period,
// scrolling a screenful) and the voicemail list with 500 messages.
//
// Run a Release or RelWithDebInfo build, e.g.
//   QT_QPA_PLATFORM=offscreen build/benchmarks/bench_accountpages
#include "benchhelpers.h"
#include "history/callhistory.h"
#include "support/casestore.h"
#include "support/testenvironment.h"
#include "ui/callhistoryeventitemdelegate.h"
#include "ui/callhistorymodel.h"
#include "ui/callhistorypage.h"
#include "ui/contactmanager.h"
#include "ui/voicemailmodel.h"
#include "ui/voicemailpage.h"

#include <QElapsedTimer>
#include <QListView>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const int ContactCount = 10000;
const int GroupCount = 50;
const int EventCount = 10000;
const int VoicemailCount = 500;
const int Runs = 15;

} // namespace

class BenchAccountPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void openCallHistory();
    void changePeriod();
    void scrollScreenful();
    void openVoicemail();

private:
    // A shown page over the stored events, first paint done.
    std::unique_ptr<CallHistoryPage> openPage(CallHistory *history);

    ContactManager m_book;
    std::unique_ptr<CaseStore> m_store;
};

void BenchAccountPages::initTestCase()
{
    Bench::loadSampleBook(m_book, ContactCount, GroupCount);
    QCOMPARE(m_book.contacts().size(), ContactCount);

    m_store = std::make_unique<CaseStore>(QStringLiteral("bench-history.px"));
    m_store->loadDatabases();
    // Half the calls with numbers of the book, half with strangers, one a
    // minute back from now over a week.
    QSqlDatabase::database().transaction();
    QSqlQuery query;
    query.exec(QStringLiteral("delete from call_history"));
    query.prepare(QStringLiteral("insert into call_history (timestamp, phone_number, type, duration) "
                                 "values(?, ?, ?, ?)"));
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < EventCount; ++i) {
        const QString number = i % 2 ? QStringLiteral("+4930%1").arg(1000000 + (i % ContactCount) * 3)
                                     : QStringLiteral("+1555%1").arg(100000 + i);
        query.addBindValue(now.addSecs(-60 * i).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        query.addBindValue(number);
        query.addBindValue(i % 4);
        query.addBindValue(QTime(0, 0).addSecs(i % 3600).toString(QStringLiteral("HH:mm:ss")));
        QVERIFY(query.exec());
    }
    QVERIFY(QSqlDatabase::database().commit());
}

void BenchAccountPages::cleanupTestCase()
{
    m_store->closeDatabases();
}

std::unique_ptr<CallHistoryPage> BenchAccountPages::openPage(CallHistory *history)
{
    auto page = std::make_unique<CallHistoryPage>();
    page->setItemDelegate(new CallHistoryEventItemDelegate(&m_book, page.get()));
    page->resize(300, 420);
    page->show();
    page->setCallHistory(history);
    page->grab();
    QCoreApplication::processEvents();
    return page;
}

void BenchAccountPages::openCallHistory()
{
    QElapsedTimer timer;
    QList<qint64> samples;
    QList<qint64> reads;
    for (int run = 0; run < Runs; ++run) {
        // A store read afresh each time, as at the first opening after login.
        CallHistory history;
        timer.start();
        const auto page = openPage(&history);
        samples << timer.nsecsElapsed();
        QCOMPARE(page->model()->rowCount(), EventCount);
        CallHistory again;
        timer.start();
        QCOMPARE(again.events(nullptr).size(), EventCount);
        reads << timer.nsecsElapsed();
    }
    Bench::reportMedian("call history: reading the 10000 events from the store alone", reads, 100);
    Bench::reportMedian("call history: open with 10000 events (read, sort, first paint)", samples, 100);
}

void BenchAccountPages::changePeriod()
{
    CallHistory history;
    const auto page = openPage(&history);
    QElapsedTimer timer;
    QList<qint64> samples;
    for (int run = 0; run < Runs; ++run) {
        for (int filter : {1, 2, 0}) {
            timer.start();
            page->setCallHistoryFilter(filter);
            page->grab();
            samples << timer.nsecsElapsed();
        }
    }
    QCOMPARE(page->filterModel()->rowCount(), EventCount);
    Bench::reportMedian("call history: change of period (and repaint)", samples, 10);
}

void BenchAccountPages::scrollScreenful()
{
    CallHistory history;
    const auto page = openPage(&history);
    auto *list = page->findChild<QListView *>(QStringLiteral("historyListView"));
    QScrollBar *bar = list->verticalScrollBar();
    QElapsedTimer timer;
    QList<qint64> samples;
    for (int step = 0; step < 60; ++step) {
        timer.start();
        bar->setValue(bar->value() + list->viewport()->height());
        // The paint of the rows now in sight, names looked up as they come.
        list->viewport()->grab();
        samples << timer.nsecsElapsed();
    }
    QVERIFY(bar->value() > 0);
    Bench::reportMedian("call history: scroll a screenful and paint", samples, 16);
}

void BenchAccountPages::openVoicemail()
{
    VoicemailModel model;
    QList<VoicemailEntry> entries;
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < VoicemailCount; ++i) {
        VoicemailEntry entry;
        entry.setNumber(QStringLiteral("+4930%1").arg(2000000 + i));
        entry.setTimestamp(now.addSecs(-3600 * i));
        entry.setDuration(QTime(0, 0).addSecs(5 + i % 120));
        entries << entry;
    }
    model.setEntries(entries);
    QElapsedTimer timer;
    QList<qint64> samples;
    for (int run = 0; run < Runs; ++run) {
        timer.start();
        VoicemailPage page;
        page.filterModel()->setSourceModel(&model);
        page.setVoicemailHistoryFilter(0);
        page.resize(255, 369);
        page.show();
        page.grab();
        samples << timer.nsecsElapsed();
    }
    Bench::reportMedian("voicemail: open with 500 messages", samples, 50);
}

LINKORA_TEST_MAIN(BenchAccountPages)
#include "bench_accountpages.moc"
