#include "numberhistory.h"

#include "settings/dbstore.h"
#include "util/clock.h"
#include "util/trace.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kTimestampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

} // namespace

NumberHistory::NumberHistory(QObject *parent)
    : QObject(parent)
{ }

NumberHistory::~NumberHistory() = default;

void NumberHistory::addNumber(const QString &number, const QString &nick)
{
    QSqlQuery query;
    query.prepare(
        QStringLiteral("insert or replace into number_history (phone_number, contact_nick, timestamp) "
                       "values (:number, :nick, :timestamp)"));
    query.bindValue(QStringLiteral(":number"), number);
    query.bindValue(QStringLiteral(":nick"), nick);
    query.bindValue(QStringLiteral(":timestamp"), Clock::currentDateTime().toString(kTimestampFormat));
    // Dialled numbers and nicks stay out of the log, which goes out with crash reports.
    TRACE << "inserting number: " << Trace::tag(number) << ", and nick: " << Trace::tag(nick);
    const bool ok = query.exec();
    if (!ok) {
        TRACE_WARNING << "Could not add the number:" << query.lastError().text();
        DbStore::noteFailure(query.lastError());
    }
    // A failed write must not hide an earlier successful one from the readers.
    m_recent.refreshNeeded = m_recent.refreshNeeded || ok;
    m_all.refreshNeeded = m_all.refreshNeeded || ok;
    emit numberAdded(number);
}

void NumberHistory::addNumber(const QString &number)
{
    addNumber(number, QString());
}

QList<NumberHistoryEntry> NumberHistory::lastFewNumbersOrderedDescendingByTimestamp()
{
    // The time stamps are fixed-width text, so text order is time order.
    // Within one second the later insertion wins: a replaced row gets a new
    // rowid above all others.
    return read(m_recent,
                QStringLiteral("select phone_number, contact_nick, timestamp from number_history "
                               "order by timestamp desc, rowid desc limit :limit"),
                RecentLimit);
}

QList<NumberHistoryEntry> NumberHistory::numbers()
{
    return read(m_all, QStringLiteral("select phone_number, contact_nick, timestamp from number_history"),
                -1);
}

QStringList NumberHistory::recentNumbers()
{
    const QList<NumberHistoryEntry> entries = lastFewNumbersOrderedDescendingByTimestamp();
    QStringList result;
    for (int i = 0; i < entries.size() && i < RecentLimit; ++i)
        result.append(entries.at(i).number);
    return result;
}

QList<NumberHistoryEntry> NumberHistory::read(Cache &cache, const QString &statement, int limit)
{
    if (!cache.refreshNeeded)
        return cache.entries;

    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(statement);
    if (limit >= 0)
        query.bindValue(QStringLiteral(":limit"), limit);
    if (!query.exec()) {
        // Keep the flag: the next read tries again.
        TRACE_WARNING << "Could not read the recent numbers:" << query.lastError().text();
        return cache.entries;
    }

    TRACE << "Refreshing recent numbers...";
    cache.entries.clear();
    while (query.next()) {
        cache.entries.append({query.value(0).toString(), query.value(1).toString(),
                              QDateTime::fromString(query.value(2).toString(), kTimestampFormat)});
    }
    cache.refreshNeeded = false;
    return cache.entries;
}
