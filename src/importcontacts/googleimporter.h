#ifndef IMPORTCONTACTS_GOOGLEIMPORTER_H
#define IMPORTCONTACTS_GOOGLEIMPORTER_H

#include "importcontacts/contactimporter.h"
#include "importcontacts/importendpoints.h"

// Imports a Google address book: signs in with the account's address and
// password (ClientLogin), then reads the whole contacts feed as JSON. Every
// feed entry gives one contact with at most one e-mail address and one phone.
// Progress: 10 sign-in sent, 20 signed in, 30 feed asked for, 70 feed read,
// 100 done.
class GoogleImporter : public ContactImporter
{
    Q_OBJECT
    Q_DISABLE_COPY(GoogleImporter)

public:
    explicit GoogleImporter(QObject *parent = nullptr);
    explicit GoogleImporter(const GoogleEndpoints &endpoints, QObject *parent = nullptr);

    void startImportingContacts(const QString &user, const QString &password) override;

    // The contacts of a feed's text; false when it is not JSON.
    static bool parseFeed(const QString &json, QList<ImportContact> &contacts);

public slots:
    void finishedAccessTokensRequest();
    void finishedContactsRequest();
    void contactListRequest(const QString &token);
    void parseContactList(const QString &json);

private:
    void accessTokenRequest(const QString &user, const QString &password, const QString &accountType,
                            const QString &source, const QString &service);

    const GoogleEndpoints m_endpoints;
};

#endif // IMPORTCONTACTS_GOOGLEIMPORTER_H
