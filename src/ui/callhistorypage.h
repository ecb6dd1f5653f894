#ifndef LINKORA_UI_CALLHISTORYPAGE_H
#define LINKORA_UI_CALLHISTORYPAGE_H

#include <QWidget>

class Phone;
class QAbstractItemDelegate;
class QListView;

// The call-history view: the calls made, received and missed.
class CallHistoryPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CallHistoryPage)

public:
    explicit CallHistoryPage(QWidget *parent = nullptr);

    void setPhone(Phone *phone);
    // Puts the delegate on the history list.
    void setItemDelegate(QAbstractItemDelegate *delegate);

public slots:
    // 0 all time, 1 one day, 2 seven days.
    void setCallHistoryFilter(int filter);
    void refresh();
    void onLoginSuccedeed();

signals:
    void callContact(const QString &name, const QString &number);

private:
    QListView *m_historyListView = nullptr;
    Phone *m_phone = nullptr;
    int m_filter = 0;
};

#endif // LINKORA_UI_CALLHISTORYPAGE_H
