#include "virtualnumber.h"

#include "prefixprovider.h"

VirtualNumber::VirtualNumber(const QString &number, const QString &countryCode, const QDate &expirationDate,
                             const PrefixProvider *prefixProvider)
    : m_number(number)
    , m_flag(prefixProvider ? prefixProvider->flagForCountryCode(countryCode) : QPixmap())
    , m_expirationDate(expirationDate)
{ }
