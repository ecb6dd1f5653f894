#ifndef IMPORTCONTACTS_IMPORTENDPOINTS_H
#define IMPORTCONTACTS_IMPORTENDPOINTS_H

#include <QString>
#include <QStringList>
#include <QUrl>

// Where the Google importer sends its requests. The user's password goes
// only to the sign-in URL, only over https and only to one of the
// credential hosts.
struct GoogleEndpoints
{
    QUrl signIn;
    // With its "max-results" query; "alt=json" is added.
    QUrl contacts;
    QStringList credentialHosts;

    // Google's own services.
    static GoogleEndpoints provider();
    // As the brand's URL configuration gives them; Google's own where it
    // names none.
    static GoogleEndpoints configured(const QString &iniFile, const QString &brand);
    static GoogleEndpoints configured();
};

// Where the Yahoo importer sends its requests, and the application's
// registration with Yahoo. Form posts go only over https to the credential
// hosts.
struct YahooEndpoints
{
    QUrl requestToken;
    QUrl accessToken;
    // "%1" stands for the user's identifier.
    QString contactList;
    QString realm;
    // Appended to a Yahoo ID that comes without an e-mail address.
    QString mailDomain;
    QString consumerKey;
    QString consumerSecret;
    QStringList credentialHosts;

    // Yahoo's own services, without a consumer key: an import stops before
    // its first request until one is configured.
    static YahooEndpoints provider();
    // As the brand's URL configuration gives them, its consumer key and
    // secret included; Yahoo's own addresses where it names none.
    static YahooEndpoints configured(const QString &iniFile, const QString &brand);
    static YahooEndpoints configured();
    // Why an import cannot run with these, for the user; empty when it can.
    QString unavailableReason() const;
};

#endif // IMPORTCONTACTS_IMPORTENDPOINTS_H
