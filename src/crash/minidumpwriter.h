#ifndef MINIDUMPWRITER_H
#define MINIDUMPWRITER_H

#include <cstdint>

// Writes a minidump of a crashed process in the documented minidump file
// format, with the streams debuggers read on Linux: system information, the
// exception with the crashing thread's context, the thread list with each
// thread's registers and stack memory, the memory list, the module list with
// build ids, and the Linux maps, status and command-line streams.
//
// Everything here is async-signal-safe: direct system calls, static buffers,
// no allocation and no locks. It runs in a copy of the crashed process made
// after the crash (see CrashHandler), or in the crashed process itself.
class MinidumpWriter
{
public:
    MinidumpWriter() = delete;

    struct Crash
    {
        int signalNumber = 0;
        int code = 0; // si_code
        uint64_t address = 0; // si_addr
        int pid = 0;
        int tid = 0;
        // The crashing thread's ucontext_t as the signal handler got it.
        const void *context = nullptr;
    };

    // Writes the dump into fd. With otherThreads, the process's other threads
    // are stopped with ptrace for their registers and their stacks read with
    // process_vm_readv (only a process other than the crashed one can do
    // that); without, the dump holds the crashing thread alone.
    static bool write(int fd, const Crash &crash, bool otherThreads);

    // How many threads the last write() put in the dump.
    static int lastThreadCount();
};

#endif // MINIDUMPWRITER_H
