#include "ui/addeditcontactdialog.h"

AddEditContactDialog::AddEditContactDialog(QWidget *parent)
    : DialogBase(parent)
{ }

void AddEditContactDialog::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void AddEditContactDialog::setAddContact(const QList<ContactGroup *> &groups)
{
    m_groups = groups;
    m_nick.clear();
    setTitle(tr("Add new contact"));
}

void AddEditContactDialog::setEditContact(const QString &nick)
{
    m_nick = nick;
    setTitle(tr("Edit contact"));
}

void AddEditContactDialog::setPhoneNumber(const QString &number)
{
    m_phoneNumber = number;
}
