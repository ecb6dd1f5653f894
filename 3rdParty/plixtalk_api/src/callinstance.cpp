#include "callinstance.h"

#include "eventqueue.h"
#include "list.h"
#include "mediaengine.h"
#include "state.h"

#include <QFile>
#include <QString>

namespace standin {

namespace {

const char kDtmfKeys[] = "0123456789*#";

} // namespace

CallInstance::CallInstance(MediaEngine *engine, std::string id, bool incoming, std::string remoteFull)
    : m_engine(engine)
    , m_id(std::move(id))
    , m_incoming(incoming)
    , m_remoteFull(std::move(remoteFull))
{ }

CallInstance::~CallInstance() = default;

bool CallInstance::isConnected() const
{
    return !m_ending && (m_phase == Phase::Connected || m_phase == Phase::OnHold);
}

void CallInstance::post(std::function<void()> step)
{
    m_engine->queue()->post(&m_guard, std::move(step));
}

void CallInstance::postUnlessEnding(std::function<void()> step)
{
    post([this, step = std::move(step)] {
        if (!m_ending)
            step();
    });
}

void CallInstance::postState(plix::CALL_SESSION_STATE state)
{
    postUnlessEnding([this, state] { enterState(state); });
}

void CallInstance::postConnect(bool outgoing)
{
    m_answered = true;
    if (outgoing)
        postState(plix::CALL_SESSION_RECEIVED_ACCEPT);
    postState(plix::CALL_SESSION_MEDIA_CONNECTING);
    postState(plix::CALL_SESSION_IN_PROGRESS);
}

void CallInstance::start(int outcome)
{
    postUnlessEnding([this] { initiateSession(); });
    postState(plix::CALL_SESSION_INITIATED);
    if (m_incoming)
        return;

    if (outcome < 0) {
        postState(plix::CALL_SESSION_RINGING_WITHOUT_MEDIA);
        if (outcome != -2) // PLIX_STANDIN_RING waits for the far end
            postConnect(true);
        return;
    }
    const auto reason = static_cast<plix::HANGUP_REASON>(outcome);
    // A declined or unanswered call rings first; busy, unknown or unreachable
    // numbers are refused at once.
    if (reason == plix::HANGUP_DECLINE || reason == plix::HANGUP_TIMEOUT)
        postState(plix::CALL_SESSION_RINGING_WITHOUT_MEDIA);
    postUnlessEnding([this, reason] { end(Side::Remote, reason); });
}

void CallInstance::initiateSession()
{
    m_session = std::make_unique<CallSession>(m_remoteFull);
    if (m_incoming)
        m_phase = Phase::Ringing;
    SignalSessionInitiated(this, !m_incoming);
}

void CallInstance::enterState(plix::CALL_SESSION_STATE state)
{
    if (!m_session)
        return;
    switch (state) {
    case plix::CALL_SESSION_RINGING_WITH_MEDIA:
    case plix::CALL_SESSION_RINGING_WITHOUT_MEDIA:
        m_phase = Phase::Ringing;
        break;
    case plix::CALL_SESSION_IN_PROGRESS:
        m_phase = Phase::Connected;
        break;
    case plix::CALL_SESSION_ON_HOLD:
        m_phase = Phase::OnHold;
        break;
    default:
        break;
    }
    m_session->changeState(state);
}

void CallInstance::end(Side side, plix::HANGUP_REASON reason)
{
    m_ending = true;
    m_engine->log("Call " + m_id + " ended by the " + (side == Side::Local ? "user" : "far end") + ", reason "
                  + std::to_string(reason));
    post([this, side] {
        if (m_session)
            m_session->changeState(side == Side::Local ? plix::CALL_SESSION_SENT_HANGUP
                                                       : plix::CALL_SESSION_RECEIVED_HANGUP);
    });
    post([this, reason] { SignalHangup(this, m_session.get(), reason); });
    m_engine->retire(this);
}

bool CallInstance::Accept(bool muted)
{
    if (!m_incoming || m_ending || m_answered || m_phase != Phase::Ringing)
        return false;
    m_muted = muted;
    postConnect(false);
    return true;
}

bool CallInstance::Reject(int)
{
    if (!m_incoming || m_ending || m_answered)
        return false;
    end(Side::Local, plix::HANGUP_DECLINE);
    return true;
}

void CallInstance::Hangup(int)
{
    if (m_ending)
        return;
    // Hanging up an incoming call before answering it declines it.
    end(Side::Local, m_incoming && !m_answered ? plix::HANGUP_DECLINE : plix::HANGUP_SUCCESS);
}

bool CallInstance::StartRecordingPlayout(const char *path)
{
    if (!path || !*path || !isConnected())
        return false;
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    m_recordingPath = path;
    return true;
}

bool CallInstance::StopRecordingPlayout()
{
    if (m_recordingPath.empty())
        return false;
    m_recordingPath.clear();
    return true;
}

void CallInstance::SendDtmf(int tone)
{
    if (!isConnected() || tone < 0 || tone > 11)
        return;
    State::instance().records.dtmf += kDtmfKeys[tone];
}

bool CallInstance::GetSessions(plix::ICallSessionList **sessions)
{
    if (!sessions)
        return false;
    *sessions = nullptr;
    if (!m_session)
        return false;
    *sessions = List<plix::ICallSession>::create({m_session.get()}, nullptr);
    return true;
}

bool CallInstance::remoteAnswer()
{
    if (m_incoming || m_ending || m_answered || m_phase != Phase::Ringing)
        return false;
    postConnect(true);
    return true;
}

bool CallInstance::remoteHangup(plix::HANGUP_REASON reason)
{
    if (m_ending)
        return false;
    end(Side::Remote, reason);
    return true;
}

bool CallInstance::remoteHold(bool onHold)
{
    const Phase from = onHold ? Phase::Connected : Phase::OnHold;
    if (m_ending || m_phase != from)
        return false;
    postUnlessEnding([this, from, onHold] {
        if (m_phase == from)
            enterState(onHold ? plix::CALL_SESSION_ON_HOLD : plix::CALL_SESSION_IN_PROGRESS);
    });
    return true;
}

} // namespace standin
