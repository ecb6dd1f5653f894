#include "ui/questionkeys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

QuestionKeys::QuestionKeys(QAbstractButton *ok, QAbstractButton *cancel, QWidget *focusBefore)
    : m_ok(ok)
    , m_cancel(cancel)
    , m_window(ok->window())
    , m_focusBefore(focusBefore)
{
    // Return on a focused Cancel answers Cancel, as in a dialog.
    if (auto *button = qobject_cast<QPushButton *>(cancel))
        button->setAutoDefault(true);
    ok->setFocus(Qt::OtherFocusReason);
    // Keys the focused widget leaves alone come up to its window.
    m_window->installEventFilter(this);
}

QuestionKeys::~QuestionKeys()
{
    if (m_window)
        m_window->removeEventFilter(this);
    if (m_focusBefore && m_focusBefore->isVisible())
        m_focusBefore->setFocus(Qt::OtherFocusReason);
}

bool QuestionKeys::eventFilter(QObject *watched, QEvent *event)
{
    // Once the question has made way (for the PIN choice it may bring
    // back), the window's keys are its own again.
    if (watched != m_window || !m_ok || !m_ok->isVisible())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepted: the key comes as a key press, not as a shortcut.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            break;
        switch (key->key()) {
        case Qt::Key_Escape:
            if (m_cancel)
                m_cancel->click();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_ok)
                m_ok->click();
            return true;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
