#include "base/folder_publish.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

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
    lf_lay(dir / "staging", {{"A/a.xml", "new a"}, {"B/b.txt", "new b"}, {"C/c.txt", "new c"}});
    gf_publishFolders(dir / "staging", dir / "committed");
    EXPECT_EQ(lf_read(dir.path()), kNew);
}

// Every state a kill can leave after the commit, finished at the next start.
TEST(FolderPublish, AKillAfterTheCommitIsCompletedAtTheNextStart)
{
    const Tree committed{{"committed/A/a.xml", "new a"}, {"committed/B/b.txt", "new b"}, {"committed/C/c.txt", "new c"}};
    const struct {
        const char* moment;
        Tree left;
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
        {"all swapped, sub-folder not carried over",
         {{"committed/replaced.folders/A/a.xml", "old a"}, {"committed/replaced.folders/A/user/x.xml", "mine"},
          {"committed/replaced.folders/B/b.txt", "old b"}, {"A/a.xml", "new a"}, {"B/b.txt", "new b"},
          {"C/c.txt", "new c"}, {"other/o.txt", "kept"}}},
        {"replaced folders half removed",
         {{"committed.spent/replaced.folders/B/b.txt", "old b"}, {"A/a.xml", "new a"}, {"A/user/x.xml", "mine"},
          {"B/b.txt", "new b"}, {"C/c.txt", "new c"}, {"other/o.txt", "kept"}}},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        lf_lay(dir.path(), c.left);
        gf_finishFolderPublish(dir / "committed");
        EXPECT_EQ(lf_read(dir.path()), kNew) << c.moment;
        gf_finishFolderPublish(dir / "committed"); // a second start finds nothing left to do
        EXPECT_EQ(lf_read(dir.path()), kNew) << c.moment;
    }
}

TEST(FolderPublish, NothingCommittedLeavesTheOldFolders)
{
    test::TempDir dir;
    lf_lay(dir.path(), kOld);
    gf_finishFolderPublish(dir / "committed");
    EXPECT_EQ(lf_read(dir.path()), kOld);
}

TEST(FolderPublish, KeptFilesJoinTheStagedFolderWhichWins)
{
    test::TempDir dir;
    lf_lay(dir.path(), {{"A/kept.txt", "package"}, {"A/both.txt", "old"}, {"A/user/x.xml", "mine"}});
    lf_lay(dir / "staging", {{"A/both.txt", "new"}, {"A/added.xml", "scan"}});
    gf_stageKeptFiles(dir / "A", dir / "staging" / "A");
    gf_publishFolders(dir / "staging", dir / "committed");
    EXPECT_EQ(lf_read(dir.path()),
              (Tree{{"A/kept.txt", "package"}, {"A/both.txt", "new"}, {"A/added.xml", "scan"}, {"A/user/x.xml", "mine"}}));
}

} // namespace
} // namespace zyn
