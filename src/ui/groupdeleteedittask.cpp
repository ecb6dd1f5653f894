#include "ui/groupdeleteedittask.h"

#include "rest/restmanager.h"
#include "ui/contactmanager.h"
#include "util/trace.h"

GroupAddEditDeleteTask::GroupAddEditDeleteTask(QObject *parent)
    : QObject(parent)
{
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setInterval(DefaultAnswerTimeout);
    connect(&m_answerTimer, &QTimer::timeout, this, &GroupAddEditDeleteTask::onAnswerTimeout);
}

GroupAddEditDeleteTask::~GroupAddEditDeleteTask() = default;

void GroupAddEditDeleteTask::setRestManager(RestManager *restManager)
{
    if (m_restManager == restManager)
        return;
    if (m_restManager)
        disconnect(m_restManager, nullptr, this, nullptr);
    m_restManager = restManager;
    if (!restManager)
        return;
    // Connected once for the task's whole life; an answer that nothing waits
    // for (there is none while nothing is in flight) is ignored.
    connect(restManager, &RestManager::addressBookWriteFinished, this,
            &GroupAddEditDeleteTask::onWriteFinished);
}

void GroupAddEditDeleteTask::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void GroupAddEditDeleteTask::setAnswerTimeout(int milliseconds)
{
    m_answerTimer.setInterval(milliseconds);
}

void GroupAddEditDeleteTask::deleteGroup(const ContactGroup &group, const QString &targetGroupName,
                                         bool moveContacts)
{
    Operation operation;
    operation.kind = Kind::DeleteGroup;
    operation.group = group;
    operation.targetGroupName = targetGroupName;
    operation.moveContacts = moveContacts;
    enqueue(operation);
}

void GroupAddEditDeleteTask::addNewGroupAndContact(const Contact &contact, const QString &groupName)
{
    Operation operation;
    operation.kind = Kind::AddGroupAndContact;
    operation.contact = contact;
    operation.newGroupName = groupName;
    operation.pendingContacts = {contact};
    enqueue(operation);
}

void GroupAddEditDeleteTask::addNewGroupAndMoveContacts(const QList<Contact> &contacts,
                                                        const QString &groupName)
{
    Operation operation;
    operation.kind = Kind::AddGroupAndMoveContacts;
    operation.newGroupName = groupName;
    operation.pendingContacts = contacts;
    enqueue(operation);
}

void GroupAddEditDeleteTask::addContact(const Contact &contact)
{
    enqueueSingle(Request::AddContact, contact);
}

void GroupAddEditDeleteTask::updateContact(const Contact &contact)
{
    enqueueSingle(Request::UpdateContact, contact);
}

void GroupAddEditDeleteTask::deleteContact(const Contact &contact)
{
    enqueueSingle(Request::DeleteContact, contact);
}

void GroupAddEditDeleteTask::addGroup(const Group &group)
{
    enqueueSingle(Request::AddGroup, Contact(), group);
}

void GroupAddEditDeleteTask::updateGroup(const QString &oldName, const Group &group)
{
    enqueueSingle(Request::UpdateGroup, Contact(), group, oldName);
}

void GroupAddEditDeleteTask::removeGroup(const Group &group)
{
    enqueueSingle(Request::DeleteGroup, Contact(), group);
}

bool GroupAddEditDeleteTask::isBusy() const
{
    return m_running || m_awaiting || !m_queue.isEmpty();
}

void GroupAddEditDeleteTask::cancel()
{
    if (isBusy())
        TRACE << "Dropping" << m_queue.size() + (m_running ? 1 : 0) << "unfinished operations";
    m_queue.clear();
    m_running = false;
    m_current = Operation();
    m_answerTimer.stop();
    if (m_awaiting) {
        m_awaiting = false;
        // Its answer could otherwise be taken for that of the next request.
        if (m_restManager)
            m_restManager->abandonAddressBookWrites();
    }
}

void GroupAddEditDeleteTask::enqueueSingle(Request request, const Contact &contact, const Group &group,
                                           const QString &oldName)
{
    Operation operation;
    operation.kind = Kind::Single;
    operation.request = request;
    operation.contact = contact;
    operation.groupRecord = group;
    operation.oldName = oldName;
    enqueue(operation);
}

void GroupAddEditDeleteTask::enqueue(Operation operation)
{
    if (!m_restManager) {
        TRACE_WARNING << "No web service to send the change to";
        return;
    }
    m_queue.enqueue(std::move(operation));
    runQueue();
}

void GroupAddEditDeleteTask::runQueue()
{
    // Answers and signal handlers may come back in here while a step runs;
    // the outer loop picks up where they left.
    if (m_inQueue)
        return;
    m_inQueue = true;
    while (!m_awaiting) {
        if (!m_running) {
            if (m_queue.isEmpty())
                break;
            m_current = m_queue.dequeue();
            m_running = true;
        }
        step();
    }
    m_inQueue = false;
}

// Advances the current operation by one request, or finishes it.
void GroupAddEditDeleteTask::step()
{
    switch (m_current.kind) {
    case Kind::Single: {
        const Operation operation = m_current;
        send(operation.request, operation.contact, operation.groupRecord, operation.oldName);
        break;
    }
    case Kind::DeleteGroup:
        deleteNextContact();
        break;
    case Kind::AddGroupAndContact:
    case Kind::AddGroupAndMoveContacts:
        if (!m_current.groupSent) {
            m_current.groupSent = true;
            send(Request::AddGroup, Contact(), Group(m_current.newGroupName));
        } else if (m_current.kind == Kind::AddGroupAndContact) {
            addContactToNewGroup();
        } else {
            moveContactsToNewGroup();
        }
        break;
    }
}

void GroupAddEditDeleteTask::deleteNextContact()
{
    const QList<ContactPtr> contacts = m_current.group.contacts();
    if (contacts.isEmpty()) {
        const GroupPtr record = m_current.group.group();
        if (m_current.groupSent || !record) {
            finishOperation(true);
            return;
        }
        m_current.groupSent = true;
        send(Request::DeleteGroup, Contact(), *record);
        if (m_contactManager)
            m_contactManager->refreshContactList();
        return;
    }

    const ContactPtr contact = contacts.first();
    m_current.group.removeContact(contact->nick());
    if (!m_current.moveContacts) {
        send(Request::DeleteContact, *contact);
        return;
    }

    // Deleted from the book since the operation began: its own deletion
    // follows in the queue.
    if (m_contactManager && m_contactManager->contact(contact->nick()) != contact) {
        TRACE << "Contact" << Trace::tag(contact->nick()) << "left the address book; not moved";
        return;
    }
    const ContactGroupPtr target
        = m_contactManager ? m_contactManager->group(m_current.targetGroupName) : ContactGroupPtr();
    if (target)
        target->addContact(contact);
    else
        TRACE_WARNING << "WARNING: NULL POINTER";
    send(Request::UpdateContact, *contact);
}

void GroupAddEditDeleteTask::moveContactsToNewGroup()
{
    if (m_current.pendingContacts.isEmpty()) {
        finishOperation(true);
        return;
    }
    const QString nick = m_current.pendingContacts.takeFirst().nick();
    // The address book moved it when the operation was made; send what it
    // holds now, unless it has left the book or the group since.
    const ContactPtr contact = m_contactManager ? m_contactManager->contact(nick) : ContactPtr();
    if (!contact || contact->groupName() != m_current.newGroupName) {
        TRACE << "Contact" << Trace::tag(nick) << "is no longer in group"
              << Trace::tag(m_current.newGroupName);
        return;
    }
    send(Request::UpdateContact, *contact);
}

void GroupAddEditDeleteTask::addContactToNewGroup()
{
    if (m_current.pendingContacts.isEmpty()) {
        finishOperation(true);
        return;
    }
    Contact contact = m_current.pendingContacts.takeFirst();
    contact.setGroupName(m_current.newGroupName);
    send(Request::AddContact, contact);
}

void GroupAddEditDeleteTask::send(Request request, const Contact &contact, const Group &group,
                                  const QString &oldName)
{
    m_requestText = describe(request, contact, group, oldName);
    // The nick or the group name is a segment of the request's address.
    const bool keyed = request != Request::AddGroup;
    const QString key = request == Request::UpdateGroup
        ? oldName
        : (request == Request::DeleteGroup ? group.name() : contact.nick());
    // The trace knows the request by its kind and an id of its key: the
    // texts for the user hold names.
    static const char *const kinds[]
        = {"add contact", "update contact", "delete contact", "add group", "update group", "delete group"};
    m_traceText = QString::fromLatin1(kinds[int(request)]) + QLatin1Char(' ')
        + Trace::tag(keyed ? key : group.name());
    RestManager *const rest = m_restManager;
    if (!rest) {
        answered(false, tr("There is no connection to the service."));
        return;
    }
    if (keyed && key.isEmpty()) {
        TRACE_WARNING << "Not sent: no nick or group name";
        answered(false, tr("It has no name to be filed under."));
        return;
    }

    // Set before sending, so that even an answer given at once is matched.
    m_awaiting = true;
    m_answerTimer.start();
    switch (request) {
    case Request::AddContact:
        rest->addContact(contact);
        break;
    case Request::UpdateContact:
        rest->updateContact(contact);
        break;
    case Request::DeleteContact:
        rest->deleteContact(contact);
        break;
    case Request::AddGroup:
        rest->addGroup(group);
        break;
    case Request::UpdateGroup:
        rest->updateGroup(oldName, group);
        break;
    case Request::DeleteGroup:
        rest->deleteGroup(group);
        break;
    }
}

void GroupAddEditDeleteTask::answered(bool ok, const QString &reason)
{
    m_answerTimer.stop();
    m_awaiting = false;
    if (m_running && !ok) {
        const QString operation = describe(m_current);
        m_errorString = (operation.isEmpty() ? m_requestText : operation) + QLatin1Char(' ') + reason;
        finishOperation(false);
    } else if (m_running && m_current.kind == Kind::Single) {
        finishOperation(true);
    }
    runQueue();
}

void GroupAddEditDeleteTask::finishOperation(bool ok)
{
    const Operation finished = m_current;
    m_running = false;
    m_current = Operation();
    if (finished.kind == Kind::Single && finished.request == Request::AddContact)
        emit contactAdded(finished.contact, ok);
    if (ok) {
        emit success();
    } else {
        TRACE_WARNING << "Operation stopped:" << m_traceText << m_queue.size() << "more waiting";
        emit error();
    }
}

QString GroupAddEditDeleteTask::describe(Request request, const Contact &contact, const Group &group,
                                         const QString &oldName) const
{
    switch (request) {
    case Request::AddContact:
        return tr("The contact \"%1\" could not be added to the address book.").arg(contact.displayName());
    case Request::UpdateContact:
        return tr("The changes to the contact \"%1\" could not be saved.").arg(contact.displayName());
    case Request::DeleteContact:
        return tr("The contact \"%1\" could not be deleted.").arg(contact.displayName());
    case Request::AddGroup:
        return tr("The group \"%1\" could not be added.").arg(group.name());
    case Request::UpdateGroup:
        return tr("The group \"%1\" could not be renamed.").arg(oldName);
    case Request::DeleteGroup:
        return tr("The group \"%1\" could not be deleted.").arg(group.name());
    }
    return QString();
}

QString GroupAddEditDeleteTask::describe(const Operation &operation) const
{
    switch (operation.kind) {
    case Kind::Single:
        break;
    case Kind::DeleteGroup:
        return operation.group.group()
            ? describe(Request::DeleteGroup, Contact(), *operation.group.group(), {})
            : QString();
    case Kind::AddGroupAndContact:
        return tr("The new group \"%1\" and its contact \"%2\" could not be added.")
            .arg(operation.newGroupName, operation.contact.displayName());
    case Kind::AddGroupAndMoveContacts:
        return tr("The contacts could not be moved to the new group \"%1\".").arg(operation.newGroupName);
    }
    return QString();
}

void GroupAddEditDeleteTask::onWriteFinished(bool ok, const QString &errorMessage)
{
    if (!m_awaiting)
        return;
    if (ok)
        answered(true, QString());
    else if (!errorMessage.isEmpty())
        answered(false, tr("The service answered: %1").arg(errorMessage));
    else
        answered(false, tr("The service could not be reached or did not take the change."));
}

void GroupAddEditDeleteTask::onAnswerTimeout()
{
    if (!m_awaiting)
        return;
    TRACE_WARNING << "No answer from the web service within" << m_answerTimer.interval() << "ms";
    // Its answer could otherwise be taken for that of the next request.
    if (m_restManager)
        m_restManager->abandonAddressBookWrites();
    answered(false, tr("The service did not answer in time."));
}
