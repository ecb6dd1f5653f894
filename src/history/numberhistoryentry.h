#ifndef NUMBERHISTORYENTRY_H
#define NUMBERHISTORYENTRY_H

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One remembered number with the contact name and the time it was last used.
struct NumberHistoryEntry
{
    QString number;
    QString nick;
    QDateTime timestamp;
};

Q_DECLARE_METATYPE(NumberHistoryEntry)

#endif // NUMBERHISTORYENTRY_H
