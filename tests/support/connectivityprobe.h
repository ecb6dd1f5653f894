#ifndef CONNECTIVITYPROBE_H
#define CONNECTIVITYPROBE_H

#include "util/connectivitycheck.h"

#include <QThread>

#include <atomic>

// Decides whether the computer is online for the connectivity checks and the
// talk session's reconnection while it lives, and counts the questions.
class ConnectivityProbe
{
public:
    explicit ConnectivityProbe(bool initiallyOnline)
    {
        s_online = initiallyOnline;
        s_calls = 0;
        s_delayMs = 0;
        ConnectivityCheck::setProbe([] {
            ++s_calls;
            if (s_delayMs > 0)
                QThread::msleep(static_cast<unsigned long>(s_delayMs.load()));
            return s_online.load();
        });
    }
    ~ConnectivityProbe() { ConnectivityCheck::setProbe({}); }
    Q_DISABLE_COPY(ConnectivityProbe)

    void setOnline(bool online) { s_online = online; }
    void setDelay(int milliseconds) { s_delayMs = milliseconds; }
    int calls() const { return s_calls; }

private:
    static inline std::atomic<bool> s_online {true};
    static inline std::atomic<int> s_calls {0};
    static inline std::atomic<int> s_delayMs {0};
};

#endif // CONNECTIVITYPROBE_H
