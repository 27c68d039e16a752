#pragma once
// The command lines of the stand-in and generator programs.
#include <string_view>

namespace zyn::tools {

// True when an argument asks for the usage ("--help" or "-h"): the program prints it and does nothing else.
bool gf_asksForHelp(int argc, char** argv);

// Prints "usage: <usage>" to standard output and returns 0 (asked for), or to standard error and returns 2.
int gf_printUsage(std::string_view usage, bool asked);

} // namespace zyn::tools
