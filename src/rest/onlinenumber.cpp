#include "rest/onlinenumber.h"

#include "util/trace.h"

#include <QDateTime>

OnlineNumber::OnlineNumber()
    : RestObj("com.dravomesh.phone.integration.OnlineNumber")
{ }

OnlineNumber::OnlineNumber(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.OnlineNumber"))
{
    OnlineNumber::fromVariant(value);
}

QVariant OnlineNumber::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("number"), m_number);
    // Local midnight at the start of the date; a null date goes out as the
    // epoch, the value a missing key reads as.
    const qlonglong expiration
        = m_expirationDate.isValid() ? m_expirationDate.startOfDay().toMSecsSinceEpoch() : 0;
    map.insert(QStringLiteral("expirationDate"), expiration);
    map.insert(QStringLiteral("status"), m_status);
    return map;
}

void OnlineNumber::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_number = readText(map, QStringLiteral("number"));
    const qulonglong expiration = readULongLong(map, QStringLiteral("expirationDate"));
    m_expirationDate = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(expiration)).date();
    m_status = readText(map, QStringLiteral("status"));
}

QDebug operator<<(QDebug dbg, const OnlineNumber &number)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "OnlineNumber{"
                << " number:" << Trace::tag(number.number()) << ", status:" << number.status()
                << ", expirationDate:" << RestDebug::date(number.expirationDate())
                << ", errorMessage:" << number.errorMessage() << "}";
    return dbg;
}
