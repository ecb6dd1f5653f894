#include "ui/elidedlabel.h"

#include "util/util.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QtMath>

ElidedLabel::ElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString &text)
{
    m_fullText = text;
    updateGeometry();
    showElided();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    showElided();
}

QSize ElidedLabel::sizeHint() const
{
    // Measured in the style sheet's font, which a layout asked before the
    // label shows would otherwise not see.
    ensurePolished();
    // Rounded up: a text whose width is rounded down is cut in its own room.
    const int text = qCeil(QFontMetricsF(font()).horizontalAdvance(m_fullText));
    return QSize(text + horizontalPadding(), lineHeight());
}

QSize ElidedLabel::minimumSizeHint() const
{
    ensurePolished();
    // Room for the ellipsis alone.
    return QSize(fontMetrics().horizontalAdvance(QChar(0x2026)) + horizontalPadding(), lineHeight());
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showElided();
}

void ElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    // A style sheet brings its font and padding when the label is polished.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateGeometry();
        showElided();
    }
}

int ElidedLabel::horizontalPadding() const
{
    return width() - contentsRect().width() + 2 * margin() + textIndent();
}

int ElidedLabel::textIndent() const
{
    // QLabel draws the text this far in from the side it is aligned to, and
    // cuts it off at the other: its indent or, when none is set and it has a
    // frame (which a style sheet's padding or border gives it), half an "x".
    if (!(alignment() & (Qt::AlignLeft | Qt::AlignRight)))
        return 0;
    int indent = this->indent();
    if (indent < 0 && frameWidth() > 0)
        indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin();
    return qMax(0, indent);
}

int ElidedLabel::lineHeight() const
{
    // As tall as one line, also while it shows nothing.
    const int line = fontMetrics().height() + height() - contentsRect().height() + 2 * margin();
    return qMax(line, QLabel::sizeHint().height());
}

void ElidedLabel::showElided()
{
    const int room = qMax(0, width() - horizontalPadding());
    const QString shown = fontMetrics().elidedText(m_fullText, m_elideMode, room);
    if (text() != shown)
        setText(shown);
    setToolTip(shown == m_fullText ? QString() : Util::plainToolTip(m_fullText));
}
