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

#include "ui/dialpadpage.h"

#include <functional>
#include <memory>

using namespace UiTesting;

namespace {

using Phones = QList<QPair<QString, QString>>; // wire kind, number

QJsonObject contactJson(const QString &nick, const QString &group, const QString &first, const QString &last,
                        const Phones &phones = {}, const QStringList &emails = {}, const QString &address = {})
{
    return WebserviceStandIn::contactRecord(nick, group, first, last, phones, emails, address);
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
    void searchShowsMatchesInBothViews();
    void contextMenusNameWhatTheyActOn();
    void doubleClick_data();
    void doubleClick();
    void detailsPageShowsTheContact();
    void contactDialogChecksTheForm_data();
    void contactDialogChecksTheForm();
    void editKeepsWhatTheFormDoesNotShow();
    void editIntoANewGroupSavesTheEditsFirst();
    void contactDialogFocusChain();
    void phoneRowPicksItsKind();
    void groupDialogAddsAndRefuses();
    void groupDialogRenamesAndMovesByNick();
    void deleteContactAsksFirst_data();
    void deleteContactAsksFirst();
    void deleteGroupAsksAndPicksTheTarget_data();
    void deleteGroupAsksAndPicksTheTarget();
    void dialPadNumberOpensTheContactDialog();
    void screenshots();

private:
    // Keeps the page's requests from the central area, for cases that only
    // look at what the page asks for.
    void detachPage() { QObject::disconnect(page(), nullptr, m_rig->widget.get(), nullptr); }
    QModelIndex indexOf(const QAbstractItemView *view, const QString &key) const;
    QMenu *openMenu(QAbstractItemView *view, const QString &key) const;
    // Answers the in-page question, Ok or Cancel, once it is up.
    void whenAsked(bool ok, std::function<void()> before = {});
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

QModelIndex TestAddressBook::indexOf(const QAbstractItemView *view, const QString &key) const
{
    // A contact by nick, else a group by name.
    const QAbstractItemModel *model = view->model();
    for (const int role : {int(ContactsTreeModel::NickRole), int(Qt::DisplayRole)}) {
        const QModelIndexList found
            = model->match(model->index(0, 0), role, key, 1, Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty())
            return found.first();
    }
    return QModelIndex();
}

QMenu *TestAddressBook::openMenu(QAbstractItemView *view, const QString &key) const
{
    emit view->customContextMenuRequested(view->visualRect(indexOf(view, key)).center());
    for (QMenu *menu : page()->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (menu->isVisible())
            return menu;
    }
    return nullptr;
}

void TestAddressBook::whenAsked(bool ok, std::function<void()> before)
{
    auto *timer = new QTimer(m_rig->widget.get());
    timer->setInterval(5);
    connect(timer, &QTimer::timeout, [this, timer, ok, before] {
        if (m_rig->widget->currentView() != ContentWidget::QueryUserView)
            return;
        timer->stop();
        timer->deleteLater();
        if (before)
            before();
        m_rig->child<QPushButton>(ok ? "queryUserOkButton" : "queryUserCancelButton")->click();
    });
    timer->start();
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

void TestAddressBook::searchShowsMatchesInBothViews()
{
    auto *tree = find<QTreeView>(page(), "contactsTreeView");
    auto *flat = find<QListView>(page(), "contactsListView");
    auto *search = find<QLineEdit>(page(), "searchLineEdit");
    auto *clear = find<QPushButton>(page(), "searchClearButton");
    QVERIFY(clear->isVisible());
    QCOMPARE(clear->parentWidget(), search);
    QCOMPARE(clear->geometry().right(), search->width() - 4);

    // "o": José, Bob Stone and the one with markup in its name; never a group's own name.
    QTest::keyClicks(search, QStringLiteral("O"));
    const auto shown = [&] {
        QStringList rows;
        for (int g = 0; g < tree->model()->rowCount(); ++g) {
            const QModelIndex group = tree->model()->index(g, 0);
            rows << group.data().toString() + (tree->isExpanded(group) ? "+" : "-")
                    + QString::number(tree->model()->rowCount(group));
        }
        return rows << QString::number(flat->model()->rowCount());
    };
    const QStringList matches {"Friends+1", "Work+1", "Zeta+1", "3"};
    QCOMPARE(shown(), matches);
    // A change of the book keeps the search and its unfolded groups.
    contacts().refreshContactList();
    QCOMPARE(shown(), matches);
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(search->text(), QString());
    QCOMPARE(shown(), (QStringList {"Family-0", "Friends+1", "Work+2", "Zeta+2", "5"}));
    search->setText(QStringLiteral("zeta"));
    QCOMPARE(shown(), QStringList {"0"});
}

void TestAddressBook::contextMenusNameWhatTheyActOn()
{
    detachPage();
    auto *tree = find<QTreeView>(page(), "contactsTreeView");
    tree->expandAll();
    QSignalSpy calls(page(), &ContactListPage::callContact);
    QSignalSpy sms(page(), &ContactListPage::sendSMS);
    QSignalSpy details(page(), &ContactListPage::viewContactDetailsRequested);
    QSignalSpy edits(page(), &ContactListPage::editContactRequested);
    QSignalSpy deletions(page(), &ContactListPage::deleteContactRequested);
    QSignalSpy groupEdits(page(), &ContactListPage::editGroupRequested);
    QSignalSpy groupDeletions(page(), &ContactListPage::deleteGroupRequested);

    QVERIFY(!openMenu(tree, QStringLiteral("Work"))); // a default group
    emit tree->customContextMenuRequested(QPoint(5, tree->viewport()->height() - 2));
    QVERIFY(!page()->findChild<QMenu *>(QString(), Qt::FindDirectChildrenOnly));

    QPointer<QMenu> menu = openMenu(tree, QStringLiteral("Zeta"));
    QVERIFY(menu);
    QCOMPARE(actionTexts(menu),
             (QStringList {"Edit", "Delete group, move contacts", "Delete group and contacts"}));
    for (const QAction *entry : menu->actions())
        QCOMPARE(entry->data().toString(), QStringLiteral("Zeta"));
    // The book changes while the menu is open: the group is still named.
    contacts().refreshContactList();
    action(menu, "Delete group, move contacts")->trigger();
    action(menu, "Delete group and contacts")->trigger();
    action(menu, "Edit")->trigger();
    QCOMPARE(groupDeletions, (QList<QVariantList> {{"Zeta", true}, {"Zeta", false}}));
    QCOMPARE(groupEdits, QList<QVariantList> {{"Zeta"}});
    menu->hide();
    QTRY_VERIFY(!menu);

    tree->expandAll();
    menu = openMenu(tree, QStringLiteral("ann"));
    QCOMPARE(actionTexts(menu),
             (QStringList {"Call", "[+4915112345678,0301234567]", "Send SMS", "[+4915112345678,0301234567]",
                           "-", "Details", "Edit", "-", "Delete"}));
    QVERIFY(!action(menu, "0301234567")->icon().isNull());
    action(menu->actions().at(0)->menu(), "0301234567")->trigger();
    action(menu->actions().at(1)->menu(), "+4915112345678")->trigger();
    for (const char *entry : {"Details", "Edit", "Delete"})
        action(menu, entry)->trigger();
    QCOMPARE(calls, (QList<QVariantList> {{"Ann Lee", "0301234567"}}));
    QCOMPARE(sms, (QList<QVariantList> {{"Ann Lee", "+4915112345678"}}));
    QCOMPARE(details.size() + edits.size() + deletions.size(), 3);
    QCOMPARE(deletions.first().first().toString(), QStringLiteral("ann"));
    // After a reset the menu's row is gone: its actions do nothing.
    contacts().refreshContactList();
    action(menu, "Delete")->trigger();
    action(menu->actions().at(0)->menu(), "0301234567")->trigger();
    QCOMPARE(deletions.size() + calls.size(), 2);
    menu->hide();

    page()->setGroupsShown(false);
    menu = openMenu(find<QListView>(page(), "contactsListView"), QStringLiteral("eve"));
    QCOMPARE(actionTexts(menu),
             (QStringList {"Call", "[]", "Send SMS", "[]", "-", "Details", "Edit", "-", "Delete"}));
    menu->hide();

    // Moving a group's contacts needs another group.
    page()->setContactGroups({contacts().group(QStringLiteral("Zeta"))});
    page()->setGroupsShown(true);
    menu = openMenu(tree, QStringLiteral("Zeta"));
    QCOMPARE(actionTexts(menu), (QStringList {"Edit", "Delete group and contacts"}));
    menu->hide();
}

void TestAddressBook::doubleClick_data()
{
    QTest::addColumn<bool>("callOnDoubleClick");
    QTest::addColumn<bool>("tree");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariantList>("call");
    QTest::addColumn<QString>("details");

    QTest::newRow("tree, calling") << true << true << "ann" << QVariantList {"Ann Lee", "+4915112345678"}
                                   << "";
    QTest::newRow("tree, details") << false << true << "ann" << QVariantList() << "ann";
    QTest::newRow("list, calling") << true << false << "bob" << QVariantList {"Bob Stone", "0302222222"}
                                   << "";
    QTest::newRow("list, details") << false << false << "bob" << QVariantList() << "bob";
    QTest::newRow("group") << true << true << "Zeta" << QVariantList() << "";
}

void TestAddressBook::doubleClick()
{
    QFETCH(bool, callOnDoubleClick);
    QFETCH(bool, tree);
    QFETCH(QString, key);
    QFETCH(QVariantList, call);
    QFETCH(QString, details);

    detachPage();
    m_rig->settings->setCallStartDblClick(callOnDoubleClick);
    page()->setGroupsShown(tree);
    QAbstractItemView *view = tree
        ? static_cast<QAbstractItemView *>(find<QTreeView>(page(), "contactsTreeView"))
        : find<QListView>(page(), "contactsListView");
    if (tree)
        static_cast<QTreeView *>(view)->expandAll();
    QSignalSpy calls(page(), &ContactListPage::callContact);
    QSignalSpy shown(page(), &ContactListPage::viewContactDetailsRequested);
    const QPoint at = view->visualRect(indexOf(view, key)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(calls.value(0), call);
    QCOMPARE(shown.value(0).value(0).toString(), details);
    QCOMPARE(calls.size() + shown.size(), int(!call.isEmpty() || !details.isEmpty()));
}

void TestAddressBook::detailsPageShowsTheContact()
{
    Phones seven;
    for (int i = 1; i <= 7; ++i)
        seven << Phones::value_type(i % 2 ? "CELL" : "WORK", QStringLiteral("03000000%1").arg(i));
    contacts().addOldContact(Contact(contactJson("many", "Work", "Manny", QString(60, QLatin1Char('x')),
                                                 seven, {"m@example.org"}, "2 High St")
                                         .toVariantMap()));
    auto *details = m_rig->child<ContactDetailsPage>("contactDetailsPage");
    const auto label = [&](const QString &name) {
        return details->findChild<QLabel *>(name);
    };
    const auto rows = [&] {
        QStringList shown;
        for (int row = 1; row <= 5; ++row) {
            if (label(QStringLiteral("numberLabel_%1").arg(row))->isVisible())
                shown << label(QStringLiteral("numberTypeLabel_%1").arg(row))->text()
                        + label(QStringLiteral("numberLabel_%1").arg(row))->text();
        }
        return shown;
    };

    emit page()->viewContactDetailsRequested(QStringLiteral("many"));
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::ContactDetailsView);
    QCOMPARE(rows(),
             (QStringList {"CELL:030000001", "WORK:030000002", "CELL:030000003", "WORK:030000004",
                           "CELL:030000005"}));
    QVERIFY(label("nameLabel")->text().startsWith(QStringLiteral("Manny xxx")));
    QVERIFY(label("nameLabel")->text().endsWith(QChar(0x2026)));
    QCOMPARE(label("addressLabel")->text(), QStringLiteral("2 High St"));
    QCOMPARE(label("emailLabel")->text(), QStringLiteral("m@example.org"));

    // Another contact in place; markup in the data shows as text.
    emit page()->viewContactDetailsRequested(QStringLiteral("mal"));
    QCOMPARE(rows(), QStringList {"CELL:0171111111"});
    QCOMPARE(label("emailLabel")->text(), QString());
    for (const char *name : {"nameLabel", "groupLabel", "emailLabel", "addressLabel", "numberLabel_1"})
        QCOMPARE(label(name)->textFormat(), Qt::PlainText);
    QCOMPARE(label("nameLabel")->text(), QStringLiteral("<img src=x> <b>Bold</b>"));

    // Its buttons reach the central area.
    emit page()->viewContactDetailsRequested(QStringLiteral("ann"));
    QSignalSpy sms(details, &ContactDetailsPage::sendSMS);
    details->findChild<QPushButton *>(QStringLiteral("sendSMSButton_2"))->click();
    QCOMPARE(sms, (QList<QVariantList> {{QString(), "0301234567"}}));
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::SmsView);
    m_rig->widget->setView(ContentWidget::ContactDetailsView, false);
    details->findChild<QPushButton *>(QStringLiteral("callNumberButton_1"))->click();
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::DialPadView);
    QVERIFY(m_rig->child<DialPadPage>("dialPadPage")->number().endsWith(QStringLiteral("15112345678")));

    // A contact that left the book leaves nothing on show.
    m_rig->widget->setView(ContentWidget::ContactDetailsView, false);
    contacts().deleteContact(QStringLiteral("ann"));
    contacts().refreshContactList();
    QCOMPARE(rows(), QStringList());
    QCOMPARE(label("nameLabel")->text(), QString());
    QCOMPARE(details->nick(), QString());

    emit page()->viewContactDetailsRequested(QStringLiteral("bob"));
    details->clear();
    contacts().deleteContact(QStringLiteral("bob"));
    details->updateContact();
    QCOMPARE(rows(), QStringList {"WORK:0302222222"});
}

void TestAddressBook::contactDialogChecksTheForm_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("newGroup"); // "-": no groups to pick from
    QTest::addColumn<QString>("error"); // empty: saved
    QTest::addColumn<QStringList>("marked");

    QTest::newRow("all bad") << " "
                             << "a@b"
                             << "12"
                             << ""
                             << "The following fields are invalid: First Name, Email, Phone 1"
                             << QStringList {"emailLabel", "firstNameLabel", "phone_1"};
    QTest::newRow("only the group") << "Zed"
                                    << ""
                                    << "0301112222"
                                    << "-"
                                    << "" << QStringList {"groupLabel"};
    QTest::newRow("group in another case")
        << "Zed"
        << ""
        << "0301112222"
        << "work"
        << "The following group already exists: work" << QStringList {"groupLabel"};
    QTest::newRow("shared number") << "Zed"
                                   << ""
                                   << "0171111111"
                                   << ""
                                   << "Contact exist with the same fields: Phone 1"
                                   << QStringList {"phone_1"};
    QTest::newRow("shared e-mail") << "Zed"
                                   << "ann@example.org"
                                   << "0301112222"
                                   << ""
                                   << "Contact exist with the same fields: Email"
                                   << QStringList {"emailLabel"};
    QTest::newRow("long top-level domain") << "Zed"
                                           << "zed@example.museum"
                                           << "+1-555-123-4567"
                                           << ""
                                           << "" << QStringList();
    QTest::newRow("new group, any script") << "Zed"
                                           << ""
                                           << "0301112222"
                                           << "Müller_1"
                                           << "" << QStringList();
}

void TestAddressBook::contactDialogChecksTheForm()
{
    QFETCH(QString, first);
    QFETCH(QString, email);
    QFETCH(QString, phone);
    QFETCH(QString, newGroup);
    QFETCH(QString, error);
    QFETCH(QStringList, marked);

    AddEditContactDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setAddContact(newGroup == QLatin1String("-") ? QList<ContactGroupPtr>() : contacts().groups());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    find<QLineEdit>(&dialog, "firstNameLineEdit")->setText(first);
    find<QLineEdit>(&dialog, "emailLineEdit")->setText(email);
    QTest::keyClicks(find<QLineEdit>(&dialog, "phoneLineEdit"), phone);
    if (!newGroup.isEmpty() && newGroup != QLatin1String("-")) {
        find<QPushButton>(&dialog, "addGroupButton")->click();
        // Neither blanks nor signs can be typed.
        find<QLineEdit>(&dialog, "groupLineEdit")->setText(newGroup);
        QTest::keyClicks(find<QLineEdit>(&dialog, "groupLineEdit"), QStringLiteral(" +"));
    }
    find<QPushButton>(&dialog, "addSaveContactButton")->click();

    const QLabel *errorLine = find<QLabel>(&dialog, "errorLabel");
    QCOMPARE(errorLine->isVisible() ? errorLine->text() : QString(), error);
    QStringList marks;
    for (const QLabel *label : dialog.findChildren<QLabel *>()) {
        if (label->property("_invalid").toBool())
            marks << label->objectName();
    }
    marks.sort();
    QCOMPARE(marks, marked);
    const bool saved = error.isEmpty() && marked.isEmpty();
    QCOMPARE(dialog.result(), saved ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (!saved) {
        QVERIFY(writes().isEmpty());
        return;
    }
    // Sent as the form says: digits only, the new group first.
    QTRY_VERIFY(!writes().isEmpty() && writes().last().resource == QLatin1String("contact"));
    const QJsonObject sent = writes().last().json().object();
    QCOMPARE(sent.value("phones")[0]["number"].toString(), QString(phone).remove(QRegularExpression("[+-]")));
    QCOMPARE(sent.value("emails").toArray(), QJsonArray {email});
    QCOMPARE(sent.value("groupName").toString(), newGroup.isEmpty() ? QStringLiteral("Family") : newGroup);
    QCOMPARE(writes().first().method + writes().first().resource.toLatin1(),
             newGroup.isEmpty() ? QByteArray("PUTcontact") : QByteArray("PUTgroup"));
    QVERIFY(contacts().contact(sent.value("nick").toString()));
}

void TestAddressBook::editKeepsWhatTheFormDoesNotShow()
{
    Phones seven;
    for (int i = 1; i <= 7; ++i)
        seven << Phones::value_type(i == 2 ? "CELL" : "HOME", QStringLiteral("0300000000%1").arg(i));
    const QJsonObject many = contactJson("many", "Work", "Manny", "Lee", seven,
                                         {"m@example.org", "m2@example.org"}, "2 High St");
    m_rig->phone.server.addContact(PhoneRig::kUser, many);
    contacts().addOldContact(Contact(many.toVariantMap()));

    AddEditContactDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setEditContact(QStringLiteral("many"));
    dialog.show();
    QCOMPARE(dialog.phoneRowCount(), 5);
    auto *row2 = find<PhoneNumberWidget>(&dialog, "phoneNumberWidget_2");
    QCOMPARE(row2->phoneType(), 2);
    // Removing row 2 moves the rows below it up, kinds and all; adding keeps them.
    find<QPushButton>(row2, "removeButton")->click();
    QCOMPARE(row2->number(), QStringLiteral("03000000003"));
    QCOMPARE(row2->phoneType(), 0);
    find<QPushButton>(find<QWidget>(&dialog, "phoneNumberWidget_4"), "addButton")->click();
    QCOMPARE(dialog.phoneRowCount(), 5);
    QCOMPARE(find<PhoneNumberWidget>(&dialog, "phoneNumberWidget_4")->number(),
             QStringLiteral("03000000005"));
    find<PhoneNumberWidget>(&dialog, "phoneNumberWidget_5")->setNumber(QStringLiteral("0309999999"));
    find<QLineEdit>(&dialog, "emailLineEdit")->setText(QStringLiteral("new@example.org"));
    find<QLineEdit>(&dialog, "addressLineEdit")->setText(QStringLiteral("3 Low Rd"));
    find<QPushButton>(&dialog, "addSaveContactButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QTRY_COMPARE(writes().size(), 1);
    const QJsonObject stored = m_rig->phone.server.contact(PhoneRig::kUser, QStringLiteral("many"));
    QCOMPARE(writes().first().method, QByteArray("POST"));
    QStringList numbers;
    for (const QJsonValue phone : stored.value("phones").toArray())
        numbers << phone["number"].toString();
    QCOMPARE(numbers,
             (QStringList {"03000000001", "03000000003", "03000000004", "03000000005", "0309999999",
                           "03000000006", "03000000007"}));
    QCOMPARE(stored.value("emails").toArray(), (QJsonArray {"new@example.org", "m2@example.org"}));
    QCOMPARE(stored.value("addressLine1").toString(), QStringLiteral("3 Low Rd"));
    QCOMPARE(contacts().contact(QStringLiteral("many"))->addressLine1(), QStringLiteral("3 Low Rd"));

    // Nothing to save for a contact the book no longer holds.
    AddEditContactDialog gone;
    gone.setContactManager(&contacts());
    gone.setEditContact(QStringLiteral("nobody"));
    QVERIFY(!find<QPushButton>(&gone, "addSaveContactButton")->isEnabled());
}

void TestAddressBook::editIntoANewGroupSavesTheEditsFirst()
{
    AddEditContactDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setEditContact(QStringLiteral("bob"));
    dialog.show();
    find<QLineEdit>(&dialog, "firstNameLineEdit")->setText(QStringLiteral("Robert"));
    find<QPushButton>(&dialog, "addGroupButton")->click();
    find<QLineEdit>(&dialog, "groupLineEdit")->setText(QStringLiteral("Clients"));
    find<QPushButton>(&dialog, "addSaveContactButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QTRY_COMPARE(writes().size(), 3);
    QStringList sent;
    for (const WebserviceStandIn::Request &request : writes()) {
        const QJsonObject body = request.json().object();
        sent << request.method + ' ' + request.resource + ' ' + body.value("firstName").toString()
                + body.value("groupName").toString() + body.value("name").toString();
    }
    QCOMPARE(sent,
             (QStringList {"POST contact RobertWork", "PUT group Clients", "POST contact RobertClients"}));
    QCOMPARE(contacts().contact(QStringLiteral("bob"))->groupName(), QStringLiteral("Clients"));
    QCOMPARE(contacts().group(QStringLiteral("Clients"))->contactCount(), 1);
}

void TestAddressBook::contactDialogFocusChain()
{
    AddEditContactDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setAddContact(contacts().groups());
    dialog.setPhoneRowCount(2);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const auto walk = [&](Qt::Key key, int steps) {
        QStringList names;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key,
                            key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            const QWidget *focus = QApplication::focusWidget();
            const auto *row = qobject_cast<const PhoneNumberWidget *>(focus->parentWidget());
            names << (row ? row->objectName().right(1) + QLatin1Char(':') : QString()) + focus->objectName();
        }
        return names;
    };
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("firstNameLineEdit"));
    QCOMPARE(walk(Qt::Key_Tab, 12),
             (QStringList {"lastNameLineEdit", "groupCombo", "addGroupButton", "emailLineEdit",
                           "addressLineEdit", "1:phoneLineEdit", "1:removeButton", "2:phoneLineEdit",
                           "2:removeButton", "2:addButton", "addSaveContactButton", "firstNameLineEdit"}));
    find<QPushButton>(&dialog, "addSaveContactButton")->setFocus();
    QCOMPARE(walk(Qt::Key_Backtab, 7),
             (QStringList {"2:addButton", "2:removeButton", "2:phoneLineEdit", "1:removeButton",
                           "1:phoneLineEdit", "addressLineEdit", "emailLineEdit"}));
    find<QPushButton>(&dialog, "addGroupButton")->click();
    find<QLineEdit>(&dialog, "lastNameLineEdit")->setFocus();
    QCOMPARE(walk(Qt::Key_Tab, 3), (QStringList {"groupLineEdit", "cancelAddGroup", "emailLineEdit"}));
    QCOMPARE(walk(Qt::Key_Backtab, 2), (QStringList {"cancelAddGroup", "groupLineEdit"}));
}

void TestAddressBook::phoneRowPicksItsKind()
{
    PhoneNumberWidget row;
    row.show();
    QVERIFY(QTest::qWaitForWindowActive(&row));
    auto *number = find<QLineEdit>(&row, "phoneLineEdit");
    auto *kind = find<QPushButton>(&row, "choosePhoneTypeButton");
    QTest::keyClicks(number, QStringLiteral("+1-2a +3"));
    QCOMPARE(row.number(), QStringLiteral("+1-23"));

    QTest::keyClick(number, Qt::Key_Down);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), QStringLiteral("phoneTypePopup"));
    QCOMPARE(actionTexts(menu), (QStringList {"home", "work", "mobile"}));
    QCOMPARE(number->cursorPosition(), 5);
    menu->actions().at(2)->trigger();
    menu->hide();
    QCOMPARE(row.phoneType(), 2);
    QCOMPARE(kind->property("_phone_type").toString(), QStringLiteral("mobile"));
    QCOMPARE(QApplication::focusWidget(), number);
    row.setPhoneType(7);
    QCOMPARE(kind->property("_phone_type").toString(), QString());
    QCOMPARE(row.phoneType(), 7);

    row.setButtonsVisible(PhoneNumberWidget::RemoveOnly);
    row.setButtonsVisible(9);
    QVERIFY(!find<QPushButton>(&row, "addButton")->isVisible());
    QVERIFY(find<QPushButton>(&row, "removeButton")->isVisible());
}

void TestAddressBook::groupDialogAddsAndRefuses()
{
    AddEditGroupDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setAddGroup();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *list = find<QListWidget>(&dialog, "listWidget");
    auto *name = find<QLineEdit>(&dialog, "groupNameLineEdit");
    auto *save = find<QPushButton>(&dialog, "saveCreateGroupButton");
    const auto error = [&] {
        return find<QLabel>(&dialog, "errorLabel")->text();
    };
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add new group"));
    // Folded at first; unfolding shows the list and makes room for it.
    QVERIFY(!list->isVisible());
    const int folded = dialog.height();
    find<QPushButton>(&dialog, "expandCollapseButton")->click();
    QVERIFY(list->isVisible());
    QVERIFY(dialog.height() >= folded + AddEditGroupDialog::ListHeight);
    QCOMPARE(list->count(), 5);
    QCOMPARE(list->item(1)->text(), QStringLiteral("Ann Lee (ann@example.org)"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("José "));

    QTest::keyClicks(name, QStringLiteral("  "));
    save->click();
    QCOMPARE(error(), QStringLiteral("The following field is invalid or contains spaces: Group"));
    QVERIFY(find<QLabel>(&dialog, "groupLabel")->property("_invalid").toBool());
    name->setText(QStringLiteral("zETA"));
    save->click();
    QCOMPARE(error(), QStringLiteral("The following group already exists: zETA"));
    QVERIFY(writes().isEmpty());

    auto *ann = qobject_cast<ContactWidget *>(list->itemWidget(list->item(1)));
    QVERIFY(ann && !ann->isChecked());
    QTest::mouseClick(find<QPushButton>(ann, "addRemoveButton"), Qt::LeftButton);
    QCOMPARE(find<QPushButton>(ann, "addRemoveButton")->text(), QStringLiteral("REMOVE"));
    name->setText(QStringLiteral("Clients"));
    save->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QTRY_COMPARE(writes().size(), 2);
    QCOMPARE(writes().at(0).method + writes().at(0).resource.toLatin1(), QByteArray("PUTgroup"));
    QCOMPARE(writes().at(1).json().object().value("groupName").toString(), QStringLiteral("Clients"));
    QCOMPARE(contacts().contact(QStringLiteral("ann"))->groupName(), QStringLiteral("Clients"));
}

void TestAddressBook::groupDialogRenamesAndMovesByNick()
{
    AddEditGroupDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setEditGroup(contacts().group(QStringLiteral("Zeta")));
    dialog.show();
    find<QPushButton>(&dialog, "expandCollapseButton")->click();
    auto *list = find<QListWidget>(&dialog, "listWidget");
    QStringList buttons;
    for (int row = 0; row < list->count(); ++row)
        buttons << find<QPushButton>(list->itemWidget(list->item(row)), "addRemoveButton")->text();
    QCOMPARE(buttons, (QStringList {"ADD", "ADD", "ADD", "REMOVE", "REMOVE"}));
    QCOMPARE(find<QLabel>(list->itemWidget(list->item(4)), "nameLabel")->textFormat(), Qt::PlainText);
    find<QPushButton>(list->itemWidget(list->item(0)), "addRemoveButton")->click(); // José

    // The book changes while the dialog is open: a contact now sorts before José.
    contacts().addOldContact(Contact(contactJson("abe", "Friends", "Abe", "Ng").toVariantMap()));
    auto *name = find<QLineEdit>(&dialog, "groupNameLineEdit");
    name->setText(QStringLiteral("friends"));
    find<QPushButton>(&dialog, "saveCreateGroupButton")->click();
    QCOMPARE(find<QLabel>(&dialog, "errorLabel")->text(),
             QStringLiteral("The following group already exists: friends"));
    name->setText(QStringLiteral("Yankee"));
    find<QPushButton>(&dialog, "saveCreateGroupButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QTRY_COMPARE(writes().size(), 2);
    QCOMPARE(writes().at(0).key(), QStringLiteral("jose"));
    QCOMPARE(writes().at(1).method + writes().at(1).key().toLatin1(), QByteArray("POSTZeta"));
    QVERIFY(!contacts().group(QStringLiteral("Zeta")));
    QStringList members;
    for (const ContactPtr &contact : contacts().group(QStringLiteral("Yankee"))->contacts())
        members << contact->nick();
    QCOMPARE(members, (QStringList {"eve", "jose", "mal"}));
    QCOMPARE(contacts().contact(QStringLiteral("abe"))->groupName(), QStringLiteral("Friends"));
}

void TestAddressBook::deleteContactAsksFirst_data()
{
    QTest::addColumn<bool>("fromDetails");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("goneMeanwhile");
    QTest::addColumn<bool>("deleted");

    QTest::newRow("cancelled") << false << false << false << false;
    QTest::newRow("from the list") << false << true << false << true;
    QTest::newRow("from the details") << true << true << false << true;
    QTest::newRow("gone while asked") << true << true << true << false;
}

void TestAddressBook::deleteContactAsksFirst()
{
    QFETCH(bool, fromDetails);
    QFETCH(bool, ok);
    QFETCH(bool, goneMeanwhile);
    QFETCH(bool, deleted);

    const QString nick = QStringLiteral("mal");
    if (fromDetails)
        emit page()->viewContactDetailsRequested(nick);
    const ContentWidget::View before = m_rig->widget->currentView();
    whenAsked(ok, [&] {
        QCOMPARE(m_rig->child<QLabel>("queryUserQuestionLabel")->text(),
                 QStringLiteral("Do you want to delete this contact?"));
        QCOMPARE(m_rig->child<QLabel>("queryUserExtraLabel")->text(),
                 QStringLiteral("<img src=x> <b>Bold</b>"));
        if (goneMeanwhile)
            contacts().setContacts({});
    });
    if (fromDetails)
        find<QToolButton>(m_rig->child<ContactDetailsPage>("contactDetailsPage"), "deleteButton")->click();
    else
        emit page()->deleteContactRequested(nick);

    QCOMPARE(m_rig->widget->currentView(), deleted ? ContentWidget::ContactListView : before);
    QCOMPARE(!contacts().contact(nick), deleted || goneMeanwhile);
    QCOMPARE(indexOf(find<QTreeView>(page(), "contactsTreeView"), nick).isValid(),
             !deleted && !goneMeanwhile);
    if (deleted)
        QTRY_COMPARE(writes().size(), 1);
    QCOMPARE(writes().size(), int(deleted));
    QVERIFY(!m_rig->phone.server.contactNicks(PhoneRig::kUser).contains(nick) == deleted);
}

void TestAddressBook::deleteGroupAsksAndPicksTheTarget_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<QString>("target"); // empty: the picker is cancelled
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("with its contacts")
        << false << "" << QStringList {"DELETE eve", "DELETE mal", "DELETE Zeta"};
    QTest::newRow("moving its contacts")
        << true << "Friends" << QStringList {"POST eve Friends", "POST mal Friends", "DELETE Zeta"};
    QTest::newRow("picker cancelled") << true << "" << QStringList();
}

void TestAddressBook::deleteGroupAsksAndPicksTheTarget()
{
    QFETCH(bool, move);
    QFETCH(QString, target);
    QFETCH(QStringList, sent);

    QStringList offered;
    whenAsked(true, [&] {
        QCOMPARE(m_rig->child<QLabel>("queryUserQuestionLabel")->text(),
                 move ? QStringLiteral("Delete group, move contacts?")
                      : QStringLiteral("Delete group and contacts?"));
        QCOMPARE(m_rig->child<QLabel>("queryUserExtraLabel")->text(), QStringLiteral("Zeta"));
    });
    if (move) {
        whenModal([&](QWidget *modal) {
            auto *picker = qobject_cast<QInputDialog *>(modal);
            QVERIFY(picker);
            QCOMPARE(picker->windowTitle() + picker->labelText(), QStringLiteral("Select GroupGroup:"));
            offered = picker->comboBoxItems();
            picker->setTextValue(target);
            if (target.isEmpty())
                picker->reject();
            else
                picker->accept();
        });
    }
    emit page()->deleteGroupRequested(QStringLiteral("Zeta"), move);

    QCOMPARE(offered, move ? (QStringList {"Family", "Friends", "Work"}) : QStringList());
    QCOMPARE(!contacts().group(QStringLiteral("Zeta")), !sent.isEmpty());
    QCOMPARE(indexOf(find<QTreeView>(page(), "contactsTreeView"), QStringLiteral("Zeta")).isValid(),
             sent.isEmpty());
    QTRY_COMPARE(writes().size(), sent.size());
    QStringList requests;
    for (const WebserviceStandIn::Request &request : writes())
        requests << (request.method + ' ' + request.key() + ' ' + request.json()["groupName"].toString())
                        .trimmed();
    QCOMPARE(requests, sent);
    if (!target.isEmpty())
        QCOMPARE(contacts().contact(QStringLiteral("eve"))->groupName(), target);
}

void TestAddressBook::dialPadNumberOpensTheContactDialog()
{
    QString number;
    whenModal([&](QWidget *modal) {
        QCOMPARE(modal->windowTitle(), QStringLiteral("Add new contact"));
        number = find<PhoneNumberWidget>(modal, "phoneNumberWidget_1")->number();
        qobject_cast<QDialog *>(modal)->reject();
    });
    emit m_rig->child<DialPadPage>("dialPadPage")->saveNumber(QStringLiteral("+49301234"));
    QCOMPARE(number, QStringLiteral("+49301234"));
    QVERIFY(writes().isEmpty());
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
