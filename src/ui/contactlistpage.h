#ifndef LINKORA_UI_CONTACTLISTPAGE_H
#define LINKORA_UI_CONTACTLISTPAGE_H

#include <QList>
#include <QWidget>

class ContactGroup;
class Settings;

// The address book as a tree of groups or a flat list. The rows it reports
// index ContactManager::groups() and each group's contacts.
class ContactListPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactListPage)

public:
    explicit ContactListPage(QWidget *parent = nullptr);

    void setSettings(Settings *settings);
    void setContactGroups(const QList<ContactGroup *> &groups);
    // True shows the groups tree, false the flat list.
    void setGroupsShown(bool shown);
    // Emits callContact for the current contact row, if there is one.
    void callCurrentContact();

signals:
    void callContact(const QString &name, const QString &number);
    void sendSMS(const QString &name, const QString &number);
    void viewContactDetailsRequested(int groupRow, int contactRow);
    void editContactRequested(int groupRow, int contactRow);
    void deleteContactRequested(int groupRow, int contactRow);
    void deleteGroupRequested(int groupRow, bool moveContacts);
    void editGroupRequested(int groupRow);

private:
    Settings *m_settings = nullptr;
    QList<ContactGroup *> m_groups;
    bool m_groupsShown = true;
};

#endif // LINKORA_UI_CONTACTLISTPAGE_H
