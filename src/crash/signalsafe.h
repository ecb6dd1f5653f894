#ifndef SIGNALSAFE_H
#define SIGNALSAFE_H

#include <cstddef>
#include <cstdint>

// What code running after a crash may use: direct system calls (no locks, no
// allocation, nothing a sanitizer intercepts) and fixed-size text building.
namespace SignalSafe {

long sysOpen(const char *path, int flags, int mode);
long sysClose(int fd);
long sysRead(int fd, void *buffer, size_t size);
long sysPread(int fd, void *buffer, size_t size, int64_t offset);
long sysPwrite(int fd, const void *data, size_t size, int64_t offset);
// Writes everything, retrying short writes; false on an error.
bool writeAll(int fd, const void *data, size_t size);
// Reads up to size bytes of a whole file (such as one under /proc); -1 on error.
long readFile(const char *path, char *buffer, size_t size);
int getPid();
int getTid();
// Sleeps the given milliseconds.
void sleepMs(int milliseconds);

size_t length(const char *text);
bool equal(const char *a, const char *b);

// Text in a fixed buffer; appends past the end are cut, and the text always
// ends in a zero.
template<size_t N>
class FixedText
{
public:
    FixedText() { m_text[0] = '\0'; }

    void append(const char *text, size_t count)
    {
        for (size_t i = 0; i < count && m_length + 1 < N; ++i)
            m_text[m_length++] = text[i];
        m_text[m_length] = '\0';
    }
    void append(const char *text) { append(text, length(text)); }
    void appendNumber(uint64_t value)
    {
        char digits[24];
        size_t count = 0;
        do {
            digits[count++] = char('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0)
            append(&digits[--count], 1);
    }
    void appendHex(const uint8_t *bytes, size_t count)
    {
        static const char kHex[] = "0123456789abcdef";
        for (size_t i = 0; i < count; ++i) {
            const char pair[2] = {kHex[bytes[i] >> 4], kHex[bytes[i] & 0xf]};
            append(pair, 2);
        }
    }

    const char *data() const { return m_text; }
    size_t size() const { return m_length; }

private:
    char m_text[N];
    size_t m_length = 0;
};

} // namespace SignalSafe

#endif // SIGNALSAFE_H
