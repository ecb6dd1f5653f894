#ifndef UI_GROUPDELETEEDITTASK_H
#define UI_GROUPDELETEEDITTASK_H

#include "rest/contact.h"
#include "rest/group.h"
#include "ui/contactgroup.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QTimer>

class ContactManager;
class RestManager;

// Carries the address book's changes to the web service, one request at a
// time and in the order they were made.
//
// The web service's answers to contact and group changes carry nothing that
// tells which request they belong to, so every change whose answer matters
// goes out only after the answer to the one before it: the answer that
// arrives is then always that of the request in flight. Group operations that
// need several requests (deleting a group with or without moving its
// contacts, adding a group with a new contact or moving contacts into it)
// queue up as one operation each; an operation that fails stops there and the
// next one runs.
class GroupAddEditDeleteTask : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(GroupAddEditDeleteTask)

public:
    // An answer that has not come after this long counts as a failure; longer
    // than the requests' own transfer time-out, so a late answer cannot be
    // taken for that of a later request.
    static constexpr int DefaultAnswerTimeout = 45000;

    explicit GroupAddEditDeleteTask(QObject *parent = nullptr);
    ~GroupAddEditDeleteTask() override;

    void setRestManager(RestManager *restManager);
    void setContactManager(ContactManager *contactManager);
    void setAnswerTimeout(int milliseconds);

    // Deletes the group's contacts, or moves them to the target group, one
    // after another, then the group.
    void deleteGroup(const ContactGroup &group, const QString &targetGroupName, bool moveContacts);
    // Adds the group, then the contact into it.
    void addNewGroupAndContact(const Contact &contact, const QString &groupName);
    // Adds the group, then moves the contacts (found in the address book by
    // their nicks) into it.
    void addNewGroupAndMoveContacts(const QList<Contact> &contacts, const QString &groupName);

    // Single changes, queued behind the operations already waiting.
    void addContact(const Contact &contact);
    void updateContact(const Contact &contact);
    void deleteContact(const Contact &contact);
    void addGroup(const Group &group);
    void updateGroup(const QString &oldName, const Group &group);
    void removeGroup(const Group &group);

    // Whether a request is waiting for its answer or an operation is queued.
    bool isBusy() const;
    // Drops every operation not yet finished. A request already sent is still
    // waited for, so its answer is not taken for that of a later one.
    void cancel();

signals:
    // An operation has sent its last request.
    void success();
    // An operation stopped: a request failed or was not answered in time.
    void error();
    // The web service's answer to a single contact addition.
    void contactAdded(const Contact &contact, bool accepted);

private slots:
    void deleteNextContact();
    void moveContactsToNewGroup();
    void addContactToNewGroup();

    void onContactDeleted();
    void onContactUpdated();
    void onContactAnswered(const Contact &contact);
    void onGroupAdded();
    void onGroupAnswered(const Group &group);
    void onAnswerTimeout();

private:
    enum class Kind { Single, DeleteGroup, AddGroupAndContact, AddGroupAndMoveContacts };
    enum class Request { AddContact, UpdateContact, DeleteContact, AddGroup, UpdateGroup, DeleteGroup };
    // The answer the request in flight is waiting for.
    enum class Awaiting { Nothing, ContactWrite, ContactAddition, GroupAddition, GroupRecord };

    struct Operation
    {
        Kind kind = Kind::Single;
        // Single changes.
        Request request = Request::AddContact;
        Contact contact;
        Group groupRecord;
        QString oldName;
        // Group deletion: a copy of the group; contacts leave it as they are sent.
        ContactGroup group;
        QString targetGroupName;
        bool moveContacts = false;
        // Group additions.
        QString newGroupName;
        QList<Contact> pendingContacts;
        bool groupSent = false;
    };

    void enqueue(Operation operation);
    void enqueueSingle(Request request, const Contact &contact, const Group &group = Group(),
                       const QString &oldName = QString());
    // Runs operations until one waits for an answer or the queue is empty.
    void runQueue();
    // Sends one request; true when it waits for an answer.
    bool send(Request request, const Contact &contact, const Group &group = Group(),
              const QString &oldName = QString());
    void step();
    void answered(bool ok);
    void finishOperation(bool ok);

    QPointer<RestManager> m_restManager;
    QPointer<ContactManager> m_contactManager;
    QQueue<Operation> m_queue;
    Operation m_current;
    bool m_running = false;
    Awaiting m_awaiting = Awaiting::Nothing;
    // The step whose answer is awaited; a stale time-out sees another value.
    quint64 m_stepSerial = 0;
    bool m_inQueue = false;
    QTimer m_answerTimer;
};

#endif // UI_GROUPDELETEEDITTASK_H
