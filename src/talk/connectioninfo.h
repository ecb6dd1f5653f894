#ifndef TALK_CONNECTIONINFO_H
#define TALK_CONNECTIONINFO_H

#include <QList>
#include <QMetaType>
#include <QString>

namespace plix {
class ICallStatistics;
}

namespace talk {

// Transport figures of one media channel of a call, copied from the talk
// library's call statistics.
class ConnectionInfo
{
public:
    ConnectionInfo();
    // A null pointer gives zeros and an empty address.
    explicit ConnectionInfo(const plix::ICallStatistics *statistics);

    qint32 channel() const { return m_channel; }
    const QString &remoteAddress() const { return m_remoteAddress; }
    qint32 roundTripTime() const { return m_roundTripTime; }
    qint32 bytesSent() const { return m_bytesSent; }
    qint32 bytesReceived() const { return m_bytesReceived; }
    qint32 packetsLost() const { return m_packetsLost; }
    bool isRelayed() const { return m_relayed; }

private:
    qint32 m_channel;
    QString m_remoteAddress;
    qint32 m_roundTripTime;
    qint32 m_bytesSent;
    qint32 m_bytesReceived;
    qint32 m_packetsLost;
    bool m_relayed;
};

} // namespace talk

Q_DECLARE_METATYPE(talk::ConnectionInfo)

#endif // TALK_CONNECTIONINFO_H
