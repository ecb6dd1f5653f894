#ifndef REST_CALLINGCARD_H
#define REST_CALLINGCARD_H

#include "rest/balance.h"
#include "rest/restobj.h"

// A calling card: number, partition code, product name and its balance.
class CallingCard : public RestObj
{
public:
    CallingCard();
    explicit CallingCard(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &number() const { return m_number; }
    void setNumber(const QString &number) { m_number = number; }
    const QString &partitionCode() const { return m_partitionCode; }
    void setPartitionCode(const QString &partitionCode) { m_partitionCode = partitionCode; }
    const QString &productName() const { return m_productName; }
    void setProductName(const QString &productName) { m_productName = productName; }
    const Balance &balance() const { return m_balance; }
    void setBalance(const Balance &balance) { m_balance = balance; }

private:
    QString m_number;
    QString m_partitionCode;
    QString m_productName;
    Balance m_balance;
};

QDebug operator<<(QDebug dbg, const CallingCard &card);

Q_DECLARE_METATYPE(CallingCard)

#endif // REST_CALLINGCARD_H
