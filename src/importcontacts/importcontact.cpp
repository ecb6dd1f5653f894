#include "importcontacts/importcontact.h"

#include <QDebug>

QString ImportContact::typeName() const
{
    switch (type) {
    case Google:
        return QStringLiteral("GMail");
    case Yahoo:
        return QStringLiteral("Yahoo!");
    default:
        return QString();
    }
}

QString ImportContact::displayName() const
{
    QString name = firstName;
    if (!lastName.isEmpty()) {
        if (!name.isEmpty())
            name += QLatin1Char(' ');
        name += lastName;
    }
    if (name.isEmpty())
        return emails.value(0);
    return name;
}

bool operator<(const ImportContact &a, const ImportContact &b)
{
    if (a.firstName != b.firstName)
        return a.firstName < b.firstName;
    return a.lastName < b.lastName;
}

QDebug operator<<(QDebug dbg, const ImportContact &contact)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace().noquote() << "ImportContact { type:\"" << contact.typeName() << '"';
    const QList<QPair<const char *, bool>> fields = {
        {"firstName", !contact.firstName.isEmpty()}, {"middleName", !contact.middleName.isEmpty()},
        {"lastName", !contact.lastName.isEmpty()},   {"nickName", !contact.nickName.isEmpty()},
        {"email", !contact.emails.isEmpty()},        {"phone", !contact.phones.isEmpty()},
        {"address", !contact.address.isEmpty()},
    };
    for (const auto &field : fields) {
        if (field.second)
            dbg << ", " << field.first;
    }
    dbg << " }";
    return dbg;
}
