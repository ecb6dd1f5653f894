#include "rest/smsrequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

SMSRequest::SMSRequest(QObject *parent)
    : RestRequest(parent)
{
    connect(this, &RestRequest::requestError, this, &SMSRequest::onFailed);
    connect(this, &RestRequest::proxyConnectionError, this, &SMSRequest::onFailed);
}

quint64 SMSRequest::sendSMS(const SMS &sms)
{
    return send(userUrl(urls() ? urls()->accountSMSServiceBaseURL() : QString()), Put, &sms);
}

void SMSRequest::onFinish(const QByteArray &body, int)
{
    bool ok = false;
    const QVariant value = parseBody(body, ok);
    if (!ok) {
        TRACE << "Can not parse json: " << traceableBody(body);
        emit requestError();
        return;
    }
    emit finished(replyId(), SMS(value));
}

bool SMSRequest::answersSlowly() const
{
    return true;
}

void SMSRequest::onFailed()
{
    emit failed(replyId());
}
