#ifndef CALLHISTORY_H
#define CALLHISTORY_H

#include "history/callhistoryevent.h"

#include <QList>
#include <QObject>

class ContactManager;

// The calls and messages of the table "call_history". Each event is keyed by
// the second it was added in; an event whose second is taken is stamped with
// the next free one.
class CallHistory : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CallHistory)

public:
    explicit CallHistory(QObject *parent = nullptr);
    ~CallHistory() override;

    // All events, with the names of the matching contacts. Read again only
    // after a change.
    QList<CallHistoryEvent> events(const ContactManager *contacts);

    // An event that began at the given local time, such as a call recorded
    // when it ends; an invalid time stamps it now.
    void addEvent(const QString &number, const QTime &duration, CallHistoryEvent::EventType type,
                  const QDateTime &timestamp);

signals:
    void newEventOccurred();

public slots:
    void addEvent(const QString &number, const QTime &duration, CallHistoryEvent::EventType type);
    // Takes the event's number, duration and type; the time is now.
    void addEvent(const CallHistoryEvent &event);
    void clearHistory();

private:
    QString contactName(const ContactManager *contacts, const QString &number) const;
    void recordWrite(bool ok);

    QList<CallHistoryEvent> m_events;
    bool m_refreshNeeded;
};

#endif // CALLHISTORY_H
