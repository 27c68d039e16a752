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

std::string gf_argText(const char* text) { return text ? std::string(text) : std::string("(null)"); }

std::string gf_argNum(DWORD value) { return std::to_string(value); }

} // namespace zyn::simemu
