#ifndef GOOGLESTANDIN_H
#define GOOGLESTANDIN_H

#include "importcontacts/importendpoints.h"
#include "providerstandin.h"

#include <QJsonArray>
#include <QJsonObject>

// Google's account sign-in (ClientLogin) and contacts feed (GData 3.0, JSON).
// The sign-in checks the headers and the form, answers a refused password
// with 403 "Error=BadAuthentication" and a good one with CRLF-ended lines;
// the feed wants the token it gave out and the exact query.
class GoogleStandIn : public ProviderStandIn
{
    Q_OBJECT
    Q_DISABLE_COPY(GoogleStandIn)

public:
    static inline const QByteArray Token = QByteArrayLiteral("DQAAAGgA_tok-42");

    explicit GoogleStandIn(QObject *parent = nullptr);

    void setAccount(const QString &email, const QString &password);
    void setEntries(const QJsonArray &entries) { m_entries = entries; }
    // An entry as the feed writes it; empty parts are left out.
    static QJsonObject entry(const QString &givenName, const QString &familyName, const QStringList &emails,
                             const QStringList &phones);

    // The importer's configuration for this stand-in.
    GoogleEndpoints endpoints() const;

protected:
    Answer answer(const Request &request) override;

private:
    Answer signIn(const Request &request);
    Answer feed(const Request &request);

    QString m_email;
    QString m_password;
    QJsonArray m_entries;
};

#endif // GOOGLESTANDIN_H
