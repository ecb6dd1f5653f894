#include "importcontacts/importendpoints.h"

GoogleEndpoints GoogleEndpoints::provider()
{
    GoogleEndpoints endpoints;
    endpoints.signIn = QUrl(QStringLiteral("https://www.google.com/accounts/ClientLogin"));
    endpoints.contacts
        = QUrl(QStringLiteral("https://www.google.com/m8/feeds/contacts/default/full?max-results=50000"));
    endpoints.credentialHosts = QStringList {QStringLiteral("www.google.com")};
    return endpoints;
}

YahooEndpoints YahooEndpoints::provider()
{
    YahooEndpoints endpoints;
    endpoints.requestToken = QUrl(QStringLiteral("https://api.login.yahoo.com/oauth/v2/get_request_token"));
    endpoints.accessToken = QUrl(QStringLiteral("https://api.login.yahoo.com/oauth/v2/get_token"));
    endpoints.contactList = QStringLiteral("https://social.yahooapis.com/v1/user/%1/contacts;count=max");
    endpoints.realm = QStringLiteral("yahooapis.com");
    endpoints.mailDomain = QStringLiteral("yahoo.com");
    endpoints.credentialHosts
        = QStringList {QStringLiteral("login.yahoo.com"), QStringLiteral("api.login.yahoo.com")};
    return endpoints;
}
