// Saves of the learned file killed at random moments leave it whole: the old content or the new.
#include "parking/learned_save.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
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

[[noreturn]] void lf_saveForever(int signalFd, const ApfFileInfo& info)
{
    for (int i = 0;; ++i) {
        std::vector<ParkPos> stands = lf_learnedStands(1 + i % 2);
        LearnedState state{1, false, false};
        gf_saveLearnedAirportFile("EDDT", info, stands, state);
        const char saved = 1;
        if (write(signalFd, &saved, 1) != 1) _exit(2);
    }
}

bool lf_waitForSaves(int fd, int saves)
{
    for (int i = 0; i < saves; ++i) {
        pollfd p{fd, POLLIN, 0};
        const int ms = static_cast<int>(test::guardTime(std::chrono::milliseconds(10000)).count());
        char byte = 0;
        if (poll(&p, 1, ms) != 1 || read(fd, &byte, 1) != 1) return false;
    }
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
    test::TempDir dir;
    test::ScopedCwd cwd(dir.path());
    ApfFileInfo info;
    info.airportName = "Test field";
    info.publisher = "stock";
    info.learnedPath = "airports/learned/stock/EDDT.xml";
    for (int round = 0; round < 100; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            lf_saveForever(fds[1], info);
        }
        close(fds[1]);
        const bool saving = lf_waitForSaves(fds[0], 1 + round % 3);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(fds[0]);
        ASSERT_TRUE(saving) << "round " << round << ": the child did not save";
        const int options = lf_optionsInFile(info.learnedPath);
        ASSERT_TRUE(options == 1 || options == 2) << "round " << round << ": " << options;
    }
}

} // namespace
} // namespace zyn
