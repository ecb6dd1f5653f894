#ifndef STANDIN_DEVICE_H
#define STANDIN_DEVICE_H

#include "plixtalk_api.h"

#include <string>

namespace standin {

class Device final : public plix::IDevice
{
public:
    // A counted device is one the program made and gives back with Release().
    Device(std::string id, std::string name, bool counted = false);
    ~Device() override;

    void Release() override;
    const char *Id() const override { return m_id.c_str(); }
    const char *Name() const override { return m_name.c_str(); }

private:
    const bool m_counted;
    const std::string m_id;
    const std::string m_name;
};

} // namespace standin

#endif // STANDIN_DEVICE_H
