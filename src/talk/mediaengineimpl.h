#ifndef TALK_MEDIAENGINEIMPL_H
#define TALK_MEDIAENGINEIMPL_H

#include "talk/mediaengine.h"

#include <QPointer>

namespace plix {
class IMediaEngine;
}

namespace talk {

// The media engine over the talk library's. The library keeps its engine;
// this wrapper must not outlive the talk session that handed it out.
class MediaEngineImpl : public MediaEngine
{
    Q_OBJECT
    Q_DISABLE_COPY(MediaEngineImpl)

public:
    explicit MediaEngineImpl(plix::IMediaEngine *engine, QObject *parent = nullptr);
    ~MediaEngineImpl() override;

    bool isInitialized() const override;
    QString infoText() const override;
    bool hasCurrentCall() const override;
    int forwardQueryA() const override;
    int forwardQueryB() const override;
    QList<ConnectionInfo> connectionInfos() const override;
    Device currentSpeakerDevice() const override;
    Device currentMicrophoneDevice() const override;
    QList<Device> inputDevices() const override;
    QList<Device> outputDevices() const override;
    bool flagQuery() const override;
    int intQueryA() const override;
    int intQueryB() const override;
    int inputLevel() const override;
    void quadQuery(int *erl, int *erle, int *rerl, int *anlp) const override;
    int intQueryC() const override;
    int intQueryD() const override;
    bool forwardQueryC() const override;
    int audioOptions() const override;
    bool audioOptionBit1() const override;
    bool setAudioOptionBit1(bool on) override;
    void setSettings(Settings *settings) override;
    int outputLevel() const override;
    bool isPlaying() const override;
    int playerFileQuery(const QString &file) const override;
    int playerIntQuery() const override;
    bool isLooping() const override;

    using MediaEngine::pickDefaultDevices;
    bool pickDefaultDevices(bool store) override;
    bool setAudioOptions(int options) override;
    bool setPreferredAudioCodec(talk::AudioCodec codec) override;
    bool setSpeakerDevice(const talk::Device &device) override;
    bool setMicrophoneDevice(const talk::Device &device) override;
    bool setSpeakerVolume(int volume) override;
    bool setMicVolume(int volume) override;
    bool setLocalMonitor(bool on) override;
    bool setEchoMetricStatus(bool on) override;
    bool placeCall(const talk::Jid &callee, bool anonymous) override;
    void setAllowsMultipleCalls(bool allow) override;
    bool playFile(const QString &file) override;
    bool loopFile(const QString &file) override;
    bool playFile(const QString &file, bool loop) override;
    bool stopPlaying() override;

private:
    class Private;
    friend class Private;

    Private *d;
    QPointer<Settings> settings;
};

} // namespace talk

#endif // TALK_MEDIAENGINEIMPL_H
