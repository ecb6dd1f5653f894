#ifndef TALK_MEDIAENGINE_H
#define TALK_MEDIAENGINE_H

#include "talk/connectioninfo.h"
#include "talk/device.h"
#include "talk/jid.h"
#include "talk/talkmetatypes.h"

#include <QList>
#include <QObject>
#include <QString>

class Settings;

namespace talk {

class Call;

// A preferred audio codec as the talk library numbers it.
using AudioCodec = qint32;

// Audio devices, volumes, sound files and calls: what the program asks of
// the talk library's media engine. Queries the library cannot answer give
// their start values (-1, false, empty).
class MediaEngine : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MediaEngine)

public:
    explicit MediaEngine(QObject *parent = nullptr);
    ~MediaEngine() override;

    virtual bool isInitialized() const = 0;
    virtual QString infoText() const = 0;
    // Whether the library has a call in focus.
    virtual bool hasCurrentCall() const = 0;
    // The number of live calls.
    virtual int forwardQueryA() const = 0;
    // The preferred audio codec.
    virtual int forwardQueryB() const = 0;
    // The channels of the call in focus.
    virtual QList<ConnectionInfo> connectionInfos() const = 0;
    virtual Device currentSpeakerDevice() const = 0;
    virtual Device currentMicrophoneDevice() const = 0;
    // Devices of one name get display names "name (1)", "name (2)", ...
    virtual QList<Device> inputDevices() const = 0;
    virtual QList<Device> outputDevices() const = 0;
    // Whether echo metrics are switched on.
    virtual bool flagQuery() const = 0;
    // The speaker volume.
    virtual int intQueryA() const = 0;
    // The microphone volume.
    virtual int intQueryB() const = 0;
    // The microphone level, 0 to 9.
    virtual int inputLevel() const = 0;
    // The four echo metrics; each -1 when echo metrics are off.
    virtual void quadQuery(int *erl, int *erle, int *rerl, int *anlp) const = 0;
    // Median and deviation of the echo delay.
    virtual int intQueryC() const = 0;
    virtual int intQueryD() const = 0;
    // Whether more than one call may be up.
    virtual bool forwardQueryC() const = 0;
    virtual int audioOptions() const = 0;
    virtual bool audioOptionBit1() const = 0;
    virtual bool setAudioOptionBit1(bool on) = 0;
    // Where the chosen audio devices are kept; not owned.
    virtual void setSettings(Settings *settings) = 0;
    // The player's level while it plays.
    virtual int outputLevel() const = 0;
    virtual bool isPlaying() const = 0;
    // How long the file plays, in milliseconds.
    virtual int playerFileQuery(const QString &file) const = 0;
    // The position in the file playing, in milliseconds.
    virtual int playerIntQuery() const = 0;
    virtual bool isLooping() const = 0;

public slots:
    // Sets the saved devices, or the current ones when the saved are not
    // listed; with store the choice is saved. True when both were set.
    virtual bool pickDefaultDevices(bool store) = 0;
    bool pickDefaultDevices() { return pickDefaultDevices(false); }
    virtual bool setAudioOptions(int options) = 0;
    virtual bool setPreferredAudioCodec(talk::AudioCodec codec) = 0;
    virtual bool setSpeakerDevice(const talk::Device &device) = 0;
    virtual bool setMicrophoneDevice(const talk::Device &device) = 0;
    virtual bool setSpeakerVolume(int volume) = 0;
    virtual bool setMicVolume(int volume) = 0;
    // The audio level monitor that feeds inputLevel() outside calls.
    virtual bool setLocalMonitor(bool on) = 0;
    virtual bool setEchoMetricStatus(bool on) = 0;
    // The call arrives later through callCreated().
    virtual bool placeCall(const talk::Jid &callee, bool anonymous) = 0;
    virtual void setAllowsMultipleCalls(bool allow) = 0;
    virtual bool playFile(const QString &file) = 0;
    virtual bool loopFile(const QString &file) = 0;
    virtual bool playFile(const QString &file, bool loop) = 0;
    virtual bool stopPlaying() = 0;

signals:
    void callCreated(const talk::Call *call);
    // The call object is deleted right after this signal.
    void callDestroyed(const talk::Call *call);
    // Either may be null.
    void callFocusChanged(const talk::Call *oldCall, const talk::Call *newCall);
    void deviceChanged();
    // automatic: the library switched by itself, e.g. the device went away.
    void currentDeviceChanged(const talk::Device &device, plix::MEDIA_DEVICE_TYPE type, bool automatic);
    void audioOptionsChanged(int options);
    void updatedAudioInputDevice(const talk::Device &device);
    void updatedAudioOutputDevice(const talk::Device &device);
    void playingFinished();
};

} // namespace talk

#endif // TALK_MEDIAENGINE_H
