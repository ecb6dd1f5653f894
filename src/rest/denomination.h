#ifndef REST_DENOMINATION_H
#define REST_DENOMINATION_H

#include "rest/restobj.h"

// A price step: a value and a type, held inside a voicemail subscription.
class Denomination : public RestObj
{
public:
    Denomination();
    explicit Denomination(const QVariant &value);
    Denomination(const Denomination &other) = default;
    // Takes value and type only: the target keeps its class name and errors.
    Denomination &operator=(const Denomination &other);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    int value() const { return m_value; }
    void setValue(int value) { m_value = value; }
    int type() const { return m_type; }
    void setType(int type) { m_type = type; }

private:
    int m_value = 0;
    int m_type = 0;
};

QDebug operator<<(QDebug dbg, const Denomination &denomination);

Q_DECLARE_METATYPE(Denomination)

#endif // REST_DENOMINATION_H
