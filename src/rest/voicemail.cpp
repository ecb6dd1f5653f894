#include "rest/voicemail.h"

Voicemail::Voicemail()
    : RestObj("com.dravomesh.phone.integration.Voicemail")
{ }

Voicemail::Voicemail(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.Voicemail"))
{
    Voicemail::fromVariant(value);
}

QVariant Voicemail::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("status"), m_status);
    map.insert(QStringLiteral("activationDate"), m_activationDate);
    map.insert(QStringLiteral("expirationDate"), m_expirationDate);
    map.insert(QStringLiteral("denomination"), m_denomination.toVariantMap());
    map.insert(QStringLiteral("nbDaysToKeepMessages"), m_nbDaysToKeepMessages);
    map.insert(QStringLiteral("autoRenewalEnabled"), m_autoRenewalEnabled);
    map.insert(QStringLiteral("emailNotificationEnabled"), m_emailNotificationEnabled);
    map.insert(QStringLiteral("mailOnNoAnswerEnabled"), m_mailOnNoAnswerEnabled);
    map.insert(QStringLiteral("ringTimer"), m_ringTimer);
    map.insert(QStringLiteral("mailOnBusyEnabled"), m_mailOnBusyEnabled);
    map.insert(QStringLiteral("mailOnErrorEnabled"), m_mailOnErrorEnabled);
    return map;
}

void Voicemail::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    m_status = readText(map, QStringLiteral("status"));
    m_activationDate = readDate(map, QStringLiteral("activationDate"));
    m_expirationDate = readDate(map, QStringLiteral("expirationDate"));
    // The nested record's own error information is not kept.
    m_denomination = Denomination(map.value(QStringLiteral("denomination")));
    m_nbDaysToKeepMessages = readInt(map, QStringLiteral("nbDaysToKeepMessages"));
    m_autoRenewalEnabled = readFlag(map, QStringLiteral("autoRenewalEnabled"));
    m_emailNotificationEnabled = readFlag(map, QStringLiteral("emailNotificationEnabled"));
    m_mailOnNoAnswerEnabled = readFlag(map, QStringLiteral("mailOnNoAnswerEnabled"));
    m_ringTimer = readInt(map, QStringLiteral("ringTimer"));
    m_mailOnBusyEnabled = readFlag(map, QStringLiteral("mailOnBusyEnabled"));
    m_mailOnErrorEnabled = readFlag(map, QStringLiteral("mailOnErrorEnabled"));
}

QDebug operator<<(QDebug dbg, const Voicemail &voicemail)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "Voicemail{"
                << " activationDate:" << RestDebug::date(voicemail.activationDate())
                << ", expirationDate:" << RestDebug::date(voicemail.expirationDate())
                << ", status:" << voicemail.status() << ", denomination:" << voicemail.denomination()
                << ", autoRenewalEnabled:" << voicemail.autoRenewalEnabled()
                << ", emailNotificationEnabled:" << voicemail.emailNotificationEnabled()
                << ", mailOnBusyEnabled:" << voicemail.mailOnBusyEnabled()
                << ", mailOnErrorEnabled:" << voicemail.mailOnErrorEnabled()
                << ", mailOnNoAnswerEnabled:" << voicemail.mailOnNoAnswerEnabled()
                << ", nbDaysToKeepMessages:" << voicemail.nbDaysToKeepMessages()
                << ", ringTimer:" << voicemail.ringTimer() << ", errorMessage:" << voicemail.errorMessage()
                << "}";
    return dbg;
}
