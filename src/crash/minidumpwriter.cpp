#include "minidumpwriter.h"

#include "crash/signalsafe.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

using namespace SignalSafe;

namespace {

// The minidump structures, laid out as the format documents them: little
// endian, packed to four bytes.
#pragma pack(push, 4)
struct MdLocation
{
    uint32_t dataSize;
    uint32_t rva;
};

struct MdMemoryDescriptor
{
    uint64_t startOfMemoryRange;
    MdLocation memory;
};

struct MdHeader
{
    uint32_t signature;
    uint32_t version;
    uint32_t numberOfStreams;
    uint32_t streamDirectoryRva;
    uint32_t checkSum;
    uint32_t timeDateStamp;
    uint64_t flags;
};

struct MdDirectory
{
    uint32_t streamType;
    MdLocation location;
};

struct MdThread
{
    uint32_t threadId;
    uint32_t suspendCount;
    uint32_t priorityClass;
    uint32_t priority;
    uint64_t teb;
    MdMemoryDescriptor stack;
    MdLocation threadContext;
};

struct MdFixedFileInfo
{
    uint32_t values[13];
};

struct MdModule
{
    uint64_t baseOfImage;
    uint32_t sizeOfImage;
    uint32_t checkSum;
    uint32_t timeDateStamp;
    uint32_t moduleNameRva;
    MdFixedFileInfo versionInfo;
    MdLocation cvRecord;
    MdLocation miscRecord;
    uint64_t reserved0;
    uint64_t reserved1;
};

struct MdSystemInfo
{
    uint16_t processorArchitecture;
    uint16_t processorLevel;
    uint16_t processorRevision;
    uint8_t numberOfProcessors;
    uint8_t productType;
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint32_t buildNumber;
    uint32_t platformId;
    uint32_t csdVersionRva;
    uint16_t suiteMask;
    uint16_t reserved2;
    uint32_t vendorId[3];
    uint32_t versionInformation;
    uint32_t featureInformation;
    uint32_t amdExtendedCpuFeatures;
};

struct MdException
{
    uint32_t exceptionCode;
    uint32_t exceptionFlags;
    uint64_t exceptionRecord;
    uint64_t exceptionAddress;
    uint32_t numberParameters;
    uint32_t unusedAlignment;
    uint64_t exceptionInformation[15];
};

struct MdExceptionStream
{
    uint32_t threadId;
    uint32_t alignment;
    MdException exceptionRecord;
    MdLocation threadContext;
};

// The x86-64 thread context (the AMD64 CONTEXT record).
struct MdContextAmd64
{
    uint64_t pHome[6];
    uint32_t contextFlags;
    uint32_t mxCsr;
    uint16_t segCs, segDs, segEs, segFs, segGs, segSs;
    uint32_t eFlags;
    uint64_t dr0, dr1, dr2, dr3, dr6, dr7;
    uint64_t rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi;
    uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
    uint64_t rip;
    uint8_t fltSave[512];
    uint8_t vectorRegister[26 * 16];
    uint64_t vectorControl;
    uint64_t debugControl;
    uint64_t lastBranchToRip;
    uint64_t lastBranchFromRip;
    uint64_t lastExceptionToRip;
    uint64_t lastExceptionFromRip;
};
#pragma pack(pop)

static_assert(sizeof(MdHeader) == 32, "minidump header");
static_assert(sizeof(MdDirectory) == 12, "stream directory entry");
static_assert(sizeof(MdThread) == 48, "thread");
static_assert(sizeof(MdModule) == 108, "module");
static_assert(sizeof(MdSystemInfo) == 56, "system info");
static_assert(sizeof(MdExceptionStream) == 168, "exception stream");
static_assert(sizeof(MdContextAmd64) == 1232, "AMD64 context");

constexpr uint32_t kSignature = 0x504d444d; // "MDMP"
constexpr uint32_t kVersion = 0xa793;

enum StreamType : uint32_t {
    ThreadListStream = 3,
    ModuleListStream = 4,
    MemoryListStream = 5,
    ExceptionStream = 6,
    SystemInfoStream = 7,
    // The Linux streams crash reporters on Linux write.
    LinuxProcStatusStream = 0x47670004,
    LinuxCmdLineStream = 0x47670006,
    LinuxMapsStream = 0x47670009,
};
constexpr int kStreamCount = 8;

constexpr uint16_t kArchitectureAmd64 = 9;
constexpr uint32_t kPlatformLinux = 0x8201;
constexpr uint32_t kContextAmd64 = 0x00100000;
constexpr uint32_t kContextFull = kContextAmd64 | 0x1 /*control*/ | 0x2 /*integer*/ | 0x4 /*segments*/
    | 0x8 /*floating point*/;
constexpr uint32_t kCvSignatureElf = 0x4270454c; // "LEpB": the record holds an ELF build id

constexpr size_t kMaxMaps = 512 * 1024;
constexpr int kMaxMappings = 8192;
constexpr int kMaxThreads = 256;
constexpr int kMaxModules = 512;
constexpr uint64_t kCrashedStackBytes = 256 * 1024;
constexpr uint64_t kOtherStackBytes = 64 * 1024;
constexpr uint64_t kRedZone = 128;
constexpr uint64_t kOverflowReach = 64 * 1024;

struct Mapping
{
    uint64_t start;
    uint64_t end;
    uint64_t offset;
    bool readable;
    bool executable;
    const char *path; // into g_maps, zero-terminated; empty when anonymous
};

struct ThreadState
{
    int tid;
    bool attached;
    MdContextAmd64 context;
    uint64_t stackStart;
    uint64_t stackSize;
    MdLocation stackLocation;
    MdLocation contextLocation;
};

char g_maps[kMaxMaps];
size_t g_mapsSize = 0;
char g_paths[kMaxMaps]; // the maps text with path ends zeroed
Mapping g_mappings[kMaxMappings];
int g_mappingCount = 0;
ThreadState g_threads[kMaxThreads];
int g_threadCount = 0;
int g_lastThreadCount = 0;
char g_buffer[64 * 1024];
uint16_t g_name[4096];
char g_text[256 * 1024];

void zero(void *data, size_t size)
{
    auto *p = static_cast<volatile char *>(data);
    for (size_t i = 0; i < size; ++i)
        p[i] = 0;
}

void copyBytes(void *to, const void *from, size_t size)
{
    auto *d = static_cast<char *>(to);
    const auto *s = static_cast<const char *>(from);
    for (size_t i = 0; i < size; ++i)
        d[i] = s[i];
}

// Appends blocks to the file and answers where each went.
class Appender
{
public:
    Appender(int fd, uint32_t start)
        : m_fd(fd)
        , m_offset(start)
    { }

    bool ok() const { return m_ok; }
    uint32_t offset() const { return m_offset; }

    // Room for a block written later in place.
    MdLocation reserve(size_t size)
    {
        align();
        MdLocation location {uint32_t(size), m_offset};
        m_offset += uint32_t(size);
        return location;
    }

    MdLocation append(const void *data, size_t size)
    {
        align();
        MdLocation location {uint32_t(size), m_offset};
        // A failed write leaves a hole of zeros; the stream's place stays valid.
        if (size > 0 && sysPwrite(m_fd, data, size, m_offset) != long(size))
            m_ok = false;
        m_offset += uint32_t(size);
        return location;
    }

    // Copies memory: from this process when local (the kernel reads it, so
    // an unreadable page fails the write instead of faulting), otherwise or
    // then from the crashed process, in chunks; unreadable chunks stay zero.
    MdLocation appendMemory(int pid, uint64_t address, size_t size, bool local)
    {
        align();
        MdLocation location {uint32_t(size), m_offset};
        m_offset += uint32_t(size);
        if (local
            && sysPwrite(m_fd, reinterpret_cast<const void *>(address), size, location.rva) == long(size))
            return location;
        size_t done = 0;
        while (done < size) {
            const size_t chunk = size - done < sizeof(g_buffer) ? size - done : sizeof(g_buffer);
            iovec localVec {g_buffer, chunk};
            iovec remoteVec {reinterpret_cast<void *>(address + done), chunk};
            if (syscall(SYS_process_vm_readv, pid, &localVec, 1, &remoteVec, 1, 0) != long(chunk))
                zero(g_buffer, chunk);
            if (sysPwrite(m_fd, g_buffer, chunk, location.rva + done) != long(chunk))
                m_ok = false;
            done += chunk;
        }
        return location;
    }

private:
    void align()
    {
        const uint32_t aligned = (m_offset + 7u) & ~7u;
        if (aligned != m_offset) {
            static const char zeros[8] = {};
            sysPwrite(m_fd, zeros, aligned - m_offset, m_offset);
            m_offset = aligned;
        }
    }

    int m_fd;
    uint32_t m_offset;
    bool m_ok = true;
};

uint64_t parseHex(const char *&p)
{
    uint64_t value = 0;
    for (;; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9')
            value = value * 16 + uint64_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            value = value * 16 + uint64_t(c - 'a' + 10);
        else
            return value;
    }
}

uint32_t parseDecimal(const char *&p)
{
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + uint32_t(*p++ - '0');
    return value;
}

void procPath(SignalSafe::FixedText<64> *path, int pid, const char *leaf)
{
    path->append("/proc/");
    path->appendNumber(uint64_t(pid));
    path->append("/");
    path->append(leaf);
}

// "start-end perms offset dev inode path" per line.
void readMappings(int pid)
{
    SignalSafe::FixedText<64> path;
    procPath(&path, pid, "maps");
    const long size = readFile(path.data(), g_maps, sizeof(g_maps));
    g_mapsSize = size > 0 ? size_t(size) : 0;
    copyBytes(g_paths, g_maps, g_mapsSize);
    g_paths[g_mapsSize < sizeof(g_paths) ? g_mapsSize : sizeof(g_paths) - 1] = '\0';

    g_mappingCount = 0;
    char *line = g_paths;
    char *const end = g_paths + g_mapsSize;
    while (line < end && g_mappingCount < kMaxMappings) {
        char *eol = line;
        while (eol < end && *eol != '\n')
            ++eol;
        if (eol < end)
            *eol = '\0';
        else
            break; // a cut last line
        const char *p = line;
        Mapping &m = g_mappings[g_mappingCount];
        m.start = parseHex(p);
        if (*p == '-')
            ++p;
        m.end = parseHex(p);
        while (*p == ' ')
            ++p;
        m.readable = p[0] == 'r';
        m.executable = p[2] == 'x';
        while (*p != '\0' && *p != ' ')
            ++p;
        while (*p == ' ')
            ++p;
        m.offset = parseHex(p);
        // device and inode
        for (int field = 0; field < 2; ++field) {
            while (*p == ' ')
                ++p;
            while (*p != '\0' && *p != ' ')
                ++p;
        }
        while (*p == ' ')
            ++p;
        m.path = p;
        if (m.end > m.start)
            ++g_mappingCount;
        line = eol + 1;
    }
}

const Mapping *mappingAt(uint64_t address)
{
    for (int i = 0; i < g_mappingCount; ++i) {
        if (address >= g_mappings[i].start && address < g_mappings[i].end)
            return &g_mappings[i];
    }
    return nullptr;
}

// The stack bytes to keep: from just below the stack pointer up to the end
// of its mapping, at most limit bytes.
void chooseStack(ThreadState *thread, uint64_t limit)
{
    thread->stackStart = 0;
    thread->stackSize = 0;
    const uint64_t sp = thread->context.rsp;
    const Mapping *m = mappingAt(sp);
    if (!m) {
        // A stack overflow leaves the pointer just below the stack's mapping.
        for (int i = 0; i < g_mappingCount && !m; ++i) {
            if (g_mappings[i].start > sp && g_mappings[i].start - sp <= kOverflowReach)
                m = &g_mappings[i];
        }
    }
    if (!m || !m->readable)
        return;
    uint64_t start = sp > kRedZone ? sp - kRedZone : 0;
    if (start < m->start)
        start = m->start;
    uint64_t end = m->end;
    if (end - start > limit)
        end = start + limit;
    thread->stackStart = start;
    thread->stackSize = end - start;
}

#if defined(__x86_64__)

void contextFromUcontext(MdContextAmd64 *out, const ucontext_t *uc)
{
    zero(out, sizeof(*out));
    const greg_t *g = uc->uc_mcontext.gregs;
    out->contextFlags = kContextFull;
    out->rax = uint64_t(g[REG_RAX]);
    out->rcx = uint64_t(g[REG_RCX]);
    out->rdx = uint64_t(g[REG_RDX]);
    out->rbx = uint64_t(g[REG_RBX]);
    out->rsp = uint64_t(g[REG_RSP]);
    out->rbp = uint64_t(g[REG_RBP]);
    out->rsi = uint64_t(g[REG_RSI]);
    out->rdi = uint64_t(g[REG_RDI]);
    out->r8 = uint64_t(g[REG_R8]);
    out->r9 = uint64_t(g[REG_R9]);
    out->r10 = uint64_t(g[REG_R10]);
    out->r11 = uint64_t(g[REG_R11]);
    out->r12 = uint64_t(g[REG_R12]);
    out->r13 = uint64_t(g[REG_R13]);
    out->r14 = uint64_t(g[REG_R14]);
    out->r15 = uint64_t(g[REG_R15]);
    out->rip = uint64_t(g[REG_RIP]);
    out->eFlags = uint32_t(g[REG_EFL]);
    const uint64_t csgsfs = uint64_t(g[REG_CSGSFS]);
    out->segCs = uint16_t(csgsfs);
    out->segGs = uint16_t(csgsfs >> 16);
    out->segFs = uint16_t(csgsfs >> 32);
    out->segSs = uint16_t(csgsfs >> 48);
    if (uc->uc_mcontext.fpregs) {
        copyBytes(out->fltSave, uc->uc_mcontext.fpregs, sizeof(out->fltSave));
        out->mxCsr = uc->uc_mcontext.fpregs->mxcsr;
    }
}

void contextFromPtrace(MdContextAmd64 *out, const user_regs_struct &r, const user_fpregs_struct *fp)
{
    zero(out, sizeof(*out));
    out->contextFlags = kContextFull;
    out->rax = r.rax;
    out->rcx = r.rcx;
    out->rdx = r.rdx;
    out->rbx = r.rbx;
    out->rsp = r.rsp;
    out->rbp = r.rbp;
    out->rsi = r.rsi;
    out->rdi = r.rdi;
    out->r8 = r.r8;
    out->r9 = r.r9;
    out->r10 = r.r10;
    out->r11 = r.r11;
    out->r12 = r.r12;
    out->r13 = r.r13;
    out->r14 = r.r14;
    out->r15 = r.r15;
    out->rip = r.rip;
    out->eFlags = uint32_t(r.eflags);
    out->segCs = uint16_t(r.cs);
    out->segDs = uint16_t(r.ds);
    out->segEs = uint16_t(r.es);
    out->segFs = uint16_t(r.fs);
    out->segGs = uint16_t(r.gs);
    out->segSs = uint16_t(r.ss);
    if (fp) {
        copyBytes(out->fltSave, fp, sizeof(out->fltSave));
        out->mxCsr = fp->mxcsr;
    }
}

// Stops one thread of the crashed process and reads its registers; the
// thread stays stopped until detach().
bool attachThread(ThreadState *thread)
{
    const int tid = thread->tid;
    if (syscall(SYS_ptrace, PTRACE_SEIZE, tid, 0, 0) != 0)
        return false;
    thread->attached = true;
    if (syscall(SYS_ptrace, PTRACE_INTERRUPT, tid, 0, 0) != 0)
        return false;
    int status = 0;
    for (;;) {
        const long waited = syscall(SYS_wait4, tid, &status, __WALL, nullptr);
        if (waited == tid)
            break;
        if (waited < 0 && errno != EINTR)
            return false;
    }
    if (!WIFSTOPPED(status))
        return false;
    user_regs_struct regs;
    user_fpregs_struct fpregs;
    if (syscall(SYS_ptrace, PTRACE_GETREGS, tid, 0, &regs) != 0)
        return false;
    const bool haveFp = syscall(SYS_ptrace, PTRACE_GETFPREGS, tid, 0, &fpregs) == 0;
    contextFromPtrace(&thread->context, regs, haveFp ? &fpregs : nullptr);
    return true;
}

void detach(ThreadState *thread)
{
    if (thread->attached)
        syscall(SYS_ptrace, PTRACE_DETACH, thread->tid, 0, 0);
    thread->attached = false;
}

void readCpu(MdSystemInfo *info)
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
        info->vendorId[0] = ebx;
        info->vendorId[1] = edx;
        info->vendorId[2] = ecx;
    }
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        info->versionInformation = eax;
        info->featureInformation = edx;
        uint32_t family = (eax >> 8) & 0xf;
        if (family == 0xf)
            family += (eax >> 20) & 0xff;
        info->processorLevel = uint16_t(family);
        info->processorRevision = uint16_t((((eax >> 4) & 0xf) << 8) | (eax & 0xf));
    }
}

#endif

// The thread ids of the process, the crashing one first.
void listThreads(int pid, int crashedTid)
{
    g_threadCount = 0;
    zero(&g_threads[0], sizeof(ThreadState));
    g_threads[g_threadCount++].tid = crashedTid;

    SignalSafe::FixedText<64> path;
    procPath(&path, pid, "task");
    const int dir = int(sysOpen(path.data(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (dir < 0)
        return;
    for (;;) {
        const long got = syscall(SYS_getdents64, dir, g_buffer, sizeof(g_buffer));
        if (got <= 0)
            break;
        long at = 0;
        while (at < got) {
            // struct linux_dirent64: ino (8), off (8), reclen (2), type (1), name
            const char *entry = g_buffer + at;
            uint16_t reclen = 0;
            copyBytes(&reclen, entry + 16, sizeof(reclen));
            const char *name = entry + 19;
            if (name[0] >= '0' && name[0] <= '9' && g_threadCount < kMaxThreads) {
                const char *p = name;
                const int tid = int(parseDecimal(p));
                if (tid != crashedTid) {
                    zero(&g_threads[g_threadCount], sizeof(ThreadState));
                    g_threads[g_threadCount++].tid = tid;
                }
            }
            if (reclen == 0)
                break;
            at += reclen;
        }
    }
    sysClose(dir);
}

// The GNU build id of an ELF file, read from its note segments.
size_t readBuildId(const char *path, uint8_t *id, size_t capacity)
{
    const int fd = int(sysOpen(path, O_RDONLY | O_CLOEXEC, 0));
    if (fd < 0)
        return 0;
    size_t found = 0;
    unsigned char header[64];
    if (sysPread(fd, header, sizeof(header), 0) == long(sizeof(header)) && header[0] == 0x7f
        && header[1] == 'E' && header[2] == 'L' && header[3] == 'F' && header[4] == 2 /*64-bit*/) {
        uint64_t phoff = 0;
        uint16_t phentsize = 0;
        uint16_t phnum = 0;
        copyBytes(&phoff, header + 32, 8);
        copyBytes(&phentsize, header + 54, 2);
        copyBytes(&phnum, header + 56, 2);
        for (uint16_t i = 0; i < phnum && i < 64 && phentsize >= 56 && found == 0; ++i) {
            unsigned char ph[56];
            if (sysPread(fd, ph, sizeof(ph), int64_t(phoff + uint64_t(i) * phentsize)) != long(sizeof(ph)))
                break;
            uint32_t type = 0;
            uint64_t offset = 0;
            uint64_t size = 0;
            copyBytes(&type, ph, 4);
            copyBytes(&offset, ph + 8, 8);
            copyBytes(&size, ph + 32, 8);
            if (type != 4 /*PT_NOTE*/)
                continue;
            if (size > sizeof(g_buffer))
                size = sizeof(g_buffer);
            const long got = sysPread(fd, g_buffer, size_t(size), int64_t(offset));
            if (got <= 0)
                continue;
            size_t at = 0;
            while (at + 12 <= size_t(got)) {
                uint32_t nameSize = 0, descSize = 0, noteType = 0;
                copyBytes(&nameSize, g_buffer + at, 4);
                copyBytes(&descSize, g_buffer + at + 4, 4);
                copyBytes(&noteType, g_buffer + at + 8, 4);
                const size_t nameAt = at + 12;
                const size_t descAt = nameAt + ((size_t(nameSize) + 3) & ~size_t(3));
                const size_t next = descAt + ((size_t(descSize) + 3) & ~size_t(3));
                if (next > size_t(got) || next <= at)
                    break;
                if (noteType == 3 /*NT_GNU_BUILD_ID*/ && nameSize == 4 && g_buffer[nameAt] == 'G'
                    && g_buffer[nameAt + 1] == 'N' && g_buffer[nameAt + 2] == 'U') {
                    found = descSize < capacity ? descSize : capacity;
                    copyBytes(id, g_buffer + descAt, found);
                    break;
                }
                at = next;
            }
        }
    }
    sysClose(fd);
    return found;
}

// A MINIDUMP_STRING: byte length, UTF-16 text, a zero unit.
MdLocation appendString(Appender *out, const char *utf8, size_t size)
{
    size_t units = 0;
    const size_t room = sizeof(g_name) / sizeof(g_name[0]) - 4;
    for (size_t i = 0; i < size && units < room;) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp = c;
        size_t extra = 0;
        if (c >= 0xf0 && c < 0xf8) {
            cp = c & 0x07;
            extra = 3;
        } else if (c >= 0xe0) {
            cp = c & 0x0f;
            extra = 2;
        } else if (c >= 0xc0) {
            cp = c & 0x1f;
            extra = 1;
        } else if (c >= 0x80) {
            cp = 0xfffd;
        }
        ++i;
        for (size_t k = 0; k < extra; ++k, ++i) {
            if (i >= size || (static_cast<unsigned char>(utf8[i]) & 0xc0) != 0x80) {
                cp = 0xfffd;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3f);
        }
        if (cp >= 0x10000 && cp <= 0x10ffff) {
            cp -= 0x10000;
            g_name[2 + units++] = uint16_t(0xd800 + (cp >> 10));
            g_name[2 + units++] = uint16_t(0xdc00 + (cp & 0x3ff));
        } else {
            g_name[2 + units++] = uint16_t(cp > 0xffff ? 0xfffd : cp);
        }
    }
    const uint32_t bytes = uint32_t(units * 2);
    copyBytes(&g_name[0], &bytes, 4);
    g_name[2 + units] = 0;
    return out->append(g_name, 4 + units * 2 + 2);
}

bool isModulePath(const char *path)
{
    // Files only; " (deleted)" files and memfd objects are left out.
    if (path[0] != '/')
        return false;
    const size_t n = length(path);
    const char kDeleted[] = " (deleted)";
    const size_t d = sizeof(kDeleted) - 1;
    return !(n > d && equal(path + n - d, kDeleted));
}

} // namespace

int MinidumpWriter::lastThreadCount()
{
    return g_lastThreadCount;
}

bool MinidumpWriter::write(int fd, const Crash &crash, bool otherThreads)
{
#if !defined(__x86_64__)
    (void)fd;
    (void)crash;
    (void)otherThreads;
    return false;
#else
    readMappings(crash.pid);
    listThreads(crash.pid, crash.tid);

    // The crashing thread from its signal context; the others stopped.
    contextFromUcontext(&g_threads[0].context, static_cast<const ucontext_t *>(crash.context));
    chooseStack(&g_threads[0], kCrashedStackBytes);
    int kept = 1;
    for (int i = 1; i < g_threadCount; ++i) {
        ThreadState &t = g_threads[i];
        if (otherThreads && attachThread(&t)) {
            chooseStack(&t, kOtherStackBytes);
            g_threads[kept++] = t;
        } else {
            detach(&t);
        }
    }
    g_threadCount = kept;

    Appender out(fd, sizeof(MdHeader) + kStreamCount * sizeof(MdDirectory));
    MdDirectory directory[kStreamCount];
    zero(directory, sizeof(directory));
    int stream = 0;

    // Contexts and stacks first: the thread and memory lists point at them.
    for (int i = 0; i < g_threadCount; ++i) {
        ThreadState &t = g_threads[i];
        t.contextLocation = out.append(&t.context, sizeof(t.context));
        if (t.stackSize == 0) {
            t.stackLocation = MdLocation {0, 0};
        } else {
            // Only the crashing thread's stack is as it was in this copy.
            t.stackLocation = out.appendMemory(crash.pid, t.stackStart, size_t(t.stackSize), i == 0);
        }
    }
    // The stopped threads go on (and die with the process when it re-raises).
    for (int i = 1; i < g_threadCount; ++i)
        detach(&g_threads[i]);

    // Thread list: the count, then the entries packed right after it.
    {
        const uint32_t count = uint32_t(g_threadCount);
        const MdLocation list = out.reserve(4 + g_threadCount * sizeof(MdThread));
        sysPwrite(fd, &count, sizeof(count), list.rva);
        for (int i = 0; i < g_threadCount; ++i) {
            const ThreadState &t = g_threads[i];
            MdThread thread;
            zero(&thread, sizeof(thread));
            thread.threadId = uint32_t(t.tid);
            thread.stack.startOfMemoryRange = t.stackStart;
            thread.stack.memory = t.stackLocation;
            thread.threadContext = t.contextLocation;
            sysPwrite(fd, &thread, sizeof(thread), list.rva + 4 + uint32_t(i) * sizeof(MdThread));
        }
        directory[stream++] = MdDirectory {ThreadListStream, list};
    }

    // Memory list: the stacks, where debuggers look for memory.
    {
        uint32_t count = 0;
        for (int i = 0; i < g_threadCount; ++i)
            count += g_threads[i].stackSize > 0 ? 1 : 0;
        const MdLocation list = out.reserve(4 + count * sizeof(MdMemoryDescriptor));
        sysPwrite(fd, &count, sizeof(count), list.rva);
        uint32_t at = list.rva + 4;
        for (int i = 0; i < g_threadCount; ++i) {
            const ThreadState &t = g_threads[i];
            if (t.stackSize == 0)
                continue;
            const MdMemoryDescriptor range {t.stackStart, t.stackLocation};
            sysPwrite(fd, &range, sizeof(range), at);
            at += sizeof(range);
        }
        directory[stream++] = MdDirectory {MemoryListStream, list};
    }

    // Exception.
    {
        MdExceptionStream exception;
        zero(&exception, sizeof(exception));
        exception.threadId = uint32_t(crash.tid);
        exception.exceptionRecord.exceptionCode = uint32_t(crash.signalNumber);
        exception.exceptionRecord.exceptionFlags = uint32_t(crash.code);
        exception.exceptionRecord.exceptionAddress = crash.address;
        exception.threadContext = g_threads[0].contextLocation;
        directory[stream++] = MdDirectory {ExceptionStream, out.append(&exception, sizeof(exception))};
    }

    // System information, with the kernel's name and version as the CSD text.
    {
        MdSystemInfo info;
        zero(&info, sizeof(info));
        info.processorArchitecture = kArchitectureAmd64;
        info.platformId = kPlatformLinux;
        readCpu(&info);
        uint64_t cpus[16];
        zero(cpus, sizeof(cpus));
        const long got = syscall(SYS_sched_getaffinity, 0, sizeof(cpus), cpus);
        unsigned processors = 0;
        for (long i = 0; got > 0 && i < got / 8; ++i)
            processors += unsigned(__builtin_popcountll(cpus[i]));
        info.numberOfProcessors = uint8_t(processors > 255 ? 255 : processors);
        struct utsname names;
        zero(&names, sizeof(names));
        SignalSafe::FixedText<512> csd;
        if (syscall(SYS_uname, &names) == 0) {
            const char *p = names.release;
            info.majorVersion = parseDecimal(p);
            if (*p == '.')
                ++p;
            info.minorVersion = parseDecimal(p);
            if (*p == '.')
                ++p;
            info.buildNumber = parseDecimal(p);
            csd.append(names.sysname);
            csd.append(" ");
            csd.append(names.release);
            csd.append(" ");
            csd.append(names.version);
            csd.append(" ");
            csd.append(names.machine);
        }
        info.csdVersionRva = appendString(&out, csd.data(), csd.size()).rva;
        directory[stream++] = MdDirectory {SystemInfoStream, out.append(&info, sizeof(info))};
    }

    // Modules: every mapped ELF file with executable code, from its first
    // mapping to the end of its last.
    {
        static MdModule modules[kMaxModules];
        uint32_t count = 0;
        for (int i = 0; i < g_mappingCount && count < uint32_t(kMaxModules); ++i) {
            const Mapping &m = g_mappings[i];
            if (m.offset != 0 || !isModulePath(m.path))
                continue;
            bool seenBefore = false;
            for (int k = 0; k < i && !seenBefore; ++k)
                seenBefore = g_mappings[k].offset == 0 && equal(g_mappings[k].path, m.path);
            if (seenBefore)
                continue;
            uint64_t end = m.end;
            bool executable = m.executable;
            for (int k = i + 1; k < g_mappingCount; ++k) {
                if (equal(g_mappings[k].path, m.path) && g_mappings[k].start >= m.start) {
                    end = g_mappings[k].end > end ? g_mappings[k].end : end;
                    executable = executable || g_mappings[k].executable;
                }
            }
            if (!executable)
                continue;
            MdModule &module = modules[count];
            zero(&module, sizeof(module));
            module.baseOfImage = m.start;
            module.sizeOfImage = uint32_t(end - m.start);
            module.moduleNameRva = appendString(&out, m.path, length(m.path)).rva;
            uint8_t record[4 + 64];
            copyBytes(record, &kCvSignatureElf, 4);
            const size_t idSize = readBuildId(m.path, record + 4, 64);
            if (idSize > 0)
                module.cvRecord = out.append(record, 4 + idSize);
            ++count;
        }
        const MdLocation list = out.reserve(4 + count * sizeof(MdModule));
        sysPwrite(fd, &count, sizeof(count), list.rva);
        if (count > 0)
            sysPwrite(fd, modules, count * sizeof(MdModule), list.rva + 4);
        directory[stream++] = MdDirectory {ModuleListStream, list};
    }

    // The Linux streams: maps as read above, then status and command line.
    directory[stream++] = MdDirectory {LinuxMapsStream, out.append(g_maps, g_mapsSize)};
    {
        SignalSafe::FixedText<64> path;
        procPath(&path, crash.pid, "status");
        const long size = readFile(path.data(), g_text, sizeof(g_text));
        directory[stream++]
            = MdDirectory {LinuxProcStatusStream, out.append(g_text, size > 0 ? size_t(size) : 0)};
    }
    {
        SignalSafe::FixedText<64> path;
        procPath(&path, crash.pid, "cmdline");
        const long size = readFile(path.data(), g_text, sizeof(g_text));
        directory[stream++]
            = MdDirectory {LinuxCmdLineStream, out.append(g_text, size > 0 ? size_t(size) : 0)};
    }

    MdHeader header;
    zero(&header, sizeof(header));
    header.signature = kSignature;
    header.version = kVersion;
    header.numberOfStreams = uint32_t(stream);
    header.streamDirectoryRva = sizeof(MdHeader);
    header.timeDateStamp = uint32_t(syscall(SYS_time, nullptr));
    const bool written
        = sysPwrite(fd, directory, sizeof(directory), sizeof(MdHeader)) == long(sizeof(directory))
        && sysPwrite(fd, &header, sizeof(header), 0) == long(sizeof(header));
    g_lastThreadCount = g_threadCount;
    return written && out.ok();
#endif
}
