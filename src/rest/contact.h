#ifndef REST_CONTACT_H
#define REST_CONTACT_H

#include "rest/phonenumber.h"
#include "rest/restobj.h"

// One address-book entry. The nick is its key: in the service's URLs, in the
// contact store and in the user interface.
class Contact : public RestObj
{
public:
    Contact();
    explicit Contact(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    // "First Last", either name alone, or the nick when both are empty.
    QString displayName() const;
    // A name (the first, else the last, else the e-mail address before the
    // "@", else "contact"), the first phone number if any, and the current
    // time in milliseconds. Never empty; unique only together with a check
    // against the nicks in use.
    QString generateNick() const;
    // The number, and the kind as an int, of each phone in order.
    QStringList phoneNumbers() const;
    QVariantList phoneTypes() const;

    const QString &nick() const { return m_nick; }
    void setNick(const QString &nick) { m_nick = nick; }
    const QString &groupName() const { return m_groupName; }
    void setGroupName(const QString &groupName) { m_groupName = groupName; }
    const QString &firstName() const { return m_firstName; }
    void setFirstName(const QString &firstName) { m_firstName = firstName; }
    const QString &lastName() const { return m_lastName; }
    void setLastName(const QString &lastName) { m_lastName = lastName; }
    const QString &addressLine1() const { return m_addressLine1; }
    void setAddressLine1(const QString &addressLine1) { m_addressLine1 = addressLine1; }
    const QString &addressLine2() const { return m_addressLine2; }
    void setAddressLine2(const QString &addressLine2) { m_addressLine2 = addressLine2; }
    const QString &city() const { return m_city; }
    void setCity(const QString &city) { m_city = city; }
    const QString &state() const { return m_state; }
    void setState(const QString &state) { m_state = state; }
    const QString &postalCode() const { return m_postalCode; }
    void setPostalCode(const QString &postalCode) { m_postalCode = postalCode; }
    const QString &country() const { return m_country; }
    void setCountry(const QString &country) { m_country = country; }
    const QStringList &emails() const { return m_emails; }
    void setEmails(const QStringList &emails) { m_emails = emails; }
    const QDate &birthDate() const { return m_birthDate; }
    void setBirthDate(const QDate &birthDate) { m_birthDate = birthDate; }
    const QList<PhoneNumber> &phones() const { return m_phones; }
    void setPhones(const QList<PhoneNumber> &phones) { m_phones = phones; }
    const QString &sipUser() const { return m_sipUser; }
    void setSipUser(const QString &sipUser) { m_sipUser = sipUser; }

private:
    QString m_nick;
    QString m_groupName;
    QString m_firstName;
    QString m_lastName;
    QString m_addressLine1;
    QString m_addressLine2;
    QString m_city;
    QString m_state;
    QString m_postalCode;
    QString m_country;
    QStringList m_emails;
    QDate m_birthDate;
    QList<PhoneNumber> m_phones;
    QString m_sipUser;
};

QDebug operator<<(QDebug dbg, const Contact &contact);

Q_DECLARE_METATYPE(Contact)

#endif // REST_CONTACT_H
