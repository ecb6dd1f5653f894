#include "contactsmodels.h"

#include "util/trace.h"
#include "util/util.h"

#include <algorithm>

ContactsTreeModel::ContactsTreeModel(QObject *parent)
    : QAbstractItemModel(parent)
{ }

void ContactsTreeModel::setGroups(const QList<ContactGroupPtr> &groups)
{
    beginResetModel();
    m_entries.clear();
    m_entries.reserve(groups.size());
    for (const ContactGroupPtr &group : groups) {
        Entry entry {group, group ? group->contacts() : QList<ContactPtr>(), {}};
        entry.searchKeys.reserve(entry.contacts.size());
        for (const ContactPtr &contact : qAsConst(entry.contacts))
            entry.searchKeys.append(contactData(contact.data(), Qt::DisplayRole).toString().toCaseFolded());
        m_entries.append(std::move(entry));
    }
    endResetModel();
}

QList<ContactGroupPtr> ContactsTreeModel::groups() const
{
    QList<ContactGroupPtr> groups;
    groups.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        groups.append(entry.group);
    return groups;
}

int ContactsTreeModel::contactCount(int groupRow) const
{
    return groupRow >= 0 && groupRow < m_entries.size() ? m_entries.at(groupRow).contacts.size() : 0;
}

QString ContactsTreeModel::searchKey(int groupRow, int contactRow) const
{
    if (groupRow < 0 || groupRow >= m_entries.size())
        return QString();
    return m_entries.at(groupRow).searchKeys.value(contactRow);
}

QModelIndex ContactsTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    if (!parent.isValid())
        return createIndex(row, 0, GroupId);
    if (!m_entries.at(parent.row()).group) {
        TRACE_WARNING << "WARNING: NULL POINTER";
        return QModelIndex();
    }
    return createIndex(row, 0, quintptr(parent.row()));
}

QModelIndex ContactsTreeModel::parent(const QModelIndex &index) const
{
    if (!index.isValid() || index.internalId() == GroupId)
        return QModelIndex();
    return createIndex(int(index.internalId()), 0, GroupId);
}

int ContactsTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return m_entries.size();
    if (parent.column() > 0 || parent.internalId() != GroupId)
        return 0;
    return contactCount(parent.row());
}

int ContactsTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant ContactsTreeModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() != 0)
        return QVariant();
    if (index.internalId() == GroupId) {
        if (role == GroupRowRole)
            return index.row();
        return groupData(m_entries.at(index.row()).group.data(), role);
    }
    const int groupRow = int(index.internalId());
    if (groupRow < 0 || groupRow >= m_entries.size())
        return QVariant();
    const QList<ContactPtr> &contacts = m_entries.at(groupRow).contacts;
    if (index.row() >= contacts.size())
        return QVariant();
    if (role == ContactGroupRowRole)
        return groupRow;
    if (role == ContactRowRole)
        return index.row();
    return contactData(contacts.at(index.row()).data(), role);
}

bool ContactsTreeModel::setData(const QModelIndex &index, const QVariant &, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != RefreshRole)
        return false;
    emit dataChanged(index, index);
    return true;
}

QVariant ContactsTreeModel::groupData(const ContactGroup *group, int role)
{
    if (!group)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case GroupNameRole:
        return group->name();
    case IsGroupRole:
        return 1;
    case ContactCountRole:
        return group->contactCount();
    case IsDefaultGroupRole:
        return group->isDefault();
    default:
        return QVariant();
    }
}

QVariant ContactsTreeModel::contactData(const Contact *contact, int role)
{
    if (!contact)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        // The blank stays when a part is empty: the search sees the same text.
        return contact->firstName() + QLatin1Char(' ') + contact->lastName();
    case Qt::ToolTipRole:
        // The same text; a name is never markup.
        return Util::plainToolTip(contact->firstName() + QLatin1Char(' ') + contact->lastName());
    case IsGroupRole:
        return 0;
    case FirstNumberRole:
        return contact->phones().isEmpty() ? QString() : contact->phones().first().number();
    case FirstNumberTypeRole:
        return contact->phones().isEmpty() ? -1 : contact->phones().first().type();
    case NumbersRole:
        return contact->phoneNumbers();
    case NumberTypesRole:
        return contact->phoneTypes();
    case NickRole:
        return contact->nick();
    case GroupNameRole:
        return contact->groupName();
    default:
        return QVariant();
    }
}

ContactsListModel::ContactsListModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

void ContactsListModel::setSourceModel(ContactsTreeModel *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    beginResetModel();
    m_source = source;
    if (m_source) {
        connect(m_source, &QAbstractItemModel::dataChanged, this, &ContactsListModel::onDataChanged);
        // The flat rows change with the tree's: announced before, counted after.
        connect(m_source, &QAbstractItemModel::modelAboutToBeReset, this,
                &ContactsListModel::onSourceAboutToBeReset);
        connect(m_source, &QAbstractItemModel::modelReset, this, &ContactsListModel::onSourceReset);
        connect(m_source, &QObject::destroyed, this, [this] {
            beginResetModel();
            m_source = nullptr;
            rebuildOffsets();
            endResetModel();
        });
    }
    rebuildOffsets();
    endResetModel();
}

void ContactsListModel::rebuildOffsets()
{
    const int groups = m_source ? m_source->rowCount() : 0;
    m_offsets.resize(groups + 1);
    m_offsets[0] = 0;
    for (int g = 0; g < groups; ++g)
        m_offsets[g + 1] = m_offsets.at(g) + m_source->contactCount(g);
}

void ContactsListModel::onSourceAboutToBeReset()
{
    beginResetModel();
}

void ContactsListModel::onSourceReset()
{
    rebuildOffsets();
    endResetModel();
}

QModelIndex ContactsListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!m_source || !hasIndex(row, column, parent))
        return QModelIndex();
    // The last group whose first flat row is at or before the row; empty
    // groups share their offset with the next one and are skipped.
    const auto it = std::upper_bound(m_offsets.cbegin(), m_offsets.cend(), row);
    const int group = int(it - m_offsets.cbegin()) - 1;
    return createIndex(row, 0, quintptr(group));
}

QString ContactsListModel::searchKey(int row) const
{
    if (!m_source || row < 0 || row >= m_offsets.last())
        return QString();
    const int group
        = int(std::upper_bound(m_offsets.cbegin(), m_offsets.cend(), row) - m_offsets.cbegin()) - 1;
    return m_source->searchKey(group, row - m_offsets.at(group));
}

int ContactsListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_source)
        return 0;
    return m_offsets.last();
}

QModelIndex ContactsListModel::sourceIndex(const QModelIndex &index) const
{
    if (!m_source || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return QModelIndex();
    const int group = int(index.internalId());
    if (group < 0 || group + 1 >= m_offsets.size())
        return QModelIndex();
    const QModelIndex groupIndex = m_source->index(group, 0);
    return m_source->index(index.row() - m_offsets.at(group), 0, groupIndex);
}

QVariant ContactsListModel::data(const QModelIndex &index, int role) const
{
    const QModelIndex source = sourceIndex(index);
    return source.isValid() ? source.data(role) : QVariant();
}

bool ContactsListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != ContactsTreeModel::RefreshRole)
        return false;
    const QModelIndex source = sourceIndex(index);
    return source.isValid() && m_source->setData(source, value, role);
}

void ContactsListModel::onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    // Contact rows only; a group row has no flat row.
    if (!topLeft.isValid() || !bottomRight.isValid() || !topLeft.parent().isValid()
        || !bottomRight.parent().isValid())
        return;
    const int group = topLeft.parent().row();
    if (group + 1 >= m_offsets.size())
        return;
    const int offset = m_offsets.at(group);
    emit dataChanged(createIndex(topLeft.row() + offset, 0, quintptr(group)),
                     createIndex(bottomRight.row() + offset, 0, quintptr(group)));
}

ContactsSortFilterProxyModel::ContactsSortFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    m_patternNotifier = bindableFilterRegularExpression().addNotifier([this] { onFilterPatternChanged(); });
}

void ContactsSortFilterProxyModel::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    m_foldedSearchText = text.toCaseFolded();
    invalidate();
}

void ContactsSortFilterProxyModel::onFilterPatternChanged()
{
    // The base class's setFilterFixedString (or its property) changed the
    // pattern, after filtering with the text of before. The pattern is the
    // text escaped: every character but letters, digits and '_' behind a
    // backslash, NUL written as "\0".
    const QString pattern = filterRegularExpression().pattern();
    QString text;
    text.reserve(pattern.size());
    for (int i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) == QLatin1Char('\\') && i + 1 < pattern.size()) {
            ++i;
            text += pattern.at(i) == QLatin1Char('0') ? QChar() : pattern.at(i);
        } else {
            text += pattern.at(i);
        }
    }
    setSearchText(text);
}

void ContactsSortFilterProxyModel::setSourceModel(QAbstractItemModel *model)
{
    m_tree = qobject_cast<const ContactsTreeModel *>(model);
    m_list = qobject_cast<const ContactsListModel *>(model);
    QSortFilterProxyModel::setSourceModel(model);
}

bool ContactsSortFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_searchText.isEmpty())
        return true;
    // The name, folded to ignore letter case as the search text is.
    QString key;
    if (m_list)
        key = m_list->searchKey(sourceRow);
    else if (m_tree)
        key = m_tree->searchKey(sourceParent.row(), sourceRow);
    else
        key = sourceModel()->index(sourceRow, 0, sourceParent).data().toString().toCaseFolded();
    return key.contains(m_foldedSearchText);
}

ContactsTreeSortFilterProxyModel::ContactsTreeSortFilterProxyModel(QObject *parent)
    : ContactsSortFilterProxyModel(parent)
{ }

bool ContactsTreeSortFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid() || searchText().isEmpty())
        return ContactsSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    const QModelIndex group = sourceModel()->index(sourceRow, 0, sourceParent);
    const int children = sourceModel()->rowCount(group);
    for (int child = 0; child < children; ++child) {
        if (filterAcceptsRow(child, group))
            return true;
    }
    return false;
}
