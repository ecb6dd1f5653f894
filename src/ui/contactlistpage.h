#ifndef LINKORA_UI_CONTACTLISTPAGE_H
#define LINKORA_UI_CONTACTLISTPAGE_H

#include "ui/contactgroup.h"

#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScopedPointer>
#include <QWidget>

class ContactsListModel;
class ContactsSortFilterProxyModel;
class ContactsTreeModel;
class ContactsTreeSortFilterProxyModel;
class QMenu;
class Settings;

namespace Ui {
class ContactListPage;
}

// The address book as a flat list of contacts or as a tree of groups, with a
// search field above. The page acts on nothing itself: double-clicks and
// context menus become requests to the central area. Contacts and groups are
// named in them by nick and by group name, which stay right however the rows
// move in between.
class ContactListPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactListPage)

public:
    explicit ContactListPage(QWidget *parent = nullptr);
    ~ContactListPage() override;

    void setSettings(Settings *settings);
    // Both views show the new list; a search in progress stays applied, and
    // so do the open groups, the current rows and the rows on top.
    void setContactGroups(const QList<ContactGroupPtr> &groups);
    // True shows the groups tree, false the flat list.
    void setGroupsShown(bool shown);
    bool isGroupsShown() const;
    // Emits callContact for the tree's current contact row, whichever view
    // is shown; nothing on a group row or without a current row.
    void callCurrentContact();
    // Repaint one contact, or one group, after it changed in place. Rows as
    // in the list last given to setContactGroups.
    void notifyUpdateContact(int groupRow, int contactRow);
    void notifyUpdateGroup(int groupRow);

signals:
    void callContact(const QString &name, const QString &number);
    void sendSMS(const QString &name, const QString &number);
    void viewContactDetailsRequested(const QString &nick);
    void editContactRequested(const QString &nick);
    void deleteContactRequested(const QString &nick);
    void deleteGroupRequested(const QString &groupName, bool moveContacts);
    void editGroupRequested(const QString &groupName);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onCustomContextMenuRequested(const QPoint &pos);
    void onCallNumberActionTriggered();
    void onSendSMSActionTriggered();
    void onViewDetailsActionTriggered();
    void onEditContactActionTriggered();
    void onDeleteContactActionTriggered();
    void onEditGroupActionTriggered();
    void onDeleteGroupMoveContactsActionTriggered();
    void onDeleteGroupAndContactsActionTriggered();
    void onSearchTextChanged(const QString &text);
    void onDoubleClicked(const QModelIndex &index);

private:
    QMenu *groupMenu(const QModelIndex &index);
    QMenu *contactMenu(const QModelIndex &index);
    // The nick of the row the open contact menu belongs to; empty once that
    // row is gone.
    QString contextNick() const;
    QString actionGroupName() const;
    void placeClearButton();
    void expandGroups();

    const QScopedPointer<Ui::ContactListPage> m_ui;
    ContactsSortFilterProxyModel *m_listProxy;
    ContactsTreeSortFilterProxyModel *m_treeProxy;
    QPersistentModelIndex m_contextIndex;
    ContactsTreeModel *m_treeModel;
    ContactsListModel *m_listModel;
    Settings *m_settings = nullptr;
    // The last context menu. It lives until the next one is made: an entry
    // may open a dialog whose loop runs while the menu is still finishing
    // the click that chose the entry.
    QPointer<QMenu> m_menu;
};

#endif // LINKORA_UI_CONTACTLISTPAGE_H
