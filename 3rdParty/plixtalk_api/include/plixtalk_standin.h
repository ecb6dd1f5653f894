#ifndef PLIXTALK_STANDIN_H
#define PLIXTALK_STANDIN_H

// Test controls of the stand-in talk library. Only the stand-in exports
// plix_standin_control(); resolve it by name next to the three ordinary
// exports.
//
// Switches and records are process-wide and stay until reset(). Actions act
// on the newest talk interface that is still alive and return 0 when there
// is none or the action does not apply. Events an action causes arrive later
// from the event loop, like every event of the library. Returned strings stay
// valid until the next call of the same function.

#include "plixtalk_api.h"

extern "C" {

enum PLIX_STANDIN_OUTCOME {
    // The far end answers after ringing (the default).
    PLIX_STANDIN_ANSWER = -1,
    // It rings until answer_call() or hangup_remote().
    PLIX_STANDIN_RING = -2,
    // 0 and above: the far end ends the call with that hang-up reason; it
    // rings first for HANGUP_DECLINE and HANGUP_TIMEOUT.
};

// Kinds of objects the program holds and must give back.
enum PLIX_STANDIN_OBJECT {
    PLIX_STANDIN_JID = 0, // from the factory
    PLIX_STANDIN_DEVICE = 1, // from the factory
    PLIX_STANDIN_PROXY = 2, // from the factory
    PLIX_STANDIN_STATUS = 3, // from the factory
    PLIX_STANDIN_LIST = 4, // device, statistics and session lists
    PLIX_STANDIN_TALK = 5, // from CreatePlixTalk
};

struct PlixStandinControl
{
    int version; // PLIX_STANDIN_CONTROL_VERSION

    // Back to the defaults; clears the records, keeps live objects.
    void (*reset)(void);
    // Time between two events of one talk interface (default 5 ms).
    void (*set_step_delay)(int milliseconds);
    // How long the player plays a file (default 50 ms).
    void (*set_play_duration)(int milliseconds);

    // Login and connection.
    // The next count logins fail with the code.
    void (*fail_logins)(int code, int count);
    // Ends the connection and its calls; SignalDisconnected carries the reason.
    int (*drop_connection)(int reason);
    // Sends the roster again.
    int (*send_roster)(void);

    // Calls. "The call" is the focused call, else the newest live one.
    // What happens to the calls placed from now on (PLIX_STANDIN_OUTCOME).
    void (*set_call_outcome)(int outcome);
    // The far end answers the ringing outgoing call.
    int (*answer_call)(void);
    // The far end ends the call with the reason (busy, not found, ...).
    int (*hangup_remote)(int reason);
    // A call from the number comes in, addressed in the user's domain.
    int (*raise_incoming_call)(const char *number);
    // The far end puts the connected call on hold (1) or resumes it (0).
    int (*hold_call)(int on_hold);

    // Devices and switches.
    // Replaces the input or output list (MEDIA_DEVICE_TYPE); ids and names
    // hold count strings each.
    int (*set_devices)(int type, const char *const *ids, const char *const *names, int count);
    void (*refuse_device_changes)(int refuse);
    void (*refuse_proxy_changes)(int refuse);
    // Levels 0 to 9 the engine and the player report.
    void (*set_input_level)(int level);
    void (*set_output_level)(int level);

    // What the library was asked.
    const char *(*server_host)(void);
    int (*server_port)(void);
    int (*login_count)(void);
    const char *(*login_user)(void);
    const char *(*login_password)(void);
    int (*login_flag)(void);
    // The latest proxy handed to SetProxy, refused or not.
    int (*proxy_mode)(void);
    const char *(*proxy_host)(void);
    int (*proxy_port)(void);
    const char *(*proxy_user)(void);
    const char *(*proxy_password)(void);
    int (*publish_count)(void);
    int (*published_show)(void);
    int (*published_priority)(void);
    // Every tone sent on any call, as key characters ("0".."9", "*", "#").
    const char *(*dtmf_sent)(void);
    // Every file played, one per line, "(loop)" after a looping one.
    const char *(*files_played)(void);
    // The latest callee of PlaceCall (full JID) and its flag.
    const char *(*last_callee)(void);
    int (*last_call_anonymous)(void);
    const char *(*log_file)(void);
    const char *(*xmpp_dump_file)(void);

    // State of the newest talk interface; -1 when there is none.
    int (*speaker_volume)(void);
    int (*mic_volume)(void);
    int (*call_muted)(void); // the call; -1 without one
    int (*local_monitor)(void);
    int (*audio_options)(void);
    int (*allows_multiple_calls)(void);
    int (*live_calls)(void);
    // Id of the current device of the type; "" when none.
    const char *(*current_device)(int type);

    // Memory and objects.
    // Blocks from PlixTalk_EASTLAllocator not given back yet.
    long long (*allocator_balance)(void);
    // Frees of unknown blocks or with a wrong size.
    long long (*allocator_misuses)(void);
    // Objects of a kind (PLIX_STANDIN_OBJECT) handed out and not given back.
    int (*live_objects)(int kind);

    // Voicemail (version 2).
    // A message the service keeps for the account: caller, when it was left
    // (milliseconds since the epoch, UTC), length in milliseconds. Listed by
    // PlixTalk_Voicemail while a talk interface is logged in.
    void (*add_voicemail)(const char *number, long long timestamp, int duration);

    // Logins in time (version 3).
    // The library's steady clock now, in milliseconds from an arbitrary start.
    long long (*steady_time)(void);
    // When the login of that index (0 the first since reset()) reached the
    // library, on the steady clock; -1 when there was none.
    long long (*login_time)(int index);
};

#define PLIX_STANDIN_CONTROL_VERSION 3

PLIXTALK_EXPORT const PlixStandinControl *plix_standin_control(void);
}

using PlixStandinControlFunction = const PlixStandinControl *(*)(void);

#endif // PLIXTALK_STANDIN_H
