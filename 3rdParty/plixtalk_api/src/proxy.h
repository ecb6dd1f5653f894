#ifndef STANDIN_PROXY_H
#define STANDIN_PROXY_H

#include "plixtalk_api.h"

#include <string>

namespace standin {

class Proxy final : public plix::IProxy
{
public:
    explicit Proxy(bool counted = false);
    ~Proxy() override;

    void Release() override;

    void SetMode(int mode) override { m_mode = mode; }
    void SetHost(const char *host) override { m_host = host ? host : ""; }
    void SetPort(int port) override { m_port = port; }
    void SetUser(const char *user) override { m_user = user ? user : ""; }
    void SetPassword(const char *password) override { m_password = password ? password : ""; }
    int Mode() const override { return m_mode; }
    const char *Host() const override { return m_host.c_str(); }
    int Port() const override { return m_port; }
    const char *User() const override { return m_user.c_str(); }
    const char *Password() const override { return m_password.c_str(); }

    void assign(const plix::IProxy &other);

private:
    const bool m_counted;
    int m_mode = plix::PROXY_SYSTEM_DEFAULT;
    std::string m_host;
    int m_port = 0;
    std::string m_user;
    std::string m_password;
};

} // namespace standin

#endif // STANDIN_PROXY_H
