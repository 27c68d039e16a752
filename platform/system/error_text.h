#pragma once
// Why a call of the system failed, as text for the log and the status line.
#include <exception>
#include <string>
#include <system_error>

namespace zyn {

#ifdef _WIN32
// A Windows error's text is the system's reason in the user's language, read as UTF-16 and given as
// UTF-8 (the narrow call would give it in the ANSI code page, which is not the program's UTF-8),
// without the full stop, as the runtime words it; "error <code>" when the system has none. Any other
// error's text is its message.
std::string gf_errorText(const std::error_code& error);
#else
inline std::string gf_errorText(const std::error_code& error) { return error.message(); }
#endif

// An exception's text as UTF-8, for every place that shows or logs one. A system or file-system error
// carries the runtime's words for its code, which mingw's runtime gives in the ANSI code page: those
// words become gf_errorText's. Whatever else is not UTF-8 becomes U+FFFD, so no line goes blank.
std::string gf_exceptionText(const std::exception& e);

} // namespace zyn
