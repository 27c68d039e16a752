#include "tools/program_args.h"

#include <cstdio>
#include <string_view>

namespace zyn::tools {

bool gf_asksForHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h")
            return true;
    return false;
}

int gf_printUsage(std::string_view usage, bool asked)
{
    std::fprintf(asked ? stdout : stderr, "usage: %.*s\n", static_cast<int>(usage.size()), usage.data());
    return asked ? 0 : 2;
}

} // namespace zyn::tools
