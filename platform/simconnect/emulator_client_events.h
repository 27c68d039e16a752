#pragma once
// The simulator events a client may map and what they do to the object they are sent to.
#include <string>
#include <string_view>

#include "platform/simconnect/emulator.h"

namespace zyn::simemu {

bool gf_knownSystemEvent(std::string_view name);     // any case
bool gf_knownClientEvent(std::string_view upperName); // empty: a private client event
// Records the event on the object and applies its lights and freezes.
void gf_applyClientEvent(SimObject& object, const std::string& name, DWORD value, double now);

} // namespace zyn::simemu
