#include "device.h"

#include "state.h"

namespace standin {

Device::Device(std::string id, std::string name, bool counted)
    : m_counted(counted)
    , m_id(std::move(id))
    , m_name(std::move(name))
{
    if (m_counted)
        State::instance().objectCreated(State::Device);
}

Device::~Device()
{
    if (m_counted)
        State::instance().objectReleased(State::Device);
}

void Device::Release()
{
    delete this;
}

} // namespace standin
