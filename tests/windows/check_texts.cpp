// What the user reads when the system refuses: the reason in the user's language, as UTF-8. mingw's
// runtime words a file-system error's reason in the ANSI code page ("Violaci\xf3n" on a Spanish
// Windows), which the painter cannot show and the UTF-8 log would garble.
#include "tests/windows/checks.h"

#include "base/log.h"
#include "platform/system/error_text.h"
#include "platform/system/lock_retry.h"
#include "requests/exit_request.h"
#include "shown/status_line.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

namespace zyn::wincheck {

namespace {

// The start-up's catch, as it meets a log it cannot keep: the status line it leaves.
std::string lf_refusedStartStatus()
{
    try {
        gf_openLog();
        return "the log opened";
    } catch (...) {
        gf_reportException("lf_startUpTarvo");
    }
    const std::string status = gf_statusMessage();
    // No exit sequence is installed here: the request only raised its flags, which go again.
    while (gf_exitSequenceRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    g_exitRequested = 0;
    g_exitReason = 0;
    gf_resetStatusLine();
    return status;
}

} // namespace

// Another program holds "Log0.txt" open, sharing nothing: the start is refused, and the status line
// says why in the system's words, UTF-8, the file named. Run with TARVO_CHECK_LANGUAGE=es, the
// check also asks for a Spanish system and a reason in Spanish, beyond ASCII.
Outcome gf_checkRefusedStartSaysWhy()
{
    const auto folder = gf_scratchFolder();
    std::ofstream(folder / L"Log0.txt", std::ios::binary) << "the run before";
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const HANDLE held = CreateFileW(L"Log0.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    gf_setLockWait([](std::chrono::milliseconds) {}); // the patience runs out without a real wait
    const std::string status = held == INVALID_HANDLE_VALUE ? std::string() : lf_refusedStartStatus();
    gf_setLockWait(nullptr);
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    std::filesystem::current_path(before);
    if (held == INVALID_HANDLE_VALUE)
        return "Log0.txt could not be held (error " + std::to_string(GetLastError()) + ")";
    constexpr std::string_view kLead = "Error lf_startUpTarvo: filesystem error: open: ";
    constexpr std::string_view kFile = " [Log0.txt]";
    if (!gf_isUtf8(status))
        return "the status line is not UTF-8: \"" + status + "\"";
    if (!status.starts_with(kLead) || !status.ends_with(kFile))
        return "the status line says \"" + status + "\", not the refused open of Log0.txt";
    const std::string reason = status.substr(kLead.size(), status.size() - kLead.size() - kFile.size());
    std::printf("       the system's reason: %s\n", reason.c_str());
    // The words a log that cannot be written ends with ("Failed to write file Log.txt: ..."), alike to the end.
    const std::string expected = gf_errorText(std::error_code(ERROR_SHARING_VIOLATION, std::system_category()));
    if (reason != expected)
        return "the reason \"" + reason + "\" is not the system's \"" + expected + "\"";
    return gf_checkReasonLanguage(reason);
}

} // namespace zyn::wincheck
