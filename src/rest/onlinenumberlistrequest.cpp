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

bool OnlineNumberListRequest::expectsList(int) const
{
    return true;
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
    const auto numbered = [](const QVariantMap &map) {
        return hasAny(map, {"number"});
    };
    if (!readList(value, numbers, numbered)) {
        TRACE << "Number list expected, got: " << traceableBody(body);
        emit requestError();
        return;
    }
    if (numbers.isEmpty())
        TRACE << "List size is == 0";
    emit finished(numbers);
}
