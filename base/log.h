#pragma once
// The log: "Log.txt" in the program folder, one line per call, flushed at once.
// The log mutex is the innermost lock of the program: nothing else is locked while it is held.
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace zyn {

extern std::mutex g_logMutex;

// Keeps two generations of copies: "x.txt" -> "x0.txt" -> "x00.txt" (the oldest is overwritten first).
// A copy that cannot be made is logged and false is returned; the file itself is never changed, and a
// reader that backs up what it read keeps what it read.
bool gf_backupFile(const std::filesystem::path& path);

// Backs up the previous log, truncates "Log.txt" and writes the header line.
// Throws std::runtime_error("Failed to write file Log.txt: <the system's reason>") when the log cannot
// be opened, and the file-system error of a backup that cannot be made, before the previous log is
// touched.
void gf_openLog();
// Writes the UTC time of the moment and closes the log; later lines are dropped.
void gf_closeLog();
bool gf_logIsOpen();

void gf_log(std::string_view text);
void gf_logLine(const std::string& text);
void gf_logError(std::string_view text);    // "===> " + text
void gf_logIndented(std::string_view text); // ten blanks + text

// Formatting shorthands: each call still writes exactly one line.
template <typename... Args> void gf_logf(fmt::format_string<Args...> f, Args&&... args)
{
    gf_log(fmt::format(f, std::forward<Args>(args)...));
}
template <typename... Args> void gf_logErrorf(fmt::format_string<Args...> f, Args&&... args)
{
    gf_logError(fmt::format(f, std::forward<Args>(args)...));
}
template <typename... Args> void gf_logIndentedf(fmt::format_string<Args...> f, Args&&... args)
{
    gf_logIndented(fmt::format(f, std::forward<Args>(args)...));
}

} // namespace zyn
