#include "rest/livebalancerequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

LiveBalanceRequest::LiveBalanceRequest(QObject *parent)
    : RestRequest(parent)
{ }

void LiveBalanceRequest::getLiveBalance()
{
    send(userUrl(urls() ? urls()->accountLiveBalanceServiceBaseURL() : QString()), Get, nullptr);
}

void LiveBalanceRequest::onFinish(const QByteArray &body, int)
{
    bool ok = false;
    const QVariant value = parseBody(body, ok);
    if (!ok) {
        TRACE << "Can not parse json: " << traceableBody(body);
        emit requestError();
        return;
    }

    const QVariantList items = value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
    if (!items.isEmpty()) {
        emit finished(Balance(items.first()));
        return;
    }
    // Not a balance list: an error record, or nothing to deliver.
    const Balance balance(value);
    if (!balance.errorMessage().isEmpty())
        TRACE << balance.errorMessage();
}
