#pragma once
// Why a call of the system failed, as text for the log and the status line.
#include <string>
#include <system_error>

namespace zyn {

#ifdef _WIN32
// A Windows error's text is the system's reason in the user's language, read as UTF-16 and given as
// UTF-8 (the narrow call would give it in the ANSI code page, which is not the program's UTF-8); "error
// <code>" when the system has none. Any other error's text is its message.
std::string gf_errorText(const std::error_code& error);
#else
inline std::string gf_errorText(const std::error_code& error) { return error.message(); }
#endif

} // namespace zyn
