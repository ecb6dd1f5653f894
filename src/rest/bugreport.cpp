#include "rest/bugreport.h"

#include "util/trace.h"

BugReport::BugReport()
    : RestObj("com.dravomesh.phone.integration.BugReport")
{ }

BugReport::BugReport(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.BugReport"))
{
    BugReport::fromVariant(value);
}

QVariant BugReport::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("accountName"), m_accountName);
    map.insert(QStringLiteral("userMessage"), m_userMessage);
    map.insert(QStringLiteral("fileName"), m_fileName);
    return map;
}

void BugReport::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_accountName = readText(map, QStringLiteral("accountName"));
    m_userMessage = readText(map, QStringLiteral("userMessage"));
    m_fileName = readText(map, QStringLiteral("fileName"));
}

QDebug operator<<(QDebug dbg, const BugReport &report)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "BugReport{"
                << " accountName:" << Trace::tag(report.accountName()) << ", fileName:" << report.fileName()
                << ", userMessage:" << Trace::tag(report.userMessage())
                << ", errorMessage:" << report.errorMessage() << "}";
    return dbg;
}
