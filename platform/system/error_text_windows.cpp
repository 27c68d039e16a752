#include "platform/system/error_text.h"

#include "platform/system/utf16.h"

#include <stdexcept>

#include <windows.h>

namespace zyn {

std::string gf_errorText(const std::error_code& error)
{
    if (error.category() != std::system_category())
        return error.message();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(error.value()), 0,
                                        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    try {
        if (length && text)
            message = gf_platformToUtf8(WideStringView(text, length));
    } catch (const std::range_error&) {
        // a reason that is not UTF-16 after all: the code alone, below
    }
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    // Without its full stop, as the runtime gives a reason: the reason reads the same whether it ends a
    // line or stands before the files of a file-system error.
    if (message.ends_with('.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error.value()) : message;
}

} // namespace zyn
