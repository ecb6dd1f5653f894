#include "ui/custompushbutton.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QTextOption>

CustomPushButton::CustomPushButton(QWidget *parent)
    : QPushButton(parent)
{ }

QStaticText CustomPushButton::makeStaticText() const
{
    QStaticText staticText(text());
    staticText.setTextFormat(Qt::RichText);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    option.setAlignment(Qt::AlignCenter);
    staticText.setTextOption(option);
    // No text width: each "<br/>" line keeps its natural width.
    staticText.prepare(QTransform(), font());
    return staticText;
}

QSize CustomPushButton::sizeHint() const
{
    const int width = static_cast<int>(makeStaticText().size().width() + 10.0);
    return QSize(width, QPushButton::sizeHint().height());
}

void CustomPushButton::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    // The bevel only: the style must not draw the plain-text caption.
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isChecked())
        option.state |= QStyle::State_On;

    QPainter painter(this);
    style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);

    const QStaticText staticText = makeStaticText();
    const QPoint centre = option.rect.center();
    const QSizeF textSize = staticText.size();
    const int x = static_cast<int>(centre.x() - 0.5 * textSize.width());
    const int y = static_cast<int>(centre.y() - 0.5 * textSize.height()) + 4;
    painter.drawStaticText(x, y, staticText);
}
