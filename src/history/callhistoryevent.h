#ifndef CALLHISTORYEVENT_H
#define CALLHISTORYEVENT_H

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QTime>

// One entry of the call history.
class CallHistoryEvent
{
    Q_GADGET

public:
    enum EventType : int { Incoming = 0, Outgoing = 1, Missed = 2, Sms = 3 };
    Q_ENUM(EventType)

    explicit CallHistoryEvent(EventType type = Incoming);

    EventType type() const { return m_type; }
    QDateTime timestamp() const { return m_timestamp; }
    void setTimestamp(const QDateTime &timestamp);
    // The other party's number.
    QString number() const { return m_number; }
    void setNumber(const QString &number);
    // The matching contact's display name; empty when no contact matches.
    QString name() const { return m_name; }
    void setName(const QString &name);
    // The call's length; a call of a day or more has none.
    QTime duration() const { return m_duration; }
    void setDuration(const QTime &duration);
    bool isDurationShown() const { return m_durationShown; }
    void setDurationShown(bool shown);

private:
    EventType m_type;
    QDateTime m_timestamp;
    QString m_number;
    QString m_name;
    QTime m_duration;
    bool m_durationShown;
};

Q_DECLARE_METATYPE(CallHistoryEvent)

#endif // CALLHISTORYEVENT_H
