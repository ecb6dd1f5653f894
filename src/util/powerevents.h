#ifndef POWEREVENTS_H
#define POWEREVENTS_H

#include <QObject>

#include <memory>

// Turns the system's suspend and resume notices into powerStateChanged():
// 1 before the system suspends, 2 after it has resumed. On Linux the notices
// are logind's PrepareForSleep signal on the system bus; on Windows the
// power-broadcast messages of the GUI thread. Without a source of notices the
// object stays silent.
class PowerEventSource : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PowerEventSource)

public:
    enum PowerState { NoChange = 0, Suspend = 1, Resume = 2 };

    explicit PowerEventSource(QObject *parent = nullptr);
    ~PowerEventSource() override;

    // The power state for a WM_POWERBROADCAST event code: PBT_APMSUSPEND (4)
    // is a suspend, PBT_APMRESUMEAUTOMATIC (0x12) a resume; every other code,
    // the user-initiated resume (7) included, is NoChange.
    static int powerStateFromWindowsEvent(quintptr eventCode);

    // Whether a source of notices is attached.
    bool isListening() const { return m_listening; }

signals:
    void powerStateChanged(int state);

public slots:
    // logind's PrepareForSleep: true before sleeping, false after waking up.
    void onPrepareForSleep(bool sleeping);
    // A WM_POWERBROADCAST event code; codes that mean nothing to us are dropped.
    void onPowerBroadcast(quintptr eventCode);

private:
    class NativeFilter;
    std::unique_ptr<NativeFilter> m_nativeFilter;
    bool m_listening = false;
};

#endif // POWEREVENTS_H
