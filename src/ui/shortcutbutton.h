#ifndef LINKORA_UI_SHORTCUTBUTTON_H
#define LINKORA_UI_SHORTCUTBUTTON_H

#include <QKeySequence>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class ShortcutButton;
}

// Picks the key combination of one hot key. At rest a push button shows the
// combination in force; a click turns it into a read-only field that captures
// the next combination, committed when the first key goes up. A combination
// needs Shift, Control or Alt, except Escape, Return and Enter alone.
//
// It keeps the owner's default and the user's custom sequence; the custom one
// is empty while the default is in force.
class ShortcutButton : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ShortcutButton)

public:
    explicit ShortcutButton(QWidget *parent = nullptr);
    ~ShortcutButton() override;

    // Never emits hotKeyChanged().
    void setDefaultKeySequence(const QKeySequence &sequence);
    QKeySequence defaultKeySequence() const { return m_defaultSequence; }
    // Emits hotKeyChanged() when the custom sequence changes.
    void setKeySequence(const QKeySequence &sequence);
    // The custom sequence; empty while the default is in force.
    QKeySequence keySequence() const { return m_customSequence; }
    // The custom sequence, or the default when there is none.
    QKeySequence effectiveKeySequence() const;
    bool isEditing() const { return m_editing; }

    // The words shown for held modifiers: "Control ", "Shift ", "Alt ", in
    // that order, each with its trailing blank.
    static QString modifierText(int modifiers);
    // Escape, Return and Enter make a hot key without a modifier.
    static bool isKeyAllowedAlone(int key);

public slots:
    void resetToDefault();

signals:
    // The new custom sequence; an empty one puts the default back in force.
    void hotKeyChanged(const QKeySequence &sequence);
    // A key was pressed alone that needs Shift, Control or Alt with it;
    // nothing changed.
    void keyRefused(const QKeySequence &sequence);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private slots:
    void onEditShortcutClicked();

private:
    void updateText();
    QKeySequence pendingKeySequence() const;
    void showPending(const QString &text);
    void stopEditing();

    const QScopedPointer<Ui::ShortcutButton> m_ui;
    QKeySequence m_defaultSequence;
    QKeySequence m_customSequence;
    int m_pendingKey;
    int m_pendingModifiers = 0;
    bool m_editing = false;
};

#endif // LINKORA_UI_SHORTCUTBUTTON_H
