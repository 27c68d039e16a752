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
    EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "simobjects/AIRPLANES/aircraft.cfg"),
              dir / "SimObjects/Airplanes/Aircraft.CFG");
    EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "SimObjects/Airplanes/Aircraft.CFG"),
              dir / "SimObjects/Airplanes/Aircraft.CFG");
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
