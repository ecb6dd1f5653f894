#ifndef REST_ACCOUNT_H
#define REST_ACCOUNT_H

#include "rest/restobj.h"

// The customer's account as the service returns it after login, and the body
// of the account-creation request. sipUser, sipDomain and sipPassword are the
// talk-service credentials.
class Account : public RestObj
{
public:
    Account();
    explicit Account(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &companyId() const { return m_companyId; }
    void setCompanyId(const QString &companyId) { m_companyId = companyId; }
    const QString &country() const { return m_country; }
    void setCountry(const QString &country) { m_country = country; }
    const QStringList &emails() const { return m_emails; }
    void setEmails(const QStringList &emails) { m_emails = emails; }
    const QString &language() const { return m_language; }
    void setLanguage(const QString &language) { m_language = language; }
    const QString &lastName() const { return m_lastName; }
    void setLastName(const QString &lastName) { m_lastName = lastName; }
    const QString &firstName() const { return m_firstName; }
    void setFirstName(const QString &firstName) { m_firstName = firstName; }
    const QString &username() const { return m_username; }
    void setUsername(const QString &username) { m_username = username; }
    const QString &password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }
    const QString &sipDomain() const { return m_sipDomain; }
    void setSipDomain(const QString &sipDomain) { m_sipDomain = sipDomain; }
    const QString &sipUser() const { return m_sipUser; }
    void setSipUser(const QString &sipUser) { m_sipUser = sipUser; }
    const QString &sipPassword() const { return m_sipPassword; }
    void setSipPassword(const QString &sipPassword) { m_sipPassword = sipPassword; }
    const QStringList &phones() const { return m_phones; }
    void setPhones(const QStringList &phones) { m_phones = phones; }

private:
    QString m_companyId;
    QString m_country;
    QStringList m_emails;
    QString m_language;
    QString m_lastName;
    QString m_firstName;
    QString m_username;
    QString m_password;
    QString m_sipDomain;
    QString m_sipUser;
    QString m_sipPassword;
    QStringList m_phones;
};

// The password is masked.
QDebug operator<<(QDebug dbg, const Account &account);

Q_DECLARE_METATYPE(Account)

#endif // REST_ACCOUNT_H
