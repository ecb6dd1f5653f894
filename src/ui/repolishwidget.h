#ifndef LINKORA_UI_REPOLISHWIDGET_H
#define LINKORA_UI_REPOLISHWIDGET_H

class QWidget;

// Style-sheet selectors on dynamic properties ("_state", "_invalid", ...) are
// evaluated only when a widget is polished: call this right after setting
// such a property so that the new look shows.
void repolishWidget(QWidget *widget);

#endif // LINKORA_UI_REPOLISHWIDGET_H
