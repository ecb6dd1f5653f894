#include "ui/contactslistview.h"

#include "ui/contactitemdelegate.h"

ContactsListView::ContactsListView(QWidget *parent)
    : QListView(parent)
{
    setItemDelegate(new ContactItemDelegate(false, this));
    // Hover reaches the delegate only through the viewport's attribute.
    setAttribute(Qt::WA_Hover);
    setAttribute(Qt::WA_MouseTracking);
    viewport()->setAttribute(Qt::WA_Hover);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // Every row is as high as the others: a long list lays out at once.
    setUniformItemSizes(true);
}
