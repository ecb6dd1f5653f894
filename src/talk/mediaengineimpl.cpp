#include "mediaengineimpl.h"

#include "settings/settings.h"
#include "talk/callinstance.h"
#include "talk/librarytext.h"
#include "util/trace.h"

#include "plixtalk_api.h"
#include "sigslot.h"

#include <QHash>

namespace talk {

namespace {

constexpr int kDefaultAudioOptions = 15;
constexpr int kAudioOptionBit1 = 2;

QList<Device> toDevices(plix::IDeviceList *list)
{
    QList<Device> devices;
    if (!list)
        return devices;
    for (int i = 0; i < list->Count(); ++i) {
        if (const plix::IDevice *device = list->At(i))
            devices.append(Device(device));
    }
    list->Release();
    return devices;
}

// Names that occur more than once are told apart by their running count:
// Mic, Line, Mic become "Mic (1)", "Line", "Mic (2)".
void makeDisplayNamesUnique(QList<Device> &devices)
{
    QHash<QString, int> totals;
    for (const Device &device : std::as_const(devices))
        ++totals[device.name()];
    QHash<QString, int> seen;
    for (Device &device : devices) {
        const int number = ++seen[device.name()];
        if (totals.value(device.name()) > 1)
            device.setDisplayName(QStringLiteral("%1 (%2)").arg(device.name()).arg(number));
    }
}

// The wanted device when it is usable and listed, else the first listed.
Device chooseDevice(const Device &wanted, const QList<Device> &devices)
{
    if (wanted.isValid() && devices.contains(wanted))
        return wanted;
    return devices.isEmpty() ? Device() : devices.first();
}

} // namespace

class MediaEngineImpl::Private : public sigslot::has_slots<sigslot::single_threaded>
{
public:
    Private(MediaEngineImpl *owner, plix::IMediaEngine *engine);

    void onCallCreate(plix::ICallInstance *call);
    void onCallDestroyed(plix::ICallInstance *call);
    void onCallFocusChange(plix::ICallInstance *oldCall, plix::ICallInstance *newCall);
    void onDevicesChanged();
    void onCurrentDeviceChanged(plix::IDevice *device, plix::MEDIA_DEVICE_TYPE type, bool automatic);
    void onPlayingFinished();

    plix::IPlayer *player() const { return engine ? engine->Player() : nullptr; }

    MediaEngineImpl *owner;
    plix::IMediaEngine *engine;
    qint32 audioOptions = kDefaultAudioOptions;
    bool looping = false;
};

MediaEngineImpl::Private::Private(MediaEngineImpl *owner, plix::IMediaEngine *engine)
    : owner(owner)
    , engine(engine)
{
    if (!engine)
        return;
    engine->SignalCallCreated.connect(this, &Private::onCallCreate);
    engine->SignalCallDestroyed.connect(this, &Private::onCallDestroyed);
    engine->SignalCallFocusChanged.connect(this, &Private::onCallFocusChange);
    engine->SignalDevicesChanged.connect(this, &Private::onDevicesChanged);
    engine->SignalCurrentDeviceChanged.connect(this, &Private::onCurrentDeviceChanged);
    if (plix::IPlayer *p = player())
        p->SignalFinished.connect(this, &Private::onPlayingFinished);
    engine->SetAllowsMultipleCalls(false);
}

void MediaEngineImpl::Private::onCallCreate(plix::ICallInstance *call)
{
    TRACE << "HEEERE";
    const QPointer<CallInstance> wrapper = CallInstance::wrap(call);
    TRACE << "HEEERE";
    emit owner->callCreated(wrapper.data());
}

void MediaEngineImpl::Private::onCallDestroyed(plix::ICallInstance *call)
{
    // The library frees the call right after this event: the wrapper goes
    // now, so no wrapper is left for an address the library may reuse.
    const QPointer<CallInstance> wrapper = CallInstance::wrap(call);
    emit owner->callDestroyed(wrapper.data());
    CallInstance::unwrap(call);
}

void MediaEngineImpl::Private::onCallFocusChange(plix::ICallInstance *oldCall, plix::ICallInstance *newCall)
{
    CallInstance *from = CallInstance::wrap(oldCall);
    CallInstance *to = CallInstance::wrap(newCall);
    TRACE << static_cast<const void *>(from) << "-->" << static_cast<const void *>(to);
    emit owner->callFocusChanged(from, to);
}

void MediaEngineImpl::Private::onDevicesChanged()
{
    owner->pickDefaultDevices(false);
    emit owner->deviceChanged();
}

void MediaEngineImpl::Private::onCurrentDeviceChanged(plix::IDevice *device, plix::MEDIA_DEVICE_TYPE type,
                                                      bool automatic)
{
    emit owner->currentDeviceChanged(Device(device), type, automatic);
}

void MediaEngineImpl::Private::onPlayingFinished()
{
    emit owner->playingFinished();
}

MediaEngineImpl::MediaEngineImpl(plix::IMediaEngine *engine, QObject *parent)
    : MediaEngine(parent)
    , d(new Private(this, engine))
{
    if (engine && engine->SetAudioOptions(kDefaultAudioOptions)) {
        d->audioOptions = kDefaultAudioOptions;
        emit audioOptionsChanged(kDefaultAudioOptions);
    }
}

MediaEngineImpl::~MediaEngineImpl()
{
    delete d;
}

bool MediaEngineImpl::isInitialized() const
{
    return d->engine && d->engine->IsInitialized();
}

QString MediaEngineImpl::infoText() const
{
    return d->engine ? QString::fromLatin1(d->engine->Info(0)) : QString();
}

bool MediaEngineImpl::hasCurrentCall() const
{
    return d->engine && d->engine->FocusedCall();
}

int MediaEngineImpl::forwardQueryA() const
{
    return d->engine ? d->engine->CallCount() : 0;
}

int MediaEngineImpl::forwardQueryB() const
{
    return d->engine ? d->engine->PreferredAudioCodec() : 0;
}

QList<ConnectionInfo> MediaEngineImpl::connectionInfos() const
{
    QList<ConnectionInfo> infos;
    plix::ICallStatisticsList *list = nullptr;
    if (d->engine)
        d->engine->GetCallStatistics(&list);
    if (!list)
        return infos;
    for (int i = 0; i < list->Count(); ++i)
        infos.append(ConnectionInfo(list->At(i)));
    list->Release();
    return infos;
}

Device MediaEngineImpl::currentSpeakerDevice() const
{
    return d->engine ? Device(d->engine->CurrentOutputDevice()) : Device();
}

Device MediaEngineImpl::currentMicrophoneDevice() const
{
    return d->engine ? Device(d->engine->CurrentInputDevice()) : Device();
}

QList<Device> MediaEngineImpl::inputDevices() const
{
    plix::IDeviceList *list = nullptr;
    if (d->engine)
        d->engine->GetInputDevices(&list);
    QList<Device> devices = toDevices(list);
    makeDisplayNamesUnique(devices);
    return devices;
}

QList<Device> MediaEngineImpl::outputDevices() const
{
    plix::IDeviceList *list = nullptr;
    if (d->engine)
        d->engine->GetOutputDevices(&list);
    QList<Device> devices = toDevices(list);
    makeDisplayNamesUnique(devices);
    return devices;
}

bool MediaEngineImpl::flagQuery() const
{
    bool enabled = false;
    if (d->engine)
        d->engine->GetEchoMetricStatus(&enabled);
    return enabled;
}

int MediaEngineImpl::intQueryA() const
{
    int volume = -1;
    if (d->engine)
        d->engine->GetSpeakerVolume(&volume);
    return volume;
}

int MediaEngineImpl::intQueryB() const
{
    int volume = -1;
    if (d->engine)
        d->engine->GetMicVolume(&volume);
    return volume;
}

int MediaEngineImpl::inputLevel() const
{
    int level = -1;
    if (d->engine)
        d->engine->GetInputLevel(&level);
    return level;
}

void MediaEngineImpl::quadQuery(int *erl, int *erle, int *rerl, int *anlp) const
{
    if (!erl || !erle || !rerl || !anlp)
        return;
    *erl = *erle = *rerl = *anlp = -1;
    if (d->engine)
        d->engine->GetEchoMetrics(erl, erle, rerl, anlp);
}

int MediaEngineImpl::intQueryC() const
{
    int milliseconds = -1;
    if (d->engine)
        d->engine->GetEchoDelayMedian(&milliseconds);
    return milliseconds;
}

int MediaEngineImpl::intQueryD() const
{
    int milliseconds = -1;
    if (d->engine)
        d->engine->GetEchoDelayDeviation(&milliseconds);
    return milliseconds;
}

bool MediaEngineImpl::forwardQueryC() const
{
    return d->engine && d->engine->AllowsMultipleCalls();
}

int MediaEngineImpl::audioOptions() const
{
    return d->audioOptions;
}

bool MediaEngineImpl::audioOptionBit1() const
{
    return (d->audioOptions & kAudioOptionBit1) != 0;
}

bool MediaEngineImpl::setAudioOptionBit1(bool on)
{
    return setAudioOptions(on ? (d->audioOptions | kAudioOptionBit1) : (d->audioOptions & ~kAudioOptionBit1));
}

void MediaEngineImpl::setSettings(Settings *settings)
{
    this->settings = settings;
}

int MediaEngineImpl::outputLevel() const
{
    int level = -1;
    const plix::IPlayer *player = d->player();
    if (!player || !player->GetLevel(&level))
        return -1;
    return level;
}

bool MediaEngineImpl::isPlaying() const
{
    const plix::IPlayer *player = d->player();
    return player && player->IsPlaying();
}

int MediaEngineImpl::playerFileQuery(const QString &file) const
{
    int milliseconds = -1;
    const plix::IPlayer *player = d->player();
    if (!player || !player->GetFileDuration(toLibraryText(file).constData(), &milliseconds))
        return -1;
    return milliseconds;
}

int MediaEngineImpl::playerIntQuery() const
{
    int milliseconds = -1;
    const plix::IPlayer *player = d->player();
    if (!player || !player->GetPosition(&milliseconds))
        return -1;
    return milliseconds;
}

bool MediaEngineImpl::isLooping() const
{
    return d->looping;
}

bool MediaEngineImpl::pickDefaultDevices(bool store)
{
    bool result = true;

    // Before the settings arrive the current devices are the wanted ones.
    const Device currentMic = currentMicrophoneDevice();
    const Device mic
        = chooseDevice(settings ? settings->audioInputDevice(currentMic) : currentMic, inputDevices());
    if (setMicrophoneDevice(mic)) {
        if (store) {
            if (settings)
                settings->setAudioInputDevice(mic);
            emit updatedAudioInputDevice(mic);
        }
        TRACE << "Mic device set to:" << mic;
    } else {
        result = false;
        TRACE << "Couldn't set mic device to:" << mic;
    }

    const Device currentSpeaker = currentSpeakerDevice();
    const Device speaker = chooseDevice(
        settings ? settings->audioOutputDevice(currentSpeaker) : currentSpeaker, outputDevices());
    if (setSpeakerDevice(speaker)) {
        if (store) {
            if (settings)
                settings->setAudioOutputDevice(speaker);
            emit updatedAudioOutputDevice(speaker);
        }
        TRACE << "Speaker device set to:" << speaker;
    } else {
        result = false;
        TRACE << "Couldn't set speaker device to:" << speaker;
    }
    return result;
}

bool MediaEngineImpl::setAudioOptions(int options)
{
    if (!d->engine || !d->engine->SetAudioOptions(options))
        return false;
    d->audioOptions = options;
    emit audioOptionsChanged(options);
    return true;
}

bool MediaEngineImpl::setPreferredAudioCodec(AudioCodec codec)
{
    return d->engine && d->engine->SetPreferredAudioCodec(codec);
}

bool MediaEngineImpl::setSpeakerDevice(const Device &device)
{
    if (!d->engine)
        return false;
    const QSharedPointer<plix::IDevice> object = device.toPlixDevice();
    return d->engine->SetOutputDevice(object.data());
}

bool MediaEngineImpl::setMicrophoneDevice(const Device &device)
{
    if (!d->engine)
        return false;
    const QSharedPointer<plix::IDevice> object = device.toPlixDevice();
    return d->engine->SetInputDevice(object.data());
}

bool MediaEngineImpl::setSpeakerVolume(int volume)
{
    return d->engine && d->engine->SetSpeakerVolume(volume);
}

bool MediaEngineImpl::setMicVolume(int volume)
{
    return d->engine && d->engine->SetMicVolume(volume);
}

bool MediaEngineImpl::setLocalMonitor(bool on)
{
    return d->engine && d->engine->SetLocalMonitor(on);
}

bool MediaEngineImpl::setEchoMetricStatus(bool on)
{
    return d->engine && d->engine->SetEchoMetricStatus(on);
}

bool MediaEngineImpl::placeCall(const Jid &callee, bool anonymous)
{
    return d->engine && callee.plixJid() && d->engine->PlaceCall(callee.plixJid(), anonymous);
}

void MediaEngineImpl::setAllowsMultipleCalls(bool allow)
{
    if (d->engine)
        d->engine->SetAllowsMultipleCalls(allow);
}

bool MediaEngineImpl::playFile(const QString &file)
{
    return playFile(file, false);
}

bool MediaEngineImpl::loopFile(const QString &file)
{
    return playFile(file, true);
}

bool MediaEngineImpl::playFile(const QString &file, bool loop)
{
    d->looping = loop;
    plix::IPlayer *player = d->player();
    return player && player->Play(toLibraryText(file).constData(), loop);
}

bool MediaEngineImpl::stopPlaying()
{
    d->looping = false;
    plix::IPlayer *player = d->player();
    return player && player->Stop();
}

} // namespace talk
