#ifndef LINKORA_UI_PROXYSETTINGSDIALOG_H
#define LINKORA_UI_PROXYSETTINGSDIALOG_H

#include "talk/proxysettings.h"

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class ProxySettingsDialog;
}

// The manual proxy form. It edits one ProxySettings value and hands it back;
// it stores nothing itself. exec() is Accepted only when OK was pressed with
// valid settings. The settings dialog, the main window after a failed login
// and the updater dialog open it.
class ProxySettingsDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(ProxySettingsDialog)

public:
    explicit ProxySettingsDialog(QWidget *parent = nullptr);
    ~ProxySettingsDialog() override;

public slots:
    // The explanation above the form.
    void setMessage(const QString &message);
    // Prefills the form. Only valid settings replace the value held; the user
    // name and password fields show those given, valid or not, whenever they
    // ask for authentication.
    void setProxySettings(talk::ProxySettings settings);
    talk::ProxySettings proxySettings();

private slots:
    void onAuthRequiredChecked(bool checked);
    void onOkClicked();

private:
    // Whether the host typed is empty or blank.
    bool hostMissing() const;
    // Says which field the held value fails on.
    void refuseInvalid();
    // A box over the dialog with one OK button; the field to mend then has
    // the focus.
    void refuse(const QString &text, QWidget *field);

    const QScopedPointer<Ui::ProxySettingsDialog> m_ui;
    talk::ProxySettings m_settings;
};

#endif // LINKORA_UI_PROXYSETTINGSDIALOG_H
