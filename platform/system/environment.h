#pragma once
// Environment variables and the user's home folder. Only the platform layers read the environment.
#include <filesystem>
#include <optional>
#include <string>

namespace zyn {

// The value of a variable that is set and not empty.
std::optional<std::string> gf_environmentValue(const char* name);

// A folder named by a variable, only when it holds an absolute path (relative ones are ignored,
// as the XDG base-directory rules say).
std::optional<std::filesystem::path> gf_environmentFolder(const char* name);

// The file of certificate authorities (PEM) the web requests trust: TARVO_CA_BUNDLE, for a service
// whose certificate no system authority signed (the loopback stand-ins over HTTPS).
std::optional<std::filesystem::path> gf_caBundleFile();

// $HOME, else the home folder of the account; nothing when neither is known.
std::optional<std::filesystem::path> gf_homeFolder();

} // namespace zyn
