#ifndef REST_INVITE_H
#define REST_INVITE_H

#include "rest/restobj.h"

// An invitation e-mail to friends: the sender, the recipients, the texts, and
// which details of the sender's account the mail shows.
class Invite : public RestObj
{
public:
    Invite();
    explicit Invite(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &fromEmail() const { return m_fromEmail; }
    void setFromEmail(const QString &fromEmail) { m_fromEmail = fromEmail; }
    const QStringList &toEmails() const { return m_toEmails; }
    void setToEmails(const QStringList &toEmails) { m_toEmails = toEmails; }
    const QString &fullName() const { return m_fullName; }
    void setFullName(const QString &fullName) { m_fullName = fullName; }
    const QString &userSubject() const { return m_userSubject; }
    void setUserSubject(const QString &userSubject) { m_userSubject = userSubject; }
    const QString &userMessage() const { return m_userMessage; }
    void setUserMessage(const QString &userMessage) { m_userMessage = userMessage; }
    bool showNumberOfContacts() const { return m_showNumberOfContacts; }
    void setShowNumberOfContacts(bool show) { m_showNumberOfContacts = show; }
    int numberOfContacts() const { return m_numberOfContacts; }
    void setNumberOfContacts(int count) { m_numberOfContacts = count; }
    bool showCityOrCountry() const { return m_showCityOrCountry; }
    void setShowCityOrCountry(bool show) { m_showCityOrCountry = show; }
    bool showPhoneNumber() const { return m_showPhoneNumber; }
    void setShowPhoneNumber(bool show) { m_showPhoneNumber = show; }
    bool showPlixShopDetails() const { return m_showPlixShopDetails; }
    void setShowPlixShopDetails(bool show) { m_showPlixShopDetails = show; }
    bool showPlixNumbersDetails() const { return m_showPlixNumbersDetails; }
    void setShowPlixNumbersDetails(bool show) { m_showPlixNumbersDetails = show; }
    bool showCallForwardingDetails() const { return m_showCallForwardingDetails; }
    void setShowCallForwardingDetails(bool show) { m_showCallForwardingDetails = show; }
    bool showVoicemailDetails() const { return m_showVoicemailDetails; }
    void setShowVoicemailDetails(bool show) { m_showVoicemailDetails = show; }

private:
    QString m_fromEmail;
    QStringList m_toEmails;
    QString m_fullName;
    QString m_userSubject;
    QString m_userMessage;
    bool m_showNumberOfContacts = false;
    int m_numberOfContacts = 0;
    bool m_showCityOrCountry = false;
    bool m_showPhoneNumber = false;
    bool m_showPlixShopDetails = false;
    bool m_showPlixNumbersDetails = false;
    bool m_showCallForwardingDetails = false;
    bool m_showVoicemailDetails = false;
};

QDebug operator<<(QDebug dbg, const Invite &invite);

Q_DECLARE_METATYPE(Invite)

#endif // REST_INVITE_H
