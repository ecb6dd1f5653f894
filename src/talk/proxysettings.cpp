#include "proxysettings.h"

#include "talk/librarytext.h"
#include "talk/plixtalk.h"

#include "plixtalk_api.h"

namespace talk {

ProxySettings::ProxySettings()
    : m_mode(SystemDefault)
    , m_port(0)
    , m_authEnabled(false)
{ }

ProxySettings::ProxySettings(int mode, const QString &host, int port, bool authEnabled,
                             const QString &username, const QString &password)
    : m_mode(mode)
    , m_host(host)
    , m_port(port)
    , m_authEnabled(authEnabled)
    , m_username(username)
    , m_password(password)
{ }

ProxySettings::ProxySettings(const plix::IProxy *proxy)
    : ProxySettings()
{
    if (!proxy)
        return;
    m_mode = proxy->Mode();
    m_host = fromLibraryText(proxy->Host());
    m_port = proxy->Port();
    m_username = fromLibraryText(proxy->User());
    m_password = fromLibraryText(proxy->Password());
}

void ProxySettings::setMode(int mode)
{
    m_mode = mode;
}

void ProxySettings::setHost(const QString &host)
{
    m_host = host;
}

void ProxySettings::setPort(int port)
{
    m_port = port;
}

void ProxySettings::setAuthEnabled(bool authEnabled)
{
    m_authEnabled = authEnabled;
}

void ProxySettings::setUsername(const QString &username)
{
    m_username = username;
}

void ProxySettings::setPassword(const QString &password)
{
    m_password = password;
}

bool ProxySettings::isValid() const
{
    if ((m_host.isEmpty() && m_port == 0) || m_mode == NoProxy)
        return false;
    if (!m_authEnabled)
        return true;
    return !m_username.isEmpty() && !m_password.isEmpty();
}

bool ProxySettings::operator==(const ProxySettings &other) const
{
    return this == &other
        || (m_mode == other.m_mode && m_host == other.m_host && m_port == other.m_port
            && m_authEnabled == other.m_authEnabled && m_username == other.m_username
            && m_password == other.m_password);
}

QSharedPointer<plix::IProxy> ProxySettings::toPlixProxy() const
{
    plix::IObjectFactory *factory = PlixTalk::objectFactory();
    plix::IProxy *proxy = factory ? factory->CreateProxy() : nullptr;
    if (!proxy)
        return {};
    QSharedPointer<plix::IProxy> handle(proxy, [](plix::IProxy *object) { object->Release(); });
    // Stale credentials must not reach a proxy that asks for none.
    const QString user = m_authEnabled ? m_username : QString();
    const QString password = m_authEnabled ? m_password : QString();
    proxy->SetMode(m_mode);
    proxy->SetHost(toLibraryText(m_host).constData());
    proxy->SetPort(m_port);
    proxy->SetUser(toLibraryText(user).constData());
    proxy->SetPassword(toLibraryText(password).constData());
    return handle;
}

} // namespace talk
