#include "platform/system/error_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace zyn {
namespace {

// What the log and the status line get of an exception is UTF-8 whatever the exception held: a byte
// that begins no UTF-8 sequence becomes U+FFFD, the rest (the step, the reason) stays as it was.
TEST(ExceptionText, IsUtf8WhateverTheExceptionHeld)
{
    const struct {
        const char* name;
        std::string file;
        std::string shown;
    } rows[] = {
        {"UTF-8", "Ελένη Жуков.txt", "Ελένη Жуков.txt"},
        {"a Latin-1 letter", "Violaci\xf3n.txt", "Violaci\xEF\xBF\xBDn.txt"},
        {"a sequence cut short", "Log\xE2\x82.txt", "Log\xEF\xBF\xBD\xEF\xBF\xBD.txt"},
    };
    const auto denied = std::make_error_code(std::errc::permission_denied);
    for (const auto& row : rows)
        EXPECT_EQ(gf_exceptionText(std::filesystem::filesystem_error("open", row.file, denied)),
                  "filesystem error: open: " + denied.message() + " [" + row.shown + "]")
            << row.name;
}

} // namespace
} // namespace zyn
