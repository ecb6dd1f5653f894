#include "talkmetatypes.h"

#include "talk/call.h"
#include "talk/connectioninfo.h"
#include "talk/device.h"
#include "talk/jid.h"
#include "talk/proxysettings.h"

namespace talk {

void registerMetaTypes()
{
    qRegisterMetaType<plix::PLIX_TALK_ERROR_CODE>();
    qRegisterMetaType<plix::PLIX_DISCONNECT_REASON>();
    qRegisterMetaType<plix::MEDIA_DEVICE_TYPE>();
    qRegisterMetaType<plix::HANGUP_REASON>();
    qRegisterMetaType<talk::Device>();
    qRegisterMetaType<QList<talk::Device>>();
    qRegisterMetaType<talk::Jid>();
    qRegisterMetaType<talk::ProxySettings>();
    qRegisterMetaType<talk::ConnectionInfo>();
    qRegisterMetaType<QList<talk::ConnectionInfo>>();
    qRegisterMetaType<const talk::Call *>();
}

} // namespace talk
