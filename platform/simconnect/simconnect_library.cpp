#include "platform/simconnect/simconnect_library.h"

namespace zyn {

// The emulator is linked into the program.
bool gf_simConnectLoaded(std::string*)
{
    return true;
}

} // namespace zyn
