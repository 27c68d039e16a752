#include "base/pending_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class PendingFileWrites : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path target = dir / "data.xml";
};

TEST_F(PendingFileWrites, ReplacesTheTargetOnlyOnCommit)
{
    test::writeText(target, "old");
    {
        PendingFile file(target);
        ASSERT_TRUE(file.write("new content"));
        EXPECT_EQ(test::readText(target), "old");
        file.commit();
    }
    EXPECT_EQ(test::readText(target), "new content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(PendingFileWrites, AbandonedFileLeavesNoTrace)
{
    test::writeText(target, "old");
    {
        PendingFile file(target);
        file.write("half");
    }
    EXPECT_EQ(test::readText(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(PendingFileWrites, UnwritableFolderThrows)
{
    EXPECT_THROW(PendingFile(dir / "missing" / "data.xml"), fs::filesystem_error);
}

} // namespace
} // namespace zyn
