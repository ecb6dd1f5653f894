#include "plixtalk.h"

#include "util/tracelog.h"

namespace talk {

PlixTalk::PlixTalk(QObject *parent)
    : QObject(parent)
{
}

PlixTalk::~PlixTalk() = default;

ProxySettings PlixTalk::proxySettings() const
{
    // Without a loaded library the session runs with the default settings.
    return ProxySettings();
}

QString PlixTalk::logsDir()
{
    return TraceLog::logDirectory();
}

QString PlixTalk::traceLogFilePath()
{
    return TraceLog::logFilePath();
}

QString PlixTalk::talkLogFilePath()
{
    return QStringLiteral("%0/%1").arg(logsDir(), QStringLiteral("plixtalk.log"));
}

QString PlixTalk::xmppLogFilePath()
{
    return QStringLiteral("%0/%1").arg(logsDir(), QStringLiteral("plixxmpp.log"));
}

} // namespace talk
