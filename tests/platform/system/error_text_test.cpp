#include "platform/system/error_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace zyn {
namespace {

// What the log and the status line get of an exception is UTF-8 whatever the exception held: a byte
// that begins no UTF-8 sequence becomes U+FFFD, the rest stays as it was.
TEST(ExceptionText, IsUtf8WhateverTheExceptionHeld)
{
    const struct {
        const char* name;
        std::string what;
        std::string text;
    } rows[] = {
        {"UTF-8", "Ελένη Жуков: 100 €", "Ελένη Жуков: 100 €"},
        {"a Latin-1 letter", "Violaci\xf3n", "Violaci\xEF\xBF\xBDn"},
        {"a lone continuation byte", "a\x80z", "a\xEF\xBF\xBDz"},
        {"a sequence cut short", "a\xE2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"an overlong slash", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"a surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(gf_exceptionText(std::runtime_error(row.what)), row.text) << row.name;
}

// A file-system error keeps its step, its reason and its files; a file name that is not UTF-8 (a
// Linux name in Latin-1) is shown as far as it is.
TEST(ExceptionText, FileSystemErrorKeepsStepReasonAndFiles)
{
    const std::filesystem::filesystem_error e("open", std::filesystem::path("Log0\xe9.txt"),
                                              std::make_error_code(std::errc::permission_denied));
    EXPECT_EQ(gf_exceptionText(e), "filesystem error: open: " + e.code().message() + " [Log0\xEF\xBF\xBD.txt]");
}

} // namespace
} // namespace zyn
