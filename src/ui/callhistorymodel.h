#ifndef LINKORA_UI_CALLHISTORYMODEL_H
#define LINKORA_UI_CALLHISTORYMODEL_H

#include "history/callhistoryevent.h"

#include <QAbstractListModel>
#include <QList>

// The call-history events as a list, one row each, in the order given.
class CallHistoryModel : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY(CallHistoryModel)

public:
    explicit CallHistoryModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void setEvents(const QList<CallHistoryEvent> &events);
    void addEvent(const CallHistoryEvent &event);
    void clear();

private:
    QList<CallHistoryEvent> m_events;
};

#endif // LINKORA_UI_CALLHISTORYMODEL_H
