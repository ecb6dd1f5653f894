#include "ui/contactitemdelegate.h"

#include "contactsmodels.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>

namespace {

// The highlight of the tree reaches this far over each level of indentation.
const int TreeIndent = 11;
// Between a group's name and its count.
const int CountGap = 6;

} // namespace

ContactItemDelegate::ContactItemDelegate(bool treeMode, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_treeMode(treeMode)
{ }

QPixmap ContactItemDelegate::phoneTypeIcon(int type)
{
    switch (type) {
    case 0:
        return QPixmap(QStringLiteral(":/gfx/contactlist/phone-type-home-small.png"));
    case 1:
        return QPixmap(QStringLiteral(":/gfx/contactlist/phone-type-work-small.png"));
    case 2:
        return QPixmap(QStringLiteral(":/gfx/contactlist/phone-type-mobile-small.png"));
    default:
        return QPixmap();
    }
}

QSize ContactItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(1, 30);
}

void ContactItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    if (m_suppressPainting)
        return;

    const QRect &row = option.rect;
    const bool contactRow = !m_treeMode || index.parent().isValid();
    QRect background;
    background.setTop(row.top() + 1);
    background.setBottom(row.bottom() - 1);
    if (m_treeMode) {
        background.setLeft(row.left() - (contactRow ? 2 * TreeIndent : TreeIndent));
        background.setRight(row.right() - 1);
    } else {
        background.setLeft(row.left() + 1);
        background.setRight(row.right() - 2);
    }

    painter->save();
    if (option.state.testFlag(QStyle::State_Selected)) {
        painter->setPen(QColor(QStringLiteral("#60e0ff")));
        painter->setBrush(QColor(QStringLiteral("#dff8ff")));
        painter->drawRoundedRect(background, 3.0, 3.0);
    } else if (option.state.testFlag(QStyle::State_MouseOver)) {
        painter->setPen(QColor(QStringLiteral("#c0f3ff")));
        painter->setBrush(QColor(QStringLiteral("#f2fafd")));
        painter->drawRoundedRect(background, 3.0, 3.0);
    }
    painter->setRenderHint(QPainter::TextAntialiasing);

    if (contactRow)
        paintContact(painter, option, index, background);
    else
        paintGroup(painter, option, index, background);
    painter->restore();
}

void ContactItemDelegate::paintGroup(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QModelIndex &index, const QRect &background) const
{
    QFont font = option.font;
    font.setWeight(QFont::Bold);
    QFont countFont = font;
    countFont.setPixelSize(10);
    font.setPixelSize(13);
    const int count = index.data(ContactsTreeModel::ContactCountRole).toInt();
    const QString countText = contactCountText(count);

    // The name takes the room left of the count, cut at its end when longer.
    QRect nameRect = background.translated(13, 0);
    nameRect.setRight(background.right() - 5 - QFontMetrics(countFont).horizontalAdvance(countText)
                      - CountGap);
    const QString name = QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                       qMax(0, nameRect.width()));
    painter->setFont(font);
    painter->setPen(QColor(QStringLiteral("#004372")));
    QRect nameBox;
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter, name, &nameBox);

    QRect countRect = background.translated(-5, 0);
    countRect.setTop(nameBox.top() - 2);
    painter->setPen(QColor(QStringLiteral("#808080")));
    painter->setFont(countFont);
    painter->drawText(countRect, Qt::AlignRight | Qt::AlignTop, countText);
}

void ContactItemDelegate::paintContact(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &index, const QRect &background) const
{
    QRect text = background.translated(m_treeMode ? 26 : 8, 0);
    text.setTop(text.top() + 1);
    text.setBottom(text.bottom() - 1);

    QFont font = option.font;
    font.setPixelSize(11);
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    painter->setPen(Qt::black);
    const QFontMetrics boldMetrics(font);
    const QString name = boldMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                text.width() - (m_treeMode ? 37 : 8));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignTop, name);

    font.setPixelSize(10);
    font.setWeight(QFont::Normal);
    painter->setFont(font);
    QRect number;
    painter->drawText(text, Qt::AlignLeft | Qt::AlignBottom,
                      index.data(ContactsTreeModel::FirstNumberRole).toString(), &number);

    const QPixmap icon = phoneTypeIcon(index.data(ContactsTreeModel::FirstNumberTypeRole).toInt());
    if (icon.isNull())
        return;
    const QSize iconSize = icon.deviceIndependentSize().toSize();
    QRect iconRect(QPoint(number.right() + 4, 0), iconSize);
    iconRect.moveBottom(text.bottom() - QFontMetrics(font).descent() - 1);
    painter->drawPixmap(iconRect, icon);

    const int numbers = index.data(ContactsTreeModel::NumbersRole).toStringList().size();
    if (numbers <= 1)
        return;
    const QString more = QCoreApplication::translate("QStyledItemDelegate", "+ %1 more").arg(numbers - 1);
    QRect moreRect;
    moreRect.setLeft(iconRect.right() + 10);
    moreRect.setTop(number.top());
    moreRect.setBottom(number.bottom());
    // Measured in the name's font, drawn in the number's: a little room to spare.
    moreRect.setWidth(boldMetrics.horizontalAdvance(more));
    painter->drawText(moreRect, Qt::AlignLeft | Qt::AlignTop, more);
}

QString ContactItemDelegate::contactCountText(int count)
{
    // Without a translation %n gives no singular of its own.
    return count == 1 ? QCoreApplication::translate("QStyledItemDelegate", "(%n contact)", "", count)
                      : QCoreApplication::translate("QStyledItemDelegate", "(%n contacts)", "", count);
}
