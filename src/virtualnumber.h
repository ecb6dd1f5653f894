#ifndef VIRTUALNUMBER_H
#define VIRTUALNUMBER_H

#include <QDate>
#include <QPixmap>
#include <QString>

class OnlineNumber;
class PrefixProvider;

// One of the account's virtual numbers as the pages show it.
class VirtualNumber
{
public:
    // The record's number and expiry; the flag of the country the number's
    // prefix belongs to in the program's country table.
    explicit VirtualNumber(const OnlineNumber &onlineNumber);
    // The flag is the one of the country code in the given table (null without a table).
    VirtualNumber(const QString &number, const QString &countryCode, const QDate &expirationDate,
                  const PrefixProvider *prefixProvider);

    QString number() const { return m_number; }
    QPixmap flag() const { return m_flag; }
    QDate expirationDate() const { return m_expirationDate; }
    void setExpirationDate(const QDate &expirationDate) { m_expirationDate = expirationDate; }

private:
    QString m_number;
    QPixmap m_flag;
    QDate m_expirationDate;
};

#endif // VIRTUALNUMBER_H
