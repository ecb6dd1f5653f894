#include "ui/audiodevicechooser.h"

#include "settings/settings.h"
#include "talk/mediaengine.h"
#include "util/trace.h"

#include <QComboBox>

// What tells the microphone side from the speaker side.
struct AudioDeviceChooser::Side
{
    talk::Device *device;
    QList<talk::Device> *devices;
    QComboBox *combo;
    talk::Device (talk::MediaEngine::*current)() const;
    bool (talk::MediaEngine::*set)(const talk::Device &);
    const char *notFoundText;
    const char *unableText;
    bool speaker;
};

AudioDeviceChooser::AudioDeviceChooser(talk::MediaEngine *engine, QComboBox *microphoneCombo,
                                       QComboBox *speakerCombo, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_microphoneCombo(microphoneCombo)
    , m_speakerCombo(speakerCombo)
{ }

AudioDeviceChooser::~AudioDeviceChooser() = default;

AudioDeviceChooser::Side AudioDeviceChooser::microphoneSide()
{
    return {&m_microphone,
            &m_microphones,
            m_microphoneCombo,
            &talk::MediaEngine::currentMicrophoneDevice,
            &talk::MediaEngine::setMicrophoneDevice,
            "Input device not found:",
            "Unable to set any audio input device:",
            false};
}

AudioDeviceChooser::Side AudioDeviceChooser::speakerSide()
{
    return {&m_speaker,
            &m_speakers,
            m_speakerCombo,
            &talk::MediaEngine::currentSpeakerDevice,
            &talk::MediaEngine::setSpeakerDevice,
            "Output device not found:",
            "Unable to set any audio output device:",
            true};
}

void AudioDeviceChooser::setReadsCurrentDevicesOnce(bool once)
{
    m_readsCurrentDevicesOnce = once;
}

void AudioDeviceChooser::load(const Settings &settings)
{
    m_microphone = settings.audioInputDevice(m_engine ? m_engine->currentMicrophoneDevice() : talk::Device());
    m_speaker = settings.audioOutputDevice(m_engine ? m_engine->currentSpeakerDevice() : talk::Device());
}

void AudioDeviceChooser::save(Settings &settings) const
{
    settings.setAudioInputDevice(m_microphone);
    settings.setAudioOutputDevice(m_speaker);
}

bool AudioDeviceChooser::start()
{
    if (!fillDevices())
        return false;
    setDevices();
    // Connected only now: the first selection is not the user's.
    connect(m_microphoneCombo, &QComboBox::currentIndexChanged, this,
            &AudioDeviceChooser::onMicrophoneIndexChanged);
    connect(m_speakerCombo, &QComboBox::currentIndexChanged, this,
            &AudioDeviceChooser::onSpeakerIndexChanged);
    connect(m_engine, &talk::MediaEngine::deviceChanged, this, &AudioDeviceChooser::onDeviceChange);
    return true;
}

bool AudioDeviceChooser::fillDevices()
{
    if (!m_engine || !m_engine->isInitialized()) {
        TRACE << "MediaEngine not initialized";
        return false;
    }
    m_microphones = m_engine->inputDevices();
    m_microphoneCombo->clear();
    for (const talk::Device &device : std::as_const(m_microphones))
        m_microphoneCombo->addItem(device.displayName());

    m_speakers = m_engine->outputDevices();
    m_speakerCombo->clear();
    for (const talk::Device &device : std::as_const(m_speakers))
        m_speakerCombo->addItem(device.displayName());
    return true;
}

void AudioDeviceChooser::setDevices()
{
    if (!m_engine)
        return;
    if (m_readsCurrentDevicesOnce) {
        const talk::Device currentMicrophone = m_engine->currentMicrophoneDevice();
        const talk::Device currentSpeaker = m_engine->currentSpeakerDevice();
        chooseDevice(microphoneSide(), currentMicrophone);
        chooseDevice(speakerSide(), currentSpeaker);
        return;
    }
    chooseDevice(microphoneSide(), m_engine->currentMicrophoneDevice());
    chooseDevice(speakerSide(), m_engine->currentSpeakerDevice());
}

void AudioDeviceChooser::chooseDevice(const Side &side, const talk::Device &engineDevice)
{
    auto handOver = [&](const talk::Device &device) {
        if (!(m_engine->*side.set)(device))
            return false;
        if (side.speaker)
            emit speakerHandedOver();
        return true;
    };
    auto selectEngineDevice = [&] {
        *side.device = engineDevice;
        const int index = side.devices->indexOf(engineDevice);
        if (index >= 0)
            side.combo->setCurrentIndex(index);
    };

    const int index = side.devices->indexOf(*side.device);
    if (index >= 0) {
        side.combo->setCurrentIndex(index);
        if (*side.device != engineDevice && !handOver(side.devices->at(index)))
            selectEngineDevice();
        return;
    }

    TRACE << side.notFoundText << *side.device;
    if (side.devices->isEmpty())
        return;
    if (!engineDevice.isNull()) {
        selectEngineDevice();
        return;
    }
    *side.device = side.devices->first();
    side.combo->setCurrentIndex(0);
    if (!handOver(*side.device))
        TRACE << side.unableText << *side.device;
}

void AudioDeviceChooser::pickDevice(const Side &side, int index)
{
    if (index >= side.devices->size() || !m_engine)
        return;
    const talk::Device engineDevice = (m_engine->*side.current)();
    *side.device = side.devices->at(index);
    if (*side.device != engineDevice && !(m_engine->*side.set)(*side.device)) {
        // Refused: back to what the engine uses. Selecting it comes here
        // again and hands nothing over.
        *side.device = engineDevice;
        const int engineIndex = side.devices->indexOf(engineDevice);
        if (engineIndex >= 0)
            side.combo->setCurrentIndex(engineIndex);
    }
}

void AudioDeviceChooser::onMicrophoneIndexChanged(int index)
{
    if (m_refreshing || index < 0)
        return;
    pickDevice(microphoneSide(), index);
    emit microphonePicked();
}

void AudioDeviceChooser::onSpeakerIndexChanged(int index)
{
    if (m_refreshing || index < 0)
        return;
    pickDevice(speakerSide(), index);
    emit speakerPicked();
}

void AudioDeviceChooser::onDeviceChange()
{
    m_refreshing = true;
    fillDevices();
    setDevices();
    m_refreshing = false;
    emit devicesRefreshed();
}

void AudioDeviceChooser::showEngineDevices()
{
    if (!m_engine)
        return;
    if (!m_microphones.isEmpty())
        m_microphoneCombo->setCurrentIndex(m_microphones.indexOf(m_engine->currentMicrophoneDevice()));
    if (!m_speakers.isEmpty())
        m_speakerCombo->setCurrentIndex(m_speakers.indexOf(m_engine->currentSpeakerDevice()));
}
