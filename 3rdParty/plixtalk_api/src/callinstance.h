#ifndef STANDIN_CALLINSTANCE_H
#define STANDIN_CALLINSTANCE_H

#include "callsession.h"
#include "plixtalk_api.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace standin {

class MediaEngine;

// One call. Outgoing calls run the script the tests chose (answer, keep
// ringing or end with a reason); incoming calls ring until accepted,
// rejected or ended by the far end. Every change reaches the program as a
// later event.
class CallInstance final : public plix::ICallInstance
{
public:
    enum class Phase { Setup, Ringing, Connected, OnHold };

    CallInstance(MediaEngine *engine, std::string id, bool incoming, std::string remoteFull);
    ~CallInstance();

    bool Accept(bool muted) override;
    bool Reject(int code) override;
    void Hangup(int code) override;
    void SetMuted(bool muted) override { m_muted = muted; }
    bool IsActive() const override { return m_phase == Phase::Connected && !m_ending; }
    bool IsMuted() const override { return m_muted; }
    bool IsIncoming() const override { return m_incoming; }
    const char *Id() const override { return m_id.c_str(); }
    bool IsOnHold() const override { return m_phase == Phase::OnHold; }
    bool StartRecordingPlayout(const char *path) override;
    bool StopRecordingPlayout() override;
    void SendDtmf(int tone) override;
    bool GetSessions(plix::ICallSessionList **sessions) override;

    // Guards the call's pending events: they die with the call.
    QObject *guard() { return &m_guard; }
    bool isEnding() const { return m_ending; }
    // The program has been told about the call (SignalCallCreated).
    bool isAnnounced() const { return m_announced; }
    void setAnnounced() { m_announced = true; }
    bool isConnected() const;
    const std::string &remoteFull() const { return m_remoteFull; }

    // Schedules the call's course after its creation was announced.
    void start(int outcome);
    // The far end's actions.
    bool remoteAnswer();
    bool remoteHangup(plix::HANGUP_REASON reason);
    bool remoteHold(bool onHold);

private:
    enum class Side { Local, Remote };

    void post(std::function<void()> step);
    // Posts a step that is skipped once the call is ending.
    void postUnlessEnding(std::function<void()> step);
    void postState(plix::CALL_SESSION_STATE state);
    void postConnect(bool outgoing);
    void initiateSession();
    void enterState(plix::CALL_SESSION_STATE state);
    void end(Side side, plix::HANGUP_REASON reason);

    QObject m_guard;
    MediaEngine *const m_engine;
    const std::string m_id;
    const bool m_incoming;
    const std::string m_remoteFull;
    std::unique_ptr<CallSession> m_session;
    Phase m_phase = Phase::Setup;
    bool m_ending = false;
    bool m_announced = false;
    bool m_answered = false;
    bool m_muted = false;
    std::string m_recordingPath;
};

} // namespace standin

#endif // STANDIN_CALLINSTANCE_H
