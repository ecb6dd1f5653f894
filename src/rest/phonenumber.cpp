#include "rest/phonenumber.h"

#include "util/trace.h"

namespace {

int typeFromText(const QString &text)
{
    if (text == QLatin1String("WORK"))
        return PhoneNumber::Work;
    if (text == QLatin1String("CELL"))
        return PhoneNumber::Cell;
    return PhoneNumber::Home;
}

} // namespace

PhoneNumber::PhoneNumber()
    : RestObj("com.dravomesh.phone.integration.PhoneNumber")
    , m_typeText(QStringLiteral("HOME"))
{ }

PhoneNumber::PhoneNumber(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.PhoneNumber"))
    , m_typeText(QStringLiteral("HOME"))
{
    PhoneNumber::fromVariant(value);
}

QVariant PhoneNumber::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("type"), m_typeText);
    map.insert(QStringLiteral("number"), m_number);
    return map;
}

void PhoneNumber::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    setTypeText(readText(map, QStringLiteral("type")));
    m_number = readText(map, QStringLiteral("number"));
}

void PhoneNumber::setType(int type)
{
    m_type = type;
    switch (type) {
    case Work:
        m_typeText = QStringLiteral("WORK");
        break;
    case Cell:
        m_typeText = QStringLiteral("CELL");
        break;
    default:
        m_typeText = QStringLiteral("HOME");
        break;
    }
}

void PhoneNumber::setTypeText(const QString &text)
{
    m_typeText = text;
    m_type = typeFromText(text);
}

QDebug operator<<(QDebug dbg, const PhoneNumber &phone)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "PhoneNumber{"
                << "number:" << Trace::tag(phone.number()) << ", type" << phone.typeText()
                << ", errorMessage:" << phone.errorMessage() << "}";
    return dbg;
}
