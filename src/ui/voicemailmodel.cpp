#include "ui/voicemailmodel.h"

#include "ui/historyroles.h"

VoicemailModel::VoicemailModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int VoicemailModel::rowCount(const QModelIndex &) const
{
    return int(m_entries.size());
}

QVariant VoicemailModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0 || index.row() < 0 || index.row() >= m_entries.size())
        return QVariant();
    const VoicemailEntry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case HistoryRoles::NumberRole:
        return entry.number();
    case HistoryRoles::VoicemailDurationRole:
        return entry.duration();
    case HistoryRoles::VoicemailStateRole:
        return entry.state();
    case HistoryRoles::TimestampRole:
        return entry.timestamp();
    default:
        return QVariant();
    }
}

bool VoicemailModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != HistoryRoles::VoicemailStateRole || !index.isValid() || index.column() != 0 || index.row() < 0
        || index.row() >= m_entries.size())
        return false;
    m_entries[index.row()].setState(value.toInt());
    emit dataChanged(index, index);
    return true;
}

void VoicemailModel::addEntry(const VoicemailEntry &entry)
{
    const int row = int(m_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(entry);
    endInsertRows();
}

void VoicemailModel::setEntries(const QList<VoicemailEntry> &entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

void VoicemailModel::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}
