#include "platform/system/files.h"
#include "platform/system/full_disk.h"
#include "platform/system/lock_retry.h"
#include "platform/system/path_text.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace zyn {
namespace {

namespace fs = std::filesystem;

const std::string kLong(200 * 1024, 'x'); // more than one buffer of the copy

std::string lf_mode(fs::perms perms) { return fmt::format("{:o}", static_cast<unsigned>(perms)); }

// A copy over a file that exists: replaced whole, or kept as it is, whatever marks the user's tools
// left on it; what it leaves is a plain file the next copy can go over, readable by whom the old one was.
// A new copy is readable by whom its source is, as far as the umask allows (as cp makes it).
TEST(FileCopy, ReplacesOrKeepsAnExistingTarget)
{
    using test::FileMark;
    const struct {
        const char* what;
        std::string source;
        std::optional<std::string> target; // nothing: no such file
        FileMark mark;
        ExistingTarget existing;
        bool copied;
        std::string after;
        unsigned sourceMode = 0;       // the source's permission bits; 0: as written
        unsigned umask = 022;          // Linux: while copying
        const char* newMode = nullptr; // Linux: the new copy's bits, as Linux shows them
    } cases[] = {
        {"new file", "new", std::nullopt, FileMark::None, ExistingTarget::Replace, true, "new"},
        {"over a file", "new", "old", FileMark::None, ExistingTarget::Replace, true, "new"},
        {"over a longer file", "new", "an older and longer text", FileMark::None, ExistingTarget::Replace, true, "new"},
        {"a long file over a file", kLong, "old", FileMark::None, ExistingTarget::Replace, true, kLong},
        {"over a read-only file", "new", "old", FileMark::ReadOnly, ExistingTarget::Replace, true, "new"},
        {"over a hidden file", "new", "old", FileMark::Hidden, ExistingTarget::Replace, true, "new"},
        {"over a read-only hidden file", kLong, "old", FileMark::ReadOnlyHidden, ExistingTarget::Replace, true, kLong},
        {"over a private file", "new", "old", FileMark::Private, ExistingTarget::Replace, true, "new"},
        {"new file, existing kept", "new", std::nullopt, FileMark::None, ExistingTarget::Keep, true, "new"},
        {"over a file that is kept", "new", "old", FileMark::None, ExistingTarget::Keep, false, "old"},
        {"over a read-only file that is kept", "new", "old", FileMark::ReadOnly, ExistingTarget::Keep, false, "old"},
        {"new copy of a file all may write", "new", std::nullopt, FileMark::None, ExistingTarget::Replace, true, "new",
         0666, 022, "644"},
        {"new copy of a private file", "new", std::nullopt, FileMark::None, ExistingTarget::Keep, true, "new", 0600,
         0, "600"},
        {"new copy of a read-only file", "new", std::nullopt, FileMark::None, ExistingTarget::Keep, true, "new", 0444,
         022, "644"},
        {"new copy under a umask that takes the owner's write", "new", std::nullopt, FileMark::None,
         ExistingTarget::Keep, true, "new", 0666, 0222, "644"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeText(dir / "from.txt", c.source);
        if (c.sourceMode != 0)
            fs::permissions(dir / "from.txt", static_cast<fs::perms>(c.sourceMode));
#ifndef _WIN32
        const mode_t umaskBefore = ::umask(c.umask);
#endif
        [[maybe_unused]] std::string readers; // the target's mode, as Linux shows it
        if (c.target) {
            test::writeText(dir / "to.txt", *c.target);
            test::markFile(dir / "to.txt", c.mark);
            readers = lf_mode(fs::status(dir / "to.txt").permissions() | fs::perms::owner_write);
        }
        std::error_code ec;
        EXPECT_EQ(gf_copyFile(dir / "from.txt", dir / "to.txt", c.existing, ec), c.copied) << c.what;
#ifndef _WIN32
        ::umask(umaskBefore);
#endif
        EXPECT_FALSE(ec) << c.what << ": " << ec.message();
        // Compared, not printed: a long text would fill the output.
        EXPECT_TRUE(test::readText(dir / "to.txt") == c.after) << c.what;
        EXPECT_TRUE(test::readText(dir / "from.txt") == c.source) << c.what;
        EXPECT_EQ(test::folderEntries(dir.path()), (std::vector<std::string>{"from.txt", "to.txt"})) << c.what;
        if (c.copied) {
            EXPECT_TRUE(test::isPlainFile(dir / "to.txt")) << c.what;
        }
#ifndef _WIN32
        if (c.target && c.copied) {
            EXPECT_EQ(lf_mode(fs::status(dir / "to.txt").permissions()), readers) << c.what;
        }
        if (c.newMode) {
            EXPECT_EQ(lf_mode(fs::status(dir / "to.txt").permissions()), c.newMode) << c.what;
        }
#endif
    }
}

// A copy that replaces a file never leaves part of one: a disk that fills mid-copy leaves the old
// file and nothing beside it, and another name of the old file keeps its bytes.
TEST(FileCopy, LeavesTheOldTargetOrTheWholeNewOne)
{
    const struct {
        const char* what;
        std::optional<std::uint64_t> bytesLeft; // of a full disk; nothing: room enough
        bool linked;                            // the target has a second name
        bool copied;
    } cases[] = {
        {"the disk fills mid-copy", kLong.size() / 2, false, false},
        {"a full disk", 0, false, false},
        {"a target with a second name", std::nullopt, true, true},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeText(dir / "from.txt", kLong);
        test::writeText(dir / "to.txt", "old");
        if (c.linked)
            fs::create_hard_link(dir / "to.txt", dir / "other.txt");
        if (c.bytesLeft)
            gf_setFullDisk(FullDisk{dir.path(), *c.bytesLeft});
        std::error_code ec;
        const bool copied = gf_copyFile(dir / "from.txt", dir / "to.txt", ExistingTarget::Replace, ec);
        gf_setFullDisk(std::nullopt);
        EXPECT_EQ(copied, c.copied) << c.what;
        EXPECT_EQ(static_cast<bool>(ec), !c.copied) << c.what;
        EXPECT_TRUE(test::readText(dir / "to.txt") == (c.copied ? kLong : "old")) << c.what;
        std::vector<std::string> names{"from.txt", "to.txt"};
        if (c.linked) {
            EXPECT_EQ(test::readText(dir / "other.txt"), "old") << c.what;
            names.insert(names.begin() + 1, "other.txt");
        }
        EXPECT_EQ(test::folderEntries(dir.path()), names) << c.what;
    }
}

// The program's own file or folder goes whatever marks the user's tools left on it: Windows refuses
// to delete a read-only file, and so a folder that holds one. (Linux removes it as it is; root also
// a file in a folder without write permission.)
TEST(FileRemove, RemovesAMarkedFileOrFolderTree)
{
    using test::FileMark;
    const struct {
        const char* what;
        bool tree;   // a folder with a file and a sub-folder holding one, each marked
        bool exists;
        FileMark mark;
    } cases[] = {
        {"a plain file", false, true, FileMark::None},
        {"a read-only file", false, true, FileMark::ReadOnly},
        {"a hidden file", false, true, FileMark::Hidden},
        {"a read-only hidden file", false, true, FileMark::ReadOnlyHidden},
        {"no file", false, false, FileMark::None},
        {"a plain folder", true, true, FileMark::None},
        {"a folder whose files and sub-folder are read-only", true, true, FileMark::ReadOnly},
        {"a folder whose files and sub-folder are hidden", true, true, FileMark::Hidden},
        {"no folder", true, false, FileMark::None},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const fs::path target = dir / "target";
        if (c.exists && c.tree) {
            for (const char* file : {"a.xml", "sub/b.xml"}) {
                test::writeText(target / file, "bytes");
                test::markFile(target / file, c.mark);
            }
            test::markFile(target / "sub", c.mark);
        } else if (c.exists) {
            test::writeText(target, "bytes");
            test::markFile(target, c.mark);
        }
        std::error_code ec;
        EXPECT_EQ(c.tree ? gf_removeFolderTree(target, ec) : gf_removeFile(target, ec), c.exists) << c.what;
        EXPECT_FALSE(ec) << c.what << ": " << ec.message();
        EXPECT_EQ(test::folderEntries(dir.path()), std::vector<std::string>{}) << c.what;
    }
}

// A tree removal reaches only the entry the path names: what a link in the tree leads to stays, and
// a path that names no entry of its own (a link's target through a trailing separator, the parent's
// entries through "..", the folder through ".", nothing at all) is refused before anything goes.
TEST(FileRemove, ATreeRemovalReachesOnlyTheEntryNamed)
{
    const struct {
        const char* what;
        std::string path; // in the test's folder; "/" separated
        bool link;        // of the rows that need a link to a folder
        bool refused;
    } cases[] = {
        {"a link in a tree", "tree", true, false},
        {"a link named with a trailing separator", "tree/link/", true, true},
        {"a path ending in ..", "tree/sub/..", false, true},
        {"a path ending in .", "tree/.", false, true},
        {"an empty path", "", false, true},
    };
    std::string noLink;
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeText(dir / "outside/kept.txt", "kept");
        test::writeText(dir / "tree/sub/own.txt", "own");
        std::error_code linked;
        fs::create_directory_symlink(dir / "outside", dir / "tree/link", linked);
        if (linked && c.link) {
            noLink = linked.message();
            continue;
        }
        const fs::path path = c.path.empty() ? fs::path() : dir / gf_pathFromUtf8(c.path);
        std::error_code ec;
        EXPECT_EQ(gf_removeFolderTree(path, ec), !c.refused) << c.what;
        EXPECT_EQ(ec, c.refused ? std::make_error_code(std::errc::invalid_argument) : std::error_code()) << c.what;
        if (c.refused) {
            EXPECT_THROW(gf_removeFolderTree(path), fs::filesystem_error) << c.what;
        }
        EXPECT_EQ(test::readText(dir / "outside/kept.txt"), "kept") << c.what;
        EXPECT_EQ(fs::exists(dir / "tree/sub/own.txt"), c.refused) << c.what;
    }
    // Nor is a root: of a drive, of a share (not tried for real); a folder on a share is.
    const struct {
        fs::path path;
        std::optional<fs::path> entry;
    } roots[] = {
        {fs::current_path().root_path(), std::nullopt},
        {fs::current_path().root_name(), std::nullopt},
#ifdef _WIN32
        {"\\\\server\\share", std::nullopt},
        {"\\\\server\\share\\", std::nullopt},
        {"//server/share/", std::nullopt},
        {"\\\\server", std::nullopt},
        {"\\\\server\\share\\folder\\", fs::path("\\\\server\\share\\folder")},
#endif
    };
    for (const auto& root : roots)
        EXPECT_EQ(gf_treeRemovalEntry(root.path), root.entry) << root.path;
    if (!noLink.empty())
        GTEST_SKIP() << "the rows with a link to a folder: none can be made here: " << noLink;
}

// A file removal leaves a folder; the throwing form names it.
TEST(FileRemove, AFolderIsNoFile)
{
    test::TempDir dir;
    test::writeText(dir / "folder/file.txt", "bytes");
    std::error_code ec;
    EXPECT_FALSE(gf_removeFile(dir / "folder", ec));
    EXPECT_TRUE(ec);
    EXPECT_THROW(gf_removeFile(dir / "folder"), fs::filesystem_error);
    EXPECT_EQ(test::readText(dir / "folder/file.txt"), "bytes");
}

#ifdef _WIN32
// A read-only file of another account cannot be made plain: the replace says so at once, naming the
// file and its mark, instead of waiting it out as a lock. The Windows stage, running the suites as a
// user of its own, lays such a file out in a folder that user may write and names it here.
TEST(FileReplace, ReadOnlyFileOfAnotherAccountFailsAtOnceNamingIt)
{
    const char* named = std::getenv("TARVO_FOREIGN_READ_ONLY_FILE");
    if (named == nullptr)
        GTEST_SKIP() << "TARVO_FOREIGN_READ_ONLY_FILE names no file of another account";
    const fs::path target = gf_pathFromUtf8(named);
    const std::string before = test::readText(target);
    const fs::path source = target.parent_path() / "new.txt";
    test::writeText(source, "new");
    static int waits = 0;
    waits = 0;
    gf_setLockWait([](std::chrono::milliseconds) { ++waits; });
    std::string message;
    try {
        gf_replaceFile(source, target);
    } catch (const fs::filesystem_error& e) {
        message = e.what();
    }
    std::error_code removal;
    EXPECT_FALSE(gf_removeFile(target, removal)); // nor is it removed, at once
    gf_setLockWait(nullptr);
    fs::remove(source);
    EXPECT_NE(message.find("read-only"), std::string::npos) << message;
    EXPECT_NE(message.find(gf_utf8FileName(target)), std::string::npos) << message;
    EXPECT_EQ(removal, std::error_code(ERROR_ACCESS_DENIED, std::system_category())) << removal.message();
    EXPECT_EQ(waits, 0);
    EXPECT_EQ(test::readText(target), before);
}
#endif

// What cannot be copied is reported, and neither file changes.
TEST(FileCopy, ReportsWhatCannotBeCopied)
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
TEST(FileCopy, CopyOfAReadOnlyFileIsWritable)
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
