#ifndef IMPORTCONTACTS_YAHOOIMPORTER_H
#define IMPORTCONTACTS_YAHOOIMPORTER_H

#include "importcontacts/contactimporter.h"
#include "importcontacts/importendpoints.h"

#include <functional>

class QNetworkReply;

// Imports a Yahoo address book through OAuth 1.0 with an out-of-band
// verifier, playing the user's part in the provider's pages: request token,
// sign-in page (its form filled with the user's name and password), consent
// page (posted as given), verifier page, access token, then the contact list
// signed with HMAC-SHA1. Progress: 10, 20, 40 per sign-in redirect, 50, 60,
// 70, 80, 90, 100.
class YahooImporter : public ContactImporter
{
    Q_OBJECT
    Q_DISABLE_COPY(YahooImporter)

public:
    // Redirects followed in a row before the import fails.
    static constexpr int MaxRedirects = 10;

    // The signature of the contact-list request and its Authorization header.
    struct SignedRequest
    {
        QString baseString;
        QString signature; // Base64, then percent-encoded
        QByteArray authorization;
    };

    explicit YahooImporter(QObject *parent = nullptr);
    explicit YahooImporter(const YahooEndpoints &endpoints, QObject *parent = nullptr);

    void startImportingContacts(const QString &user, const QString &password) override;

    // Milliseconds since 1970 for timestamps and nonces.
    void setClock(std::function<qint64()> nowMs) { m_nowMs = std::move(nowMs); }

    // The token keeps the percent-encoding the provider gave it, so it stands
    // encoded once in the header and twice in the base string.
    static SignedRequest signContactListRequest(const QString &resourceUrl, const QString &realm,
                                                const QString &consumerKey, const QString &consumerSecret,
                                                const QString &token, const QString &tokenSecret,
                                                qint64 nowMs);
    // The contacts of a contact-list document; false when it is not JSON.
    static bool parseContacts(const QString &json, const QString &mailDomain, QList<ImportContact> &contacts);

    QString consumerKey() const { return m_consumerKey; }
    void setConsumerKey(const QString &value) { m_consumerKey = value; }
    QString consumerSecret() const { return m_consumerSecret; }
    void setConsumerSecret(const QString &value) { m_consumerSecret = value; }
    QString tokenSecret() const { return m_tokenSecret; }
    void setTokenSecret(const QString &value) { m_tokenSecret = value; }
    QString verifier() const { return m_verifier; }
    void setVerifier(const QString &value) { m_verifier = value; }
    QString token() const { return m_token; }
    void setToken(const QString &value) { m_token = value; }
    QString sessionHandle() const { return m_sessionHandle; }
    void setSessionHandle(const QString &value) { m_sessionHandle = value; }
    QString userGuid() const { return m_userGuid; }
    void setUserGuid(const QString &value) { m_userGuid = value; }

private slots:
    void finishedRequestTokenRequest();
    void onUserLoginFormRetrieved();
    void finishedYahooAutoUserLogin();
    void onAllowFormRetrieved();
    void onVerifierCodePageReceived();
    void onAccessTokenReceived();
    void onContactListRequestFinished();
    void printError();
    void parseJsonToContactList(const QString &json);

private:
    void getUserLoginForm(const QUrl &url);
    void getAllowPage(const QUrl &url);
    void requestAccessToken();
    void doGetRequestForContactList();
    void postForm(const QUrl &action, const QByteArray &body, void (YahooImporter::*slot)());
    // The reply's "Location" resolved against its URL; invalid when it has none.
    static QUrl redirectTarget(QNetworkReply *reply);
    // Counts one more hop; false, after networkError(), past the limit.
    bool countRedirect();

    const YahooEndpoints m_endpoints;
    std::function<qint64()> m_nowMs;
    int m_redirects = 0;

    QString m_consumerKey;
    QString m_consumerSecret;
    QString m_tokenSecret;
    QString m_verifier;
    QString m_token;
    QString m_sessionHandle;
    QString m_userGuid;
};

#endif // IMPORTCONTACTS_YAHOOIMPORTER_H
