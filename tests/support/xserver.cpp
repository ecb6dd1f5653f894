#include "xserver.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<pid_t> s_children;
pid_t s_windowManager = 0;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "XServer: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void stopChildren()
{
    // The window manager first, then the server it talks to.
    for (auto it = s_children.rbegin(); it != s_children.rend(); ++it) {
        ::kill(*it, SIGTERM);
        ::waitpid(*it, nullptr, 0);
    }
    s_children.clear();
}

using Environment = std::vector<std::pair<const char *, const char *>>;

// Runs args[0] from PATH as a child with stdout on outFd (or /dev/null), and
// with environment set over the test's own.
pid_t spawn(const std::vector<const char *> &args, int outFd, int keepFd = -1,
            const Environment &environment = {})
{
    std::vector<char *> argv;
    for (const char *arg : args)
        argv.push_back(const_cast<char *>(arg));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        fail("fork failed");
    if (pid == 0) {
        // Ends with the test program, also when it crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(outFd >= 0 ? outFd : devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        for (int fd = 3; fd < 1024; ++fd) {
            if (fd != keepFd)
                ::close(fd);
        }
        for (const auto &[name, value] : environment)
            ::setenv(name, value, 1);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

QByteArray readAll(int fd, std::chrono::milliseconds limit)
{
    QByteArray data;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end && !data.contains('\n')) {
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            char buffer[64];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            data.append(buffer, int(n));
        }
    }
    return data;
}

// Whether a window manager has announced itself on the root window.
bool windowManagerRuns()
{
    FILE *probe = ::popen("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null", "r");
    if (!probe)
        return false;
    char line[256] = {};
    const bool found = std::fgets(line, sizeof line, probe) && std::strstr(line, "window id");
    ::pclose(probe);
    return found;
}

} // namespace

void XServer::start(Desktop desktop)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        fail("pipe failed");
    const QByteArray fdText = QByteArray::number(pipeFds[1]);
    // The server picks a free display and writes its number to the pipe.
    const pid_t server = spawn({"Xvfb", "-displayfd", fdText.constData(), "-screen", "0", "1280x1024x24",
                                "-nolisten", "tcp", "-noreset"},
                               -1, pipeFds[1]);
    s_children.push_back(server);
    std::atexit(stopChildren);
    ::close(pipeFds[1]);
    const QByteArray display = readAll(pipeFds[0], std::chrono::seconds(30)).trimmed();
    ::close(pipeFds[0]);
    if (display.isEmpty())
        fail("Xvfb did not start (is the xvfb package installed?)");
    qputenv("DISPLAY", ":" + display);
    qputenv("QT_QPA_PLATFORM", "xcb");

    if (desktop == WithWindowManager) {
        // Its theme comes from the system's shared data; the test's own
        // data folders are empty, and without a theme openbox quits.
        const pid_t manager
            = spawn({"openbox", "--sm-disable"}, -1, -1, {{"XDG_DATA_DIRS", "/usr/local/share:/usr/share"}});
        s_children.push_back(manager);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!windowManagerRuns() || ::waitpid(manager, nullptr, WNOHANG) != 0) {
            if (std::chrono::steady_clock::now() > end)
                fail("openbox did not start (are the openbox and x11-utils packages installed?)");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        s_windowManager = manager;
    }
}

bool XServer::hasWindowManager()
{
    // Still running: one that quits after announcing itself leaves the
    // windows unmanaged.
    return s_windowManager > 0 && ::waitpid(s_windowManager, nullptr, WNOHANG) == 0;
}

QImage XServer::grabScreen(const QRect &area)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}
