#ifndef LINKORA_UI_AUDIODEVICECHOOSER_H
#define LINKORA_UI_AUDIODEVICECHOOSER_H

#include "talk/device.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QComboBox;
class Settings;

namespace talk {
class MediaEngine;
}

// The microphone and speaker lists of a dialog over the media engine's
// devices. When listed, each side takes the kept device where the engine
// lists it, else the engine's current one, else the first listed; a device
// the user picks goes to the engine at once. A device the engine refuses
// gives way to the one it uses. When the engine's lists change, both sides
// are listed and chosen afresh.
class AudioDeviceChooser : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(AudioDeviceChooser)

public:
    // Neither the engine nor the combo boxes are owned; without an engine
    // nothing is listed.
    AudioDeviceChooser(talk::MediaEngine *engine, QComboBox *microphoneCombo, QComboBox *speakerCombo,
                       QObject *parent = nullptr);
    ~AudioDeviceChooser() override;

    // By default each side reads the engine's current device just before it
    // is chosen. Read once, both are read before either side hands anything
    // over; that differs only with an engine where taking one device changes
    // the other.
    void setReadsCurrentDevicesOnce(bool once);

    // The kept devices become the saved ones, or the engine's current ones
    // where none is saved.
    void load(const Settings &settings);
    void save(Settings &settings) const;

    // Lists and chooses the devices, then follows the user's picks and the
    // engine's changes of its lists; the first choice is therefore never
    // taken for the user's. Fails, with nothing listed and nothing followed,
    // when the engine is not ready.
    bool start();

    // Selects in each list not empty the engine's current device, as the
    // user would (no entry when the list does not hold it).
    void showEngineDevices();

    talk::Device microphoneDevice() const { return m_microphone; }
    talk::Device speakerDevice() const { return m_speaker; }
    QList<talk::Device> microphoneDevices() const { return m_microphones; }
    QList<talk::Device> speakerDevices() const { return m_speakers; }

signals:
    // The engine took the speaker chosen on listing; never sent for a pick.
    void speakerHandedOver();
    // The user selected another entry; the engine has it, or refused it.
    void microphonePicked();
    void speakerPicked();
    // Listed and chosen afresh after the engine's lists changed.
    void devicesRefreshed();

private slots:
    void onMicrophoneIndexChanged(int index);
    void onSpeakerIndexChanged(int index);
    void onDeviceChange();

private:
    struct Side;
    Side microphoneSide();
    Side speakerSide();

    bool fillDevices();
    void setDevices();
    void chooseDevice(const Side &side, const talk::Device &engineDevice);
    void pickDevice(const Side &side, int index);

    QPointer<talk::MediaEngine> m_engine;
    QComboBox *const m_microphoneCombo;
    QComboBox *const m_speakerCombo;
    talk::Device m_microphone;
    talk::Device m_speaker;
    QList<talk::Device> m_microphones;
    QList<talk::Device> m_speakers;
    bool m_readsCurrentDevicesOnce = false;
    // Set while the lists are refilled: selections then are not the user's.
    bool m_refreshing = false;
};

#endif // LINKORA_UI_AUDIODEVICECHOOSER_H
