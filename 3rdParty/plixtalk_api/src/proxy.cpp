#include "proxy.h"

#include "state.h"

namespace standin {

Proxy::Proxy(bool counted)
    : m_counted(counted)
{
    if (m_counted)
        State::instance().objectCreated(State::Proxy);
}

Proxy::~Proxy()
{
    if (m_counted)
        State::instance().objectReleased(State::Proxy);
}

void Proxy::Release()
{
    delete this;
}

void Proxy::assign(const plix::IProxy &other)
{
    SetMode(other.Mode());
    SetHost(other.Host());
    SetPort(other.Port());
    SetUser(other.User());
    SetPassword(other.Password());
}

} // namespace standin
