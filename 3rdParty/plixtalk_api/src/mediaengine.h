#ifndef STANDIN_MEDIAENGINE_H
#define STANDIN_MEDIAENGINE_H

#include "device.h"
#include "player.h"
#include "plixtalk_api.h"

#include <QObject>

#include <memory>
#include <string>
#include <vector>

namespace standin {

class CallInstance;
class EventQueue;
class Talk;

// Audio devices, volumes and the calls of one talk interface.
class MediaEngine final : public plix::IMediaEngine
{
public:
    struct DeviceInfo
    {
        std::string id;
        std::string name;
    };

    explicit MediaEngine(Talk *talk);
    ~MediaEngine();

    bool IsInitialized() const override { return true; }
    const char *Info(int what) const override;
    plix::ICallInstance *FocusedCall() const override;
    int CallCount() const override { return static_cast<int>(m_calls.size()); }
    int PreferredAudioCodec() const override { return m_codec; }
    bool GetCallStatistics(plix::ICallStatisticsList **statistics) override;
    plix::IDevice *CurrentOutputDevice() const override { return m_outputs.current.get(); }
    plix::IDevice *CurrentInputDevice() const override { return m_inputs.current.get(); }
    bool GetInputDevices(plix::IDeviceList **devices) override;
    bool GetOutputDevices(plix::IDeviceList **devices) override;
    bool GetEchoMetricStatus(bool *enabled) const override;
    bool GetSpeakerVolume(int *volume) const override;
    bool GetMicVolume(int *volume) const override;
    bool GetInputLevel(int *level) const override;
    bool GetEchoMetrics(int *erl, int *erle, int *rerl, int *anlp) const override;
    bool GetEchoDelayMedian(int *milliseconds) const override;
    bool GetEchoDelayDeviation(int *milliseconds) const override;
    bool AllowsMultipleCalls() const override { return m_allowMultipleCalls; }

    bool SetAudioOptions(int options) override;
    bool SetPreferredAudioCodec(int codec) override;
    bool SetOutputDevice(const plix::IDevice *device) override;
    bool SetInputDevice(const plix::IDevice *device) override;
    bool SetSpeakerVolume(int volume) override;
    bool SetMicVolume(int volume) override;
    bool SetLocalMonitor(bool enabled) override;
    bool SetEchoMetricStatus(bool enabled) override;
    bool PlaceCall(const plix::IJid *callee, bool anonymous) override;
    void SetAllowsMultipleCalls(bool allow) override { m_allowMultipleCalls = allow; }
    plix::IPlayer *Player() override { return &m_player; }

    EventQueue *queue() const;
    void log(const std::string &line) const;

    // The call the far end acts on: the focused one, else the newest live one.
    CallInstance *targetCall() const;
    bool raiseIncomingCall(const std::string &remoteFull);
    // Ends every live call from this side or from the far end.
    void endAllCalls(bool remote, plix::HANGUP_REASON reason);
    // Schedules the focus change and the destruction of an ending call.
    void retire(CallInstance *call);
    bool setDevices(plix::MEDIA_DEVICE_TYPE type, std::vector<DeviceInfo> devices);

    int audioOptions() const { return m_audioOptions; }
    int speakerVolume() const { return m_speakerVolume; }
    int micVolume() const { return m_micVolume; }
    bool localMonitor() const { return m_localMonitor; }

private:
    struct DeviceSlot
    {
        std::vector<DeviceInfo> devices;
        std::unique_ptr<Device> current;
    };

    DeviceSlot &slot(plix::MEDIA_DEVICE_TYPE type);
    bool fillDeviceList(const DeviceSlot &slot, plix::IDeviceList **devices) const;
    bool selectDevice(plix::MEDIA_DEVICE_TYPE type, const plix::IDevice *device);
    void postCurrentDeviceChanged(plix::MEDIA_DEVICE_TYPE type, bool automatic);
    CallInstance *addCall(bool incoming, const std::string &remoteFull);
    bool hasConnectedCall() const;

    QObject m_guard; // engine-wide pending events die with the engine
    Talk *const m_talk;
    standin::Player m_player;
    DeviceSlot m_inputs;
    DeviceSlot m_outputs;
    std::vector<CallInstance *> m_calls; // owned
    CallInstance *m_focused = nullptr;
    int m_nextCallNumber = 1;
    int m_audioOptions = 0;
    int m_codec = 0;
    int m_speakerVolume = 128;
    int m_micVolume = 128;
    bool m_localMonitor = false;
    bool m_echoMetrics = false;
    bool m_allowMultipleCalls = true;
};

} // namespace standin

#endif // STANDIN_MEDIAENGINE_H
