#include "rest/callforwardlistrequest.h"

#include "settings/webserviceurls.h"

CallForwardListRequest::CallForwardListRequest(QObject *parent)
    : NumberListRequest(parent)
{ }

void CallForwardListRequest::getCallForwards()
{
    getList(urls() ? urls()->accountCallForwardServiceBaseURL() : QString());
}

void CallForwardListRequest::onFinish(const QByteArray &body, int)
{
    QList<CallForward> rules;
    if (!readRecords(body, rules, "Call forward list"))
        return;
    emit finished(rules);
}
