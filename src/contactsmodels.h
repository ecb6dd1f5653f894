#ifndef LINKORA_CONTACTSMODELS_H
#define LINKORA_CONTACTSMODELS_H

#include "ui/contactgroup.h"

#include <QAbstractItemModel>
#include <QAbstractListModel>
#include <QList>
#include <QProperty>
#include <QSortFilterProxyModel>
#include <QVector>

// The address book as a tree: groups as top-level rows, each group's contacts
// (in nick order) as its children, one column. A contact index carries the
// row of its group as its internal id, a group index carries -1.
//
// The model keeps the group list it was given and a snapshot of each group's
// contacts taken then: the book announces every change with a new list, and
// the shared records stay valid for as long as the snapshot holds them.
class ContactsTreeModel : public QAbstractItemModel
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactsTreeModel)

public:
    enum Role {
        IsGroupRole = Qt::UserRole + 1, // int, 1 on a group, 0 on a contact
        RefreshRole, // setData only: repaint the row
        FirstNumberRole,
        FirstNumberTypeRole, // -1 without phones
        NumbersRole,
        NumberTypesRole,
        ContactGroupRowRole,
        ContactRowRole,
        ContactCountRole,
        IsDefaultGroupRole,
        GroupRowRole,
        // Keys that survive a reset, unlike rows.
        NickRole,
        GroupNameRole
    };

    explicit ContactsTreeModel(QObject *parent = nullptr);

    void setGroups(const QList<ContactGroupPtr> &groups);
    QList<ContactGroupPtr> groups() const;
    // Contacts of the group at that row; 0 for a row out of range.
    int contactCount(int groupRow) const;
    // The display text of a contact row, case-folded; empty out of range.
    QString searchKey(int groupRow, int contactRow) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    static QVariant groupData(const ContactGroup *group, int role);
    static QVariant contactData(const Contact *contact, int role);

private:
    struct Entry
    {
        ContactGroupPtr group;
        QList<ContactPtr> contacts;
        // Made once per reset: a search goes over every one of them.
        QStringList searchKeys;
    };
    static constexpr quintptr GroupId = quintptr(-1);

    QVector<Entry> m_entries;
};

// Every contact of every group in one flat list, group after group, over a
// ContactsTreeModel. A flat index carries the row of its contact's group as
// its internal id and answers exactly as the tree's contact row does.
class ContactsListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactsListModel)

public:
    explicit ContactsListModel(QObject *parent = nullptr);

    void setSourceModel(ContactsTreeModel *source);
    ContactsTreeModel *sourceModel() const { return m_source; }
    // The case-folded display text of a flat row.
    QString searchKey(int row) const;

    QModelIndex index(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private slots:
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    void onSourceAboutToBeReset();
    void onSourceReset();

private:
    void rebuildOffsets();
    // The tree's contact index behind a flat one.
    QModelIndex sourceIndex(const QModelIndex &index) const;

    ContactsTreeModel *m_source = nullptr;
    // m_offsets[g] is the flat row of group g's first contact; one entry
    // more than there are groups, the last one the total.
    QVector<int> m_offsets {0};
};

// The search filter of the flat list: a contact row stays when its name
// contains the search text, in any letter case.
//
// A new text re-filters every row at once and announces it as a new layout:
// the row by row removals and insertions of the filter of the base class
// cost a view of thousands of rows far more than the filtering itself.
// The base class's fixed-string filter sets the same text: called on this
// class it takes the quick way, through a base pointer the slow one.
class ContactsSortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactsSortFilterProxyModel)

public:
    explicit ContactsSortFilterProxyModel(QObject *parent = nullptr);

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    void setSourceModel(QAbstractItemModel *model) override;

public slots:
    void setFilterFixedString(const QString &text) { setSearchText(text); }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    void onFilterPatternChanged();

    QString m_searchText;
    QString m_foldedSearchText;
    QPropertyNotifier m_patternNotifier;
    // The contact models answer the search keys without a detour through data().
    const ContactsTreeModel *m_tree = nullptr;
    const ContactsListModel *m_list = nullptr;
};

// The search filter of the tree: a contact row as in the flat list; a group
// row stays while any of its contacts does, and always when there is no
// text. A group's own name is never matched.
class ContactsTreeSortFilterProxyModel : public ContactsSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactsTreeSortFilterProxyModel)

public:
    explicit ContactsTreeSortFilterProxyModel(QObject *parent = nullptr);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
};

#endif // LINKORA_CONTACTSMODELS_H
