#ifndef SETTINGS_HOMEURLS_H
#define SETTINGS_HOMEURLS_H

#include <QString>
#include <QUrl>

// The brand's web pages that the user interface opens in the browser. Read
// once, at construction; a missing file, section or key, or an empty value,
// gives an empty URL.
class HomeUrls
{
public:
    // The brand's pages from the built-in URL configuration.
    HomeUrls();
    // One brand's pages from another INI file of the same layout.
    HomeUrls(const QString &iniFile, const QString &brand);

    // A process-wide set for the pages and labels that open web pages
    // themselves; it holds the same values as any other default-built set.
    static HomeUrls *instance();

    QUrl buyCreditURL() const { return m_buyCreditURL; }
    QUrl enableVoiceMailURL() const { return m_enableVoiceMailURL; }
    QUrl forgotPasswordURL() const { return m_forgotPasswordURL; }
    QUrl homePageURL() const { return m_homePageURL; }
    QUrl contactURL() const { return m_contactURL; }
    QUrl onlineNumberURL() const { return m_onlineNumberURL; }
    QUrl callForwardingURL() const { return m_callForwardingURL; }
    QUrl viewRatesURL() const { return m_viewRatesURL; }
    QUrl viewSMSRatesURL() const { return m_viewSMSRatesURL; }

private:
    QUrl m_buyCreditURL;
    QUrl m_enableVoiceMailURL;
    QUrl m_forgotPasswordURL;
    QUrl m_homePageURL;
    QUrl m_contactURL;
    QUrl m_onlineNumberURL;
    QUrl m_callForwardingURL;
    QUrl m_viewRatesURL;
    QUrl m_viewSMSRatesURL;
};

#endif // SETTINGS_HOMEURLS_H
