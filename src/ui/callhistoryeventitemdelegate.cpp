#include "ui/callhistoryeventitemdelegate.h"

CallHistoryEventItemDelegate::CallHistoryEventItemDelegate(ContactManager *contactManager, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_contactManager(contactManager)
{ }
