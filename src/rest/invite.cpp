#include "rest/invite.h"

#include "util/trace.h"

Invite::Invite()
    : RestObj("com.dravomesh.phone.integration.Invite")
{ }

Invite::Invite(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.Invite"))
{
    Invite::fromVariant(value);
}

QVariant Invite::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("fromEmail"), m_fromEmail);
    map.insert(QStringLiteral("toEmails"), m_toEmails);
    map.insert(QStringLiteral("fullName"), m_fullName);
    map.insert(QStringLiteral("userSubject"), m_userSubject);
    map.insert(QStringLiteral("userMessage"), m_userMessage);
    map.insert(QStringLiteral("showNumberOfContacts"), m_showNumberOfContacts);
    map.insert(QStringLiteral("numberOfContacts"), m_numberOfContacts);
    map.insert(QStringLiteral("showCityOrCountry"), m_showCityOrCountry);
    map.insert(QStringLiteral("showPhoneNumber"), m_showPhoneNumber);
    map.insert(QStringLiteral("showPlixShopDetails"), m_showPlixShopDetails);
    map.insert(QStringLiteral("showPlixNumbersDetails"), m_showPlixNumbersDetails);
    map.insert(QStringLiteral("showCallForwardingDetails"), m_showCallForwardingDetails);
    map.insert(QStringLiteral("showVoicemailDetails"), m_showVoicemailDetails);
    return map;
}

void Invite::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_fromEmail = readText(map, QStringLiteral("fromEmail"));
    m_toEmails = readTextList(map, QStringLiteral("toEmails"));
    m_fullName = readText(map, QStringLiteral("fullName"));
    m_userSubject = readText(map, QStringLiteral("userSubject"));
    m_userMessage = readText(map, QStringLiteral("userMessage"));
    m_showNumberOfContacts = readFlag(map, QStringLiteral("showNumberOfContacts"));
    m_numberOfContacts = readInt(map, QStringLiteral("numberOfContacts"));
    m_showCityOrCountry = readFlag(map, QStringLiteral("showCityOrCountry"));
    m_showPhoneNumber = readFlag(map, QStringLiteral("showPhoneNumber"));
    m_showPlixShopDetails = readFlag(map, QStringLiteral("showPlixShopDetails"));
    m_showPlixNumbersDetails = readFlag(map, QStringLiteral("showPlixNumbersDetails"));
    m_showCallForwardingDetails = readFlag(map, QStringLiteral("showCallForwardingDetails"));
    m_showVoicemailDetails = readFlag(map, QStringLiteral("showVoicemailDetails"));
}

QDebug operator<<(QDebug dbg, const Invite &invite)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "Invite{"
                << "fullName:" << Trace::tag(invite.fullName())
                << ", fromEmail:" << Trace::tag(invite.fromEmail())
                << ", toEmails:" << RestDebug::list(Trace::tags(invite.toEmails()))
                << ", userSubject:" << Trace::tag(invite.userSubject())
                << ", userMessage:" << Trace::tag(invite.userMessage())
                << ", errorMessage:" << invite.errorMessage() << "}";
    return dbg;
}
