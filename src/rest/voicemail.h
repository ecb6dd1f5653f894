#ifndef REST_VOICEMAIL_H
#define REST_VOICEMAIL_H

#include "rest/denomination.h"
#include "rest/restobj.h"

// The voicemail subscription: status, dates, price step, retention, the
// notification switches and the ring time. Its dates travel as "yyyy-MM-dd".
class Voicemail : public RestObj
{
public:
    Voicemail();
    explicit Voicemail(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &status() const { return m_status; }
    void setStatus(const QString &status) { m_status = status; }
    const QDate &activationDate() const { return m_activationDate; }
    void setActivationDate(const QDate &activationDate) { m_activationDate = activationDate; }
    const QDate &expirationDate() const { return m_expirationDate; }
    void setExpirationDate(const QDate &expirationDate) { m_expirationDate = expirationDate; }
    const Denomination &denomination() const { return m_denomination; }
    void setDenomination(const Denomination &denomination) { m_denomination = denomination; }
    int nbDaysToKeepMessages() const { return m_nbDaysToKeepMessages; }
    void setNbDaysToKeepMessages(int days) { m_nbDaysToKeepMessages = days; }
    bool autoRenewalEnabled() const { return m_autoRenewalEnabled; }
    void setAutoRenewalEnabled(bool enabled) { m_autoRenewalEnabled = enabled; }
    bool emailNotificationEnabled() const { return m_emailNotificationEnabled; }
    void setEmailNotificationEnabled(bool enabled) { m_emailNotificationEnabled = enabled; }
    bool mailOnNoAnswerEnabled() const { return m_mailOnNoAnswerEnabled; }
    void setMailOnNoAnswerEnabled(bool enabled) { m_mailOnNoAnswerEnabled = enabled; }
    int ringTimer() const { return m_ringTimer; }
    void setRingTimer(int ringTimer) { m_ringTimer = ringTimer; }
    bool mailOnBusyEnabled() const { return m_mailOnBusyEnabled; }
    void setMailOnBusyEnabled(bool enabled) { m_mailOnBusyEnabled = enabled; }
    bool mailOnErrorEnabled() const { return m_mailOnErrorEnabled; }
    void setMailOnErrorEnabled(bool enabled) { m_mailOnErrorEnabled = enabled; }

private:
    QString m_status;
    QDate m_activationDate;
    QDate m_expirationDate;
    Denomination m_denomination;
    int m_nbDaysToKeepMessages = 0;
    bool m_autoRenewalEnabled = false;
    bool m_emailNotificationEnabled = false;
    bool m_mailOnNoAnswerEnabled = false;
    int m_ringTimer = 0;
    bool m_mailOnBusyEnabled = false;
    bool m_mailOnErrorEnabled = false;
};

QDebug operator<<(QDebug dbg, const Voicemail &voicemail);

Q_DECLARE_METATYPE(Voicemail)

#endif // REST_VOICEMAIL_H
