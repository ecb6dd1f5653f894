#include "ui/voicemailitemdelegate.h"

#include "ui/historyroles.h"

#include <QDateTime>
#include <QPainter>

namespace {

struct Colours
{
    QColor number = Qt::black;
    QColor date = QColor(QStringLiteral("#23a2cf"));
    QColor selectedText = Qt::white;
    QColor selectedBackground = QColor(QStringLiteral("#23a2cf"));
    QColor separator = QColor(QStringLiteral("#bfbfbf"));
};

const Colours &colours()
{
    static const Colours colours;
    return colours;
}

} // namespace

VoicemailItemDelegate::VoicemailItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{ }

QSize VoicemailItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(1, 27);
}

QPixmap VoicemailItemDelegate::stateIcon(int state, bool selected)
{
    QString name;
    switch (state) {
    case 0:
        name = QStringLiteral("not-played");
        break;
    case 1:
        name = QStringLiteral("playing");
        break;
    case 2:
        name = QStringLiteral("paused");
        break;
    default:
        return QPixmap();
    }
    return QPixmap(QStringLiteral(":/gfx/voicemail/") + name
                   + (selected ? QStringLiteral("-selected") : QString()) + QStringLiteral(".png"));
}

void VoicemailItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    const Colours &colour = colours();
    QFont font = option.font;
    font.setWeight(QFont::Bold);
    const int state = index.data(HistoryRoles::VoicemailStateRole).toInt();
    painter->save();
    painter->setFont(font);

    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(r, colour.selectedBackground);
    const QPixmap icon = stateIcon(state, selected);
    const QColor numberColour = selected ? colour.selectedText : colour.number;
    const QColor dateColour = selected ? colour.selectedText : colour.date;

    painter->setPen(colour.separator);
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (!icon.isNull()) {
        const QSize iconSize = icon.deviceIndependentSize().toSize();
        painter->drawPixmap(QPoint(r.left() + 8, r.top() + (r.height() / 2 - iconSize.height() / 2)), icon);
    }
    const QRect text = r.adjusted(25, 0, -4, 0);
    painter->setPen(numberColour);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(HistoryRoles::NumberRole).toString());
    painter->setPen(dateColour);
    painter->drawText(
        text, Qt::AlignRight | Qt::AlignVCenter,
        index.data(HistoryRoles::TimestampRole).toDateTime().date().toString(QStringLiteral("dd.MM.yyyy")));
    painter->restore();
}
