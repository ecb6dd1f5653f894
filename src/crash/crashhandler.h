#ifndef CRASHHANDLER_H
#define CRASHHANDLER_H

#include <QByteArray>
#include <QStringList>

#include <cstdint>

// The process's crash handler: on SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT or
// SIGTRAP it runs the filter, writes a minidump named by a random 32-hex id
// into the dump folder (first removing the oldest dumps, with every file
// named "<id>.*", so that the folder never holds more than kMaxDumps), runs
// the minidump callback and lets the process die
// by its signal. Only async-signal-safe work happens after a crash: the dump
// is written by a copy of the crashed process, and whatever else a report
// needs is done by a new process the callback starts (startProcess()).
class CrashHandler
{
public:
    CrashHandler() = delete;

    struct CrashInfo
    {
        int signalNumber;
        int code; // si_code
        uint64_t address; // si_addr
        int pid;
        int tid;
    };

    // Whether to write the dump.
    using FilterCallback = bool (*)(void *context, const CrashInfo *info);
    // After the dump: its folder and id ("<folder>/<id>.dmp"), and whether it was written.
    using MinidumpCallback = bool (*)(const char *dumpFolder, const char *dumpId, void *context,
                                      const CrashInfo *info, bool succeeded);

    // Installs the handlers once, on an alternate signal stack for the calling
    // thread; false when already installed or the folder name is too long.
    // The environment handed to processes started after a crash is the
    // current one cut down to the names in keptEnvironment.
    static bool install(const QByteArray &dumpFolder, FilterCallback filter, MinidumpCallback callback,
                        void *context, const QStringList &keptEnvironment);
    static bool isInstalled();

    // Async-signal-safe, for the callbacks: starts argv[0] (an absolute path)
    // in a new session with the kept environment, standard input and output
    // on /dev/null and no other descriptor but standard error; answers its
    // process id or -1.
    static int startProcess(const char *const *argv);

    // Async-signal-safe: creates path (never an existing file) with mode 0600
    // and writes the bytes; false on any failure.
    static bool writeNewFile(const char *path, const char *data, size_t size);

    // The names of the dump files: 32 lower-case hexadecimal digits.
    static bool isDumpId(const QString &id);

    static constexpr int kMaxDumps = 5;

    // So that "<folder>/<id>.dmp" stays within 511 characters.
    static constexpr size_t kMaxFolderLength = 511 - 38;
};

#endif // CRASHHANDLER_H
