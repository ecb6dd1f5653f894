#ifndef REST_SMSREQUEST_H
#define REST_SMSREQUEST_H

#include "rest/restrequest.h"
#include "rest/sms.h"

// Outgoing SMS, sent by the service.
class SMSRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(SMSRequest)

public:
    explicit SMSRequest(QObject *parent = nullptr);

    virtual void sendSMS(const SMS &sms);

signals:
    // The service's answer; its errorMessage tells a refused message.
    void finished(const SMS &sms);

public slots:
    void onFinish(const QByteArray &body, int status) override;
};

#endif // REST_SMSREQUEST_H
