#ifndef LINKORA_UI_ADDEDITCONTACTDIALOG_H
#define LINKORA_UI_ADDEDITCONTACTDIALOG_H

#include "ui/dialogbase.h"

#include <QList>
#include <QString>

class ContactGroup;
class ContactManager;

// Adds a contact to the address book or edits one; run modally, Accepted when
// the user confirmed.
class AddEditContactDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(AddEditContactDialog)

public:
    explicit AddEditContactDialog(QWidget *parent = nullptr);

    void setContactManager(ContactManager *contactManager);
    // Add mode, offering the given groups.
    void setAddContact(const QList<ContactGroup *> &groups);
    // Edit mode for the contact with that nick.
    void setEditContact(const QString &nick);
    // The number of the first phone row, of type Home.
    void setPhoneNumber(const QString &number);

private:
    ContactManager *m_contactManager = nullptr;
    QList<ContactGroup *> m_groups;
    QString m_nick;
    QString m_phoneNumber;
};

#endif // LINKORA_UI_ADDEDITCONTACTDIALOG_H
