#include "platform/system/files.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zyn {
namespace {

namespace fs = std::filesystem;

const std::string kLong(200 * 1024, 'x'); // more than one buffer of the copy

// A copy over a file that exists: replaced whole, or kept as it is.
TEST(CopyFile, ReplacesOrKeepsAnExistingTarget)
{
    const struct {
        const char* what;
        std::string source;
        std::optional<std::string> target; // nothing: no such file
        ExistingTarget existing;
        bool copied;
        std::string after;
    } cases[] = {
        {"new file", "new", std::nullopt, ExistingTarget::Replace, true, "new"},
        {"over a file", "new", "old", ExistingTarget::Replace, true, "new"},
        {"over a longer file", "new", "an older and longer text", ExistingTarget::Replace, true, "new"},
        {"a long file over a file", kLong, "old", ExistingTarget::Replace, true, kLong},
        {"new file, existing kept", "new", std::nullopt, ExistingTarget::Keep, true, "new"},
        {"over a file that is kept", "new", "old", ExistingTarget::Keep, false, "old"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeText(dir / "from.txt", c.source);
        if (c.target)
            test::writeText(dir / "to.txt", *c.target);
        std::error_code ec;
        EXPECT_EQ(gf_copyFile(dir / "from.txt", dir / "to.txt", c.existing, ec), c.copied) << c.what;
        EXPECT_FALSE(ec) << c.what << ": " << ec.message();
        EXPECT_EQ(test::readText(dir / "to.txt"), c.after) << c.what;
        EXPECT_EQ(test::readText(dir / "from.txt"), c.source) << c.what;
    }
}

// What cannot be copied is reported, and neither file changes.
TEST(CopyFile, ReportsWhatCannotBeCopied)
{
    const struct {
        const char* what;
        const char* from;
        const char* to;
    } cases[] = {
        {"no source", "missing.txt", "to.txt"},
        {"a folder as the source", "folder", "to.txt"},
        {"a file over itself", "from.txt", "from.txt"},
        {"into a folder that does not exist", "from.txt", "none/to.txt"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeText(dir / "from.txt", "bytes");
        test::writeText(dir / "to.txt", "old");
        fs::create_directory(dir / "folder");
        std::error_code ec;
        EXPECT_FALSE(gf_copyFile(dir / c.from, dir / c.to, ExistingTarget::Replace, ec)) << c.what;
        EXPECT_TRUE(ec) << c.what;
        EXPECT_THROW(gf_copyFile(dir / c.from, dir / c.to, ExistingTarget::Replace), fs::filesystem_error) << c.what;
        EXPECT_EQ(test::readText(dir / "from.txt"), "bytes") << c.what;
        EXPECT_EQ(test::readText(dir / "to.txt"), "old") << c.what;
    }
}

// A backup of a read-only file is an ordinary file, so the next backup can go over it.
TEST(CopyFile, CopyOfAReadOnlyFileIsWritable)
{
    test::TempDir dir;
    test::writeText(dir / "from.txt", "first");
    fs::permissions(dir / "from.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    gf_copyFile(dir / "from.txt", dir / "to.txt", ExistingTarget::Replace);
    EXPECT_NE(fs::status(dir / "to.txt").permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(dir / "from.txt", fs::perms::owner_write, fs::perm_options::add);
    test::writeText(dir / "from.txt", "second");
    gf_copyFile(dir / "from.txt", dir / "to.txt", ExistingTarget::Replace);
    EXPECT_EQ(test::readText(dir / "to.txt"), "second");
}

} // namespace
} // namespace zyn
