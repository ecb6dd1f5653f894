#include "signalsafe.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace SignalSafe {

long sysOpen(const char *path, int flags, int mode)
{
    return syscall(SYS_openat, AT_FDCWD, path, flags, mode);
}

long sysClose(int fd)
{
    return syscall(SYS_close, fd);
}

long sysRead(int fd, void *buffer, size_t size)
{
    return syscall(SYS_read, fd, buffer, size);
}

long sysPread(int fd, void *buffer, size_t size, int64_t offset)
{
    return syscall(SYS_pread64, fd, buffer, size, offset);
}

long sysPwrite(int fd, const void *data, size_t size, int64_t offset)
{
    return syscall(SYS_pwrite64, fd, data, size, offset);
}

bool writeAll(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const long written = syscall(SYS_write, fd, p, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        p += written;
        size -= size_t(written);
    }
    return true;
}

long readFile(const char *path, char *buffer, size_t size)
{
    const int fd = int(sysOpen(path, O_RDONLY | O_CLOEXEC, 0));
    if (fd < 0)
        return -1;
    size_t total = 0;
    while (total < size) {
        const long got = sysRead(fd, buffer + total, size - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += size_t(got);
    }
    sysClose(fd);
    return long(total);
}

int getPid()
{
    return int(syscall(SYS_getpid));
}

int getTid()
{
    return int(syscall(SYS_gettid));
}

void sleepMs(int milliseconds)
{
    timespec wait {milliseconds / 1000, long(milliseconds % 1000) * 1000000L};
    syscall(SYS_nanosleep, &wait, nullptr);
}

size_t length(const char *text)
{
    size_t n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

bool equal(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

} // namespace SignalSafe
