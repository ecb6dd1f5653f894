#include "ui/popuplistkeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

PopupListKeys::PopupListKeys(QAbstractItemView *list)
    : QObject(list)
    , m_list(list)
{
    list->installEventFilter(this);
}

bool PopupListKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_list)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepted: the key goes to the list instead of the window's
        // shortcuts.
        event->accept();
        return true;
    case QEvent::KeyPress:
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit picked(m_list->currentIndex());
            return true;
        case Qt::Key_Escape:
            emit closeRequested();
            return true;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
