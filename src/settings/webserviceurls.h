#ifndef SETTINGS_WEBSERVICEURLS_H
#define SETTINGS_WEBSERVICEURLS_H

#include <QString>
#include <QUrl>

// The base URL of every resource of the account web service. Read once, at
// construction; a missing file, section or key leaves the address empty.
class WebserviceUrls
{
public:
    // The brand's addresses from the built-in URL configuration.
    WebserviceUrls();
    // One brand's addresses from another INI file of the same layout.
    WebserviceUrls(const QString &iniFile, const QString &brand);

    // Every resource directly below one address ("<base>/<resource name>"),
    // e.g. a local stand-in server.
    explicit WebserviceUrls(const QUrl &baseAddress);

    QString accountBalanceServiceBaseURL() const { return m_accountBalanceServiceBaseURL; }
    QString accountLiveBalanceServiceBaseURL() const { return m_accountLiveBalanceServiceBaseURL; }
    QString accountCallForwardServiceBaseURL() const { return m_accountCallForwardServiceBaseURL; }
    QString accountServiceBaseURL() const { return m_accountServiceBaseURL; }
    QString accountVirtualNumberServiceBaseURL() const { return m_accountVirtualNumberServiceBaseURL; }
    QString adressBookContactServiceBaseURL() const { return m_adressBookContactServiceBaseURL; }
    QString adressBookGroupServiceBaseURL() const { return m_adressBookGroupServiceBaseURL; }
    QString accountCDRsServiceBaseURL() const { return m_accountCDRsServiceBaseURL; }
    QString accountVoiceMailServiceBaseURL() const { return m_accountVoiceMailServiceBaseURL; }
    QString accountInviteServiceBaseURL() const { return m_accountInviteServiceBaseURL; }
    QString accountSMSServiceBaseURL() const { return m_accountSMSServiceBaseURL; }
    QString bugReportURL() const { return m_bugReportURL; }

private:
    struct Field
    {
        const char *key;
        const char *resource;
        QString WebserviceUrls::*member;
    };
    static const Field s_fields[];

    QString m_accountBalanceServiceBaseURL;
    QString m_accountLiveBalanceServiceBaseURL;
    QString m_accountCallForwardServiceBaseURL;
    QString m_accountServiceBaseURL;
    QString m_accountVirtualNumberServiceBaseURL;
    QString m_adressBookContactServiceBaseURL;
    QString m_adressBookGroupServiceBaseURL;
    QString m_accountCDRsServiceBaseURL;
    QString m_accountVoiceMailServiceBaseURL;
    QString m_accountInviteServiceBaseURL;
    QString m_accountSMSServiceBaseURL;
    QString m_bugReportURL;
};

#endif // SETTINGS_WEBSERVICEURLS_H
