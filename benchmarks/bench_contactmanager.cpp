// Filling the address book with a large contact list, as at every login.
//
// Run a Release or RelWithDebInfo build, e.g.
//   build/benchmarks/bench_contactmanager -median 9
#include "support/testenvironment.h"
#include "ui/contactmanager.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {

const int ContactCount = 10000;

// Shaped like the records of the service's contact list.
QList<Contact> contactList()
{
    const QStringList firstNames {QStringLiteral("Anna"),   QStringLiteral("Zoë"),  QStringLiteral("Łukasz"),
                                  QStringLiteral("Mehmet"), QStringLiteral("José"), QStringLiteral("Ingrid")};
    const QStringList groups = ContactManager::defaultGroupNames();
    QList<Contact> contacts;
    contacts.reserve(ContactCount);
    for (int i = 0; i < ContactCount; ++i) {
        Contact contact;
        const QString first = firstNames.at(i % firstNames.size());
        contact.setNick(first + QString::number(i));
        contact.setFirstName(first);
        contact.setLastName(QStringLiteral("Lee"));
        contact.setGroupName(groups.at(i % groups.size()));
        contact.setEmails({QStringLiteral("contact%1@example.org").arg(i)});
        QList<PhoneNumber> phones;
        for (int p = 0; p <= i % 3; ++p) {
            PhoneNumber phone;
            phone.setType(p);
            phone.setNumber(QStringLiteral("+49 30 %1").arg(1000000 + i * 3 + p));
            phones << phone;
        }
        contact.setPhones(phones);
        contacts << contact;
    }
    return contacts;
}

} // namespace

class BenchContactManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void setContacts();
    void contactByPhoneNumber();

private:
    QList<Contact> m_contacts;
};

void BenchContactManager::initTestCase()
{
    m_contacts = contactList();
}

void BenchContactManager::setContacts()
{
    ContactManager manager;
    manager.ensureDefaultGroupsPresent();
    QSignalSpy refreshed(&manager, &ContactManager::refreshContactListUI);
    int loads = 0;
    QElapsedTimer timer;
    qint64 slowest = 0;
    QBENCHMARK
    {
        timer.start();
        manager.setContacts(m_contacts);
        slowest = qMax(slowest, timer.elapsed());
        ++loads;
    }
    qInfo("%d contacts, slowest load %lld ms", ContactCount, slowest);
    QCOMPARE(refreshed.count(), loads);
    QCOMPARE(manager.contacts().size(), ContactCount);
#ifdef QT_NO_DEBUG
    QVERIFY2(slowest < 100, "a load must take under 100 ms");
#endif
}

// A look-up that misses: the whole book is walked.
void BenchContactManager::contactByPhoneNumber()
{
    ContactManager manager;
    manager.setContacts(m_contacts);
    ContactPtr found;
    QBENCHMARK
    {
        found = manager.contactByPhoneNumber(QStringLiteral("+1 555 0100"));
    }
    QVERIFY(!found);
}

LINKORA_TEST_MAIN(BenchContactManager)
#include "bench_contactmanager.moc"
