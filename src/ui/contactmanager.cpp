#include "ui/contactmanager.h"

#include "rest/restmanager.h"
#include "ui/groupdeleteedittask.h"
#include "ui/sharedfieldindex.h"
#include "util/trace.h"

#include <QHash>
#include <QMetaMethod>
#include <QSet>
#include <QTimer>

#include <iterator>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The decimal digits of the text, in order; all else dropped.
QString digitsOf(const QString &text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.isDigit())
            digits.append(ch);
    }
    return digits;
}

// Whether the text's decimal digits are exactly the given ones; spares
// building a digit string for every phone of the book.
bool hasDigits(const QString &text, const QString &digits)
{
    int matched = 0;
    for (const QChar ch : text) {
        if (!ch.isDigit())
            continue;
        if (matched == digits.size() || digits.at(matched) != ch)
            return false;
        ++matched;
    }
    return matched == digits.size();
}

// A copy of the text in an allocation of its own.
QString ownCopy(const QString &text)
{
    return text.isEmpty() ? QString() : QString(text.constData(), text.size());
}

QStringList ownCopy(const QStringList &texts)
{
    QStringList copy;
    copy.reserve(texts.size());
    for (const QString &text : texts)
        copy.append(ownCopy(text));
    return copy;
}

// The contact with texts of its own. Records parsed from a reply share their
// texts with the parser's allocations, scattered among those of the parse
// tree; the address book keeps them for the session, and copies let the
// memory of a parsed contact list go back once the list is stored.
Contact compactCopy(const Contact &contact)
{
    Contact copy = contact;
    copy.setNick(ownCopy(contact.nick()));
    copy.setFirstName(ownCopy(contact.firstName()));
    copy.setLastName(ownCopy(contact.lastName()));
    copy.setAddressLine1(ownCopy(contact.addressLine1()));
    copy.setAddressLine2(ownCopy(contact.addressLine2()));
    copy.setCity(ownCopy(contact.city()));
    copy.setState(ownCopy(contact.state()));
    copy.setPostalCode(ownCopy(contact.postalCode()));
    copy.setCountry(ownCopy(contact.country()));
    copy.setSipUser(ownCopy(contact.sipUser()));
    copy.setEmails(ownCopy(contact.emails()));
    QList<PhoneNumber> phones;
    phones.reserve(contact.phones().size());
    for (PhoneNumber phone : contact.phones()) {
        phone.setNumber(ownCopy(phone.number()));
        // The three kinds the client knows have texts of their own already.
        const QString text = phone.typeText();
        phone.setType(phone.type());
        if (phone.typeText() != text)
            phone.setTypeText(ownCopy(text));
        phones.append(std::move(phone));
    }
    copy.setPhones(phones);
    return copy;
}

// Hands the free memory of the heap back to the system: a contact list of
// thousands leaves megabytes of parse tree behind in small pieces.
void releaseFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

ContactManager::ContactManager(QObject *parent)
    : QObject(parent)
    , m_task(new GroupAddEditDeleteTask(this))
{
    m_task->setContactManager(this);
    connect(m_task, &GroupAddEditDeleteTask::contactAdded, this, &ContactManager::contactAdded);
    connect(m_task, &GroupAddEditDeleteTask::error, this,
            [this] { emit writeFailed(m_task->errorString()); });
}

ContactManager::~ContactManager() = default;

QStringList ContactManager::defaultGroupNames()
{
    return {QStringLiteral("Work"), QStringLiteral("Family"), QStringLiteral("Friends")};
}

void ContactManager::setRestManager(RestManager *restManager)
{
    if (m_restManager)
        disconnect(m_restManager, &RestManager::contactListFailed, this, nullptr);
    m_restManager = restManager;
    if (m_restManager) {
        connect(m_restManager, &RestManager::contactListFailed, this, [this] {
            emit readFailed(tr("Your contacts could not be loaded from the service. "
                               "Sign in again later to see them."));
        });
    }
    m_task->setRestManager(restManager);
    m_task->setContactManager(this);
}

ContactPtr ContactManager::contactInGroup(const QString &groupName, const QString &nick) const
{
    const ContactGroupPtr group = m_groups.value(groupName);
    return group ? group->contact(nick) : ContactPtr();
}

int ContactManager::groupIndex(const QString &name) const
{
    const auto it = m_groups.constFind(name);
    if (it == m_groups.cend())
        return -1;
    return static_cast<int>(std::distance(m_groups.cbegin(), it));
}

ContactGroupPtr ContactManager::findOrCreateGroup(const QString &name, bool verbose)
{
    ContactGroupPtr group = m_groups.value(name);
    if (group) {
        if (verbose)
            TRACE << "getting group: " << Trace::tag(name);
        return group;
    }
    TRACE << "creating new group: " << Trace::tag(name);
    group = ContactGroupPtr::create(name);
    m_groups.insert(name, group);
    return group;
}

ContactPtr ContactManager::storeContact(const Contact &contact, bool verbose)
{
    const ContactGroupPtr group = findOrCreateGroup(contact.groupName(), verbose);
    const ContactPtr stored = ContactPtr::create(compactCopy(contact));
    if (stored->nick().isEmpty()) {
        TRACE << "Nick is empty, generating nick.";
        stored->setNick(newNick(*stored));
    }
    if (verbose)
        TRACE << "   adding contact: " << Trace::tag(stored->nick());

    // A contact of the same nick in another group leaves that group.
    if (const ContactPtr previous = m_contacts.value(stored->nick())) {
        const ContactGroupPtr previousGroup = m_groups.value(previous->groupName());
        if (previousGroup && previousGroup != group && previousGroup->contact(previous->nick()) == previous)
            previousGroup->removeContact(previous->nick());
    }
    group->addContact(stored);
    m_contacts.insert(stored->nick(), stored);
    return stored;
}

QString ContactManager::newNick(const Contact &contact) const
{
    // Contacts made in the same millisecond may share the generated one.
    return freeNick(contact.generateNick());
}

QString ContactManager::freeNick(const QString &nick, const QSet<QString> &alsoTaken) const
{
    QString free = nick;
    for (int n = 2; m_contacts.contains(free) || alsoTaken.contains(free); ++n)
        free = nick + QLatin1Char('-') + QString::number(n);
    return free;
}

void ContactManager::addGroup(const QString &name, bool isNew)
{
    TRACE << "adding new group: " << Trace::tag(name);
    if (m_groups.value(name)) {
        emit groupAlreadyExists(name);
        emit refreshContactListUI();
        return;
    }
    const ContactGroupPtr group = ContactGroupPtr::create(name);
    m_groups.insert(name, group);
    if (isNew)
        m_task->addGroup(*group->group());
    emit refreshContactListUI();
}

void ContactManager::addNewGroup(const QString &name)
{
    addGroup(name, true);
}

void ContactManager::addOldGroup(const QString &name)
{
    addGroup(name, false);
}

void ContactManager::updateGroup(const QString &oldName, const QString &newName)
{
    TRACE << "Renaming group" << Trace::tag(oldName) << "to" << Trace::tag(newName);
    ContactGroupPtr target = m_groups.value(newName);
    if (!target) {
        target = ContactGroupPtr::create(newName);
        m_groups.insert(newName, target);
    }
    const bool renamed = oldName != newName;
    if (renamed) {
        if (const ContactGroupPtr old = m_groups.value(oldName))
            target->addContacts(old->contacts());
    }
    m_task->updateGroup(oldName, *target->group());
    if (renamed)
        m_groups.remove(oldName);
}

void ContactManager::removeGroup(const QString &name)
{
    const ContactGroupPtr group = m_groups.take(name);
    if (group)
        m_task->removeGroup(*group->group());
}

void ContactManager::addContact(const Contact &contact, bool isNew)
{
    TRACE << "Adding contact " << Trace::tag(contact.nick()) << ", new? " << isNew;
    ++m_addContactCalls;
    if (isNew && !m_contacts.isEmpty() && contactPresent(contact)) {
        emit contactAlreadyPresent(contact);
        TRACE << "Contact " << Trace::tag(contact.nick()) << " already present";
        return;
    }
    const ContactPtr stored = storeContact(contact, true);
    if (isNew)
        m_task->addContact(*stored);
    emit refreshContactListUI();
}

void ContactManager::addNewContact(const Contact &contact)
{
    addContact(contact, true);
}

void ContactManager::addNewContacts(const QList<Contact> &contacts)
{
    // The phones and e-mail addresses of each group compared with, gathered
    // once for the lot instead of walking the group for every contact.
    QHash<QString, SharedFieldIndex> known;
    const auto knownFor = [this, &known](const QString &groupName) -> SharedFieldIndex & {
        return indexFor(groupName, known);
    };

    int added = 0;
    m_addContactCalls += int(contacts.size());
    for (const Contact &contact : contacts) {
        if (!m_contacts.isEmpty()
            && (m_contacts.contains(contact.nick()) || knownFor(contact.groupName()).find(contact))) {
            emit contactAlreadyPresent(contact);
            continue;
        }
        const ContactPtr stored = storeContact(contact, false);
        m_task->addContact(*stored);
        knownFor(stored->groupName()).add(stored);
        if (known.contains(QString()) && !stored->groupName().isEmpty())
            known[QString()].add(stored);
        ++added;
    }
    TRACE << "Added" << added << "of" << contacts.size() << "new contacts";
    if (added > 0)
        emit refreshContactListUI();
}

void ContactManager::addOldContact(const Contact &contact)
{
    addContact(contact, false);
}

void ContactManager::updateContact(const Contact &contact, const QString &oldGroupName)
{
    TRACE << "Saving contact " << Trace::tag(contact.nick());
    TRACE << "oldGroupName" << Trace::tag(oldGroupName) << "contact's groupName"
          << Trace::tag(contact.groupName());
    const QString nick = contact.nick();
    const ContactPtr stored = m_contacts.value(nick);
    if (!stored) {
        TRACE_WARNING << "No contact with nick" << Trace::tag(nick);
        return;
    }
    const ContactGroupPtr target = findOrCreateGroup(contact.groupName(), true);

    // Only what the contact dialog edits; the rest keeps its stored value.
    stored->setFirstName(contact.firstName());
    stored->setLastName(contact.lastName());
    stored->setAddressLine1(contact.addressLine1());
    stored->setEmails(contact.emails());
    stored->setPhones(contact.phones());
    stored->setGroupName(contact.groupName());
    TRACE << "   updating contact: " << Trace::tag(nick);

    const ContactGroupPtr oldGroup = m_groups.value(oldGroupName);
    if (contact.groupName() != oldGroupName) {
        if (oldGroup)
            oldGroup->removeContact(nick);
        target->addContact(stored);
    }
    m_contacts.insert(nick, stored);
    TRACE << m_contacts.size() << m_groups.size() << target->contactCount()
          << (oldGroup ? oldGroup->contactCount() : 0);

    m_task->updateContact(*stored);
    emit refreshContactListUI();
}

bool ContactManager::moveContact(const ContactPtr &contact, const QString &groupName, bool toServer)
{
    if (!contact) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return false;
    }
    if (groupName.isEmpty()) {
        TRACE << "EMPTY GROUP NAME!!!!";
        return false;
    }
    if (contact->groupName() == groupName) {
        TRACE << "SAME GROUP!!!!";
        return false;
    }
    ContactGroupPtr target = m_groups.value(groupName);
    if (!target) {
        target = ContactGroupPtr::create(groupName);
        m_groups.insert(groupName, target);
    }
    const ContactGroupPtr source = m_groups.value(contact->groupName());
    if (contact->nick().isEmpty()) {
        TRACE << "CONTACT NICK IS EMPTY!!!!";
        return false;
    }
    TRACE << "moving contact" << Trace::tag(contact->nick()) << "from" << Trace::tag(contact->groupName())
          << "to" << Trace::tag(groupName);
    if (source)
        source->removeContact(contact->nick());
    target->addContact(contact);
    if (toServer)
        m_task->updateContact(*contact);
    emit refreshContactListUI();
    return true;
}

void ContactManager::deleteContact(const ContactPtr &contact)
{
    if (!contact) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return;
    }
    const ContactGroupPtr group = m_groups.value(contact->groupName());
    if (!group) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return;
    }
    group->removeContact(contact->nick());
    m_contacts.remove(contact->nick());
    m_task->deleteContact(*contact);
}

void ContactManager::deleteContact(const QString &nick)
{
    if (const ContactPtr stored = m_contacts.value(nick))
        deleteContact(stored);
}

void ContactManager::deleteGroup(const ContactGroupPtr &group, const QString &targetGroupName,
                                 bool moveContacts)
{
    if (!group) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return;
    }
    const QString name = group->name();
    TRACE << "Deleting group" << Trace::tag(name)
          << (moveContacts ? "moving its contacts to" : "with its contacts") << Trace::tag(targetGroupName);

    const ContactGroupPtr target
        = targetGroupName != name ? m_groups.value(targetGroupName) : ContactGroupPtr();
    if (moveContacts && !target && group->contactCount() > 0) {
        TRACE_WARNING << "Contacts cannot move to" << Trace::tag(targetGroupName) << "- group"
                      << Trace::tag(name) << "kept";
        return;
    }

    // The book changes now; the task only tells the web service.
    if (moveContacts) {
        if (target)
            target->addContacts(group->contacts());
    } else {
        for (const ContactPtr &contact : group->contacts()) {
            if (m_contacts.value(contact->nick()) == contact)
                m_contacts.remove(contact->nick());
        }
    }
    m_task->deleteGroup(*group, targetGroupName, moveContacts);
    if (m_groups.value(name) == group)
        m_groups.remove(name);
    emit refreshContactListUI();
}

void ContactManager::deleteGroup(const QString &name, const QString &targetGroupName, bool moveContacts)
{
    if (const ContactGroupPtr group = m_groups.value(name))
        deleteGroup(group, targetGroupName, moveContacts);
}

void ContactManager::deleteGroupAndContacts(const QString &name)
{
    deleteGroup(name, QString(), false);
}

void ContactManager::deleteGroupAndContacts(const ContactGroupPtr &group)
{
    deleteGroup(group, QString(), false);
}

void ContactManager::deleteGroupMoveContacts(const QString &name, const QString &targetGroupName)
{
    deleteGroup(name, targetGroupName, true);
}

void ContactManager::deleteGroupMoveContacts(const ContactGroupPtr &group, const QString &targetGroupName)
{
    deleteGroup(group, targetGroupName, true);
}

void ContactManager::addNewGroupAndNewContact(const Contact &contact, const QString &groupName)
{
    // The nick is made once, here: the book and the web service must know the
    // contact by the same one.
    Contact copy = contact;
    copy.setGroupName(groupName);
    if (copy.nick().isEmpty()) {
        TRACE << "Nick is empty, generating nick.";
        copy.setNick(newNick(copy));
    }
    // A group the book has needs no adding: the service would refuse it, and
    // the contact with it.
    if (m_groups.value(groupName)) {
        m_task->addContact(copy);
    } else {
        m_task->addNewGroupAndContact(copy, groupName);
        addGroup(groupName, false);
    }
    addContact(copy, false);
}

void ContactManager::addNewGroupAndMoveContact(const Contact &contact, const QString &groupName)
{
    if (groupName.isEmpty()) {
        TRACE << "EMPTY GROUP NAME!!!!";
        return;
    }
    const ContactPtr stored = m_contacts.value(contact.nick());
    if (m_groups.contains(groupName)) {
        // Nothing to add: an ordinary move.
        moveContact(stored, groupName, true);
        return;
    }
    addGroup(groupName, false);
    if (stored)
        moveContact(stored, groupName, false);
    m_task->addNewGroupAndMoveContacts({contact}, groupName);
}

ContactPtr ContactManager::contactPresent(const Contact &contact) const
{
    if (const ContactPtr stored = m_contacts.value(contact.nick()))
        return stored;

    QList<ContactPtr> candidates;
    if (contact.groupName().isEmpty()) {
        candidates = m_contacts.values();
    } else if (const ContactGroupPtr group = m_groups.value(contact.groupName())) {
        candidates = group->contacts();
    } else {
        traceMissingGroup(contact);
    }
    for (const ContactPtr &candidate : qAsConst(candidates)) {
        if (SameFields::sharedPhone(contact, *candidate) || SameFields::sharedEmail(contact, *candidate))
            return candidate;
    }
    return ContactPtr();
}

QList<ContactPtr> ContactManager::contactsPresent(const QList<Contact> &contacts) const
{
    QHash<QString, SharedFieldIndex> indexes;
    QList<ContactPtr> found;
    found.reserve(contacts.size());
    for (const Contact &contact : contacts) {
        if (const ContactPtr stored = m_contacts.value(contact.nick())) {
            found << stored;
            continue;
        }
        if (!contact.groupName().isEmpty() && !m_groups.value(contact.groupName()))
            traceMissingGroup(contact);
        found << indexFor(contact.groupName(), indexes).find(contact);
    }
    return found;
}

SharedFieldIndex &ContactManager::indexFor(const QString &groupName,
                                           QHash<QString, SharedFieldIndex> &indexes) const
{
    auto it = indexes.find(groupName);
    if (it != indexes.end())
        return it.value();
    SharedFieldIndex &index = indexes[groupName];
    if (groupName.isEmpty()) {
        for (const ContactPtr &stored : qAsConst(m_contacts))
            index.add(stored);
    } else if (const ContactGroupPtr group = m_groups.value(groupName)) {
        const QList<ContactPtr> members = group->contacts();
        for (const ContactPtr &stored : members)
            index.add(stored);
    }
    return index;
}

void ContactManager::traceMissingGroup(const Contact &contact) const
{
    TRACE.noquote().nospace() << "Cannot find group: " << Trace::tag(contact.groupName())
                              << " for contact: " << Trace::tag(contact.nick());
}

SameFields ContactManager::contactDetailsPresent(const Contact &contact) const
{
    if (!contact.nick().isEmpty() && m_contacts.value(contact.nick()))
        return {SameFields::SameContact};

    SameFields fields;
    for (const ContactPtr &stored : m_contacts) {
        if (SameFields::sharedEmail(contact, *stored))
            fields.insert(SameFields::SameEmail);
        if (SameFields::sharedPhone(contact, *stored))
            fields.insert(SameFields::SamePhone);
        if (SameFields::sameName(contact, *stored))
            fields.insert(SameFields::SameName);
    }
    if (fields.isEmpty())
        fields.insert(SameFields::Nothing);
    return fields;
}

SameFields ContactManager::contactDetailsPresent(const QString &number, const QString &email,
                                                 const QString &firstName, const QString &lastName) const
{
    SameFields fields;
    for (const ContactPtr &stored : m_contacts) {
        if (stored->firstName() == firstName && stored->lastName() == lastName)
            fields.insert(SameFields::SameName);
        if (!email.isEmpty() && stored->emails().contains(email))
            fields.insert(SameFields::SameEmail);
        if (!number.isEmpty() && stored->phoneNumbers().contains(number))
            fields.insert(SameFields::SamePhone);
    }
    if (fields.contains(SameFields::SameName) && fields.contains(SameFields::SameEmail)
        && fields.contains(SameFields::SamePhone))
        return {SameFields::SameContact};
    return fields;
}

QStringList ContactManager::sameFieldsText(const Contact &contact) const
{
    for (const ContactPtr &stored : m_contacts) {
        if (stored->nick() == contact.nick())
            continue;
        QStringList texts;
        if (!contact.emails().isEmpty() && SameFields::sharedEmail(contact, *stored))
            texts << tr("Email");
        if (SameFields::sameName(contact, *stored))
            texts << tr("First/Last name");
        const QStringList numbers = stored->phoneNumbers();
        for (int i = 0; i < contact.phones().size(); ++i) {
            const QString &number = contact.phones().at(i).number();
            if (!number.isEmpty() && numbers.contains(number))
                texts << tr("Phone %1").arg(i + 1);
        }
        if (!texts.isEmpty())
            return texts;
    }
    return {};
}

ContactPtr ContactManager::contactByPhoneNumber(const QString &number) const
{
    const QString digits = digitsOf(number);
    if (digits.isEmpty())
        return ContactPtr();
    for (const ContactPtr &contact : m_contacts) {
        for (const PhoneNumber &phone : contact->phones()) {
            if (hasDigits(phone.number(), digits))
                return contact;
        }
    }
    return ContactPtr();
}

void ContactManager::setGroups(const QList<Group> &groups)
{
    // One refresh and one trace line for the whole list, however long: each
    // refresh rebuilds the contact views.
    int added = 0;
    for (const Group &group : groups) {
        if (!m_groups.contains(group.name())) {
            m_groups.insert(group.name(), ContactGroupPtr::create(group.name()));
            ++added;
        }
    }
    TRACE << "Loaded" << groups.size() << "groups," << added << "new";
    addDefaultGroups();
    emit refreshContactListUI();
}

void ContactManager::setContacts(const QList<Contact> &contacts)
{
    TRACE << "Loading" << contacts.size() << "contacts";
    // Objects dropped here stay alive for views that still hold them.
    m_contacts.clear();
    for (const ContactGroupPtr &group : qAsConst(m_groups))
        group->clearContacts();
    // One refresh for the whole list: each one rebuilds the contact views.
    for (const Contact &contact : contacts)
        storeContact(contact, false);
    emit refreshContactListUI();
    // Once the reply and its parse tree are gone.
    QTimer::singleShot(0, this, &releaseFreeMemory);
}

void ContactManager::ensureDefaultGroupsPresent()
{
    if (addDefaultGroups())
        emit refreshContactListUI();
}

bool ContactManager::addDefaultGroups()
{
    bool added = false;
    for (const QString &name : defaultGroupNames()) {
        ContactGroupPtr group = m_groups.value(name);
        if (!group) {
            TRACE << "adding default group: " << name;
            group = ContactGroupPtr::create(name);
            m_groups.insert(name, group);
            m_task->addGroup(*group->group());
            added = true;
        }
        group->setDefault(true);
    }
    return added;
}

void ContactManager::sendInvitations(const Invite &invite)
{
    if (m_restManager)
        m_restManager->sendInvitations(invite);
    else
        TRACE_WARNING << "No web service to send the invitation to";

    // The connection that delivered this call is used up; the sender's other
    // connections to this object are not.
    QObject *const origin = sender();
    const int signalIndex = senderSignalIndex();
    if (origin && signalIndex >= 0) {
        static const QMetaMethod slot
            = staticMetaObject.method(staticMetaObject.indexOfSlot("sendInvitations(Invite)"));
        if (!disconnect(origin, origin->metaObject()->method(signalIndex), this, slot))
            TRACE << "Invitation connection not made by signature; left to the sender";
    }
}

void ContactManager::clear()
{
    m_task->cancel();
    m_contacts.clear();
    m_groups.clear();
    emit cleared();
    emit refreshContactListUI();
}

void ContactManager::refreshContactList()
{
    emit refreshContactListUI();
}
