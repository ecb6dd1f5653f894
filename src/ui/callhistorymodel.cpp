#include "ui/callhistorymodel.h"

#include "ui/historyroles.h"

CallHistoryModel::CallHistoryModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int CallHistoryModel::rowCount(const QModelIndex &) const
{
    return int(m_events.size());
}

QVariant CallHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0 || index.row() < 0 || index.row() >= m_events.size())
        return QVariant();
    const CallHistoryEvent &event = m_events.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case HistoryRoles::NumberRole:
        return event.number();
    case HistoryRoles::NameRole:
        return event.name();
    case HistoryRoles::DurationShownRole:
        return event.isDurationShown();
    case HistoryRoles::DurationRole:
        return event.duration();
    case HistoryRoles::TypeRole:
        return int(event.type());
    case HistoryRoles::TimestampRole:
        return event.timestamp();
    default:
        return QVariant();
    }
}

void CallHistoryModel::setEvents(const QList<CallHistoryEvent> &events)
{
    beginResetModel();
    m_events = events;
    endResetModel();
}

void CallHistoryModel::addEvent(const CallHistoryEvent &event)
{
    const int row = int(m_events.size());
    beginInsertRows(QModelIndex(), row, row);
    m_events.append(event);
    endInsertRows();
}

void CallHistoryModel::clear()
{
    beginResetModel();
    m_events.clear();
    endResetModel();
}
