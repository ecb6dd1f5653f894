#ifndef LINKORA_UI_CONTACTWIDGET_H
#define LINKORA_UI_CONTACTWIDGET_H

#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class ContactWidget;
}

// One contact row of the group dialog: the contact's name, its group in
// parentheses and an ADD / REMOVE button that says whether it is to be moved
// into the group. The contact is known by its nick.
class ContactWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactWidget)

public:
    explicit ContactWidget(QWidget *parent = nullptr);
    ~ContactWidget() override;

    void setName(const QString &name);
    void setGroupName(const QString &name);
    void setNick(const QString &nick) { m_nick = nick; }
    QString nick() const { return m_nick; }
    // Checked reads REMOVE: the contact is to be moved into the group.
    void setChecked(bool checked);
    bool isChecked() const;

signals:
    // The user pressed the button.
    void toggled(bool checked);

public slots:
    void onAddRemoveClicked(bool checked);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateButtonText();

    const QScopedPointer<Ui::ContactWidget> m_ui;
    QString m_nick;
};

#endif // LINKORA_UI_CONTACTWIDGET_H
