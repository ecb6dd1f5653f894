#ifndef STANDIN_OBJECTFACTORY_H
#define STANDIN_OBJECTFACTORY_H

#include "plixtalk_api.h"

namespace standin {

// Makes the objects the program owns and gives back with Release().
class ObjectFactory final : public plix::IObjectFactory
{
public:
    plix::IJid *CreateJid() override;
    plix::IProxy *CreateProxy() override;
    plix::IDevice *CreateDevice(const char *id, const char *name) override;
    plix::IStatus *CreateStatus() override;
};

} // namespace standin

#endif // STANDIN_OBJECTFACTORY_H
