#include "rest/callforwardlistrequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

CallForwardListRequest::CallForwardListRequest(QObject *parent)
    : RestRequest(parent)
{ }

void CallForwardListRequest::getCallForwards()
{
    send(userUrl(urls() ? urls()->accountCallForwardServiceBaseURL() : QString()), Get, nullptr);
}

bool CallForwardListRequest::expectsList(int) const
{
    return true;
}

void CallForwardListRequest::onFinish(const QByteArray &body, int)
{
    bool ok = false;
    const QVariant value = parseBody(body, ok);
    if (!ok) {
        TRACE << "Can not parse json:" << traceableBody(body);
        emit requestError();
        return;
    }
    QList<CallForward> rules;
    const auto numbered = [](const QVariantMap &map) {
        return hasAny(map, {"number"});
    };
    if (!readList(value, rules, numbered)) {
        TRACE << "Call forward list expected, got: " << traceableBody(body);
        emit requestError();
        return;
    }
    emit finished(rules);
}
