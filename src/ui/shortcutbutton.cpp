#include "ui/shortcutbutton.h"
#include "ui_shortcutbutton.h"

#include "util/trace.h"

#include <QKeyEvent>

namespace {

// The modifiers a hot key may carry; Meta and the key pad flag are dropped.
constexpr int kModifierMask = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

int modifiersOf(const QKeyEvent *event)
{
    return int(event->modifiers()) & kModifierMask;
}

// The flag a modifier key itself stands for; 0 for any other key.
int modifierFlagOfKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    default:
        return 0;
    }
}

const QString kPendingSuffix = QStringLiteral(" ...");

} // namespace

ShortcutButton::ShortcutButton(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::ShortcutButton)
    , m_pendingKey(Qt::Key_unknown)
{
    m_ui->setupUi(this);
    m_ui->stackedWidget->setCurrentWidget(m_ui->buttonPage);
    m_ui->lineEdit->installEventFilter(this);
    connect(m_ui->pushButton, &QPushButton::clicked, this, &ShortcutButton::onEditShortcutClicked);
}

ShortcutButton::~ShortcutButton() = default;

void ShortcutButton::setDefaultKeySequence(const QKeySequence &sequence)
{
    m_defaultSequence = sequence;
    updateText();
}

void ShortcutButton::setKeySequence(const QKeySequence &sequence)
{
    if (sequence == m_customSequence)
        return;
    m_customSequence = sequence;
    updateText();
    emit hotKeyChanged(m_customSequence);
}

QKeySequence ShortcutButton::effectiveKeySequence() const
{
    return m_customSequence.isEmpty() ? m_defaultSequence : m_customSequence;
}

void ShortcutButton::resetToDefault()
{
    if (m_customSequence.isEmpty())
        return;
    m_customSequence = QKeySequence();
    updateText();
    emit hotKeyChanged(m_customSequence);
}

QString ShortcutButton::modifierText(int modifiers)
{
    QString text;
    if (modifiers & Qt::ControlModifier)
        text += QStringLiteral("Control ");
    if (modifiers & Qt::ShiftModifier)
        text += QStringLiteral("Shift ");
    if (modifiers & Qt::AltModifier)
        text += QStringLiteral("Alt ");
    return text;
}

bool ShortcutButton::isKeyAllowedAlone(int key)
{
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool ShortcutButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_ui->lineEdit || !m_editing)
        return QWidget::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::FocusOut:
        stopEditing();
        break;
    case QEvent::ShortcutOverride:
        // Every key is ours while capturing: no shortcut of the application
        // may take it.
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Taken here rather than after the field: the read-only field would
        // keep its navigation keys (Ctrl+Right, Ctrl+A) to itself, and
        // Escape or Return would go on to the dialog and close it.
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (!keyEvent->isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress)
                keyPressEvent(keyEvent);
            else
                keyReleaseEvent(keyEvent);
        }
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ShortcutButton::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (!m_editing)
        return;

    m_pendingKey = Qt::Key_unknown;
    const int key = event->key();
    if (key == Qt::Key_AltGr || key == Qt::Key_Meta)
        return;

    if (const int flag = modifierFlagOfKey(key)) {
        m_pendingModifiers = flag | modifiersOf(event);
        showPending(modifierText(m_pendingModifiers) + kPendingSuffix);
        TRACE << "Modifiers:" << modifierText(m_pendingModifiers);
        return;
    }

    m_pendingKey = key;
    m_pendingModifiers = modifiersOf(event);
    const QString text = pendingKeySequence().toString(QKeySequence::PortableText);
    if (key == Qt::Key_unknown) {
        if (m_pendingModifiers)
            showPending(text + kPendingSuffix);
    } else if (isKeyAllowedAlone(key) || m_pendingModifiers) {
        showPending(text);
    }
    TRACE << "Pressed:" << text;
}

void ShortcutButton::keyReleaseEvent(QKeyEvent *event)
{
    event->accept();
    if (!m_editing)
        return;

    const int key = event->key();
    TRACE << "Released:"
          << QKeySequence(QKeyCombination(Qt::KeyboardModifiers(modifiersOf(event)), Qt::Key(key)))
                 .toString(QKeySequence::PortableText);

    if (m_pendingKey == Qt::Key_unknown && m_pendingModifiers) {
        // Only modifiers so far. A key the field never saw pressed (one a
        // window system swallowed) still counts when it goes up.
        if (key == Qt::Key_AltGr || key == Qt::Key_Meta)
            return;
        if (!modifierFlagOfKey(key)) {
            m_pendingKey = key;
            m_pendingModifiers = modifiersOf(event);
        }
    }

    const int pendingKey = m_pendingKey;
    const bool withModifiers = m_pendingModifiers != 0;
    const QKeySequence pending = pendingKeySequence();
    // Ended before anyone hears of the result: a warning about it takes
    // the focus.
    stopEditing();

    if (isKeyAllowedAlone(pendingKey) && !withModifiers)
        setKeySequence(QKeySequence(pendingKey));
    else if (withModifiers && pendingKey != Qt::Key_unknown)
        setKeySequence(pending);
    else if (pendingKey != Qt::Key_unknown)
        emit keyRefused(pending);
}

void ShortcutButton::onEditShortcutClicked()
{
    m_editing = true;
    m_pendingKey = Qt::Key_unknown;
    m_pendingModifiers = 0;
    m_ui->stackedWidget->setCurrentWidget(m_ui->editPage);
    showPending(m_ui->pushButton->text());
}

void ShortcutButton::updateText()
{
    m_ui->pushButton->setText(effectiveKeySequence().toString(QKeySequence::PortableText));
}

QKeySequence ShortcutButton::pendingKeySequence() const
{
    return QKeySequence(QKeyCombination(Qt::KeyboardModifiers(m_pendingModifiers), Qt::Key(m_pendingKey)));
}

void ShortcutButton::showPending(const QString &text)
{
    m_ui->lineEdit->setText(text);
    m_ui->lineEdit->selectAll();
    m_ui->lineEdit->setFocus(Qt::OtherFocusReason);
}

void ShortcutButton::stopEditing()
{
    m_editing = false;
    m_pendingKey = Qt::Key_unknown;
    m_pendingModifiers = 0;
    const bool hadFocus = m_ui->lineEdit->hasFocus();
    m_ui->stackedWidget->setCurrentWidget(m_ui->buttonPage);
    // The keyboard stays on this hot key for the next one the user picks.
    if (hadFocus)
        m_ui->pushButton->setFocus(Qt::OtherFocusReason);
}
