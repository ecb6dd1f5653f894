#ifndef TALK_PROXYSETTINGS_H
#define TALK_PROXYSETTINGS_H

#include <QMetaType>
#include <QSharedPointer>
#include <QString>

namespace plix {
class IProxy;
}

namespace talk {

// How the talk connection reaches the network.
class ProxySettings
{
public:
    enum Mode { SystemDefault = 0, Http = 1, Socks5 = 2, NoProxy = 3 };

    ProxySettings();
    ProxySettings(int mode, const QString &host, int port, bool authEnabled, const QString &username,
                  const QString &password);
    // The library's proxy object has no authentication flag: it reads back
    // as off. A null pointer gives the defaults.
    explicit ProxySettings(const plix::IProxy *proxy);

    int mode() const { return m_mode; }
    QString host() const { return m_host; }
    int port() const { return m_port; }
    bool authEnabled() const { return m_authEnabled; }
    QString username() const { return m_username; }
    // Plain text; never trace it.
    QString password() const { return m_password; }

    void setMode(int mode);
    void setHost(const QString &host);
    void setPort(int port);
    void setAuthEnabled(bool authEnabled);
    void setUsername(const QString &username);
    void setPassword(const QString &password);

    // A proxy is usable when it names a host or a port, is not "no proxy",
    // and has both credentials when it needs them.
    bool isValid() const;

    bool operator==(const ProxySettings &other) const;

    // A library proxy object with these settings, released when the last
    // handle goes; empty without a loaded talk library. User and password go
    // only with authentication on.
    QSharedPointer<plix::IProxy> toPlixProxy() const;

private:
    int m_mode;
    QString m_host;
    int m_port;
    bool m_authEnabled;
    QString m_username;
    QString m_password;
};

} // namespace talk

Q_DECLARE_METATYPE(talk::ProxySettings)

#endif // TALK_PROXYSETTINGS_H
