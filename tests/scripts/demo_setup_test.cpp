// The settings file the run commands write (scripts/run, scripts/windows-session): a folder's name
// stands in an XML attribute through xml_text (scripts/demo-setup.sh), so that the program reads it
// back whole, whatever the name holds.
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <string>

namespace zyn {
namespace {

TEST(RunCommandHelpers, FolderNamesInTheSettingsFileReadBackWhole)
{
    for (const std::string name : {"/home/R&D/Packages", "/tmp/<a>", "/tmp/say \"hi\"", "/tmp/it's", "/tmp/plain"}) {
        test::TempDir folder;
        test::writeText(folder / "name.txt", name);
        const std::string line = fmt::format(
            "cd '{}' && bash -c 'source \"$0\" && printf \"<p v=\\\"%s\\\"/>\" \"$(xml_text \"$(cat name.txt)\")\"' "
            "'{}/scripts/demo-setup.sh' > settings.xml",
            folder.path().string(), TARVO_SOURCE_DIR);
        ASSERT_EQ(std::system(line.c_str()), 0) << name;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file((folder / "settings.xml").c_str())) << test::readText(folder / "settings.xml");
        EXPECT_EQ(std::string(document.child("p").attribute("v").value()), name);
    }
}

} // namespace
} // namespace zyn
