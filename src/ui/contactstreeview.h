#ifndef LINKORA_UI_CONTACTSTREEVIEW_H
#define LINKORA_UI_CONTACTSTREEVIEW_H

#include <QTreeView>

class ContactItemDelegate;

// The groups with their contacts, painted by a ContactItemDelegate whose
// highlight reaches over the indentation; only groups show a branch arrow.
class ContactsTreeView : public QTreeView
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactsTreeView)

public:
    explicit ContactsTreeView(QWidget *parent = nullptr);

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    ContactItemDelegate *m_delegate;
};

#endif // LINKORA_UI_CONTACTSTREEVIEW_H
