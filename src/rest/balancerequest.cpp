#include "rest/balancerequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

BalanceRequest::BalanceRequest(QObject *parent)
    : RestRequest(parent)
{ }

void BalanceRequest::getBalance()
{
    send(userUrl(urls() ? urls()->accountBalanceServiceBaseURL() : QString()), Get, nullptr);
}

void BalanceRequest::onFinish(const QByteArray &body, int)
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
