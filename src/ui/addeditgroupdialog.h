#ifndef LINKORA_UI_ADDEDITGROUPDIALOG_H
#define LINKORA_UI_ADDEDITGROUPDIALOG_H

#include "ui/dialogbase.h"

class ContactGroup;
class ContactManager;

// Creates a group or edits one; it performs the group operation itself and
// is Accepted when the user confirmed.
class AddEditGroupDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(AddEditGroupDialog)

public:
    explicit AddEditGroupDialog(QWidget *parent = nullptr);

    void setContactManager(ContactManager *contactManager);
    void setAddGroup();
    void setEditGroup(ContactGroup *group);

private:
    ContactManager *m_contactManager = nullptr;
    ContactGroup *m_group = nullptr;
};

#endif // LINKORA_UI_ADDEDITGROUPDIALOG_H
