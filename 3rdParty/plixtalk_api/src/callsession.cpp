#include "callsession.h"

namespace standin {

CallSession::CallSession(const std::string &remoteFull)
{
    m_remote.SetFull(remoteFull.c_str());
}

void CallSession::changeState(plix::CALL_SESSION_STATE state)
{
    m_state = state;
    SignalStateChanged(this, state);
}

} // namespace standin
