#include "ui/callhistoryeventitemdelegate.h"

#include "ui/contactmanager.h"
#include "ui/historyroles.h"

#include <QDateTime>
#include <QPainter>
#include <QTextBoundaryFinder>

namespace {

constexpr int kNameLimit = 17;

struct Colours
{
    QColor text = Qt::black;
    QColor time = QColor(QStringLiteral("#3fafd4"));
    QColor selectedText = Qt::white;
    QColor selectedBackground = QColor(QStringLiteral("#3fafd4"));
    QColor separator = QColor(QStringLiteral("#bfbfbf"));
    QColor selectedSeparator = QColor(QStringLiteral("#257e9c"));
};

const Colours &colours()
{
    static const Colours colours;
    return colours;
}

// The first characters of a text, never cutting a character that takes
// two code units or a combined character in half.
QString leftCharacters(const QString &text, int count)
{
    if (text.size() <= count)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(count);
    if (!finder.isAtBoundary())
        finder.toPreviousBoundary();
    return text.left(qMax<qsizetype>(0, finder.position()));
}

} // namespace

CallHistoryEventItemDelegate::CallHistoryEventItemDelegate(ContactManager *contactManager, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_contactManager(contactManager)
{
    if (contactManager) {
        connect(contactManager, &ContactManager::refreshContactListUI, this,
                &CallHistoryEventItemDelegate::forgetNames);
        connect(contactManager, &ContactManager::contactUpdated, this,
                &CallHistoryEventItemDelegate::forgetNames);
    }
}

QSize CallHistoryEventItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(1, 53);
}

QString CallHistoryEventItemDelegate::formatDuration(const QTime &duration)
{
    const QString minutes = duration.toString(QStringLiteral("mm:ss"));
    if (duration.hour() > 0)
        return QStringLiteral("%1:").arg(duration.hour()) + minutes;
    return minutes;
}

QString CallHistoryEventItemDelegate::elideName(const QString &firstName, const QString &lastName)
{
    if (firstName.isEmpty() && lastName.isEmpty())
        return QString();
    if (firstName.size() + lastName.size() > kNameLimit) {
        if (firstName.size() > kNameLimit)
            return leftCharacters(firstName, kNameLimit) + QStringLiteral("...");
        if (!firstName.isEmpty())
            return firstName;
        return leftCharacters(lastName, kNameLimit) + QStringLiteral("...");
    }
    return firstName + QLatin1Char(' ') + lastName;
}

QPixmap CallHistoryEventItemDelegate::eventTypeIcon(int type)
{
    switch (type) {
    case 0:
        return QPixmap(QStringLiteral(":/gfx/history/incomming.png"));
    case 1:
        return QPixmap(QStringLiteral(":/gfx/history/outgoing.png"));
    case 2:
        return QPixmap(QStringLiteral(":/gfx/history/missed.png"));
    case 3:
        return QPixmap(QStringLiteral(":/gfx/history/sms.png"));
    default:
        return QPixmap();
    }
}

QString CallHistoryEventItemDelegate::displayName(const QString &number, const QString &storedName) const
{
    QString name = storedName;
    if (m_contactManager) {
        auto cached = m_names.constFind(number);
        if (cached == m_names.constEnd()) {
            const ContactPtr contact = m_contactManager->contactByPhoneNumber(number);
            cached = m_names.insert(
                number, contact ? elideName(contact->firstName(), contact->lastName()) : QString());
        }
        if (!cached->isEmpty())
            name = *cached;
    }
    if (name.trimmed().isEmpty())
        name = tr("Unknown");
    return name;
}

void CallHistoryEventItemDelegate::forgetNames()
{
    m_names.clear();
}

void CallHistoryEventItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    const Colours &colour = colours();
    QFont font = option.font;
    font.setWeight(QFont::Bold);

    const int type = index.data(HistoryRoles::TypeRole).toInt();
    const QString number = index.data(HistoryRoles::NumberRole).toString();
    const QString name = displayName(number, index.data(HistoryRoles::NameRole).toString());
    const QDateTime timestamp = index.data(HistoryRoles::TimestampRole).toDateTime();

    painter->save();
    painter->setRenderHint(QPainter::TextAntialiasing);

    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) {
        painter->fillRect(r, colour.selectedBackground);
        painter->setPen(colour.selectedSeparator);
        painter->drawLine(r.topLeft(), r.topRight());
    }
    painter->setPen(selected ? colour.selectedSeparator : colour.separator);
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->setRenderHint(QPainter::Antialiasing);

    const QColor nameColour = selected ? colour.selectedText : colour.text;
    const QColor timeColour = selected ? colour.selectedText : colour.time;
    const QRect t(QPoint(r.left() + 8, r.top() + 10), QPoint(r.right() - 8, r.bottom() - 6));

    font.setPixelSize(11);
    painter->setFont(font);
    painter->setPen(nameColour);
    painter->drawText(t, Qt::AlignLeft | Qt::AlignTop, name);

    font.setPixelSize(9);
    painter->setFont(font);
    if (index.data(HistoryRoles::DurationShownRole).toBool()) {
        painter->drawText(t, Qt::AlignRight | Qt::AlignBottom,
                          formatDuration(index.data(HistoryRoles::DurationRole).toTime()));
    }
    painter->setPen(timeColour);
    painter->drawText(t, Qt::AlignRight | Qt::AlignTop,
                      timestamp.toString(QStringLiteral("MMM d, yyyy, h:mm")));

    const QPixmap icon = eventTypeIcon(type);
    if (!icon.isNull()) {
        const QSize iconSize = icon.deviceIndependentSize().toSize();
        painter->drawPixmap(QPoint(t.left(), t.bottom() - iconSize.height() + 1), icon);
        painter->setPen(nameColour);
        const QRect numberRect(QPoint(t.left() + iconSize.width() + 4, t.bottom() - iconSize.height() + 1),
                               t.bottomRight());
        painter->drawText(numberRect, Qt::AlignLeft | Qt::AlignVCenter, number);
    }
    painter->restore();
}
