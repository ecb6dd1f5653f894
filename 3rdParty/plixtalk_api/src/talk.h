#ifndef STANDIN_TALK_H
#define STANDIN_TALK_H

#include "eventqueue.h"
#include "jid.h"
#include "logfile.h"
#include "objectfactory.h"
#include "plixtalk_api.h"
#include "proxy.h"
#include "roster.h"

#include <memory>
#include <string>

namespace standin {

class MediaEngine;

// The session with the (simulated) talk server. Logins complete after one
// step delay: any non-empty user and password are accepted unless the tests
// asked for failures.
class Talk final : public plix::IPlixTalk
{
public:
    Talk();
    ~Talk() override;

    void Release() override;
    void SetServer(const char *host, int port) override;
    void Login(const char *user, const char *password, bool secure) override;
    void Logout() override;
    bool IsConnected() const override { return m_connected; }
    const char *LoginName() const override { return m_loginName.c_str(); }
    plix::IMediaEngine *MediaEngine(int index) override;
    plix::IObjectFactory *Factory() override { return &m_factory; }
    bool SetProxy(const plix::IProxy *proxy) override;
    const plix::IProxy *CurrentProxy() const override { return &m_proxy; }
    bool SetXmppDumpFile(const char *path) override;
    bool SetLogFile(const char *path) override;
    bool Publish(const plix::IStatus *status) override;

    EventQueue *queue() { return &m_queue; }
    standin::MediaEngine *engine() const { return m_engine.get(); }
    void log(const std::string &line);

    // The far end's side, for the tests.
    bool dropConnection(plix::PLIX_DISCONNECT_REASON reason);
    bool sendRoster();
    // "number@domain" in the domain of the logged-in user.
    std::string addressOf(const std::string &number) const;

private:
    void postRoster(int generation);

    EventQueue m_queue; // first in, last out: pending steps die with the talk
    ObjectFactory m_factory;
    Proxy m_proxy;
    Roster m_roster;
    Jid m_user;
    LogFile m_log;
    LogFile m_xmppDump;
    std::unique_ptr<standin::MediaEngine> m_engine;
    std::string m_host;
    int m_port = 0;
    std::string m_loginName;
    bool m_connected = false;
    int m_generation = 0; // tells the steps of an earlier login apart
};

} // namespace standin

#endif // STANDIN_TALK_H
