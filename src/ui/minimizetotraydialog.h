#ifndef LINKORA_UI_MINIMIZETOTRAYDIALOG_H
#define LINKORA_UI_MINIMIZETOTRAYDIALOG_H

#include <QDialog>
#include <QPointer>
#include <QScopedPointer>

class Settings;

namespace Ui {
class MinimizeToTrayDialog;
}

// The notice that closing the main window only hid it to the notification
// area. Its check box switches the notice off for good; only "Ok" stores the
// choice, Escape stores nothing.
class MinimizeToTrayDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(MinimizeToTrayDialog)

public:
    explicit MinimizeToTrayDialog(QWidget *parent = nullptr);
    ~MinimizeToTrayDialog() override;

    // Where "Ok" stores the choice: the program's one Settings.
    void setSettings(Settings *settings);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onOkClicked();

private:
    const QScopedPointer<Ui::MinimizeToTrayDialog> m_ui;
    QPointer<Settings> m_settings;
};

#endif // LINKORA_UI_MINIMIZETOTRAYDIALOG_H
