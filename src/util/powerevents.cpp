#include "powerevents.h"

#include "util/trace.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QThread>

#if defined(Q_OS_LINUX)
#include <QDBusConnection>
#include <QDBusError>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace {

constexpr quintptr kPbtApmSuspend = 4;
constexpr quintptr kPbtApmResumeAutomatic = 0x12;

} // namespace

class PowerEventSource::NativeFilter : public QAbstractNativeEventFilter
{
public:
    explicit NativeFilter(PowerEventSource *source)
        : m_source(source)
    { }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override
    {
        Q_UNUSED(result)
#ifdef Q_OS_WIN
        // Only the GUI thread's messages; they are never consumed here.
        if (eventType == "windows_generic_MSG" && QThread::currentThread() == qApp->thread()) {
            const MSG *msg = static_cast<const MSG *>(message);
            if (msg->message == WM_POWERBROADCAST)
                m_source->onPowerBroadcast(quintptr(msg->wParam));
        }
#else
        Q_UNUSED(eventType)
        Q_UNUSED(message)
#endif
        return false;
    }

private:
    PowerEventSource *m_source;
};

PowerEventSource::PowerEventSource(QObject *parent)
    : QObject(parent)
{
#if defined(Q_OS_LINUX)
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        TRACE << "No system bus; suspend and resume will not be noticed.";
        return;
    }
    m_listening
        = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                      this, SLOT(onPrepareForSleep(bool)));
    if (!m_listening)
        TRACE << "Cannot listen to logind; suspend and resume will not be noticed."
              << bus.lastError().message();
#elif defined(Q_OS_WIN)
    if (QCoreApplication *app = QCoreApplication::instance()) {
        m_nativeFilter = std::make_unique<NativeFilter>(this);
        app->installNativeEventFilter(m_nativeFilter.get());
        m_listening = true;
    }
#else
    TRACE << "Suspend and resume are not noticed on this system.";
#endif
}

PowerEventSource::~PowerEventSource()
{
    if (m_nativeFilter) {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(m_nativeFilter.get());
    }
}

int PowerEventSource::powerStateFromWindowsEvent(quintptr eventCode)
{
    switch (eventCode) {
    case kPbtApmSuspend:
        return Suspend;
    case kPbtApmResumeAutomatic:
        return Resume;
    default:
        return NoChange;
    }
}

void PowerEventSource::onPrepareForSleep(bool sleeping)
{
    TRACE << (sleeping ? "System is going to sleep" : "System woke up");
    emit powerStateChanged(sleeping ? Suspend : Resume);
}

void PowerEventSource::onPowerBroadcast(quintptr eventCode)
{
    const int state = powerStateFromWindowsEvent(eventCode);
    if (state != NoChange)
        emit powerStateChanged(state);
}
