#include "base/folder_publish.h"
#include "platform/system/lock_retry.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zyn {
namespace {

namespace fs = std::filesystem;

// A folder tree as relative paths and file contents; a path ending in "/" is an empty folder.
using Tree = std::map<std::string, std::string>;

void lf_lay(const fs::path& root, const Tree& tree)
{
    for (const auto& [path, content] : tree) {
        if (path.ends_with('/'))
            fs::create_directories(root / path);
        else
            test::writeText(root / path, content);
    }
}

Tree lf_read(const fs::path& root)
{
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (entry.is_directory()) {
            if (fs::is_empty(entry.path()))
                tree[relative + "/"] = "";
        } else {
            tree[relative] = test::readText(entry.path());
        }
    }
    return tree;
}

// The old folders A and B, A with a sub-folder of the user's, and a folder the publish leaves alone.
const Tree kOld{{"A/a.xml", "old a"}, {"A/gone.xml", "old"}, {"A/user/x.xml", "mine"}, {"B/b.txt", "old b"},
                {"other/o.txt", "kept"}};
// After the publish: the new A with the user's sub-folder, the new B, the new C.
const Tree kNew{{"A/a.xml", "new a"}, {"A/user/x.xml", "mine"}, {"B/b.txt", "new b"}, {"C/c.txt", "new c"},
                {"other/o.txt", "kept"}};

TEST(FolderPublish, StagedFoldersReplaceTheirsAndSubFoldersCarryOver)
{
    test::TempDir dir;
    lf_lay(dir.path(), kOld);
    FolderStaging staging(dir / "staging", {dir / "staging/A", dir / "staging/B", dir / "staging/C"});
    for (const auto& [file, bytes] : Tree{{"A/a.xml", "new a"}, {"B/b.txt", "new b"}, {"C/c.txt", "new c"}})
        staging.put(dir / "staging" / file, bytes);
    EXPECT_TRUE(staging.publish(dir / "committed"));
    EXPECT_EQ(lf_read(dir.path()), kNew);
}

// Every state a kill can leave after the commit, finished at the next start.
TEST(FolderPublish, AKillAfterTheCommitIsCompletedAtTheNextStart)
{
    const Tree committed{{"committed/A/a.xml", "new a"}, {"committed/B/b.txt", "new b"}, {"committed/C/c.txt", "new c"}};
    const Tree allSwapped{{"committed/replaced.folders/A/a.xml", "old a"},
                          {"committed/replaced.folders/A/user/x.xml", "mine"},
                          {"committed/replaced.folders/B/b.txt", "old b"},
                          {"A/a.xml", "new a"},
                          {"B/b.txt", "new b"},
                          {"C/c.txt", "new c"},
                          {"other/o.txt", "kept"}};
    const Tree halfRemoved{{"committed.spent/replaced.folders/B/b.txt", "old b"}, {"A/a.xml", "new a"},
                           {"A/user/x.xml", "mine"}, {"B/b.txt", "new b"}, {"C/c.txt", "new c"}, {"other/o.txt", "kept"}};
    const struct {
        const char* moment;
        Tree left;
        const char* readOnly = nullptr; // a file marked so
    } cases[] = {
        {"just committed", [&] {
             Tree t = kOld;
             t.insert(committed.begin(), committed.end());
             return t;
         }()},
        {"A moved aside",
         {{"committed/replaced.folders/A/a.xml", "old a"}, {"committed/replaced.folders/A/gone.xml", "old"},
          {"committed/replaced.folders/A/user/x.xml", "mine"}, {"committed/A/a.xml", "new a"},
          {"committed/B/b.txt", "new b"}, {"committed/C/c.txt", "new c"}, {"B/b.txt", "old b"},
          {"other/o.txt", "kept"}}},
        {"A swapped",
         {{"committed/replaced.folders/A/a.xml", "old a"}, {"committed/replaced.folders/A/gone.xml", "old"},
          {"committed/replaced.folders/A/user/x.xml", "mine"}, {"A/a.xml", "new a"}, {"committed/B/b.txt", "new b"},
          {"committed/C/c.txt", "new c"}, {"B/b.txt", "old b"}, {"other/o.txt", "kept"}}},
        {"all swapped, sub-folder not carried over", allSwapped},
        {"replaced folders half removed", halfRemoved},
        // A folder restored read-only: the spent folders go all the same (Windows refuses such a file).
        {"all swapped, an earlier spent folder holds a read-only file",
         [&] {
             Tree t = allSwapped;
             t.emplace("committed.spent/replaced.folders/B/b.txt", "older b");
             return t;
         }(),
         "committed.spent/replaced.folders/B/b.txt"},
        {"replaced folders half removed, a read-only file left", halfRemoved, "committed.spent/replaced.folders/B/b.txt"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        lf_lay(dir.path(), c.left);
        if (c.readOnly != nullptr)
            test::markFile(dir / c.readOnly, test::FileMark::ReadOnly);
        gf_finishFolderPublish(dir / "committed");
        EXPECT_EQ(lf_read(dir.path()), kNew) << c.moment;
        gf_finishFolderPublish(dir / "committed"); // a second start finds nothing left to do
        EXPECT_EQ(lf_read(dir.path()), kNew) << c.moment;
    }
}

#ifdef _WIN32
// A spent folder that cannot be removed (a file in it held open by another program without sharing
// its deletion) is only logged: the new folders stay in place, the publish stays committed, and a
// later finish completes it.
TEST(FolderPublish, ASpentFolderThatStaysLeavesThePublishCommitted)
{
    test::TempDir dir;
    Tree left = kOld;
    left.emplace("committed/A/a.xml", "new a");
    left.emplace("committed/B/b.txt", "new b");
    left.emplace("committed/C/c.txt", "new c");
    left.emplace("committed.spent/held.txt", "held");
    lf_lay(dir.path(), left);
    const HANDLE held = CreateFileW((dir / "committed.spent/held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    gf_setLockWait([](std::chrono::milliseconds) {});
    EXPECT_NO_THROW(gf_finishFolderPublish(dir / "committed"));
    gf_setLockWait(nullptr);
    CloseHandle(held);
    Tree after = lf_read(dir.path());
    std::erase_if(after, [](const auto& file) { return file.first.starts_with("committed"); });
    EXPECT_EQ(after, kNew);
    EXPECT_TRUE(fs::exists(dir / "committed"));
    gf_finishFolderPublish(dir / "committed");
    EXPECT_EQ(lf_read(dir.path()), kNew);
}
#endif

TEST(FolderPublish, NothingCommittedLeavesTheOldFolders)
{
    test::TempDir dir;
    lf_lay(dir.path(), kOld);
    gf_finishFolderPublish(dir / "committed");
    EXPECT_EQ(lf_read(dir.path()), kOld);
}

// A folder that cannot be moved in (here a file in the way of the old one's move aside, a held file
// on Windows) puts back every folder already swapped, by this run or by a killed one: the old ones
// stay whole, and once nothing is in the way a finish publishes the new ones.
TEST(FolderPublish, AFolderThatCannotMoveInPutsBackTheOthers)
{
    const Tree committed{{"committed/A/a.xml", "new a"}, {"committed/B/b.txt", "new b"}, {"committed/C/c.txt", "new c"}};
    const Tree inTheWay{{"committed/replaced.folders/B", "in the way"}};
    const struct {
        const char* moment;
        Tree left;
    } cases[] = {
        {"just committed", kOld},
        {"A swapped by a killed run",
         {{"committed/replaced.folders/A/a.xml", "old a"}, {"committed/replaced.folders/A/gone.xml", "old"},
          {"committed/replaced.folders/A/user/x.xml", "mine"}, {"A/a.xml", "new a"}, {"B/b.txt", "old b"},
          {"other/o.txt", "kept"}}},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        lf_lay(dir.path(), c.left);
        const bool aSwapped = c.left.at("A/a.xml") == "new a";
        for (const Tree& more : {committed, inTheWay})
            for (const auto& [path, content] : more)
                if (!(aSwapped && path.starts_with("committed/A/")))
                    test::writeText(dir / path, content);
        EXPECT_THROW(gf_finishFolderPublish(dir / "committed"), PublishPutBack) << c.moment;
        Tree left = lf_read(dir.path());
        std::erase_if(left, [](const auto& file) { return file.first.starts_with("committed/"); });
        EXPECT_EQ(left, kOld) << c.moment;
        fs::remove(dir / "committed/replaced.folders/B");
        gf_finishFolderPublish(dir / "committed");
        EXPECT_EQ(lf_read(dir.path()), kNew) << c.moment;
    }
}

// Entries placed elsewhere than beside the staging go with its folders: a folder and a file replace
// theirs, an entry not staged takes its target away, and a failure puts them back with the folders.
TEST(FolderPublish, PlacedEntriesAreSwappedWithTheFolders)
{
    test::TempDir dir;
    const Tree old{{"A/a.xml", "old a"}, {"B/b.txt", "old b"},         {"out/T/t.xml", "old t"},
                   {"out/info/report.txt", "old report"}, {"out/info/other.txt", "kept"}, {"out/G/g.txt", "old g"}};
    lf_lay(dir.path(), old);
    const auto stage = [&dir] {
        FolderStaging staging(dir / "staging", {dir / "staging/A", dir / "staging/B"},
                              {{dir / "staging/T", dir / "out/T"},
                               {dir / "staging/report.txt", dir / "out/info/report.txt"},
                               {dir / "staging/G", dir / "out/G"}});
        for (const auto& [file, bytes] : Tree{{"A/a.xml", "new a"}, {"B/b.txt", "new b"}, {"T/t.xml", "new t"},
                                              {"report.txt", "new report"}})
            staging.put(dir / "staging" / file, bytes);
        return staging.publish(dir / "committed");
    };
    test::writeText(dir / "staging/replaced.folders/G", "in the way"); // of the last entry's move aside
    EXPECT_THROW(stage(), PublishPutBack);
    Tree left = lf_read(dir.path());
    std::erase_if(left, [](const auto& file) { return file.first.starts_with("committed/"); });
    EXPECT_EQ(left, old);
    fs::remove_all(dir / "committed");
    EXPECT_TRUE(stage());
    EXPECT_EQ(lf_read(dir.path()), (Tree{{"A/a.xml", "new a"}, {"B/b.txt", "new b"}, {"out/T/t.xml", "new t"},
                                         {"out/info/report.txt", "new report"}, {"out/info/other.txt", "kept"}}));
}


// Published folders A and B, a placed report and a placed folder T; the staging's puts (the placed
// ones always equal); what a publish leaves; whether it published. A file whose bytes stay is the
// published file itself (its inode), never one written again; nor is it opened for writing, which
// the read-only mark a user may leave on it refuses (not to root on Linux).
TEST(FolderStaging, EqualFilesKeepTheirInodeAndOnlyAChangePublishes)
{
    const Tree published{{"A/same.xml", "same"}, {"A/changed.xml", "old"}, {"A/user/x.xml", "mine"},
                         {"B/b.txt", "b"},       {"out/report.txt", "report"}, {"out/T/t.xml", "t"}};
    const Tree placedPuts{{"report.txt", "report"}, {"T/t.xml", "t"}};
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> puts;
        bool publishes;
        bool equalReadOnly = false; // the files that stay equal carry the read-only mark
        int added = 0;              // more files added to B: past the count flushed one by one
    } cases[] = {
        {"every file equal", {{"A/same.xml", "same"}, {"A/changed.xml", "old"}, {"B/b.txt", "b"}}, false},
        {"one file changed", {{"A/same.xml", "same"}, {"A/changed.xml", "new"}, {"B/b.txt", "b"}}, true},
        {"one file added", {{"A/same.xml", "same"}, {"A/changed.xml", "old"}, {"A/new.xml", "n"}, {"B/b.txt", "b"}},
         true},
        {"one file lacking", {{"A/same.xml", "same"}, {"B/b.txt", "b"}}, true},
        {"one file put twice", {{"A/same.xml", "same"}, {"A/changed.xml", "old"}, {"B/b.txt", "b"}, {"B/b.txt", "b"}},
         false},
        {"one file changed, the equal ones read-only",
         {{"A/same.xml", "same"}, {"A/changed.xml", "new"}, {"B/b.txt", "b"}}, true, true},
        {"many files added, the equal ones read-only",
         {{"A/same.xml", "same"}, {"A/changed.xml", "old"}, {"B/b.txt", "b"}}, true, true, 20},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        lf_lay(dir.path(), published);
        std::map<std::string, std::uint64_t> inodes;
        for (const auto& [file, bytes] : published) {
            inodes[file] = test::fileNumber(dir / file);
            ASSERT_NE(inodes[file], 0u) << file;
        }
        Tree expected(c.puts.begin(), c.puts.end());
        for (int n = 0; n < c.added; ++n)
            expected[fmt::format("B/added{}.txt", n)] = "added";
        if (c.equalReadOnly)
            for (const auto& [file, bytes] : published)
                if (file.starts_with("out/") || (expected.contains(file) && expected.at(file) == bytes))
                    test::markFile(dir / file, test::FileMark::ReadOnly);
        const test::TempDir reader;
        fs::create_hard_link(dir / "A/changed.xml", reader / "held.xml"); // a reader's view of the old file
        FolderStaging staging(dir / "staging", {dir / "staging/A", dir / "staging/B"},
                              {{dir / "staging/report.txt", dir / "out/report.txt"}, {dir / "staging/T", dir / "out/T"}});
        for (const auto& [file, bytes] : c.puts)
            staging.put(dir / "staging" / file, bytes);
        for (const auto& [file, bytes] : placedPuts)
            staging.put(dir / "staging" / file, bytes);
        for (int n = 0; n < c.added; ++n)
            staging.put(dir / "staging/B" / fmt::format("added{}.txt", n), "added");
        EXPECT_EQ(staging.publish(dir / "committed"), c.publishes) << c.what;
        expected.insert({{"A/user/x.xml", "mine"}, {"out/report.txt", "report"}, {"out/T/t.xml", "t"}});
        Tree left = lf_read(dir.path());
        if (c.equalReadOnly) // the replaced folders' links of marked files may wait for the next finish
            std::erase_if(left, [](const auto& file) { return file.first.starts_with("committed.spent/"); });
        EXPECT_EQ(left, expected) << c.what;
        for (const auto& [file, bytes] : expected) {
            if (published.contains(file) && published.at(file) == bytes) {
                EXPECT_EQ(test::fileNumber(dir / file), inodes[file]) << c.what << " " << file;
            }
        }
        EXPECT_EQ(test::readText(reader / "held.xml"), "old") << c.what; // replaced by a new file, not rewritten
    }
}

TEST(FolderStaging, PutsOfOneFileFromManyThreadsLeaveOneWholeFile)
{
    test::TempDir dir;
    lf_lay(dir.path(), {{"A/a.xml", "published"}});
    FolderStaging staging(dir / "staging", {dir / "staging/A"});
    std::vector<std::string> texts;
    for (int t = 0; t < 8; ++t)
        texts.push_back(std::string(200000 + t, static_cast<char>('a' + t)));
    texts[0] = "published";
    std::vector<std::thread> threads;
    for (const std::string& text : texts)
        threads.emplace_back([&staging, &dir, &text] {
            for (int round = 0; round < 20; ++round)
                staging.put(dir / "staging/A/a.xml", text);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(staging.publish(dir / "committed"));
    const std::string left = test::readText(dir / "A/a.xml");
    EXPECT_NE(std::find(texts.begin() + 1, texts.end(), left), texts.end()) << left.size();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "A"), fs::directory_iterator()), 1);
}

// A kept folder (the package's files beside the scan's): the staged files join the published ones and
// win over them; with nothing new, it stays as it is.
TEST(FolderStaging, AKeptFolderGainsTheNewFilesOrStaysAsItIs)
{
    test::TempDir dir;
    lf_lay(dir.path(), {{"A/package.txt", "package"}, {"A/scan.xml", "scan"}, {"A/user/x.xml", "mine"},
                        {"B/b.txt", "old"}});
    const std::uint64_t package = test::fileNumber(dir / "A/package.txt");
    const struct {
        const char* what;
        Tree puts;
    } cases[] = {
        {"nothing new", {{"A/scan.xml", "scan"}, {"B/b.txt", "new"}}},
        {"a file added and one changed", {{"A/scan.xml", "rescanned"}, {"A/added.xml", "added"}, {"B/b.txt", "new"}}},
    };
    for (const auto& c : cases) {
        FolderStaging staging(dir / "staging", {dir / "staging/A", dir / "staging/B"});
        for (const auto& [file, bytes] : c.puts)
            staging.put(dir / "staging" / file, bytes);
        staging.keepPublished(dir / "staging/A");
        EXPECT_TRUE(staging.publish(dir / "committed")) << c.what;
        Tree expected = c.puts;
        expected.insert({{"A/package.txt", "package"}, {"A/user/x.xml", "mine"}});
        EXPECT_EQ(lf_read(dir.path()), expected) << c.what;
        EXPECT_EQ(test::fileNumber(dir / "A/package.txt"), package) << c.what;
    }
}

} // namespace
} // namespace zyn
