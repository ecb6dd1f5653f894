#include "rest/account.h"

#include "util/trace.h"

Account::Account()
    : RestObj("com.dravomesh.phone.integration.Account")
{ }

Account::Account(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.Account"))
{
    Account::fromVariant(value);
}

QVariant Account::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("companyId"), m_companyId);
    map.insert(QStringLiteral("country"), m_country);
    map.insert(QStringLiteral("emails"), m_emails);
    map.insert(QStringLiteral("language"), m_language);
    map.insert(QStringLiteral("lastName"), m_lastName);
    map.insert(QStringLiteral("firstName"), m_firstName);
    map.insert(QStringLiteral("username"), m_username);
    map.insert(QStringLiteral("password"), m_password);
    map.insert(QStringLiteral("sipDomain"), m_sipDomain);
    map.insert(QStringLiteral("sipUser"), m_sipUser);
    map.insert(QStringLiteral("sipPassword"), m_sipPassword);
    map.insert(QStringLiteral("phones"), m_phones);
    return map;
}

void Account::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_companyId = readText(map, QStringLiteral("companyId"));
    m_country = readText(map, QStringLiteral("country"));
    m_emails = readTextList(map, QStringLiteral("emails"));
    m_language = readText(map, QStringLiteral("language"));
    m_lastName = readText(map, QStringLiteral("lastName"));
    m_firstName = readText(map, QStringLiteral("firstName"));
    m_username = readText(map, QStringLiteral("username"));
    m_password = readText(map, QStringLiteral("password"));
    m_sipDomain = readText(map, QStringLiteral("sipDomain"));
    m_sipUser = readText(map, QStringLiteral("sipUser"));
    m_sipPassword = readText(map, QStringLiteral("sipPassword"));
    m_phones = readTextList(map, QStringLiteral("phones"));
}

QDebug operator<<(QDebug dbg, const Account &account)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "Account{"
                << " companyId:" << account.companyId() << ", country:" << account.country()
                << ", emails:" << RestDebug::list(Trace::tags(account.emails()))
                << ", firstName:" << Trace::tag(account.firstName())
                << ", lastName:" << Trace::tag(account.lastName()) << ", language:" << account.language()
                << ", username" << Trace::tag(account.username()) << ", password" << TRACE_PASSWORD_MASK
                << ", phones:" << RestDebug::list(Trace::tags(account.phones()))
                << ", errorMessage:" << account.errorMessage() << "}";
    return dbg;
}
