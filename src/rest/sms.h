#ifndef REST_SMS_H
#define REST_SMS_H

#include "rest/restobj.h"

// One text message to one or more numbers.
class SMS : public RestObj
{
public:
    SMS();
    explicit SMS(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QStringList &destinationNumbers() const { return m_destinationNumbers; }
    void setDestinationNumbers(const QStringList &numbers) { m_destinationNumbers = numbers; }
    const QString &text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

private:
    QStringList m_destinationNumbers;
    QString m_text;
};

QDebug operator<<(QDebug dbg, const SMS &sms);

Q_DECLARE_METATYPE(SMS)

#endif // REST_SMS_H
