#ifndef LINKORA_UTIL_CONNECTIVITYCHECK_H
#define LINKORA_UTIL_CONNECTIVITYCHECK_H

#include <QObject>

#include <functional>

// Asks whether the computer is online without holding up the GUI thread: the
// question runs on a worker thread and the answer comes back as finished()
// on the GUI thread. By default the question is
// Util::hasNetworkConnectivity().
class ConnectivityCheck : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ConnectivityCheck)

public:
    // Called on a worker thread; must be safe to call from any thread.
    using Probe = std::function<bool()>;

    explicit ConnectivityCheck(QObject *parent = nullptr);
    ~ConnectivityCheck() override;

    // A check has started and not reported yet.
    bool isRunning() const { return m_running; }

    // Replaces the question for every check started from now on, and for
    // isOnline() (tests decide whether the computer is online); an empty
    // probe restores the default.
    static void setProbe(Probe probe);

    // The same question asked at once, on the calling thread, for callers
    // that were already deciding there.
    static bool isOnline();

public slots:
    // Starts a check unless one is running already.
    void start();

signals:
    void finished(bool online);

private:
    void onProbeFinished(bool online);

    bool m_running = false;
};

#endif // LINKORA_UTIL_CONNECTIVITYCHECK_H
