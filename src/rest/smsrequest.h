#ifndef REST_SMSREQUEST_H
#define REST_SMSREQUEST_H

#include "rest/restrequest.h"
#include "rest/sms.h"

// Outgoing SMS, sent by the service. Several may be on their way at once:
// each send has an identity that its answer or its failure carries.
class SMSRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(SMSRequest)

public:
    explicit SMSRequest(QObject *parent = nullptr);

    // The identity of this send; 0 when nothing went out.
    virtual quint64 sendSMS(const SMS &sms);

signals:
    // The service's answer to one send; its errorMessage tells a refused message.
    void finished(quint64 id, const SMS &sms);
    // A send that ended without an answer to read (network or proxy failure,
    // an error status, an unreadable reply): the message may not have gone.
    void failed(quint64 id);

public slots:
    void onFinish(const QByteArray &body, int status) override;

protected:
    // The service answers once the gateway has taken the message.
    bool answersSlowly() const override;

private slots:
    void onFailed();
};

#endif // REST_SMSREQUEST_H
