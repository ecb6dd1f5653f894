#include "rest/callingcard.h"

#include "util/trace.h"

CallingCard::CallingCard()
    : RestObj("com.dravomesh.phone.integration.CallingCard")
{ }

CallingCard::CallingCard(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.CallingCard"))
{
    CallingCard::fromVariant(value);
}

QVariant CallingCard::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("number"), m_number);
    map.insert(QStringLiteral("partitionCode"), m_partitionCode);
    map.insert(QStringLiteral("productName"), m_productName);
    map.insert(QStringLiteral("balance"), m_balance.toVariantMap());
    return map;
}

void CallingCard::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_number = readText(map, QStringLiteral("number"));
    m_partitionCode = readText(map, QStringLiteral("partitionCode"));
    m_productName = readText(map, QStringLiteral("productName"));
    // The nested record's own error information is not kept.
    m_balance = Balance(map.value(QStringLiteral("balance")));
}

QDebug operator<<(QDebug dbg, const CallingCard &card)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "CallingCard{"
                << " balance:" << card.balance() << ", number:" << Trace::tag(card.number())
                << ", partitionCode:" << Trace::tag(card.partitionCode())
                << ", productName:" << card.productName() << ", errorMessage:" << card.errorMessage() << "}";
    return dbg;
}
