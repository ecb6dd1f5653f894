#include "rest/balance.h"

Balance::Balance()
    : RestObj("com.dravomesh.phone.integration.Balance")
{ }

Balance::Balance(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.Balance"))
{
    Balance::fromVariant(value);
}

Balance &Balance::operator=(const Balance &other)
{
    m_credit = other.m_credit;
    m_currency = other.m_currency;
    m_currencySymbol = other.m_currencySymbol;
    return *this;
}

QVariant Balance::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("credit"), m_credit);
    map.insert(QStringLiteral("currency"), m_currency);
    map.insert(QStringLiteral("currencySymbol"), m_currencySymbol);
    return map;
}

void Balance::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_credit = readReal(map, QStringLiteral("credit"));
    m_currency = readText(map, QStringLiteral("currency"));
    m_currencySymbol = readText(map, QStringLiteral("currencySymbol"));
}

QDebug operator<<(QDebug dbg, const Balance &balance)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "Balance{"
                << " credit:" << balance.credit() << ", currency:" << balance.currency()
                << ", currencySymbol:" << balance.currencySymbol()
                << ", errorMessage:" << balance.errorMessage() << "}";
    return dbg;
}
