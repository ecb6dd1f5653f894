#ifndef REST_BALANCE_H
#define REST_BALANCE_H

#include "rest/restobj.h"

// The account's credit with its currency.
class Balance : public RestObj
{
public:
    Balance();
    explicit Balance(const QVariant &value);
    Balance(const Balance &other) = default;
    // Takes the amount only: the target keeps its class name and errors.
    Balance &operator=(const Balance &other);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    double credit() const { return m_credit; }
    void setCredit(double credit) { m_credit = credit; }
    const QString &currency() const { return m_currency; }
    void setCurrency(const QString &currency) { m_currency = currency; }
    const QString &currencySymbol() const { return m_currencySymbol; }
    void setCurrencySymbol(const QString &currencySymbol) { m_currencySymbol = currencySymbol; }

private:
    double m_credit = 0.0;
    QString m_currency;
    QString m_currencySymbol;
};

QDebug operator<<(QDebug dbg, const Balance &balance);

Q_DECLARE_METATYPE(Balance)

#endif // REST_BALANCE_H
