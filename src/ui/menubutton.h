#ifndef LINKORA_UI_MENUBUTTON_H
#define LINKORA_UI_MENUBUTTON_H

#include <QPixmap>
#include <QScopedPointer>
#include <QWidget>

class QEnterEvent;

namespace Ui {
class MenuButton;
}

// A toolbar or menu button: an icon above a caption. Its whole look comes from
// the style sheet through the property "_state" ("normal", "hovered",
// "pressed", "selected"); the selected mode is sticky and marks the button of
// the current view or the on state of a toggle.
class MenuButton : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(MenuButton)
    Q_PROPERTY(bool horizontalOrientation READ horizontalOrientation WRITE setHorizontalOrientation)

public:
    enum State { Normal = 0, Hovered = 1, Pressed = 2, Selected = 3 };
    Q_ENUM(State)

    explicit MenuButton(QWidget *parent = nullptr);
    ~MenuButton() override;

    void setIconText(const QString &text, Qt::TextFormat format = Qt::PlainText);
    // The whole text, however it is shown.
    QString iconText() const;
    // Plain icon text wider than the button's place is shown elided this
    // way, the whole of it as the label's tooltip; ElideNone (the default)
    // widens the button instead.
    void setIconTextElideMode(Qt::TextElideMode mode);
    void setText(const QString &text);
    QString text() const;
    // Null pixmaps when the label shows none.
    void setIconPixmap(const QPixmap &pixmap);
    QPixmap iconPixmap() const;
    void setTextPixmap(const QPixmap &pixmap);
    QPixmap textPixmap() const;

    void setSelected(bool selected);
    bool isSelected() const;

    bool horizontalOrientation() const;

public slots:
    void setHorizontalOrientation(bool horizontal);

signals:
    // A completed left click on the enabled button.
    void clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

    void setState(State state);
    QString stateToString(State state) const;

private:
    void handleEnter();
    void showIconText();

    const QScopedPointer<Ui::MenuButton> m_ui;
    State m_state = Normal;
    bool m_hovered = false;
    bool m_selected = false;
    // A release already handled for one of the labels; the same release then
    // reaches the button, which only clears the mark.
    bool m_releaseMarked = false;
    bool m_horizontal = false;
    QString m_iconText;
    Qt::TextFormat m_iconTextFormat = Qt::PlainText;
    Qt::TextElideMode m_elideMode = Qt::ElideNone;
};

#endif // LINKORA_UI_MENUBUTTON_H
