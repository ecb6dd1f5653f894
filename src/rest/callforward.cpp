#include "rest/callforward.h"

#include "util/trace.h"

CallForward::CallForward()
    : RestObj("com.dravomesh.phone.integration.CallForward")
{ }

CallForward::CallForward(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.CallForward"))
{
    CallForward::fromVariant(value);
}

QVariant CallForward::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("number"), m_number);
    map.insert(QStringLiteral("dayStart"), m_dayStart);
    map.insert(QStringLiteral("hourStart"), m_hourStart);
    map.insert(QStringLiteral("dayEnd"), m_dayEnd);
    map.insert(QStringLiteral("hourEnd"), m_hourEnd);
    map.insert(QStringLiteral("forwardOnBusy"), m_forwardOnBusy);
    map.insert(QStringLiteral("forwardOnNoAnswer"), m_forwardOnNoAnswer);
    map.insert(QStringLiteral("forwardOnUnavailable"), m_forwardOnUnavailable);
    map.insert(QStringLiteral("forwardUnconditionally"), m_forwardUnconditionally);
    map.insert(QStringLiteral("ringTimer"), m_ringTimer);
    return map;
}

void CallForward::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_number = readText(map, QStringLiteral("number"));
    m_dayStart = readInt(map, QStringLiteral("dayStart"));
    m_hourStart = readInt(map, QStringLiteral("hourStart"));
    m_dayEnd = readInt(map, QStringLiteral("dayEnd"));
    m_hourEnd = readInt(map, QStringLiteral("hourEnd"));
    m_forwardOnBusy = readFlag(map, QStringLiteral("forwardOnBusy"));
    m_forwardOnNoAnswer = readFlag(map, QStringLiteral("forwardOnNoAnswer"));
    m_forwardOnUnavailable = readFlag(map, QStringLiteral("forwardOnUnavailable"));
    m_forwardUnconditionally = readFlag(map, QStringLiteral("forwardUnconditionally"));
    m_ringTimer = readInt(map, QStringLiteral("ringTimer"));
}

QDebug operator<<(QDebug dbg, const CallForward &forward)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "CallForward{"
                << " number:" << Trace::tag(forward.number()) << ", dayStart:" << forward.dayStart()
                << ", hourStart:" << forward.hourStart() << ", dayEnd:" << forward.dayEnd()
                << ", hourEnd:" << forward.hourEnd() << ", forwardOnBusy:" << forward.forwardOnBusy()
                << ", forwardOnNoAnswer:" << forward.forwardOnNoAnswer()
                << ", forwardOnUnavailable:" << forward.forwardOnUnavailable()
                << ", forwardUnconditionally:" << forward.forwardUnconditionally()
                << ", ringTimer:" << forward.ringTimer() << ", errorMessage:" << forward.errorMessage()
                << "}";
    return dbg;
}
