#include "importcontacts/importendpoints.h"
#include "settings/homeurls.h"
#include "settings/urlconfiguration.h"
#include "settings/webserviceurls.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

namespace {

struct WebserviceKey
{
    const char *key;
    const char *resource;
    QString (WebserviceUrls::*getter)() const;
};

// Written out here again, so that a mistyped key in the file or in the class shows.
const WebserviceKey kWebserviceKeys[] = {
    {"accountBalanceServiceBaseURL", "balance", &WebserviceUrls::accountBalanceServiceBaseURL},
    {"accountLiveBalanceServiceBaseURL", "realTimeBalance",
     &WebserviceUrls::accountLiveBalanceServiceBaseURL},
    {"accountCallForwardServiceBaseURL", "callForward", &WebserviceUrls::accountCallForwardServiceBaseURL},
    {"accountServiceBaseURL", "account", &WebserviceUrls::accountServiceBaseURL},
    {"accountVirtualNumberServiceBaseURL", "onlineNumber",
     &WebserviceUrls::accountVirtualNumberServiceBaseURL},
    {"adressBookContactServiceBaseURL", "contact", &WebserviceUrls::adressBookContactServiceBaseURL},
    {"adressBookGroupServiceBaseURL", "group", &WebserviceUrls::adressBookGroupServiceBaseURL},
    {"accountCDRsServiceBaseURL", "call", &WebserviceUrls::accountCDRsServiceBaseURL},
    {"accountVoiceMailServiceBaseURL", "voiceMail", &WebserviceUrls::accountVoiceMailServiceBaseURL},
    {"accountInviteServiceBaseURL", "invite", &WebserviceUrls::accountInviteServiceBaseURL},
    {"accountSMSServiceBaseURL", "sms", &WebserviceUrls::accountSMSServiceBaseURL},
    {"bugReportURL", "bugReport", &WebserviceUrls::bugReportURL},
};

struct HomeKey
{
    const char *key;
    const char *path;
    QUrl (HomeUrls::*getter)() const;
};

const HomeKey kHomeKeys[] = {
    {"buyCreditURL", "/recharge/rechargeProduct.htm", &HomeUrls::buyCreditURL},
    {"enableVoiceMailURL", "/eshop/inventory/callingcard/voicemail/viewVoiceMail.htm",
     &HomeUrls::enableVoiceMailURL},
    {"forgotPasswordURL", "/myaccount/login.htm", &HomeUrls::forgotPasswordURL},
    {"homePageURL", "/eshop/linkora/viewLinkoraProduct.htm", &HomeUrls::homePageURL},
    {"contactURL", "/contact.html", &HomeUrls::contactURL},
    {"onlineNumberURL", "/eshop/inventory/callingcard/virtualnumber/viewVirtualNumbers.htm",
     &HomeUrls::onlineNumberURL},
    {"callForwardingURL", "/eshop/inventory/callingcard/callforward/enableCallForward.htm",
     &HomeUrls::callForwardingURL},
    {"viewRatesURL", "/rates-and-plans.html", &HomeUrls::viewRatesURL},
    {"viewSMSRatesURL", "/sms-rates.html", &HomeUrls::viewSMSRatesURL},
};

QStringList keysOfSection(const QString &section)
{
    QSettings settings(UrlConfiguration::resourceFile(), QSettings::IniFormat);
    settings.beginGroup(section);
    QStringList keys = settings.childKeys();
    keys.sort();
    return keys;
}

template<typename Table>
QStringList keysOfTable(const Table &table)
{
    QStringList keys;
    for (const auto &entry : table)
        keys << QLatin1String(entry.key);
    keys.sort();
    return keys;
}

const QRegularExpression
    kWebserviceShape(QStringLiteral(R"(^https://([a-z0-9-]+\.)+example/webservice-5\.0/(\w+)$)"));

} // namespace

class TestUrls : public QObject
{
    Q_OBJECT

private slots:
    void brandWebservicesHaveEveryResource();
    void brandHomeUrlsHaveEveryPage();
    void everyBrandIsReadable_data();
    void everyBrandIsReadable();
    void missingFileSectionOrKeyGivesEmptyAddresses();
    void otherFileIsReadLikeTheResource();
    void baseAddressPutsEveryResourceBelowIt_data();
    void baseAddressPutsEveryResourceBelowIt();
    void sharedHomeUrlsHoldTheBrandPages();
    void importEndpointsComeFromTheConfiguration();
};

void TestUrls::brandWebservicesHaveEveryResource()
{
    QCOMPARE(UrlConfiguration::brand(), QStringLiteral("Halvetta"));
    QCOMPARE(keysOfSection(QStringLiteral("Halvetta.Webservices")), keysOfTable(kWebserviceKeys));

    const WebserviceUrls urls;
    QString host;
    for (const WebserviceKey &entry : kWebserviceKeys) {
        const QString value = (urls.*entry.getter)();
        const QRegularExpressionMatch match = kWebserviceShape.match(value);
        QVERIFY2(match.hasMatch(), qPrintable(QLatin1String(entry.key) + QStringLiteral(": ") + value));
        QCOMPARE(match.captured(2), QLatin1String(entry.resource));
        const QString thisHost = QUrl(value).host();
        if (host.isEmpty())
            host = thisHost;
        QCOMPARE(thisHost, host);
    }
}

void TestUrls::brandHomeUrlsHaveEveryPage()
{
    QCOMPARE(keysOfSection(QStringLiteral("Halvetta.HomeUrls")), keysOfTable(kHomeKeys));

    const HomeUrls urls;
    QString host;
    for (const HomeKey &entry : kHomeKeys) {
        const QUrl url = (urls.*entry.getter)();
        QVERIFY2(url.isValid(), entry.key);
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        QVERIFY2(url.host().endsWith(QLatin1String(".example")), qPrintable(url.toString()));
        QCOMPARE(url.path(), QLatin1String(entry.path));
        QVERIFY(!url.hasQuery());
        if (host.isEmpty())
            host = url.host();
        QCOMPARE(url.host(), host);
    }
}

void TestUrls::everyBrandIsReadable_data()
{
    QTest::addColumn<QString>("brand");
    QTest::addColumn<QStringList>("extraWebserviceKeys");
    QTest::addColumn<QStringList>("emptyPages");

    QTest::newRow("Halvetta") << QStringLiteral("Halvetta") << QStringList() << QStringList();
    QTest::newRow("Corvantis") << QStringLiteral("Corvantis") << QStringList() << QStringList();
    QTest::newRow("Tulimo") << QStringLiteral("Tulimo") << QStringList() << QStringList();
    QTest::newRow("DravoCom") << QStringLiteral("DravoCom")
                              << QStringList {QStringLiteral("callingCardServiceBaseURL"),
                                              QStringLiteral("defaultCallingCardServiceBaseURL")}
                              << QStringList {QStringLiteral("viewRatesURL")};
}

void TestUrls::everyBrandIsReadable()
{
    QFETCH(QString, brand);
    QFETCH(QStringList, extraWebserviceKeys);
    QFETCH(QStringList, emptyPages);

    QStringList expectedKeys = keysOfTable(kWebserviceKeys) + extraWebserviceKeys;
    expectedKeys.sort();
    QCOMPARE(keysOfSection(brand + QStringLiteral(".Webservices")), expectedKeys);
    QCOMPARE(keysOfSection(brand + QStringLiteral(".HomeUrls")), keysOfTable(kHomeKeys));

    const WebserviceUrls webservice(UrlConfiguration::resourceFile(), brand);
    for (const WebserviceKey &entry : kWebserviceKeys) {
        const QRegularExpressionMatch match = kWebserviceShape.match((webservice.*entry.getter)());
        QVERIFY2(match.hasMatch(), entry.key);
        QCOMPARE(match.captured(2), QLatin1String(entry.resource));
    }

    const HomeUrls home(UrlConfiguration::resourceFile(), brand);
    for (const HomeKey &entry : kHomeKeys) {
        const QUrl url = (home.*entry.getter)();
        if (emptyPages.contains(QLatin1String(entry.key))) {
            QVERIFY2(url.isEmpty(), entry.key);
        } else {
            QVERIFY2(url.isValid() && !url.isEmpty(), entry.key);
            QCOMPARE(url.scheme(), QStringLiteral("https"));
        }
    }
}

void TestUrls::missingFileSectionOrKeyGivesEmptyAddresses()
{
    const WebserviceUrls noFile(QStringLiteral(":/urls/no-such-file.ini"), UrlConfiguration::brand());
    const WebserviceUrls noSection(UrlConfiguration::resourceFile(), QStringLiteral("Nobody"));
    for (const WebserviceKey &entry : kWebserviceKeys) {
        QVERIFY((noFile.*entry.getter)().isEmpty());
        QVERIFY((noSection.*entry.getter)().isEmpty());
    }
    const HomeUrls noHome(UrlConfiguration::resourceFile(), QStringLiteral("Nobody"));
    for (const HomeKey &entry : kHomeKeys)
        QVERIFY((noHome.*entry.getter)().isEmpty());
}

void TestUrls::otherFileIsReadLikeTheResource()
{
    const QString file
        = TestEnvironment::freshDirectory(QStringLiteral("urls")) + QStringLiteral("/local.ini");
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue(QStringLiteral("Local.Webservices/accountServiceBaseURL"),
                          QStringLiteral("http://127.0.0.1:8080/a,b;c"));
        settings.setValue(QStringLiteral("Local.HomeUrls/contactURL"),
                          QStringLiteral("http://127.0.0.1/contact"));
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
    }

    const WebserviceUrls webservice(file, QStringLiteral("Local"));
    QCOMPARE(webservice.accountServiceBaseURL(), QStringLiteral("http://127.0.0.1:8080/a,b;c"));
    QVERIFY(webservice.accountBalanceServiceBaseURL().isEmpty());

    const HomeUrls home(file, QStringLiteral("Local"));
    QCOMPARE(home.contactURL(), QUrl(QStringLiteral("http://127.0.0.1/contact")));
    QVERIFY(home.buyCreditURL().isEmpty());
}

void TestUrls::importEndpointsComeFromTheConfiguration()
{
    // Every brand names the providers' addresses; none has a Yahoo key.
    for (const QString &brand : {"Halvetta", "Corvantis", "Tulimo", "DravoCom"}) {
        const YahooEndpoints yahoo = YahooEndpoints::configured(UrlConfiguration::resourceFile(), brand);
        const YahooEndpoints own = YahooEndpoints::provider();
        QCOMPARE(yahoo.requestToken, own.requestToken);
        QCOMPARE(yahoo.accessToken, own.accessToken);
        QCOMPARE(yahoo.contactList, own.contactList);
        QCOMPARE(yahoo.credentialHosts, own.credentialHosts);
        QVERIFY2(!yahoo.unavailableReason().isEmpty(), qPrintable(brand));
        const GoogleEndpoints google = GoogleEndpoints::configured(UrlConfiguration::resourceFile(), brand);
        QCOMPARE(google.contacts, GoogleEndpoints::provider().contacts);
        QCOMPARE(google.credentialHosts, GoogleEndpoints::provider().credentialHosts);
    }

    // A brand with its registration and hosts of its own.
    const QString file
        = TestEnvironment::freshDirectory(QStringLiteral("import-urls")) + QStringLiteral("/local.ini");
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.beginGroup(UrlConfiguration::importSection(QStringLiteral("Local")));
        settings.setValue(QStringLiteral("yahooRequestTokenURL"), QStringLiteral("https://127.0.0.1:9/rt"));
        settings.setValue(QStringLiteral("yahooContactListURL"),
                          QStringLiteral("https://127.0.0.1:9/u/%1/c"));
        settings.setValue(QStringLiteral("yahooCredentialHosts"), QStringLiteral("127.0.0.1 localhost"));
        settings.setValue(QStringLiteral("yahooConsumerKey"), QStringLiteral("key-1"));
        settings.setValue(QStringLiteral("yahooConsumerSecret"), QStringLiteral("secret-1"));
        settings.setValue(QStringLiteral("googleSignInURL"), QStringLiteral("https://127.0.0.1:9/login"));
        settings.endGroup();
    }
    const YahooEndpoints yahoo = YahooEndpoints::configured(file, QStringLiteral("Local"));
    QCOMPARE(yahoo.requestToken, QUrl(QStringLiteral("https://127.0.0.1:9/rt")));
    QCOMPARE(yahoo.accessToken, YahooEndpoints::provider().accessToken);
    QCOMPARE(yahoo.contactList, QStringLiteral("https://127.0.0.1:9/u/%1/c"));
    QCOMPARE(yahoo.credentialHosts, (QStringList {"127.0.0.1", "localhost"}));
    QCOMPARE(yahoo.consumerKey, QStringLiteral("key-1"));
    QCOMPARE(yahoo.consumerSecret, QStringLiteral("secret-1"));
    QCOMPARE(yahoo.unavailableReason(), QString());
    QCOMPARE(GoogleEndpoints::configured(file, QStringLiteral("Local")).signIn,
             QUrl(QStringLiteral("https://127.0.0.1:9/login")));
}

void TestUrls::baseAddressPutsEveryResourceBelowIt_data()
{
    QTest::addColumn<QUrl>("base");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("server root") << QUrl(QStringLiteral("http://127.0.0.1:4711"))
                                 << QStringLiteral("http://127.0.0.1:4711/");
    QTest::newRow("folder with slash") << QUrl(QStringLiteral("http://127.0.0.1:4711/webservice-5.0/"))
                                       << QStringLiteral("http://127.0.0.1:4711/webservice-5.0/");
}

void TestUrls::baseAddressPutsEveryResourceBelowIt()
{
    QFETCH(QUrl, base);
    QFETCH(QString, prefix);
    const WebserviceUrls urls(base);
    for (const WebserviceKey &entry : kWebserviceKeys)
        QCOMPARE((urls.*entry.getter)(), prefix + QLatin1String(entry.resource));
}

void TestUrls::sharedHomeUrlsHoldTheBrandPages()
{
    HomeUrls *shared = HomeUrls::instance();
    QVERIFY(shared);
    QCOMPARE(HomeUrls::instance(), shared);
    const HomeUrls own;
    for (const HomeKey &entry : kHomeKeys)
        QCOMPARE((shared->*entry.getter)(), (own.*entry.getter)());
}

LINKORA_TEST_MAIN(TestUrls)
#include "tst_urls.moc"
