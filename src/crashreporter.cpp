#include "crashreporter.h"

#include "util/trace.h"

// Builds that can write and upload minidumps define their own identifier.
#ifndef LINKORA_CRASH_BUILD_ID
#define LINKORA_CRASH_BUILD_ID "none"
#endif

namespace {

int s_instanceCount = 0;

} // namespace

CrashReporter::CrashReporter(QObject *parent)
    : QObject(parent)
{
    ++s_instanceCount;
    if (buildId() != QLatin1String("none"))
        setup();
}

CrashReporter::~CrashReporter()
{
    --s_instanceCount;
}

int CrashReporter::instanceCount()
{
    return s_instanceCount;
}

QString CrashReporter::buildId()
{
    return QStringLiteral(LINKORA_CRASH_BUILD_ID);
}

void CrashReporter::setup()
{
    // No minidump writer is available to this build yet.
    TRACE_NOTIMPL;
}
