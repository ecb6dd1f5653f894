#include "ui/repolishwidget.h"

#include <QStyle>
#include <QWidget>

void repolishWidget(QWidget *widget)
{
    widget->setStyleSheet(widget->styleSheet());
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}
