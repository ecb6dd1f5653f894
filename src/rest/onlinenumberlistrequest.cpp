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
    if (value.typeId() != QMetaType::QVariantList) {
        TRACE << "Number list expected, got: " << traceableBody(body);
        emit requestError();
        return;
    }

    QList<OnlineNumber> numbers;
    const QVariantList items = value.toList();
    numbers.reserve(items.size());
    for (const QVariant &item : items)
        numbers.append(OnlineNumber(item));
    if (numbers.isEmpty())
        TRACE << "List size is == 0";
    emit finished(numbers);
}
