#include "base/atomic_file.h"
#include "tests/support/temp_dir.h"
#ifndef _WIN32
#include "tests/support/child_role.h"
#endif

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace zyn {
namespace {

namespace fs = std::filesystem;
using test::readText;

// Whatever marks the user's tools left on the old file (which Windows refuses to replace).
TEST(AtomicFile, ReplacesTheFileWholeAndLeavesNoTemporary)
{
    using test::FileMark;
    for (const FileMark mark : {FileMark::None, FileMark::ReadOnly, FileMark::Hidden, FileMark::ReadOnlyHidden}) {
        test::TempDir dir;
        const auto path = dir / "data.txt";
        test::writeText(path, "old content that is longer than the new one");
        test::markFile(path, mark);
        EXPECT_NO_THROW(gf_writeFileAtomic(path, "new")) << static_cast<int>(mark);
        EXPECT_EQ(readText(path), "new") << static_cast<int>(mark);
        EXPECT_EQ(test::folderEntries(dir.path()), std::vector<std::string>{"data.txt"}) << static_cast<int>(mark);
    }
}

TEST(AtomicFile, DeferredWriteReplacesWholeAndOneSyncFlushesIt)
{
    test::TempDir dir;
    const auto path = dir / "staged.txt";
    test::writeText(path, "old");
    gf_writeFileAtomic(path, "new", FileSync::Deferred);
    gf_syncFileSystem(dir.path(), {path});
    gf_syncFolder(dir.path());
    EXPECT_EQ(readText(path), "new");
    EXPECT_EQ(test::folderEntries(dir.path()), std::vector<std::string>{"staged.txt"});
    EXPECT_THROW(gf_syncFileSystem(dir / "missing", {dir / "missing" / "staged.txt"}), fs::filesystem_error);
#ifndef _WIN32 // Windows' replace is made durable by the move itself: there is no folder to sync
    EXPECT_THROW(gf_syncFolder(dir / "missing"), fs::filesystem_error);
#endif
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndCleansUp)
{
    test::TempDir dir;
    const auto target = dir / "target";
    fs::create_directory(target); // rename over a folder fails after the bytes were written
    EXPECT_THROW(gf_writeFileAtomic(target, "bytes"), fs::filesystem_error);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(test::folderEntries(dir.path()), std::vector<std::string>{"target"});
    EXPECT_THROW(gf_writeFileAtomic(dir / "missing" / "file.txt", "bytes"), fs::filesystem_error);
}

#ifndef _WIN32 // a child process ended half-way through its save
// A save that the system ends half-way, as a kill would: the file-size limit stops the write.
int lf_writeBeyondTheLimit(const test::RoleArgs& args)
{
    const rlimit small{4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
        return 2;
    gf_writeFileAtomic(args.value("path"), std::string(65536, 'n'));
    return 0;
}
const test::ChildRole g_cutSaveRole{"atomic-file-cut-save", &lf_writeBeyondTheLimit};

TEST(AtomicFile, KillMidSaveLeavesATemporaryThatTheNextStartRemoves)
{
    test::TempDir dir;
    fs::create_directory(dir / "sub");
    const auto path = dir / "sub" / "data.txt";
    test::writeText(path, "old");
    for (const char* name :
         {"notes.tmp", "data.txt.tarvo-123.tmp", "data.txt.tarvo-0123456789ABCDEF.tmp", "notes.part"})
        test::writeText(dir / name, "the user's");
    fs::create_directory(dir / "folder.tarvo-0123456789abcdef.tmp");
    test::RoleChild child(g_cutSaveRole, test::RoleStart().value("path", path.string()));
    ASSERT_TRUE(child.waitForExit(std::chrono::seconds(60)));
    ASSERT_EQ(child.endSignal(), SIGXFSZ);
    ASSERT_EQ(test::folderEntries(dir / "sub").size(), 2u) << "the half-written temporary stays";
    gf_removeStaleTemporaries(dir.path());
    EXPECT_EQ(test::folderEntries(dir / "sub"), std::vector<std::string>{"data.txt"});
    EXPECT_EQ(readText(path), "old");
    EXPECT_EQ(test::folderEntries(dir.path()),
              (std::vector<std::string>{"data.txt.tarvo-0123456789ABCDEF.tmp", "data.txt.tarvo-123.tmp",
                                        "folder.tarvo-0123456789abcdef.tmp", "notes.part", "notes.tmp", "sub"}));
}
#endif

// What downloads killed midway left beside their targets goes at the next start, from the top of the
// program folder and of the per-user data folder; any other ".part" stays.
TEST(AtomicFile, StartRemovesWhatKilledDownloadsLeftAndNothingElse)
{
    test::TempDir program;
    test::TempDir user;
    struct Row {
        const char* kind;
        fs::path file;
        bool removed;
    };
    const Row rows[] = {
        {"version file", program / "version.json.part", true},
        {"aircraft database", program / "dbase.zip.part", true},
        {"registration codes", program / "AIG-regcodes.zip.part", true},
        {"companion package", program / "my_simaddon2024.zip.part", true},
        {"installer archive", program / "setup_Tarvo_d_v10.10.5.zip.part", true},
        {"installer", program / "install_new_version.exe.part", true},
        {"stock airport file", program / "EDDF.xml.tarvo-0123456789abcdef.tmp.part", true},
        {"server airport file", user / "park_airport.xml.part", true},
        {"the user's own", program / "notes.part", false},
        {"a download's name in another folder", program / "airports" / "my_thirdparty" / "dbase.zip.part", false},
        {"a finished download", program / "version.json", false},
    };
    for (const Row& row : rows) {
        fs::create_directories(row.file.parent_path());
        test::writeText(row.file, "part");
    }
    gf_removeStaleTemporaries(program.path());
    gf_removeStaleTemporaries(user.path());
    for (const Row& row : rows)
        EXPECT_EQ(fs::exists(row.file), !row.removed) << row.kind;
}

TEST(AtomicFile, LeftoversOfAnEarlierProcessNeverFailASave)
{
    test::TempDir dir;
    const auto path = dir / "data.txt";
    // What an earlier process of the same id could have left under any name it derived from its id.
    for (int n = 0; n < 2000; ++n)
        test::writeText(dir / fmt::format("data.txt.{}-{}.tmp", ::getpid(), n), "");
    gf_writeFileAtomic(path, "new");
    EXPECT_EQ(readText(path), "new");
}

TEST(AtomicFile, SavesXmlAsPugixmlFormatsIt)
{
    test::TempDir dir;
    pugi::xml_document document;
    document.append_child("root").append_child("item").append_attribute("name").set_value("a");
    gf_saveXmlAtomic(document, dir / "doc.xml");
    EXPECT_EQ(readText(dir / "doc.xml"), "<?xml version=\"1.0\"?>\n<root>\n\t<item name=\"a\" />\n</root>\n");
}

TEST(AtomicFileThreads, ConcurrentWritersLeaveOneWholeVersion)
{
    test::TempDir dir;
    const auto path = dir / "shared.txt";
    const std::string a(100000, 'a');
    const std::string b(50000, 'b');
    std::vector<std::thread> writers;
    for (const auto* text : {&a, &b, &a, &b})
        writers.emplace_back([&path, text] {
            for (int i = 0; i < 20; ++i)
                gf_writeFileAtomic(path, *text);
        });
    for (auto& writer : writers)
        writer.join();
    const auto content = readText(path);
    EXPECT_TRUE(content == a || content == b);
    EXPECT_EQ(test::folderEntries(dir.path()), std::vector<std::string>{"shared.txt"});
}

} // namespace
} // namespace zyn
