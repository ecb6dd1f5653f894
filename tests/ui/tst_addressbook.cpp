#include "centralrig.h"
#include "contactsmodels.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "ui/addeditcontactdialog.h"
#include "ui/addeditgroupdialog.h"
#include "ui/contactdetailspage.h"
#include "ui/contactitemdelegate.h"
#include "ui/contactlistpage.h"
#include "ui/contactwidget.h"
#include "ui/dialpadpage.h"
#include "ui/importcontactsdialog.h"
#include "ui/phonenumberwidget.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

using namespace UiTesting;

namespace {

using M = ContactsTreeModel;
using Phones = QList<QPair<QString, QString>>; // wire kind, number
const auto record = &WebserviceStandIn::contactRecord;

// Family, Friends, Work, Zeta: groups of 0, 1, 3 and 2 contacts; flat rows
// jose, ann, bob, many, eve, mal.
QList<QJsonObject> book()
{
    Phones seven;
    for (int i = 1; i <= 7; ++i)
        seven << Phones::value_type(i == 2 ? "CELL" : "HOME", QStringLiteral("0300000000%1").arg(i));
    return {record("many", "Work", "Manny", QString(60, 'x'), seven, {"m@example.org", "m2@example.org"},
                   "2 High St"),
            record("ann", "Work", "Ann", "Lee", {{"CELL", "+4915112345678"}, {"HOME", "0301234567"}},
                   {"ann@example.org", "ann@work.example"}, "1 Main St"),
            record("bob", "Work", "Bob", "Stone", {{"WORK", "0302222222"}}, {}, {}),
            record("jose", "Friends", "José", "", {{"HOME", "+34911234567"}}, {}, {}),
            record("eve", "Zeta", "Eve", "Adams", {}, {}, {}),
            record("mal", "Zeta", "<img src=x>", "<b>Bold</b>", {{"CELL", "0171111111"}}, {}, {})};
}

// The entries of a menu, a submenu's in brackets after its title.
QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (action->menu())
            texts << QLatin1Char('[') + actionTexts(action->menu()).join(QLatin1Char(',')) + QLatin1Char(']');
    }
    return texts;
}

void trigger(const QMenu *menu, const QString &text)
{
    for (QAction *action : menu->findChildren<QAction *>()) {
        if (action->text() == text)
            return action->trigger();
    }
    QFAIL(qPrintable(text));
}

// The tooltip on screen, if any.
QLabel *shownToolTip()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("qtooltip_label") && widget->isVisible())
            return qobject_cast<QLabel *>(widget);
    }
    return nullptr;
}

// The text a label shows for this text and format.
QString shownText(const QString &text, Qt::TextFormat format)
{
    QTextDocument document;
    if (format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text)))
        document.setHtml(text);
    else
        document.setPlainText(text);
    return document.toPlainText();
}

// A name wider than any row or page of the program, with markup in it.
const QString LongFirstName = QStringLiteral("Maximiliana");
const QString LongLastName = QStringLiteral("<b>Featherstonehaugh</b>-Wolstenholme-Montgomery-Abercrombie");

// Whether the label shows the start of the name, cut with an ellipsis, and
// holds the whole of it in its tooltip.
bool showsTheStartOf(const QLabel *label, const QString &name)
{
    return label->text().startsWith(name.left(20)) && label->text().endsWith(QChar(0x2026))
        && label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width()
        && shownText(label->toolTip(), Qt::AutoText) == name;
}

template<typename T = QWidget>
T *find(const QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

// The labels marked as failing, by name.
QStringList marked(const QWidget *dialog)
{
    QStringList names;
    for (const QLabel *label : dialog->findChildren<QLabel *>()) {
        if (label->property("_invalid").toBool())
            names << label->objectName();
    }
    names.sort();
    return names;
}

} // namespace

class TestAddressBook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { applyApplicationLook(); }
    void init();
    void cleanup() { m_rig.reset(); }

    void modelsFlattenTheTreeAndPassTheTester();
    void searchShowsMatchesInBothViews();
    void contextMenusNameWhatTheyActOn();
    void contextMenuEntriesClickedWithTheMouse_data();
    void contextMenuEntriesClickedWithTheMouse();
    void hoverShowsTheNameAsItIs();
    void refreshRequestsRepaintOneRow();
    void fixedStringFilterSearchesToo();
    void doubleClick_data();
    void doubleClick();
    void detailsPageShowsTheContact();
    void detailsShowAnEmailAddressWholeOrCut_data();
    void detailsShowAnEmailAddressWholeOrCut();
    void contactDialogChecksTheForm_data();
    void contactDialogChecksTheForm();
    void editKeepsWhatTheFormDoesNotShow();
    void editIntoANewGroupSavesTheEditsFirst();
    void contactDialogFocusChain();
    void phoneRowPicksItsKind();
    void groupDialogAddsAndRefuses();
    void groupDialogRenamesAndMovesByNick();
    void groupDialogCutsLongNamesAtTheEnd();
    void groupDialogLimitsOnlyWhatIsTyped();
    void pastedNumberIsCleaned_data();
    void pastedNumberIsCleaned();
    void editKeepsTheOpenGroupsOpen();
    void deleteQuestionShowsTheStartOfALongName();
    void deleteQuestionKeepsClearOfTheSides_data();
    void deleteQuestionKeepsClearOfTheSides();
    void deleteContactAsksFirst_data();
    void deleteContactAsksFirst();
    void deleteGroupAsksAndPicksTheTarget_data();
    void deleteGroupAsksAndPicksTheTarget();
    void dialPadNumberOpensTheContactDialog();
    void countsSayOneInTheSingular_data();
    void countsSayOneInTheSingular();
    void failedContactListIsTold_data();
    void failedContactListIsTold();
    void generatedContactsCanBeEdited();
    void screenshots();

private:
    // Keeps the page's requests from the central area.
    void detachPage() { QObject::disconnect(page(), nullptr, m_rig->widget.get(), nullptr); }
    QModelIndex indexOf(const QAbstractItemView *view, const QString &nickOrGroup) const;
    QMenu *openMenu(QAbstractItemView *view, const QString &nickOrGroup) const;
    // Answers the in-page question once it is up, after the check.
    void whenAsked(bool ok, std::function<void()> check);
    ContactListPage *page() const { return m_rig->child<ContactListPage>("contactListPage"); }
    QTreeView *tree() const { return find<QTreeView>(page(), "contactsTreeView"); }
    ContactManager &contacts() const { return m_rig->phone.contacts; }
    // Adds a contact whose name is too long for any row.
    void addLongNamedContact();
    // Right-clicks the row and clicks the entry of its menu; the modal parts
    // that follow are answered by whoever waits for them.
    void chooseFromMenu(const QString &row, const QString &entry);
    // What the stand-in was asked to change: method, key, group name.
    QStringList writes() const;

    int m_case = 0;
    std::unique_ptr<CentralRig> m_rig;
};

void TestAddressBook::init()
{
    m_rig = std::make_unique<CentralRig>(QStringLiteral("book%1.px").arg(++m_case));
    WebserviceStandIn &server = m_rig->phone.server;
    QList<Group> groups;
    for (const QString &name : {"Work", "Family", "Friends", "Zeta"}) {
        server.addGroup(PhoneRig::kUser, name);
        groups << Group(name);
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
    server.clearRequests();
    m_rig->widget->resize(313, 458);
    m_rig->widget->show();
    m_rig->widget->setView(ContentWidget::ContactListView, false);
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
}

QStringList TestAddressBook::writes() const
{
    QStringList list;
    for (const WebserviceStandIn::Request &request : m_rig->phone.server.requests()) {
        const QJsonObject body = request.json().object();
        if (request.method != "GET" && request.status != 0)
            list << QStringList {request.method, request.resource, request.key(),
                                 body["groupName"].toString(), body["name"].toString()}
                        .join(QLatin1Char(' '))
                        .simplified();
    }
    return list;
}

QModelIndex TestAddressBook::indexOf(const QAbstractItemView *view, const QString &nickOrGroup) const
{
    const QAbstractItemModel *model = view->model();
    for (const int role : {int(M::NickRole), int(Qt::DisplayRole)}) {
        const QModelIndexList found
            = model->match(model->index(0, 0), role, nickOrGroup, 1, Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty())
            return found.first();
    }
    return QModelIndex();
}

QMenu *TestAddressBook::openMenu(QAbstractItemView *view, const QString &nickOrGroup) const
{
    emit view->customContextMenuRequested(view->visualRect(indexOf(view, nickOrGroup)).center());
    for (QMenu *menu : page()->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (menu->isVisible())
            return menu;
    }
    return nullptr;
}

void TestAddressBook::addLongNamedContact()
{
    contacts().addOldContact(
        Contact(record("max", "Friends", LongFirstName, LongLastName, {}, {}, {}).toVariantMap()));
    contacts().refreshContactList();
}

void TestAddressBook::chooseFromMenu(const QString &row, const QString &entry)
{
    const QModelIndex index = indexOf(tree(), row);
    QVERIFY(index.isValid());
    rightClick(tree()->viewport(), tree()->visualRect(index).center());
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    for (QAction *action : menu->actions()) {
        if (action->text() == entry)
            return QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }
    QFAIL(qPrintable(entry));
}

void TestAddressBook::whenAsked(bool ok, std::function<void()> check)
{
    when([this] { return m_rig->widget->currentView() == ContentWidget::QueryUserView; },
         [this, ok, check] {
             check();
             m_rig->child<QPushButton>(ok ? "queryUserOkButton" : "queryUserCancelButton")->click();
         });
}

void TestAddressBook::modelsFlattenTheTreeAndPassTheTester()
{
    ContactsTreeModel tree;
    ContactsListModel list;
    list.setSourceModel(&tree);
    ContactsSortFilterProxyModel listProxy;
    ContactsTreeSortFilterProxyModel treeProxy;
    listProxy.setSourceModel(&list);
    treeProxy.setSourceModel(&tree);
    const QList<QAbstractItemModel *> models {&tree, &list, &listProxy, &treeProxy};
    for (QAbstractItemModel *model : models)
        new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest, model);
    QCOMPARE(list.rowCount(), 0);

    tree.setGroups(contacts().groups());
    QCOMPARE(tree.rowCount(), 4);
    QCOMPARE(list.rowCount(), 6);
    const auto roles = [](const QModelIndex &index, const QList<int> &roles) {
        QVariantList values;
        for (const int role : roles)
            values << index.data(role);
        return values;
    };
    const QModelIndex work = tree.index(2, 0);
    QCOMPARE(roles(work,
                   {Qt::DisplayRole, M::IsGroupRole, M::ContactCountRole, M::IsDefaultGroupRole,
                    M::GroupRowRole, Qt::ToolTipRole, M::FirstNumberRole}),
             (QVariantList {"Work", 1, 3, true, 2, QVariant(), QVariant()}));
    QList<int> contactRoles {Qt::DisplayRole,     Qt::ToolTipRole,        M::IsGroupRole,
                             M::FirstNumberRole,  M::FirstNumberTypeRole, M::NumbersRole,
                             M::NumberTypesRole,  M::ContactGroupRowRole, M::ContactRowRole,
                             M::ContactCountRole, Qt::DecorationRole};
    QCOMPARE(shownText(tree.index(0, 0, work).data(Qt::ToolTipRole).toString(), Qt::AutoText),
             QStringLiteral("Ann Lee"));
    contactRoles.removeAt(1);
    QCOMPARE(roles(tree.index(0, 0, work), contactRoles),
             (QVariantList {"Ann Lee", 0, "+4915112345678", 2, QStringList {"+4915112345678", "0301234567"},
                            QVariantList {2, 0}, 2, 0, QVariant(), QVariant()}));
    // Flat row 5 is Zeta's second contact; a contact without phones; a blank that stays.
    QCOMPARE(roles(list.index(5), contactRoles).mid(6, 2), (QVariantList {3, 1}));
    QCOMPARE(list.index(5).internalId(), quintptr(3));
    QCOMPARE(roles(list.index(4), contactRoles).mid(2, 4),
             (QVariantList {QString(), -1, QStringList(), QVariantList()}));
    QCOMPARE(list.index(0).data(), QVariant("José "));
    QVERIFY(!list.index(6).isValid());
    QVERIFY(!tree.index(0, 1).isValid());
    QVERIFY(!tree.index(3, 0, work).isValid());
    QCOMPARE(tree.rowCount(tree.index(0, 0, work)), 0);

    // Searching, and the book changing under the search.
    listProxy.setSearchText(QStringLiteral("E"));
    treeProxy.setSearchText(QStringLiteral("E"));
    const auto counts = [&] {
        return QList<int> {listProxy.rowCount(), treeProxy.rowCount()};
    };
    QCOMPARE(counts(), (QList<int> {3, 2})); // Ann Lee, Bob Stone, Eve Adams in Work and Zeta
    contacts().deleteContact(QStringLiteral("bob"));
    tree.setGroups(contacts().groups());
    QCOMPARE(counts(), (QList<int> {2, 2}));

    // A repaint request of one contact reaches both models; another role none.
    QSignalSpy treeChanged(&tree, &QAbstractItemModel::dataChanged);
    QSignalSpy listChanged(&list, &QAbstractItemModel::dataChanged);
    QVERIFY(!list.setData(list.index(1), QVariant(), Qt::EditRole));
    QVERIFY(list.setData(list.index(1), QVariant(), M::RefreshRole));
    QCOMPARE(treeChanged.size() + listChanged.size(), 2);
    QCOMPARE(listChanged.first().first().toModelIndex(), list.index(1));
    QCOMPARE(treeChanged.first().first().toModelIndex().data(M::NickRole), QVariant("ann"));
}

void TestAddressBook::searchShowsMatchesInBothViews()
{
    auto *flat = find<QListView>(page(), "contactsListView");
    auto *search = find<QLineEdit>(page(), "searchLineEdit");
    auto *clear = find<QPushButton>(page(), "searchClearButton");
    QVERIFY(clear->isVisible());
    QCOMPARE(clear->parentWidget(), search);
    QCOMPARE(clear->geometry().right(), search->width() - 4);

    const auto shown = [&] {
        QStringList rows;
        for (int g = 0; g < tree()->model()->rowCount(); ++g) {
            const QModelIndex group = tree()->model()->index(g, 0);
            rows << group.data().toString() + (tree()->isExpanded(group) ? "+" : "-")
                    + QString::number(tree()->model()->rowCount(group));
        }
        return rows << QString::number(flat->model()->rowCount());
    };
    // José, Bob Stone and the one with markup in its name.
    QTest::keyClicks(search, QStringLiteral("O"));
    const QStringList matches {"Friends+1", "Work+1", "Zeta+1", "3"};
    QCOMPARE(shown(), matches);
    // A change of the book keeps the search and its unfolded groups.
    contacts().refreshContactList();
    QCOMPARE(shown(), matches);
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(shown(), (QStringList {"Family-0", "Friends+1", "Work+3", "Zeta+2", "6"}));
    // A group's own name is never matched.
    search->setText(QStringLiteral("zeta"));
    QCOMPARE(shown(), QStringList {"0"});
}

void TestAddressBook::contextMenusNameWhatTheyActOn()
{
    detachPage();
    tree()->expandAll();
    QSignalSpy calls(page(), &ContactListPage::callContact);
    QSignalSpy sms(page(), &ContactListPage::sendSMS);
    QSignalSpy details(page(), &ContactListPage::viewContactDetailsRequested);
    QSignalSpy edits(page(), &ContactListPage::editContactRequested);
    QSignalSpy deletions(page(), &ContactListPage::deleteContactRequested);
    QSignalSpy groupEdits(page(), &ContactListPage::editGroupRequested);
    QSignalSpy groupDeletions(page(), &ContactListPage::deleteGroupRequested);

    QVERIFY(!openMenu(tree(), QStringLiteral("Work"))); // a default group
    emit tree()->customContextMenuRequested(QPoint(5, tree()->viewport()->height() - 2));
    QVERIFY(!page()->findChild<QMenu *>(QString(), Qt::FindDirectChildrenOnly));

    QPointer<QMenu> menu = openMenu(tree(), QStringLiteral("Zeta"));
    QCOMPARE(actionTexts(menu),
             (QStringList {"Edit", "Delete group, move contacts", "Delete group and contacts"}));
    // A change of the book while the menu is open: the group is still the one named.
    contacts().refreshContactList();
    for (const char *entry : {"Delete group, move contacts", "Delete group and contacts", "Edit"})
        trigger(menu, entry);
    QCOMPARE(groupDeletions, (QList<QVariantList> {{"Zeta", true}, {"Zeta", false}}));
    QCOMPARE(groupEdits, QList<QVariantList> {{"Zeta"}});
    menu->hide();

    // One menu at a time: the next one replaces it.
    tree()->expandAll();
    const QPointer<QMenu> groupMenu = menu;
    menu = openMenu(tree(), QStringLiteral("ann"));
    QVERIFY(!groupMenu);
    QCOMPARE(page()->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    QCOMPARE(actionTexts(menu),
             (QStringList {"Call", "[+4915112345678,0301234567]", "Send SMS", "[+4915112345678,0301234567]",
                           "-", "Details", "Edit", "-", "Delete"}));
    QVERIFY(!menu->actions().at(0)->menu()->actions().at(1)->icon().isNull());
    menu->actions().at(0)->menu()->actions().at(1)->trigger();
    menu->actions().at(1)->menu()->actions().at(0)->trigger();
    for (const char *entry : {"Details", "Edit", "Delete"})
        trigger(menu, entry);
    QCOMPARE(calls, (QList<QVariantList> {{"Ann Lee", "0301234567"}}));
    QCOMPARE(sms, (QList<QVariantList> {{"Ann Lee", "+4915112345678"}}));
    QCOMPARE(details + edits + deletions, (QList<QVariantList> {{"ann"}, {"ann"}, {"ann"}}));
    // After a reset the menu's row is gone: its actions do nothing.
    contacts().refreshContactList();
    trigger(menu, "Delete");
    menu->actions().at(0)->menu()->actions().at(1)->trigger();
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
    menu = openMenu(tree(), QStringLiteral("Zeta"));
    QCOMPARE(actionTexts(menu), (QStringList {"Edit", "Delete group and contacts"}));
    menu->hide();
}

void TestAddressBook::contextMenuEntriesClickedWithTheMouse_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("asksInPage"); // else a dialog of its own
    QTest::addColumn<QStringList>("sent");

    // clang-format off
    QTest::newRow("group, edit") << "Zeta" << "Edit" << false << QStringList();
    QTest::newRow("group, delete and move") << "Zeta" << "Delete group, move contacts" << true << QStringList {"POST contact eve Friends", "POST contact mal Friends", "DELETE group Zeta"};
    QTest::newRow("group, delete with contacts") << "Zeta" << "Delete group and contacts" << true << QStringList {"DELETE contact eve", "DELETE contact mal", "DELETE group Zeta"};
    QTest::newRow("contact, edit") << "ann" << "Edit" << false << QStringList();
    QTest::newRow("contact, delete") << "ann" << "Delete" << true << QStringList {"DELETE contact ann"};
    // clang-format on
}

// As a person does it: a right click on the row, a left click on the entry,
// then the question or the dialog answered while the menu that was clicked
// is still winding up its click.
void TestAddressBook::contextMenuEntriesClickedWithTheMouse()
{
    QFETCH(QString, row);
    QFETCH(QString, entry);
    QFETCH(bool, asksInPage);
    QFETCH(QStringList, sent);

    page()->setGroupsShown(true);
    tree()->expandAll();
    for (int round = 0; round < 2; ++round) {
        const QModelIndex index = indexOf(tree(), row);
        QVERIFY(index.isValid());
        rightClick(tree()->viewport(), tree()->visualRect(index).center());
        QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *action = UiTesting::menuEntry(menu, entry);
        QVERIFY(action);

        bool answered = false;
        const bool last = round == 1;
        const auto answer = [&, menu] {
            // The menu is still there for its own code to return to.
            QVERIFY(menu);
            answered = true;
        };
        if (asksInPage) {
            whenAsked(last, answer);
            if (last && entry.contains(QStringLiteral("move"))) {
                whenModal([](QWidget *modal) {
                    auto *picker = qobject_cast<QInputDialog *>(modal);
                    picker->setTextValue(QStringLiteral("Friends"));
                    picker->accept();
                });
            }
        } else {
            whenModal([&, answer](QWidget *modal) {
                answer();
                qobject_cast<QDialog *>(modal)->reject();
            });
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QTRY_VERIFY(answered);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!menu || !menu->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QTRY_COMPARE(writes(), sent);
    QCOMPARE(indexOf(tree(), row).isValid(), sent.isEmpty());
}

// Names are shown as they are in the hover text too: markup there would load
// and draw a file (a /dev/zero picture never ends).
void TestAddressBook::hoverShowsTheNameAsItIs()
{
    page()->setGroupsShown(true);
    tree()->expandAll();
    const QModelIndex mal = indexOf(tree(), QStringLiteral("mal"));
    const QPoint at = tree()->visualRect(mal).center();
    QHelpEvent hover(QEvent::ToolTip, at, tree()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree()->viewport(), &hover);
    QTRY_VERIFY(shownToolTip());
    const QLabel *tip = shownToolTip();
    QCOMPARE(shownText(tip->text(), tip->textFormat()), QStringLiteral("<img src=x> <b>Bold</b>"));
    QToolTip::hideText();
}

void TestAddressBook::refreshRequestsRepaintOneRow()
{
    page()->setGroupsShown(true);
    tree()->expandAll();
    QSignalSpy treeRows(tree()->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy flatRows(find<QListView>(page(), "contactsListView")->model(),
                        &QAbstractItemModel::dataChanged);
    const int zeta = 3;
    QTest::ignoreMessage(
        QtDebugMsg,
        QRegularExpression(QStringLiteral(
            R"(^"\[TRACE\]: ContactListPage::notifyUpdateContact@.*contactlistpage:\d+:" 3 1$)")));
    page()->notifyUpdateContact(zeta, 1);
    QCOMPARE(treeRows.size(), 1);
    QCOMPARE(treeRows.first().first().toModelIndex().data(M::NickRole), QVariant("mal"));
    QCOMPARE(flatRows.size(), 1);
    QCOMPARE(flatRows.first().first().toModelIndex().data(M::NickRole), QVariant("mal"));

    QTest::ignoreMessage(
        QtDebugMsg,
        QRegularExpression(
            QStringLiteral(R"(^"\[TRACE\]: ContactListPage::notifyUpdateGroup@.*contactlistpage:\d+:" 3$)")));
    page()->notifyUpdateGroup(zeta);
    QCOMPARE(treeRows.size(), 2);
    QCOMPARE(treeRows.last().first().toModelIndex().data(), QVariant("Zeta"));
    QCOMPARE(flatRows.size(), 1); // a group has no flat row

    // Rows that are not there change nothing.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("notifyUpdateContact.* 3 9$")));
    page()->notifyUpdateContact(zeta, 9);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("notifyUpdateGroup.* 7$")));
    page()->notifyUpdateGroup(7);
    QCOMPARE(treeRows.size() + flatRows.size(), 3);
}

// The proxies filter through the base class's own call as well, whichever
// way it is reached.
void TestAddressBook::fixedStringFilterSearchesToo()
{
    ContactsTreeModel tree;
    tree.setGroups(contacts().groups());
    ContactsListModel list;
    list.setSourceModel(&tree);
    ContactsSortFilterProxyModel listProxy;
    ContactsTreeSortFilterProxyModel treeProxy;
    listProxy.setSourceModel(&list);
    treeProxy.setSourceModel(&tree);
    const auto counts = [&] {
        return QList<int> {listProxy.rowCount(), treeProxy.rowCount()};
    };
    for (QSortFilterProxyModel *proxy :
         {static_cast<QSortFilterProxyModel *>(&listProxy), static_cast<QSortFilterProxyModel *>(&treeProxy)})
        proxy->setFilterFixedString(QStringLiteral("e"));
    QCOMPARE(counts(), (QList<int> {3, 2}));
    // Characters a pattern would read as its own.
    for (QSortFilterProxyModel *proxy :
         {static_cast<QSortFilterProxyModel *>(&listProxy), static_cast<QSortFilterProxyModel *>(&treeProxy)})
        proxy->setFilterFixedString(QStringLiteral("<B>"));
    QCOMPARE(counts(), (QList<int> {1, 1}));
    QCOMPARE(listProxy.index(0, 0).data(M::NickRole), QVariant("mal"));
    listProxy.setFilterFixedString(QStringLiteral("SÉ"));
    treeProxy.setFilterFixedString(QStringLiteral("SÉ"));
    QCOMPARE(counts(), (QList<int> {1, 1}));
    listProxy.setFilterFixedString(QString());
    static_cast<QSortFilterProxyModel &>(treeProxy).setFilterFixedString(QString());
    QCOMPARE(counts(), (QList<int> {6, 4}));
}

void TestAddressBook::doubleClick_data()
{
    QTest::addColumn<bool>("callOnDoubleClick");
    QTest::addColumn<bool>("inTree");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QList<QVariantList>>("calls");
    QTest::addColumn<QList<QVariantList>>("details");

    // clang-format off
    QTest::newRow("tree, calling") << true << true << "ann" << QList<QVariantList> {{"Ann Lee", "+4915112345678"}} << QList<QVariantList>();
    QTest::newRow("tree, details") << false << true << "ann" << QList<QVariantList>() << QList<QVariantList> {{"ann"}};
    QTest::newRow("list, calling") << true << false << "bob" << QList<QVariantList> {{"Bob Stone", "0302222222"}} << QList<QVariantList>();
    QTest::newRow("list, details") << false << false << "bob" << QList<QVariantList>() << QList<QVariantList> {{"bob"}};
    QTest::newRow("group") << true << true << "Zeta" << QList<QVariantList>() << QList<QVariantList>();
    // clang-format on
}

void TestAddressBook::doubleClick()
{
    QFETCH(bool, callOnDoubleClick);
    QFETCH(bool, inTree);
    QFETCH(QString, key);
    QFETCH(QList<QVariantList>, calls);
    QFETCH(QList<QVariantList>, details);

    detachPage();
    m_rig->settings->setCallStartDblClick(callOnDoubleClick);
    page()->setGroupsShown(inTree);
    tree()->expandAll();
    QAbstractItemView *view
        = inTree ? static_cast<QAbstractItemView *>(tree()) : find<QListView>(page(), "contactsListView");
    QSignalSpy called(page(), &ContactListPage::callContact);
    QSignalSpy shown(page(), &ContactListPage::viewContactDetailsRequested);
    const QPoint at = view->visualRect(indexOf(view, key)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(called, calls);
    QCOMPARE(shown, details);
}

void TestAddressBook::detailsShowAnEmailAddressWholeOrCut_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("whole");
    QTest::newRow("short") << "ann@example.org" << true;
    QTest::newRow("a little too long") << "contact9800@example.org" << false;
    QTest::newRow("long") << "firstname.lastname.department@subdomain.example.org" << false;
}

// In the window's central area an address that fits shows whole; a longer
// one keeps the start of its mailbox and the end of its domain, an ellipsis
// between, and shows whole in the tooltip.
void TestAddressBook::detailsShowAnEmailAddressWholeOrCut()
{
    QFETCH(QString, email);
    QFETCH(bool, whole);
    contacts().addOldContact(
        Contact(record("mail", "Friends", "Mia", "Post", {{"CELL", "0301111111"}}, {email}, "1 Main St")
                    .toVariantMap()));
    contacts().refreshContactList();
    m_rig->widget->resize(UiLook::centralAreaSize());
    emit page()->viewContactDetailsRequested(QStringLiteral("mail"));
    auto *label = find<QLabel>(m_rig->child<ContactDetailsPage>("contactDetailsPage"), "emailLabel");
    QTRY_VERIFY(label->isVisible() && !sliding(m_rig->widget.get()));
    QTRY_VERIFY(UiLook::liesInside(label, m_rig->widget.get()));
    // The address does not widen the area beyond the window.
    QCOMPARE(m_rig->widget->width(), UiLook::centralAreaSize().width());
    const QString shown = label->text();
    QVERIFY2(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width(),
             qPrintable(shown));
    if (whole) {
        QCOMPARE(shown, email);
        QCOMPARE(label->toolTip(), QString());
    } else {
        const qsizetype cut = shown.indexOf(QChar(0x2026));
        QVERIFY2(cut > 0 && cut < shown.size() - 1, qPrintable(shown));
        QVERIFY2(email.startsWith(shown.left(cut)) && email.endsWith(shown.mid(cut + 1)), qPrintable(shown));
        QCOMPARE(UiLook::shownToolTip(label), email);
    }
    QVERIFY(m_rig->widget->grab().save(screenshotPath(
        QStringLiteral("contact-details-email-%1.png").arg(QTest::currentDataTag()).replace(' ', '-'))));
}

void TestAddressBook::detailsPageShowsTheContact()
{
    auto *details = m_rig->child<ContactDetailsPage>("contactDetailsPage");
    const auto label = [&](const QString &name) {
        return details->findChild<QLabel *>(name)->text();
    };
    const auto rows = [&] {
        QStringList shown;
        for (const QString &row : {"1", "2", "3", "4", "5"}) {
            if (find(details, qPrintable("numberLabel_" + row))->isVisible())
                shown << label("numberTypeLabel_" + row) + label("numberLabel_" + row);
        }
        return shown;
    };

    emit page()->viewContactDetailsRequested(QStringLiteral("many"));
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::ContactDetailsView);
    QCOMPARE(rows(),
             (QStringList {"HOME:03000000001", "CELL:03000000002", "HOME:03000000003", "HOME:03000000004",
                           "HOME:03000000005"}));
    QVERIFY(label("nameLabel").startsWith(QStringLiteral("Manny xxx")));
    QVERIFY(label("nameLabel").endsWith(QChar(0x2026)));
    QCOMPARE(label("addressLabel") + label("emailLabel"), QStringLiteral("2 High Stm@example.org"));

    // Another contact in place; markup in the data shows as text.
    emit page()->viewContactDetailsRequested(QStringLiteral("mal"));
    QCOMPARE(rows(), QStringList {"CELL:0171111111"});
    QCOMPARE(label("emailLabel"), QString());
    QCOMPARE(label("nameLabel"), QStringLiteral("<img src=x> <b>Bold</b>"));
    for (const char *name : {"nameLabel", "groupLabel", "emailLabel", "addressLabel", "numberLabel_1"})
        QCOMPARE(find<QLabel>(details, name)->textFormat(), Qt::PlainText);

    // Its buttons reach the central area.
    emit page()->viewContactDetailsRequested(QStringLiteral("ann"));
    QSignalSpy sms(details, &ContactDetailsPage::sendSMS);
    find<QPushButton>(details, "sendSMSButton_2")->click();
    QCOMPARE(sms, (QList<QVariantList> {{QString(), "0301234567"}}));
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::SmsView);
    m_rig->widget->setView(ContentWidget::ContactDetailsView, false);
    find<QPushButton>(details, "callNumberButton_1")->click();
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::DialPadView);
    QVERIFY(m_rig->child<DialPadPage>("dialPadPage")->number().endsWith(QStringLiteral("15112345678")));

    // A contact that left the book leaves nothing on show.
    m_rig->widget->setView(ContentWidget::ContactDetailsView, false);
    contacts().deleteContact(QStringLiteral("ann"));
    contacts().refreshContactList();
    QCOMPARE(rows() << label("nameLabel") << details->nick(), (QStringList {"", ""}));

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
    QTest::addColumn<QString>("error"); // empty and nothing marked: saved
    QTest::addColumn<QStringList>("marks");

    // clang-format off
    QTest::newRow("all bad") << " " << "a@b" << "12" << "" << "The following fields are invalid: First Name, Email, Phone 1" << QStringList {"emailLabel", "firstNameLabel", "phone_1"};
    QTest::newRow("only the group") << "Zed" << "" << "0301112222" << "-" << "" << QStringList {"groupLabel"};
    QTest::newRow("group in another case") << "Zed" << "" << "0301112222" << "work" << "The following group already exists: work" << QStringList {"groupLabel"};
    QTest::newRow("shared number") << "Zed" << "" << "0171111111" << "" << "Contact exist with the same fields: Phone 1" << QStringList {"phone_1"};
    QTest::newRow("shared e-mail") << "Zed" << "ann@example.org" << "0301112222" << "" << "Contact exist with the same fields: Email" << QStringList {"emailLabel"};
    QTest::newRow("long top-level domain") << "Zed" << "zed@example.museum" << "+1-555-123-4567" << "" << "" << QStringList();
    QTest::newRow("new group, any script") << "Zed" << "" << "0301112222" << "Müller_1" << "" << QStringList();
    // clang-format on
}

void TestAddressBook::contactDialogChecksTheForm()
{
    QFETCH(QString, first);
    QFETCH(QString, email);
    QFETCH(QString, phone);
    QFETCH(QString, newGroup);
    QFETCH(QString, error);
    QFETCH(QStringList, marks);

    AddEditContactDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setAddContact(newGroup == QLatin1String("-") ? QList<ContactGroupPtr>() : contacts().groups());
    dialog.show();
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
    QCOMPARE(marked(&dialog), marks);
    const bool saved = error.isEmpty() && marks.isEmpty();
    QCOMPARE(dialog.result(), saved ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (!saved) {
        QVERIFY(writes().isEmpty());
        return;
    }
    // Sent as the form says: digits only, into the new group once it is made.
    const QString group = newGroup.isEmpty() ? QStringLiteral("Family") : newGroup;
    QTRY_COMPARE(writes().size(), newGroup.isEmpty() ? 1 : 2);
    const Contact stored = *contacts().contactByPhoneNumber(phone);
    QCOMPARE(writes().last(), "PUT contact " + stored.nick() + ' ' + group);
    QCOMPARE(writes().first(), newGroup.isEmpty() ? writes().last() : "PUT group " + group);
    QCOMPARE(stored.phones().first().number(), QString(phone).remove(QRegularExpression("[+-]")));
    QCOMPARE(stored.emails(), QStringList {email});
}

void TestAddressBook::editKeepsWhatTheFormDoesNotShow()
{
    AddEditContactDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setEditContact(QStringLiteral("many"));
    dialog.show();
    QCOMPARE(dialog.phoneRowCount(), 5);
    auto *row2 = find<PhoneNumberWidget>(&dialog, "phoneNumberWidget_2");
    QCOMPARE(row2->phoneType(), 2);
    // Removing row 2 moves the rows below it up, kinds and all; adding keeps them.
    find<QPushButton>(row2, "removeButton")->click();
    QCOMPARE(row2->number() + QString::number(row2->phoneType()), QStringLiteral("030000000030"));
    find<QPushButton>(find(&dialog, "phoneNumberWidget_4"), "addButton")->click();
    QCOMPARE(dialog.phoneRowCount(), 5);
    QCOMPARE(find<PhoneNumberWidget>(&dialog, "phoneNumberWidget_4")->number(),
             QStringLiteral("03000000005"));
    find<PhoneNumberWidget>(&dialog, "phoneNumberWidget_5")->setNumber(QStringLiteral("0309999999"));
    find<QLineEdit>(&dialog, "emailLineEdit")->setText(QStringLiteral("new@example.org"));
    find<QLineEdit>(&dialog, "addressLineEdit")->setText(QStringLiteral("3 Low Rd"));
    find<QPushButton>(&dialog, "addSaveContactButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QTRY_COMPARE(writes(), QStringList {"POST contact many Work"});
    const QJsonObject stored = m_rig->phone.server.contact(PhoneRig::kUser, QStringLiteral("many"));
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
    QVERIFY(!find(&gone, "addSaveContactButton")->isEnabled());
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

    QTRY_COMPARE(writes(),
                 (QStringList {"POST contact bob Work", "PUT group Clients", "POST contact bob Clients"}));
    for (const WebserviceStandIn::Request &request : m_rig->phone.server.requests())
        QCOMPARE(request.json()["firstName"].toString(),
                 QString(request.resource == "contact" ? "Robert" : ""));
    QCOMPARE(contacts().group(QStringLiteral("Clients"))->contacts(),
             QList<ContactPtr> {contacts().contact("bob")});
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
            QTest::keyClick(QApplication::focusWidget(), key);
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
    find(&dialog, "addSaveContactButton")->setFocus();
    QCOMPARE(walk(Qt::Key_Backtab, 7),
             (QStringList {"2:addButton", "2:removeButton", "2:phoneLineEdit", "1:removeButton",
                           "1:phoneLineEdit", "addressLineEdit", "emailLineEdit"}));
    find<QPushButton>(&dialog, "addGroupButton")->click();
    find(&dialog, "lastNameLineEdit")->setFocus();
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
    QCOMPARE(menu->objectName(), QStringLiteral("phoneTypePopup"));
    QCOMPARE(actionTexts(menu), (QStringList {"home", "work", "mobile"}));
    QCOMPARE(number->cursorPosition(), 5);
    menu->actions().at(2)->trigger();
    menu->hide();
    QCOMPARE(row.phoneType(), 2);
    QCOMPARE(kind->property("_phone_type").toString(), QStringLiteral("mobile"));
    QCOMPARE(QApplication::focusWidget(), number);
    row.setPhoneType(7);
    QCOMPARE(kind->property("_phone_type").toString() + QString::number(row.phoneType()),
             QStringLiteral("7"));
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
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add new group"));
    // Folded at first; unfolding shows the list and makes room for it.
    QVERIFY(!list->isVisible());
    const int folded = dialog.height();
    find<QPushButton>(&dialog, "expandCollapseButton")->click();
    QVERIFY(list->isVisible());
    QVERIFY(dialog.height() >= folded + AddEditGroupDialog::ListHeight);
    QCOMPARE(list->count(), 6);
    QCOMPARE(list->item(0)->text() + list->item(1)->text(), QStringLiteral("José Ann Lee (ann@example.org)"));

    QTest::keyClicks(name, QStringLiteral("  "));
    save->click();
    QCOMPARE(find<QLabel>(&dialog, "errorLabel")->text(),
             QStringLiteral("The following field is invalid or contains spaces: Group"));
    QCOMPARE(marked(&dialog), QStringList {"groupLabel"});
    name->setText(QStringLiteral("zETA"));
    save->click();
    QCOMPARE(find<QLabel>(&dialog, "errorLabel")->text(),
             QStringLiteral("The following group already exists: zETA"));
    QVERIFY(writes().isEmpty());

    auto *ann = find<QPushButton>(list->itemWidget(list->item(1)), "addRemoveButton");
    QCOMPARE(ann->text(), QStringLiteral("ADD"));
    QTest::mouseClick(ann, Qt::LeftButton);
    QCOMPARE(ann->text(), QStringLiteral("REMOVE"));
    name->setText(QStringLiteral("Clients"));
    // The service refuses the group: the user is told, the move still goes.
    m_rig->phone.server.answerNextWithApplicationError(QStringLiteral("No more groups."), {},
                                                       {"group", "PUT"});
    save->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QTRY_COMPARE(writes(), (QStringList {"PUT group Clients", "POST contact ann Clients"}));
    QCOMPARE(contacts().contact(QStringLiteral("ann"))->groupName(), QStringLiteral("Clients"));
    QTRY_COMPARE(m_rig->prompts.titles(), QStringList {"Address book"});
    QVERIFY(m_rig->prompts.texts().first().contains(QStringLiteral("No more groups.")));
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
    for (int row = 0; row < list->count(); ++row) {
        const auto *button = find<QPushButton>(list->itemWidget(list->item(row)), "addRemoveButton");
        buttons << button->text();
        // Inside its row, clear of the next; its caption whole.
        QVERIFY2(UiLook::liesInside(button, list), qPrintable(button->text()));
        QVERIFY2(UiLook::captionFits(button, button->text(), button->font()), qPrintable(button->text()));
    }
    QCOMPARE(buttons, (QStringList {"ADD", "ADD", "ADD", "ADD", "REMOVE", "REMOVE"}));
    QCOMPARE(find<QLabel>(list->itemWidget(list->item(5)), "nameLabel")->textFormat(), Qt::PlainText);
    find<QPushButton>(list->itemWidget(list->item(0)), "addRemoveButton")->click(); // José

    // The book changes while the dialog is open: a contact now sorts before José.
    contacts().addOldContact(Contact(record("abe", "Friends", "Abe", "Ng", {}, {}, {}).toVariantMap()));
    auto *name = find<QLineEdit>(&dialog, "groupNameLineEdit");
    name->setText(QStringLiteral("friends"));
    find<QPushButton>(&dialog, "saveCreateGroupButton")->click();
    QCOMPARE(find<QLabel>(&dialog, "errorLabel")->text(),
             QStringLiteral("The following group already exists: friends"));
    name->setText(QStringLiteral("Yankee"));
    find<QPushButton>(&dialog, "saveCreateGroupButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QTRY_COMPARE(writes(), (QStringList {"POST contact jose Zeta", "POST group Zeta Yankee"}));
    QVERIFY(!contacts().group(QStringLiteral("Zeta")));
    QStringList members;
    for (const ContactPtr &contact : contacts().group(QStringLiteral("Yankee"))->contacts())
        members << contact->nick();
    QCOMPARE(members, (QStringList {"eve", "jose", "mal"}));
    QCOMPARE(contacts().contact(QStringLiteral("abe"))->groupName(), QStringLiteral("Friends"));
}

void TestAddressBook::groupDialogCutsLongNamesAtTheEnd()
{
    addLongNamedContact();
    AddEditGroupDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setAddGroup();
    dialog.show();
    find<QPushButton>(&dialog, "expandCollapseButton")->click();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *list = find<QListWidget>(&dialog, "listWidget");
    QWidget *row = nullptr;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().startsWith(LongFirstName))
            row = list->itemWidget(list->item(i));
    }
    QVERIFY(row);
    QVERIFY(dialog.grab().save(screenshotPath(QStringLiteral("group-dialog-long-name.png"))));
    const auto *name = find<QLabel>(row, "nameLabel");
    QVERIFY(showsTheStartOf(name, LongFirstName + ' ' + LongLastName));
    for (const char *part : {"nameLabel", "groupLabel"})
        QVERIFY2(UiLook::liesInside(find(row, part), list), part);
    // Only the names too long for their room are cut; the others have no
    // tooltip to repeat them.
    QStringList cut;
    for (int i = 0; i < list->count(); ++i) {
        const auto *label = find<QLabel>(list->itemWidget(list->item(i)), "nameLabel");
        if (label->text().endsWith(QChar(0x2026)) || !label->toolTip().isEmpty())
            cut << label->text().left(5);
    }
    QCOMPARE(cut, (QStringList {"Maxim", "Manny"}));
}

// A name of more than 20 characters cannot be typed, but one the service
// gave a group is saved as it is.
void TestAddressBook::groupDialogLimitsOnlyWhatIsTyped()
{
    const QString given = QStringLiteral("Customers_of_the_North_Region");
    m_rig->phone.server.addGroup(PhoneRig::kUser, given);
    contacts().setGroups({Group(given)});
    contacts().addOldContact(Contact(record("kim", given, "Kim", "Park", {}, {}, {}).toVariantMap()));
    {
        AddEditGroupDialog dialog;
        dialog.setContactManager(&contacts());
        dialog.setEditGroup(contacts().group(given));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(find<QLineEdit>(&dialog, "groupNameLineEdit")->text(), given);
        QTest::mouseClick(find<QPushButton>(&dialog, "saveCreateGroupButton"), Qt::LeftButton);
        QCOMPARE(find<QLabel>(&dialog, "errorLabel")->text(), QString());
        QCOMPARE(marked(&dialog), QStringList());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(contacts().contact(QStringLiteral("kim"))->groupName(), given);

    AddEditGroupDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setAddGroup();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *name = find<QLineEdit>(&dialog, "groupNameLineEdit");
    QTest::keyClicks(name, QStringLiteral("Suppliers_and_Partners"));
    QCOMPARE(name->text(), QStringLiteral("Suppliers_and_Partne"));
    QTest::mouseClick(find<QPushButton>(&dialog, "saveCreateGroupButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // The only change the service hears of: the saved long name went
    // unchanged.
    QTRY_COMPARE(writes(), QStringList {"PUT group Suppliers_and_Partne"});
    QVERIFY(contacts().group(given));
}

void TestAddressBook::pastedNumberIsCleaned_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("stored"); // empty: the form refuses the number

    // clang-format off
    QTest::newRow("blanks") << "+44 20 7946 0001" << "+442079460001" << "442079460001";
    QTest::newRow("dashes") << "020-7946-0001" << "020-7946-0001" << "02079460001";
    QTest::newRow("brackets") << "+1 (555) 123-4567" << "+1555123-4567" << "15551234567";
    QTest::newRow("leading plus") << "+4930123456" << "+4930123456" << "4930123456";
    QTest::newRow("letters") << "Tel. 030 7654 321 (office)" << "0307654321" << "0307654321";
    QTest::newRow("plus inside") << "12+3" << "" << "";
    // Key-pad signs are dialled: a number without them is another number,
    // and a contact's number cannot hold them.
    QTest::newRow("key-pad code") << "*100#" << "" << "";
    QTest::newRow("extension after a hash") << "+44 20 7946 0001 #22" << "" << "";
    QTest::newRow("star inside") << "0800*123" << "" << "";
    // clang-format on
}

// Pasted into a number field of the contact dialog as into the dial pad's:
// what is not part of a number goes, the number stays.
void TestAddressBook::pastedNumberIsCleaned()
{
    QFETCH(QString, pasted);
    QFETCH(QString, shown);
    QFETCH(QString, stored);

    AddEditContactDialog dialog;
    dialog.setContactManager(&contacts());
    dialog.setAddContact(contacts().groups());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClicks(find(&dialog, "firstNameLineEdit"), QStringLiteral("Zed"));
    auto *number = find<QLineEdit>(find(&dialog, "phoneNumberWidget_1"), "phoneLineEdit");
    QTest::mouseClick(number, Qt::LeftButton);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(number, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(number->text(), shown);

    QTest::mouseClick(find(&dialog, "addSaveContactButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), stored.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted));
    if (!stored.isEmpty()) {
        QTRY_COMPARE(writes().size(), 1);
        QCOMPARE(contacts().contactByPhoneNumber(stored)->firstName(), QStringLiteral("Zed"));
    }
}

// Saving an edit refreshes the whole list; the user finds the tree as it
// was: the same groups open, the same row current, the same row on top.
void TestAddressBook::editKeepsTheOpenGroupsOpen()
{
    // Enough contacts in Work for the tree to scroll.
    for (int i = 0; i < 30; ++i) {
        const QJsonObject contact = record(QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0')), "Work",
                                           "Worker", QString::number(i), {}, {}, {});
        m_rig->phone.server.addContact(PhoneRig::kUser, contact);
        contacts().addOldContact(Contact(contact.toVariantMap()));
    }
    contacts().refreshContactList();
    page()->setGroupsShown(true);
    const auto expanded = [this] {
        QStringList names;
        for (int row = 0; row < tree()->model()->rowCount(); ++row) {
            const QModelIndex group = tree()->model()->index(row, 0);
            if (tree()->isExpanded(group))
                names << group.data().toString();
        }
        return names;
    };
    // Unfolded with a click on each one's arrow.
    for (const char *group : {"Zeta", "Work"}) {
        const QRect row = tree()->visualRect(indexOf(tree(), group));
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                          QPoint(row.left() - tree()->indentation() / 2, row.center().y()));
    }
    QCOMPARE(expanded(), (QStringList {"Work", "Zeta"}));
    tree()->scrollTo(indexOf(tree(), QStringLiteral("w05")), QAbstractItemView::PositionAtTop);
    QVERIFY(tree()->verticalScrollBar()->value() > 0);
    // The nick, not the index: the refresh resets the model under it.
    const QVariant top = tree()->indexAt(QPoint(1, 1)).data(M::NickRole);

    whenModal([](QWidget *modal) {
        auto *last = find<QLineEdit>(modal, "lastNameLineEdit");
        last->selectAll();
        QTest::keyClicks(last, QStringLiteral("Bloggs"));
        QTest::mouseClick(find(modal, "addSaveContactButton"), Qt::LeftButton);
    });
    chooseFromMenu(QStringLiteral("w07"), QStringLiteral("Edit"));
    QTRY_COMPARE(writes(), QStringList {"POST contact w07 Work"});
    QCOMPARE(contacts().contact(QStringLiteral("w07"))->lastName(), QStringLiteral("Bloggs"));

    QCOMPARE(expanded(), (QStringList {"Work", "Zeta"}));
    QCOMPARE(tree()->currentIndex().data(M::NickRole), QVariant("w07"));
    QCOMPARE(tree()->selectionModel()->selectedIndexes(), QModelIndexList {tree()->currentIndex()});
    QCOMPARE(tree()->indexAt(QPoint(1, 1)).data(M::NickRole), top);
}

// The question names the contact by the start of its name, cut at the end,
// in the window as it is.
void TestAddressBook::deleteQuestionShowsTheStartOfALongName()
{
    addLongNamedContact();
    page()->setGroupsShown(true);
    tree()->expandAll();
    const QSize size = m_rig->widget->size();
    bool asked = false;
    whenAsked(false, [&] {
        asked = true;
        QVERIFY(m_rig->child<QWidget>("queryUserPage")
                    ->grab()
                    .save(screenshotPath(QStringLiteral("delete-question-long-name.png"))));
        auto *label = m_rig->child<QLabel>("queryUserExtraLabel");
        QVERIFY(showsTheStartOf(label, LongFirstName + ' ' + LongLastName));
        QVERIFY(UiLook::liesInside(label, m_rig->widget.get()));
        QCOMPARE(m_rig->widget->size(), size);
    });
    chooseFromMenu(QStringLiteral("max"), QStringLiteral("Delete"));
    QTRY_VERIFY(asked);
    QTRY_VERIFY(m_rig->widget->currentView() != ContentWidget::QueryUserView);
    QVERIFY(contacts().contact(QStringLiteral("max")));
}

void TestAddressBook::deleteQuestionKeepsClearOfTheSides_data()
{
    QTest::addColumn<QString>("nick");
    QTest::newRow("a short name") << "ann";
    QTest::newRow("a long name") << "max";
}

// In the window's central area the question, the name and the buttons keep
// the room from the sides that the pages keep.
void TestAddressBook::deleteQuestionKeepsClearOfTheSides()
{
    QFETCH(QString, nick);
    constexpr int kSideRoom = 9;
    addLongNamedContact();
    QWidget *area = m_rig->widget.get();
    area->resize(UiLook::centralAreaSize());
    emit page()->viewContactDetailsRequested(nick);
    auto *deleteButton
        = find<QToolButton>(m_rig->child<ContactDetailsPage>("contactDetailsPage"), "deleteButton");
    QTRY_VERIFY(deleteButton->isVisible());
    const auto room = [area](const QRect &drawn) {
        return qMin(drawn.left(), area->width() - 1 - drawn.right());
    };
    QStringList crowded;
    bool asked = false;
    whenAsked(false, [&] {
        asked = true;
        if (area->width() != UiLook::centralAreaSize().width())
            crowded << QStringLiteral("the area widened to %1 px").arg(area->width());
        for (const char *name : {"queryUserQuestionLabel", "queryUserExtraLabel"}) {
            const auto *label = m_rig->child<QLabel>(name);
            const int gap = room(UiLook::textArea(label, area));
            if (!UiLook::textFits(label) || gap < kSideRoom)
                crowded << QStringLiteral("%1 %2 px").arg(QLatin1String(name)).arg(gap);
        }
        for (const char *name : {"queryUserOkButton", "queryUserCancelButton"}) {
            const auto *button = m_rig->child<QPushButton>(name);
            const int gap = room(QRect(button->mapTo(area, QPoint()), button->size()));
            if (gap < kSideRoom)
                crowded << QStringLiteral("%1 %2 px").arg(QLatin1String(name)).arg(gap);
        }
        area->grab().save(screenshotPath(QStringLiteral("delete-question-%1.png").arg(nick)));
    });
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    QTRY_VERIFY(asked);
    QCOMPARE(crowded.join(QLatin1String(", ")), QString());
    QTRY_VERIFY(m_rig->widget->currentView() != ContentWidget::QueryUserView);
    QVERIFY(contacts().contact(nick));
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
        QCOMPARE(m_rig->child<QLabel>("queryUserQuestionLabel")->text()
                     + m_rig->child<QLabel>("queryUserExtraLabel")->text(),
                 QStringLiteral("Do you want to delete this contact?<img src=x> <b>Bold</b>"));
        QCOMPARE(m_rig->child<QLabel>("queryUserExtraLabel")->textFormat(), Qt::PlainText);
        if (goneMeanwhile)
            contacts().setContacts({});
    });
    if (fromDetails)
        find<QToolButton>(m_rig->child<ContactDetailsPage>("contactDetailsPage"), "deleteButton")->click();
    else
        emit page()->deleteContactRequested(nick);

    QCOMPARE(m_rig->widget->currentView(), deleted ? ContentWidget::ContactListView : before);
    QCOMPARE(!contacts().contact(nick), deleted || goneMeanwhile);
    QCOMPARE(indexOf(tree(), nick).isValid(), !deleted && !goneMeanwhile);
    QTRY_COMPARE(writes(), deleted ? QStringList {"DELETE contact mal"} : QStringList());
}

void TestAddressBook::deleteGroupAsksAndPicksTheTarget_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<QString>("target"); // empty: the picker is cancelled
    QTest::addColumn<QStringList>("sent");

    // clang-format off
    QTest::newRow("with its contacts") << false << "" << QStringList {"DELETE contact eve", "DELETE contact mal", "DELETE group Zeta"};
    QTest::newRow("moving its contacts") << true << "Friends" << QStringList {"POST contact eve Friends", "POST contact mal Friends", "DELETE group Zeta"};
    QTest::newRow("picker cancelled") << true << "" << QStringList();
    // clang-format on
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
            QCOMPARE(picker->windowTitle() + picker->labelText(), QStringLiteral("Select GroupGroup:"));
            offered = picker->comboBoxItems();
            picker->setTextValue(target);
            picker->done(target.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
        });
    }
    emit page()->deleteGroupRequested(QStringLiteral("Zeta"), move);

    QCOMPARE(offered, move ? (QStringList {"Family", "Friends", "Work"}) : QStringList());
    QCOMPARE(!contacts().group(QStringLiteral("Zeta")), !sent.isEmpty());
    QCOMPARE(indexOf(tree(), QStringLiteral("Zeta")).isValid(), sent.isEmpty());
    QTRY_COMPARE(writes(), sent);
    if (!target.isEmpty())
        QCOMPARE(contacts().contact(QStringLiteral("eve"))->groupName(), target);
}

void TestAddressBook::dialPadNumberOpensTheContactDialog()
{
    QString title;
    whenModal([&](QWidget *modal) {
        title = modal->windowTitle() + ' ' + find<PhoneNumberWidget>(modal, "phoneNumberWidget_1")->number();
        qobject_cast<QDialog *>(modal)->reject();
    });
    emit m_rig->child<DialPadPage>("dialPadPage")->saveNumber(QStringLiteral("+49301234"));
    QCOMPARE(title, QStringLiteral("Add new contact +49301234"));
    QVERIFY(writes().isEmpty());
}

void TestAddressBook::countsSayOneInTheSingular_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("imported");

    QTest::newRow("none") << 0 << "(0 contacts)"
                          << "You haven't imported any contacts.";
    QTest::newRow("one") << 1 << "(1 contact)"
                         << "You have successfully added 1 contact.";
    QTest::newRow("two") << 2 << "(2 contacts)"
                         << "You have successfully added 2 contacts.";
    QTest::newRow("many") << 11 << "(11 contacts)"
                          << "You have successfully added 11 contacts.";
}

void TestAddressBook::countsSayOneInTheSingular()
{
    QFETCH(int, count);
    QFETCH(QString, group);
    QFETCH(QString, imported);
    QCOMPARE(ContactItemDelegate::contactCountText(count), group);
    QCOMPARE(ImportContactsDialog::conclusionText(count), imported);
}

void TestAddressBook::failedContactListIsTold_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("server error") << "500";
    QTest::newRow("not a list") << "malformed";
    QTest::newRow("connection dropped") << "dropped";
    QTest::newRow("an empty list") << "empty";
}

// Signing in fetches the contact list; when it does not come the user hears
// of it instead of finding an empty book. An empty list is no failure.
void TestAddressBook::failedContactListIsTold()
{
    QFETCH(QString, answer);
    WebserviceStandIn &server = m_rig->phone.server;
    const WebserviceStandIn::Match contactList {QStringLiteral("contact"), "GET"};
    if (answer == QLatin1String("500"))
        server.answerNextWithStatus(500, contactList);
    else if (answer == QLatin1String("malformed"))
        server.answerNextWithMalformedBody(contactList);
    else if (answer == QLatin1String("dropped"))
        server.dropNext(contactList);
    else
        server.answerNextWith(200, "[]", contactList);
    QSignalSpy refreshed(&contacts(), &ContactManager::refreshContactListUI);
    m_rig->phone.phone->retrieveContactsFromWebservices();
    if (answer == QLatin1String("empty")) {
        QTRY_COMPARE(refreshed.size(), 1);
        QVERIFY(contacts().contacts().isEmpty());
        QTest::qWait(50);
        QVERIFY(m_rig->prompts.requests.isEmpty());
        return;
    }
    QTRY_COMPARE(m_rig->prompts.titles(), QStringList {"Address book"});
    QCOMPARE(m_rig->prompts.texts().first(),
             QStringLiteral(
                 "Your contacts could not be loaded from the service. Sign in again later to see them."));
    QCOMPARE(m_rig->prompts.requests.first().textFormat, Qt::PlainText);
    // What the book held stays.
    QCOMPARE(contacts().contacts().size(), 6);
}

// The demo account's book of thousands: each contact has a name of its own,
// so saving an edited one is not refused for its name.
void TestAddressBook::generatedContactsCanBeEdited()
{
    WebserviceStandIn &server = m_rig->phone.server;
    server.addSampleBook(PhoneRig::kUser, 10000, 50);
    m_rig->phone.phone->retrieveContactsFromWebservices();
    QTRY_COMPARE_WITH_TIMEOUT(contacts().contacts().size(), 10000 + 6, 60000);
    server.clearRequests();
    for (const QString nick : {QStringLiteral("c00056"), QStringLiteral("c09999")}) {
        AddEditContactDialog dialog;
        dialog.setContactManager(&contacts());
        dialog.setEditContact(nick);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(find<QLineEdit>(&dialog, "addressLineEdit"), QStringLiteral("9 New St"));
        QTest::mouseClick(find<QPushButton>(&dialog, "addSaveContactButton"), Qt::LeftButton);
        QCOMPARE(find<QLabel>(&dialog, "errorLabel")->text(), QString());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QTRY_COMPARE(writes(), (QStringList {"POST contact c00056 Group_07", "POST contact c09999 Group_50"}));
}

void TestAddressBook::screenshots()
{
    tree()->expandAll();
    tree()->setCurrentIndex(indexOf(tree(), QStringLiteral("ann")));
    QTest::qWait(50);
    QVERIFY(m_rig->widget->grab().save(screenshotPath(QStringLiteral("contacts-tree.png"))));
    page()->setGroupsShown(false);
    QTest::qWait(50);
    QVERIFY(m_rig->widget->grab().save(screenshotPath(QStringLiteral("contacts-list.png"))));
    emit page()->viewContactDetailsRequested(QStringLiteral("ann"));
    QTRY_VERIFY(!UiTesting::sliding(m_rig->widget.get()));
    QVERIFY(m_rig->widget->grab().save(screenshotPath(QStringLiteral("contact-details.png"))));

    AddEditContactDialog contactDialog;
    contactDialog.setContactManager(&contacts());
    contactDialog.setEditContact(QStringLiteral("ann"));
    contactDialog.show();
    find<QLineEdit>(&contactDialog, "emailLineEdit")->setText(QStringLiteral("bad@"));
    find<QPushButton>(&contactDialog, "addSaveContactButton")->click();
    QTest::qWait(50);
    QVERIFY(contactDialog.grab().save(screenshotPath(QStringLiteral("contact-dialog.png"))));

    AddEditGroupDialog groupDialog;
    groupDialog.setContactManager(&contacts());
    groupDialog.setEditGroup(contacts().group(QStringLiteral("Zeta")));
    groupDialog.show();
    find<QPushButton>(&groupDialog, "expandCollapseButton")->click();
    QTest::qWait(50);
    QVERIFY(groupDialog.grab().save(screenshotPath(QStringLiteral("group-dialog.png"))));
}

LINKORA_TEST_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
