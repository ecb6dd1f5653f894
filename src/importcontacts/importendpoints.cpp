#include "importcontacts/importendpoints.h"

#include "settings/urlconfiguration.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

// The brand's value of the key, else the fallback.
QString text(const QSettings &settings, const char *key, const QString &fallback)
{
    const QString value = settings.value(QLatin1String(key)).toString().trimmed();
    return value.isEmpty() ? fallback : value;
}

QUrl url(const QSettings &settings, const char *key, const QUrl &fallback)
{
    const QString value = settings.value(QLatin1String(key)).toString().trimmed();
    return value.isEmpty() ? fallback : QUrl(value);
}

// Space-separated host names.
QStringList hosts(const QSettings &settings, const char *key, const QStringList &fallback)
{
    const QString value = settings.value(QLatin1String(key)).toString();
    const QStringList names = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return names.isEmpty() ? fallback : names;
}

} // namespace

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

GoogleEndpoints GoogleEndpoints::configured(const QString &iniFile, const QString &brand)
{
    const GoogleEndpoints own = provider();
    QSettings settings(iniFile, QSettings::IniFormat);
    settings.beginGroup(UrlConfiguration::importSection(brand));
    GoogleEndpoints endpoints;
    endpoints.signIn = url(settings, "googleSignInURL", own.signIn);
    endpoints.contacts = url(settings, "googleContactsURL", own.contacts);
    endpoints.credentialHosts = hosts(settings, "googleCredentialHosts", own.credentialHosts);
    return endpoints;
}

GoogleEndpoints GoogleEndpoints::configured()
{
    return configured(UrlConfiguration::resourceFile(), UrlConfiguration::brand());
}

YahooEndpoints YahooEndpoints::configured(const QString &iniFile, const QString &brand)
{
    const YahooEndpoints own = provider();
    QSettings settings(iniFile, QSettings::IniFormat);
    settings.beginGroup(UrlConfiguration::importSection(brand));
    YahooEndpoints endpoints;
    endpoints.requestToken = url(settings, "yahooRequestTokenURL", own.requestToken);
    endpoints.accessToken = url(settings, "yahooAccessTokenURL", own.accessToken);
    endpoints.contactList = text(settings, "yahooContactListURL", own.contactList);
    endpoints.realm = text(settings, "yahooRealm", own.realm);
    endpoints.mailDomain = text(settings, "yahooMailDomain", own.mailDomain);
    endpoints.consumerKey = text(settings, "yahooConsumerKey", QString());
    endpoints.consumerSecret = text(settings, "yahooConsumerSecret", QString());
    endpoints.credentialHosts = hosts(settings, "yahooCredentialHosts", own.credentialHosts);
    return endpoints;
}

YahooEndpoints YahooEndpoints::configured()
{
    return configured(UrlConfiguration::resourceFile(), UrlConfiguration::brand());
}

QString YahooEndpoints::unavailableReason() const
{
    if (consumerKey.isEmpty() || consumerSecret.isEmpty())
        return QCoreApplication::translate("YahooEndpoints",
                                           "Yahoo has not registered this version of %1, so it cannot "
                                           "read Yahoo address books.")
            .arg(QCoreApplication::applicationName());
    if (!requestToken.isValid() || !accessToken.isValid() || contactList.isEmpty())
        return QCoreApplication::translate("YahooEndpoints",
                                           "The addresses of Yahoo's services are not set.");
    return QString();
}
