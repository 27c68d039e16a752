#include "tools/program_args.h"

#include "platform/system/path_text.h"

#include <algorithm>
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

std::vector<std::string> gf_arguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

bool gf_takeTlsOption(std::vector<std::string>& args, std::optional<TlsFiles>& tls)
{
    const auto option = std::ranges::find(args, "--tls");
    if (option == args.end())
        return true;
    if (args.end() - option < 3)
        return false;
    tls = TlsFiles{gf_pathFromUtf8(*(option + 1)), gf_pathFromUtf8(*(option + 2))};
    args.erase(option, option + 3);
    return true;
}

} // namespace zyn::tools
