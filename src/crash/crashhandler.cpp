#include "crashhandler.h"

#include "crash/minidumpwriter.h"
#include "crash/signalsafe.h"

#include <QRegularExpression>
#include <QString>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace SignalSafe;

namespace {

const int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP};
constexpr size_t kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);
// Big enough for the handler and the system calls it makes after a stack overflow.
constexpr size_t kAltStackSize = 256 * 1024;
// How long the copy writing the dump may take before it is given up.
constexpr int kDumpWriterTimeoutMs = 20000;
constexpr size_t kEnvPoolSize = 16 * 1024;
constexpr size_t kIdLength = 32;
// Dumps looked at when making room; more than this are not expected in a
// folder that is kept to kMaxDumps.
constexpr int kMaxListedDumps = 256;
constexpr int kMaxEnv = 64;

bool g_installed = false;
char g_folder[CrashHandler::kMaxFolderLength + 1];
CrashHandler::FilterCallback g_filter = nullptr;
CrashHandler::MinidumpCallback g_callback = nullptr;
void *g_context = nullptr;
std::atomic<int> g_handlingTid {0};
char g_envPool[kEnvPoolSize];
char *g_env[kMaxEnv + 1];

// The kernel's sigaction, for setting the default action without going
// through a library that may watch the call.
struct KernelSigaction
{
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    uint64_t mask;
};

void restoreDefault(int signalNumber)
{
    KernelSigaction action {SIG_DFL, 0, nullptr, 0};
    syscall(SYS_rt_sigaction, signalNumber, &action, nullptr, sizeof(uint64_t));
}

// A fork without the C library: no atfork handlers, no locks.
long cloneProcess()
{
    return syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, nullptr);
}

[[noreturn]] void exitNow(int status)
{
    for (;;)
        syscall(SYS_exit_group, status);
}

bool randomId(char *out)
{
    uint8_t bytes[16];
    size_t got = 0;
    while (got < sizeof(bytes)) {
        const long n = syscall(SYS_getrandom, bytes + got, sizeof(bytes) - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    FixedText<33> text;
    text.appendHex(bytes, sizeof(bytes));
    for (size_t i = 0; i <= text.size(); ++i)
        out[i] = text.data()[i];
    return true;
}

// Directory entries as the kernel hands them out.
struct KernelDirent
{
    uint64_t inode;
    int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

struct ListedDump
{
    char id[kIdLength + 1];
    int64_t seconds;
    int64_t nanoseconds;
    bool remove;
};

ListedDump g_listed[kMaxListedDumps];
alignas(8) char g_direntBuffer[8192];

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Whether name starts with a dump id followed by a dot; the files of one
// dump are "<id>.dmp" and whatever else the callback keeps as "<id>.*".
bool startsWithId(const char *name)
{
    for (size_t i = 0; i < kIdLength; ++i) {
        if (!isHexDigit(name[i]))
            return false;
    }
    return name[kIdLength] == '.';
}

bool sameId(const char *a, const char *b)
{
    for (size_t i = 0; i < kIdLength; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// Calls visit(folder descriptor, name) for every entry of the folder.
template<typename Visit>
void forEachEntry(int folder, Visit visit)
{
    syscall(SYS_lseek, folder, 0, SEEK_SET);
    for (;;) {
        const long got = syscall(SYS_getdents64, folder, g_direntBuffer, sizeof(g_direntBuffer));
        if (got <= 0)
            return;
        for (long at = 0; at < got;) {
            const auto *entry = reinterpret_cast<const KernelDirent *>(g_direntBuffer + at);
            if (entry->length == 0)
                return;
            visit(folder, entry->name);
            at += entry->length;
        }
    }
}

// The dump folder, opened, when it is still this user's own and closed to
// others; -1 otherwise. It was checked when reporting started, but a link or
// another user's folder may have taken its place since.
int openOwnFolder()
{
    const int folder = int(sysOpen(g_folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0));
    if (folder < 0)
        return -1;
    struct stat status;
    const bool ours = syscall(SYS_fstat, folder, &status) == 0 && status.st_uid == uid_t(syscall(SYS_geteuid))
        && (status.st_mode & 077) == 0;
    if (ours)
        return folder;
    sysClose(folder);
    return -1;
}

// Makes room in the open dump folder for the dump about to be written, so
// that it never holds more than kMaxDumps: of the dumps there, the newest
// kMaxDumps - 1 stay (by time, whatever their names), the others go with
// their files.
void makeRoomForDump(int folder)
{
    int count = 0;
    forEachEntry(folder, [&count](int dir, const char *name) {
        if (count >= kMaxListedDumps || !startsWithId(name) || !equal(name + kIdLength, ".dmp"))
            return;
        struct stat status;
        if (syscall(SYS_newfstatat, dir, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        ListedDump &dump = g_listed[count++];
        for (size_t i = 0; i <= kIdLength; ++i)
            dump.id[i] = i < kIdLength ? name[i] : '\0';
        dump.seconds = status.st_mtim.tv_sec;
        dump.nanoseconds = status.st_mtim.tv_nsec;
        dump.remove = false;
    });
    int removed = 0;
    while (count - removed > CrashHandler::kMaxDumps - 1) {
        ListedDump *oldest = nullptr;
        for (int i = 0; i < count; ++i) {
            ListedDump &dump = g_listed[i];
            if (dump.remove)
                continue;
            if (!oldest || dump.seconds < oldest->seconds
                || (dump.seconds == oldest->seconds && dump.nanoseconds < oldest->nanoseconds))
                oldest = &dump;
        }
        oldest->remove = true;
        ++removed;
    }
    if (removed > 0) {
        forEachEntry(folder, [count](int dir, const char *name) {
            if (!startsWithId(name))
                return;
            for (int i = 0; i < count; ++i) {
                if (g_listed[i].remove && sameId(g_listed[i].id, name)) {
                    syscall(SYS_unlinkat, dir, name, 0);
                    return;
                }
            }
        });
    }
}

// Writes the dump from a copy of this process, which can stop and read the
// other threads (a process cannot trace its own threads). Without a copy,
// the dump holds the crashing thread alone.
bool writeDump(const char *path, const MinidumpWriter::Crash &crash)
{
    const int fd = int(sysOpen(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd < 0)
        return false;
    // Under Yama's ptrace restrictions the copy may attach to its parent only with leave.
    syscall(SYS_prctl, PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    bool written = false;
    const long child = cloneProcess();
    if (child == 0)
        exitNow(MinidumpWriter::write(fd, crash, true) ? 0 : 1);
    if (child < 0) {
        written = MinidumpWriter::write(fd, crash, false);
    } else {
        int status = 0;
        int waited = 0;
        for (;;) {
            const long r = syscall(SYS_wait4, child, &status, WNOHANG | __WALL, nullptr);
            if (r == child) {
                written = WIFEXITED(status) && WEXITSTATUS(status) == 0;
                break;
            }
            if ((r < 0 && errno != EINTR) || waited >= kDumpWriterTimeoutMs) {
                syscall(SYS_kill, child, SIGKILL);
                syscall(SYS_wait4, child, &status, __WALL, nullptr);
                break;
            }
            sleepMs(10);
            waited += 10;
        }
    }
    sysClose(fd);
    return written;
}

void handleSignal(int signalNumber, siginfo_t *info, void *ucontext)
{
    const int pid = getPid();
    const int tid = getTid();
    int expected = 0;
    if (!g_handlingTid.compare_exchange_strong(expected, tid)) {
        if (expected == tid) {
            // A crash while handling one: die by it at once.
            restoreDefault(signalNumber);
            syscall(SYS_tgkill, pid, tid, signalNumber);
            return;
        }
        // Another thread is writing the report and ends the process after it.
        for (;;)
            sleepMs(1000);
    }

    CrashHandler::CrashInfo crash {signalNumber, info ? info->si_code : 0,
                                   info ? uint64_t(reinterpret_cast<uintptr_t>(info->si_addr)) : 0, pid, tid};
    const int folder = openOwnFolder();
    if (folder >= 0 && (!g_filter || g_filter(g_context, &crash))) {
        char id[33];
        bool written = false;
        if (randomId(id)) {
            makeRoomForDump(folder);
            FixedText<CrashHandler::kMaxFolderLength + 64> path;
            path.append(g_folder);
            path.append("/");
            path.append(id);
            path.append(".dmp");
            MinidumpWriter::Crash dump;
            dump.signalNumber = signalNumber;
            dump.code = crash.code;
            dump.address = crash.address;
            dump.pid = pid;
            dump.tid = tid;
            dump.context = ucontext;
            written = writeDump(path.data(), dump);
        } else {
            id[0] = '\0';
        }
        if (g_callback)
            g_callback(g_folder, id, g_context, &crash, written);
    }
    if (folder >= 0)
        sysClose(folder);

    // Die by the same signal: it is delivered as soon as the handler returns.
    restoreDefault(signalNumber);
    syscall(SYS_tgkill, pid, tid, signalNumber);
}

void keepEnvironment(const QStringList &names)
{
    size_t used = 0;
    int count = 0;
    for (char **entry = environ; entry && *entry && count < kMaxEnv; ++entry) {
        const QByteArray text(*entry);
        const qsizetype equals = text.indexOf('=');
        if (equals <= 0 || !names.contains(QString::fromUtf8(text.left(equals))))
            continue;
        if (used + size_t(text.size()) + 1 > kEnvPoolSize)
            break;
        char *slot = g_envPool + used;
        memcpy(slot, text.constData(), size_t(text.size()) + 1);
        g_env[count++] = slot;
        used += size_t(text.size()) + 1;
    }
    g_env[count] = nullptr;
}

} // namespace

bool CrashHandler::install(const QByteArray &dumpFolder, FilterCallback filter, MinidumpCallback callback,
                           void *context, const QStringList &keptEnvironment)
{
    if (g_installed || dumpFolder.isEmpty() || size_t(dumpFolder.size()) > kMaxFolderLength)
        return false;
    memcpy(g_folder, dumpFolder.constData(), size_t(dumpFolder.size()));
    g_folder[dumpFolder.size()] = '\0';
    g_filter = filter;
    g_callback = callback;
    g_context = context;
    keepEnvironment(keptEnvironment);

    // A stack overflow leaves no room on the thread's own stack.
    void *stack = mmap(nullptr, kAltStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack != MAP_FAILED) {
        stack_t altStack {};
        altStack.ss_sp = stack;
        altStack.ss_size = kAltStackSize;
        sigaltstack(&altStack, nullptr);
    }

    struct sigaction action
    {
    };
    action.sa_sigaction = &handleSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &action, nullptr);
    g_installed = true;
    return true;
}

bool CrashHandler::isInstalled()
{
    return g_installed;
}

int CrashHandler::startProcess(const char *const *argv)
{
    const long pid = cloneProcess();
    if (pid != 0)
        return int(pid);

    // The new program starts clean: no blocked signals, its own session,
    // none of the crashed process's files (a lock held open would keep the
    // next start of the program waiting).
    uint64_t none = 0;
    syscall(SYS_rt_sigprocmask, SIG_SETMASK, &none, nullptr, sizeof(none));
    syscall(SYS_setsid);
    const int null = int(sysOpen("/dev/null", O_RDWR, 0));
    if (null >= 0) {
        syscall(SYS_dup2, null, 0);
        syscall(SYS_dup2, null, 1);
    }
    if (syscall(SYS_close_range, 3, ~0U, 0) != 0) {
        for (int fd = 3; fd < 4096; ++fd)
            sysClose(fd);
    }
    syscall(SYS_execve, argv[0], argv, g_env);
    exitNow(127);
}

bool CrashHandler::writeNewFile(const char *path, const char *data, size_t size)
{
    const int fd = int(sysOpen(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, data, size);
    return sysClose(fd) == 0 && ok;
}

bool CrashHandler::isDumpId(const QString &id)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[0-9a-f]{32}\\z"));
    return pattern.match(id).hasMatch();
}
