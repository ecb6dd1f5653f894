#include "ui/voicemailmodel.h"

VoicemailModel::VoicemailModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int VoicemailModel::rowCount(const QModelIndex &parent) const
{
    Q_UNUSED(parent)
    return 0;
}

QVariant VoicemailModel::data(const QModelIndex &index, int role) const
{
    Q_UNUSED(index)
    Q_UNUSED(role)
    return QVariant();
}

void VoicemailModel::clear()
{
    beginResetModel();
    endResetModel();
}
