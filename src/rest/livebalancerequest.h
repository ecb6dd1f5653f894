#ifndef REST_LIVEBALANCEREQUEST_H
#define REST_LIVEBALANCEREQUEST_H

#include "rest/balancerequest.h"

// The account's balance as it stands this moment, after a call or an SMS. The
// service answers it in the stored balance's form.
class LiveBalanceRequest : public BalanceRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(LiveBalanceRequest)

public:
    explicit LiveBalanceRequest(QObject *parent = nullptr);

    virtual void getLiveBalance();
};

#endif // REST_LIVEBALANCEREQUEST_H
