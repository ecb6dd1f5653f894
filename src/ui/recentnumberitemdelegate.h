#ifndef LINKORA_UI_RECENTNUMBERITEMDELEGATE_H
#define LINKORA_UI_RECENTNUMBERITEMDELEGATE_H

#include <QStyledItemDelegate>

// Draws a recent number under the name of the address-book contact it
// belongs to, or alone when it belongs to nobody, with a grey line below.
class RecentNumberItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(RecentNumberItemDelegate)

public:
    explicit RecentNumberItemDelegate(QObject *parent = nullptr);
    ~RecentNumberItemDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    // Twice the row's own height: room for the name and the number.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The display name of the contact owning the number; empty for none.
    static QString contactNameFor(const QString &number);
};

#endif // LINKORA_UI_RECENTNUMBERITEMDELEGATE_H
