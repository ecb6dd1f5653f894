#ifndef LINKORA_UI_CONTACTITEMDELEGATE_H
#define LINKORA_UI_CONTACTITEMDELEGATE_H

#include <QPixmap>
#include <QStyledItemDelegate>

// Paints the rows of the contact views: a rounded highlight for the selected
// or hovered row; on a group row its name and contact count, on a contact row
// the name, the first number with the icon of its kind and how many further
// numbers there are. Everything is read from the contact models' roles.
//
// No meta-object of its own: its text is translated in the context of
// QStyledItemDelegate.
class ContactItemDelegate : public QStyledItemDelegate
{
public:
    // The tree's delegate reaches over the indentation to the left.
    explicit ContactItemDelegate(bool treeMode, QObject *parent = nullptr);

    // While set, paint() draws nothing (the tree's second pass of a row).
    void setSuppressPainting(bool suppress) { m_suppressPainting = suppress; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The small icon of a phone's kind (0 home, 1 work, 2 cell); null for
    // anything else.
    static QPixmap phoneTypeIcon(int type);
    // The count beside a group's name: "(1 contact)", "(2 contacts)".
    static QString contactCountText(int count);

private:
    void paintGroup(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index,
                    const QRect &background) const;
    void paintContact(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index,
                      const QRect &background) const;

    bool m_suppressPainting = false;
    const bool m_treeMode;
};

#endif // LINKORA_UI_CONTACTITEMDELEGATE_H
