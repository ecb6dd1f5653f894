#include "ui/recentnumberitemdelegate.h"

#include "objfactory.h"
#include "ui/contactmanager.h"

#include <QPainter>

namespace {
constexpr int kTextInset = 5;
} // namespace

RecentNumberItemDelegate::RecentNumberItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{ }

RecentNumberItemDelegate::~RecentNumberItemDelegate() = default;

QString RecentNumberItemDelegate::contactNameFor(const QString &number)
{
    const ContactPtr contact = ObjFactory::instance()->contactManager()->contactByPhoneNumber(number);
    return contact ? contact->displayName() : QString();
}

void RecentNumberItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    const QString number = index.data(Qt::DisplayRole).toString();
    const QString name = contactNameFor(number);
    const QRect textRect = option.rect.adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

    if (name.isEmpty()) {
        painter->drawText(textRect, flags, number);
    } else {
        const int upperHeight = textRect.height() / 2;
        QRect upper = textRect;
        upper.setHeight(upperHeight);
        QRect lower = textRect;
        lower.setTop(textRect.top() + upperHeight);
        painter->drawText(upper, flags, name);
        painter->drawText(lower, flags, number);
    }

    painter->save();
    painter->setPen(Qt::gray);
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}

QSize RecentNumberItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(size.height() * 2);
    return size;
}
