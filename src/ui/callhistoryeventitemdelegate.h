#ifndef LINKORA_UI_CALLHISTORYEVENTITEMDELEGATE_H
#define LINKORA_UI_CALLHISTORYEVENTITEMDELEGATE_H

#include <QStyledItemDelegate>

class ContactManager;

// Draws one call-history entry; names come from the address book.
class CallHistoryEventItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(CallHistoryEventItemDelegate)

public:
    explicit CallHistoryEventItemDelegate(ContactManager *contactManager, QObject *parent = nullptr);

private:
    ContactManager *m_contactManager = nullptr;
};

#endif // LINKORA_UI_CALLHISTORYEVENTITEMDELEGATE_H
