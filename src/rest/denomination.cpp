#include "rest/denomination.h"

Denomination::Denomination()
    : RestObj("com.dravomesh.phone.integration.Denomination")
{ }

Denomination::Denomination(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.Denomination"))
{
    Denomination::fromVariant(value);
}

Denomination &Denomination::operator=(const Denomination &other)
{
    m_value = other.m_value;
    m_type = other.m_type;
    return *this;
}

QVariant Denomination::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("value"), m_value);
    map.insert(QStringLiteral("type"), m_type);
    return map;
}

void Denomination::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    // Read wide, keep the low 32 bits.
    m_value = static_cast<int>(static_cast<quint32>(readLongLong(map, QStringLiteral("value"))));
    m_type = readInt(map, QStringLiteral("type"));
}

QDebug operator<<(QDebug dbg, const Denomination &denomination)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "Denomination{"
                << " value:" << denomination.value() << ", type:" << denomination.type()
                << ", errorMessage:" << denomination.errorMessage() << "}";
    return dbg;
}
