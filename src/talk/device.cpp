#include "device.h"

#include "talk/librarytext.h"
#include "talk/plixtalk.h"

#include "plixtalk_api.h"

#include <QDebug>

namespace talk {

Device::Device()
    : m_isNull(true)
{ }

Device::Device(const QString &id, const QString &name)
    : m_id(id)
    , m_name(name)
    , m_displayName(name)
    , m_isNull(false)
{ }

Device::Device(const plix::IDevice *device)
    : m_isNull(device == nullptr)
{
    if (!device)
        return;
    m_id = fromLibraryText(device->Id());
    m_name = fromLibraryText(device->Name());
    m_displayName = m_name;
}

void Device::setDisplayName(const QString &displayName)
{
    m_displayName = displayName;
}

bool Device::isValid() const
{
    return !m_id.isEmpty() && !m_name.isEmpty();
}

bool Device::operator==(const Device &other) const
{
    if (m_isNull && other.m_isNull)
        return true;
    return m_id == other.m_id;
}

bool Device::operator!=(const Device &other) const
{
    return !(*this == other);
}

QSharedPointer<plix::IDevice> Device::toPlixDevice() const
{
    if (m_isNull)
        return {};
    plix::IObjectFactory *factory = PlixTalk::objectFactory();
    plix::IDevice *device = factory
        ? factory->CreateDevice(toLibraryText(m_id).constData(), toLibraryText(m_name).constData())
        : nullptr;
    if (!device)
        return {};
    return QSharedPointer<plix::IDevice>(device, [](plix::IDevice *object) { object->Release(); });
}

QDebug operator<<(QDebug debug, const Device &device)
{
    debug << "Device(id:" << device.id() << "name:" << device.name() << "dname:" << device.displayName()
          << ")";
    return debug;
}

} // namespace talk
