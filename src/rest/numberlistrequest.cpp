#include "rest/numberlistrequest.h"

#include "util/trace.h"

NumberListRequest::NumberListRequest(QObject *parent)
    : RestRequest(parent)
{ }

void NumberListRequest::getList(const QString &baseUrl)
{
    send(userUrl(baseUrl), Get, nullptr);
}

bool NumberListRequest::expectsList(int) const
{
    return true;
}

bool NumberListRequest::numbered(const QVariantMap &map)
{
    return hasAny(map, {"number"});
}

void NumberListRequest::traceUnparsed(const QByteArray &body)
{
    TRACE << "Can not parse json:" << traceableBody(body);
}

void NumberListRequest::traceNoList(const char *listName, const QByteArray &body)
{
    TRACE << listName << "expected, got: " << traceableBody(body);
}
