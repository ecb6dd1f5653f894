#include "settings.h"

#include "settings/autostartentry.h"
#include "settings/dbstore.h"
#include "talk/plixtalk.h"
#include "util/trace.h"

#include <QCoreApplication>
#include <QDir>

namespace {

namespace Key {
const QString autostart = QStringLiteral("login.autostart");
const QString autoLogin = QStringLiteral("login.auto");
const QString rememberLogin = QStringLiteral("login.remember");
const QString loginUser = QStringLiteral("login.user");
const QString loginPassword = QStringLiteral("login.pass");
const QString showWelcome = QStringLiteral("login.welcome");
const QString skipPinSelection = QStringLiteral("login.skipPinSelection");
const QString minimizeToTray = QStringLiteral("ui.minimizetotray");
const QString minimizeToTrayHint = QStringLiteral("ui.minimizetotray.hint");

const QString callStartDblClick = QStringLiteral("settings.call.callStartDblClick");
const QString autoAnswerCalls = QStringLiteral("settings.call.autoAnswerCalls");
const QString inputDevice = QStringLiteral("settings.audio.inputDevice");
const QString outputDevice = QStringLiteral("settings.audio.outputDevice");
const QString inputVolume = QStringLiteral("settings.audio.inputVolume");
const QString outputVolume = QStringLiteral("settings.audio.outputVolume");
const QString muteAll = QStringLiteral("settings.audio.muteAll");
const QString noiseSuppression = QStringLiteral("settings.audio.noiseSuppresion");
const QString automaticGainControl = QStringLiteral("settings.audio.automaticGainControl");
const QString echoCancellation = QStringLiteral("settings.audio.echoCancelation");

const QString muteAllSounds = QStringLiteral("settings.alerts.muteAllSounds");
const QString alertNotification = QStringLiteral("settings.alerts.alertNotification");
const QString alertSound = QStringLiteral("settings.alerts.alertSound");
const QString alertSoundPath = QStringLiteral("settings.alerts.alertSoundPath");

const QString proxyMode = QStringLiteral("settings.connection.proxyMode");
const QString proxyHost = QStringLiteral("settings.connection.proxyHost");
const QString proxyPort = QStringLiteral("settings.connection.proxyPort");
const QString proxyAuthEnabled = QStringLiteral("settings.connection.proxyAuthEnabled");
const QString proxyUsername = QStringLiteral("settings.connection.proxyUsername");
const QString proxyPassword = QStringLiteral("settings.connection.proxyPassword");
const QString customProxy = QStringLiteral("settings.connection.proxy.custom");
const QString autoUpdate = QStringLiteral("settings.update.autoUpdate");

const QString placeCall = QStringLiteral("settings.hotkeys.placeCall");
const QString cancelCall = QStringLiteral("settings.hotkeys.cancelCall");
const QString increaseSpeakerVol = QStringLiteral("settings.hotkeys.increaseSpeakerVol");
const QString decreaseSpeakerVol = QStringLiteral("settings.hotkeys.decreaseSpeakerVol");
const QString increaseMicVol = QStringLiteral("settings.hotkeys.increaseMicVol");
const QString decreaseMicVol = QStringLiteral("settings.hotkeys.decreaseMicVol");
const QString showHideGroups = QStringLiteral("settings.hotkeys.showHideGroups");
const QString placeCallEnabled = QStringLiteral("settings.hotkeys.placeCallEnabled");
const QString cancelCallEnabled = QStringLiteral("settings.hotkeys.cancelCallEnabled");
const QString increaseSpeakerVolEnabled = QStringLiteral("settings.hotkeys.increaseSpeakerVolEnabled");
const QString decreaseSpeakerVolEnabled = QStringLiteral("settings.hotkeys.decreaseSpeakerVolEnabled");
const QString increaseMicVolEnabled = QStringLiteral("settings.hotkeys.increaseMicVolEnabled");
const QString decreaseMicVolEnabled = QStringLiteral("settings.hotkeys.decreaseMicVolEnabled");
const QString showHideGroupsEnabled = QStringLiteral("settings.hotkeys.showHideGroupsEnabled");
} // namespace Key

// Stands for a missing row when reading a device; no device id or name has it.
const QString kNoDeviceMarker = QStringLiteral("\x01no device\x01");

} // namespace

Settings::Settings(DbStore *dbStore, QObject *parent)
    : QObject(parent)
    , m_dbStore(dbStore)
    , m_autostartEntry(AutostartEntry::create())
{ }

Settings::~Settings() = default;

void Settings::setTalk(talk::PlixTalk *talk)
{
    m_talk = talk;
}

QString Settings::tableName()
{
    return QStringLiteral("settings");
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    if (m_dbStore)
        m_dbStore->setValue(tableName(), key, value);
}

QVariant Settings::value(const QString &key, const QVariant &defaultValue) const
{
    return m_dbStore ? m_dbStore->value(tableName(), key, defaultValue) : defaultValue;
}

void Settings::remove(const QString &key)
{
    if (m_dbStore)
        m_dbStore->removeValue(tableName(), key);
}

bool Settings::boolValue(const QString &key, bool defaultValue) const
{
    return value(key, defaultValue).toBool();
}

QString Settings::stringValue(const QString &key, const QString &defaultValue) const
{
    return value(key, defaultValue).toString();
}

uint Settings::uintValue(const QString &key, uint defaultValue) const
{
    return value(key, defaultValue).toUInt();
}

int Settings::intValue(const QString &key, int defaultValue) const
{
    return value(key, defaultValue).toInt();
}

bool Settings::changeBool(const QString &key, bool value, bool defaultValue)
{
    if (boolValue(key, defaultValue) == value)
        return false;
    setValue(key, value);
    return true;
}

bool Settings::changeString(const QString &key, const QString &value, const QString &defaultValue)
{
    if (stringValue(key, defaultValue) == value)
        return false;
    setValue(key, value);
    return true;
}

bool Settings::changeUInt(const QString &key, uint value, uint defaultValue)
{
    if (uintValue(key, defaultValue) == value)
        return false;
    setValue(key, value);
    return true;
}

// Login and window

bool Settings::autostart(bool defaultValue) const
{
    return boolValue(Key::autostart, defaultValue);
}

void Settings::setAutostart(bool on)
{
    const bool stored = boolValue(Key::autostart, true);
    updateAutostartEntry(stored);
    if (on == stored)
        return;
    setValue(Key::autostart, on);
    updateAutostartEntry(on);
}

void Settings::updateAutostartEntry(bool on)
{
    if (!m_autostartAvailable)
        return;
    const QString name = QCoreApplication::applicationName();
    if (on)
        m_autostartEntry->write(name, QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    else
        m_autostartEntry->remove(name);
}

bool Settings::autoLogin(bool defaultValue) const
{
    return boolValue(Key::autoLogin, defaultValue);
}

void Settings::setAutoLogin(bool on)
{
    changeBool(Key::autoLogin, on, false);
}

bool Settings::rememberLogin(bool defaultValue) const
{
    return boolValue(Key::rememberLogin, defaultValue);
}

void Settings::setRememberLogin(bool on)
{
    changeBool(Key::rememberLogin, on, false);
}

QString Settings::loginUser(const QString &defaultValue) const
{
    return stringValue(Key::loginUser, defaultValue);
}

void Settings::setLoginUser(const QString &user)
{
    changeString(Key::loginUser, user, QString());
}

void Settings::removeLoginUser()
{
    remove(Key::loginUser);
}

QString Settings::loginPassword(const QString &defaultValue) const
{
    return stringValue(Key::loginPassword, defaultValue);
}

void Settings::setLoginPassword(const QString &password)
{
    changeString(Key::loginPassword, password, QString());
}

void Settings::removeLoginPassword()
{
    remove(Key::loginPassword);
    // Earlier versions of the row live on in the journal until it is emptied.
    if (m_dbStore)
        m_dbStore->checkpoint();
}

bool Settings::showWelcome(bool defaultValue) const
{
    return boolValue(Key::showWelcome, defaultValue);
}

void Settings::setShowWelcome(bool on)
{
    changeBool(Key::showWelcome, on, true);
}

bool Settings::skipPinSelection(bool defaultValue) const
{
    return boolValue(Key::skipPinSelection, defaultValue);
}

void Settings::setSkipPinSelection(bool on)
{
    changeBool(Key::skipPinSelection, on, false);
}

bool Settings::minimizeToTrayOnClose(bool defaultValue) const
{
    return boolValue(Key::minimizeToTray, defaultValue);
}

void Settings::setMinimizeToTrayOnClose(bool on)
{
    if (changeBool(Key::minimizeToTray, on, true))
        emit minimizeToTrayOnCloseChanged(on);
}

bool Settings::minimizeToTrayHint(bool defaultValue) const
{
    return boolValue(Key::minimizeToTrayHint, defaultValue);
}

void Settings::setMinimizeToTrayHint(bool on)
{
    changeBool(Key::minimizeToTrayHint, on, true);
}

// Calls and audio

bool Settings::callStartDblClick(bool defaultValue) const
{
    return boolValue(Key::callStartDblClick, defaultValue);
}

void Settings::setCallStartDblClick(bool on)
{
    if (changeBool(Key::callStartDblClick, on, true))
        emit callStartDblClickChanged(on);
}

bool Settings::autoAnswerCalls(bool defaultValue) const
{
    return boolValue(Key::autoAnswerCalls, defaultValue);
}

void Settings::setAutoAnswerCalls(bool on)
{
    if (changeBool(Key::autoAnswerCalls, on, false))
        emit autoAnswerCallsChanged(on);
}

talk::Device Settings::loadDevice(const QString &baseKey, const talk::Device &defaultDevice) const
{
    const QString id = stringValue(baseKey + QStringLiteral(".id"), kNoDeviceMarker);
    const QString name = stringValue(baseKey + QStringLiteral(".name"), kNoDeviceMarker);
    if (id == kNoDeviceMarker || name == kNoDeviceMarker)
        return defaultDevice;
    return talk::Device(id, name);
}

void Settings::storeDevice(const QString &baseKey, const talk::Device &device)
{
    if (device.isNull()) {
        remove(baseKey + QStringLiteral(".id"));
        remove(baseKey + QStringLiteral(".name"));
        return;
    }
    setValue(baseKey + QStringLiteral(".id"), device.id());
    setValue(baseKey + QStringLiteral(".name"), device.name());
}

talk::Device Settings::audioInputDevice(const talk::Device &defaultDevice) const
{
    return loadDevice(Key::inputDevice, defaultDevice);
}

void Settings::setAudioInputDevice(const talk::Device &device)
{
    if (loadDevice(Key::inputDevice, talk::Device()) == device)
        return;
    storeDevice(Key::inputDevice, device);
    emit audioInputDeviceChanged(device);
}

talk::Device Settings::audioOutputDevice(const talk::Device &defaultDevice) const
{
    return loadDevice(Key::outputDevice, defaultDevice);
}

void Settings::setAudioOutputDevice(const talk::Device &device)
{
    if (loadDevice(Key::outputDevice, talk::Device()) == device)
        return;
    storeDevice(Key::outputDevice, device);
    emit audioOutputDeviceChanged(device);
}

uint Settings::audioInputVolume(uint defaultValue) const
{
    return uintValue(Key::inputVolume, defaultValue);
}

void Settings::setAudioInputVolume(uint volume)
{
    if (changeUInt(Key::inputVolume, volume, 25))
        emit audioInputVolumeChanged(volume);
}

uint Settings::audioOutputVolume(uint defaultValue) const
{
    return uintValue(Key::outputVolume, defaultValue);
}

void Settings::setAudioOutputVolume(uint volume)
{
    if (changeUInt(Key::outputVolume, volume, 25))
        emit audioOutputVolumeChanged(volume);
}

bool Settings::muteAll(bool defaultValue) const
{
    return boolValue(Key::muteAll, defaultValue);
}

void Settings::setMuteAll(bool on)
{
    changeBool(Key::muteAll, on, false);
}

bool Settings::noiseSuppression(bool defaultValue) const
{
    return boolValue(Key::noiseSuppression, defaultValue);
}

void Settings::setNoiseSuppression(bool on)
{
    changeBool(Key::noiseSuppression, on, true);
}

bool Settings::automaticGainControl(bool defaultValue) const
{
    return boolValue(Key::automaticGainControl, defaultValue);
}

void Settings::setAutomaticGainControl(bool on)
{
    changeBool(Key::automaticGainControl, on, true);
}

bool Settings::echoCancellation(bool defaultValue) const
{
    return boolValue(Key::echoCancellation, defaultValue);
}

void Settings::setEchoCancellation(bool on)
{
    changeBool(Key::echoCancellation, on, true);
}

// Alerts

bool Settings::muteAllSounds(bool defaultValue) const
{
    return boolValue(Key::muteAllSounds, defaultValue);
}

void Settings::setMuteAllSounds(bool on)
{
    if (changeBool(Key::muteAllSounds, on, false))
        emit muteAllSoundsChanged(on);
}

bool Settings::alertNotification(bool defaultValue) const
{
    return boolValue(Key::alertNotification, defaultValue);
}

void Settings::setAlertNotification(bool on)
{
    if (changeBool(Key::alertNotification, on, true))
        emit alertNotificationChanged(on);
}

bool Settings::alertSound(bool defaultValue) const
{
    return boolValue(Key::alertSound, defaultValue);
}

void Settings::setAlertSound(bool on)
{
    if (changeBool(Key::alertSound, on, false))
        emit alertSoundChanged(on);
}

QString Settings::alertSoundPath(const QString &defaultValue) const
{
    return stringValue(Key::alertSoundPath, defaultValue);
}

void Settings::setAlertSoundPath(const QString &path)
{
    if (changeString(Key::alertSoundPath, path, QString()))
        emit alertSoundPathChanged(path);
}

// Connection and updates

talk::ProxySettings Settings::proxySettings() const
{
    const talk::ProxySettings base = m_talk ? m_talk->proxySettings() : talk::ProxySettings();
    return talk::ProxySettings(static_cast<int>(uintValue(Key::proxyMode, static_cast<uint>(base.mode()))),
                               stringValue(Key::proxyHost, base.host()),
                               intValue(Key::proxyPort, base.port()), boolValue(Key::proxyAuthEnabled, false),
                               stringValue(Key::proxyUsername, base.username()),
                               stringValue(Key::proxyPassword, base.password()));
}

void Settings::setProxySettings(const talk::ProxySettings &settings)
{
    const talk::ProxySettings stored = proxySettings();
    if (stored == settings) {
        TRACE << "Proxy Settings already present... skipping..." << settings.host() << settings.port()
              << settings.mode();
        TRACE << "Proxy Settings: " << stored.host() << stored.port() << stored.mode();
        return;
    }
    setValue(Key::proxyMode, settings.mode());
    setValue(Key::proxyHost, settings.host());
    setValue(Key::proxyPort, settings.port());
    setValue(Key::proxyAuthEnabled, settings.authEnabled());
    setValue(Key::proxyUsername, settings.username());
    setValue(Key::proxyPassword, settings.password());
}

bool Settings::customProxy(bool defaultValue) const
{
    return boolValue(Key::customProxy, defaultValue);
}

void Settings::setCustomProxy(bool on)
{
    setValue(Key::customProxy, on);
}

bool Settings::autoUpdate(bool defaultValue) const
{
    return boolValue(Key::autoUpdate, defaultValue);
}

void Settings::setAutoUpdate(bool on)
{
    changeBool(Key::autoUpdate, on, false);
}

// Hot keys

QString Settings::placeCallHotkey(const QString &defaultValue) const
{
    return stringValue(Key::placeCall, defaultValue);
}

void Settings::setPlaceCallHotkey(const QString &keys)
{
    changeString(Key::placeCall, keys, QStringLiteral("Enter"));
}

QString Settings::cancelCallHotkey(const QString &defaultValue) const
{
    return stringValue(Key::cancelCall, defaultValue);
}

void Settings::setCancelCallHotkey(const QString &keys)
{
    changeString(Key::cancelCall, keys, QStringLiteral("Esc"));
}

QString Settings::increaseSpeakerVolHotkey(const QString &defaultValue) const
{
    return stringValue(Key::increaseSpeakerVol, defaultValue);
}

void Settings::setIncreaseSpeakerVolHotkey(const QString &keys)
{
    changeString(Key::increaseSpeakerVol, keys, QStringLiteral("Ctrl+Right"));
}

QString Settings::decreaseSpeakerVolHotkey(const QString &defaultValue) const
{
    return stringValue(Key::decreaseSpeakerVol, defaultValue);
}

void Settings::setDecreaseSpeakerVolHotkey(const QString &keys)
{
    changeString(Key::decreaseSpeakerVol, keys, QStringLiteral("Ctrl+Left"));
}

QString Settings::increaseMicVolHotkey(const QString &defaultValue) const
{
    return stringValue(Key::increaseMicVol, defaultValue);
}

void Settings::setIncreaseMicVolHotkey(const QString &keys)
{
    changeString(Key::increaseMicVol, keys, QStringLiteral("Alt+Right"));
}

QString Settings::decreaseMicVolHotkey(const QString &defaultValue) const
{
    return stringValue(Key::decreaseMicVol, defaultValue);
}

void Settings::setDecreaseMicVolHotkey(const QString &keys)
{
    changeString(Key::decreaseMicVol, keys, QStringLiteral("Alt+Left"));
}

QString Settings::showHideGroupsHotkey(const QString &defaultValue) const
{
    return stringValue(Key::showHideGroups, defaultValue);
}

void Settings::setShowHideGroupsHotkey(const QString &keys)
{
    changeString(Key::showHideGroups, keys, QStringLiteral("Ctrl+H"));
}

bool Settings::placeCallHotkeyEnabled(bool defaultValue) const
{
    return boolValue(Key::placeCallEnabled, defaultValue);
}

void Settings::setPlaceCallHotkeyEnabled(bool on)
{
    changeBool(Key::placeCallEnabled, on, true);
}

bool Settings::cancelCallHotkeyEnabled(bool defaultValue) const
{
    return boolValue(Key::cancelCallEnabled, defaultValue);
}

void Settings::setCancelCallHotkeyEnabled(bool on)
{
    changeBool(Key::cancelCallEnabled, on, true);
}

bool Settings::increaseSpeakerVolHotkeyEnabled(bool defaultValue) const
{
    return boolValue(Key::increaseSpeakerVolEnabled, defaultValue);
}

void Settings::setIncreaseSpeakerVolHotkeyEnabled(bool on)
{
    changeBool(Key::increaseSpeakerVolEnabled, on, true);
}

bool Settings::decreaseSpeakerVolHotkeyEnabled(bool defaultValue) const
{
    return boolValue(Key::decreaseSpeakerVolEnabled, defaultValue);
}

void Settings::setDecreaseSpeakerVolHotkeyEnabled(bool on)
{
    changeBool(Key::decreaseSpeakerVolEnabled, on, true);
}

bool Settings::increaseMicVolHotkeyEnabled(bool defaultValue) const
{
    return boolValue(Key::increaseMicVolEnabled, defaultValue);
}

void Settings::setIncreaseMicVolHotkeyEnabled(bool on)
{
    changeBool(Key::increaseMicVolEnabled, on, true);
}

bool Settings::decreaseMicVolHotkeyEnabled(bool defaultValue) const
{
    return boolValue(Key::decreaseMicVolEnabled, defaultValue);
}

void Settings::setDecreaseMicVolHotkeyEnabled(bool on)
{
    changeBool(Key::decreaseMicVolEnabled, on, true);
}

bool Settings::showHideGroupsHotkeyEnabled(bool defaultValue) const
{
    return boolValue(Key::showHideGroupsEnabled, defaultValue);
}

void Settings::setShowHideGroupsHotkeyEnabled(bool on)
{
    changeBool(Key::showHideGroupsEnabled, on, true);
}
