#include "base/encoding.h"
#include "base/file_util.h"
#include "base/log.h"
#include "livery/text_files.h"
#include "platform/system/codepage.h"
#include "shown/status_line.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using win32::Utf8ConversionException;

template <typename F> Utf8ConversionException lf_conversionError(F&& convert)
{
    try {
        convert();
    } catch (const Utf8ConversionException& e) {
        return e;
    }
    ADD_FAILURE() << "no conversion error";
    return Utf8ConversionException("", 0, Utf8ConversionException::FromUtf8ToUtf16);
}

void lf_expectInvalid(const Utf8ConversionException& e, Utf8ConversionException::ConversionType type, const char* text)
{
    EXPECT_EQ(e.errorCode(), 1113u);
    EXPECT_EQ(e.conversionType(), type);
    EXPECT_STREQ(e.what(), text);
}

TEST(Codec, RoundTripsEveryPlane)
{
    const std::string samples[] = {"", "ASCII text", "K\xC3\xB6ln \xE2\x82\xAC", "\xF0\x9F\x9B\xAB plane",
                                   "\xEF\xBF\xBF", std::string("nul\0inside", 10)};
    for (const auto& s : samples)
        EXPECT_EQ(gf_utf16ToUtf8(gf_utf8ToUtf16(s)), s);
    EXPECT_EQ(gf_utf8ToUtf16("\xF0\x9F\x9B\xAB"), WideString(TEXT("\U0001F6EB"))); // a surrogate pair
    EXPECT_EQ(gf_utf8ToUtf16("\xC3\xA9"), WideString(TEXT("\u00E9")));
}

TEST(Codec, InvalidUtf8ThrowsWithCode1113)
{
    const std::string invalid[] = {
        "\xC3\x28",         // bad continuation
        "\xC0\xAF",         // overlong slash
        "\xE0\x80\xAF",     // overlong three-byte form
        "\xED\xA0\x80",     // encoded surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "abc\xE2\x82",      // cut short at the end
        "\x80",             // lone continuation
    };
    for (const auto& s : invalid)
        lf_expectInvalid(lf_conversionError([&] { gf_utf8ToUtf16(s); }), Utf8ConversionException::FromUtf8ToUtf16,
                         "Invalid UTF-8 sequence found in input string.");
}

TEST(Codec, LoneSurrogatesThrowWithTypeOne)
{
    const WideString invalid[] = {WideString(1, WCHAR(0xD800)), TEXT("a") + WideString(1, WCHAR(0xDC00)),
                                  WideString{WCHAR(0xD83D), TEXT('x')}};
    for (const auto& s : invalid)
        lf_expectInvalid(lf_conversionError([&] { gf_utf16ToUtf8(s); }), Utf8ConversionException::FromUtf16ToUtf8,
                         "Invalid UTF-16 sequence found in input string.");
}

TEST(Codec, Win32CallsMeasureThenConvertLikeWindows)
{
    const char text[] = "\xC3\xA9t\xC3\xA9";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, 5, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0), 4); // with terminator
    WCHAR small[2];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, 5, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    const WCHAR wide[] = TEXT("\u00E9");
    char narrow[4] = {};
#ifndef _WIN32 // the Linux stand-in's own limits: UTF-8 only (Wine takes a default character for 65001)
    EXPECT_EQ(MultiByteToWideChar(1252, 0, text, 5, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    BOOL usedDefault = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, 1, narrow, 4, nullptr, &usedDefault), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER); // code page 65001 takes no default character
#endif
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, 1, narrow, 4, nullptr, nullptr), 2);
    EXPECT_EQ(std::string(narrow), "\xC3\xA9");
}

class EncodedFiles : public ::testing::Test {
protected:
    void SetUp() override { gf_openLog(); }
    void TearDown() override { gf_closeLog(); }
    std::filesystem::path write(const std::string& name, const std::string& bytes)
    {
        test::writeText(dir / name, bytes);
        return dir / name;
    }
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
};

TEST_F(EncodedFiles, DetectsByFirstTwoBytes)
{
    const std::pair<std::string, TextEncoding> cases[] = {
        {"\xFF\xFE" "a\0", TextEncoding::Unicode},
        {"\xFE\xFF\0a", TextEncoding::UnicodeBigEndian},
        {"\xEF\xBB\xBF" "a", TextEncoding::Utf8WithBom},
        {"ab", TextEncoding::Ansi},
        {"a", TextEncoding::Ansi},
        {"", TextEncoding::Ansi},
    };
    for (const auto& [bytes, encoding] : cases)
        EXPECT_EQ(gf_detectEncoding(write("f.cfg", bytes)), encoding) << gf_encodingName(encoding);
    EXPECT_EQ(gf_encodingName(TextEncoding::UnicodeBigEndian), "Unicode_big_endian");
}

TEST_F(EncodedFiles, UnreadableFileIsNoneFoundWithOneLogLine)
{
    EXPECT_EQ(gf_detectEncoding(dir / "missing.cfg"), TextEncoding::NoneFound);
    gf_closeLog();
    const auto lines = test::readLines("Log.txt");
    ASSERT_EQ(lines.size(), 3u); // header, the line, closing time
    EXPECT_EQ(lines[1].rfind("cannot open file " + (dir / "missing.cfg").string() + " for character encoding, err: ", 0), 0u);
}

TEST_F(EncodedFiles, Utf16FilesKeepCarriageReturnBeforeLineFeed)
{
    // "a" CR LF "é" in both byte orders, each with its mark.
    const std::string little("\xFF\xFE" "a\0\r\0\n\0\xE9\0", 10);
    const std::string big("\xFE\xFF\0a\0\r\0\n\0\xE9", 10);
    for (const auto& bytes : {little, big}) {
        const auto file = write("u16.cfg", bytes);
        std::vector<std::string> lines;
        ASSERT_TRUE(gf_readTextLines(gf_detectEncoding(file), file, lines));
        EXPECT_EQ(lines, (std::vector<std::string>{"a\r", "\xC3\xA9"}));
    }
}

TEST_F(EncodedFiles, Utf16OverlongLineIsCut)
{
    std::string bytes("\xFF\xFE", 2);
    for (std::size_t i = 0; i < kMaxLineChars + 5; ++i)
        bytes += std::string("w\0", 2);
    bytes += std::string("\n\0z\0", 4);
    const auto file = write("long16.cfg", bytes);
    std::vector<std::string> lines;
    ASSERT_TRUE(gf_readTextLines(gf_detectEncoding(file), file, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(kMaxLineChars, 'w'), "z"}));
}

TEST_F(EncodedFiles, Utf16WithoutMarkReadsBigEndian)
{
    const auto file = write("nomark.cfg", std::string("\0x\0\n\0y", 6));
    std::vector<std::string> lines;
    ASSERT_TRUE(gf_readTextLines(TextEncoding::UnicodeBigEndian, file, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"x", "y"}));
}

TEST_F(EncodedFiles, Utf16ConversionErrorKeepsEarlierLinesAndShowsCode)
{
    const auto file = write("bad.cfg", std::string("\xFF\xFE" "o\0k\0\n\0\x00\xD8\n\0z\0", 14));
    std::vector<std::string> lines;
    EXPECT_FALSE(gf_readTextLines(TextEncoding::Unicode, file, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"ok"}));
    EXPECT_EQ(gf_statusMessage(), "conversion from error from utf16 to utf8, code: 1113");
}

TEST_F(EncodedFiles, Utf8MarkIsRemovedOnlyFromTheFirstLineRead)
{
    const auto file = write("bom.cfg", "\xEF\xBB\xBF[fltsim.0]\r\ntitle=x\r\n\xEF\xBB\xBFsecond mark stays\r\n");
    std::vector<std::string> lines{"\xEF\xBB\xBF" "earlier line of another file"};
    ASSERT_TRUE(gf_readTextLines(gf_detectEncoding(file), file, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"\xEF\xBB\xBF" "earlier line of another file", "[fltsim.0]", "title=x",
                                               "\xEF\xBB\xBFsecond mark stays"}));
}

TEST_F(EncodedFiles, TwoByteMarkWithoutThirdByteIsNotStripped)
{
    // EF BB followed by something other than BF: detected as a mark, but not a whole one.
    const auto file = write("half.cfg", "\xEF\xBBXY\n");
    std::vector<std::string> lines;
    ASSERT_TRUE(gf_readTextLines(gf_detectEncoding(file), file, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"\xEF\xBBXY"}));
}

TEST_F(EncodedFiles, MissingFileReadsNothing)
{
    std::vector<std::string> lines;
    EXPECT_FALSE(gf_readTextLines(TextEncoding::Ansi, dir / "missing.cfg", lines));
    EXPECT_FALSE(gf_readTextLines(TextEncoding::Unicode, dir / "missing.cfg", lines));
    EXPECT_TRUE(lines.empty());
}

} // namespace
} // namespace zyn
