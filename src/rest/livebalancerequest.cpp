#include "rest/livebalancerequest.h"

#include "settings/webserviceurls.h"

LiveBalanceRequest::LiveBalanceRequest(QObject *parent)
    : BalanceRequest(parent)
{ }

void LiveBalanceRequest::getLiveBalance()
{
    send(userUrl(urls() ? urls()->accountLiveBalanceServiceBaseURL() : QString()), Get, nullptr);
}
