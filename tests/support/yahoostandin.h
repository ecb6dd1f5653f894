#ifndef YAHOOSTANDIN_H
#define YAHOOSTANDIN_H

#include "importcontacts/importendpoints.h"
#include "providerstandin.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

// Yahoo's OAuth 1.0 service with its sign-in and consent pages and the
// contacts interface, all on one host. Token requests are checked key by key
// (PLAINTEXT signatures), the sign-in and consent posts field by field with
// the session cookie, and the contact-list request's HMAC-SHA1 signature is
// recomputed. Pages are served the way a browser would meet them: several
// forms, entities, single quotes, redirects absolute and relative.
class YahooStandIn : public ProviderStandIn
{
    Q_OBJECT
    Q_DISABLE_COPY(YahooStandIn)

public:
    static inline const QString ConsumerKey = QStringLiteral("ck-TEST-KEY--");
    static inline const QString ConsumerSecret = QStringLiteral("0123456789abcdef0123456789abcdef01234567");
    static inline const QString Guid = QStringLiteral("GUIDABC123");
    // The access token carries percent-encoded characters, as the provider's do.
    static inline const QString AccessToken = QStringLiteral("tok%2Fabc%3D");

    explicit YahooStandIn(QObject *parent = nullptr);

    void setAccount(const QString &user, const QString &password);
    // The "contact" array of the contact list.
    void setContacts(const QJsonArray &contacts) { m_contacts = contacts; }
    // A contact of the list: its fields, (type, value) in order.
    static QJsonObject contact(const QList<QPair<QString, QJsonValue>> &fields);
    // The sign-in start redirects to itself by way of a second address, forever.
    void setRedirectLoop(bool loop) { m_redirectLoop = loop; }
    // The user does not allow access: the consent post brings no verifier.
    void setConsentRefused(bool refused) { m_consentRefused = refused; }
    // The action of the sign-in form, as written in the page.
    void setSignInAction(const QByteArray &action) { m_signInAction = action; }

    YahooEndpoints endpoints() const;

protected:
    Answer answer(const Request &request) override;

private:
    Answer requestToken(const Request &request);
    Answer signInPage() const;
    Answer signIn(const Request &request);
    Answer consentPage(const Request &request);
    Answer grant(const Request &request);
    Answer accessToken(const Request &request);
    Answer contactList(const Request &request);
    // Empty when the timestamp and nonce fields are as the service wants them.
    static QString clockProblem(const Request &request);

    QString m_user;
    QString m_password;
    QJsonArray m_contacts;
    bool m_redirectLoop = false;
    bool m_consentRefused = false;
    QByteArray m_signInAction = QByteArrayLiteral("/login/verify?.src=oauth&amp;.lang=en");
};

#endif // YAHOOSTANDIN_H
