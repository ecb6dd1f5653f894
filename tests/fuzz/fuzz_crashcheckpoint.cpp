// libFuzzer target for the crash report checkpoint reader: the file sits in
// the user's data folder, where anything may have changed it.
//
// Besides crashes and sanitizer findings it checks that an accepted file
// starts with the "GBP1" line and that what the sender would write back
// reads back to the same values.

#include "crash/crashreportsender.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &text)
{
    std::fprintf(stderr, "fuzz_crashcheckpoint: %s\n%s\n", what, text.toHex().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    int date = 1234;
    int count = 5678;
    if (!CrashReportSender::parseCheckpoint(text, &date, &count)) {
        if (date != 1234 || count != 5678)
            fail("a refused file changed the values", text);
        if (text.startsWith("GBP1\n"))
            fail("a file with the right first line was refused", text);
        return 0;
    }
    if (!text.startsWith("GBP1\n"))
        fail("a file without the first line was accepted", text);

    const QByteArray written = CrashReportSender::formatCheckpoint(date, count);
    int dateBack = 0;
    int countBack = 0;
    if (!CrashReportSender::parseCheckpoint(written, &dateBack, &countBack))
        fail("a written checkpoint was refused", written);
    if (dateBack != date || (date != -1 && countBack != count))
        fail("a written checkpoint reads back to other values", written);
    return 0;
}
