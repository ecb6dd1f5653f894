#ifndef REST_ONLINENUMBERLISTREQUEST_H
#define REST_ONLINENUMBERLISTREQUEST_H

#include "rest/numberlistrequest.h"
#include "rest/onlinenumber.h"

#include <QList>

// The account's virtual ("online") numbers.
class OnlineNumberListRequest : public NumberListRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(OnlineNumberListRequest)

public:
    explicit OnlineNumberListRequest(QObject *parent = nullptr);

    virtual void getOnlineNumbers();

signals:
    void finished(const QList<OnlineNumber> &onlineNumbers);

public slots:
    void onFinish(const QByteArray &body, int status) override;
};

#endif // REST_ONLINENUMBERLISTREQUEST_H
