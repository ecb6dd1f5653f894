#include "rest/contact.h"

#include "util/trace.h"

#include <QDateTime>

Contact::Contact()
    : RestObj("com.dravomesh.phone.integration.Contact")
{ }

Contact::Contact(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.Contact"))
{
    Contact::fromVariant(value);
}

QVariant Contact::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("nick"), m_nick);
    map.insert(QStringLiteral("groupName"), m_groupName);
    map.insert(QStringLiteral("firstName"), m_firstName);
    map.insert(QStringLiteral("lastName"), m_lastName);
    map.insert(QStringLiteral("addressLine1"), m_addressLine1);
    map.insert(QStringLiteral("addressLine2"), m_addressLine2);
    map.insert(QStringLiteral("city"), m_city);
    map.insert(QStringLiteral("state"), m_state);
    map.insert(QStringLiteral("postalCode"), m_postalCode);
    map.insert(QStringLiteral("country"), m_country);
    map.insert(QStringLiteral("emails"), m_emails);
    map.insert(QStringLiteral("birthDate"), m_birthDate);
    // Without phones the key is left out, not written as an empty array.
    if (!m_phones.isEmpty()) {
        QVariantList phones;
        phones.reserve(m_phones.size());
        for (const PhoneNumber &phone : m_phones)
            phones.append(phone.toVariantMap());
        map.insert(QStringLiteral("phones"), phones);
    }
    map.insert(QStringLiteral("sipUser"), m_sipUser);
    return map;
}

void Contact::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_nick = readText(map, QStringLiteral("nick"));
    m_groupName = readText(map, QStringLiteral("groupName"));
    m_firstName = readText(map, QStringLiteral("firstName"));
    m_lastName = readText(map, QStringLiteral("lastName"));
    m_addressLine1 = readText(map, QStringLiteral("addressLine1"));
    m_addressLine2 = readText(map, QStringLiteral("addressLine2"));
    m_city = readText(map, QStringLiteral("city"));
    m_state = readText(map, QStringLiteral("state"));
    m_postalCode = readText(map, QStringLiteral("postalCode"));
    m_country = readText(map, QStringLiteral("country"));
    m_emails = readTextList(map, QStringLiteral("emails"));
    m_birthDate = readDate(map, QStringLiteral("birthDate"));
    m_phones.clear();
    const QVariantList phones = readList(map, QStringLiteral("phones"));
    for (const QVariant &phone : phones)
        m_phones.append(PhoneNumber(phone));
    m_sipUser = readText(map, QStringLiteral("sipUser"));
}

QString Contact::displayName() const
{
    QString name = m_firstName;
    if (!m_lastName.isEmpty()) {
        if (!name.isEmpty())
            name += QLatin1Char(' ');
        name += m_lastName;
    } else if (name.isEmpty()) {
        name = m_nick;
    }
    return name;
}

QString Contact::generateNick() const
{
    // Imports bring contacts with an e-mail address only.
    QString stem = !m_firstName.isEmpty() ? m_firstName : m_lastName;
    for (auto email = m_emails.cbegin(); stem.isEmpty() && email != m_emails.cend(); ++email)
        stem = email->section(QLatin1Char('@'), 0, 0);
    if (stem.isEmpty())
        stem = QStringLiteral("contact");
    const QString number = m_phones.isEmpty() ? QString() : m_phones.first().number();
    return stem + number + QString::number(QDateTime::currentMSecsSinceEpoch());
}

QStringList Contact::phoneNumbers() const
{
    QStringList numbers;
    numbers.reserve(m_phones.size());
    for (const PhoneNumber &phone : m_phones)
        numbers << phone.number();
    return numbers;
}

QVariantList Contact::phoneTypes() const
{
    QVariantList types;
    types.reserve(m_phones.size());
    for (const PhoneNumber &phone : m_phones)
        types << phone.type();
    return types;
}

QDebug operator<<(QDebug dbg, const Contact &contact)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "Contact{"
                << " country:" << contact.country()
                << ", emails:" << RestDebug::list(Trace::tags(contact.emails()))
                << ", firstName:" << Trace::tag(contact.firstName())
                << ", lastName:" << Trace::tag(contact.lastName())
                << ", phones:" << RestDebug::list(contact.phones())
                << ", addressLine1:" << Trace::tag(contact.addressLine1()) << ", addressLine2"
                << Trace::tag(contact.addressLine2()) << ", city:" << Trace::tag(contact.city())
                << ", postalCode:" << Trace::tag(contact.postalCode())
                << ", birthDate:" << Trace::tag(RestDebug::date(contact.birthDate()))
                << ", nick:" << Trace::tag(contact.nick()) << ", errorMessage:" << contact.errorMessage()
                << "}";
    return dbg;
}
