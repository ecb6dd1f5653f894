#ifndef LINKORA_UI_CONTACTSLISTVIEW_H
#define LINKORA_UI_CONTACTSLISTVIEW_H

#include <QListView>

// The flat list of contacts, painted by a ContactItemDelegate; it asks for
// context menus through customContextMenuRequested.
class ContactsListView : public QListView
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactsListView)

public:
    explicit ContactsListView(QWidget *parent = nullptr);
};

#endif // LINKORA_UI_CONTACTSLISTVIEW_H
