#ifndef STANDIN_STATE_H
#define STANDIN_STATE_H

#include <string>
#include <vector>

namespace standin {

class Talk;

struct Voicemail
{
    std::string number;
    long long timestamp = 0;
    int duration = 0;
};

// Switches the tests turn; defaults give a well-behaved library.
struct Knobs
{
    std::vector<Voicemail> voicemails;
    int stepDelay = 5;
    int playDuration = 50;
    int failCode = 0;
    int failCount = 0;
    int callOutcome = -1; // PLIX_STANDIN_ANSWER
    bool refuseDeviceChanges = false;
    bool refuseProxyChanges = false;
    int inputLevel = 3;
    int outputLevel = 5;
};

// What the library was asked, for the tests to inspect.
struct Records
{
    std::string serverHost;
    int serverPort = 0;
    int loginCount = 0;
    // When each login came, on steadyMilliseconds()'s clock.
    std::vector<long long> loginTimes;
    std::string loginUser;
    std::string loginPassword;
    bool loginFlag = false;
    int proxyMode = 0;
    std::string proxyHost;
    int proxyPort = 0;
    std::string proxyUser;
    std::string proxyPassword;
    int publishCount = 0;
    int publishedShow = -1;
    int publishedPriority = -1;
    std::string dtmf;
    std::string filesPlayed;
    std::string lastCallee;
    bool lastCallAnonymous = false;
    std::string logFile;
    std::string xmppDumpFile;
};

// Milliseconds on a clock that never goes back, from an arbitrary start.
long long steadyMilliseconds();

// Process-wide state of the stand-in: switches, records, counts of the
// objects handed out, and the live talk interfaces.
class State
{
public:
    enum ObjectKind { Jid, Device, Proxy, Status, List, TalkObject, KindCount };

    static State &instance();

    Knobs knobs;
    Records records;

    void reset();

    void objectCreated(ObjectKind kind);
    void objectReleased(ObjectKind kind);
    int liveObjects(int kind) const;

    void addTalk(Talk *talk);
    void removeTalk(Talk *talk);
    // The newest live talk interface, or null.
    Talk *currentTalk() const;

private:
    State() = default;

    int m_live[KindCount] = {};
    std::vector<Talk *> m_talks;
};

} // namespace standin

#endif // STANDIN_STATE_H
