#include "connectioninfo.h"

#include "talk/librarytext.h"

#include "plixtalk_api.h"

namespace talk {

ConnectionInfo::ConnectionInfo()
    : m_channel(0)
    , m_roundTripTime(0)
    , m_bytesSent(0)
    , m_bytesReceived(0)
    , m_packetsLost(0)
    , m_relayed(false)
{ }

ConnectionInfo::ConnectionInfo(const plix::ICallStatistics *statistics)
    : ConnectionInfo()
{
    if (!statistics)
        return;
    m_channel = statistics->Channel();
    m_remoteAddress = fromLibraryText(statistics->RemoteAddress());
    m_roundTripTime = statistics->RoundTripTime();
    m_bytesSent = statistics->BytesSent();
    m_bytesReceived = statistics->BytesReceived();
    m_packetsLost = statistics->PacketsLost();
    m_relayed = statistics->IsRelayed();
}

} // namespace talk
