#include "rest/contactrequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

ContactRequest::ContactRequest(QObject *parent)
    : RestRequest(parent)
{
    connect(this, &RestRequest::readFailed, this, [this](int mode) {
        if (mode == ListMode)
            emit listFailed();
    });
}

QString ContactRequest::baseUrl() const
{
    return urls() ? urls()->adressBookContactServiceBaseURL() : QString();
}

void ContactRequest::getContact(const QString &nick)
{
    send(userKeyUrl(baseUrl(), nick), Get, nullptr, SingleMode);
}

void ContactRequest::getContacts()
{
    send(userUrl(baseUrl()), Get, nullptr, ListMode);
}

void ContactRequest::addContact(const Contact &contact)
{
    send(userKeyUrl(baseUrl(), contact.nick()), Put, &contact, SingleMode);
}

void ContactRequest::updateContact(const Contact &contact)
{
    send(userKeyUrl(baseUrl(), contact.nick()), Post, &contact, SingleMode);
}

void ContactRequest::deleteContact(const Contact &contact)
{
    send(userKeyUrl(baseUrl(), contact.nick()), Delete, nullptr, SingleMode);
}

bool ContactRequest::expectsList(int mode) const
{
    return mode == ListMode;
}

void ContactRequest::onFinish(const QByteArray &body, int status)
{
    const int method = replyMethod();
    const bool listMode = replyMode() == ListMode;
    bool ok = false;
    const QVariant value = parseBody(body, ok);

    if (listMode) {
        // Anything but a list must not empty the address book.
        QList<Contact> contacts;
        // A contact is known by its nick, its names, a phone or an e-mail.
        const auto usable = [](const QVariantMap &map) {
            return hasAny(map, {"nick", "firstName", "lastName", "phones", "emails"});
        };
        if (!ok || !readList(value, contacts, usable)) {
            TRACE << "Contact list expected, got" << body.size() << "bytes";
            emit requestError();
            emit listFailed();
            return;
        }
        if (contacts.isEmpty())
            TRACE << "List size is < 0";
        emit finished(contacts);
        return;
    }

    if (!ok || !value.isValid()) {
        TRACE << "Cannot parse json: " << body.size() << "bytes";
        if (isSuccess(status))
            emit contactDeleted();
        else
            emit requestError();
        return;
    }
    const Contact contact(value);
    if (!contact.errorMessage().isEmpty())
        setReplyRefused(contact.errorMessage());
    if (method == Put) {
        emit contactUpdated();
        return;
    }
    emit finished(contact);
}
