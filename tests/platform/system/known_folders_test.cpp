#include "platform/system/known_folders.h"
#include "platform/system/utf16.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zyn {
namespace {

using test::ScopedEnv;

std::optional<std::string> lf_folder(int id)
{
    WCHAR buffer[MAX_PATH];
    if (SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK)
        return std::nullopt;
    return gf_platformToUtf8(buffer);
}

struct FolderCase {
    const char* name;
    int id;
    std::optional<std::string> xdgConfig;
    std::optional<std::string> xdgData;
    std::string expected;
};

void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.name; }

class KnownFolders : public ::testing::TestWithParam<FolderCase> {};

TEST_P(KnownFolders, FollowsXdgVariablesThenHome)
{
    const auto& c = GetParam();
    ScopedEnv home("HOME", "/home/pilot");
    ScopedEnv config("XDG_CONFIG_HOME", c.xdgConfig);
    ScopedEnv data("XDG_DATA_HOME", c.xdgData);
    EXPECT_EQ(lf_folder(c.id), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KnownFolders,
    ::testing::Values(FolderCase{"RoamingFromXdg", CSIDL_APPDATA, "/srv/cfg", std::nullopt, "/srv/cfg"},
                      FolderCase{"RoamingUnderHome", CSIDL_APPDATA, std::nullopt, "/srv/data", "/home/pilot/.config"},
                      FolderCase{"RelativeXdgIgnored", CSIDL_APPDATA, "cfg", std::nullopt, "/home/pilot/.config"},
                      FolderCase{"TrailingSlashDropped", CSIDL_APPDATA, "/srv/cfg/", std::nullopt, "/srv/cfg"},
                      FolderCase{"LocalFromXdg", CSIDL_LOCAL_APPDATA, "/srv/cfg", "/srv/data", "/srv/data"},
                      FolderCase{"LocalUnderHome", CSIDL_LOCAL_APPDATA, "/srv/cfg", std::nullopt,
                                 "/home/pilot/.local/share"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KnownFolderPaths, NonAsciiFolderComesBackAsTheSameUtf16)
{
    test::TempDir dir;
    const auto folder = (dir / "Käyttäjä Ørsted").string();
    ScopedEnv config("XDG_CONFIG_HOME", folder);
    WCHAR buffer[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer), S_OK);
    EXPECT_EQ(std::u16string(buffer), gf_platformToUtf16(folder));
    EXPECT_EQ(gf_platformToUtf8(buffer), folder);
}

TEST(KnownFolderPaths, PathThatDoesNotFitFails)
{
    ScopedEnv config("XDG_CONFIG_HOME", "/" + std::string(MAX_PATH, 'a'));
    WCHAR buffer[MAX_PATH] = {u'x'};
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer), E_FAIL);
    EXPECT_EQ(buffer[0], u'\0');
}

TEST(KnownFolderPaths, OtherFolderIdsAreRefused)
{
    WCHAR buffer[MAX_PATH];
    EXPECT_EQ(SHGetFolderPathW(nullptr, 5, nullptr, SHGFP_TYPE_CURRENT, buffer), E_INVALIDARG);
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, nullptr), E_INVALIDARG);
}

} // namespace
} // namespace zyn
