#include "importcontacts/googleimporter.h"
#include "importcontacts/yahooimporter.h"
#include "support/googlestandin.h"
#include "support/testenvironment.h"
#include "support/testtls.h"
#include "support/yahoostandin.h"

#include <QNetworkProxyFactory>
#include <QPointer>
#include <QtTest>

#include <memory>

class TestContactImporter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void destroyedWithAReplyInFlight_data();
    void destroyedWithAReplyInFlight();
};

void TestContactImporter::initTestCase()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QVERIFY2(TestTls::credentials().isValid(), qPrintable(TestTls::credentials().error));
    TestTls::trustAuthority();
}

void TestContactImporter::destroyedWithAReplyInFlight_data()
{
    QTest::addColumn<bool>("yahoo");
    QTest::addColumn<int>("requestsBefore"); // answered before the one left in flight
    QTest::newRow("google, sign-in") << false << 0;
    QTest::newRow("google, contact feed") << false << 1;
    QTest::newRow("yahoo, request token") << true << 0;
    QTest::newRow("yahoo, sign-in page") << true << 2;
}

void TestContactImporter::destroyedWithAReplyInFlight()
{
    QFETCH(bool, yahoo);
    QFETCH(int, requestsBefore);
    GoogleStandIn google;
    YahooStandIn yahooStandIn;
    ProviderStandIn &standIn = yahoo ? static_cast<ProviderStandIn &>(yahooStandIn) : google;
    QVERIFY(standIn.listen());
    google.setAccount(QStringLiteral("jo"), QStringLiteral("pw"));
    yahooStandIn.setAccount(QStringLiteral("jo"), QStringLiteral("pw"));

    QPointer<ContactImporter> importer = yahoo
        ? static_cast<ContactImporter *>(new YahooImporter(yahooStandIn.endpoints()))
        : new GoogleImporter(google.endpoints());
    int ends = 0;
    for (auto signal :
         {&ContactImporter::finished, &ContactImporter::networkError, &ContactImporter::errorLoggingIn})
        connect(importer, signal, this, [&ends] { ++ends; });
    // Every answer takes its time: the importer is gone before the last asked
    // one comes.
    standIn.setAnswerDelay(300);
    importer->startImportingContacts(QStringLiteral("jo"), QStringLiteral("pw"));
    QTRY_COMPARE(standIn.requests().size(), requestsBefore + 1);
    delete importer;
    QVERIFY(importer.isNull());
    // Its answer, or the end of its connection, finds nothing to call.
    QTRY_COMPARE(standIn.pendingAnswers(), 0);
    QCOMPARE(ends, 0);
}

LINKORA_TEST_MAIN(TestContactImporter)
#include "tst_contactimporter.moc"
