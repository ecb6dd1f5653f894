#include "rest/onlinenumberlistrequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

OnlineNumberListRequest::OnlineNumberListRequest(QObject *parent)
    : RestRequest(parent)
{ }

void OnlineNumberListRequest::getOnlineNumbers()
{
    send(userUrl(urls() ? urls()->accountVirtualNumberServiceBaseURL() : QString()), Get, nullptr);
}

void OnlineNumberListRequest::onFinish(const QByteArray &body, int)
{
    bool ok = false;
    const QVariant value = parseBody(body, ok);
    if (!ok) {
        TRACE << "Can not parse json:" << traceableBody(body);
        emit requestError();
        return;
    }
    QList<OnlineNumber> numbers;
    if (!readList(value, numbers)) {
        TRACE << "Number list expected, got: " << traceableBody(body);
        emit requestError();
        return;
    }
    if (numbers.isEmpty())
        TRACE << "List size is == 0";
    emit finished(numbers);
}
