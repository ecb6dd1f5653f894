#ifndef STANDIN_CALLSESSION_H
#define STANDIN_CALLSESSION_H

#include "jid.h"
#include "plixtalk_api.h"

namespace standin {

// The signalling session of a call with the far end.
class CallSession final : public plix::ICallSession
{
public:
    explicit CallSession(const std::string &remoteFull);

    plix::IJid *RemoteJid() const override { return &m_remote; }
    plix::CALL_SESSION_STATE State() const override { return m_state; }

    // Enters the state and tells the receivers.
    void changeState(plix::CALL_SESSION_STATE state);

private:
    mutable Jid m_remote;
    plix::CALL_SESSION_STATE m_state = plix::CALL_SESSION_INITIATED;
};

} // namespace standin

#endif // STANDIN_CALLSESSION_H
