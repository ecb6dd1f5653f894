#ifndef LINKORA_UI_HISTORYFILTERMODEL_H
#define LINKORA_UI_HISTORYFILTERMODEL_H

#include "util/stopwatch.h"

#include <QDateTime>
#include <QSortFilterProxyModel>

class QTimer;

// How far back the history pages look.
enum HistoryFilter { AllHistory = 0, LastDayHistory = 1, LastWeekHistory = 2 };

// Newest first, and only as old as the filter allows. The filter is applied
// again every minute, so that entries leave the day's and the week's lists
// while the page stays open.
class HistoryFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY(HistoryFilterModel)

public:
    explicit HistoryFilterModel(QObject *parent = nullptr);

    HistoryFilter filter() const { return m_filter; }
    void setFilter(HistoryFilter filter);
    // The period of the re-filtering; tests shorten it.
    void setRefreshInterval(int milliseconds);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    HistoryFilter m_filter = AllHistory;
    QTimer *m_refreshTimer;
    // The oldest time stamp that passes, worked out once for a whole pass
    // rather than for every row.
    QDateTime oldestShown() const;
    mutable QDateTime m_oldest;
    mutable Stopwatch m_oldestAge;
};

#endif // LINKORA_UI_HISTORYFILTERMODEL_H
