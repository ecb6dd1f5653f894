#include "ui/contactstreeview.h"

#include "ui/contactitemdelegate.h"

ContactsTreeView::ContactsTreeView(QWidget *parent)
    : QTreeView(parent)
    , m_delegate(new ContactItemDelegate(true, this))
{
    setIndentation(11);
    setItemDelegate(m_delegate);
    setAttribute(Qt::WA_Hover);
    setAttribute(Qt::WA_MouseTracking);
    viewport()->setAttribute(Qt::WA_Hover);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setUniformRowHeights(true);
}

void ContactsTreeView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    // The delegate's highlight first, then what the row itself draws (the
    // group's arrow among it) on top.
    m_delegate->setSuppressPainting(false);
    QTreeView::drawRow(painter, option, index);
    m_delegate->setSuppressPainting(true);
    QTreeView::drawRow(painter, option, index);
    m_delegate->setSuppressPainting(false);
}

void ContactsTreeView::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    if (index.parent().isValid())
        return;
    QTreeView::drawBranches(painter, rect, index);
}
