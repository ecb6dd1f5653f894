#ifndef SETTINGS_URLCONFIGURATION_H
#define SETTINGS_URLCONFIGURATION_H

#include <QString>

// Where the web-service and web-page addresses of the brands live. One INI
// file holds three sections per brand, "<brand>.Webservices",
// "<brand>.HomeUrls" and "<brand>.Import" (the web-mail providers' addresses
// and the brand's registration with them); the program reads those of its
// own brand.
namespace UrlConfiguration {

inline QString resourceFile()
{
    return QStringLiteral(":/urls/dravo_dialer_urls.ini");
}

// The brand of this build; the application identity follows it.
inline QString brand()
{
    return QStringLiteral("Halvetta");
}

inline QString webservicesSection(const QString &brand)
{
    return brand + QStringLiteral(".Webservices");
}

inline QString homeUrlsSection(const QString &brand)
{
    return brand + QStringLiteral(".HomeUrls");
}

inline QString importSection(const QString &brand)
{
    return brand + QStringLiteral(".Import");
}

} // namespace UrlConfiguration

#endif // SETTINGS_URLCONFIGURATION_H
