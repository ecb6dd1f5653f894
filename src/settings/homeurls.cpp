#include "settings/homeurls.h"

#include "settings/urlconfiguration.h"

#include <QSettings>

HomeUrls::HomeUrls()
    : HomeUrls(UrlConfiguration::resourceFile(), UrlConfiguration::brand())
{ }

HomeUrls::HomeUrls(const QString &iniFile, const QString &brand)
{
    const struct
    {
        const char *key;
        QUrl HomeUrls::*member;
    } fields[] = {
        {"buyCreditURL", &HomeUrls::m_buyCreditURL},
        {"enableVoiceMailURL", &HomeUrls::m_enableVoiceMailURL},
        {"forgotPasswordURL", &HomeUrls::m_forgotPasswordURL},
        {"homePageURL", &HomeUrls::m_homePageURL},
        {"contactURL", &HomeUrls::m_contactURL},
        {"onlineNumberURL", &HomeUrls::m_onlineNumberURL},
        {"callForwardingURL", &HomeUrls::m_callForwardingURL},
        {"viewRatesURL", &HomeUrls::m_viewRatesURL},
        {"viewSMSRatesURL", &HomeUrls::m_viewSMSRatesURL},
    };

    QSettings settings(iniFile, QSettings::IniFormat);
    settings.beginGroup(UrlConfiguration::homeUrlsSection(brand));
    for (const auto &field : fields)
        this->*field.member = QUrl(settings.value(QLatin1String(field.key)).toString());
    settings.endGroup();
}

HomeUrls *HomeUrls::instance()
{
    // Lives until the process ends; nothing may delete it.
    static HomeUrls *const urls = new HomeUrls;
    return urls;
}
