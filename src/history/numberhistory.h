#ifndef NUMBERHISTORY_H
#define NUMBERHISTORY_H

#include "history/numberhistoryentry.h"

#include <QList>
#include <QObject>
#include <QStringList>

// The numbers the user called or was called from (table "number_history"),
// each stored once with its latest contact name and time.
class NumberHistory : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(NumberHistory)

public:
    // How many numbers the recent-numbers list shows.
    static constexpr int RecentLimit = 16;

    explicit NumberHistory(QObject *parent = nullptr);
    ~NumberHistory() override;

    // The newest entries, newest first, at most RecentLimit. Read again only
    // after a change.
    QList<NumberHistoryEntry> lastFewNumbersOrderedDescendingByTimestamp();
    // Every entry, in no particular order.
    QList<NumberHistoryEntry> numbers();
    // The numbers of the newest entries, newest first.
    QStringList recentNumbers();

signals:
    void numberAdded(const QString &number);

public slots:
    void addNumber(const QString &number, const QString &nick);
    void addNumber(const QString &number);

private:
    // A read cache that is refilled after a successful write.
    struct Cache
    {
        QList<NumberHistoryEntry> entries;
        bool refreshNeeded = true;
    };
    QList<NumberHistoryEntry> read(Cache &cache, const QString &statement, int limit);

    Cache m_recent;
    Cache m_all;
};

#endif // NUMBERHISTORY_H
