#ifndef UI_CONTACTMANAGER_H
#define UI_CONTACTMANAGER_H

#include "rest/contact.h"
#include "rest/group.h"
#include "rest/invite.h"
#include "ui/contactgroup.h"
#include "ui/samefields.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

class GroupAddEditDeleteTask;
class RestManager;
class SharedFieldIndex;

// The address book in memory: the account's groups by name and every contact
// by nick. Changes apply to the book at once and go to the web service
// afterwards, in order and one at a time; the book does not wait for, nor
// undo on, the service's answers, but reports a change the service did not
// take (writeFailed()). Contacts and groups are shared: one that leaves the
// book stays valid for whoever still holds it.
class ContactManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactManager)

public:
    explicit ContactManager(QObject *parent = nullptr);
    ~ContactManager() override;

    // "Work", "Family", "Friends".
    static QStringList defaultGroupNames();

    void setRestManager(RestManager *restManager);

    // In name order.
    QList<ContactGroupPtr> groups() const { return m_groups.values(); }
    // In nick order.
    QList<ContactPtr> contacts() const { return m_contacts.values(); }
    ContactPtr contact(const QString &nick) const { return m_contacts.value(nick); }
    ContactGroupPtr group(const QString &name) const { return m_groups.value(name); }
    ContactPtr contactInGroup(const QString &groupName, const QString &nick) const;

    // Moves the contact locally and, with toServer, sends it. False when it
    // was not moved (empty group name or nick, or already in the group).
    bool moveContact(const ContactPtr &contact, const QString &groupName, bool toServer);
    void removeGroup(const QString &name);
    // The first contact in nick order with a phone of the same decimal digits
    // (everything else ignored); null for a number without digits.
    ContactPtr contactByPhoneNumber(const QString &number) const;

    // The lists the web service holds. Groups only add to the book (and
    // create the default groups where missing); contacts replace it.
    void setGroups(const QList<Group> &groups);
    void setContacts(const QList<Contact> &contacts);

    // What the first stored contact with anything in common shares with the
    // given one ("Email", "First/Last name", "Phone 1", ...); empty when none.
    QStringList sameFieldsText(const Contact &contact) const;
    void refreshContactList();

    // The nick as it is when neither the book nor the given set holds it,
    // else with "-2", "-3", ... appended: the first of those that is free.
    QString freeNick(const QString &nick, const QSet<QString> &alsoTaken = {}) const;

    // Contacts handed to the book for adding since the count was last set;
    // an import sets it to 0 and traces it afterwards.
    int addContactCalls() const { return m_addContactCalls; }
    void setAddContactCalls(int calls) { m_addContactCalls = calls; }

signals:
    void contactAlreadyPresent(const Contact &contact);
    // The web service's answer to a new contact: accepted, or refused or
    // not answered in time.
    void contactAdded(const Contact &contact, bool accepted);
    void groupAlreadyExists(const QString &name);
    void contactUpdated(const QString &nick);
    void refreshContactListUI();
    // A change of the book did not get through to the web service: it was
    // refused, failed or not answered in time. The message says which change
    // and why, in words for the user; show it as plain text (it holds names
    // and the service's own words). The book keeps the change; an operation
    // of several requests stops at the one that failed.
    void writeFailed(const QString &message);
    // The account's contact list could not be loaded; the message is for
    // the user, as plain text.
    void readFailed(const QString &message);
    // The book was emptied (sign-out): the changes still waiting for the
    // web service will not be answered.
    void cleared();

public slots:
    // What the stored contacts share with the given texts (names exactly, a
    // non-empty e-mail or number exactly); SameContact when between them
    // they share all three.
    SameFields contactDetailsPresent(const QString &number, const QString &email, const QString &firstName,
                                     const QString &lastName) const;
    // SameContact for a stored nick; else everything shared with any stored
    // contact, or Nothing.
    SameFields contactDetailsPresent(const Contact &contact) const;
    // A new contact is refused as a duplicate when a stored one has its nick
    // or shares a phone or e-mail address with it; an old one replaces the
    // entry of its nick.
    void addContact(const Contact &contact, bool isNew);
    void addNewContact(const Contact &contact);
    // New contacts in one go, each as addNewContact() would take it, with
    // one refresh for the lot: an import hands over thousands.
    void addNewContacts(const QList<Contact> &contacts);
    void addOldContact(const Contact &contact);
    // Saves the edited names, address line, e-mails, phones and group of the
    // contact of that nick.
    void updateContact(const Contact &contact, const QString &oldGroupName);
    void addNewGroup(const QString &name);
    void addOldGroup(const QString &name);
    void addGroup(const QString &name, bool isNew);
    // Renames the group; its contacts go with it.
    void updateGroup(const QString &oldName, const QString &newName);
    void addNewGroupAndNewContact(const Contact &contact, const QString &groupName);
    void addNewGroupAndMoveContact(const Contact &contact, const QString &groupName);
    // Position in groups(), -1 when absent.
    int groupIndex(const QString &name) const;
    // The stored contact of its nick, else one of its group (or of the whole
    // book when it names none) that shares a phone or an e-mail address.
    ContactPtr contactPresent(const Contact &contact) const;
    ContactPtr contactPresent(const QString &nick) const { return contact(nick); }
    // contactPresent() of each contact, in order; the book is gathered once
    // for the lot instead of walked for every contact.
    QList<ContactPtr> contactsPresent(const QList<Contact> &contacts) const;
    bool groupPresent(const QString &name) const { return m_groups.contains(name); }
    void deleteContact(const ContactPtr &contact);
    void deleteContact(const QString &nick);
    void deleteGroupAndContacts(const QString &name);
    void deleteGroupAndContacts(const ContactGroupPtr &group);
    void deleteGroupMoveContacts(const QString &name, const QString &targetGroupName);
    void deleteGroupMoveContacts(const ContactGroupPtr &group, const QString &targetGroupName);
    // Removes the group from the book; its contacts leave the book with it,
    // or move to the target group. A move to a group the book does not have,
    // or to the group itself, is refused: nothing changes.
    void deleteGroup(const ContactGroupPtr &group, const QString &targetGroupName, bool moveContacts = false);
    void deleteGroup(const QString &name, const QString &targetGroupName, bool moveContacts = false);
    // Each connection to this slot delivers one invitation: it is removed
    // after use, the sender's other connections stay. Qt can single out only
    // a connection made by signature (SIGNAL/SLOT, QMetaMethod); connect with
    // member-function pointers through Qt::SingleShotConnection.
    void sendInvitations(const Invite &invite);
    void ensureDefaultGroupsPresent();
    // Empties the book and drops the changes not yet answered, the one in
    // flight included: nothing more is sent or reported for them.
    void clear();

private:
    ContactGroupPtr findOrCreateGroup(const QString &name, bool verbose);
    // Creates the missing default groups, without a refresh; true when any was.
    bool addDefaultGroups();
    ContactPtr storeContact(const Contact &contact, bool verbose);
    // The contact's own generated nick, made unique in the book.
    QString newNick(const Contact &contact) const;
    // The index of a group's contacts, or of the whole book for an empty
    // name, made on first use into indexes.
    SharedFieldIndex &indexFor(const QString &groupName, QHash<QString, SharedFieldIndex> &indexes) const;
    void traceMissingGroup(const Contact &contact) const;

    QMap<QString, ContactGroupPtr> m_groups;
    QMap<QString, ContactPtr> m_contacts;
    GroupAddEditDeleteTask *m_task;
    QPointer<RestManager> m_restManager;
    int m_addContactCalls = 0;
};

#endif // UI_CONTACTMANAGER_H
