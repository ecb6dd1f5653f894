#ifndef REST_ONLINENUMBER_H
#define REST_ONLINENUMBER_H

#include "rest/restobj.h"

// One virtual number of the account with its expiry date and status. The
// service sends the expiry as milliseconds since the epoch; only the local
// date is kept.
class OnlineNumber : public RestObj
{
public:
    OnlineNumber();
    explicit OnlineNumber(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &number() const { return m_number; }
    void setNumber(const QString &number) { m_number = number; }
    const QDate &expirationDate() const { return m_expirationDate; }
    void setExpirationDate(const QDate &expirationDate) { m_expirationDate = expirationDate; }
    const QString &status() const { return m_status; }
    void setStatus(const QString &status) { m_status = status; }

private:
    QString m_number;
    QDate m_expirationDate;
    QString m_status;
};

QDebug operator<<(QDebug dbg, const OnlineNumber &number);

Q_DECLARE_METATYPE(OnlineNumber)

#endif // REST_ONLINENUMBER_H
