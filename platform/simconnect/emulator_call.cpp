#include "platform/simconnect/emulator_call.h"

namespace zyn::simemu {

bool gf_takeFailure(World& world, std::string_view function)
{
    auto it = world.callFailures.find(function);
    if (it == world.callFailures.end() || it->second <= 0)
        return false;
    --it->second;
    return true;
}

CallArg gf_argText(const char* text) { return CallArg(text ? std::string_view(text) : std::string_view("(null)")); }

} // namespace zyn::simemu
