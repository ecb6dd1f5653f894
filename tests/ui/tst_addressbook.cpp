#include "centralrig.h"
#include "contactsmodels.h"
#include "support/testenvironment.h"
#include "ui/addeditcontactdialog.h"
#include "ui/addeditgroupdialog.h"
#include "ui/contactdetailspage.h"
#include "ui/contactlistpage.h"
#include "ui/contactwidget.h"
#include "ui/phonenumberwidget.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

using namespace UiTesting;

namespace {

using Phones = QList<QPair<QString, QString>>; // wire kind, number

QJsonObject contactJson(const QString &nick, const QString &group, const QString &first, const QString &last,
                        const Phones &phones = {}, const QStringList &emails = {},
                        const QString &address = {})
{
    QJsonArray phoneList;
    for (const auto &phone : phones)
        phoneList.append(QJsonObject {
            {QStringLiteral("class"), QStringLiteral("com.dravomesh.phone.integration.PhoneNumber")},
            {QStringLiteral("type"), phone.first},
            {QStringLiteral("number"), phone.second}});
    return {{QStringLiteral("class"), QStringLiteral("com.dravomesh.phone.integration.Contact")},
            {QStringLiteral("nick"), nick},
            {QStringLiteral("groupName"), group},
            {QStringLiteral("firstName"), first},
            {QStringLiteral("lastName"), last},
            {QStringLiteral("addressLine1"), address},
            {QStringLiteral("emails"), QJsonArray::fromStringList(emails)},
            {QStringLiteral("phones"), phoneList}};
}

// Family, Friends, Work, Zeta: groups of 0, 1, 2 and 2 contacts; flat rows
// jose, ann, bob, eve, mal.
QList<QJsonObject> book()
{
    return {contactJson("ann", "Work", "Ann", "Lee", {{"CELL", "+4915112345678"}, {"HOME", "0301234567"}},
                        {"ann@example.org", "ann@work.example"}, "1 Main St"),
            contactJson("bob", "Work", "Bob", "Stone", {{"WORK", "0302222222"}}),
            contactJson("jose", "Friends", "José", "", {{"HOME", "+34911234567"}}),
            contactJson("eve", "Zeta", "Eve", "Adams"),
            contactJson("mal", "Zeta", "<img src=x>", "<b>Bold</b>", {{"CELL", "0171111111"}})};
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (action->menu())
            texts << QStringLiteral("[") + actionTexts(action->menu()).join(QLatin1Char(','))
                    + QStringLiteral("]");
    }
    return texts;
}

QAction *action(const QMenu *menu, const QString &text)
{
    for (QAction *candidate : menu->findChildren<QAction *>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

// Runs the action on the next modal dialog once it is up.
void whenModal(std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start();
}

template<typename T>
T *find(const QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace

class TestAddressBook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void modelsFlattenTheTreeAndPassTheTester();
    void roles_data();
    void roles();
    void screenshots();

private:
    ContactListPage *page() const { return m_rig->child<ContactListPage>("contactListPage"); }
    ContactManager &contacts() const { return m_rig->phone.contacts; }
    QList<WebserviceStandIn::Request> writes() const;

    int m_case = 0;
    std::unique_ptr<CentralRig> m_rig;
};

void TestAddressBook::initTestCase()
{
    applyApplicationLook();
}

void TestAddressBook::init()
{
    m_rig = std::make_unique<CentralRig>(QStringLiteral("book%1.px").arg(++m_case));
    WebserviceStandIn &server = m_rig->phone.server;
    QList<Group> groups;
    for (const char *name : {"Work", "Family", "Friends", "Zeta"}) {
        server.addGroup(PhoneRig::kUser, QLatin1String(name));
        groups << Group(QString::fromLatin1(name));
    }
    QList<Contact> list;
    for (const QJsonObject &contact : book()) {
        server.addContact(PhoneRig::kUser, contact);
        list << Contact(contact.toVariantMap());
    }
    // The book a login fills, without the login.
    m_rig->phone.rest.setUsername(PhoneRig::kUser);
    m_rig->phone.rest.setPassword(PhoneRig::kPassword);
    contacts().setGroups(groups);
    contacts().setContacts(list);
    m_rig->phone.server.clearRequests();
    m_rig->widget->resize(313, 458);
    m_rig->widget->show();
    m_rig->widget->setView(ContentWidget::ContactListView, false);
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
}

void TestAddressBook::cleanup()
{
    m_rig.reset();
}

QList<WebserviceStandIn::Request> TestAddressBook::writes() const
{
    QList<WebserviceStandIn::Request> list;
    for (const WebserviceStandIn::Request &request : m_rig->phone.server.requests()) {
        if (request.method != "GET")
            list << request;
    }
    return list;
}

void TestAddressBook::modelsFlattenTheTreeAndPassTheTester()
{
    ContactsTreeModel tree;
    ContactsListModel list;
    list.setSourceModel(&tree);
    QSortFilterProxyModel listProxy;
    ContactsTreeSortFilterProxyModel treeProxy;
    listProxy.setSourceModel(&list);
    treeProxy.setSourceModel(&tree);
    for (QSortFilterProxyModel *proxy : {&listProxy, static_cast<QSortFilterProxyModel *>(&treeProxy)})
        proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    for (QAbstractItemModel *model :
         std::initializer_list<QAbstractItemModel *> {&tree, &list, &listProxy, &treeProxy})
        new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest, model);
    QCOMPARE(list.rowCount(), 0);

    tree.setGroups(contacts().groups());
    QCOMPARE(tree.rowCount(), 4);
    QCOMPARE(list.rowCount(), 5);
    // Flat row 2 is Work's second contact; row 5 is past the end.
    const QModelIndex bob = list.index(2);
    QCOMPARE(bob.internalId(), quintptr(2));
    QCOMPARE(bob.data(ContactsTreeModel::NickRole).toString(), QStringLiteral("bob"));
    QCOMPARE(bob.data(ContactsTreeModel::ContactRowRole).toInt(), 1);
    QCOMPARE(list.index(0).data(ContactsTreeModel::NickRole).toString(), QStringLiteral("jose"));
    QVERIFY(!list.index(5).isValid());
    QVERIFY(!tree.index(0, 1).isValid());
    QCOMPARE(tree.rowCount(tree.index(0, 0, tree.index(2, 0))), 0);
    QVERIFY(!tree.index(2, 0, tree.index(2, 0)).isValid());

    // Searching, and the book changing under the search.
    listProxy.setFilterFixedString(QStringLiteral("E"));
    treeProxy.setFilterFixedString(QStringLiteral("E"));
    const auto counts = [&] {
        return QList<int> {listProxy.rowCount(), treeProxy.rowCount()};
    };
    QCOMPARE(counts(), (QList<int> {3, 2})); // Ann Lee, Bob Stone, Eve Adams in Work and Zeta
    contacts().deleteContact(QStringLiteral("bob"));
    tree.setGroups(contacts().groups());
    QCOMPARE(counts(), (QList<int> {2, 2}));
    listProxy.setFilterFixedString(QStringLiteral("Zeta"));
    treeProxy.setFilterFixedString(QStringLiteral("Zeta"));
    QCOMPARE(counts(), (QList<int> {0, 0}));

    // A repaint request of one contact reaches both models, another role none.
    QSignalSpy treeChanged(&tree, &QAbstractItemModel::dataChanged);
    QSignalSpy listChanged(&list, &QAbstractItemModel::dataChanged);
    QVERIFY(!list.setData(list.index(1), QVariant(), Qt::EditRole));
    QVERIFY(list.setData(list.index(1), QVariant(), ContactsTreeModel::RefreshRole));
    QCOMPARE(treeChanged.size(), 1);
    QCOMPARE(listChanged.size(), 1);
    QCOMPARE(listChanged.first().first().toModelIndex(), list.index(1));
    QCOMPARE(treeChanged.first().first().toModelIndex().data(ContactsTreeModel::NickRole), QVariant("ann"));

    tree.setGroups({});
    QCOMPARE(list.rowCount(), 0);
}

void TestAddressBook::roles_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("contact"); // -1: the group row
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("expected");

    using M = ContactsTreeModel;
    QTest::newRow("group name") << 2 << -1 << int(Qt::DisplayRole) << QVariant("Work");
    QTest::newRow("group flag") << 2 << -1 << int(M::IsGroupRole) << QVariant(1);
    QTest::newRow("group count") << 2 << -1 << int(M::ContactCountRole) << QVariant(2);
    QTest::newRow("default group") << 2 << -1 << int(M::IsDefaultGroupRole) << QVariant(true);
    QTest::newRow("own group") << 3 << -1 << int(M::IsDefaultGroupRole) << QVariant(false);
    QTest::newRow("group row") << 3 << -1 << int(M::GroupRowRole) << QVariant(3);
    QTest::newRow("no tool tip on groups") << 3 << -1 << int(Qt::ToolTipRole) << QVariant();
    QTest::newRow("no number on groups") << 3 << -1 << int(M::FirstNumberRole) << QVariant();
    QTest::newRow("contact name") << 2 << 0 << int(Qt::DisplayRole) << QVariant("Ann Lee");
    QTest::newRow("tool tip") << 2 << 0 << int(Qt::ToolTipRole) << QVariant("Ann Lee");
    QTest::newRow("blank stays") << 1 << 0 << int(Qt::DisplayRole) << QVariant("José ");
    QTest::newRow("contact flag") << 2 << 0 << int(M::IsGroupRole) << QVariant(0);
    QTest::newRow("first number") << 2 << 0 << int(M::FirstNumberRole) << QVariant("+4915112345678");
    QTest::newRow("first kind") << 2 << 0 << int(M::FirstNumberTypeRole) << QVariant(2);
    QTest::newRow("numbers") << 2 << 0 << int(M::NumbersRole)
                             << QVariant(QStringList {"+4915112345678", "0301234567"});
    QTest::newRow("kinds") << 2 << 0 << int(M::NumberTypesRole) << QVariant(QVariantList {2, 0});
    QTest::newRow("group of contact") << 2 << 1 << int(M::ContactGroupRowRole) << QVariant(2);
    QTest::newRow("row of contact") << 2 << 1 << int(M::ContactRowRole) << QVariant(1);
    QTest::newRow("no count on contacts") << 2 << 1 << int(M::ContactCountRole) << QVariant();
    QTest::newRow("no phones: number") << 3 << 0 << int(M::FirstNumberRole) << QVariant(QString());
    QTest::newRow("no phones: kind") << 3 << 0 << int(M::FirstNumberTypeRole) << QVariant(-1);
    QTest::newRow("no phones: kinds") << 3 << 0 << int(M::NumberTypesRole) << QVariant(QVariantList());
    QTest::newRow("other role") << 2 << 0 << int(Qt::DecorationRole) << QVariant();
}

void TestAddressBook::roles()
{
    QFETCH(int, group);
    QFETCH(int, contact);
    QFETCH(int, role);
    QFETCH(QVariant, expected);

    ContactsTreeModel tree;
    tree.setGroups(contacts().groups());
    QModelIndex index = tree.index(group, 0);
    if (contact >= 0)
        index = tree.index(contact, 0, index);
    QCOMPARE(index.data(role), expected);
}

void TestAddressBook::screenshots()
{
    ContactListPage *list = page();
    auto *tree = find<QTreeView>(list, "contactsTreeView");
    tree->expandAll();
    tree->setCurrentIndex(tree->model()->index(0, 0, tree->model()->index(2, 0)));
    QTest::qWait(50);
    QVERIFY(m_rig->widget->grab().save(screenshotPath(QStringLiteral("contacts-tree.png"))));
    list->setGroupsShown(false);
    QTest::qWait(50);
    QVERIFY(m_rig->widget->grab().save(screenshotPath(QStringLiteral("contacts-list.png"))));

    auto *details = m_rig->child<ContactDetailsPage>("contactDetailsPage");
    details->setContact(QStringLiteral("ann"));
    m_rig->widget->setView(ContentWidget::ContactDetailsView, false);
    QTest::qWait(50);
    QVERIFY(m_rig->widget->grab().save(screenshotPath(QStringLiteral("contact-details.png"))));

    AddEditContactDialog contactDialog;
    contactDialog.setContactManager(&contacts());
    contactDialog.setEditContact(QStringLiteral("ann"));
    contactDialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&contactDialog));
    find<QLineEdit>(&contactDialog, "emailLineEdit")->setText(QStringLiteral("bad@"));
    find<QPushButton>(&contactDialog, "addSaveContactButton")->click();
    QTest::qWait(50);
    QVERIFY(contactDialog.grab().save(screenshotPath(QStringLiteral("contact-dialog.png"))));

    AddEditGroupDialog groupDialog;
    groupDialog.setContactManager(&contacts());
    groupDialog.setEditGroup(contacts().group(QStringLiteral("Zeta")));
    groupDialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&groupDialog));
    find<QPushButton>(&groupDialog, "expandCollapseButton")->click();
    QTest::qWait(50);
    QVERIFY(groupDialog.grab().save(screenshotPath(QStringLiteral("group-dialog.png"))));
}

LINKORA_TEST_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
