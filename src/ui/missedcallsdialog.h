#ifndef LINKORA_UI_MISSEDCALLSDIALOG_H
#define LINKORA_UI_MISSEDCALLSDIALOG_H

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QScopedPointer>
#include <QStringList>

class MissedCallWidget;

namespace Ui {
class MissedCallsDialog;
}

// The pop-up that lists the calls whose callers gave up before an answer:
// one row per number, ordered by the number, with the count of its calls and
// the name of the matching contact. A row's call-back or SMS button reaches
// the owner as callNumber() or sendSMSToNumber(); the pop-up does not hide
// itself then. OK accepts and the close button or Escape rejects, so the
// owner forgets the gathered numbers on accepted() and rejected().
//
// The central area wires it as
//   callNumber(QString)      -> ContentWidget::onCallNumberFromMissedCallDialog
//   sendSMSToNumber(QString) -> ContentWidget::onSendSMSFromMissedCallDialog
//   accepted(), rejected()   -> ContentWidget::onMissedCallsDialogClosed
// and shows it without modality after each setMissedCallsNumbers().
class MissedCallsDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(MissedCallsDialog)

public:
    explicit MissedCallsDialog(QWidget *parent = nullptr);
    ~MissedCallsDialog() override;

    // The rows of the last fill, top to bottom.
    QList<MissedCallWidget *> rows() const { return m_rows; }

public slots:
    // One entry per missed call; a number that called three times is there
    // three times. Replaces the rows of the previous fill.
    void setMissedCallsNumbers(const QStringList &numbers);

signals:
    void callNumber(const QString &number);
    void sendSMSToNumber(const QString &number);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onCall(const QString &number);
    void onSMS(const QString &number);

private:
    void clearRows();
    // Old rows go only once no row's button is still on the call stack: a
    // receiver of callNumber() may run a modal box whose event loop brings
    // the next missed call and with it a refill.
    void deleteRetiredRows();

    const QScopedPointer<Ui::MissedCallsDialog> m_ui;
    bool m_dragging = false;
    QPoint m_dragPosition;
    QList<MissedCallWidget *> m_rows;
    QList<QPointer<MissedCallWidget>> m_retiredRows;
    int m_rowSignalDepth = 0;
};

#endif // LINKORA_UI_MISSEDCALLSDIALOG_H
