// Saves of the learned file killed at random moments leave it whole: the old content or the new.
#include "parking/learned_save.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/child_role.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <signal.h>
#include <unistd.h>

namespace zyn {
namespace {

// Stand A2 with learned options: one in the first content, two in the second.
std::vector<ParkPos> lf_learnedStands(int options)
{
    std::vector<ParkPosOption> learned;
    for (int i = 0; i < options; ++i) {
        ParkPosOption o = test::makeOption("TV-L" + std::to_string(i), "KLM", "B738", 3, {10 + i});
        o.archived = 0;
        learned.push_back(o);
    }
    return {test::makeStand("A1", 50.0, 10.001, 30.0), test::makeStand("A2", 50.0, 10.002, 30.0, learned)};
}

ApfFileInfo lf_learnedInfo()
{
    ApfFileInfo info;
    info.airportName = "Test field";
    info.publisher = "stock";
    info.learnedPath = "airports/learned/stock/EDDT.xml";
    return info;
}

// The child's part, in the test's folder: saves of the two contents in turn, each reported, until the kill.
int lf_saveForever(const test::RoleArgs& args)
{
    const ApfFileInfo info = lf_learnedInfo();
    const int reportFd = args.fd("report");
    for (int i = 0;; ++i) {
        std::vector<ParkPos> stands = lf_learnedStands(1 + i % 2);
        LearnedState state{1, false, false};
        gf_saveLearnedAirportFile("EDDT", info, stands, state);
        const char saved = 1;
        if (write(reportFd, &saved, 1) != 1) return 2;
    }
}
const test::ChildRole g_saveForeverRole{"learned-save-forever", &lf_saveForever};

bool lf_waitForSaves(test::Pipe& report, int saves)
{
    for (int i = 0; i < saves; ++i)
        if (!report.readByte(std::chrono::seconds(10))) return false;
    return true;
}

// The number of learned options of stand A2 in the file; -1 when it is not a whole learned file.
int lf_optionsInFile(const std::filesystem::path& path)
{
    pugi::xml_document document;
    if (!document.load_file(path.c_str())) return -1;
    const pugi::xml_node stand = document.child("parkpositions").find_child_by_attribute("parkpos", "id", "A2");
    if (!stand) return -1;
    return static_cast<int>(std::distance(stand.children("opt").begin(), stand.children("opt").end()));
}

TEST(LearnedSaveKill, EveryKilledSaveLeavesTheFileWhole)
{
    test::TempDir dir{test::killTestParent()};
    test::ScopedCwd cwd(dir.path());
    const ApfFileInfo info = lf_learnedInfo();
    // Each kill starts the test program anew (tenths of a second on a busy machine, more under the
    // sanitizers): thirty, at one to three saves, reach every part of a save.
    for (int round = 0; round < 30; ++round) {
        test::Pipe report;
        test::RoleChild child(g_saveForeverRole, test::RoleStart().hand("report", report.writeEnd()));
        report.closeWriteEnd();
        const bool saving = lf_waitForSaves(report, 1 + round % 3);
        child.signal(SIGKILL);
        ASSERT_TRUE(child.waitForExit(std::chrono::seconds(20))) << "round " << round;
        ASSERT_TRUE(saving) << "round " << round << ": the child did not save";
        ASSERT_EQ(child.endSignal(), SIGKILL) << "round " << round << ": the child ended by itself";
        const int options = lf_optionsInFile(info.learnedPath);
        ASSERT_TRUE(options == 1 || options == 2) << "round " << round << ": " << options;
    }
}

} // namespace
} // namespace zyn
