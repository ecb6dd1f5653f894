#include "support/testenvironment.h"
#include "ui/contactmanager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {

PhoneNumber phone(const QString &number, int type = PhoneNumber::Cell)
{
    PhoneNumber result;
    result.setType(type);
    result.setNumber(number);
    return result;
}

Contact contact(const QString &nick, const QString &group, const QString &first = QString(),
                const QString &last = QString(), const QStringList &numbers = {},
                const QStringList &emails = {})
{
    Contact result;
    result.setNick(nick);
    result.setGroupName(group);
    result.setFirstName(first);
    result.setLastName(last);
    QList<PhoneNumber> phones;
    for (const QString &number : numbers)
        phones << phone(number);
    result.setPhones(phones);
    result.setEmails(emails);
    return result;
}

QStringList nicks(const QList<ContactPtr> &contacts)
{
    QStringList result;
    for (const ContactPtr &contact : contacts)
        result << contact->nick();
    return result;
}

QStringList groupNames(const ContactManager &manager)
{
    QStringList result;
    for (const ContactGroupPtr &group : manager.groups())
        result << group->name();
    return result;
}

} // namespace

class TestContactManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void contactGroupFilesContactsUnderTheirNick();
    void defaultGroupsAreCreatedAndMarked();
    void newContactDuplicateRules_data();
    void newContactDuplicateRules();
    void oldContactReplacesTheEntryOfItsNick();
    void emptyNickIsGenerated();
    void addingAnExistingGroupIsRefused();
    void updateCopiesTheEditedFieldsOnly();
    void moveRefusals();
    void deletedContactStaysValidForItsHolders();
    void renamingAGroup();
    void setContactsReplacesTheBookAndItsGroups();
    void deletingAGroupChangesTheBookAtOnce();
    void newGroupAndNewContactShareOneNick();
    void contactByPhoneNumber_data();
    void contactByPhoneNumber();
    void groupIndex();
    void sameFieldsText_data();
    void sameFieldsText();
    void contactDetailsPresent();
    void contactsPresentFindsWhatContactPresentFinds();
    void loadingManyContactsRefreshesOnce();
    void loadingManyGroupsRefreshesOnce();
    void clearEmptiesTheBook();

private:
    ContactManager *m_manager = nullptr;
};

void TestContactManager::init()
{
    m_manager = new ContactManager;
}

void TestContactManager::cleanup()
{
    delete m_manager;
    m_manager = nullptr;
}

void TestContactManager::contactGroupFilesContactsUnderTheirNick()
{
    const ContactPtr ann = ContactPtr::create(contact(QStringLiteral("ann"), QStringLiteral("Old")));
    const ContactPtr bob = ContactPtr::create(contact(QStringLiteral("bob"), QString()));
    ContactGroup group(QStringLiteral("Work"), {bob, ann, ContactPtr()});
    QCOMPARE(nicks(group.contacts()), (QStringList {"ann", "bob"}));
    QCOMPARE(ann->groupName(), QStringLiteral("Work"));

    // Copies share the record and the contacts, not the map.
    ContactGroup copy = group;
    copy.removeContact(QStringLiteral("ann"));
    QCOMPARE(group.contactCount(), 2);
    QCOMPARE(copy.group(), group.group());
    QCOMPARE(copy.contact(QStringLiteral("bob")), bob);

    // Without a record nothing can be filed.
    ContactGroup empty {GroupPtr()};
    empty.addContact(ann);
    QCOMPARE(empty.contactCount(), 0);
    empty.setGroup(GroupPtr());
    QVERIFY(!empty.group());
}

void TestContactManager::defaultGroupsAreCreatedAndMarked()
{
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    m_manager->setGroups({Group(QStringLiteral("Clients")), Group(QStringLiteral("Family"))});
    QCOMPARE(groupNames(*m_manager), (QStringList {"Clients", "Family", "Friends", "Work"}));
    for (const ContactGroupPtr &group : m_manager->groups())
        QCOMPARE(group->isDefault(), group->name() != QLatin1String("Clients"));
    QCOMPARE(refreshed.count(), 1); // one for the whole list

    // Groups missing from a later list stay.
    m_manager->setGroups({});
    QCOMPARE(m_manager->groups().size(), 4);
}

void TestContactManager::newContactDuplicateRules_data()
{
    QTest::addColumn<Contact>("offered");
    QTest::addColumn<bool>("accepted");

    // Stored: ann in Work with +49 30 1 and ann@example.org.
    QTest::newRow("same nick") << contact("ann", "Family", "Other") << false;
    QTest::newRow("shared phone in group") << contact("x", "Work", "X", "", {"+49 30 1"}) << false;
    QTest::newRow("shared e-mail in group")
        << contact("x", "Work", "X", "", {}, {"ann@example.org"}) << false;
    QTest::newRow("same name only") << contact("x", "Work", " ANN ", "lee") << true;
    QTest::newRow("shared phone, other group") << contact("x", "Family", "X", "", {"+49 30 1"}) << true;
    QTest::newRow("no group: whole book") << contact("x", "", "X", "", {"+49 30 1"}) << false;
    QTest::newRow("missing group") << contact("x", "New", "X", "", {"+49 30 1"}) << true;
    QTest::newRow("empty phone numbers") << contact("x", "Work", "X", "", {""}) << true;
    QTest::newRow("empty e-mail") << contact("x", "Work", "X", "", {}, {""}) << true;
}

void TestContactManager::newContactDuplicateRules()
{
    QFETCH(Contact, offered);
    QFETCH(bool, accepted);

    m_manager->addOldGroup(QStringLiteral("Family"));
    Contact ann = contact("ann", "Work", "Ann", "Lee", {"+49 30 1", ""}, {"ann@example.org", ""});
    m_manager->addOldContact(ann);

    QSignalSpy refused(m_manager, &ContactManager::contactAlreadyPresent);
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    m_manager->addNewContact(offered);
    QCOMPARE(refused.count(), accepted ? 0 : 1);
    QCOMPARE(refreshed.count(), accepted ? 1 : 0);
    if (accepted) {
        QCOMPARE(m_manager->contacts().size(), 2);
        QVERIFY(m_manager->contactInGroup(offered.groupName(), offered.nick()));
    } else {
        QCOMPARE(refused.first().first().value<Contact>().nick(), offered.nick());
        QCOMPARE(nicks(m_manager->contacts()), QStringList {"ann"});
        QCOMPARE(m_manager->contact(QStringLiteral("ann"))->firstName(), QStringLiteral("Ann"));
    }
}

void TestContactManager::oldContactReplacesTheEntryOfItsNick()
{
    m_manager->addOldContact(contact("ann", "Work", "Ann", "", {"1"}));
    // An empty book makes no duplicate test.
    m_manager->clear();
    m_manager->addNewContact(contact("ann", "Work", "Ann", "", {"1"}));
    QCOMPARE(m_manager->contacts().size(), 1);

    const ContactPtr before = m_manager->contact(QStringLiteral("ann"));
    m_manager->addOldContact(contact("ann", "Family", "Anna", "", {"1"}));
    const ContactPtr after = m_manager->contact(QStringLiteral("ann"));
    QVERIFY(after != before);
    QCOMPARE(after->firstName(), QStringLiteral("Anna"));
    QCOMPARE(m_manager->contactInGroup(QStringLiteral("Family"), QStringLiteral("ann")), after);
    QCOMPARE(m_manager->group(QStringLiteral("Work"))->contactCount(), 0);
}

void TestContactManager::emptyNickIsGenerated()
{
    m_manager->addNewContact(contact("", "Work", "Ann", "", {"+4930"}));
    const QList<ContactPtr> contacts = m_manager->contacts();
    QCOMPARE(contacts.size(), 1);
    const QString nick = contacts.first()->nick();
    QVERIFY2(QRegularExpression(QStringLiteral("^Ann\\+4930\\d{13}$")).match(nick).hasMatch(),
             qPrintable(nick));
    QCOMPARE(m_manager->contactInGroup(QStringLiteral("Work"), nick), contacts.first());

    // Many alike at once, as an import brings them: each under a nick of its own.
    for (int i = 0; i < 200; ++i)
        m_manager->addNewContact(
            contact("", "Work", "", "", {}, {QStringLiteral("info@host%1.example").arg(i)}));
    QCOMPARE(m_manager->contacts().size(), 201);
    QVERIFY(!m_manager->contact(QString()));
}

void TestContactManager::addingAnExistingGroupIsRefused()
{
    m_manager->addOldGroup(QStringLiteral("Work"));
    const ContactGroupPtr work = m_manager->group(QStringLiteral("Work"));
    QSignalSpy exists(m_manager, &ContactManager::groupAlreadyExists);
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    m_manager->addNewGroup(QStringLiteral("Work"));
    QCOMPARE(exists.count(), 1);
    QCOMPARE(exists.first().first().toString(), QStringLiteral("Work"));
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(m_manager->group(QStringLiteral("Work")), work);
    QVERIFY(m_manager->groupPresent(QStringLiteral("Work")));
    QVERIFY(!m_manager->groupPresent(QStringLiteral("work")));
}

void TestContactManager::updateCopiesTheEditedFieldsOnly()
{
    Contact stored = contact("ann", "Work", "Ann", "Lee", {"1"}, {"a@x"});
    stored.setCity(QStringLiteral("Berlin"));
    stored.setBirthDate(QDate(1980, 2, 29));
    m_manager->addOldContact(stored);
    const ContactPtr ann = m_manager->contact(QStringLiteral("ann"));

    Contact edited = contact("ann", "Family", "Anne", "Li", {"2"}, {"b@x"});
    edited.setCity(QStringLiteral("Paris"));
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    m_manager->updateContact(edited, QStringLiteral("Work"));
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(m_manager->contact(QStringLiteral("ann")), ann);
    QCOMPARE(ann->firstName(), QStringLiteral("Anne"));
    QCOMPARE(ann->lastName(), QStringLiteral("Li"));
    QCOMPARE(ann->phoneNumbers(), QStringList {"2"});
    QCOMPARE(ann->emails(), QStringList {"b@x"});
    QCOMPARE(ann->city(), QStringLiteral("Berlin"));
    QCOMPARE(ann->birthDate(), QDate(1980, 2, 29));
    QCOMPARE(m_manager->contactInGroup(QStringLiteral("Family"), QStringLiteral("ann")), ann);
    QCOMPARE(m_manager->group(QStringLiteral("Work"))->contactCount(), 0);

    // The same group before and after: membership stays as it is.
    edited.setFirstName(QStringLiteral("Annie"));
    m_manager->updateContact(edited, QStringLiteral("Family"));
    QCOMPARE(ann->firstName(), QStringLiteral("Annie"));
    QCOMPARE(m_manager->group(QStringLiteral("Family"))->contactCount(), 1);

    // An unknown nick changes nothing.
    m_manager->updateContact(contact("zed", "Work", "Zed"), QStringLiteral("Work"));
    QVERIFY(!m_manager->contact(QStringLiteral("zed")));
    QCOMPARE(refreshed.count(), 2);
}

void TestContactManager::moveRefusals()
{
    m_manager->addOldContact(contact("ann", "Work", "Ann"));
    const ContactPtr ann = m_manager->contact(QStringLiteral("ann"));
    const ContactPtr nobody = ContactPtr::create(contact("", "Work", "Nobody"));

    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    QVERIFY(!m_manager->moveContact(ann, QString(), false));
    QVERIFY(!m_manager->moveContact(ann, QStringLiteral("Work"), false));
    QVERIFY(!m_manager->moveContact(ContactPtr(), QStringLiteral("Family"), false));
    // The target is made before the nick is checked, and stays.
    QVERIFY(!m_manager->moveContact(nobody, QStringLiteral("Family"), false));
    QVERIFY(m_manager->groupPresent(QStringLiteral("Family")));
    QCOMPARE(refreshed.count(), 0);

    QVERIFY(m_manager->moveContact(ann, QStringLiteral("Friends"), false));
    QCOMPARE(ann->groupName(), QStringLiteral("Friends"));
    QCOMPARE(m_manager->contactInGroup(QStringLiteral("Friends"), QStringLiteral("ann")), ann);
    QVERIFY(!m_manager->contactInGroup(QStringLiteral("Work"), QStringLiteral("ann")));
    QCOMPARE(refreshed.count(), 1);
}

void TestContactManager::deletedContactStaysValidForItsHolders()
{
    m_manager->addOldContact(contact("ann", "Work", "Ann", "Lee"));
    const ContactPtr held = m_manager->contact(QStringLiteral("ann"));
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);

    m_manager->deleteContact(ContactPtr());
    m_manager->deleteContact(QStringLiteral("nobody"));
    QCOMPARE(m_manager->contacts().size(), 1);

    m_manager->deleteContact(held);
    QVERIFY(!m_manager->contact(QStringLiteral("ann")));
    QCOMPARE(m_manager->group(QStringLiteral("Work"))->contactCount(), 0);
    QCOMPARE(refreshed.count(), 0);
    // A view still showing it reads it safely.
    QCOMPARE(held->displayName(), QStringLiteral("Ann Lee"));
}

void TestContactManager::renamingAGroup()
{
    m_manager->addOldContact(contact("ann", "Work", "Ann"));
    m_manager->addOldContact(contact("bob", "Work", "Bob"));
    const ContactGroupPtr work = m_manager->group(QStringLiteral("Work"));

    // To its own name: kept, contacts and all.
    m_manager->updateGroup(QStringLiteral("Work"), QStringLiteral("Work"));
    QCOMPARE(m_manager->group(QStringLiteral("Work")), work);
    QCOMPARE(work->contactCount(), 2);

    m_manager->updateGroup(QStringLiteral("Work"), QStringLiteral("Job"));
    QVERIFY(!m_manager->groupPresent(QStringLiteral("Work")));
    const ContactGroupPtr job = m_manager->group(QStringLiteral("Job"));
    QVERIFY(job);
    QCOMPARE(nicks(job->contacts()), (QStringList {"ann", "bob"}));
    for (const ContactPtr &contact : m_manager->contacts())
        QCOMPARE(contact->groupName(), QStringLiteral("Job"));
    // So a contact of the renamed group can still be deleted.
    m_manager->deleteContact(QStringLiteral("ann"));
    QCOMPARE(nicks(m_manager->contacts()), QStringList {"bob"});
    QCOMPARE(job->contactCount(), 1);
}

void TestContactManager::setContactsReplacesTheBookAndItsGroups()
{
    m_manager->addOldContact(contact("ann", "Work", "Ann"));
    m_manager->addOldContact(contact("bob", "Family", "Bob"));
    const ContactPtr heldAnn = m_manager->contact(QStringLiteral("ann"));

    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    // bob moved to Work on the server; ann was deleted there.
    m_manager->setContacts({contact("bob", "Work", "Bob"), contact("cid", "Clients", "Cid")});
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(nicks(m_manager->contacts()), (QStringList {"bob", "cid"}));
    QCOMPARE(nicks(m_manager->group(QStringLiteral("Work"))->contacts()), QStringList {"bob"});
    QCOMPARE(m_manager->group(QStringLiteral("Family"))->contactCount(), 0);
    QCOMPARE(nicks(m_manager->group(QStringLiteral("Clients"))->contacts()), QStringList {"cid"});
    QCOMPARE(heldAnn->firstName(), QStringLiteral("Ann"));

    m_manager->setContacts({});
    QCOMPARE(refreshed.count(), 2);
    QVERIFY(m_manager->contacts().isEmpty());
}

void TestContactManager::deletingAGroupChangesTheBookAtOnce()
{
    m_manager->addOldContact(contact("ann", "Work", "Ann", "", {"111"}));
    m_manager->addOldContact(contact("bob", "Work", "Bob"));
    m_manager->addOldContact(contact("cid", "Family", "Cid"));
    m_manager->addOldContact(contact("dan", "Friends", "Dan"));
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);

    // With its contacts: they leave the book, also for number look-ups.
    m_manager->deleteGroupAndContacts(QStringLiteral("Work"));
    QVERIFY(!m_manager->groupPresent(QStringLiteral("Work")));
    QCOMPARE(nicks(m_manager->contacts()), (QStringList {"cid", "dan"}));
    QVERIFY(!m_manager->contactByPhoneNumber(QStringLiteral("111")));
    QCOMPARE(refreshed.count(), 1);

    // Moving: they change group now.
    m_manager->deleteGroupMoveContacts(m_manager->group(QStringLiteral("Family")), QStringLiteral("Friends"));
    QVERIFY(!m_manager->groupPresent(QStringLiteral("Family")));
    QCOMPARE(nicks(m_manager->group(QStringLiteral("Friends"))->contacts()), (QStringList {"cid", "dan"}));
    QCOMPARE(m_manager->contact(QStringLiteral("cid"))->groupName(), QStringLiteral("Friends"));
    QCOMPARE(refreshed.count(), 2);

    // An absent name does nothing, nor a move to a missing group or to itself.
    m_manager->deleteGroup(QStringLiteral("Nope"), QString());
    for (const QString &target : {QStringLiteral("Nope"), QStringLiteral("Friends")})
        m_manager->deleteGroupMoveContacts(QStringLiteral("Friends"), target);
    QCOMPARE(m_manager->contactInGroup(QStringLiteral("Friends"), QStringLiteral("cid")),
             m_manager->contact(QStringLiteral("cid")));
    QCOMPARE(refreshed.count(), 2);
}

void TestContactManager::newGroupAndNewContactShareOneNick()
{
    m_manager->addNewGroupAndNewContact(contact("", "Ignored", "Ann", "", {"555"}), QStringLiteral("Club"));
    const ContactGroupPtr club = m_manager->group(QStringLiteral("Club"));
    QVERIFY(club);
    QCOMPARE(club->contactCount(), 1);
    const ContactPtr ann = club->contacts().first();
    QVERIFY(ann->nick().startsWith(QLatin1String("Ann555")));
    QCOMPARE(m_manager->contact(ann->nick()), ann);
    QVERIFY(!m_manager->groupPresent(QStringLiteral("Ignored")));

    // Into an existing group, moving is all there is to do.
    m_manager->addNewGroupAndMoveContact(*ann, QStringLiteral("Work"));
    m_manager->addNewGroupAndMoveContact(*ann, QStringLiteral("Club"));
    QCOMPARE(ann->groupName(), QStringLiteral("Club"));
    QCOMPARE(m_manager->group(QStringLiteral("Work"))->contactCount(), 0);
}

void TestContactManager::contactByPhoneNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("nick");

    QTest::newRow("formatted") << "+49 (30) 123-45"
                               << "bea";
    QTest::newRow("digits only") << "493012345"
                                 << "bea";
    QTest::newRow("shared: first nick wins") << "777"
                                             << "amy";
    QTest::newRow("second phone") << "0049 888"
                                  << "amy";
    QTest::newRow("no digits") << "+ ( ) -"
                               << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("prefix is not enough") << "4930"
                                          << "";
    QTest::newRow("other digits are not mapped") << QString::fromUtf8("\u0667\u0667\u0667") << "";
    QTest::newRow("other digits match themselves") << QString::fromUtf8("\u0661\u0662") << "cat";
}

void TestContactManager::contactByPhoneNumber()
{
    QFETCH(QString, number);
    QFETCH(QString, nick);

    m_manager->addOldContact(contact("cat", "Work", "", "", {QString::fromUtf8("\u0661-\u0662")}));
    m_manager->addOldContact(contact("bea", "Work", "", "", {"+49 30 12345", "777"}));
    m_manager->addOldContact(contact("amy", "Work", "", "", {"777", "0049-888"}));
    const ContactPtr found = m_manager->contactByPhoneNumber(number);
    QCOMPARE(found ? found->nick() : QString(), nick);
}

void TestContactManager::groupIndex()
{
    m_manager->ensureDefaultGroupsPresent();
    QCOMPARE(m_manager->groupIndex(QStringLiteral("Family")), 0);
    QCOMPARE(m_manager->groupIndex(QStringLiteral("Work")), 2);
    QCOMPARE(m_manager->groupIndex(QStringLiteral("Nope")), -1);
}

void TestContactManager::sameFieldsText_data()
{
    QTest::addColumn<Contact>("edited");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("itself") << contact("ann", "Work", "Ann", "Lee", {"1"}, {"a@x"}) << QStringList();
    QTest::newRow("name") << contact("new", "Work", "ann ", "LEE") << QStringList {"First/Last name"};
    QTest::newRow("last name on one side only") << contact("new", "Work", "Ann") << QStringList();
    QTest::newRow("all") << contact("new", "Work", "Ann", "Lee", {"9", "1", ""}, {"a@x"})
                         << QStringList {"Email", "First/Last name", "Phone 2"};
    QTest::newRow("first contributing contact only")
        << contact("new", "Work", "Bob", "", {"2", "1"}) << QStringList {"Phone 2"};
    QTest::newRow("empty numbers match nothing") << contact("new", "Work", "X", "", {""}) << QStringList();
}

void TestContactManager::sameFieldsText()
{
    QFETCH(Contact, edited);
    QFETCH(QStringList, texts);

    m_manager->addOldContact(contact("ann", "Work", "Ann", "Lee", {"1", ""}, {"a@x"}));
    m_manager->addOldContact(contact("bob", "Work", "Bob", "", {"2", ""}));
    QCOMPARE(m_manager->sameFieldsText(edited), texts);
}

void TestContactManager::contactDetailsPresent()
{
    m_manager->addOldContact(contact("ann", "Work", "Ann", "Lee", {"1", ""}, {"a@x"}));
    m_manager->addOldContact(contact("bob", "Work", "Bob", "", {"2"}, {"b@x"}));

    QCOMPARE(m_manager->contactDetailsPresent(QStringLiteral("1"), QStringLiteral("a@x"),
                                              QStringLiteral("Ann"), QStringLiteral("Lee")),
             (SameFields {SameFields::SameContact}));
    QCOMPARE(m_manager->contactDetailsPresent(QStringLiteral("2"), QStringLiteral("a@x"),
                                              QStringLiteral("ann"), QStringLiteral("Lee")),
             (SameFields {SameFields::SameEmail, SameFields::SamePhone}));
    QVERIFY(m_manager->contactDetailsPresent(QString(), QString(), QStringLiteral("X"), QString()).isEmpty());

    QCOMPARE(m_manager->contactDetailsPresent(contact("bob", "", "Zed")),
             (SameFields {SameFields::SameContact}));
    QCOMPARE(m_manager->contactDetailsPresent(contact("", "", " BOB", "", {"1"}, {"b@x"})),
             (SameFields {SameFields::SameName, SameFields::SameEmail, SameFields::SamePhone}));
    QCOMPARE(m_manager->contactDetailsPresent(contact("", "", "Zed", "", {""})),
             (SameFields {SameFields::Nothing}));
}

// The look-up of many at once finds, for each, what the look-up of one finds:
// the contact of the nick, else the first in nick order of the group (or the
// whole book) sharing a phone or an address.
void TestContactManager::contactsPresentFindsWhatContactPresentFinds()
{
    m_manager->addOldGroup(QStringLiteral("Family"));
    m_manager->addOldContact(contact("zed", "Work", "Zed", "", {"1", "", "3"}, {"z@example.org"}));
    m_manager->addOldContact(contact("amy", "Family", "Amy", "", {"1", "2"}, {"", "a@example.org"}));
    m_manager->addOldContact(contact("max", "Work", "Max", "", {"2"}, {"z@example.org"}));

    const QList<Contact> probes {
        contact("max", "Family", "", "", {"9"}), // the nick
        contact("x", "", "", "", {"1"}), // amy before zed
        contact("x", "Work", "", "", {"1"}), // within Work: zed
        contact("x", "Work", "", "", {"9", "2"}), // max by the second number
        contact("x", "", "", "", {}, {"z@example.org"}), // max before zed
        contact("x", "Family", "", "", {"9"}, {"a@example.org"}),
        contact("x", "", "", "", {""}, {""}), // empty texts share nothing
        contact("x", "Nowhere", "", "", {"1"}), // no such group
        contact("x", "", "", "", {"+1"}), // numbers as written
        contact("x", "", "", "", {"3"}, {"a@example.org"}), // zed by number, amy by address
    };
    const QStringList expected {"max", "amy", "zed", "max", "max", "amy", "", "", "", "amy"};
    QStringList oneByOne;
    QStringList atOnce;
    for (const Contact &probe : probes) {
        const ContactPtr found = m_manager->contactPresent(probe);
        oneByOne << (found ? found->nick() : QString());
    }
    for (const ContactPtr &found : m_manager->contactsPresent(probes))
        atOnce << (found ? found->nick() : QString());
    QCOMPARE(oneByOne, expected);
    QCOMPARE(atOnce, expected);
}

void TestContactManager::loadingManyContactsRefreshesOnce()
{
    QList<Contact> contacts;
    for (int i = 0; i < 10000; ++i)
        contacts << contact(QStringLiteral("c%1").arg(i, 5, 10, QLatin1Char('0')),
                            ContactManager::defaultGroupNames().at(i % 3), QStringLiteral("N"), QString(),
                            {QString::number(100000 + i)});
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    m_manager->setContacts(contacts);
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(m_manager->contacts().size(), 10000);
    QCOMPARE(m_manager->group(QStringLiteral("Family"))->contactCount(), 3333);
    QCOMPARE(m_manager->contactByPhoneNumber(QStringLiteral("109999"))->nick(), QStringLiteral("c09999"));
}

// A long group list (within the reply caps) neither freezes the window with
// a refresh per group nor floods the trace: the views rebuild once.
void TestContactManager::loadingManyGroupsRefreshesOnce()
{
    QList<Group> groups;
    for (int i = 0; i < 20000; ++i)
        groups << Group(QStringLiteral("g%1").arg(i, 5, 10, QLatin1Char('0')));
    int rebuilt = 0;
    // What the contact list does on each refresh: take the whole list.
    connect(m_manager, &ContactManager::refreshContactListUI, this,
            [&] { rebuilt += m_manager->groups().isEmpty() ? 0 : 1; });

    // The least such a load costs on this machine at this moment: the groups
    // made and filed by name, measured before and after, so a busy machine
    // slows the yardstick as it slows the load.
    const auto reference = [&groups] {
        QElapsedTimer clock;
        clock.start();
        QMap<QString, ContactGroupPtr> filed;
        for (const Group &group : std::as_const(groups))
            filed.insert(group.name(), ContactGroupPtr::create(group.name()));
        return clock.elapsed();
    };
    qint64 yardstick = reference();

    static int traced = 0;
    traced = 0;
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) { ++traced; });
    QElapsedTimer clock;
    clock.start();
    m_manager->setGroups(groups);
    const qint64 elapsed = clock.elapsed();
    qInstallMessageHandler(previous);
    yardstick = std::max(yardstick, reference());

    QCOMPARE(rebuilt, 1);
    QCOMPARE(m_manager->groups().size(), 20003);
    QVERIFY2(traced <= 10, qPrintable(QString::number(traced)));
    // A refresh per group costs well over a hundred times the yardstick; the
    // load itself about once.
    QVERIFY2(elapsed <= 20 * yardstick + 1000,
             qPrintable(QStringLiteral("%1 ms, yardstick %2 ms").arg(elapsed).arg(yardstick)));
}

void TestContactManager::clearEmptiesTheBook()
{
    m_manager->ensureDefaultGroupsPresent();
    m_manager->addOldContact(contact("ann", "Work", "Ann"));
    QSignalSpy refreshed(m_manager, &ContactManager::refreshContactListUI);
    m_manager->clear();
    QCOMPARE(refreshed.count(), 1);
    QVERIFY(m_manager->groups().isEmpty());
    QVERIFY(m_manager->contacts().isEmpty());
}

LINKORA_TEST_MAIN(TestContactManager)
#include "tst_contactmanager.moc"
