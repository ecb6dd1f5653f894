#ifndef REST_RESTMANAGER_H
#define REST_RESTMANAGER_H

#include "rest/account.h"
#include "rest/balance.h"
#include "rest/callforward.h"
#include "rest/contact.h"
#include "rest/group.h"
#include "rest/invite.h"
#include "rest/onlinenumber.h"
#include "rest/restrequest.h"
#include "rest/sms.h"

#include <QList>
#include <QObject>
#include <QString>

class AccountRequest;
class BalanceRequest;
class ContactRequest;
class GroupRequest;
class InstallationIdStore;
class InviteRequest;
class LiveBalanceRequest;
class CallForwardListRequest;
class OnlineNumberListRequest;
class SMSRequest;
class WebserviceUrls;

// The one entry point into the account web service. It owns one request
// object per resource, forwards every operation to it and relays the results
// on its own signals, so callers connect to this object only. Every operation
// returns at once; its result arrives later on a signal.
class RestManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RestManager)

public:
    explicit RestManager(QObject *parent = nullptr);
    ~RestManager() override;

    // The base URLs of the resources; must be set before the first request.
    // The URL set is not copied and must outlive the manager.
    void setUrls(const WebserviceUrls *urls);
    // The store whose identifier goes into the "osid" header; read at every
    // send. Not copied; must outlive the manager.
    void setInstallationIdStore(const InstallationIdStore *store);
    // Longest time a request may stay without progress before it fails.
    void setTransferTimeout(int milliseconds);
    // Bounds on the size and the duration of every answer.
    void setLimits(const RestRequest::Limits &limits);

    // Gives up the account requests under way; they report nothing more
    // than a failure.
    void abortAccountRequests();
    // The balance answers still on their way: they belong to the account
    // just logged out of.
    void abortBalanceRequests();

    void setUsername(const QString &username);
    void setPassword(const QString &password);

    // Aborts the changes of contacts and groups in flight; they end in no
    // signal at all.
    void abandonAddressBookWrites();

public slots:
    void onUsernameChanged(const QString &username);
    void onPasswordChanged(const QString &password);

    virtual void getAccount();
    virtual void getContact(const QString &nick);
    virtual void getGroups();
    virtual void getBalance();
    virtual void getLiveBalance();
    virtual void getContacts();
    virtual void getOnlineNumbers();
    virtual void getCallForwards();
    virtual void updateGroup(const QString &oldName, const Group &group);
    virtual void updateContact(const Contact &contact);
    virtual void addContact(const Contact &contact);
    virtual void addGroup(const Group &group);
    virtual void createAccount(const Account &account);
    virtual void sendInvitations(const Invite &invite);
    // Returns the identity of the send, which its answer or failure carries;
    // 0 when nothing went out.
    virtual quint64 sendSMS(const SMS &sms);
    virtual void deleteGroup(const Group &group);
    virtual void deleteContact(const Contact &contact);

signals:
    void proxyConnectionError();
    void requestFinished(const Contact &contact);
    void requestFinished(const QList<Contact> &contacts);
    void requestFinished(const Account &account);
    void requestFinished(const Balance &balance);
    void requestFinished(const QList<Group> &groups);
    void requestFinished(const Group &group);
    void requestFinished(const Invite &invite);
    void contactDeleted();
    void contactUpdated();
    void groupAdded();
    // getContacts() brought no list; the book keeps what it holds.
    void contactListFailed();
    void accountRequestFailed();
    // The web service's answer to createAccount().
    void accountCreated(const Account &account);
    void requestFinished(const QList<OnlineNumber> &onlineNumbers);
    // The service's answer to the send of sendSMS() with that identity.
    void smsRequestFinished(quint64 id, const SMS &sms);
    // An SMS send that ended without an answer to read (network failure,
    // proxy failure, an unreadable reply): the message may not have gone.
    void smsRequestFailed(quint64 id);
    // The account's call-forwarding rules.
    void callForwardsReceived(const QList<CallForward> &callForwards);
    // Every change of a contact or a group sent ends in this once, after the
    // other signals of its answer: ok, or failed (the service's refusal text
    // given when it sent one).
    void addressBookWriteFinished(bool ok, const QString &errorMessage);

private slots:
    void slotErrorReceived();
    void slotProxyErrorReceived(const QString &error);

private:
    // In member order.
    QList<RestRequest *> requests() const;

    AccountRequest *accountRequest = nullptr;
    BalanceRequest *balanceRequest = nullptr;
    LiveBalanceRequest *liveBalanceRequest = nullptr;
    ContactRequest *contactRequest = nullptr;
    GroupRequest *groupRequest = nullptr;
    OnlineNumberListRequest *onlineNumberListRequest = nullptr;
    CallForwardListRequest *callForwardListRequest = nullptr;
    SMSRequest *smsRequest = nullptr;
    InviteRequest *inviteRequest = nullptr;
};

#endif // REST_RESTMANAGER_H
