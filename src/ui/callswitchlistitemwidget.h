#ifndef LINKORA_UI_CALLSWITCHLISTITEMWIDGET_H
#define LINKORA_UI_CALLSWITCHLISTITEMWIDGET_H

#include <QScopedPointer>
#include <QString>
#include <QWidget>

class QTime;

namespace Ui {
class CallSwitchListItemWidget;
}

// One row of the call-switching window: contact and running time above,
// number and the call's state ("ACTIVE" or "ON HOLD") below. The style sheet
// colours the two backgrounds by "_selected" and the state by "_active".
class CallSwitchListItemWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CallSwitchListItemWidget)

public:
    explicit CallSwitchListItemWidget(QWidget *parent = nullptr);
    ~CallSwitchListItemWidget() override;

    void setSelected(bool selected);
    bool isSelected() const;
    void setActive(bool active);
    bool isActive() const;
    // An empty name shows "Unknown".
    void setContactName(const QString &name);
    QString contactName() const;
    void setNumber(const QString &number);
    QString number() const;
    // "mm:ss", with "H:" in front from one hour on; a null time clears it.
    void setTime(const QTime &time);
    QString timeText() const;

private:
    const QScopedPointer<Ui::CallSwitchListItemWidget> m_ui;
};

#endif // LINKORA_UI_CALLSWITCHLISTITEMWIDGET_H
