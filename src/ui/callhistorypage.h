#ifndef LINKORA_UI_CALLHISTORYPAGE_H
#define LINKORA_UI_CALLHISTORYPAGE_H

#include "ui/historyfiltermodel.h"

#include <QPointer>
#include <QScopedPointer>
#include <QWidget>

class CallHistory;
class CallHistoryModel;
class Phone;
class QAbstractItemDelegate;
class QModelIndex;

namespace Ui {
class CallHistoryPage;
}

// The call-history view: the calls made, received and missed and the SMS
// sent, newest first, narrowed to the last day or week on demand. A double
// click calls the entry's number again.
class CallHistoryPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CallHistoryPage)

public:
    explicit CallHistoryPage(QWidget *parent = nullptr);
    ~CallHistoryPage() override;

    void setPhone(Phone *phone);
    // The store the page shows; the list follows its changes.
    void setCallHistory(CallHistory *callHistory);
    // Puts the delegate on the history list.
    void setItemDelegate(QAbstractItemDelegate *delegate);
    // Emits callContact() for the list's current entry, if any.
    void callCurrentEntry();

    HistoryFilterModel *filterModel() const { return m_filterModel; }
    CallHistoryModel *model() const { return m_model; }

public slots:
    void setCallHistoryFilter(HistoryFilter filter);
    // 0 all time, 1 one day, 2 seven days.
    void setCallHistoryFilter(int filter);
    void onDoubleClicked(const QModelIndex &index);
    // Reads the store again when it changed.
    void refresh();
    void onLoginSuccedeed();

signals:
    void callContact(const QString &name, const QString &number);

private:
    const QScopedPointer<Ui::CallHistoryPage> m_ui;
    HistoryFilterModel *m_filterModel;
    CallHistoryModel *m_model;
    QPointer<Phone> m_phone;
    QPointer<CallHistory> m_callHistory;
    // The store changed since the list was filled.
    bool m_stale = true;
};

#endif // LINKORA_UI_CALLHISTORYPAGE_H
