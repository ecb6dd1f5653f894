#ifndef LINKORA_UI_MISSEDCALLWIDGET_H
#define LINKORA_UI_MISSEDCALLWIDGET_H

#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class MissedCallWidget;
}

// One row of the missed-calls pop-up: how often a number called, the number,
// the matching contact's name, and buttons to call it back or to answer it by
// SMS. Both buttons hand on the row's number.
class MissedCallWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(MissedCallWidget)

public:
    explicit MissedCallWidget(QWidget *parent = nullptr);
    ~MissedCallWidget() override;

    // An empty name hides the name label.
    void setMissedCall(int count, const QString &name, const QString &number);

    QString callerName() const { return m_callerName; }
    QString callerNumber() const { return m_callerNumber; }

signals:
    void call(const QString &number);
    void sms(const QString &number);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onCallClicked();
    void onSmsClicked();

private:
    const QScopedPointer<Ui::MissedCallWidget> m_ui;
    QString m_callerName;
    QString m_callerNumber;
};

#endif // LINKORA_UI_MISSEDCALLWIDGET_H
