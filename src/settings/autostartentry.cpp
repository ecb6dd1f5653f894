#include "autostartentry.h"

#include "settings/xdgautostartentry.h"

AutostartEntry::~AutostartEntry() = default;

std::unique_ptr<AutostartEntry> AutostartEntry::create()
{
    return std::make_unique<XdgAutostartEntry>();
}
