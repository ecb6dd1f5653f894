#ifndef PLIXTALK_API_H
#define PLIXTALK_API_H

// Interface of the talk library (libplixtalk): the connection to the talk
// server, the media engine with its audio devices and player, and the calls.
//
// The library is loaded at run time; the program resolves three functions by
// name (see the end of this file) and reaches everything else through the
// interfaces below. Events are sigslot signals (sigslot.h) that are data
// members of the interfaces. They are emitted on the thread that created the
// talk interface, from its event loop, and never from inside the call that
// caused them.
//
// Operations by role
//
//   IPlixTalk                   role
//   SetServer                   set server (host, port)
//   Login / Logout              login (user, password, flag) / logout
//   IsConnected                 connection state
//   LoginName                   login name
//   MediaEngine(0)              media engine
//   Factory                     object factory
//   SetProxy / CurrentProxy     proxy set / proxy get
//   SetXmppDumpFile             XMPP dump file (null closes it)
//   SetLogFile                  log file (null closes it)
//   Publish                     publish a status object
//   Release                     release
//   SignalDisconnected, SignalLoginCompleted, SignalLoginFailed, SignalRoster
//
//   IObjectFactory              CreateJid, CreateProxy, CreateDevice, CreateStatus
//
//   IMediaEngine                role
//   IsInitialized               initialised state
//   Info(0)                     text query
//   FocusedCall                 focused call (null when none)
//   CallCount                   first plain query: live calls
//   PreferredAudioCodec         second plain query
//   GetCallStatistics           statistics list of the focused call
//   CurrentOutputDevice         current output device
//   CurrentInputDevice          current input device
//   GetInputDevices             input device list
//   GetOutputDevices            output device list
//   GetEchoMetricStatus         bool query
//   GetSpeakerVolume            first int query
//   GetMicVolume                second int query
//   GetInputLevel               microphone level
//   GetEchoMetrics              four-int query
//   GetEchoDelayMedian          third int query
//   GetEchoDelayDeviation       fourth int query
//   AllowsMultipleCalls         third plain query
//   SetAudioOptions, SetPreferredAudioCodec, SetOutputDevice, SetInputDevice,
//   SetSpeakerVolume, SetMicVolume, SetLocalMonitor, SetEchoMetricStatus,
//   PlaceCall, SetAllowsMultipleCalls
//   Player                      the player (one object for the engine's life)
//   SignalCallCreated, SignalCallDestroyed, SignalCallFocusChanged (old, new),
//   SignalDevicesChanged, SignalCurrentDeviceChanged
//
//   IPlayer                     role
//   GetLevel                    level query
//   IsPlaying                   playing state
//   GetFileDuration             file query
//   GetPosition                 int query
//   Play / Stop                 play a file (loop flag) / stop
//   SignalFinished
//
//   ICallInstance               role
//   Accept, Reject(0), Hangup(0), SetMuted
//   IsActive                    active state
//   IsMuted                     flag A
//   IsIncoming                  incoming
//   Id                          id
//   IsOnHold                    flag B
//   StartRecordingPlayout, StopRecordingPlayout, SendDtmf(0..11)
//   GetSessions                 sessions (entry 0 is the call's session)
//   SignalSessionInitiated, SignalHangup
//
//   ICallSession                RemoteJid, State, SignalStateChanged
//
//   IJid                        getters Node, Domain, Resource, Full, ToString;
//                               setters SetNode, SetDomain, SetResource, SetFull;
//                               answers IsEmpty ("E"), IsValid ("V"), IsBare ("B")
//
// Ownership
// - IPlixTalk: the caller's; Release() ends the session and frees the media
//   engine, its player and every call (each call-destroyed is emitted first).
// - Objects made by the factory: the caller's, given back with Release().
// - Lists filled through an out-parameter: the caller's, given back with
//   Release(); devices and statistics in a list die with it, sessions do not.
// - Everything else (media engine, player, calls, sessions, the JIDs and
//   devices returned by getters or passed with signals, the roster, the
//   current proxy) belongs to the library. Copy what you need at once.
// - Strings are zero-terminated UTF-8 owned by the object that returned them,
//   valid until that object changes.

#include "sigslot.h"

#include <cstddef>

#if defined(PLIXTALK_BUILDING_LIBRARY)
#define PLIXTALK_EXPORT __attribute__((visibility("default")))
#else
#define PLIXTALK_EXPORT
#endif

namespace plix {

// Why a login failed.
enum PLIX_TALK_ERROR_CODE : int {
    PLIX_TALK_ERROR_NONE = 0,
    PLIX_TALK_ERROR_UNKNOWN = 1,
    PLIX_TALK_ERROR_NO_SERVER = 2, // SetServer was never called
    PLIX_TALK_ERROR_INVALID_ARGUMENT = 3,
    PLIX_TALK_ERROR_CONNECTION = 4, // server not reachable; worth trying again
    PLIX_TALK_ERROR_SERVER = 5,
    PLIX_TALK_ERROR_AUTHENTICATION = 6, // user name or password refused
    PLIX_TALK_ERROR_PROXY = 7,
};

// Why an established connection ended. A voluntary Logout() reports nothing.
enum PLIX_DISCONNECT_REASON : int {
    PLIX_DISCONNECT_CONNECTION_LOST = 0,
    PLIX_DISCONNECT_REPLACED = 1, // the same account logged in elsewhere
    PLIX_DISCONNECT_SERVER_ERROR = 2,
    PLIX_DISCONNECT_STREAM_ERROR = 3,
    PLIX_DISCONNECT_SERVER_SHUTDOWN = 4,
};

enum MEDIA_DEVICE_TYPE : int {
    MEDIA_DEVICE_INPUT = 0,
    MEDIA_DEVICE_OUTPUT = 1,
};

enum CALL_SESSION_STATE : int {
    CALL_SESSION_INITIATED = 0,
    CALL_SESSION_RINGING_WITH_MEDIA = 1,
    CALL_SESSION_RINGING_WITHOUT_MEDIA = 2,
    CALL_SESSION_RECEIVED_ACCEPT = 3,
    CALL_SESSION_MEDIA_CONNECTING = 4,
    CALL_SESSION_IN_PROGRESS = 5,
    CALL_SESSION_ON_HOLD = 6,
    CALL_SESSION_RECEIVED_HANGUP = 7,
    CALL_SESSION_SENT_HANGUP = 8,
};

// Why a call ended. Values without a name may arrive too.
enum HANGUP_REASON : int {
    HANGUP_SUCCESS = 0,
    HANGUP_DECLINE = 1,
    HANGUP_BUSY = 2,
    HANGUP_NOT_FOUND = 3,
    HANGUP_UNREACHABLE = 4,
    HANGUP_TIMEOUT = 5,
    HANGUP_UNKNOWN = 9,
};

// Modes of a proxy object.
enum PROXY_MODE : int {
    PROXY_SYSTEM_DEFAULT = 0,
    PROXY_HTTP = 1,
    PROXY_SOCKS5 = 2,
    PROXY_NONE = 3,
};

// Presence shown by a status object.
enum STATUS_SHOW : int {
    SHOW_NONE = 0,
    SHOW_OFFLINE = 1,
    SHOW_XA = 2,
    SHOW_AWAY = 3,
    SHOW_DND = 4,
    SHOW_ONLINE = 5,
    SHOW_CHAT = 6,
};

class IReleasable
{
public:
    virtual void Release() = 0;

protected:
    virtual ~IReleasable() = default;
};

// Read-only list handed out through an out-parameter.
template<class T>
class IList : public IReleasable
{
public:
    virtual int Count() const = 0;
    // Null for an index out of range.
    virtual T At(int index) const = 0;
};

// An XMPP address "node@domain/resource".
class IJid : public IReleasable
{
public:
    virtual const char *Node() const = 0;
    virtual const char *Domain() const = 0;
    virtual const char *Resource() const = 0;
    // "node@domain/resource" without the parts that are empty.
    virtual const char *Full() const = 0;
    // The bare form "node@domain".
    virtual const char *ToString() const = 0;

    // Node and domain refuse "@" and "/"; SetFull refuses a second "@" before
    // the resource. A refused set changes nothing.
    virtual bool SetNode(const char *node) = 0;
    virtual bool SetDomain(const char *domain) = 0;
    virtual bool SetResource(const char *resource) = 0;
    virtual bool SetFull(const char *jid) = 0;

    virtual bool IsEmpty() const = 0; // no part set
    virtual bool IsValid() const = 0; // has a domain
    virtual bool IsBare() const = 0; // has no resource
};

class IDevice : public IReleasable
{
public:
    virtual const char *Id() const = 0;
    virtual const char *Name() const = 0;
};

// How the talk connection reaches the network. There is no authentication
// flag: an empty user means none.
class IProxy : public IReleasable
{
public:
    virtual void SetMode(int mode) = 0; // PROXY_MODE
    virtual void SetHost(const char *host) = 0;
    virtual void SetPort(int port) = 0;
    virtual void SetUser(const char *user) = 0;
    virtual void SetPassword(const char *password) = 0;
    virtual int Mode() const = 0;
    virtual const char *Host() const = 0;
    virtual int Port() const = 0;
    virtual const char *User() const = 0;
    virtual const char *Password() const = 0;
};

// The presence the client publishes after login.
class IStatus : public IReleasable
{
public:
    virtual void SetShow(int show) = 0; // STATUS_SHOW
    virtual void SetPriority(int priority) = 0;
    virtual int Show() const = 0;
    virtual int Priority() const = 0;
};

// Transport figures of one media channel of a call.
class ICallStatistics
{
public:
    virtual int Channel() const = 0;
    virtual const char *RemoteAddress() const = 0;
    virtual int RoundTripTime() const = 0; // milliseconds
    virtual int BytesSent() const = 0;
    virtual int BytesReceived() const = 0;
    virtual int PacketsLost() const = 0;
    virtual bool IsRelayed() const = 0;

protected:
    ~ICallStatistics() = default;
};

// The contact list the server sends after login.
class IRoster
{
public:
    virtual int Count() const = 0;
    virtual IJid *At(int index) const = 0;

protected:
    ~IRoster() = default;
};

class ICallSession;
class ICallInstance;

using IDeviceList = IList<IDevice *>;
using ICallStatisticsList = IList<ICallStatistics *>;
using ICallSessionList = IList<ICallSession *>;

class ICallSession
{
public:
    virtual IJid *RemoteJid() const = 0;
    virtual CALL_SESSION_STATE State() const = 0;

    sigslot::signal2<ICallSession *, CALL_SESSION_STATE> SignalStateChanged;

protected:
    ~ICallSession() = default;
};

class ICallInstance
{
public:
    // Answers an incoming call, with the microphone muted when asked.
    virtual bool Accept(bool muted) = 0;
    // Declines an incoming call that is not answered yet; code 0 is a decline.
    virtual bool Reject(int code) = 0;
    // Ends the call; code 0 is a normal end.
    virtual void Hangup(int code) = 0;
    virtual void SetMuted(bool muted) = 0;
    virtual bool IsActive() const = 0; // connected and not on hold
    virtual bool IsMuted() const = 0;
    virtual bool IsIncoming() const = 0;
    virtual const char *Id() const = 0;
    virtual bool IsOnHold() const = 0;
    virtual bool StartRecordingPlayout(const char *path) = 0;
    virtual bool StopRecordingPlayout() = 0;
    // Key-pad tone 0 to 11 ("0".."9", "*", "#"); sent only while connected.
    virtual void SendDtmf(int tone) = 0;
    // False until the session is initiated.
    virtual bool GetSessions(ICallSessionList **sessions) = 0;

    // The bool is true when this side started the session (an outgoing call).
    sigslot::signal2<ICallInstance *, bool> SignalSessionInitiated;
    // The session is null when the call ended before its session began.
    sigslot::signal3<ICallInstance *, ICallSession *, HANGUP_REASON> SignalHangup;

protected:
    ~ICallInstance() = default;
};

class IPlayer
{
public:
    // Output level 0 to 9 while playing, 0 when idle.
    virtual bool GetLevel(int *level) const = 0;
    virtual bool IsPlaying() const = 0;
    // Playing time of a file in milliseconds; false when it cannot be played.
    virtual bool GetFileDuration(const char *path, int *milliseconds) const = 0;
    // Position in the file being played; false when idle.
    virtual bool GetPosition(int *milliseconds) const = 0;
    // Stops what plays and plays the file; false when it cannot be played.
    virtual bool Play(const char *path, bool loop) = 0;
    // False when nothing was playing.
    virtual bool Stop() = 0;

    // A file played to its end (never for a looping file or after Stop).
    sigslot::signal0<> SignalFinished;

protected:
    ~IPlayer() = default;
};

class IMediaEngine
{
public:
    virtual bool IsInitialized() const = 0;
    // 0: a description of the engine; other values give "".
    virtual const char *Info(int what) const = 0;
    virtual ICallInstance *FocusedCall() const = 0;
    virtual int CallCount() const = 0;
    virtual int PreferredAudioCodec() const = 0;
    // The focused call's channels; false and null without a connected call.
    virtual bool GetCallStatistics(ICallStatisticsList **statistics) = 0;
    // Null when there is no device; valid until the current device changes.
    virtual IDevice *CurrentOutputDevice() const = 0;
    virtual IDevice *CurrentInputDevice() const = 0;
    virtual bool GetInputDevices(IDeviceList **devices) = 0;
    virtual bool GetOutputDevices(IDeviceList **devices) = 0;
    virtual bool GetEchoMetricStatus(bool *enabled) const = 0;
    virtual bool GetSpeakerVolume(int *volume) const = 0;
    virtual bool GetMicVolume(int *volume) const = 0;
    // 0 to 9; 0 unless the local monitor is on or a call is connected.
    virtual bool GetInputLevel(int *level) const = 0;
    // False while echo metrics are off; the arguments are then left alone.
    virtual bool GetEchoMetrics(int *erl, int *erle, int *rerl, int *anlp) const = 0;
    virtual bool GetEchoDelayMedian(int *milliseconds) const = 0;
    virtual bool GetEchoDelayDeviation(int *milliseconds) const = 0;
    virtual bool AllowsMultipleCalls() const = 0;

    // Bit field of 0 to 255.
    virtual bool SetAudioOptions(int options) = 0;
    virtual bool SetPreferredAudioCodec(int codec) = 0;
    // Takes a listed device (by id); null selects none and works only on an
    // empty list. The object stays the caller's.
    virtual bool SetOutputDevice(const IDevice *device) = 0;
    virtual bool SetInputDevice(const IDevice *device) = 0;
    // 0 to 255.
    virtual bool SetSpeakerVolume(int volume) = 0;
    virtual bool SetMicVolume(int volume) = 0;
    virtual bool SetLocalMonitor(bool enabled) = 0;
    virtual bool SetEchoMetricStatus(bool enabled) = 0;
    // Calls the JID (node and domain needed) with the caller's number withheld
    // when asked. The call arrives later through SignalCallCreated. False when
    // not connected, or when a call is up and multiple calls are not allowed.
    virtual bool PlaceCall(const IJid *callee, bool anonymous) = 0;
    virtual void SetAllowsMultipleCalls(bool allow) = 0;
    virtual IPlayer *Player() = 0;

    sigslot::signal1<ICallInstance *> SignalCallCreated;
    // Emitted while the call still exists; it is freed right after.
    sigslot::signal1<ICallInstance *> SignalCallDestroyed;
    // Old and new focused call; either may be null.
    sigslot::signal2<ICallInstance *, ICallInstance *> SignalCallFocusChanged;
    sigslot::signal0<> SignalDevicesChanged;
    // The bool is true when the library switched by itself (device removed).
    sigslot::signal3<IDevice *, MEDIA_DEVICE_TYPE, bool> SignalCurrentDeviceChanged;

protected:
    ~IMediaEngine() = default;
};

class IObjectFactory
{
public:
    virtual IJid *CreateJid() = 0;
    virtual IProxy *CreateProxy() = 0;
    virtual IDevice *CreateDevice(const char *id, const char *name) = 0;
    virtual IStatus *CreateStatus() = 0;

protected:
    ~IObjectFactory() = default;
};

class IPlixTalk : public IReleasable
{
public:
    virtual void SetServer(const char *host, int port) = 0;
    // Starts a login; the result comes later as SignalLoginCompleted or
    // SignalLoginFailed. A login while connected ends the current session first.
    virtual void Login(const char *user, const char *password, bool secure) = 0;
    // Ends the session and its calls without SignalDisconnected.
    virtual void Logout() = 0;
    virtual bool IsConnected() const = 0;
    // The user of the latest login ("" before the first).
    virtual const char *LoginName() const = 0;
    // 0 gives the media engine, the same object for the session's life.
    virtual IMediaEngine *MediaEngine(int index) = 0;
    virtual IObjectFactory *Factory() = 0;
    // Copies the settings; the object stays the caller's.
    virtual bool SetProxy(const IProxy *proxy) = 0;
    virtual const IProxy *CurrentProxy() const = 0;
    // Null closes the file; false when it cannot be opened, or when closing
    // with no file open.
    virtual bool SetXmppDumpFile(const char *path) = 0;
    virtual bool SetLogFile(const char *path) = 0;
    // Copies the status and sends it; false when not connected.
    virtual bool Publish(const IStatus *status) = 0;

    sigslot::signal1<PLIX_DISCONNECT_REASON> SignalDisconnected;
    // The JID of the user now logged in.
    sigslot::signal1<IJid *> SignalLoginCompleted;
    sigslot::signal1<PLIX_TALK_ERROR_CODE> SignalLoginFailed;
    sigslot::signal1<IRoster *> SignalRoster;
};

} // namespace plix

extern "C" {
// Fills *talk and returns non-zero; 0 when no talk interface can be made (the
// library needs a Qt application object on the calling thread).
PLIXTALK_EXPORT int CreatePlixTalk(plix::IPlixTalk **talk);
// Memory for the containers both sides touch, such as signal connections.
PLIXTALK_EXPORT void *PlixTalk_EASTLAllocator(std::size_t size);
// Gives back memory from PlixTalk_EASTLAllocator with the size it was asked for.
PLIXTALK_EXPORT void PlixTalk_EASTLDeleter(void *pointer, std::size_t size);

// Optional: the voice messages the talk service keeps for the logged-in
// account, oldest first. A library without voicemail lacks these two; a
// caller resolves them by name and reads a missing one as no messages.
// The number of messages; 0 while the talk interface is not logged in.
PLIXTALK_EXPORT int PlixTalk_VoicemailCount(plix::IPlixTalk *talk);
// One message: the caller's number (zero-terminated, valid until the next
// call), when it was left in milliseconds since the epoch (UTC) and its
// length in milliseconds. 0 for an index outside the list.
PLIXTALK_EXPORT int PlixTalk_Voicemail(plix::IPlixTalk *talk, int index, const char **number,
                                       long long *timestamp, int *duration);
}

// Types of the three exports, for resolving them by name.
using CreatePlixTalkFunction = int (*)(plix::IPlixTalk **talk);
using PlixTalkAllocatorFunction = void *(*)(std::size_t size);
using PlixTalkDeleterFunction = void (*)(void *pointer, std::size_t size);
using PlixTalkVoicemailCountFunction = int (*)(plix::IPlixTalk *talk);
using PlixTalkVoicemailFunction
    = int (*)(plix::IPlixTalk *talk, int index, const char **number, long long *timestamp, int *duration);

#endif // PLIXTALK_API_H
