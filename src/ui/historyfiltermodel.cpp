#include "ui/historyfiltermodel.h"

#include "ui/historyroles.h"
#include "util/clock.h"

#include <QDateTime>
#include <QTimer>

HistoryFilterModel::HistoryFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_refreshTimer(new QTimer(this))
{
    setSortRole(HistoryRoles::TimestampRole);
    m_refreshTimer->setInterval(60000);
    connect(m_refreshTimer, &QTimer::timeout, this, [this] {
        m_oldestAge.invalidate();
        invalidate();
    });
    m_refreshTimer->start();
}

QDateTime HistoryFilterModel::oldestShown() const
{
    if (!m_oldestAge.isValid() || m_oldestAge.elapsed() > 500) {
        const QDateTime now = Clock::currentDateTime();
        m_oldest = m_filter == LastDayHistory ? now.addDays(-1) : now.addDays(-7);
        m_oldestAge.start();
    }
    return m_oldest;
}

void HistoryFilterModel::setFilter(HistoryFilter filter)
{
    m_filter = filter;
    m_oldestAge.invalidate();
    invalidateFilter();
}

void HistoryFilterModel::setRefreshInterval(int milliseconds)
{
    m_refreshTimer->start(milliseconds);
}

bool HistoryFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *source = sourceModel();
    if (!source)
        return false;
    if (m_filter == LastDayHistory || m_filter == LastWeekHistory) {
        const QModelIndex index = source->index(sourceRow, 0, sourceParent);
        if (index.data(HistoryRoles::TimestampRole).toDateTime() < oldestShown())
            return false;
    }
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}
