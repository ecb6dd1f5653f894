#include "rest/inviterequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

InviteRequest::InviteRequest(QObject *parent)
    : RestRequest(parent)
{ }

void InviteRequest::sendInvite(const Invite &invite)
{
    send(userUrl(urls() ? urls()->accountInviteServiceBaseURL() : QString()), Put, &invite);
}

void InviteRequest::onFinish(const QByteArray &body, int)
{
    bool ok = false;
    const QVariant value = parseBody(body, ok);
    if (!ok) {
        TRACE << "Invite: Can not parse json: " << traceableBody(body);
        emit requestError();
        return;
    }
    emit finished(Invite(value));
}
