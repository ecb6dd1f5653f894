#include "ui/importcontactsdialog.h"

ImportContactsDialog::ImportContactsDialog(QWidget *parent)
    : DialogBase(parent)
{
    setTitle(tr("Import Contacts"));
}

void ImportContactsDialog::setRestManager(RestManager *restManager)
{
    m_restManager = restManager;
}

void ImportContactsDialog::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void ImportContactsDialog::setGroups(const QStringList &names)
{
    m_groups = names;
}
