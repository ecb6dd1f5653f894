#include "rest/onlinenumberlistrequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

OnlineNumberListRequest::OnlineNumberListRequest(QObject *parent)
    : NumberListRequest(parent)
{ }

void OnlineNumberListRequest::getOnlineNumbers()
{
    getList(urls() ? urls()->accountVirtualNumberServiceBaseURL() : QString());
}

void OnlineNumberListRequest::onFinish(const QByteArray &body, int)
{
    QList<OnlineNumber> numbers;
    if (!readRecords(body, numbers, "Number list"))
        return;
    if (numbers.isEmpty())
        TRACE << "List size is == 0";
    emit finished(numbers);
}
