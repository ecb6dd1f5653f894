#ifndef STANDIN_CALLSTATISTICS_H
#define STANDIN_CALLSTATISTICS_H

#include "plixtalk_api.h"

#include <string>

namespace standin {

// Figures of a simulated audio channel.
class CallStatistics final : public plix::ICallStatistics
{
public:
    CallStatistics(int channel, std::string remoteAddress, int bytes)
        : m_channel(channel)
        , m_remoteAddress(std::move(remoteAddress))
        , m_bytes(bytes)
    { }

    int Channel() const override { return m_channel; }
    const char *RemoteAddress() const override { return m_remoteAddress.c_str(); }
    int RoundTripTime() const override { return 40; }
    int BytesSent() const override { return m_bytes; }
    int BytesReceived() const override { return m_bytes; }
    int PacketsLost() const override { return 0; }
    bool IsRelayed() const override { return false; }

private:
    int m_channel;
    std::string m_remoteAddress;
    int m_bytes;
};

} // namespace standin

#endif // STANDIN_CALLSTATISTICS_H
