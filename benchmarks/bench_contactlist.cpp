// The address book on screen with a big book, 10,000 contacts in 50 groups:
// showing a new group list on the list page (both models reset and the shown
// view's first layout and paint), one search keystroke on each view's proxy
// and on the whole page, and opening the group dialog with every contact.
//
// Run a Release or RelWithDebInfo build, e.g.
//   QT_QPA_PLATFORM=offscreen build/benchmarks/bench_contactlist
#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "ui/addeditgroupdialog.h"
#include "ui/contactlistpage.h"
#include "ui/contactmanager.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QtTest>

namespace {

const int ContactCount = 10000;
const int GroupCount = 50;

} // namespace

class BenchContactList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void setGroupsAndFirstLayout_data();
    void setGroupsAndFirstLayout();
    void searchKeystroke_data();
    void searchKeystroke();
    void openGroupDialog();

private:
    // The slowest of the runs, for the limit; QBENCHMARK reports the median.
    void report(const char *what, qint64 slowestNs, double limitMs);

    ContactManager m_book;
};

void BenchContactList::initTestCase()
{
    WebserviceStandIn records;
    records.addAccount(QStringLiteral("bench"), QStringLiteral("bench"));
    records.addSampleBook(QStringLiteral("bench"), ContactCount, GroupCount);
    QList<Group> groups;
    for (const QString &name : records.groups(QStringLiteral("bench")))
        groups << Group(name);
    QList<Contact> contacts;
    for (const QString &nick : records.contactNicks(QStringLiteral("bench")))
        contacts << Contact(records.contact(QStringLiteral("bench"), nick).toVariantMap());
    m_book.setGroups(groups);
    m_book.setContacts(contacts);
    QCOMPARE(m_book.contacts().size(), ContactCount);
}

void BenchContactList::report(const char *what, qint64 slowestNs, double limitMs)
{
    const double slowestMs = slowestNs / 1e6;
    qInfo("%s: slowest %.2f ms (limit %.0f ms)", what, slowestMs, limitMs);
#ifdef QT_NO_DEBUG
    QVERIFY2(slowestMs < limitMs, what);
#endif
}

void BenchContactList::setGroupsAndFirstLayout_data()
{
    QTest::addColumn<bool>("tree");
    QTest::newRow("flat list") << false;
    QTest::newRow("tree") << true;
}

void BenchContactList::setGroupsAndFirstLayout()
{
    QFETCH(bool, tree);
    ContactListPage page;
    page.setGroupsShown(tree);
    page.resize(313, 330);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QList<ContactGroupPtr> groups = m_book.groups();
    QElapsedTimer timer;
    qint64 slowest = 0;
    QBENCHMARK
    {
        timer.start();
        page.setContactGroups(groups);
        // The first layout and paint of the view on show.
        page.grab();
        slowest = qMax(slowest, timer.nsecsElapsed());
    }
    report(tree ? "tree: setContactGroups and first layout" : "list: setContactGroups and first layout",
           slowest, 100);
}

void BenchContactList::searchKeystroke_data()
{
    QTest::addColumn<QString>("view");
    QTest::newRow("flat list proxy") << "contactsListView";
    QTest::newRow("tree proxy") << "contactsTreeView";
    QTest::newRow("whole page, tree shown") << "";
}

void BenchContactList::searchKeystroke()
{
    QFETCH(QString, view);
    ContactListPage page;
    page.resize(313, 330);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.setContactGroups(m_book.groups());
    auto *search = page.findChild<QLineEdit *>(QStringLiteral("searchLineEdit"));
    QSortFilterProxyModel *proxy = view.isEmpty()
        ? nullptr
        : qobject_cast<QSortFilterProxyModel *>(page.findChild<QAbstractItemView *>(view)->model());

    // A user typing a name and erasing it again, one key at a time.
    const QStringList keystrokes {"A", "An", "Ann", "Anna", "Ann", "An", "A", ""};
    QElapsedTimer timer;
    qint64 slowest = 0;
    int shown = 0;
    QBENCHMARK
    {
        for (const QString &text : keystrokes) {
            timer.start();
            if (proxy) {
                proxy->setFilterFixedString(text);
                shown = proxy->rowCount();
            } else {
                search->setText(text);
                page.grab();
            }
            slowest = qMax(slowest, timer.nsecsElapsed());
        }
    }
    Q_UNUSED(shown);
    report(
        qPrintable(QStringLiteral("%1: one keystroke").arg(view.isEmpty() ? QStringLiteral("page") : view)),
        slowest, view.isEmpty() ? 50 : 5);
}

void BenchContactList::openGroupDialog()
{
    QElapsedTimer timer;
    qint64 slowest = 0;
    QBENCHMARK
    {
        timer.start();
        AddEditGroupDialog dialog;
        dialog.setContactManager(&m_book);
        dialog.setEditGroup(m_book.group(QStringLiteral("Group 07")));
        dialog.show();
        dialog.findChild<QPushButton *>(QStringLiteral("expandCollapseButton"))->click();
        dialog.grab();
        slowest = qMax(slowest, timer.nsecsElapsed());
        QCOMPARE(dialog.findChild<QListWidget *>()->count(), ContactCount);
    }
    report("group dialog with every contact: open", slowest, 200);
}

LINKORA_TEST_MAIN(BenchContactList)
#include "bench_contactlist.moc"
