#ifndef LINKORA_UI_INCOMINGCALLDIALOG_H
#define LINKORA_UI_INCOMINGCALLDIALOG_H

#include <QDialog>
#include <QPoint>
#include <QScopedPointer>
#include <QString>

namespace Ui {
class IncomingCallDialog;
}

// The pop-up that names a caller and offers to answer or decline the call.
// Answer emits acceptCall() and accepts, Decline emits rejectCall() and
// rejects; the close button only hides it, leaving the call ringing. It is a
// frameless tool window dragged with the left mouse button.
//
// The central area wires it as
//   acceptCall() -> ContentWidget::onIncomingCallAccepted
//   rejectCall() -> ContentWidget::onIncomingCallRejected
// and shows it without modality for each incoming call.
class IncomingCallDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(IncomingCallDialog)

public:
    explicit IncomingCallDialog(QWidget *parent = nullptr);
    ~IncomingCallDialog() override;

    // The caller's name or number, shown above "is calling...".
    void setCaller(const QString &caller);

public slots:
    void onAcceptCall();
    void onRejectCall();

signals:
    void voiceMailClicked();
    void acceptCall();
    void rejectCall();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    const QScopedPointer<Ui::IncomingCallDialog> m_ui;
    bool m_dragging = false;
    QPoint m_dragPosition;
};

#endif // LINKORA_UI_INCOMINGCALLDIALOG_H
