#ifndef REST_ACCOUNTREQUEST_H
#define REST_ACCOUNTREQUEST_H

#include "rest/account.h"
#include "rest/restrequest.h"

// The account: reading it at login (with this computer's application id)
// and creating a new one.
class AccountRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(AccountRequest)

public:
    explicit AccountRequest(QObject *parent = nullptr);

    // "<base>/<user>?username=<user>&password=<password>&appid=<appid>"
    QUrl accountUrl(const QString &base, const QString &appid) const;
    // 32 lower-case hex digits of the MD5 of the machine identifier; the
    // same on one machine at every call.
    static QString appid();

    virtual void getAccount();
    // PUT to the bare base URL; answered by accountCreated().
    virtual void createAccount(const Account &account);

signals:
    void finished(const Account &account);
    void accountCreated(const Account &account);

public slots:
    void onFinish(const QByteArray &body, int status) override;

private:
    enum Mode { ReadMode = 0, CreateMode = 1 };

    QString baseUrl() const;
};

#endif // REST_ACCOUNTREQUEST_H
