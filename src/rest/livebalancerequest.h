#ifndef REST_LIVEBALANCEREQUEST_H
#define REST_LIVEBALANCEREQUEST_H

#include "rest/balance.h"
#include "rest/restrequest.h"

// The account's balance as it stands this moment, after a call or an SMS.
class LiveBalanceRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(LiveBalanceRequest)

public:
    explicit LiveBalanceRequest(QObject *parent = nullptr);

    virtual void getLiveBalance();

signals:
    // The first balance of the list the service answers with.
    void finished(const Balance &balance);

public slots:
    void onFinish(const QByteArray &body, int status) override;
};

#endif // REST_LIVEBALANCEREQUEST_H
