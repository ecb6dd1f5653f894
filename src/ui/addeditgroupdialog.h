#ifndef LINKORA_UI_ADDEDITGROUPDIALOG_H
#define LINKORA_UI_ADDEDITGROUPDIALOG_H

#include "rest/contact.h"
#include "ui/contactgroup.h"
#include "ui/dialogbase.h"

#include <QList>
#include <QScopedPointer>
#include <QString>

class ContactManager;
class QListWidgetItem;

namespace Ui {
class AddEditGroupDialog;
}

// The form that creates a group or renames one, and moves contacts of any
// group into it. Below the name a list that folds away shows every contact
// with its group and an ADD / REMOVE button; saving checks the name and hands
// the moves and the group to the address book, then accepts.
//
// Groups and contacts are held by name and nick, so a change of the book
// while the dialog is open cannot make it act on others. Row widgets exist
// only for the rows in sight: a book of thousands opens at once.
class AddEditGroupDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(AddEditGroupDialog)

public:
    static constexpr int ListHeight = 236;

    explicit AddEditGroupDialog(QWidget *parent = nullptr);
    ~AddEditGroupDialog() override;

    void setContactManager(ContactManager *contactManager);
    void setAddGroup();
    void setEditGroup(const ContactGroupPtr &group);
    // The name as typed, trimmed.
    QString groupName() const;
    // One row per contact, group after group; members of the edited group
    // start checked.
    void appendAllContacts(const QList<ContactGroupPtr> &groups);
    // Copies of the book's contacts whose rows are checked, in row order;
    // contacts gone from the book are left out.
    QList<Contact> selectedContacts() const;

public slots:
    void showExpanded(bool expanded);
    void onSaveCreateGroupClicked();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum ItemRole { NickRole = Qt::UserRole, NameRole, GroupNameRole, CheckedRole };

    void applyExpandedGeometry();
    // Puts row widgets on the rows in sight and takes them off the others.
    void updateRowWidgets();
    void refuse(const QString &message);

    const QScopedPointer<Ui::AddEditGroupDialog> m_ui;
    QString m_editedGroupName; // empty in add mode
    bool m_needsExpandUpdate = false;
    ContactManager *m_contactManager = nullptr;
    // Watched for its size; set once the form stands.
    QWidget *m_listViewport = nullptr;
    // The rows that carry a widget now.
    QList<QListWidgetItem *> m_widgetItems;
};

#endif // LINKORA_UI_ADDEDITGROUPDIALOG_H
