#include "ui/samefields.h"

#include "rest/contact.h"

#include <algorithm>

QList<int> SameFields::values() const
{
    QList<int> list(m_fields.cbegin(), m_fields.cend());
    std::sort(list.begin(), list.end());
    return list;
}

bool SameFields::sameName(const Contact &a, const Contact &b)
{
    if (a.firstName().trimmed().toLower() != b.firstName().trimmed().toLower())
        return false;
    // Emptiness is judged on the names as given, before trimming.
    if (a.lastName().isEmpty() || b.lastName().isEmpty())
        return a.lastName().isEmpty() && b.lastName().isEmpty();
    return a.lastName().trimmed().toLower() == b.lastName().trimmed().toLower();
}

bool SameFields::sharedEmail(const Contact &a, const Contact &b)
{
    for (const QString &email : a.emails()) {
        if (!email.isEmpty() && b.emails().contains(email))
            return true;
    }
    return false;
}

bool SameFields::sharedPhone(const Contact &a, const Contact &b)
{
    for (const PhoneNumber &mine : a.phones()) {
        if (mine.number().isEmpty())
            continue;
        for (const PhoneNumber &theirs : b.phones()) {
            if (theirs.number() == mine.number())
                return true;
        }
    }
    return false;
}

QDebug operator<<(QDebug dbg, const SameFields &fields)
{
    QDebugStateSaver saver(dbg);
    dbg.nospace() << "SameFields" << fields.values();
    return dbg;
}
