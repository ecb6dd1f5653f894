#ifndef REST_BUGREPORT_H
#define REST_BUGREPORT_H

#include "rest/restobj.h"

// A bug report: the account name, the user's message and the name of an
// attached file.
class BugReport : public RestObj
{
public:
    BugReport();
    explicit BugReport(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &accountName() const { return m_accountName; }
    void setAccountName(const QString &accountName) { m_accountName = accountName; }
    const QString &userMessage() const { return m_userMessage; }
    void setUserMessage(const QString &userMessage) { m_userMessage = userMessage; }
    const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

private:
    QString m_accountName;
    QString m_userMessage;
    QString m_fileName;
};

QDebug operator<<(QDebug dbg, const BugReport &report);

Q_DECLARE_METATYPE(BugReport)

#endif // REST_BUGREPORT_H
