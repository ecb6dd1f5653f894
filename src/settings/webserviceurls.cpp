#include "settings/webserviceurls.h"

#include "settings/urlconfiguration.h"

#include <QSettings>

// The keys are the service's own names, "adress" with one "d" included.
const WebserviceUrls::Field WebserviceUrls::s_fields[] = {
    {"accountBalanceServiceBaseURL", "balance", &WebserviceUrls::m_accountBalanceServiceBaseURL},
    {"accountLiveBalanceServiceBaseURL", "realTimeBalance",
     &WebserviceUrls::m_accountLiveBalanceServiceBaseURL},
    {"accountCallForwardServiceBaseURL", "callForward", &WebserviceUrls::m_accountCallForwardServiceBaseURL},
    {"accountServiceBaseURL", "account", &WebserviceUrls::m_accountServiceBaseURL},
    {"accountVirtualNumberServiceBaseURL", "onlineNumber",
     &WebserviceUrls::m_accountVirtualNumberServiceBaseURL},
    {"adressBookContactServiceBaseURL", "contact", &WebserviceUrls::m_adressBookContactServiceBaseURL},
    {"adressBookGroupServiceBaseURL", "group", &WebserviceUrls::m_adressBookGroupServiceBaseURL},
    {"accountCDRsServiceBaseURL", "call", &WebserviceUrls::m_accountCDRsServiceBaseURL},
    {"accountVoiceMailServiceBaseURL", "voiceMail", &WebserviceUrls::m_accountVoiceMailServiceBaseURL},
    {"accountInviteServiceBaseURL", "invite", &WebserviceUrls::m_accountInviteServiceBaseURL},
    {"accountSMSServiceBaseURL", "sms", &WebserviceUrls::m_accountSMSServiceBaseURL},
    {"bugReportURL", "bugReport", &WebserviceUrls::m_bugReportURL},
};

WebserviceUrls::WebserviceUrls()
    : WebserviceUrls(UrlConfiguration::resourceFile(), UrlConfiguration::brand())
{ }

WebserviceUrls::WebserviceUrls(const QString &iniFile, const QString &brand)
{
    QSettings settings(iniFile, QSettings::IniFormat);
    settings.beginGroup(UrlConfiguration::webservicesSection(brand));
    for (const Field &field : s_fields)
        this->*field.member = settings.value(QLatin1String(field.key)).toString();
    settings.endGroup();
}

WebserviceUrls::WebserviceUrls(const QUrl &baseAddress)
{
    const QString base = baseAddress.toString(QUrl::StripTrailingSlash) + QLatin1Char('/');
    for (const Field &field : s_fields)
        this->*field.member = base + QLatin1String(field.resource);
}
