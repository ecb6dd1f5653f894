#include "callhistory.h"

#include "settings/dbstore.h"
#include "ui/contactmanager.h"
#include "util/trace.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kTimestampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kDurationFormat = QStringLiteral("HH:mm:ss");

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
    QDateTime timestamp = at.isValid() ? at : currentDateTime();
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
        event.setTimestamp(QDateTime::fromString(query.value(0).toString(), kTimestampFormat));
        event.setNumber(query.value(1).toString());
        event.setDuration(QTime::fromString(query.value(3).toString(), kDurationFormat));
        // Calls that were talked have a length worth showing.
        event.setDurationShown(event.type() == CallHistoryEvent::Incoming
                               || event.type() == CallHistoryEvent::Outgoing);
        event.setName(contactName(contacts, event.number()));
        m_events.append(event);
    }
    m_refreshNeeded = false;
    return m_events;
}

QDateTime CallHistory::currentDateTime() const
{
    return QDateTime::currentDateTime();
}

QString CallHistory::contactName(const ContactManager *contacts, const QString &number) const
{
    if (!contacts)
        return QString();
    const ContactPtr contact = contacts->contactByPhoneNumber(number);
    return contact ? contact->displayName() : QString();
}
