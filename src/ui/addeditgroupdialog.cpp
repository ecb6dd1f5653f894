#include "ui/addeditgroupdialog.h"

AddEditGroupDialog::AddEditGroupDialog(QWidget *parent)
    : DialogBase(parent)
{ }

void AddEditGroupDialog::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void AddEditGroupDialog::setAddGroup()
{
    m_group = nullptr;
    setTitle(tr("Add new group"));
}

void AddEditGroupDialog::setEditGroup(ContactGroup *group)
{
    m_group = group;
    setTitle(tr("Edit group"));
}
