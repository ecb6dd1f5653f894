#ifndef LINKORA_UI_VOICEMAILMODEL_H
#define LINKORA_UI_VOICEMAILMODEL_H

#include <QAbstractListModel>

// The account's voicemail entries, one row each.
class VoicemailModel : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY(VoicemailModel)

public:
    explicit VoicemailModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Empties the list; attached views show no rows.
    void clear();
};

#endif // LINKORA_UI_VOICEMAILMODEL_H
