#include "talk.h"

#include "mediaengine.h"
#include "state.h"

namespace standin {

namespace {

std::string text(const char *s)
{
    return s ? std::string(s) : std::string();
}

} // namespace

Talk::Talk()
    : m_engine(std::make_unique<standin::MediaEngine>(this))
{
    State::instance().objectCreated(State::TalkObject);
    State::instance().addTalk(this);
}

Talk::~Talk()
{
    State::instance().removeTalk(this);
    // The engine frees the calls and tells the program about each first.
    m_engine.reset();
    m_log.close();
    m_xmppDump.close();
    State::instance().objectReleased(State::TalkObject);
}

void Talk::Release()
{
    delete this;
}

void Talk::log(const std::string &line)
{
    m_log.write(line);
}

void Talk::SetServer(const char *host, int port)
{
    m_host = text(host);
    m_port = port;
    Records &records = State::instance().records;
    records.serverHost = m_host;
    records.serverPort = port;
}

void Talk::Login(const char *user, const char *password, bool secure)
{
    const std::string userText = text(user);
    const std::string passwordText = text(password);
    State &state = State::instance();
    ++state.records.loginCount;
    state.records.loginTimes.push_back(steadyMilliseconds());
    state.records.loginUser = userText;
    state.records.loginPassword = passwordText;
    state.records.loginFlag = secure;
    log("Login as " + userText + " password=******** to " + m_host + ':' + std::to_string(m_port));

    if (m_connected) {
        m_connected = false;
        m_engine->endAllCalls(false, plix::HANGUP_SUCCESS);
    }
    m_loginName = userText;

    std::string node, domain, resource;
    const bool parsed = Jid::parse(userText, &node, &domain, &resource);
    if (node.empty() && parsed) {
        // A bare user name lives in the server's domain.
        node = domain;
        domain = m_host;
    }

    plix::PLIX_TALK_ERROR_CODE failure = plix::PLIX_TALK_ERROR_NONE;
    if (state.knobs.failCount > 0) {
        --state.knobs.failCount;
        failure = static_cast<plix::PLIX_TALK_ERROR_CODE>(state.knobs.failCode);
    } else if (m_host.empty() || m_port <= 0) {
        failure = plix::PLIX_TALK_ERROR_NO_SERVER;
    } else if (!parsed) {
        failure = plix::PLIX_TALK_ERROR_INVALID_ARGUMENT;
    } else if (userText.empty() || passwordText.empty()) {
        failure = plix::PLIX_TALK_ERROR_AUTHENTICATION;
    }

    const int generation = ++m_generation;
    m_xmppDump.write("SEND <auth mechanism='PLAIN' user='" + userText + "'/>");
    m_queue.post(&m_queue, [this, generation, failure, node, domain] {
        if (generation != m_generation)
            return;
        if (failure != plix::PLIX_TALK_ERROR_NONE) {
            m_xmppDump.write("RECV <failure/>");
            log("Login failed with code " + std::to_string(failure));
            SignalLoginFailed(failure);
            return;
        }
        m_connected = true;
        m_user.SetNode(node.c_str());
        m_user.SetDomain(domain.c_str());
        m_user.SetResource("linkora");
        m_xmppDump.write("RECV <success/>");
        log(std::string("Logged in as ") + m_user.Full());
        postRoster(generation);
        SignalLoginCompleted(&m_user);
    });
}

void Talk::postRoster(int generation)
{
    m_queue.post(&m_queue, [this, generation] {
        if (generation != m_generation || !m_connected)
            return;
        m_xmppDump.write("RECV <query xmlns='jabber:iq:roster'/>");
        SignalRoster(&m_roster);
    });
}

void Talk::Logout()
{
    ++m_generation;
    if (m_connected)
        m_xmppDump.write("SEND </stream:stream>");
    m_connected = false;
    m_engine->endAllCalls(false, plix::HANGUP_SUCCESS);
    log("Logged out");
}

plix::IMediaEngine *Talk::MediaEngine(int index)
{
    return index == 0 ? m_engine.get() : nullptr;
}

bool Talk::SetProxy(const plix::IProxy *proxy)
{
    if (!proxy)
        return false;
    State &state = State::instance();
    Records &records = state.records;
    records.proxyMode = proxy->Mode();
    records.proxyHost = text(proxy->Host());
    records.proxyPort = proxy->Port();
    records.proxyUser = text(proxy->User());
    records.proxyPassword = text(proxy->Password());
    const bool accepted = !state.knobs.refuseProxyChanges && proxy->Mode() >= plix::PROXY_SYSTEM_DEFAULT
        && proxy->Mode() <= plix::PROXY_NONE;
    log("Proxy mode=" + std::to_string(proxy->Mode()) + " host=" + records.proxyHost
        + " port=" + std::to_string(records.proxyPort) + " user=" + records.proxyUser + " password=******** "
        + (accepted ? "accepted" : "refused"));
    if (accepted)
        m_proxy.assign(*proxy);
    return accepted;
}

bool Talk::SetXmppDumpFile(const char *path)
{
    State::instance().records.xmppDumpFile = text(path);
    return path ? m_xmppDump.open(path) : m_xmppDump.close();
}

bool Talk::SetLogFile(const char *path)
{
    State::instance().records.logFile = text(path);
    return path ? m_log.open(path) : m_log.close();
}

bool Talk::Publish(const plix::IStatus *status)
{
    if (!status || !m_connected)
        return false;
    Records &records = State::instance().records;
    ++records.publishCount;
    records.publishedShow = status->Show();
    records.publishedPriority = status->Priority();
    m_xmppDump.write("SEND <presence show='" + std::to_string(status->Show()) + "' priority='"
                     + std::to_string(status->Priority()) + "'/>");
    return true;
}

bool Talk::dropConnection(plix::PLIX_DISCONNECT_REASON reason)
{
    if (!m_connected)
        return false;
    m_connected = false;
    ++m_generation;
    log("Connection lost, reason " + std::to_string(reason));
    m_queue.post(&m_queue, [this, reason] { SignalDisconnected(reason); });
    m_engine->endAllCalls(true, plix::HANGUP_UNKNOWN);
    return true;
}

bool Talk::sendRoster()
{
    if (!m_connected)
        return false;
    postRoster(m_generation);
    return true;
}

std::string Talk::addressOf(const std::string &number) const
{
    return number + '@' + (m_user.IsValid() ? std::string(m_user.Domain()) : m_host);
}

} // namespace standin
