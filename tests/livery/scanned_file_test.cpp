// "LiveriesScanned.xml" written and read back in a temporary program folder.
#include "base/errors.h"
#include "base/folders.h"
#include "livery/scanned_file.h"
#include "settings/xml_meta.h"
#include "tests/settings/settings_file_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class ScannedLiveriesFile : public test::SettingsFolder {
protected:
    void SetUp() override
    {
        SettingsFolder::SetUp();
        fs::create_directories(g_outputPath);
    }
    void TearDown() override
    {
        g_scannedLiveries.clear();
        SettingsFolder::TearDown();
    }
    static void writeFile(const std::string& liveries)
    {
        test::writeText(g_liveriesScannedPath, "<meta><info name='author' value='Tarvo'/><info name='version' "
                                               "value='1.0.0'/><info name='date' value='d'/></meta>" +
                                                   liveries);
    }
    // The user error that reading the file raises.
    static std::pair<std::int32_t, std::string> readError()
    {
        try {
            lf_readLiveriesScanned();
        } catch (const UserErrorException& e) {
            return {e.code(), e.what()};
        }
        return {0, "no user error"};
    }
};

TEST_F(ScannedLiveriesFile, RoundTripKeepsEveryLiveryWithItsMetaBlock)
{
    g_scannedLiveries = {{"DLH", "A320", "Airbus A320 Lufthansa", "D-AIZA", 2, false},
                         {"DLH", "B744", "Boeing 747 Lufthansa Cargo & Co", "", 1, true},
                         {"ZZZ", "C172", "Cessna <white>", "", 3, false}};
    ASSERT_TRUE(gf_saveLiveries());
    EXPECT_TRUE(logHas(fmt::format("3 liveries in {}", g_liveriesScannedPath.string())));

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(g_liveriesScannedPath.c_str()));
    EXPECT_EQ(std::string(document.first_child().name()), "meta");
    EXPECT_TRUE(gf_checkXmlMeta(document));
    std::vector<std::string> attributes;
    for (auto node : document.child("liveries").children("liv")) {
        attributes.emplace_back();
        for (auto attribute : node.attributes())
            attributes.back() += std::string(attribute.name()) + " ";
    }
    EXPECT_EQ(attributes, (std::vector<std::string>{"airl type title atcid ", "airl type cargo title ",
                                                    "airl type title "}));

    const std::vector<LiveryData> read = lf_readLiveriesScanned();
    std::vector<LiveryData> expected(g_scannedLiveries.begin(), g_scannedLiveries.end());
    for (LiveryData& livery : expected)
        livery.folderIndex = 0; // the file does not keep the priority
    EXPECT_EQ(read, expected);
    EXPECT_TRUE(logHas(fmt::format("3 liveries read from {}", g_liveriesScannedPath.string())));
}

TEST_F(ScannedLiveriesFile, UnusableFilesAreUserErrors)
{
    const std::string path = g_liveriesScannedPath.string();
    EXPECT_EQ(readError(), std::make_pair(51, "51: File " + path + " not found"));
    writeFile("<other/>");
    EXPECT_EQ(readError(), std::make_pair(52, "52: " + path + " does not contain a <liveries> section"));
    writeFile("<liveries><other/></liveries>");
    EXPECT_EQ(readError(), std::make_pair(533, "533: " + path + " does not contain liveries"));

    // A damaged file goes aside whole, so the next start finds it gone and rescans; so does the next
    // one, over the first, whatever marks a user's tools left on that.
    const fs::path backup = gf_damagedFileBackupPath(g_liveriesScannedPath);
    for (const auto mark : {test::FileMark::None, test::FileMark::ReadOnly, test::FileMark::Hidden}) {
        if (fs::exists(backup))
            test::markFile(backup, mark);
        writeFile("<liveries><liv airl='A' type=" + std::to_string(static_cast<int>(mark)));
        const std::string damaged = test::readText(g_liveriesScannedPath);
        const auto [code, text] = readError();
        EXPECT_EQ(code, 51);
        EXPECT_TRUE(text.starts_with("51: File " + path + " is damaged (")) << text;
        EXPECT_TRUE(text.ends_with("), kept as " + backup.string() + "; rescan the liveries")) << text;
        EXPECT_FALSE(fs::exists(g_liveriesScannedPath));
        EXPECT_EQ(test::readText(backup), damaged);
    }
}

TEST_F(ScannedLiveriesFile, RescanReplacesTheWholeFileAndLeavesNoTemporary)
{
    g_scannedLiveries = {{"AAA", "A320", "old one", "", 1, false}, {"AAA", "A320", "old two", "", 1, false}};
    ASSERT_TRUE(gf_saveLiveries());
    g_scannedLiveries = {{"BBB", "B738", "new", "", 1, false}};
    ASSERT_TRUE(gf_saveLiveries());
    const auto read = lf_readLiveriesScanned();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].title, "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(g_outputPath), fs::directory_iterator()), 1);
}

} // namespace
} // namespace zyn
