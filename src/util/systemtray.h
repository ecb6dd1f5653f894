#ifndef LINKORA_UTIL_SYSTEMTRAY_H
#define LINKORA_UTIL_SYSTEMTRAY_H

#include <optional>

// Whether the desktop shows tray icons. Without one, a window hidden to the
// tray could not be brought back, so the window asks here before it hides.
namespace SystemTray {

// The platform's answer, unless one was set.
bool isAvailable();

// Answers available from now on, whatever the platform says (the offscreen
// platform never has a tray); std::nullopt gives the question back to the
// platform. GUI thread only.
void setAvailable(std::optional<bool> available);

} // namespace SystemTray

#endif // LINKORA_UTIL_SYSTEMTRAY_H
