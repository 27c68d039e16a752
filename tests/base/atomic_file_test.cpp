#include "base/atomic_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <thread>
#include <vector>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using test::readText;

std::vector<std::string> lf_folderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(AtomicFile, ReplacesTheFileWholeAndLeavesNoTemporary)
{
    test::TempDir dir;
    const auto path = dir / "data.txt";
    test::writeText(path, "old content that is longer than the new one");
    gf_writeFileAtomic(path, "new");
    EXPECT_EQ(readText(path), "new");
    EXPECT_EQ(lf_folderEntries(dir.path()), std::vector<std::string>{"data.txt"});
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndCleansUp)
{
    test::TempDir dir;
    const auto target = dir / "target";
    fs::create_directory(target); // rename over a folder fails after the bytes were written
    EXPECT_THROW(gf_writeFileAtomic(target, "bytes"), fs::filesystem_error);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(lf_folderEntries(dir.path()), std::vector<std::string>{"target"});
    EXPECT_THROW(gf_writeFileAtomic(dir / "missing" / "file.txt", "bytes"), fs::filesystem_error);
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
    EXPECT_EQ(lf_folderEntries(dir.path()), std::vector<std::string>{"shared.txt"});
}

} // namespace
} // namespace zyn
