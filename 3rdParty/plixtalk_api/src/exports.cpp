// The entry points: CreatePlixTalk and the test controls. The allocator hooks
// live in allocator.cpp.

#include "allocator.h"
#include "callinstance.h"
#include "mediaengine.h"
#include "plixtalk_standin.h"
#include "state.h"
#include "talk.h"

#include <QCoreApplication>

#include <cstdio>

using standin::State;

int CreatePlixTalk(plix::IPlixTalk **talk)
{
    if (!talk)
        return 0;
    *talk = nullptr;
    // Events come from the Qt event loop of the creating thread.
    if (!QCoreApplication::instance()) {
        std::fprintf(stderr, "plixtalk: a Qt application object is needed\n");
        return 0;
    }
    *talk = new standin::Talk();
    return 1;
}

int PlixTalk_VoicemailCount(plix::IPlixTalk *talk)
{
    if (!talk || !talk->IsConnected())
        return 0;
    return static_cast<int>(State::instance().knobs.voicemails.size());
}

int PlixTalk_Voicemail(plix::IPlixTalk *talk, int index, const char **number, long long *timestamp,
                       int *duration)
{
    const std::vector<standin::Voicemail> &voicemails = State::instance().knobs.voicemails;
    if (!talk || !talk->IsConnected() || index < 0 || index >= static_cast<int>(voicemails.size()))
        return 0;
    static std::string numberCopy;
    numberCopy = voicemails[index].number;
    if (number)
        *number = numberCopy.c_str();
    if (timestamp)
        *timestamp = voicemails[index].timestamp;
    if (duration)
        *duration = voicemails[index].duration;
    return 1;
}

namespace {

standin::Talk *talk()
{
    return State::instance().currentTalk();
}

standin::MediaEngine *engine()
{
    standin::Talk *t = talk();
    return t ? t->engine() : nullptr;
}

standin::CallInstance *targetCall()
{
    standin::MediaEngine *e = engine();
    return e ? e->targetCall() : nullptr;
}

standin::Records &records()
{
    return State::instance().records;
}

standin::Knobs &knobs()
{
    return State::instance().knobs;
}

void reset()
{
    State::instance().reset();
}

void setStepDelay(int milliseconds)
{
    knobs().stepDelay = milliseconds;
}

void setPlayDuration(int milliseconds)
{
    knobs().playDuration = milliseconds;
}

void failLogins(int code, int count)
{
    knobs().failCode = code;
    knobs().failCount = count;
}

int dropConnection(int reason)
{
    standin::Talk *t = talk();
    return t && t->dropConnection(static_cast<plix::PLIX_DISCONNECT_REASON>(reason));
}

int sendRoster()
{
    standin::Talk *t = talk();
    return t && t->sendRoster();
}

void setCallOutcome(int outcome)
{
    knobs().callOutcome = outcome;
}

int answerCall()
{
    standin::CallInstance *call = targetCall();
    return call && call->remoteAnswer();
}

int hangupRemote(int reason)
{
    standin::CallInstance *call = targetCall();
    return call && call->remoteHangup(static_cast<plix::HANGUP_REASON>(reason));
}

int raiseIncomingCall(const char *number)
{
    standin::Talk *t = talk();
    if (!t || !number || !*number)
        return 0;
    return t->engine()->raiseIncomingCall(t->addressOf(number));
}

int holdCall(int onHold)
{
    standin::CallInstance *call = targetCall();
    return call && call->remoteHold(onHold != 0);
}

int setDevices(int type, const char *const *ids, const char *const *names, int count)
{
    standin::MediaEngine *e = engine();
    if (!e || count < 0 || (count > 0 && (!ids || !names)))
        return 0;
    std::vector<standin::MediaEngine::DeviceInfo> devices;
    for (int i = 0; i < count; ++i)
        devices.push_back({ids[i] ? ids[i] : "", names[i] ? names[i] : ""});
    return e->setDevices(static_cast<plix::MEDIA_DEVICE_TYPE>(type), std::move(devices));
}

void refuseDeviceChanges(int refuse)
{
    knobs().refuseDeviceChanges = refuse != 0;
}

void refuseProxyChanges(int refuse)
{
    knobs().refuseProxyChanges = refuse != 0;
}

void setInputLevel(int level)
{
    knobs().inputLevel = level;
}

void setOutputLevel(int level)
{
    knobs().outputLevel = level;
}

const char *serverHost()
{
    return records().serverHost.c_str();
}

int serverPort()
{
    return records().serverPort;
}

int loginCount()
{
    return records().loginCount;
}

const char *loginUser()
{
    return records().loginUser.c_str();
}

const char *loginPassword()
{
    return records().loginPassword.c_str();
}

int loginFlag()
{
    return records().loginFlag;
}

int proxyMode()
{
    return records().proxyMode;
}

const char *proxyHost()
{
    return records().proxyHost.c_str();
}

int proxyPort()
{
    return records().proxyPort;
}

const char *proxyUser()
{
    return records().proxyUser.c_str();
}

const char *proxyPassword()
{
    return records().proxyPassword.c_str();
}

int publishCount()
{
    return records().publishCount;
}

int publishedShow()
{
    return records().publishedShow;
}

int publishedPriority()
{
    return records().publishedPriority;
}

const char *dtmfSent()
{
    return records().dtmf.c_str();
}

const char *filesPlayed()
{
    return records().filesPlayed.c_str();
}

const char *lastCallee()
{
    return records().lastCallee.c_str();
}

int lastCallAnonymous()
{
    return records().lastCallAnonymous;
}

const char *logFile()
{
    return records().logFile.c_str();
}

const char *xmppDumpFile()
{
    return records().xmppDumpFile.c_str();
}

int speakerVolume()
{
    standin::MediaEngine *e = engine();
    return e ? e->speakerVolume() : -1;
}

int micVolume()
{
    standin::MediaEngine *e = engine();
    return e ? e->micVolume() : -1;
}

int callMuted()
{
    standin::CallInstance *call = targetCall();
    return call ? call->IsMuted() : -1;
}

int localMonitor()
{
    standin::MediaEngine *e = engine();
    return e ? e->localMonitor() : -1;
}

int audioOptions()
{
    standin::MediaEngine *e = engine();
    return e ? e->audioOptions() : -1;
}

int allowsMultipleCalls()
{
    standin::MediaEngine *e = engine();
    return e ? e->AllowsMultipleCalls() : -1;
}

int liveCalls()
{
    standin::MediaEngine *e = engine();
    return e ? e->CallCount() : -1;
}

const char *currentDevice(int type)
{
    standin::MediaEngine *e = engine();
    if (!e)
        return "";
    const plix::IDevice *device
        = type == plix::MEDIA_DEVICE_INPUT ? e->CurrentInputDevice() : e->CurrentOutputDevice();
    return device ? device->Id() : "";
}

long long allocatorBalance()
{
    return standin::Allocator::balance();
}

long long allocatorMisuses()
{
    return standin::Allocator::misuses();
}

int liveObjects(int kind)
{
    return State::instance().liveObjects(kind);
}

void addVoicemail(const char *number, long long timestamp, int duration)
{
    knobs().voicemails.push_back(standin::Voicemail {number ? number : "", timestamp, duration});
}

long long steadyTime()
{
    return standin::steadyMilliseconds();
}

long long loginTime(int index)
{
    const std::vector<long long> &times = records().loginTimes;
    return index >= 0 && size_t(index) < times.size() ? times[size_t(index)] : -1;
}

const PlixStandinControl kControl = {
    PLIX_STANDIN_CONTROL_VERSION,
    &reset,
    &setStepDelay,
    &setPlayDuration,
    &failLogins,
    &dropConnection,
    &sendRoster,
    &setCallOutcome,
    &answerCall,
    &hangupRemote,
    &raiseIncomingCall,
    &holdCall,
    &setDevices,
    &refuseDeviceChanges,
    &refuseProxyChanges,
    &setInputLevel,
    &setOutputLevel,
    &serverHost,
    &serverPort,
    &loginCount,
    &loginUser,
    &loginPassword,
    &loginFlag,
    &proxyMode,
    &proxyHost,
    &proxyPort,
    &proxyUser,
    &proxyPassword,
    &publishCount,
    &publishedShow,
    &publishedPriority,
    &dtmfSent,
    &filesPlayed,
    &lastCallee,
    &lastCallAnonymous,
    &logFile,
    &xmppDumpFile,
    &speakerVolume,
    &micVolume,
    &callMuted,
    &localMonitor,
    &audioOptions,
    &allowsMultipleCalls,
    &liveCalls,
    &currentDevice,
    &allocatorBalance,
    &allocatorMisuses,
    &liveObjects,
    &addVoicemail,
    &steadyTime,
    &loginTime,
};

} // namespace

const PlixStandinControl *plix_standin_control()
{
    return &kControl;
}
