#ifndef LINKORA_UI_SETTINGSDIALOG_H
#define LINKORA_UI_SETTINGSDIALOG_H

#include "ui/dialogbase.h"

#include <QKeySequence>
#include <QList>
#include <QScopedPointer>

class AudioDeviceChooser;
class QButtonGroup;
class Settings;
class ShortcutButton;

namespace talk {
class PlixTalk;
}

namespace Ui {
class SettingsDialogContent;
}

// The preferences: general options, the audio devices and the hot keys.
// Every option is read from Settings when the dialog opens and written back
// only by Save; "Reset to default" only changes the form. Two things take
// effect at once: a device picked goes to the media engine straight away,
// and the custom proxy, once confirmed in its own dialog, is stored.
// No two hot keys may share a key sequence.
class SettingsDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(SettingsDialog)

public:
    // Neither the talk session nor the settings are owned.
    SettingsDialog(talk::PlixTalk *talk, Settings *settings, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // Without a system tray a window hidden to it could not be brought
    // back, so closing quits: the choice is then shown off, with the reason.
    void setSystemTrayAvailable(bool available);

public slots:
    // Saves, then closes as accepted.
    void accept() override;

private slots:
    void onDevicesRefreshed();
    void onTabButtonClicked(int page);
    void onHotKeyChanged(const QKeySequence &sequence);
    void onHotKeyRefused(const QKeySequence &sequence);
    void onResetToDefaultsClicked();
    void onCustomInternetProxyClicked();

private:
    void loadSettings();
    void saveSettings();
    static QKeySequence effectiveKeySequence(const ShortcutButton *button);

    const QScopedPointer<Ui::SettingsDialogContent> m_ui;
    QButtonGroup *m_tabButtons;
    AudioDeviceChooser *m_devices = nullptr;
    // Both in the order of the rows: place call, cancel call, speaker up and
    // down, microphone up and down, show/hide groups.
    QList<ShortcutButton *> m_hotKeyButtons;
    QList<QKeySequence> m_hotKeysInForce;
    // A refused hot key being set back: that change is not checked again.
    bool m_settingHotKeyBack = false;
    Settings *m_settings;
};

#endif // LINKORA_UI_SETTINGSDIALOG_H
