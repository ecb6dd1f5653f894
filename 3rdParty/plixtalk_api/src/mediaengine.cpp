#include "mediaengine.h"

#include "callinstance.h"
#include "callstatistics.h"
#include "eventqueue.h"
#include "list.h"
#include "state.h"
#include "talk.h"

#include <algorithm>

namespace standin {

namespace {

constexpr int kMaxVolume = 255;
constexpr int kMaxAudioOptions = 255;

// Two devices of each kind share a name, as two identical headsets do.
std::vector<MediaEngine::DeviceInfo> defaultInputs()
{
    return {
        {"mic-builtin", "Built-in Microphone"}, {"mic-usb-1", "USB Headset"}, {"mic-usb-2", "USB Headset"}};
}

std::vector<MediaEngine::DeviceInfo> defaultOutputs()
{
    return {{"spk-builtin", "Built-in Speakers"}, {"spk-usb-1", "USB Headset"}, {"spk-usb-2", "USB Headset"}};
}

bool isListed(const std::vector<MediaEngine::DeviceInfo> &devices, const std::string &id)
{
    return std::any_of(devices.begin(), devices.end(),
                       [&id](const MediaEngine::DeviceInfo &info) { return info.id == id; });
}

} // namespace

MediaEngine::MediaEngine(Talk *talk)
    : m_talk(talk)
{
    m_inputs.devices = defaultInputs();
    m_outputs.devices = defaultOutputs();
    m_inputs.current = std::make_unique<Device>(m_inputs.devices.front().id, m_inputs.devices.front().name);
    m_outputs.current
        = std::make_unique<Device>(m_outputs.devices.front().id, m_outputs.devices.front().name);
}

MediaEngine::~MediaEngine()
{
    // Calls still alive die with the engine, each announced first.
    std::vector<CallInstance *> calls;
    calls.swap(m_calls);
    m_focused = nullptr;
    for (CallInstance *call : calls) {
        if (call->isAnnounced())
            SignalCallDestroyed(call);
        delete call;
    }
}

EventQueue *MediaEngine::queue() const
{
    return m_talk->queue();
}

void MediaEngine::log(const std::string &line) const
{
    m_talk->log(line);
}

const char *MediaEngine::Info(int what) const
{
    return what == 0 ? "Plix talk stand-in media engine 1.0" : "";
}

plix::ICallInstance *MediaEngine::FocusedCall() const
{
    return m_focused;
}

bool MediaEngine::hasConnectedCall() const
{
    return std::any_of(m_calls.begin(), m_calls.end(),
                       [](const CallInstance *c) { return c->isConnected(); });
}

bool MediaEngine::GetCallStatistics(plix::ICallStatisticsList **statistics)
{
    if (!statistics)
        return false;
    *statistics = nullptr;
    if (!m_focused || !m_focused->isConnected())
        return false;
    *statistics = List<plix::ICallStatistics>::create(
        {new CallStatistics(1, "198.51.100.20:40000", 16000)},
        [](plix::ICallStatistics *item) { delete static_cast<CallStatistics *>(item); });
    return true;
}

bool MediaEngine::fillDeviceList(const DeviceSlot &slot, plix::IDeviceList **devices) const
{
    if (!devices)
        return false;
    std::vector<plix::IDevice *> items;
    items.reserve(slot.devices.size());
    for (const DeviceInfo &info : slot.devices)
        items.push_back(new Device(info.id, info.name));
    *devices = List<plix::IDevice>::create(std::move(items),
                                           [](plix::IDevice *item) { delete static_cast<Device *>(item); });
    return true;
}

bool MediaEngine::GetInputDevices(plix::IDeviceList **devices)
{
    return fillDeviceList(m_inputs, devices);
}

bool MediaEngine::GetOutputDevices(plix::IDeviceList **devices)
{
    return fillDeviceList(m_outputs, devices);
}

bool MediaEngine::GetEchoMetricStatus(bool *enabled) const
{
    if (!enabled)
        return false;
    *enabled = m_echoMetrics;
    return true;
}

bool MediaEngine::GetSpeakerVolume(int *volume) const
{
    if (!volume)
        return false;
    *volume = m_speakerVolume;
    return true;
}

bool MediaEngine::GetMicVolume(int *volume) const
{
    if (!volume)
        return false;
    *volume = m_micVolume;
    return true;
}

bool MediaEngine::GetInputLevel(int *level) const
{
    if (!level)
        return false;
    *level = m_localMonitor || hasConnectedCall() ? State::instance().knobs.inputLevel : 0;
    return true;
}

bool MediaEngine::GetEchoMetrics(int *erl, int *erle, int *rerl, int *anlp) const
{
    if (!m_echoMetrics || !erl || !erle || !rerl || !anlp)
        return false;
    *erl = 12;
    *erle = 25;
    *rerl = 37;
    *anlp = 4;
    return true;
}

bool MediaEngine::GetEchoDelayMedian(int *milliseconds) const
{
    if (!m_echoMetrics || !milliseconds)
        return false;
    *milliseconds = 40;
    return true;
}

bool MediaEngine::GetEchoDelayDeviation(int *milliseconds) const
{
    if (!m_echoMetrics || !milliseconds)
        return false;
    *milliseconds = 6;
    return true;
}

bool MediaEngine::SetAudioOptions(int options)
{
    if (options < 0 || options > kMaxAudioOptions)
        return false;
    m_audioOptions = options;
    return true;
}

bool MediaEngine::SetPreferredAudioCodec(int codec)
{
    if (codec < 0)
        return false;
    m_codec = codec;
    return true;
}

MediaEngine::DeviceSlot &MediaEngine::slot(plix::MEDIA_DEVICE_TYPE type)
{
    return type == plix::MEDIA_DEVICE_INPUT ? m_inputs : m_outputs;
}

void MediaEngine::postCurrentDeviceChanged(plix::MEDIA_DEVICE_TYPE type, bool automatic)
{
    queue()->post(&m_guard, [this, type, automatic] {
        SignalCurrentDeviceChanged(slot(type).current.get(), type, automatic);
    });
}

bool MediaEngine::selectDevice(plix::MEDIA_DEVICE_TYPE type, const plix::IDevice *device)
{
    if (State::instance().knobs.refuseDeviceChanges)
        return false;
    DeviceSlot &s = slot(type);
    if (!device) {
        if (!s.devices.empty())
            return false;
        if (s.current) {
            s.current.reset();
            postCurrentDeviceChanged(type, false);
        }
        return true;
    }
    const std::string id = device->Id() ? device->Id() : "";
    const auto it = std::find_if(s.devices.begin(), s.devices.end(),
                                 [&id](const DeviceInfo &info) { return info.id == id; });
    if (it == s.devices.end())
        return false;
    if (!s.current || id != s.current->Id()) {
        s.current = std::make_unique<Device>(it->id, it->name);
        postCurrentDeviceChanged(type, false);
    }
    return true;
}

bool MediaEngine::SetOutputDevice(const plix::IDevice *device)
{
    return selectDevice(plix::MEDIA_DEVICE_OUTPUT, device);
}

bool MediaEngine::SetInputDevice(const plix::IDevice *device)
{
    return selectDevice(plix::MEDIA_DEVICE_INPUT, device);
}

bool MediaEngine::setDevices(plix::MEDIA_DEVICE_TYPE type, std::vector<DeviceInfo> devices)
{
    if (type != plix::MEDIA_DEVICE_INPUT && type != plix::MEDIA_DEVICE_OUTPUT)
        return false;
    DeviceSlot &s = slot(type);
    s.devices = std::move(devices);
    // A device that went away gives way to the first one left.
    if (!s.current || !isListed(s.devices, s.current->Id())) {
        std::unique_ptr<Device> next;
        if (!s.devices.empty())
            next = std::make_unique<Device>(s.devices.front().id, s.devices.front().name);
        if (s.current || next) {
            s.current = std::move(next);
            postCurrentDeviceChanged(type, true);
        }
    }
    queue()->post(&m_guard, [this] { SignalDevicesChanged(); });
    return true;
}

bool MediaEngine::SetSpeakerVolume(int volume)
{
    if (volume < 0 || volume > kMaxVolume)
        return false;
    m_speakerVolume = volume;
    return true;
}

bool MediaEngine::SetMicVolume(int volume)
{
    if (volume < 0 || volume > kMaxVolume)
        return false;
    m_micVolume = volume;
    return true;
}

bool MediaEngine::SetLocalMonitor(bool enabled)
{
    m_localMonitor = enabled;
    return true;
}

bool MediaEngine::SetEchoMetricStatus(bool enabled)
{
    m_echoMetrics = enabled;
    return true;
}

CallInstance *MediaEngine::addCall(bool incoming, const std::string &remoteFull)
{
    auto *call = new CallInstance(this, "call-" + std::to_string(m_nextCallNumber++), incoming, remoteFull);
    m_calls.push_back(call);
    log(std::string(incoming ? "Incoming call " : "Outgoing call ") + call->Id() + " with " + remoteFull);
    queue()->post(call->guard(), [this, call] {
        call->setAnnounced();
        SignalCallCreated(call);
    });
    queue()->post(call->guard(), [this, call] {
        if (call->isEnding())
            return;
        plix::ICallInstance *old = m_focused;
        m_focused = call;
        SignalCallFocusChanged(old, call);
    });
    return call;
}

bool MediaEngine::PlaceCall(const plix::IJid *callee, bool anonymous)
{
    if (!callee)
        return false;
    Records &records = State::instance().records;
    records.lastCallee = callee->Full();
    records.lastCallAnonymous = anonymous;
    if (!m_talk->IsConnected() || !callee->IsValid() || !*callee->Node())
        return false;
    const bool callUp
        = std::any_of(m_calls.begin(), m_calls.end(), [](const CallInstance *c) { return !c->isEnding(); });
    if (callUp && !m_allowMultipleCalls)
        return false;
    addCall(false, callee->Full())->start(State::instance().knobs.callOutcome);
    return true;
}

bool MediaEngine::raiseIncomingCall(const std::string &remoteFull)
{
    if (!m_talk->IsConnected())
        return false;
    addCall(true, remoteFull)->start(0);
    return true;
}

CallInstance *MediaEngine::targetCall() const
{
    if (m_focused && !m_focused->isEnding())
        return m_focused;
    for (auto it = m_calls.rbegin(); it != m_calls.rend(); ++it) {
        if (!(*it)->isEnding())
            return *it;
    }
    return nullptr;
}

void MediaEngine::endAllCalls(bool remote, plix::HANGUP_REASON reason)
{
    const std::vector<CallInstance *> calls = m_calls;
    for (CallInstance *call : calls) {
        if (remote)
            call->remoteHangup(reason);
        else
            call->Hangup(0);
    }
}

void MediaEngine::retire(CallInstance *call)
{
    queue()->post(call->guard(), [this, call] {
        if (m_focused != call)
            return;
        CallInstance *next = nullptr;
        for (auto it = m_calls.rbegin(); it != m_calls.rend() && !next; ++it) {
            if (*it != call && !(*it)->isEnding() && (*it)->isAnnounced())
                next = *it;
        }
        m_focused = next;
        SignalCallFocusChanged(call, next);
    });
    queue()->post(call->guard(), [this, call] {
        m_calls.erase(std::remove(m_calls.begin(), m_calls.end(), call), m_calls.end());
        if (m_focused == call)
            m_focused = nullptr;
        SignalCallDestroyed(call);
        delete call;
    });
}

} // namespace standin
