// Crashes on purpose, for the crash-reporting tests:
//   crashvictim <kind> <collector URL> [user name]
// with kind one of null-write, worker-null-write, abort, stack-overflow, pure-virtual,
// uncaught-exception, or "none" to only start crash reporting and end
// normally a moment later. "opened-folder", "linked-folder" and
// "linked-private-folder" first open the dump folder to others, or put in its
// place a link to a folder open to others or to a private one of the user's,
// once reporting has started, then crash by a null write. Like the program, it sends its report by running
// itself again with "--crash-upload <dump>".

#include "crash/crashupload.h"
#include "crashreporter.h"
#include "startup.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

volatile int *volatile g_nowhere = nullptr;

__attribute__((noinline)) void crashByNullWrite()
{
    *g_nowhere = 42;
}

__attribute__((noinline)) void crashByAbort()
{
    std::abort();
}

__attribute__((noinline)) int crashByStackOverflow(int depth)
{
    volatile char frame[512];
    frame[0] = char(depth);
    return crashByStackOverflow(depth + 1) + frame[0];
}

struct Base
{
    Base() { callPure(); }
    virtual ~Base() = default;
    virtual void pure() = 0;
    __attribute__((noinline)) void callPure() { pure(); }
};

struct Derived : Base
{
    void pure() override { }
};

__attribute__((noinline)) void crashByPureVirtualCall()
{
    Derived derived;
}

__attribute__((noinline)) void crashByUncaughtException()
{
    throw std::runtime_error("nobody catches this");
}

__attribute__((noinline)) void crashOnWorkerThread()
{
    std::thread worker([]() { crashByNullWrite(); });
    worker.join();
}

// Threads that are idle when the crash comes, as the program's are.
void startIdleThreads(int count)
{
    for (int i = 0; i < count; ++i) {
        std::thread([]() {
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        }).detach();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    Startup::setupApplicationIdentity();
    if (CrashUpload::isUploadRequest(argc, argv))
        return CrashUpload::run(argc, argv);

    // No core files on test machines.
    const rlimit noCore {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <kind> <collector URL> [user name]\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    CrashReporter::setCollectorUrl(QUrl(QString::fromUtf8(argv[2]), QUrl::StrictMode));
    CrashReporter reporter(nullptr, &app);
    if (argc >= 4 && argv[3][0] != '\0')
        CrashReporter::setReportUserName(QString::fromUtf8(argv[3]));
    startIdleThreads(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const char *kind = argv[1];
    if (std::strcmp(kind, "none") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return 0;
    }
    const bool linked
        = std::strcmp(kind, "linked-folder") == 0 || std::strcmp(kind, "linked-private-folder") == 0;
    if (linked || std::strcmp(kind, "opened-folder") == 0) {
        const QByteArray folder = QFile::encodeName(CrashReporter::dumpDirectory());
        if (linked) {
            const QByteArray elsewhere = folder + "-elsewhere";
            if (mkdir(elsewhere.constData(), 0700) != 0
                || rename(folder.constData(), (folder + "-old").constData()) != 0
                || symlink(elsewhere.constData(), folder.constData()) != 0) {
                std::perror(kind);
                return 2;
            }
            if (std::strcmp(kind, "linked-folder") == 0)
                chmod(elsewhere.constData(), 0777);
        } else if (chmod(folder.constData(), 0777) != 0) {
            std::perror("opened-folder");
            return 2;
        }
        crashByNullWrite();
    }
    if (std::strcmp(kind, "null-write") == 0)
        crashByNullWrite();
    else if (std::strcmp(kind, "worker-null-write") == 0)
        crashOnWorkerThread();
    else if (std::strcmp(kind, "abort") == 0)
        crashByAbort();
    else if (std::strcmp(kind, "stack-overflow") == 0)
        return crashByStackOverflow(0);
    else if (std::strcmp(kind, "pure-virtual") == 0)
        crashByPureVirtualCall();
    else if (std::strcmp(kind, "uncaught-exception") == 0)
        crashByUncaughtException();
    std::fprintf(stderr, "unknown kind %s\n", kind);
    return 2;
}
