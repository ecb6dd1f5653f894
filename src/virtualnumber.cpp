#include "virtualnumber.h"

#include "prefixprovider.h"
#include "rest/onlinenumber.h"
#include "ui/countrytable.h"

VirtualNumber::VirtualNumber(const QString &number, const QString &countryCode, const QDate &expirationDate,
                             const PrefixProvider *prefixProvider)
    : m_number(number)
    , m_flag(prefixProvider ? prefixProvider->flagForCountryCode(countryCode) : QPixmap())
    , m_expirationDate(expirationDate)
{ }

VirtualNumber::VirtualNumber(const OnlineNumber &onlineNumber)
    : m_number(onlineNumber.number())
    , m_expirationDate(onlineNumber.expirationDate())
{
    if (const PrefixProvider *table = countryTable())
        m_flag = table->flagForNumber(m_number);
}
