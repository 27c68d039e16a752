#include "base/zip_archive.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace zyn {
namespace {

class ZipArchiveFiles : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(ZipArchiveFiles, ListsEntriesInArchiveOrder)
{
    for (const test::ZipEntries& entries :
         {test::ZipEntries{}, test::ZipEntries{{"a.xml", "A"}},
          test::ZipEntries{{"sub/", ""}, {"sub/b.xml", "B"}, {"a.xml", "A"}}}) {
        test::writeZip(dir / "x.zip", entries);
        const ZipArchive archive(dir / "x.zip");
        std::vector<std::string> expected;
        for (const auto& entry : entries)
            expected.push_back(entry.first);
        EXPECT_EQ(archive.entryNames(), expected);
        EXPECT_EQ(archive.entryCount(), entries.size());
    }
}

TEST_F(ZipArchiveFiles, ReadsEntriesAsText)
{
    const std::string large(3 * ZipArchive::chunkSize + 17, 'q');
    test::writeZip(dir / "x.zip", {{"small.txt", "line 1\r\nline 2\n"}, {"large.bin", large}});
    const ZipArchive archive(dir / "x.zip");
    EXPECT_EQ(archive.readText(0), "line 1\r\nline 2\n");
    EXPECT_EQ(archive.readText(1), large);
}

TEST_F(ZipArchiveFiles, CopiesInBlocksOfTheChunkSize)
{
    const std::string content(2 * ZipArchive::chunkSize + 5, 'z');
    test::writeZip(dir / "x.zip", {{"f", content}});
    const ZipArchive archive(dir / "x.zip");
    std::vector<std::size_t> blocks;
    std::string copied;
    archive.copyEntry(0, [&](std::string_view block) {
        blocks.push_back(block.size());
        copied.append(block);
        return true;
    });
    EXPECT_EQ(copied, content);
    EXPECT_EQ(blocks, (std::vector<std::size_t>{ZipArchive::chunkSize, ZipArchive::chunkSize, 5}));
}

TEST_F(ZipArchiveFiles, SinkFailureStopsTheCopy)
{
    test::writeZip(dir / "x.zip", {{"f", "content"}});
    const ZipArchive archive(dir / "x.zip");
    EXPECT_THROW(archive.copyEntry(0, [](std::string_view) { return false; }), ZipError);
}

TEST_F(ZipArchiveFiles, RejectsWhatIsNotAZip)
{
    test::writeText(dir / "text.zip", "<html>404 Not Found</html>");
    test::writeText(dir / "empty.zip", "");
    EXPECT_THROW(ZipArchive(dir / "text.zip"), ZipError);
    EXPECT_THROW(ZipArchive(dir / "empty.zip"), ZipError);
    EXPECT_THROW(ZipArchive(dir / "missing.zip"), ZipError);
}

TEST_F(ZipArchiveFiles, DetectsACorruptEntry)
{
    test::writeDamagedZip(dir / "x.zip", "f.txt", std::string(4096, 'k'));
    const ZipArchive archive(dir / "x.zip");
    EXPECT_THROW(archive.readText(0), ZipError);
}

} // namespace
} // namespace zyn
