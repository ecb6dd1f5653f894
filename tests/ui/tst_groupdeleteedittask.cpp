#include "rest/restmanager.h"
#include "rest/resttesthelpers.h"
#include "settings/webserviceurls.h"
#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "ui/contactmanager.h"
#include "ui/groupdeleteedittask.h"
#include "util/installationidstore.h"
#include "util/trace.h"

#include <QApplication>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString kUser = QStringLiteral("bob");
const QString kPassword = QStringLiteral("pw");

using Request = WebserviceStandIn::Request;

Contact contact(const QString &nick, const QString &group, const QString &number = QString())
{
    Contact result;
    result.setNick(nick);
    result.setGroupName(group);
    result.setFirstName(nick.toUpper());
    if (!number.isEmpty()) {
        PhoneNumber phone;
        phone.setNumber(number);
        result.setPhones({phone});
    }
    return result;
}

QJsonObject record(const Contact &contact)
{
    return {{QStringLiteral("nick"), contact.nick()},
            {QStringLiteral("groupName"), contact.groupName()},
            {QStringLiteral("firstName"), contact.firstName()}};
}

// "DELETE contact amy", "PUT group", ...
QString describe(const Request &request)
{
    QStringList parts {QString::fromLatin1(request.method), request.resource};
    if (!request.key().isEmpty())
        parts << request.key();
    return parts.join(QLatin1Char(' '));
}

} // namespace

// An announcer of invitations, as the contact import has.
class InviteSource : public QObject
{
    Q_OBJECT
signals:
    void invite(const Invite &invite);
};

class TestGroupAddEditDeleteTask : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void deletingAGroupWithItsContacts();
    void deletingAGroupMovingItsContacts();
    void groupChangesWaitForTheirAnswers();
    void failuresEndTheStepAtOnce_data();
    void failuresEndTheStepAtOnce();
    void trickledAnswerIsNotTakenForTheNext();
    void logoutClearsTheAwaitedStep();
    void addingAGroupWithANewContact_data();
    void addingAGroupWithANewContact();
    void addingAGroupAndMovingAContact();
    void missingDefaultGroupsAreSent();
    void eachInvitationConnectionDeliversOnce();
    void everyContactGetsItsOwnNick();
    void traceHoldsNoNamesNumbersOrAddresses();

private:
    // Puts the contact into both the service's and the local book.
    void seed(const Contact &contact);
    void seedGroup(const QString &name);
    QStringList described() const;
    // Waits until the task is idle and every request has its answer.
    bool settled() const;
    // Each change went out only after the answer to the one before, or after
    // the client gave that one up.
    void verifyOneAtATime() const;

    InstallationIdStore m_ids;
    std::unique_ptr<WebserviceStandIn> m_server;
    std::unique_ptr<WebserviceUrls> m_urls;
    std::unique_ptr<RestManager> m_rest;
    std::unique_ptr<ContactManager> m_book;
    GroupAddEditDeleteTask *m_task = nullptr;
};

void TestGroupAddEditDeleteTask::initTestCase()
{
    m_ids.load();
    QVERIFY(InstallationIdStore::isValid(m_ids.id()));
}

void TestGroupAddEditDeleteTask::init()
{
    m_server = std::make_unique<WebserviceStandIn>();
    QVERIFY(m_server->listen());
    m_server->addAccount(kUser, kPassword);
    m_urls = std::make_unique<WebserviceUrls>(m_server->baseUrl());
    m_rest = std::make_unique<RestManager>();
    m_rest->setUrls(m_urls.get());
    m_rest->setInstallationIdStore(&m_ids);
    m_rest->setUsername(kUser);
    m_rest->setPassword(kPassword);
    m_book = std::make_unique<ContactManager>();
    m_book->setRestManager(m_rest.get());
    m_task = m_book->findChild<GroupAddEditDeleteTask *>();
    QVERIFY(m_task);
}

void TestGroupAddEditDeleteTask::cleanup()
{
    m_book.reset();
    m_rest.reset();
    m_urls.reset();
    m_server.reset();
}

void TestGroupAddEditDeleteTask::seedGroup(const QString &name)
{
    m_server->addGroup(kUser, name);
    m_book->addOldGroup(name);
}

void TestGroupAddEditDeleteTask::seed(const Contact &contact)
{
    m_server->addContact(kUser, record(contact));
    m_book->addOldContact(contact);
}

QStringList TestGroupAddEditDeleteTask::described() const
{
    QStringList result;
    for (const Request &request : m_server->requests())
        result << describe(request);
    return result;
}

bool TestGroupAddEditDeleteTask::settled() const
{
    if (m_task->isBusy())
        return false;
    for (const Request &request : m_server->requests()) {
        if (request.answeredAt < 0 && !request.abandoned)
            return false;
    }
    return true;
}

void TestGroupAddEditDeleteTask::verifyOneAtATime() const
{
    const Request *previous = nullptr;
    for (const Request &request : m_server->requests()) {
        if (request.method == "GET")
            continue;
        if (previous && !previous->abandoned)
            QVERIFY2(request.receivedAt >= previous->answeredAt, qPrintable(describe(request)));
        previous = &request;
    }
}

void TestGroupAddEditDeleteTask::deletingAGroupWithItsContacts()
{
    seedGroup(QStringLiteral("Work"));
    seedGroup(QStringLiteral("Family"));
    for (const QString &nick : {QStringLiteral("cid"), QStringLiteral("amy"), QStringLiteral("bea")})
        seed(contact(nick, QStringLiteral("Work"), QStringLiteral("+49 %1").arg(nick.size())));
    seed(contact(QStringLiteral("dan"), QStringLiteral("Family")));
    // Slow answers: a step must still wait for its own.
    for (int i = 0; i < 3; ++i)
        m_server->delayNext(60, {QStringLiteral("contact"), "DELETE"});
    QSignalSpy succeeded(m_task, &GroupAddEditDeleteTask::success);
    QSignalSpy failed(m_task, &GroupAddEditDeleteTask::error);

    m_book->deleteGroupAndContacts(QStringLiteral("Work"));

    QTRY_COMPARE(described(),
                 (QStringList {"DELETE contact amy", "DELETE contact bea", "DELETE contact cid",
                               "DELETE group Work"}));
    QTRY_VERIFY(settled());
    verifyOneAtATime();
    QCOMPARE(m_server->contactNicks(kUser), QStringList {"dan"});
    QCOMPARE(m_server->groups(kUser), QStringList {"Family"});
    QCOMPARE(succeeded.count(), 1);
    QCOMPARE(failed.count(), 0);
}

void TestGroupAddEditDeleteTask::deletingAGroupMovingItsContacts()
{
    seedGroup(QStringLiteral("Work"));
    seedGroup(QStringLiteral("Family"));
    seed(contact(QStringLiteral("bea"), QStringLiteral("Work")));
    seed(contact(QStringLiteral("amy"), QStringLiteral("Work")));
    const ContactPtr amy = m_book->contact(QStringLiteral("amy"));

    m_book->deleteGroupMoveContacts(QStringLiteral("Work"), QStringLiteral("Family"));
    // The book has them in the target at once.
    QCOMPARE(m_book->group(QStringLiteral("Family"))->contactCount(), 2);
    QCOMPARE(amy->groupName(), QStringLiteral("Family"));

    QTRY_COMPARE(described(), (QStringList {"POST contact amy", "POST contact bea", "DELETE group Work"}));
    QTRY_VERIFY(settled());
    verifyOneAtATime();
    QCOMPARE(m_server->contact(kUser, QStringLiteral("bea")).value(QStringLiteral("groupName")).toString(),
             QStringLiteral("Family"));
    QCOMPARE(m_server->groups(kUser), QStringList {"Family"});
}

void TestGroupAddEditDeleteTask::groupChangesWaitForTheirAnswers()
{
    seedGroup(QStringLiteral("Work"));
    seedGroup(QStringLiteral("Club"));
    seed(contact(QStringLiteral("amy"), QStringLiteral("Work")));
    m_server->delayNext(150, {QStringLiteral("group"), "DELETE"});
    m_server->delayNext(150, {QStringLiteral("group"), "POST"});
    QSignalSpy refreshed(m_book.get(), &ContactManager::refreshContactListUI);
    QSignalSpy succeeded(m_task, &GroupAddEditDeleteTask::success);

    m_book->deleteGroupAndContacts(QStringLiteral("Club"));
    QCOMPARE(refreshed.count(), 2); // the book's change, then the group's request sent at once
    m_book->addNewGroup(QStringLiteral("Club")); // the same name again
    m_book->updateGroup(QStringLiteral("Work"), QStringLiteral("Work"));
    m_book->updateGroup(QStringLiteral("Work"), QStringLiteral("Job & Co"));
    m_book->addNewContact(contact(QStringLiteral("eve"), QStringLiteral("Job & Co"), QStringLiteral("1")));
    QTRY_VERIFY(settled());
    QCOMPARE(described(),
             (QStringList {"DELETE group Club", "PUT group", "POST group Work", "POST group Work",
                           "PUT contact eve"}));
    verifyOneAtATime();
    QCOMPARE(m_server->groups(kUser), (QStringList {"Job & Co", "Club"}));

    // Both books agree on where the contact is, so it can be deleted.
    QCOMPARE(m_book->contact(QStringLiteral("amy"))->groupName(), QStringLiteral("Job & Co"));
    QCOMPARE(m_server->contact(kUser, QStringLiteral("amy")).value(QStringLiteral("groupName")).toString(),
             QStringLiteral("Job & Co"));
    m_book->deleteContact(QStringLiteral("amy"));
    QTRY_VERIFY(settled());
    QCOMPARE(m_server->contactNicks(kUser), QStringList {"eve"});
    QCOMPARE(succeeded.count(), 6);
}

void TestGroupAddEditDeleteTask::failuresEndTheStepAtOnce_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<int>("status"); // -1: connection dropped; 200: the service's refusal; 0: none
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("shown");

    QTest::newRow("contact DELETE 404: group kept")
        << 0 << "contact" << QByteArray("DELETE") << 404 << QStringList {"DELETE contact amy"} << "\"Work\"";
    QTest::newRow("contact PUT refused") << 1 << "contact" << QByteArray("PUT") << 200
                                         << QStringList {"PUT contact eve"} << "Contact limit reached.";
    QTest::newRow("group POST dropped")
        << 2 << "group" << QByteArray("POST") << -1 << QStringList {"POST group Work"} << "Work";
    QTest::newRow("group POST refused")
        << 2 << "group" << QByteArray("POST") << 200 << QStringList {"POST group Work"} << "Name taken.";
    QTest::newRow("group DELETE 500")
        << 3 << "group" << QByteArray("DELETE") << 500 << QStringList {"DELETE group Club"} << "Club";
    QTest::newRow("group PUT 503: no contact")
        << 4 << "group" << QByteArray("PUT") << 503 << QStringList {"PUT group"} << "Pals";
    QTest::newRow("nameless group: not sent") << 5 << "" << QByteArray() << 0 << QStringList {} << "renamed";
}

void TestGroupAddEditDeleteTask::failuresEndTheStepAtOnce()
{
    QFETCH(int, action);
    QFETCH(QString, resource);
    QFETCH(QByteArray, method);
    QFETCH(int, status);
    QFETCH(QStringList, sent);
    QFETCH(QString, shown);

    // Far longer than the test may take: the failure itself must end the step.
    m_task->setAnswerTimeout(60000);
    seedGroup(QStringLiteral("Work"));
    seedGroup(QStringLiteral("Club"));
    seed(contact(QStringLiteral("amy"), QStringLiteral("Work")));
    const WebserviceStandIn::Match match {resource, method};
    if (status < 0)
        m_server->dropNext(match);
    else if (status == 200)
        m_server->answerNextWithApplicationError(shown, {}, match);
    else if (status > 0)
        m_server->answerNextWithStatus(status, match);
    QSignalSpy failed(m_task, &GroupAddEditDeleteTask::error);
    QSignalSpy told(m_book.get(), &ContactManager::writeFailed);

    const Contact eve = contact(QStringLiteral("eve"), QStringLiteral("Work"), QStringLiteral("1"));
    if (action == 0 || action == 3)
        m_book->deleteGroupAndContacts(action ? QStringLiteral("Club") : QStringLiteral("Work"));
    else if (action == 1)
        m_book->addNewContact(eve);
    else if (action == 2)
        m_book->updateGroup(QStringLiteral("Work"), QStringLiteral("Job"));
    else if (action == 4)
        m_book->addNewGroupAndNewContact(eve, QStringLiteral("Pals"));
    else
        m_book->updateGroup(QString(), QStringLiteral("Job"));
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 3000);
    QCOMPARE(described(), sent);
    QCOMPARE(told.count(), 1);
    const QString message = told.first().first().toString();
    QVERIFY2(message.contains(shown), qPrintable(message));

    // The next change goes out as usual.
    m_book->addNewContact(contact(QStringLiteral("zoe"), QStringLiteral("Club"), QStringLiteral("9")));
    QTRY_COMPARE(described(), sent + QStringList {"PUT contact zoe"});
    QTRY_VERIFY(settled());
    QCOMPARE(failed.count(), 1);
}

void TestGroupAddEditDeleteTask::trickledAnswerIsNotTakenForTheNext()
{
    m_task->setAnswerTimeout(500);
    seedGroup(QStringLiteral("Work"));
    for (const QString &nick : {QStringLiteral("amy"), QStringLiteral("bea"), QStringLiteral("cid")})
        seed(contact(nick, QStringLiteral("Work")));
    // amy's answer trickles in long after its time is up; bea's comes late,
    // but in time.
    const WebserviceStandIn::Match deletion {QStringLiteral("contact"), "DELETE"};
    m_server->answerNextTrickling("null", 1, 160, 200, deletion);
    m_server->delayNext(1, deletion);
    m_server->delayNext(300, deletion);
    QSignalSpy failed(m_task, &GroupAddEditDeleteTask::error);
    QSignalSpy succeeded(m_task, &GroupAddEditDeleteTask::success);

    for (const QString &nick : {QStringLiteral("amy"), QStringLiteral("bea"), QStringLiteral("cid")})
        m_book->deleteContact(nick);
    QTRY_COMPARE(succeeded.count(), 2);
    QTRY_VERIFY(settled());
    QCOMPARE(described(), (QStringList {"DELETE contact amy", "DELETE contact bea", "DELETE contact cid"}));
    verifyOneAtATime();
    QVERIFY(m_server->requests().first().abandoned);
    QCOMPARE(failed.count(), 1);
}

void TestGroupAddEditDeleteTask::logoutClearsTheAwaitedStep()
{
    seedGroup(QStringLiteral("Work"));
    seed(contact(QStringLiteral("amy"), QStringLiteral("Work")));
    seed(contact(QStringLiteral("bea"), QStringLiteral("Work")));
    m_server->delayNext(300, {QStringLiteral("contact"), "DELETE"});
    QSignalSpy failed(m_task, &GroupAddEditDeleteTask::error);

    m_book->deleteGroupAndContacts(QStringLiteral("Work"));
    QTRY_COMPARE(m_server->requests().size(), 1);
    // Logged out while the first deletion waits for its answer: the rest
    // could go out under the next user's name.
    m_book->clear();
    QVERIFY(!m_task->isBusy());
    // The next change goes out at once.
    m_book->addNewContact(contact(QStringLiteral("eve"), QStringLiteral("Family"), QStringLiteral("2")));
    QTRY_COMPARE(described(), (QStringList {"DELETE contact amy", "PUT contact eve"}));
    QTRY_VERIFY(settled());
    QVERIFY(m_server->requests().first().abandoned);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(m_server->groups(kUser), QStringList {"Work"});
}

void TestGroupAddEditDeleteTask::addingAGroupWithANewContact_data()
{
    QTest::addColumn<int>("groupAnswer"); // 0: the group echoed; -1: the book has the group
    QTest::newRow("group echoed") << 0;
    QTest::newRow("empty 201") << 201;
    QTest::newRow("group already in the book") << -1;
}

void TestGroupAddEditDeleteTask::addingAGroupWithANewContact()
{
    QFETCH(int, groupAnswer);
    if (groupAnswer < 0)
        seedGroup(QStringLiteral("Club"));
    else if (groupAnswer > 0)
        m_server->answerNextTersely(groupAnswer, {QStringLiteral("group"), "PUT"});
    Contact ann = contact(QString(), QStringLiteral("Family"), QStringLiteral("+4930"));
    ann.setFirstName(QStringLiteral("Ann"));
    QSignalSpy succeeded(m_task, &GroupAddEditDeleteTask::success);

    m_book->addNewGroupAndNewContact(ann, QStringLiteral("Club"));
    const QList<ContactPtr> club = m_book->group(QStringLiteral("Club"))->contacts();
    QCOMPARE(club.size(), 1);
    const QString nick = club.first()->nick();
    QVERIFY(nick.startsWith(QLatin1String("Ann+4930")));

    QStringList expected {QStringLiteral("PUT contact ") + nick};
    if (groupAnswer >= 0)
        expected.prepend(QStringLiteral("PUT group"));
    QTRY_COMPARE(described(), expected);
    QTRY_VERIFY(settled());
    verifyOneAtATime();
    if (groupAnswer >= 0)
        QCOMPARE(
            m_server->requests().first().body,
            QByteArray("{ \"class\" : \"com.dravomesh.phone.integration.Group\", \"name\" : \"Club\" }"));
    QCOMPARE(m_server->contact(kUser, nick).value(QStringLiteral("groupName")).toString(),
             QStringLiteral("Club"));
    QCOMPARE(m_server->groups(kUser), QStringList {"Club"});
    QCOMPARE(succeeded.count(), 1);
}

void TestGroupAddEditDeleteTask::addingAGroupAndMovingAContact()
{
    seedGroup(QStringLiteral("Work"));
    seed(contact(QStringLiteral("amy"), QStringLiteral("Work")));

    m_book->addNewGroupAndMoveContact(*m_book->contact(QStringLiteral("amy")), QStringLiteral("Club"));
    QCOMPARE(m_book->contact(QStringLiteral("amy"))->groupName(), QStringLiteral("Club"));
    QTRY_COMPARE(described(), (QStringList {"PUT group", "POST contact amy"}));
    QTRY_VERIFY(settled());
    verifyOneAtATime();
    QCOMPARE(m_server->contact(kUser, QStringLiteral("amy")).value(QStringLiteral("groupName")).toString(),
             QStringLiteral("Club"));
    QCOMPARE(m_server->groups(kUser), (QStringList {"Work", "Club"}));
}

void TestGroupAddEditDeleteTask::missingDefaultGroupsAreSent()
{
    m_server->addGroup(kUser, QStringLiteral("Family"));
    // Terse, as the service may be: each answer ends its step.
    for (int i = 0; i < 2; ++i)
        m_server->answerNextTersely(201, {QStringLiteral("group"), "PUT"});
    m_book->setGroups({Group(QStringLiteral("Family"))});
    QVERIFY(m_task->isBusy());
    QTRY_COMPARE(described(), (QStringList {"PUT group", "PUT group"}));
    QTRY_VERIFY(settled());
    QCOMPARE(m_server->groups(kUser), (QStringList {"Family", "Work", "Friends"}));

    // Nothing is missing any more: no addition is started.
    m_book->setGroups({});
    QVERIFY(!m_task->isBusy());
    QCOMPARE(m_server->requests().size(), 2);
}

void TestGroupAddEditDeleteTask::eachInvitationConnectionDeliversOnce()
{
    InviteSource source;
    int otherDeliveries = 0;
    connect(&source, &InviteSource::invite, m_book.get(), [&otherDeliveries] { ++otherDeliveries; });
    const auto connectOnce = [&] {
        connect(&source, SIGNAL(invite(Invite)), m_book.get(), SLOT(sendInvitations(Invite)));
    };
    connectOnce();
    Invite invite;
    invite.setFromEmail(QStringLiteral("bob@example.org"));
    invite.setToEmails({QStringLiteral("ann@example.org")});
    emit source.invite(invite);
    emit source.invite(invite);

    connectOnce();
    emit source.invite(invite);
    QTRY_COMPARE(m_server->invitations(kUser).size(), 2);
    QTest::qWait(50);
    QCOMPARE(m_server->requests().size(), 2);
    // Only the used connection goes.
    QCOMPARE(otherDeliveries, 3);
}

void TestGroupAddEditDeleteTask::everyContactGetsItsOwnNick()
{
    // As an import brings them: no name, no phone.
    const QStringList emails = {"ann@example.org", "ann@example.net", "", ""};
    for (const QString &email : emails) {
        Contact offered;
        offered.setGroupName(QStringLiteral("Work"));
        offered.setEmails(email.isEmpty() ? QStringList() : QStringList {email});
        m_book->addNewContact(offered);
    }
    QTRY_COMPARE(m_server->contactNicks(kUser).size(), emails.size());
    QStringList nicks;
    for (const ContactPtr &stored : m_book->contacts())
        nicks << stored->nick();
    QCOMPARE(m_server->contactNicks(kUser), nicks);
}

void TestGroupAddEditDeleteTask::traceHoldsNoNamesNumbersOrAddresses()
{
    // Contacts as an import hands them over: nicks made of the name and the
    // number, a group named after a person.
    const QString group = QStringLiteral("Quixote family");
    TraceCapture capture;
    Contact zeb;
    zeb.setFirstName(QStringLiteral("Zebulon"));
    zeb.setLastName(QStringLiteral("Quixote"));
    zeb.setEmails({QStringLiteral("zeb.quixote@example.test")});
    PhoneNumber phone;
    phone.setNumber(QStringLiteral("4930555019"));
    zeb.setPhones({phone});
    zeb.setNick(zeb.generateNick());
    Contact yol = zeb;
    yol.setFirstName(QStringLiteral("Yolanda"));
    phone.setNumber(QStringLiteral("4930555028"));
    yol.setPhones({phone});
    yol.setEmails({QStringLiteral("yolanda@example.test")});
    yol.setNick(yol.generateNick());
    m_book->addNewGroupAndNewContact(zeb, group);
    m_book->addNewContacts({yol, yol});
    QTRY_VERIFY(settled());

    // Edits, a move, a refusal, a failure, a timeout and a damaged list.
    Contact edited = *m_book->contact(yol.nick());
    edited.setLastName(QStringLiteral("Quixote-Ruiz"));
    m_book->updateContact(edited, group);
    m_book->addNewGroupAndMoveContact(*m_book->contact(zeb.nick()), QStringLiteral("Zebulon's"));
    m_book->addNewContact(zeb);
    m_server->answerNextWithStatus(500, {QStringLiteral("contact"), "DELETE"});
    m_book->deleteContact(yol.nick());
    QTRY_VERIFY(settled());
    m_task->setAnswerTimeout(100);
    m_server->delayNext(1000, {QStringLiteral("group"), "DELETE"});
    m_book->deleteGroupAndContacts(group);
    QTRY_VERIFY(!m_task->isBusy());
    m_server->answerNextWith(200, "[{\"nick\":\"Zebulon4930555019\",\"firstName\":\"Zebulon\"", {});
    QSignalSpy damaged(m_rest.get(), &RestManager::contactListFailed);
    m_rest->getContacts();
    QVERIFY(damaged.wait());

    const QStringList lines = TraceCapture::lines();
    QVERIFY(lines.size() > 10);
    for (const QString &secret :
         {QStringLiteral("Zebulon"), QStringLiteral("Yolanda"), QStringLiteral("Quixote"),
          QStringLiteral("555019"), QStringLiteral("555028"), QStringLiteral("@example.test"), zeb.nick(),
          yol.nick()})
        QVERIFY2(lines.filter(secret).isEmpty(), qPrintable(lines.filter(secret).join('\n')));
    // The ids still tell the contacts apart.
    QVERIFY(lines.filter(Trace::tag(zeb.nick())).size() > 0);
    QVERIFY(Trace::tag(zeb.nick()) != Trace::tag(yol.nick()));
}

LINKORA_TEST_MAIN(TestGroupAddEditDeleteTask)
#include "tst_groupdeleteedittask.moc"
