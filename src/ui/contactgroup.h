#ifndef UI_CONTACTGROUP_H
#define UI_CONTACTGROUP_H

#include "rest/contact.h"
#include "rest/group.h"

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QSharedPointer>
#include <QString>

// Contacts and groups of the address book are shared: a view may still hold
// one after the book has dropped it, and it lives until the last holder lets go.
using ContactPtr = QSharedPointer<Contact>;
using GroupPtr = QSharedPointer<Group>;

// One group of the address book: its record and its contacts by nick. Copies
// share the record and the contact objects.
class ContactGroup
{
public:
    ContactGroup();
    explicit ContactGroup(const QString &name, bool isDefault = false);
    explicit ContactGroup(const GroupPtr &group, bool isDefault = false);
    ContactGroup(const QString &name, const QList<ContactPtr> &contacts, bool isDefault = false);

    GroupPtr group() const { return m_group; }
    // A null record is ignored.
    void setGroup(const GroupPtr &group);
    void createGroup(const QString &name);
    // The record's name; empty without a record.
    QString name() const;

    bool isDefault() const { return m_isDefault; }
    void setDefault(bool isDefault) { m_isDefault = isDefault; }

    int contactCount() const { return m_contacts.size(); }
    ContactPtr contact(const QString &nick) const { return m_contacts.value(nick); }
    // In nick order.
    QList<ContactPtr> contacts() const { return m_contacts.values(); }
    // Sets the contact's group name to this group's and files it under its
    // nick, replacing an entry of the same nick. Nothing without a record.
    void addContact(const ContactPtr &contact);
    void addContacts(const QList<ContactPtr> &contacts);
    void removeContact(const QString &nick) { m_contacts.remove(nick); }
    void clearContacts() { m_contacts.clear(); }

private:
    GroupPtr m_group;
    QMap<QString, ContactPtr> m_contacts;
    bool m_isDefault = false;
};

using ContactGroupPtr = QSharedPointer<ContactGroup>;

Q_DECLARE_METATYPE(ContactPtr)
Q_DECLARE_METATYPE(ContactGroupPtr)

#endif // UI_CONTACTGROUP_H
