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
// The web service's answers carry nothing that tells which request they
// belong to, so every change goes out only after the one before it has ended:
// answered (with a record, an empty body or an error) or, when no answer
// comes in time, given up, so that its answer can no longer arrive. Group
// operations that need several requests (deleting a group with or without
// moving its contacts, adding a group with a new contact or moving contacts
// into it) queue up as one operation each; an operation that fails stops
// there, says why in errorString(), and the next one runs.
class GroupAddEditDeleteTask : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(GroupAddEditDeleteTask)

public:
    static constexpr int DefaultAnswerTimeout = 45000;

    explicit GroupAddEditDeleteTask(QObject *parent = nullptr);
    ~GroupAddEditDeleteTask() override;

    void setRestManager(RestManager *restManager);
    void setContactManager(ContactManager *contactManager);
    // How long a request may wait for its answer before it is given up.
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
    // Drops every operation not yet finished and gives up the request in
    // flight; nothing more is sent for them, nor reported.
    void cancel();

    // For the user: what the last operation that stopped could not do, and why.
    QString errorString() const { return m_errorString; }

signals:
    // An operation has ended with the answer to its last request.
    void success();
    // An operation stopped: a request failed, was refused or was not
    // answered in time. See errorString().
    void error();
    // The web service's answer to a single contact addition.
    void contactAdded(const Contact &contact, bool accepted);

private slots:
    void deleteNextContact();
    void moveContactsToNewGroup();
    void addContactToNewGroup();

    void onWriteFinished(bool ok, const QString &errorMessage);
    void onAnswerTimeout();

private:
    enum class Kind { Single, DeleteGroup, AddGroupAndContact, AddGroupAndMoveContacts };
    enum class Request { AddContact, UpdateContact, DeleteContact, AddGroup, UpdateGroup, DeleteGroup };

    struct Operation
    {
        Kind kind = Kind::Single;
        // Single changes; the contact also of a group addition with it.
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
        // The group's own request has gone out.
        bool groupSent = false;
    };

    void enqueue(Operation operation);
    void enqueueSingle(Request request, const Contact &contact, const Group &group = Group(),
                       const QString &oldName = QString());
    // Runs operations until one waits for an answer or the queue is empty.
    void runQueue();
    // Sends one request and waits for its answer; a request that cannot be
    // sent stops the operation.
    void send(Request request, const Contact &contact, const Group &group = Group(),
              const QString &oldName = QString());
    void step();
    void answered(bool ok, const QString &reason);
    void finishOperation(bool ok);
    // What failed, for the user: the request, or the operation of several.
    QString describe(Request request, const Contact &contact, const Group &group,
                     const QString &oldName) const;
    QString describe(const Operation &operation) const;

    QPointer<RestManager> m_restManager;
    QPointer<ContactManager> m_contactManager;
    QQueue<Operation> m_queue;
    Operation m_current;
    bool m_running = false;
    bool m_awaiting = false;
    bool m_inQueue = false;
    // What would have failed if the request in flight fails, for the user.
    QString m_requestText;
    // The same for the trace, without names.
    QString m_traceText;
    QString m_errorString;
    QTimer m_answerTimer;
};

#endif // UI_GROUPDELETEEDITTASK_H
