#include "callinstance.h"

#include "talk/librarytext.h"
#include "util/trace.h"

#include "plixtalk_api.h"
#include "sigslot.h"

#include <QHash>

namespace talk {

namespace {

// Every live wrapper by the address of its library call. Used on the thread
// that drives the library only.
QHash<plix::ICallInstance *, CallInstance *> &callMap()
{
    static QHash<plix::ICallInstance *, CallInstance *> map;
    return map;
}

const char *sessionStateText(plix::CALL_SESSION_STATE state)
{
    switch (static_cast<unsigned>(state)) {
    case plix::CALL_SESSION_INITIATED:
        return "Session initiated";
    case plix::CALL_SESSION_RINGING_WITH_MEDIA:
        return "Ringing with media";
    case plix::CALL_SESSION_RINGING_WITHOUT_MEDIA:
        return "Ringing without media";
    case plix::CALL_SESSION_RECEIVED_ACCEPT:
        return "Received Accept!";
    case plix::CALL_SESSION_MEDIA_CONNECTING:
        return "Media connecting";
    case plix::CALL_SESSION_IN_PROGRESS:
        return "In progress";
    case plix::CALL_SESSION_ON_HOLD:
        return "On hold";
    case plix::CALL_SESSION_RECEIVED_HANGUP:
        return "Received Hangup";
    case plix::CALL_SESSION_SENT_HANGUP:
        return "Sent Hangup";
    }
    return nullptr;
}

} // namespace

class CallInstance::Private : public sigslot::has_slots<sigslot::single_threaded>
{
public:
    Private(CallInstance *q, plix::ICallInstance *call);
    ~Private() override;

    void onCallSessionInitiated(plix::ICallInstance *instance, bool outgoing);
    void onCallSessionStateChanged(plix::ICallSession *changed, plix::CALL_SESSION_STATE state);
    void onCallHangup(plix::ICallInstance *instance, plix::ICallSession *ended, plix::HANGUP_REASON reason);

    // The details traced when the call's state matters.
    void traceDetails() const;

    CallInstance *q;
    plix::ICallInstance *call;
    plix::ICallSession *session = nullptr;
};

CallInstance::Private::Private(CallInstance *q, plix::ICallInstance *call)
    : q(q)
    , call(call)
{
    if (call)
        callMap().insert(call, q);
    TRACE << static_cast<const void *>(call);
    if (!call) {
        TRACE << "Call is null";
        return;
    }
    call->SignalSessionInitiated.connect(this, &Private::onCallSessionInitiated);
    call->SignalHangup.connect(this, &Private::onCallHangup);
}

CallInstance::Private::~Private()
{
    const auto it = callMap().constFind(call);
    if (call && it != callMap().constEnd() && it.value() == q)
        callMap().remove(call);
    q = nullptr;
    call = nullptr;
    // has_slots disconnects from every library signal.
}

void CallInstance::Private::traceDetails() const
{
    TRACE << static_cast<const void *>(call) << q->id() << q->callFlagA() << q->isIncoming() << q->remoteJid()
          << q->callFlagB();
}

void CallInstance::Private::onCallSessionInitiated(plix::ICallInstance *instance, bool outgoing)
{
    TRACE << static_cast<const void *>(instance) << q->id() << q->callFlagA() << outgoing << q->callFlagB();
    plix::ICallSessionList *sessions = nullptr;
    if (call->GetSessions(&sessions) && sessions && sessions->Count() > 0) {
        plix::ICallSession *current = sessions->At(0);
        if (current) {
            // One connection per session, however often the library reports it.
            current->SignalStateChanged.disconnect(this);
            current->SignalStateChanged.connect(this, &Private::onCallSessionStateChanged);
            session = current;
        }
    }
    if (sessions)
        sessions->Release();
    emit q->sessionInitiated(q);
}

void CallInstance::Private::onCallSessionStateChanged(plix::ICallSession *changed,
                                                      plix::CALL_SESSION_STATE state)
{
    // A session the call no longer names has nothing to say about it.
    if (changed != session)
        return;
    const char *text = sessionStateText(state);
    if (!text) {
        TRACE << "Default!!! Should we be here???";
        return;
    }
    TRACE << text;
    switch (state) {
    case plix::CALL_SESSION_RINGING_WITHOUT_MEDIA:
        emit q->ringingWithoutMedia();
        break;
    case plix::CALL_SESSION_RECEIVED_ACCEPT:
        traceDetails();
        emit q->accepted(q);
        break;
    case plix::CALL_SESSION_IN_PROGRESS:
        traceDetails();
        emit q->progressStarted(q);
        break;
    default:
        break;
    }
}

void CallInstance::Private::onCallHangup(plix::ICallInstance *, plix::ICallSession *,
                                         plix::HANGUP_REASON reason)
{
    traceDetails();
    emit q->hungup(q, reason);
}

CallInstance::CallInstance(plix::ICallInstance *call, QObject *parent)
    : Call(parent)
    , d(new Private(this, call))
    , dtmfDigits(QStringLiteral("0123456789*#"))
{ }

CallInstance::~CallInstance()
{
    delete d;
}

CallInstance *CallInstance::wrap(plix::ICallInstance *call)
{
    if (!call) {
        TRACE << "NULL";
        return nullptr;
    }
    CallInstance *wrapper = callMap().value(call);
    if (!wrapper)
        wrapper = new CallInstance(call);
    TRACE << static_cast<const void *>(call) << wrapper->id() << wrapper->callFlagA() << wrapper->isIncoming()
          << wrapper->callFlagB();
    return wrapper;
}

void CallInstance::unwrap(plix::ICallInstance *call)
{
    delete callMap().take(call);
}

bool CallInstance::callFlagA() const
{
    return d->call && d->call->IsMuted();
}

bool CallInstance::isActive() const
{
    return d->call && d->call->IsActive();
}

bool CallInstance::isIncoming() const
{
    return d->call && d->call->IsIncoming();
}

Jid CallInstance::remoteJid() const
{
    TRACE;
    if (d->session)
        return Jid(d->session->RemoteJid());
    TRACE;
    return Jid();
}

const char *CallInstance::id() const
{
    return d->call ? d->call->Id() : "";
}

bool CallInstance::callFlagB() const
{
    return d->call && d->call->IsOnHold();
}

bool CallInstance::accept(bool muted)
{
    TRACE << static_cast<const void *>(d->call) << muted;
    const bool accepted = d->call && d->call->Accept(muted);
    if (accepted) {
        TRACE_WARNING << "Accepting incoming call OK";
        emit incomingCallAccepted(this);
    } else {
        TRACE_WARNING << "Error accepting incoming call";
    }
    return accepted;
}

bool CallInstance::reject()
{
    TRACE << static_cast<const void *>(d->call);
    return d->call && d->call->Reject(0);
}

void CallInstance::hangup()
{
    if (d->call)
        d->call->Hangup(0);
}

void CallInstance::setMuted(bool muted)
{
    if (d->call)
        d->call->SetMuted(muted);
}

bool CallInstance::startRecordingPlayout(const QString &path)
{
    return d->call && d->call->StartRecordingPlayout(toLibraryText(path).constData());
}

bool CallInstance::stopRecordingPlayout()
{
    return d->call && d->call->StopRecordingPlayout();
}

void CallInstance::sendDTMF(QChar key)
{
    const qsizetype tone = dtmfDigits.indexOf(key);
    if (tone >= 0 && d->call)
        d->call->SendDtmf(static_cast<int>(tone));
}

} // namespace talk
