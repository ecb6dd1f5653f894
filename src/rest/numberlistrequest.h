#ifndef REST_NUMBERLISTREQUEST_H
#define REST_NUMBERLISTREQUEST_H

#include "rest/restrequest.h"

#include <QList>

// Base of the requests that GET one of the account's lists whose records
// each carry a "number": the virtual numbers, the call-forwarding rules. The
// subclass names the resource and emits the records with their own type.
class NumberListRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(NumberListRequest)

protected:
    explicit NumberListRequest(QObject *parent = nullptr);

    // GETs the list found under the account's base URL.
    void getList(const QString &baseUrl);
    bool expectsList(int mode) const override;

    // The records of the answer. An answer that does not parse, or that is
    // no list of numbered records, is traced (the list named as listName)
    // and reported with requestError(); false then.
    template<class Record>
    bool readRecords(const QByteArray &body, QList<Record> &records, const char *listName)
    {
        bool ok = false;
        const QVariant value = parseBody(body, ok);
        if (!ok) {
            traceUnparsed(body);
            emit requestError();
            return false;
        }
        if (!readList(value, records, &NumberListRequest::numbered)) {
            traceNoList(listName, body);
            emit requestError();
            return false;
        }
        return true;
    }

private:
    static bool numbered(const QVariantMap &map);
    static void traceUnparsed(const QByteArray &body);
    static void traceNoList(const char *listName, const QByteArray &body);
};

#endif // REST_NUMBERLISTREQUEST_H
