#include "ui/contactlistpage.h"
#include "ui_contactlistpage.h"

#include "contactsmodels.h"
#include "settings/settings.h"
#include "ui/contactitemdelegate.h"
#include "util/trace.h"

#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QSet>
#include <QShowEvent>

namespace {

// A row named so that it is found again after a reset: a group by its name,
// a contact by its nick.
struct RowKey
{
    bool group = false;
    QString name;

    static RowKey of(const QModelIndex &index)
    {
        if (!index.isValid())
            return {};
        const bool group = index.data(ContactsTreeModel::IsGroupRole).toInt() == 1;
        return {
            group,
            index.data(group ? ContactsTreeModel::GroupNameRole : ContactsTreeModel::NickRole).toString()};
    }

    QModelIndex find(const QAbstractItemModel *model) const
    {
        if (name.isEmpty() || model->rowCount() == 0)
            return QModelIndex();
        const QModelIndexList found = group
            ? model->match(model->index(0, 0), ContactsTreeModel::GroupNameRole, name, 1, Qt::MatchExactly)
            : model->match(model->index(0, 0), ContactsTreeModel::NickRole, name, 1,
                           Qt::MatchExactly | Qt::MatchRecursive);
        return found.value(0);
    }
};

// Where a view stood: its current row and the row at its top.
struct ViewPlace
{
    RowKey current;
    RowKey top;
    int scroll = 0;
};

ViewPlace placeOf(const QAbstractItemView *view)
{
    return {RowKey::of(view->currentIndex()), RowKey::of(view->indexAt(QPoint(1, 1))),
            view->verticalScrollBar()->value()};
}

void restorePlace(QAbstractItemView *view, const ViewPlace &place)
{
    const QModelIndex current = place.current.find(view->model());
    if (current.isValid())
        view->setCurrentIndex(current);
    const QModelIndex top = place.top.find(view->model());
    if (top.isValid()) {
        view->scrollTo(top, QAbstractItemView::PositionAtTop);
    } else {
        // The row that was at the top has gone: stay near where the view was.
        view->doItemsLayout();
        view->verticalScrollBar()->setValue(place.scroll);
    }
}

} // namespace

ContactListPage::ContactListPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::ContactListPage)
    , m_listProxy(new ContactsSortFilterProxyModel(this))
    , m_treeProxy(new ContactsTreeSortFilterProxyModel(this))
    , m_treeModel(new ContactsTreeModel(this))
    , m_listModel(new ContactsListModel(this))
{
    m_ui->setupUi(this);

    // The flat list follows every reset of the tree by itself.
    m_listModel->setSourceModel(m_treeModel);
    m_listProxy->setSourceModel(m_listModel);
    m_treeProxy->setSourceModel(m_treeModel);
    m_ui->contactsListView->setModel(m_listProxy);
    m_ui->contactsTreeView->setModel(m_treeProxy);

    // The clear button floats inside the search field.
    m_ui->searchFieldLayout->removeWidget(m_ui->searchClearButton);
    m_ui->searchClearButton->setParent(m_ui->searchLineEdit);
    m_ui->searchClearButton->show();
    m_ui->searchLineEdit->installEventFilter(this);

    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_ui->contactsListView),
                                    static_cast<QAbstractItemView *>(m_ui->contactsTreeView)}) {
        connect(view, &QWidget::customContextMenuRequested, this,
                &ContactListPage::onCustomContextMenuRequested);
        connect(view, &QAbstractItemView::doubleClicked, this, &ContactListPage::onDoubleClicked);
    }
    connect(m_ui->searchClearButton, &QPushButton::clicked, m_ui->searchLineEdit, &QLineEdit::clear);
    connect(m_ui->searchLineEdit, &QLineEdit::textChanged, this, &ContactListPage::onSearchTextChanged);
}

ContactListPage::~ContactListPage() = default;

void ContactListPage::setSettings(Settings *settings)
{
    m_settings = settings;
}

void ContactListPage::setContactGroups(const QList<ContactGroupPtr> &groups)
{
    // A reset folds every group and forgets where the views stood: the
    // groups the user had open, the current rows and the scroll positions
    // come back by name.
    QTreeView *tree = m_ui->contactsTreeView;
    QListView *list = m_ui->contactsListView;
    QSet<QString> expanded;
    const QAbstractItemModel *model = tree->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex group = model->index(row, 0);
        if (tree->isExpanded(group))
            expanded.insert(group.data(ContactsTreeModel::GroupNameRole).toString());
    }
    const ViewPlace treePlace = placeOf(tree);
    const ViewPlace listPlace = placeOf(list);

    m_treeModel->setGroups(groups);

    // A search shows its matches unfolded.
    if (!m_ui->searchLineEdit->text().isEmpty()) {
        expandGroups();
    } else {
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex group = model->index(row, 0);
            if (expanded.contains(group.data(ContactsTreeModel::GroupNameRole).toString()))
                tree->expand(group);
        }
    }
    restorePlace(tree, treePlace);
    restorePlace(list, listPlace);
}

void ContactListPage::expandGroups()
{
    // Group by group: unfolding everything at once makes the tree hold on to
    // every row, which each new search then has to walk.
    const QAbstractItemModel *model = m_ui->contactsTreeView->model();
    for (int row = 0; row < model->rowCount(); ++row)
        m_ui->contactsTreeView->expand(model->index(row, 0));
}

void ContactListPage::setGroupsShown(bool shown)
{
    m_ui->stackedWidget->setCurrentWidget(shown ? m_ui->treeViewPage : m_ui->listViewPage);
}

bool ContactListPage::isGroupsShown() const
{
    return m_ui->stackedWidget->currentWidget() == m_ui->treeViewPage;
}

void ContactListPage::callCurrentContact()
{
    const QModelIndex current = m_ui->contactsTreeView->currentIndex();
    if (!current.isValid() || !current.parent().isValid())
        return;
    emit callContact(current.data(Qt::DisplayRole).toString(),
                     current.data(ContactsTreeModel::FirstNumberRole).toString());
}

void ContactListPage::notifyUpdateContact(int groupRow, int contactRow)
{
    TRACE << groupRow << contactRow;
    const QModelIndex group = m_treeModel->index(groupRow, 0);
    m_treeModel->setData(m_treeModel->index(contactRow, 0, group), QVariant(),
                         ContactsTreeModel::RefreshRole);
}

void ContactListPage::notifyUpdateGroup(int groupRow)
{
    TRACE << groupRow;
    m_treeModel->setData(m_treeModel->index(groupRow, 0), QVariant(), ContactsTreeModel::RefreshRole);
}

void ContactListPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->type() != QEvent::Show)
        return;
    placeClearButton();
    m_ui->contactsTreeView->setFocus(Qt::OtherFocusReason);
}

bool ContactListPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->searchLineEdit && event->type() == QEvent::Resize)
        placeClearButton();
    return QWidget::eventFilter(watched, event);
}

void ContactListPage::placeClearButton()
{
    // Its last pixel column 3 inside the field's right edge, centred in height.
    const QLineEdit *edit = m_ui->searchLineEdit;
    QPushButton *button = m_ui->searchClearButton;
    button->move(edit->width() - 3 - button->width(), (edit->height() - button->height()) / 2);
}

void ContactListPage::onSearchTextChanged(const QString &text)
{
    m_listProxy->setFilterFixedString(text);
    m_treeProxy->setFilterFixedString(text);
    if (!text.isEmpty())
        expandGroups();
}

void ContactListPage::onDoubleClicked(const QModelIndex &index)
{
    // A group row of the tree only folds or unfolds.
    if (sender() == m_ui->contactsTreeView && !index.parent().isValid())
        return;
    if (m_settings && m_settings->callStartDblClick(false)) {
        emit callContact(index.data(Qt::DisplayRole).toString(),
                         index.data(ContactsTreeModel::FirstNumberRole).toString());
        return;
    }
    const QString nick = index.data(ContactsTreeModel::NickRole).toString();
    if (nick.isEmpty()) {
        TRACE << "No contact at row" << index.row();
        return;
    }
    emit viewContactDetailsRequested(nick);
}

void ContactListPage::onCustomContextMenuRequested(const QPoint &pos)
{
    auto *view = qobject_cast<QAbstractItemView *>(sender());
    if (view != m_ui->contactsTreeView && view != m_ui->contactsListView)
        return;
    const QModelIndex index = view->indexAt(pos);
    if (!index.isValid())
        return;

    // Closing a menu must not delete it: the entry's slot may run a modal
    // loop from inside the menu's own mouse handling, which goes on using
    // the menu once the slot returns. It goes when the next one comes.
    delete m_menu;
    QMenu *menu = nullptr;
    if (view == m_ui->contactsTreeView && !index.parent().isValid()) {
        // The default groups can be neither renamed nor deleted.
        if (index.data(ContactsTreeModel::IsDefaultGroupRole).toBool())
            return;
        menu = groupMenu(index);
    } else {
        menu = contactMenu(index);
    }
    m_menu = menu;
    menu->popup(view->viewport()->mapToGlobal(pos));
}

QMenu *ContactListPage::groupMenu(const QModelIndex &index)
{
    const QString name = index.data(ContactsTreeModel::GroupNameRole).toString();
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("groupContextMenu"));
    menu->addAction(tr("Edit"), this, &ContactListPage::onEditGroupActionTriggered)->setData(name);
    // Moving the contacts needs another group to take them.
    if (m_treeModel->rowCount() > 1) {
        menu->addAction(tr("Delete group, move contacts"), this,
                        &ContactListPage::onDeleteGroupMoveContactsActionTriggered)
            ->setData(name);
    }
    menu->addAction(tr("Delete group and contacts"), this,
                    &ContactListPage::onDeleteGroupAndContactsActionTriggered)
        ->setData(name);
    return menu;
}

QMenu *ContactListPage::contactMenu(const QModelIndex &index)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("contactContextMenu"));
    QMenu *call = menu->addMenu(tr("Call"));
    QMenu *sms = menu->addMenu(tr("Send SMS"));
    const QStringList numbers = index.data(ContactsTreeModel::NumbersRole).toStringList();
    const QVariantList types = index.data(ContactsTreeModel::NumberTypesRole).toList();
    for (int i = 0; i < numbers.size(); ++i) {
        const QPixmap icon = ContactItemDelegate::phoneTypeIcon(types.value(i, -1).toInt());
        for (QMenu *submenu : {call, sms}) {
            QAction *action = submenu->addAction(numbers.at(i));
            if (!icon.isNull())
                action->setIcon(icon);
            action->setData(numbers.at(i));
            connect(action, &QAction::triggered, this,
                    submenu == call ? &ContactListPage::onCallNumberActionTriggered
                                    : &ContactListPage::onSendSMSActionTriggered);
        }
    }
    menu->addSeparator();
    menu->addAction(tr("Details"), this, &ContactListPage::onViewDetailsActionTriggered);
    menu->addAction(tr("Edit"), this, &ContactListPage::onEditContactActionTriggered);
    menu->addSeparator();
    menu->addAction(tr("Delete"), this, &ContactListPage::onDeleteContactActionTriggered);
    m_contextIndex = index;
    return menu;
}

QString ContactListPage::contextNick() const
{
    return m_contextIndex.isValid() ? m_contextIndex.data(ContactsTreeModel::NickRole).toString() : QString();
}

QString ContactListPage::actionGroupName() const
{
    const auto *action = qobject_cast<const QAction *>(sender());
    return action ? action->data().toString() : QString();
}

void ContactListPage::onCallNumberActionTriggered()
{
    const auto *action = qobject_cast<const QAction *>(sender());
    if (!action || !m_contextIndex.isValid())
        return;
    const QString name = m_contextIndex.data(Qt::DisplayRole).toString();
    TRACE << "Call contact" << Trace::tag(name);
    emit callContact(name, action->data().toString());
}

void ContactListPage::onSendSMSActionTriggered()
{
    const auto *action = qobject_cast<const QAction *>(sender());
    if (!action || !m_contextIndex.isValid())
        return;
    const QString name = m_contextIndex.data(Qt::DisplayRole).toString();
    TRACE << "Sending sms: " << Trace::tag(name);
    emit sendSMS(name, action->data().toString());
}

void ContactListPage::onViewDetailsActionTriggered()
{
    const QString nick = contextNick();
    if (!nick.isEmpty())
        emit viewContactDetailsRequested(nick);
}

void ContactListPage::onEditContactActionTriggered()
{
    const QString nick = contextNick();
    if (!nick.isEmpty())
        emit editContactRequested(nick);
}

void ContactListPage::onDeleteContactActionTriggered()
{
    const QString nick = contextNick();
    if (!nick.isEmpty())
        emit deleteContactRequested(nick);
}

void ContactListPage::onEditGroupActionTriggered()
{
    const QString name = actionGroupName();
    if (!name.isEmpty())
        emit editGroupRequested(name);
}

void ContactListPage::onDeleteGroupMoveContactsActionTriggered()
{
    const QString name = actionGroupName();
    if (!name.isEmpty())
        emit deleteGroupRequested(name, true);
}

void ContactListPage::onDeleteGroupAndContactsActionTriggered()
{
    const QString name = actionGroupName();
    if (!name.isEmpty())
        emit deleteGroupRequested(name, false);
}
