#include "base/path_case.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

TEST(FindCaseInsensitive, MatchesEachPartWhateverItsCase)
{
    test::TempDir dir;
    test::writeText(dir / "SimObjects/Airplanes/Aircraft.CFG", "x");
    for (const char* asked : {"simobjects/AIRPLANES/aircraft.cfg", "SimObjects/Airplanes/Aircraft.CFG"}) {
        const auto found = gf_findCaseInsensitive(dir.path(), asked);
        ASSERT_TRUE(found) << asked;
        EXPECT_EQ(test::nameKey(*found), test::nameKey(dir / "SimObjects/Airplanes/Aircraft.CFG")) << asked;
    }
    EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "simobjects/boats"), std::nullopt);
    EXPECT_EQ(gf_findCaseInsensitive(dir / "missing", "x"), std::nullopt);
    EXPECT_EQ(gf_findCaseInsensitive(dir / "SimObjects/Airplanes/Aircraft.CFG", "below-a-file"), std::nullopt);
}

TEST(FindCaseInsensitive, PrefersTheExactName)
{
    test::TempDir dir;
    fs::create_directories(dir / "community");
    fs::create_directories(dir / "Community");
    EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "Community"), dir / "Community");
    EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "community"), dir / "community");
}

} // namespace
} // namespace zyn
