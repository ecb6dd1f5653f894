#include "rest/restmanager.h"

RestManager::RestManager(QObject *parent)
    : QObject(parent)
{ }

RestManager::~RestManager() = default;

void RestManager::setUrls(const WebserviceUrls *) { }
void RestManager::setInstallationIdStore(const InstallationIdStore *) { }
void RestManager::setTransferTimeout(int) { }
void RestManager::setUsername(const QString &) { }
void RestManager::setPassword(const QString &) { }
void RestManager::onUsernameChanged(const QString &username)
{
    setUsername(username);
}
void RestManager::onPasswordChanged(const QString &password)
{
    setPassword(password);
}
void RestManager::getAccount() { }
void RestManager::getContact(const QString &) { }
void RestManager::getGroups() { }
void RestManager::getBalance() { }
void RestManager::getLiveBalance() { }
void RestManager::getContacts() { }
void RestManager::getOnlineNumbers() { }
void RestManager::updateGroup(const QString &, const Group &) { }
void RestManager::updateContact(const Contact &) { }
void RestManager::addContact(const Contact &) { }
void RestManager::addGroup(const Group &) { }
void RestManager::createAccount(const Account &) { }
void RestManager::sendInvitations(const Invite &) { }
void RestManager::sendSMS(const SMS &) { }
void RestManager::deleteGroup(const Group &) { }
void RestManager::deleteContact(const Contact &) { }
void RestManager::slotErrorReceived() { }
void RestManager::slotProxyErrorReceived(const QString &) { }
