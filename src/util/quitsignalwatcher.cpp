#include "util/quitsignalwatcher.h"

#include "util/trace.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// Written by the handler, read on the event loop.
int s_pipe[2] = {-1, -1};
// A signal written but not yet read.
volatile std::sig_atomic_t s_pending = 0;
struct sigaction s_previous[kSignalCount];

void onSignal(int signalNumber)
{
    // Async-signal-safe calls only.
    if (s_pending) {
        // The loop did not get round to the first one: give up waiting.
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signalNumber, &fallback, nullptr);
        raise(signalNumber);
        return;
    }
    s_pending = 1;
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignalWatcher::QuitSignalWatcher(QObject *parent)
    : QObject(parent)
{
    if (s_pipe[0] >= 0) {
        TRACE_WARNING << "Quit signals are watched already";
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_pipe) != 0) {
        TRACE_WARNING << "No pipe for quit signals:" << qt_error_string(errno);
        s_pipe[0] = s_pipe[1] = -1;
        return;
    }
    s_pending = 0;
    m_notifier = new QSocketNotifier(s_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignalWatcher::onReadable);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &action, &s_previous[i]);
}

QuitSignalWatcher::~QuitSignalWatcher()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &s_previous[i], nullptr);
    delete m_notifier;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

bool QuitSignalWatcher::isWatching() const
{
    return m_notifier != nullptr;
}

void QuitSignalWatcher::onReadable()
{
    unsigned char byte = 0;
    while (::read(s_pipe[1], &byte, 1) == 1) {
        s_pending = 0;
        TRACE << "Quit signal received:" << int(byte);
        emit quitRequested(byte);
    }
}
