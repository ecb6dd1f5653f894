#include "ui/contactgroup.h"

ContactGroup::ContactGroup()
    : m_group(GroupPtr::create())
{ }

ContactGroup::ContactGroup(const QString &name, bool isDefault)
    : m_group(GroupPtr::create(name))
    , m_isDefault(isDefault)
{ }

ContactGroup::ContactGroup(const GroupPtr &group, bool isDefault)
    : m_group(group)
    , m_isDefault(isDefault)
{ }

ContactGroup::ContactGroup(const QString &name, const QList<ContactPtr> &contacts, bool isDefault)
    : m_group(GroupPtr::create(name))
    , m_isDefault(isDefault)
{
    addContacts(contacts);
}

void ContactGroup::setGroup(const GroupPtr &group)
{
    if (group)
        m_group = group;
}

void ContactGroup::createGroup(const QString &name)
{
    m_group = GroupPtr::create(name);
}

QString ContactGroup::name() const
{
    return m_group ? m_group->name() : QString();
}

void ContactGroup::addContact(const ContactPtr &contact)
{
    if (!contact || !m_group)
        return;
    contact->setGroupName(m_group->name());
    m_contacts.insert(contact->nick(), contact);
}

void ContactGroup::addContacts(const QList<ContactPtr> &contacts)
{
    for (const ContactPtr &contact : contacts)
        addContact(contact);
}
