#include "objectfactory.h"

#include "device.h"
#include "jid.h"
#include "proxy.h"
#include "status.h"

namespace standin {

plix::IJid *ObjectFactory::CreateJid()
{
    return new Jid(true);
}

plix::IProxy *ObjectFactory::CreateProxy()
{
    return new Proxy(true);
}

plix::IDevice *ObjectFactory::CreateDevice(const char *id, const char *name)
{
    return new Device(id ? id : "", name ? name : "", true);
}

plix::IStatus *ObjectFactory::CreateStatus()
{
    return new Status();
}

} // namespace standin
