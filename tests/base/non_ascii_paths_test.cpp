// Folders and files whose names hold non-ASCII letters, through the readers and writers that take
// them from UTF-8 text: the bytes on disk are the UTF-8 name, and what is read back is what was written.
#include "airport/bgl_reader.h"
#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/path_text.h"
#include "base/pending_file.h"
#include "base/zip_archive.h"
#include "platform/system/calendar.h"
#include "platform/system/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_fixture.h"
#include "tools/bgl_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zyn {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kNames{"Jürgen", "Ünïcødé", "日本語", "Łódź Ørsted", "plain"};

std::vector<std::string> lf_namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(gf_utf8FileName(entry.path()));
    return names;
}

TEST(NonAsciiPaths, TextNamesTheFolderAndComesBackUnchanged)
{
    test::TempDir dir;
    for (const std::string& name : kNames) {
        const fs::path folder = dir / gf_pathFromUtf8(name);
        fs::create_directory(folder);
        EXPECT_EQ(lf_namesIn(dir.path()).back(), name);
        EXPECT_EQ(gf_utf8FromPath(folder), gf_utf8FromPath(dir.path()) + char(fs::path::preferred_separator) + name);
        EXPECT_EQ(gf_pathFromUtf8(gf_utf8FromPath(folder)), folder);
        EXPECT_EQ(gf_genericUtf8FromPath(gf_pathFromUtf8(name) / "a.xml"), name + "/a.xml");
        fs::remove(folder);
    }
}

TEST(NonAsciiPaths, AtomicWriterKeepsEveryByte)
{
    test::TempDir dir;
    const fs::path folder = dir / gf_pathFromUtf8("Jürgen");
    fs::create_directory(folder);
    const fs::path path = folder / gf_pathFromUtf8("paramètres.xml");
    for (const std::string& bytes : {std::string("a\nb\n"), std::string("a\r\nb\r\n"), std::string("\r"),
                                     std::string("before\x1a" "after"), std::string("\0\xff\n", 3), std::string()}) {
        gf_writeFileAtomic(path, bytes);
        EXPECT_EQ(test::readText(path), bytes);
    }
    EXPECT_EQ(lf_namesIn(folder), std::vector<std::string>{"paramètres.xml"});
}

TEST(NonAsciiPaths, FileHelpersReadAndWriteInTheFolder)
{
    test::TempDir dir;
    const fs::path folder = dir / gf_pathFromUtf8("Ünïcødé");
    fs::create_directory(folder);
    const fs::path lines = folder / gf_pathFromUtf8("Łódź.txt");
    gf_writeLines({"Jürgen", "b"}, lines);
    EXPECT_EQ(test::readText(lines), "Jürgen\nb\n");
    test::writeText(lines, "Jürgen\r\nb\r\n");
    EXPECT_EQ(gf_readFile(lines, 2), (std::vector<std::string>{"Jürgen", "b"}));

    const fs::path part = folder / gf_pathFromUtf8("日本.zip");
    {
        PendingFile file(part);
        ASSERT_TRUE(file.write("x\r\ny\n"));
        file.commit();
    }
    EXPECT_EQ(test::readText(part), "x\r\ny\n");

    std::FILE* file = gf_openFile(lines, "rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(gf_openFile(folder / "missing", "rb"), nullptr);
}

TEST(NonAsciiPaths, ArchivesAndSceneryOpenThere)
{
    test::TempDir dir;
    const fs::path folder = dir / gf_pathFromUtf8("Ünïcødé");
    fs::create_directory(folder);
    test::writeZip(folder / gf_pathFromUtf8("Jürgen.zip"), {{"a.xml", "A"}});
    const ZipArchive archive(folder / gf_pathFromUtf8("Jürgen.zip"));
    EXPECT_EQ(archive.readText(0), "A");

    const auto bytes = tools::gf_bglBytes({.airports = {tools::gf_bglAirport("EDDT", 50.0, 10.0, 1)}});
    const fs::path bgl = folder / gf_pathFromUtf8("Flughafen Zürich.bgl");
    test::writeText(bgl, std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(gf_startAirportBgl(bgl).has_value());
}

} // namespace
} // namespace zyn
