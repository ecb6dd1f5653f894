#ifndef LINKORA_UI_IMPORTCONTACTSDIALOG_H
#define LINKORA_UI_IMPORTCONTACTSDIALOG_H

#include "ui/dialogbase.h"

#include <QStringList>

class ContactManager;
class RestManager;

// Imports address books from web-mail providers into the contact store.
class ImportContactsDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(ImportContactsDialog)

public:
    explicit ImportContactsDialog(QWidget *parent = nullptr);

    void setRestManager(RestManager *restManager);
    void setContactManager(ContactManager *contactManager);
    // The group names offered for the imported contacts, in this order.
    void setGroups(const QStringList &names);

private:
    RestManager *m_restManager = nullptr;
    ContactManager *m_contactManager = nullptr;
    QStringList m_groups;
};

#endif // LINKORA_UI_IMPORTCONTACTSDIALOG_H
