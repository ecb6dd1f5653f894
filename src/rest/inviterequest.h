#ifndef REST_INVITEREQUEST_H
#define REST_INVITEREQUEST_H

#include "rest/invite.h"
#include "rest/restrequest.h"

// Invitations to friends, sent by the service.
class InviteRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(InviteRequest)

public:
    explicit InviteRequest(QObject *parent = nullptr);

    virtual void sendInvite(const Invite &invite);

signals:
    void finished(const Invite &invite);

public slots:
    void onFinish(const QByteArray &body, int status) override;
};

#endif // REST_INVITEREQUEST_H
