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
    // Connected once for the task's whole life; answers that nothing waits
    // for are ignored.
    connect(restManager, &RestManager::contactDeleted, this, &GroupAddEditDeleteTask::onContactDeleted);
    connect(restManager, &RestManager::contactUpdated, this, &GroupAddEditDeleteTask::onContactUpdated);
    connect(restManager, qOverload<const Contact &>(&RestManager::requestFinished), this,
            &GroupAddEditDeleteTask::onContactAnswered);
    connect(restManager, &RestManager::groupAdded, this, &GroupAddEditDeleteTask::onGroupAdded);
    connect(restManager, qOverload<const Group &>(&RestManager::requestFinished), this,
            &GroupAddEditDeleteTask::onGroupAnswered);
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
    return m_running || m_awaiting != Awaiting::Nothing || !m_queue.isEmpty();
}

void GroupAddEditDeleteTask::cancel()
{
    if (isBusy())
        TRACE << "Dropping" << m_queue.size() + (m_running ? 1 : 0) << "unfinished operations";
    m_queue.clear();
    m_running = false;
    m_current = Operation();
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
    while (m_awaiting == Awaiting::Nothing) {
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
        // Finished now if nothing is awaited; else once the answer is in.
        if (!send(operation.request, operation.contact, operation.groupRecord, operation.oldName))
            finishOperation(true);
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
        if (const GroupPtr record = m_current.group.group())
            send(Request::DeleteGroup, Contact(), *record);
        finishOperation(true);
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
        TRACE << "Contact" << contact->nick() << "left the address book; not moved";
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
        TRACE << "Contact" << nick << "is no longer in group" << m_current.newGroupName;
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

bool GroupAddEditDeleteTask::send(Request request, const Contact &contact, const Group &group,
                                  const QString &oldName)
{
    RestManager *const rest = m_restManager;
    if (!rest) {
        TRACE_WARNING << "No web service to send the change to";
        return false;
    }

    // Group renames and deletions are answered on signals no other request
    // waits for (and with an empty answer, on none), so they are not waited for.
    Awaiting awaiting = Awaiting::Nothing;
    switch (request) {
    case Request::AddContact:
        awaiting = Awaiting::ContactAddition;
        break;
    case Request::UpdateContact:
    case Request::DeleteContact:
        awaiting = Awaiting::ContactWrite;
        break;
    case Request::AddGroup:
        awaiting = Awaiting::GroupAddition;
        break;
    case Request::UpdateGroup:
    case Request::DeleteGroup:
        break;
    }
    // Set before sending, so that even an answer given at once is matched.
    if (awaiting != Awaiting::Nothing) {
        m_awaiting = awaiting;
        ++m_stepSerial;
        m_answerTimer.start();
    }

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
    return awaiting != Awaiting::Nothing;
}

void GroupAddEditDeleteTask::answered(bool ok)
{
    m_answerTimer.stop();
    m_awaiting = Awaiting::Nothing;
    // A cancelled operation has nothing more to send.
    if (m_running && (!ok || m_current.kind == Kind::Single))
        finishOperation(ok);
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
        TRACE_WARNING << "Operation stopped;" << m_queue.size() << "more waiting";
        emit error();
    }
}

void GroupAddEditDeleteTask::onContactDeleted()
{
    if (m_awaiting == Awaiting::ContactWrite || m_awaiting == Awaiting::ContactAddition)
        answered(true);
}

void GroupAddEditDeleteTask::onContactUpdated()
{
    if (m_awaiting == Awaiting::ContactAddition)
        answered(true);
}

void GroupAddEditDeleteTask::onContactAnswered(const Contact &contact)
{
    if (m_awaiting != Awaiting::ContactWrite)
        return;
    if (!contact.errorMessage().isEmpty())
        TRACE_WARNING << "Contact refused:" << contact.errorMessage();
    answered(contact.errorMessage().isEmpty());
}

void GroupAddEditDeleteTask::onGroupAdded()
{
    if (m_awaiting != Awaiting::GroupAddition)
        return;
    // The group record, with the service's verdict, follows on its own
    // signal; should it not, the addition counts as done.
    m_awaiting = Awaiting::GroupRecord;
    const quint64 serial = m_stepSerial;
    QTimer::singleShot(0, this, [this, serial] {
        if (m_awaiting == Awaiting::GroupRecord && m_stepSerial == serial)
            answered(true);
    });
}

void GroupAddEditDeleteTask::onGroupAnswered(const Group &group)
{
    if (m_awaiting != Awaiting::GroupRecord)
        return;
    if (!group.errorMessage().isEmpty())
        TRACE_WARNING << "Group refused:" << group.errorMessage();
    answered(group.errorMessage().isEmpty());
}

void GroupAddEditDeleteTask::onAnswerTimeout()
{
    if (m_awaiting == Awaiting::Nothing)
        return;
    TRACE_WARNING << "No answer from the web service within" << m_answerTimer.interval() << "ms";
    answered(false);
}
