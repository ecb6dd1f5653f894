#include "util/systemtray.h"

#include <QSystemTrayIcon>

namespace {

std::optional<bool> s_available;

} // namespace

namespace SystemTray {

bool isAvailable()
{
    return s_available ? *s_available : QSystemTrayIcon::isSystemTrayAvailable();
}

void setAvailable(std::optional<bool> available)
{
    s_available = available;
}

} // namespace SystemTray
