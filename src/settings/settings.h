#ifndef SETTINGS_H
#define SETTINGS_H

#include "talk/device.h"
#include "talk/proxysettings.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <memory>

class AutostartEntry;
class DbStore;

namespace talk {
class PlixTalk;
}

// The user's preferences, one row of the table "settings" per dotted key.
// Getters read the database every time and fall back to the default they are
// given; setters write only when the value changes.
class Settings : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(Settings)

public:
    explicit Settings(DbStore *dbStore, QObject *parent = nullptr);
    ~Settings() override;

    // The talk session supplies the defaults of the proxy settings.
    void setTalk(talk::PlixTalk *talk);

    static QString tableName();

    // Generic access to the table.
    void setValue(const QString &key, const QVariant &value);
    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    void remove(const QString &key);
    bool boolValue(const QString &key, bool defaultValue) const;
    QString stringValue(const QString &key, const QString &defaultValue) const;
    uint uintValue(const QString &key, uint defaultValue) const;
    int intValue(const QString &key, int defaultValue) const;

    // Login and window. Writing autostart also brings the session's
    // autostart entry into line with the value; reading changes nothing.
    bool autostart(bool defaultValue = true) const;
    void setAutostart(bool on);
    // Off for a program that could not work when started with the session:
    // it then never writes nor removes the entry, which belongs to the
    // installed program of the same name.
    void setAutostartAvailable(bool available) { m_autostartAvailable = available; }
    bool isAutostartAvailable() const { return m_autostartAvailable; }
    bool autoLogin(bool defaultValue = false) const;
    void setAutoLogin(bool on);
    bool rememberLogin(bool defaultValue = false) const;
    void setRememberLogin(bool on);
    QString loginUser(const QString &defaultValue = QString()) const;
    void setLoginUser(const QString &user);
    void removeLoginUser();
    QString loginPassword(const QString &defaultValue = QString()) const;
    void setLoginPassword(const QString &password);
    void removeLoginPassword();
    bool showWelcome(bool defaultValue = true) const;
    void setShowWelcome(bool on);
    bool skipPinSelection(bool defaultValue = false) const;
    void setSkipPinSelection(bool on);
    bool minimizeToTrayOnClose(bool defaultValue = true) const;
    void setMinimizeToTrayOnClose(bool on);
    bool minimizeToTrayHint(bool defaultValue = true) const;
    void setMinimizeToTrayHint(bool on);

    // Calls and audio.
    bool callStartDblClick(bool defaultValue = true) const;
    void setCallStartDblClick(bool on);
    bool autoAnswerCalls(bool defaultValue = false) const;
    void setAutoAnswerCalls(bool on);
    talk::Device audioInputDevice(const talk::Device &defaultDevice = talk::Device()) const;
    void setAudioInputDevice(const talk::Device &device);
    talk::Device audioOutputDevice(const talk::Device &defaultDevice = talk::Device()) const;
    void setAudioOutputDevice(const talk::Device &device);
    uint audioInputVolume(uint defaultValue = 25) const;
    void setAudioInputVolume(uint volume);
    uint audioOutputVolume(uint defaultValue = 25) const;
    void setAudioOutputVolume(uint volume);
    bool muteAll(bool defaultValue = false) const;
    void setMuteAll(bool on);
    bool noiseSuppression(bool defaultValue = true) const;
    void setNoiseSuppression(bool on);
    bool automaticGainControl(bool defaultValue = true) const;
    void setAutomaticGainControl(bool on);
    bool echoCancellation(bool defaultValue = true) const;
    void setEchoCancellation(bool on);

    // Alerts.
    bool muteAllSounds(bool defaultValue = false) const;
    void setMuteAllSounds(bool on);
    bool alertNotification(bool defaultValue = true) const;
    void setAlertNotification(bool on);
    bool alertSound(bool defaultValue = false) const;
    void setAlertSound(bool on);
    QString alertSoundPath(const QString &defaultValue = QString()) const;
    void setAlertSoundPath(const QString &path);

    // Connection and updates. Whether the user chose a custom proxy is kept
    // apart from the proxy settings themselves.
    talk::ProxySettings proxySettings() const;
    void setProxySettings(const talk::ProxySettings &settings);
    bool customProxy(bool defaultValue = false) const;
    void setCustomProxy(bool on);
    bool autoUpdate(bool defaultValue = false) const;
    void setAutoUpdate(bool on);

    // Hot keys, each a key sequence in QKeySequence's portable form and a
    // flag that switches it on.
    QString placeCallHotkey(const QString &defaultValue = QStringLiteral("Enter")) const;
    void setPlaceCallHotkey(const QString &keys);
    QString cancelCallHotkey(const QString &defaultValue = QStringLiteral("Esc")) const;
    void setCancelCallHotkey(const QString &keys);
    QString increaseSpeakerVolHotkey(const QString &defaultValue = QStringLiteral("Ctrl+Right")) const;
    void setIncreaseSpeakerVolHotkey(const QString &keys);
    QString decreaseSpeakerVolHotkey(const QString &defaultValue = QStringLiteral("Ctrl+Left")) const;
    void setDecreaseSpeakerVolHotkey(const QString &keys);
    QString increaseMicVolHotkey(const QString &defaultValue = QStringLiteral("Alt+Right")) const;
    void setIncreaseMicVolHotkey(const QString &keys);
    QString decreaseMicVolHotkey(const QString &defaultValue = QStringLiteral("Alt+Left")) const;
    void setDecreaseMicVolHotkey(const QString &keys);
    QString showHideGroupsHotkey(const QString &defaultValue = QStringLiteral("Ctrl+H")) const;
    void setShowHideGroupsHotkey(const QString &keys);
    bool placeCallHotkeyEnabled(bool defaultValue = true) const;
    void setPlaceCallHotkeyEnabled(bool on);
    bool cancelCallHotkeyEnabled(bool defaultValue = true) const;
    void setCancelCallHotkeyEnabled(bool on);
    bool increaseSpeakerVolHotkeyEnabled(bool defaultValue = true) const;
    void setIncreaseSpeakerVolHotkeyEnabled(bool on);
    bool decreaseSpeakerVolHotkeyEnabled(bool defaultValue = true) const;
    void setDecreaseSpeakerVolHotkeyEnabled(bool on);
    bool increaseMicVolHotkeyEnabled(bool defaultValue = true) const;
    void setIncreaseMicVolHotkeyEnabled(bool on);
    bool decreaseMicVolHotkeyEnabled(bool defaultValue = true) const;
    void setDecreaseMicVolHotkeyEnabled(bool on);
    bool showHideGroupsHotkeyEnabled(bool defaultValue = true) const;
    void setShowHideGroupsHotkeyEnabled(bool on);

signals:
    void minimizeToTrayOnCloseChanged(bool on);
    void callStartDblClickChanged(bool on);
    void autoAnswerCallsChanged(bool on);
    void audioInputDeviceChanged(const talk::Device &device);
    void audioInputVolumeChanged(uint volume);
    void audioOutputDeviceChanged(const talk::Device &device);
    void audioOutputVolumeChanged(uint volume);
    void muteAllSoundsChanged(bool on);
    void alertNotificationChanged(bool on);
    void alertSoundChanged(bool on);
    void alertSoundPathChanged(const QString &path);

private:
    // Each writes the row only when the value differs from the stored one
    // (or from the default while there is no row); true when it wrote.
    bool changeBool(const QString &key, bool value, bool defaultValue);
    bool changeString(const QString &key, const QString &value, const QString &defaultValue);
    bool changeUInt(const QString &key, uint value, uint defaultValue);

    talk::Device loadDevice(const QString &baseKey, const talk::Device &defaultDevice) const;
    void storeDevice(const QString &baseKey, const talk::Device &device);
    void updateAutostartEntry(bool on);

    QPointer<DbStore> m_dbStore;
    QPointer<talk::PlixTalk> m_talk;
    std::unique_ptr<AutostartEntry> m_autostartEntry;
    bool m_autostartAvailable = true;
};

#endif // SETTINGS_H
