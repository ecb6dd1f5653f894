#include "callhistory.h"

#include "settings/dbstore.h"
#include "ui/contactmanager.h"
#include "util/clock.h"
#include "util/trace.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kTimestampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kDurationFormat = QStringLiteral("HH:mm:ss");

// The stored texts, read without the general format parser: reading a long
// history is mostly this. Anything not in the exact form goes the slow way.
bool readNumber(QStringView text, qsizetype from, qsizetype length, int &value)
{
    value = 0;
    for (qsizetype i = from; i < from + length; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    return true;
}

QTime readTime(QStringView text)
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (text.size() != 8 || text.at(2) != QLatin1Char(':') || text.at(5) != QLatin1Char(':')
        || !readNumber(text, 0, 2, hour) || !readNumber(text, 3, 2, minute)
        || !readNumber(text, 6, 2, second))
        return QTime::fromString(text.toString(), kDurationFormat);
    return QTime(hour, minute, second);
}

QDateTime readTimestamp(QStringView text)
{
    int year = 0;
    int month = 0;
    int day = 0;
    if (text.size() != 19 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-')
        || text.at(10) != QLatin1Char(' ') || !readNumber(text, 0, 4, year) || !readNumber(text, 5, 2, month)
        || !readNumber(text, 8, 2, day))
        return QDateTime::fromString(text.toString(), kTimestampFormat);
    const QDate date(year, month, day);
    const QTime time = readTime(text.mid(11));
    if (!date.isValid() || !time.isValid())
        return QDateTime::fromString(text.toString(), kTimestampFormat);
    return QDateTime(date, time);
}

} // namespace

CallHistory::CallHistory(QObject *parent)
    : QObject(parent)
    , m_refreshNeeded(true)
{ }

CallHistory::~CallHistory() = default;

void CallHistory::addEvent(const QString &number, const QTime &duration, CallHistoryEvent::EventType type)
{
    addEvent(number, duration, type, QDateTime());
}

void CallHistory::addEvent(const QString &number, const QTime &duration, CallHistoryEvent::EventType type,
                           const QDateTime &at)
{
    // The second is the key: an event that meets a taken second moves on to
    // the next free one, so that two events of one second are both kept.
    QDateTime timestamp = at.isValid() ? at : Clock::currentDateTime();
    QSqlQuery taken;
    taken.prepare(QStringLiteral("select 1 from call_history where timestamp = :timestamp"));
    for (;;) {
        taken.bindValue(QStringLiteral(":timestamp"), timestamp.toString(kTimestampFormat));
        if (!taken.exec() || !taken.next())
            break;
        timestamp = timestamp.addSecs(1);
    }
    taken.finish();

    QSqlQuery query;
    query.prepare(QStringLiteral("insert into call_history (timestamp, phone_number, type, duration) "
                                 "values(:timestamp, :number, :type, :duration)"));
    query.bindValue(QStringLiteral(":timestamp"), timestamp.toString(kTimestampFormat));
    query.bindValue(QStringLiteral(":number"), number);
    query.bindValue(QStringLiteral(":type"), static_cast<int>(type));
    query.bindValue(QStringLiteral(":duration"), duration.toString(kDurationFormat));
    const bool ok = query.exec();
    if (!ok) {
        TRACE_WARNING << "Could not add the event:" << query.lastError().text();
        DbStore::noteFailure(query.lastError());
    }
    recordWrite(ok);
}

void CallHistory::addEvent(const CallHistoryEvent &event)
{
    addEvent(event.number(), event.duration(), event.type());
}

void CallHistory::clearHistory()
{
    QSqlQuery query;
    const bool ok = query.exec(QStringLiteral("delete from call_history"));
    if (!ok)
        TRACE_WARNING << "Could not clear the call history:" << query.lastError().text();
    recordWrite(ok);
}

void CallHistory::recordWrite(bool ok)
{
    // A failed write must not hide an earlier successful one from the readers.
    m_refreshNeeded = m_refreshNeeded || ok;
    if (ok)
        emit newEventOccurred();
}

QList<CallHistoryEvent> CallHistory::events(const ContactManager *contacts)
{
    if (!m_refreshNeeded)
        return m_events;

    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select timestamp, phone_number, type, duration from call_history"))) {
        // Keep the flag: the next read tries again.
        TRACE_WARNING << "Could not read the call history:" << query.lastError().text();
        return m_events;
    }

    TRACE << "Refreshing call history...";
    m_events.clear();
    while (query.next()) {
        CallHistoryEvent event(static_cast<CallHistoryEvent::EventType>(query.value(2).toInt()));
        event.setTimestamp(readTimestamp(query.value(0).toString()));
        event.setNumber(query.value(1).toString());
        event.setDuration(readTime(query.value(3).toString()));
        // Calls that were talked have a length worth showing.
        event.setDurationShown(event.type() == CallHistoryEvent::Incoming
                               || event.type() == CallHistoryEvent::Outgoing);
        event.setName(contactName(contacts, event.number()));
        m_events.append(event);
    }
    m_refreshNeeded = false;
    return m_events;
}

QString CallHistory::contactName(const ContactManager *contacts, const QString &number) const
{
    if (!contacts)
        return QString();
    const ContactPtr contact = contacts->contactByPhoneNumber(number);
    return contact ? contact->displayName() : QString();
}
