#ifndef REST_PHONENUMBER_H
#define REST_PHONENUMBER_H

#include "rest/restobj.h"

// One telephone number of a contact with its kind. The kind travels as text
// ("HOME", "WORK", "CELL"); a text the client does not know is kept as it is
// and reported as home.
class PhoneNumber : public RestObj
{
public:
    enum Type { Home = 0, Work = 1, Cell = 2 };

    PhoneNumber();
    explicit PhoneNumber(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    int type() const { return m_type; }
    void setType(int type);
    const QString &typeText() const { return m_typeText; }
    void setTypeText(const QString &text);
    const QString &number() const { return m_number; }
    void setNumber(const QString &number) { m_number = number; }

private:
    int m_type = Home;
    QString m_typeText;
    QString m_number;
};

QDebug operator<<(QDebug dbg, const PhoneNumber &phone);

Q_DECLARE_METATYPE(PhoneNumber)

#endif // REST_PHONENUMBER_H
