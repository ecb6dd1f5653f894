// The address book on screen with a big book, 10,000 contacts in 50 groups:
// showing a new group list on the list page (both models reset and the shown
// view's first layout and paint), one search keystroke on each view's proxy
// and on the whole page as a user meets it (a key typed into the search
// field with the tree shown, until the tree is laid out and painted), and
// opening the group dialog with every contact.
//
// Run a Release or RelWithDebInfo build, e.g.
//   QT_QPA_PLATFORM=offscreen build/benchmarks/bench_contactlist
#include "benchhelpers.h"
#include "contactsmodels.h"
#include "support/testenvironment.h"
#include "ui/addeditgroupdialog.h"
#include "ui/contactlistpage.h"
#include "ui/contactmanager.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <algorithm>

namespace {

const int ContactCount = 10000;
const int GroupCount = 50;

// Counts the paint events of a widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

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
    ContactManager m_book;
};

void BenchContactList::initTestCase()
{
    Bench::loadSampleBook(m_book, ContactCount, GroupCount);
    QCOMPARE(m_book.contacts().size(), ContactCount);
}

void BenchContactList::setGroupsAndFirstLayout_data()
{
    QTest::addColumn<bool>("tree");
    QTest::addColumn<bool>("open"); // every group open, a row far down current and on top
    QTest::newRow("flat list") << false << false;
    QTest::newRow("tree") << true << false;
    QTest::newRow("tree, groups open") << true << true;
}

void BenchContactList::setGroupsAndFirstLayout()
{
    QFETCH(bool, tree);
    QFETCH(bool, open);
    ContactListPage page;
    page.setGroupsShown(tree);
    page.resize(313, 330);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QList<ContactGroupPtr> groups = m_book.groups();
    if (open) {
        // The page brings back what was open, current and on top.
        page.setContactGroups(groups);
        auto *view = page.findChild<QTreeView *>(QStringLiteral("contactsTreeView"));
        view->expandAll();
        const QModelIndex lastGroup = view->model()->index(view->model()->rowCount() - 1, 0);
        const QModelIndex row = view->model()->index(view->model()->rowCount(lastGroup) / 2, 0, lastGroup);
        view->setCurrentIndex(row);
        view->scrollTo(row, QAbstractItemView::PositionAtTop);
    }
    QElapsedTimer timer;
    QList<qint64> samples;
    QBENCHMARK
    {
        timer.start();
        page.setContactGroups(groups);
        // The first layout and paint of the view on show.
        page.grab();
        samples << timer.nsecsElapsed();
    }
    Bench::reportMedian(open       ? "tree, groups open: setContactGroups and first layout"
                            : tree ? "tree: setContactGroups and first layout"
                                   : "list: setContactGroups and first layout",
                        samples, 100);
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
    const bool tree = view == QLatin1String("contactsTreeView");
    // The whole page: the groups shown, as a search unfolds them.
    auto *treeView = page.findChild<QTreeView *>(QStringLiteral("contactsTreeView"));
    if (view.isEmpty()) {
        page.setGroupsShown(true);
        QVERIFY(QTest::qWaitForWindowExposed(treeView));
        search->setFocus();
    }
    PaintCounter painted(treeView->viewport());
    auto *proxy = view.isEmpty()
        ? nullptr
        : qobject_cast<ContactsSortFilterProxyModel *>(page.findChild<QAbstractItemView *>(view)->model());

    // A user typing a name and erasing it again, one key at a time.
    const QStringList keystrokes {"A", "An", "Ann", "Anna", "Ann", "An", "A", ""};
    // The key that gives each text; empty for Backspace.
    const QStringList typed {"A", "n", "n", "a", "", "", "", ""};
    QElapsedTimer timer;
    QList<qint64> samples;
    int shown = 0;
    QBENCHMARK
    {
        for (int i = 0; i < keystrokes.size(); ++i) {
            const QString &text = keystrokes.at(i);
            timer.start();
            if (proxy) {
                proxy->setSearchText(text);
                // Every row filtered, as a view showing them all needs.
                shown = proxy->rowCount();
                for (int row = 0; tree && row < shown; ++row)
                    proxy->rowCount(proxy->index(row, 0));
            } else {
                // The key through the event loop, then what it brings: the
                // tree's delayed layout and the repaint of what changed.
                const int paintsBefore = painted.count;
                if (typed.at(i).isEmpty())
                    QTest::keyClick(search, Qt::Key_Backspace);
                else
                    QTest::keyClicks(search, typed.at(i));
                for (int round = 0; round < 1000 && painted.count == paintsBefore; ++round)
                    QCoreApplication::processEvents();
                QCoreApplication::processEvents();
                QVERIFY(painted.count > paintsBefore);
                QCOMPARE(search->text(), text);
            }
            samples << timer.nsecsElapsed();
        }
    }
    Q_UNUSED(shown);
    Bench::reportMedian(
        qPrintable(QStringLiteral("%1: one keystroke").arg(view.isEmpty() ? QStringLiteral("page") : view)),
        samples, view.isEmpty() ? 16 : 5);
}

void BenchContactList::openGroupDialog()
{
    QElapsedTimer timer;
    QList<qint64> samples;
    QBENCHMARK
    {
        timer.start();
        AddEditGroupDialog dialog;
        dialog.setContactManager(&m_book);
        dialog.setEditGroup(m_book.group(QStringLiteral("Group_07")));
        dialog.show();
        dialog.findChild<QPushButton *>(QStringLiteral("expandCollapseButton"))->click();
        dialog.grab();
        samples << timer.nsecsElapsed();
        QCOMPARE(dialog.findChild<QListWidget *>()->count(), ContactCount);
    }
    Bench::reportMedian("group dialog with every contact: open", samples, 200);
}

LINKORA_TEST_MAIN(BenchContactList)
#include "bench_contactlist.moc"
