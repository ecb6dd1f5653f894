#ifndef REST_CONTACTREQUEST_H
#define REST_CONTACTREQUEST_H

#include "rest/contact.h"
#include "rest/restrequest.h"

#include <QList>

// The address book's contacts: one, the list, and adding, updating and
// deleting one, keyed by its nick.
class ContactRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactRequest)

public:
    explicit ContactRequest(QObject *parent = nullptr);

    virtual void getContact(const QString &nick);
    virtual void getContacts();
    // PUT; answered by contactUpdated().
    virtual void addContact(const Contact &contact);
    // POST; an empty answer means done (contactDeleted()), a record comes
    // back on finished(Contact).
    virtual void updateContact(const Contact &contact);
    virtual void deleteContact(const Contact &contact);

signals:
    void finished(const Contact &contact);
    void finished(const QList<Contact> &contacts);
    // Also the "done" of an update whose answer is empty.
    void contactDeleted();
    void contactUpdated();
    // The contact list did not come: the request failed, or the answer is
    // not a list. After requestError().
    void listFailed();

public slots:
    void onFinish(const QByteArray &body, int status) override;

protected:
    bool expectsList(int mode) const override;

private:
    enum Mode { SingleMode = 0, ListMode = 1 };

    QString baseUrl() const;
};

#endif // REST_CONTACTREQUEST_H
