#ifndef KEYBOARDHELPERS_H
#define KEYBOARDHELPERS_H

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <QtTest>

namespace KeyboardTesting {

// A person's fingers on the keyboard: "+Ctrl" presses Control, "-H" lets H
// go, each key event going to the widget with the focus and carrying the
// modifiers held at that moment, as the window system reports them (a
// modifier's own press already carries it, its release no longer does).
class Fingers
{
public:
    // Sends the steps in order; false when a key name is unknown.
    bool play(const QStringList &steps)
    {
        for (const QString &step : steps) {
            if (step.size() < 2 || (step.front() != QLatin1Char('+') && step.front() != QLatin1Char('-')))
                return false;
            if (!send(step.front() == QLatin1Char('+'), step.mid(1)))
                return false;
        }
        return true;
    }

    // Presses and lets go of a combination such as "Ctrl+P".
    bool type(const QString &combination)
    {
        const QStringList parts = combination.split(QLatin1Char('+'));
        QStringList steps;
        for (const QString &part : parts)
            steps << QLatin1Char('+') + part;
        for (auto it = parts.crbegin(); it != parts.crend(); ++it)
            steps << QLatin1Char('-') + *it;
        return play(steps);
    }

private:
    bool send(bool press, const QString &name)
    {
        int key = 0;
        Qt::KeyboardModifier flag = Qt::NoModifier;
        if (name == QLatin1String("Ctrl")) {
            key = Qt::Key_Control;
            flag = Qt::ControlModifier;
        } else if (name == QLatin1String("Shift")) {
            key = Qt::Key_Shift;
            flag = Qt::ShiftModifier;
        } else if (name == QLatin1String("Alt")) {
            key = Qt::Key_Alt;
            flag = Qt::AltModifier;
        } else if (name == QLatin1String("Meta")) {
            key = Qt::Key_Meta;
            flag = Qt::MetaModifier;
        } else if (name == QLatin1String("AltGr")) {
            key = Qt::Key_AltGr;
        } else {
            const QKeySequence sequence = QKeySequence::fromString(name, QKeySequence::PortableText);
            if (sequence.count() != 1)
                return false;
            key = sequence[0].key();
        }
        if (flag != Qt::NoModifier)
            m_held.setFlag(flag, press);
        Qt::KeyboardModifiers modifiers = m_held;
        if (key == Qt::Key_Enter)
            modifiers |= Qt::KeypadModifier;
        // Without a focus widget the active window takes the key; a key let
        // go once its press has closed the last window goes nowhere.
        QWidget *target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow();
        if (!target)
            return !press;
        const QString text = key < 0x01000000 && !(m_held & (Qt::ControlModifier | Qt::AltModifier))
            ? QString(QChar(key)).toLower()
            : QString();
        // Through the shortcut map first, as real keys go.
        QTest::simulateEvent(target, press, key, modifiers, text, false);
        return true;
    }

    Qt::KeyboardModifiers m_held;
};

} // namespace KeyboardTesting

#endif // KEYBOARDHELPERS_H
