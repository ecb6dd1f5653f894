#ifndef LINKORA_UI_PHONENUMBERWIDGET_H
#define LINKORA_UI_PHONENUMBERWIDGET_H

#include <QScopedPointer>
#include <QString>
#include <QWidget>

class QMenu;

namespace Ui {
class PhoneNumberWidget;
}

// One phone-number row of the contact dialog: the number, a button that
// shows and picks its kind (home, work, mobile) through a small menu, and
// buttons that ask the dialog to add a row below or to remove this one. The
// dialog decides which rows and buttons show; the row keeps the number and
// its kind and moves the keyboard focus within itself.
class PhoneNumberWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(PhoneNumberWidget)

public:
    enum ButtonsVisible { AddOnly = 0, RemoveOnly = 1, AddAndRemove = 2 };

    explicit PhoneNumberWidget(QWidget *parent = nullptr);
    ~PhoneNumberWidget() override;

    // 0 home, 1 work, 2 mobile; the button shows the kind's icon.
    void setPhoneType(int type);
    int phoneType() const { return m_type; }
    void setNumber(const QString &number);
    // As typed.
    QString number() const;
    void setButtonsVisible(int mode);

    // "Home", "Work", "Mobile"; empty for another kind.
    static QString typeName(int type);

signals:
    void addClicked();
    void removeClicked();

public slots:
    void onChoosePhoneTypeClicked();
    void onPhoneTypeChosen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Gives the child the focus and makes it the row's stand-in for focus.
    void focusChild(QWidget *child, Qt::FocusReason reason);

    const QScopedPointer<Ui::PhoneNumberWidget> m_ui;
    int m_type = 0;
    QMenu *m_typeMenu;
};

#endif // LINKORA_UI_PHONENUMBERWIDGET_H
