#include "rest/sms.h"

#include "util/trace.h"

SMS::SMS()
    : RestObj("com.dravomesh.phone.integration.SMS")
{ }

SMS::SMS(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.SMS"))
{
    SMS::fromVariant(value);
}

QVariant SMS::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("destinationNumbers"), m_destinationNumbers);
    map.insert(QStringLiteral("text"), m_text);
    return map;
}

void SMS::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_destinationNumbers = readTextList(map, QStringLiteral("destinationNumbers"));
    m_text = readText(map, QStringLiteral("text"));
}

QDebug operator<<(QDebug dbg, const SMS &sms)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "SMS{"
                << " destinationNumbers:" << RestDebug::list(Trace::tags(sms.destinationNumbers()))
                << ", text:" << Trace::tag(sms.text()) << ", errorMessage:" << sms.errorMessage() << "}";
    return dbg;
}
