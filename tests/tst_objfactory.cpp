#include "history/callhistory.h"
#include "history/history.h"
#include "history/loginhistory.h"
#include "history/numberhistory.h"
#include "objfactory.h"
#include "phone/phone.h"
#include "rest/restmanager.h"
#include "settings/dbstore.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "settings/webserviceurls.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "talk/plixtalk.h"
#include "ui/contactmanager.h"
#include "update/updater.h"
#include "util/installationidstore.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QtTest>

#include <memory>

class TestObjFactory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void accessorsKeepTheirObject();
    void phoneFirstCreatesItsServicesInOrder();
    void contactManagerMadeEarlierGoesToPhone();
    void restManagerReachesTheConfiguredService();
    void programOfAStandInServiceDoesNotStartWithTheSession();
    void databaseLoadedOnceAndClosedAtTheEnd();

private:
    std::unique_ptr<WebserviceStandIn> m_server;
};

void TestObjFactory::initTestCase()
{
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    QCoreApplication::setApplicationVersion(QStringLiteral("2.3.4"));
}

void TestObjFactory::init()
{
    TalkTesting::useStandIn();
    TalkTesting::control()->reset();
    m_server = std::make_unique<WebserviceStandIn>();
    QVERIFY(m_server->listen());
    ObjFactory::setWebserviceBaseUrl(m_server->baseUrl());
}

void TestObjFactory::cleanup()
{
    ObjFactory::setWebserviceBaseUrl(QUrl());
    m_server.reset();
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
}

void TestObjFactory::accessorsKeepTheirObject()
{
    QVERIFY(ObjFactory::instance());
    QCOMPARE(ObjFactory::instance(), ObjFactory::instance());

    ObjFactory factory;
    QVERIFY(factory.dbStore());
    QCOMPARE(factory.dbStore(), factory.dbStore());
    QCOMPARE(factory.webserviceUrls(), factory.webserviceUrls());
    QCOMPARE(factory.homeUrls(), factory.homeUrls());
    QVERIFY(factory.homeUrls() != HomeUrls::instance());
    QCOMPARE(factory.restManager(), factory.restManager());
    QCOMPARE(factory.plixTalk(), factory.plixTalk());
    QCOMPARE(factory.installationIdStore(), factory.installationIdStore());
    QVERIFY(!factory.installationIdStore()->id().isEmpty());
    QCOMPARE(factory.settings(), factory.settings());
    QCOMPARE(factory.contactManager(), factory.contactManager());
    QCOMPARE(factory.phone(), factory.phone());
    QCOMPARE(factory.updater(), factory.updater());
    QCOMPARE(factory.updater()->currentVersion, QStringLiteral("2.3.4"));

    History *history = factory.history();
    QCOMPARE(factory.history(), history);
    QCOMPARE(history->parent(), &factory);
    QVERIFY(history->callHistory());
    QCOMPARE(history->callHistory(), history->callHistory());
    QCOMPARE(history->loginHistory(), history->loginHistory());
    QCOMPARE(history->numberHistory(), history->numberHistory());
    QCOMPARE(history->numberHistory()->parent(), history);

    // The talk object is the session the value types reach the library through.
    QVERIFY(factory.plixTalk()->isLibraryLoaded());
    QCOMPARE(talk::PlixTalk::objectFactory(), factory.plixTalk()->factory());
}

void TestObjFactory::phoneFirstCreatesItsServicesInOrder()
{
    ObjFactory factory;
    Phone *phone = factory.phone();

    // Owned services that are Qt children, in the order they were made.
    QList<QObject *> children;
    for (QObject *child : factory.children())
        children << child;
    QCOMPARE(children.size(), 6);
    QVERIFY(qobject_cast<DbStore *>(children.at(0)));
    QCOMPARE(children.at(1), phone);
    QCOMPARE(children.at(2), factory.plixTalk());
    QCOMPARE(children.at(3), factory.contactManager());
    QCOMPARE(children.at(4), factory.settings());
    // Phone records finished calls in the call history.
    QCOMPARE(children.at(5), factory.history());
    QCOMPARE(phone->talk(), factory.plixTalk());
    // Asking for Phone opened the database.
    QVERIFY(QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
    QCOMPARE(factory.restManager()->parent(), nullptr);
}

void TestObjFactory::contactManagerMadeEarlierGoesToPhone()
{
    ObjFactory factory;
    ContactManager *contacts = factory.contactManager();
    Contact contact;
    contact.setNick(QStringLiteral("ann"));
    contact.setGroupName(QStringLiteral("Work"));
    contacts->setContacts({contact});
    QVERIFY(contacts->contact(QStringLiteral("ann")));

    // Phone's logout empties the book it was given.
    QSignalSpy logout(factory.phone(), &Phone::logoutSuccessful);
    factory.phone()->logout();
    QCOMPARE(logout.size(), 1);
    QVERIFY(!contacts->contact(QStringLiteral("ann")));
}

void TestObjFactory::restManagerReachesTheConfiguredService()
{
    m_server->addAccount(QStringLiteral("bob"), QStringLiteral("pw"));
    ObjFactory factory;
    // Made first, then reused by the manager.
    WebserviceUrls *urls = factory.webserviceUrls();
    QCOMPARE(urls->accountBalanceServiceBaseURL(), m_server->resourceBaseUrl(QStringLiteral("balance")));

    Phone *phone = factory.phone();
    RestManager *rest = factory.restManager();
    QSignalSpy balance(rest, qOverload<const Balance &>(&RestManager::requestFinished));
    MessageCatcher traces;
    rest->setUsername(QStringLiteral("bob"));
    rest->setPassword(QStringLiteral("pw"));
    rest->getBalance();
    QVERIFY(balance.wait());
    QCOMPARE(balance.first().at(0).value<Balance>().credit(), 10.0);
    // It reached the Phone, which takes no credit while nobody is signed in.
    QVERIFY(traces.contains(QStringLiteral("Balance dropped: not signed in")));
    QCOMPARE(phone->balance().credit(), 0.0);

    // The request carried this installation's id.
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(QString::fromLatin1(m_server->requests().first().header("osid")),
             factory.installationIdStore()->id());
}

void TestObjFactory::programOfAStandInServiceDoesNotStartWithTheSession()
{
    {
        ObjFactory demo;
        QVERIFY(!demo.settings()->isAutostartAvailable());
    }
    ObjFactory::setWebserviceBaseUrl(QUrl());
    ObjFactory installed;
    QVERIFY(installed.settings()->isAutostartAvailable());
}

void TestObjFactory::databaseLoadedOnceAndClosedAtTheEnd()
{
    MessageCatcher traces;
    {
        ObjFactory factory;
        factory.settings();
        factory.history();
        factory.loadDb();
        factory.loadDb();
        QVERIFY(QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
    }
    QCOMPARE(traces.messages().filter(QStringLiteral("loading databases for settings and history")).size(),
             1);
    QVERIFY(traces.contains(QStringLiteral("Closed databases for settings and history.")));
    // One load, one close: the connection is gone.
    QVERIFY(!QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)));
}

LINKORA_TEST_MAIN(TestObjFactory)
#include "tst_objfactory.moc"
