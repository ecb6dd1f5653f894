#ifndef CONNECTIVITYPROBE_H
#define CONNECTIVITYPROBE_H

#include "util/connectivitycheck.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// Decides whether the computer is online for the connectivity checks and the
// talk session's reconnection while it lives, and counts the questions.
class ConnectivityProbe
{
public:
    explicit ConnectivityProbe(bool initiallyOnline)
    {
        s_online = initiallyOnline;
        s_calls = 0;
        s_answers = 0;
        s_held = false;
        ConnectivityCheck::setProbe([] {
            ++s_calls;
            // A held question takes its time, as a slow network's does; a
            // test that forgets to let it go fails instead of hanging.
            std::unique_lock<std::mutex> lock(s_gate);
            s_released.wait_for(lock, std::chrono::seconds(10), [] { return !s_held; });
            ++s_answers;
            return s_online.load();
        });
    }
    ~ConnectivityProbe()
    {
        release();
        ConnectivityCheck::setProbe({});
    }
    Q_DISABLE_COPY(ConnectivityProbe)

    void setOnline(bool online) { s_online = online; }
    // Questions asked from now on get no answer until release().
    void hold()
    {
        const std::lock_guard<std::mutex> lock(s_gate);
        s_held = true;
    }
    void release()
    {
        {
            const std::lock_guard<std::mutex> lock(s_gate);
            s_held = false;
        }
        s_released.notify_all();
    }
    int calls() const { return s_calls; }
    int answers() const { return s_answers; }

private:
    static inline std::atomic<bool> s_online {true};
    static inline std::atomic<int> s_calls {0};
    static inline std::atomic<int> s_answers {0};
    static inline std::mutex s_gate;
    static inline std::condition_variable s_released;
    static inline bool s_held = false;
};

#endif // CONNECTIVITYPROBE_H
