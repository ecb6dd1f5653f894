#ifndef REST_CALLFORWARDLISTREQUEST_H
#define REST_CALLFORWARDLISTREQUEST_H

#include "rest/callforward.h"
#include "rest/numberlistrequest.h"

#include <QList>

// The account's call-forwarding rules.
class CallForwardListRequest : public NumberListRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(CallForwardListRequest)

public:
    explicit CallForwardListRequest(QObject *parent = nullptr);

    virtual void getCallForwards();

signals:
    void finished(const QList<CallForward> &callForwards);

public slots:
    void onFinish(const QByteArray &body, int status) override;
};

#endif // REST_CALLFORWARDLISTREQUEST_H
