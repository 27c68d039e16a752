#pragma once
// The command lines of the stand-in and generator programs.
#include "tools/http_listen.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zyn::tools {

// True when an argument asks for the usage ("--help" or "-h"): the program prints it and does nothing else.
bool gf_asksForHelp(int argc, char** argv);

// Prints "usage: <usage>" to standard output and returns 0 (asked for), or to standard error and returns 2.
int gf_printUsage(std::string_view usage, bool asked);

// The arguments after the program's name.
std::vector<std::string> gf_arguments(int argc, char** argv);

// Takes "--tls CERT KEY" out of args into tls: the certificate and key files a stand-in serves HTTPS
// with (left empty when the option is absent). False when the option lacks its two files.
bool gf_takeTlsOption(std::vector<std::string>& args, std::optional<TlsFiles>& tls);

} // namespace zyn::tools
