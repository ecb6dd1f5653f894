#ifndef REST_BALANCEREQUEST_H
#define REST_BALANCEREQUEST_H

#include "rest/balance.h"
#include "rest/restrequest.h"

// The account's stored balance.
class BalanceRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(BalanceRequest)

public:
    explicit BalanceRequest(QObject *parent = nullptr);

    virtual void getBalance();

signals:
    // The first balance of the list the service answers with.
    void finished(const Balance &balance);

public slots:
    void onFinish(const QByteArray &body, int status) override;
};

#endif // REST_BALANCEREQUEST_H
