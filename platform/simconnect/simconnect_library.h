#pragma once
// Where the SimConnect functions come from. On Windows, "SimConnect.dll" is loaded at run time
// (LoadLibraryW, GetProcAddress) into one table, so that building needs no file of the simulator's
// SDK and a machine without the library still runs the program; on Linux the emulator serves them.
#include <string>

namespace zyn {

// Whether the functions can be called; loads the library on first success. When it cannot, why
// (the system's message), and every SimConnect function answers E_FAIL meanwhile.
bool gf_simConnectLoaded(std::string* why = nullptr);

} // namespace zyn
