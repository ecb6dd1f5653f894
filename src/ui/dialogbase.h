#ifndef LINKORA_UI_DIALOGBASE_H
#define LINKORA_UI_DIALOGBASE_H

#include <QDialog>
#include <QPoint>
#include <QScopedPointer>
#include <QSize>

namespace Ui {
class DialogBase;
}

// The frameless dialog with its own title bar, an error line shown only when
// it holds text, and a content area that derived dialogs build their forms
// into. Without a system frame it moves itself when dragged by the title zone
// and resizes itself when dragged by its borders.
class DialogBase : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(DialogBase)

public:
    explicit DialogBase(QWidget *parent = nullptr);
    ~DialogBase() override;

    // Sets the window title and the title bar's text.
    void setTitle(const QString &title);
    // Shows the error line with the text, or hides it for an empty text. The
    // first time the line shows the dialog grows by its height, once.
    void setErrorText(const QString &text);
    QWidget *contentWidget() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void minimize();

private:
    enum Edge { NoEdge = 0, TopEdge = 1, BottomEdge = 2, RightEdge = 3, LeftEdge = 4 };
    enum Corner {
        NoCorner = 0,
        TopLeftCorner = 1,
        TopRightCorner = 2,
        BottomLeftCorner = 3,
        BottomRightCorner = 4
    };

    // The resize bands under a point in dialog coordinates: TopEdge, BottomEdge
    // or NoEdge, and LeftEdge, RightEdge or NoEdge.
    Edge verticalBandAt(const QPoint &pos) const;
    Edge horizontalBandAt(const QPoint &pos) const;
    void updateCursor(const QPoint &pos);
    void resizeTo(const QPoint &globalPos);

    const QScopedPointer<Ui::DialogBase> m_ui;
    QPoint m_pressPosition;
    bool m_moving = false;
    bool m_resizing = false;
    Edge m_resizeEdge = NoEdge;
    Corner m_resizeCorner = NoCorner;
    QSize m_sizeAtPress;
    QPoint m_positionAtPress;
    int m_titleZoneHeight = 0;
    int m_bottomBand = 0;
    int m_leftBand = 0;
    int m_rightBand = 0;
    int m_smallestWidth = 50;
    int m_smallestHeight = 50;
    bool m_errorLineGrown = false;
};

#endif // LINKORA_UI_DIALOGBASE_H
