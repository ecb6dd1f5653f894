#include "rest/restmanager.h"

#include "rest/accountrequest.h"
#include "rest/balancerequest.h"
#include "rest/callforwardlistrequest.h"
#include "rest/contactrequest.h"
#include "rest/grouprequest.h"
#include "rest/inviterequest.h"
#include "rest/livebalancerequest.h"
#include "rest/onlinenumberlistrequest.h"
#include "rest/restmetatypes.h"
#include "rest/smsrequest.h"
#include "util/trace.h"

RestManager::RestManager(QObject *parent)
    : QObject(parent)
{
    registerRestMetaTypes();

    accountRequest = new AccountRequest(this);
    balanceRequest = new BalanceRequest(this);
    liveBalanceRequest = new LiveBalanceRequest(this);
    contactRequest = new ContactRequest(this);
    groupRequest = new GroupRequest(this);
    onlineNumberListRequest = new OnlineNumberListRequest(this);
    callForwardListRequest = new CallForwardListRequest(this);
    smsRequest = new SMSRequest(this);
    inviteRequest = new InviteRequest(this);

    connect(accountRequest, &AccountRequest::finished, this,
            qOverload<const Account &>(&RestManager::requestFinished));
    connect(accountRequest, &AccountRequest::accountCreated, this, &RestManager::accountCreated);
    connect(contactRequest, qOverload<const Contact &>(&ContactRequest::finished), this,
            qOverload<const Contact &>(&RestManager::requestFinished));
    connect(contactRequest, qOverload<const QList<Contact> &>(&ContactRequest::finished), this,
            qOverload<const QList<Contact> &>(&RestManager::requestFinished));
    connect(groupRequest, qOverload<const QList<Group> &>(&GroupRequest::finished), this,
            qOverload<const QList<Group> &>(&RestManager::requestFinished));
    connect(groupRequest, qOverload<const Group &>(&GroupRequest::finished), this,
            qOverload<const Group &>(&RestManager::requestFinished));
    connect(groupRequest, &GroupRequest::groupAdded, this, &RestManager::groupAdded);
    connect(contactRequest, &ContactRequest::listFailed, this, &RestManager::contactListFailed);
    // A listener cannot tell a live balance from a stored one.
    connect(balanceRequest, &BalanceRequest::finished, this,
            qOverload<const Balance &>(&RestManager::requestFinished));
    connect(liveBalanceRequest, &LiveBalanceRequest::finished, this,
            qOverload<const Balance &>(&RestManager::requestFinished));
    connect(inviteRequest, &InviteRequest::finished, this,
            qOverload<const Invite &>(&RestManager::requestFinished));

    const QList<RestRequest *> traced
        = {accountRequest, contactRequest, groupRequest, balanceRequest, liveBalanceRequest, inviteRequest};
    for (RestRequest *request : traced)
        connect(request, &RestRequest::requestError, this, &RestManager::slotErrorReceived);
    for (RestRequest *request : traced)
        connect(request, &RestRequest::proxyConnectionError, this, &RestManager::slotProxyErrorReceived);
    // After the trace connection, so that the error is traced first.
    connect(accountRequest, &RestRequest::requestError, this, &RestManager::accountRequestFailed,
            Qt::UniqueConnection);

    connect(contactRequest, &ContactRequest::contactDeleted, this, &RestManager::contactDeleted);
    connect(contactRequest, &ContactRequest::contactUpdated, this, &RestManager::contactUpdated);
    connect(contactRequest, &RestRequest::writeFinished, this, &RestManager::addressBookWriteFinished);
    connect(groupRequest, &RestRequest::writeFinished, this, &RestManager::addressBookWriteFinished);

    connect(onlineNumberListRequest, &OnlineNumberListRequest::finished, this,
            qOverload<const QList<OnlineNumber> &>(&RestManager::requestFinished));
    connect(onlineNumberListRequest, &RestRequest::requestError, this, &RestManager::slotErrorReceived);
    connect(onlineNumberListRequest, &RestRequest::proxyConnectionError, this,
            &RestManager::slotProxyErrorReceived);

    connect(callForwardListRequest, &CallForwardListRequest::finished, this,
            &RestManager::callForwardsReceived);
    connect(callForwardListRequest, &RestRequest::requestError, this, &RestManager::slotErrorReceived);
    connect(callForwardListRequest, &RestRequest::proxyConnectionError, this,
            &RestManager::slotProxyErrorReceived);

    connect(smsRequest, &SMSRequest::finished, this, &RestManager::smsRequestFinished);
    connect(smsRequest, &RestRequest::requestError, this, &RestManager::slotErrorReceived);
    connect(smsRequest, &RestRequest::proxyConnectionError, this, &RestManager::slotProxyErrorReceived);
    connect(smsRequest, &SMSRequest::failed, this, &RestManager::smsRequestFailed);
}

RestManager::~RestManager() = default;

QList<RestRequest *> RestManager::requests() const
{
    return {accountRequest,          balanceRequest, liveBalanceRequest, contactRequest,        groupRequest,
            onlineNumberListRequest, smsRequest,     inviteRequest,      callForwardListRequest};
}

void RestManager::setUrls(const WebserviceUrls *urls)
{
    for (RestRequest *request : requests())
        request->setUrls(urls);
}

void RestManager::setInstallationIdStore(const InstallationIdStore *store)
{
    for (RestRequest *request : requests())
        request->setInstallationIdStore(store);
}

void RestManager::setTransferTimeout(int milliseconds)
{
    for (RestRequest *request : requests())
        request->setTransferTimeout(milliseconds);
}

void RestManager::setLimits(const RestRequest::Limits &limits)
{
    for (RestRequest *request : requests())
        request->setLimits(limits);
}

void RestManager::abortAccountRequests()
{
    accountRequest->abortAll();
}

void RestManager::abortBalanceRequests()
{
    balanceRequest->abortAll();
    liveBalanceRequest->abortAll();
}

void RestManager::setUsername(const QString &username)
{
    for (RestRequest *request : requests())
        request->setUsername(username);
}

void RestManager::setPassword(const QString &password)
{
    for (RestRequest *request : requests())
        request->setPassword(password);
}

void RestManager::abandonAddressBookWrites()
{
    contactRequest->abandonWrites();
    groupRequest->abandonWrites();
}

void RestManager::onUsernameChanged(const QString &username)
{
    setUsername(username);
}

void RestManager::onPasswordChanged(const QString &password)
{
    setPassword(password);
}

void RestManager::getAccount()
{
    accountRequest->getAccount();
}

void RestManager::getContact(const QString &nick)
{
    contactRequest->getContact(nick);
}

void RestManager::getGroups()
{
    groupRequest->getGroups();
}

void RestManager::getBalance()
{
    balanceRequest->getBalance();
}

void RestManager::getLiveBalance()
{
    liveBalanceRequest->getLiveBalance();
}

void RestManager::getContacts()
{
    contactRequest->getContacts();
}

void RestManager::getOnlineNumbers()
{
    onlineNumberListRequest->getOnlineNumbers();
}

void RestManager::getCallForwards()
{
    callForwardListRequest->getCallForwards();
}

void RestManager::updateGroup(const QString &oldName, const Group &group)
{
    groupRequest->updateGroup(oldName, group);
}

void RestManager::updateContact(const Contact &contact)
{
    contactRequest->updateContact(contact);
}

void RestManager::addContact(const Contact &contact)
{
    contactRequest->addContact(contact);
}

void RestManager::addGroup(const Group &group)
{
    groupRequest->addGroup(group);
}

void RestManager::createAccount(const Account &account)
{
    accountRequest->createAccount(account);
}

void RestManager::sendInvitations(const Invite &invite)
{
    inviteRequest->sendInvite(invite);
}

quint64 RestManager::sendSMS(const SMS &sms)
{
    return smsRequest->sendSMS(sms);
}

void RestManager::deleteGroup(const Group &group)
{
    groupRequest->deleteGroup(group);
}

void RestManager::deleteContact(const Contact &contact)
{
    contactRequest->deleteContact(contact);
}

void RestManager::slotErrorReceived()
{
    TRACE << "Error received!";
    if (const QObject *request = sender())
        TRACE << request->metaObject()->className();
}

void RestManager::slotProxyErrorReceived(const QString &)
{
    emit proxyConnectionError();
}
