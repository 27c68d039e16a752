#include "platform/system/last_error.h"
#include "platform/system/process.h"
#include "platform/system/timer.h"
#include "platform/system/utf16.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

namespace zyn {
namespace {

TEST(CurrentDirectory, GrowsBufferUntilWholePathFits)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "Ohjelma ÄÖ");
    test::ScopedCwd cwd(dir / "Ohjelma ÄÖ");
    const auto expected = gf_platformToUtf16(std::filesystem::current_path().string());

    WCHAR small[4] = {u'a', u'b', u'c', u'd'};
    const DWORD needed = GetCurrentDirectoryW(4, small);
    EXPECT_EQ(needed, expected.size() + 1);
    EXPECT_EQ(small[0], u'a'); // untouched

    std::vector<WCHAR> buffer(needed);
    EXPECT_EQ(GetCurrentDirectoryW(needed, buffer.data()), expected.size());
    EXPECT_EQ(std::u16string(buffer.data()), expected);
}

TEST(StringResources, TitleResourceIsTarvo)
{
    WCHAR title[100] = {};
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDS_APP_TITLE, title, 100), 5);
    EXPECT_EQ(std::u16string(title), u"Tarvo");
}

TEST(StringResources, CutsToBufferAndReportsMissingIds)
{
    WCHAR small[3] = {};
    EXPECT_EQ(LoadStringW(nullptr, IDS_APP_TITLE, small, 3), 2);
    EXPECT_EQ(std::u16string(small), u"Ta");

    WCHAR buffer[10] = {};
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadStringW(nullptr, 4711, buffer, 10), 0);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST(ModuleHandle, ProgramHasOneOtherModulesNone)
{
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleW(u"user32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(TimerResolution, BeginAndEndSucceed)
{
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
}

TEST(LastErrorThreads, EachThreadKeepsItsOwnCode)
{
    SetLastError(ERROR_ALREADY_EXISTS);
    DWORD seenByOther = 1;
    std::thread other([&] {
        seenByOther = GetLastError();
        SetLastError(ERROR_ACCESS_DENIED);
    });
    other.join();
    EXPECT_EQ(seenByOther, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

} // namespace
} // namespace zyn
