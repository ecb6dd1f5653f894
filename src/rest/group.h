#ifndef REST_GROUP_H
#define REST_GROUP_H

#include "rest/restobj.h"

// A named group of the address book.
class Group : public RestObj
{
public:
    Group();
    explicit Group(const QString &name);
    explicit Group(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

private:
    QString m_name;
};

QDebug operator<<(QDebug dbg, const Group &group);

Q_DECLARE_METATYPE(Group)

#endif // REST_GROUP_H
