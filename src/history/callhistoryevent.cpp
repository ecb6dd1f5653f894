#include "callhistoryevent.h"

CallHistoryEvent::CallHistoryEvent(EventType type)
    : m_type(type)
    , m_durationShown(false)
{ }

void CallHistoryEvent::setTimestamp(const QDateTime &timestamp)
{
    m_timestamp = timestamp;
}

void CallHistoryEvent::setNumber(const QString &number)
{
    m_number = number;
}

void CallHistoryEvent::setName(const QString &name)
{
    m_name = name;
}

void CallHistoryEvent::setDuration(const QTime &duration)
{
    m_duration = duration;
}

void CallHistoryEvent::setDurationShown(bool shown)
{
    m_durationShown = shown;
}
