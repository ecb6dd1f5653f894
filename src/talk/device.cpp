#include "device.h"

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

QDebug operator<<(QDebug debug, const Device &device)
{
    debug << "Device(id:" << device.id() << "name:" << device.name() << "dname:" << device.displayName()
          << ")";
    return debug;
}

} // namespace talk
