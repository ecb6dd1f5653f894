#ifndef LINKORA_UI_QUESTIONKEYS_H
#define LINKORA_UI_QUESTIONKEYS_H

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;

// The keyboard of the in-page question while it waits. The question is
// shown in the window instead of a dialog, but its keys are a dialog's: the
// keys typed in its window answer it and no shortcut of the program acts on
// them (Escape would otherwise hang up a call behind "Quit?"). Escape
// answers Cancel; Return and Enter press the focused answer, Ok when neither
// has the focus. Other windows, the pop-up of a call coming in among them,
// keep their keys.
class QuestionKeys : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QuestionKeys)

public:
    // From now on Ok has the focus and the buttons' window answers; the
    // focus goes back to focusBefore when this ends, if it is on show then.
    QuestionKeys(QAbstractButton *ok, QAbstractButton *cancel, QWidget *focusBefore);
    ~QuestionKeys() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QAbstractButton> m_ok;
    QPointer<QAbstractButton> m_cancel;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focusBefore;
};

#endif // LINKORA_UI_QUESTIONKEYS_H
