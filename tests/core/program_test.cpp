// The program itself, started as its own process in a program folder of its own.
#include "base/log.h"
#include "base/path_text.h"
#include "core/exit.h"
#include "core/startup.h"
#include "core/startup_steps.h"
#include "platform/system/clock.h"
#include "platform/system/process.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/testing.h"
#include "platform/win32/window.h"
#include "settings/settings.h"
#include "shown/status_line.h"
#include "tests/core/program_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/room_state.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/airport_gen.h"
#include "tools/demo_dbase.h"
#include "tools/demo_liveries.h"
#include "tools/download_server.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <map>
#include <thread>

namespace zyn {
namespace {

using namespace std::chrono_literals;

using test::kTimeout;
using test::lf_logHas;
using test::lf_pausedScenario;
using test::lf_sessionConnected;
using test::lf_waitForSession;

using Program = test::ProgramFolders;

TEST_F(Program, ClosingTheWindowEndsTheProgramThroughTheExit)
{
    const auto folder = programFolder("tarvo", true);
    // What a killed earlier run left half-saved goes at the start; other files stay.
    const auto leftovers = {folder / "input" / "temp2.xml.tarvo-0123456789abcdef.tmp",
                            root / "config/Tarvo/parameters.xml.tarvo-fedcba9876543210.tmp", folder / "dbase.zip.part",
                            root / "config/Tarvo/park_airport.xml.part"};
    for (const auto& leftover : leftovers)
        test::writeText(leftover, "half");
    test::writeText(folder / "input" / "notes.tmp", "mine");
    test::writeText(folder / "notes.part", "mine");
    auto program = start(folder);
    ASSERT_TRUE(lf_waitForSession(folder / "Log.txt"));
    for (const auto& leftover : leftovers)
        EXPECT_FALSE(std::filesystem::exists(leftover)) << leftover;
    EXPECT_TRUE(std::filesystem::exists(folder / "input" / "notes.tmp"));
    EXPECT_TRUE(std::filesystem::exists(folder / "notes.part"));
    program->signal(SIGTERM); // the window layer turns it into WM_CLOSE
    ASSERT_EQ(program->waitForExit(kTimeout), 0);
    const auto lines = test::readLines(folder / "Log.txt");
    EXPECT_NE(lines.front().find(" (utc) Tarvo version "), std::string::npos);
    EXPECT_TRUE(lf_logHas(folder / "Log.txt", "Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(lf_logHas(folder / "Log.txt", "User closed Tarvo"));
    EXPECT_EQ(lines.back().size(), 24u); // the closing time, "Mon Dec 07 04:31:55 2026"
}

TEST_F(Program, SecondStartReturnsMinusOneAndLeavesTheFirstAlone)
{
    const auto first = programFolder("first", true);
    const auto second = programFolder("second", true);
    auto running = start(first);
    ASSERT_TRUE(lf_waitForSession(first / "Log.txt"));
    const auto before = test::readText(first / "Log.txt");
    const auto saving = root / "config/Tarvo/parameters.xml.tarvo-0123456789abcdef.tmp"; // as if the first saved now
    test::writeText(saving, "being written");
    EXPECT_EQ(start(second)->waitForExit(kTimeout), 255); // -1
    EXPECT_TRUE(std::filesystem::exists(saving));
    EXPECT_FALSE(std::filesystem::exists(second / "Log.txt"));
    EXPECT_EQ(running->waitForExit(0s), std::nullopt);
    EXPECT_EQ(test::readText(first / "Log.txt"), before);
    running->signal(SIGTERM);
    EXPECT_EQ(running->waitForExit(kTimeout), 0);
}

// Every file under the folder with its bytes.
std::map<std::string, std::string> lf_folderContents(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        contents[entry.path().lexically_relative(folder).string()] = entry.is_directory() ? "/" : test::readText(entry);
    return contents;
}

// Started from another folder, the program refuses to run (error 41, in the status line) and writes
// nothing there: another program's log and its backup stay as they were.
TEST_F(Program, WithoutDocsLeavesTheFolderAsItWas)
{
    const auto folder = programFolder("elsewhere", false);
    test::writeText(folder / "Log.txt", "another program's log\n");
    test::writeText(folder / "Log0.txt", "its backup\n");
    const auto before = lf_folderContents(folder);
    EXPECT_EQ(start(folder)->waitForExit(kTimeout), 1); // a refused start fails
    EXPECT_EQ(lf_folderContents(folder), before);
}

// The program folder as it ships (dist/), nothing added: the start-up reads its airports database.
TEST_F(Program, ShippedProgramFolderStartsWithItsAirportsDatabase)
{
    const auto folder = programFolder("shipped", false);
    std::filesystem::copy(gf_pathFromUtf8(TARVO_SOURCE_DIR) / "dist", folder,
                          std::filesystem::copy_options::recursive);
    const std::string database = test::readText(folder / "input" / "airports_msfs.xml");
    std::size_t airports = 0;
    for (auto at = database.find("<airport "); at != std::string::npos; at = database.find("<airport ", at + 1))
        ++airports;
    auto program = start(folder);
    ASSERT_TRUE(lf_waitForSession(folder / "Log.txt"));
    EXPECT_TRUE(lf_logHas(folder / "Log.txt", std::to_string(airports) + " airports read from \"input/airports_msfs.xml\""));
    program->signal(SIGTERM);
    EXPECT_EQ(program->waitForExit(kTimeout), 0);
}

TEST_F(Program, ThreeStartsKeepTwoLogGenerations)
{
    const auto folder = programFolder("tarvo", true);
    std::string previous; // the end of the previous run's log: this run's log is connected once it is gone
    for (const char* marker : {"first run", "second run", "third run"}) {
        auto program = start(folder);
        const auto deadline = std::chrono::steady_clock::now() + kTimeout;
        while (!lf_sessionConnected(folder / "Log.txt") || (!previous.empty() && lf_logHas(folder / "Log.txt", previous))) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << marker;
            std::this_thread::sleep_for(10ms);
        }
        previous = marker;
        program->signal(SIGTERM);
        ASSERT_EQ(program->waitForExit(kTimeout), 0) << marker << ", its log:\n" << test::readText(folder / "Log.txt");
        std::ofstream(folder / "Log.txt", std::ios::app) << marker << '\n';
    }
    EXPECT_EQ(test::readLines(folder / "Log00.txt").back(), "first run");
    EXPECT_EQ(test::readLines(folder / "Log0.txt").back(), "second run");
    const auto current = test::readLines(folder / "Log.txt");
    EXPECT_NE(current.front().find(" (utc) Tarvo version "), std::string::npos);
    EXPECT_EQ(current.back(), "third run");
}

} // namespace
} // namespace zyn

namespace zyn {
namespace {

// The whole program in this process: the test thread is the user-interface thread.
class ProgramThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(root / "run");
        std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        tools::gf_writeDemoDbaseZip(served.path()); // and nothing else to offer
        downloads.start();
        downloadUrl.emplace("TARVO_DOWNLOAD_URL", downloads.baseUrl());
    }
    // Runs the program in an installed program folder with a stored packages folder; another
    // thread closes the window once ready() turns true.
    int runInstalledAndCloseWhen(const std::function<bool()>& ready)
    {
        std::filesystem::create_directories(root / "program" / "docs");
        tools::gf_writeDemoAirportData(root / "program" / "input", served.path());
        tools::gf_writeDemoLiveries(root / "Packages" / "Community");
        test::writeText(root / "config" / "Tarvo" / "parameters.xml",
                        "<parameters><parameter name=\"MSFS_2020\" value=\"true\"/>"
                        "<parameter name=\"MSFS_INSTALL_PATH\" value=\"" + (root / "Packages").string() +
                            "\"/></parameters>");
        std::atomic<bool> ended{false};
        std::thread user([&] {
            while (!ended.load() && !ready())
                std::this_thread::yield();
            PostMessageW(g_mainWindow.load(), WM_CLOSE, 0, 0);
        });
        const int code = wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
        ended = true;
        user.join();
        return code;
    }
    // Runs the program to its end on a manual clock that another thread moves on, so that the exit's
    // pauses pass at once; a start-up that goes on past the time-out is closed.
    static int runOnAManualClock()
    {
        ManualClock clock;
        gf_setClock(&clock);
        std::atomic<bool> ended{false};
        std::thread time([&] {
            const auto guard = std::chrono::steady_clock::now() + kTimeout;
            bool closed = false;
            while (!ended.load()) {
                clock.advance(50ms);
                if (!closed && std::chrono::steady_clock::now() > guard)
                    closed = PostMessageW(g_mainWindow.load(), WM_CLOSE, 0, 0) != 0;
                std::this_thread::sleep_for(1ms);
            }
        });
        const int code = wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
        ended = true;
        time.join();
        gf_setClock(nullptr);
        return code;
    }
    static std::filesystem::path lf_created(const std::filesystem::path& folder)
    {
        std::filesystem::create_directories(folder);
        return folder;
    }
    test::TempDir root;
    test::ScopedEnv runtime{"XDG_RUNTIME_DIR", (root / "run").string()};
    test::ScopedEnv config{"XDG_CONFIG_HOME", (root / "config").string()};
    test::ScopedEnv scenario{"TARVO_SIM_SCENARIO", lf_pausedScenario(root.path())};
    test::ScopedCwd cwd{lf_created(root / "program")};
    test::TempDir served;
    tools::DownloadServer downloads{served.path()};
    std::optional<test::ScopedEnv> downloadUrl;
};

TEST_F(ProgramThreads, WithoutDocsTheStatusLineShowsError41)
{
    EXPECT_EQ(wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT), 1); // a refused start fails
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: 41: Tarvo must be run from the Tarvo folder!");
    EXPECT_EQ(g_exitReason.load(), 7);
    WCHAR title[100] = {};
    ASSERT_GT(GetWindowTextW(g_mainWindow.load(), title, 100), 0);
    EXPECT_EQ(std::u16string(title), u"Tarvo");
    EXPECT_TRUE(std::filesystem::is_directory(root / "config" / "Tarvo")); // the per-user data folder
    EXPECT_FALSE(gf_logIsOpen());
}

// Without a log to write to, the start-up shows the error with the system's reason in the status line,
// after the check of the program folder, and ends the program with exit reason 7 and a failure's exit
// code, as it does its other errors.
TEST_F(ProgramThreads, LogThatCannotBeOpenedIsShownAndEndsTheProgramWithAFailure)
{
    struct Row {
        const char* name;
        bool docs;
        const char* status;
    };
    // "Log.txt" leads into a folder that is not there.
    std::filesystem::create_symlink(root / "program" / "gone" / "Log.txt", root / "program" / "Log.txt");
    for (const Row& row : {Row{"outside a program folder", false, "Error lf_startUpTarvo: 41: Tarvo must be run from the Tarvo folder!"},
                           Row{"in a program folder", true,
                               "Error lf_startUpTarvo: Failed to write file Log.txt: No such file or directory"}}) {
        SCOPED_TRACE(row.name);
        if (row.docs)
            std::filesystem::create_directories(root / "program" / "docs");
        EXPECT_EQ(runOnAManualClock(), 1);
        EXPECT_EQ(gf_statusMessage(), row.status);
        EXPECT_EQ(g_exitReason.load(), 7);
        EXPECT_FALSE(gf_logIsOpen());
        test::gf_resetRooms(); // the next start in this process, as a fresh one
    }
}

// A start that ends before it read the settings leaves "parameters.xml" as the user has it, byte for
// byte, or leaves it missing: neither the window, nor the exit, nor the quit writes defaults over it.
TEST_F(ProgramThreads, StartThatEndsBeforeReadingTheSettingsLeavesThemAsTheyWere)
{
    struct Row {
        const char* name;
        std::function<void()> arrange; // in the empty program folder
        const char* status;
    };
    const auto docs = [] { std::filesystem::create_directories("docs"); };
    const Row rows[] = {
        {"no docs folder", [] {}, "Error lf_startUpTarvo: 41: "},
        {"a log that cannot be opened",
         [&] {
             docs();
             std::filesystem::create_symlink(root / "program" / "gone" / "Log.txt", "Log.txt");
         },
         "Error lf_startUpTarvo: Failed to write file Log.txt"},
        {"another error before the settings are read",
         [&] {
             docs();
             g_startupSteps.buildParameterLists = [] { throw std::runtime_error("no settings yet"); };
         },
         "Error lf_startUpTarvo: no settings yet"},
    };
    // Written by hand, and at places the program would change: simulator time, its shift, destination,
    // blocked callsign, a window position off the screen.
    const std::string users = "<!-- mine -->\r\n<parameters>\r\n"
                              "  <parameter value='true' name='SIM_TIME'/>\r\n"
                              "  <parameter name='TIME_SHIFT_DAYS' value='2'/><parameter name='TIME_SHIFT_HOURS' "
                              "value='5'/><parameter name='TIME_SHIFT_MINS' value='30'/>\r\n"
                              "  <parameter name='DESTINATION' value='EGLL'/>"
                              "<parameter name='BLOCK_CALLSIGN' value='BAW1'/>\r\n"
                              "  <parameter name='MAIN_WINDOW_X' value='-30000'/>"
                              "<parameter name='MAIN_WINDOW_Y' value='333'/>\r\n"
                              "</parameters>";
    const auto settings = root / "config" / "Tarvo" / "parameters.xml";
    for (const Row& row : rows)
        for (const bool present : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (present ? ", settings present" : ", no settings"));
            for (const auto& entry : std::filesystem::directory_iterator(root / "program"))
                std::filesystem::remove_all(entry.path());
            row.arrange();
            std::filesystem::create_directories(settings.parent_path());
            if (present)
                test::writeText(settings, users);
            else
                std::filesystem::remove(settings);
            EXPECT_EQ(runOnAManualClock(), 1);
            EXPECT_TRUE(gf_statusMessage().starts_with(row.status)) << gf_statusMessage();
            if (present)
                EXPECT_EQ(test::readText(settings), users);
            else
                EXPECT_FALSE(std::filesystem::exists(settings));
            test::gf_resetRooms(); // the next start in this process, as a fresh one
        }
}

// The previous log stays as it was when its backup cannot be made; with no log to write to, the
// start-up shows the error in the status line and ends the program, as it does its other errors.
TEST_F(ProgramThreads, LogWhoseBackupFailsIsKeptAndTheStartUpShowsTheError)
{
    std::filesystem::create_directories(root / "program" / "docs");
    test::writeText(root / "program" / "Log.txt", "previous run\n");
    std::filesystem::create_directory(root / "program" / "Log0.txt"); // cannot be copied to Log00.txt
    EXPECT_EQ(runOnAManualClock(), 1);
    EXPECT_EQ(test::readText(root / "program" / "Log.txt"), "previous run\n");
    const std::string status = gf_statusMessage();
    EXPECT_TRUE(status.starts_with("Error lf_startUpTarvo: ")) << status;
    EXPECT_NE(status.find("Log0.txt"), std::string::npos) << status;
    EXPECT_EQ(g_exitReason.load(), 7);
    EXPECT_FALSE(gf_logIsOpen());
}

// A start that cannot make its window, or the per-user folder, ends with its log line and a failure's
// exit code, as the refused starts before it do.
TEST_F(ProgramThreads, WindowThatCannotBeMadeEndsWithALogLineAndAFailureCode)
{
    struct Row {
        const char* name;
        std::function<void()> arrange;
        const char* logged; // a line's start
        bool window;        // the main window was made
    };
    const Row rows[] = {
        {"a taken window class",
         [] {
             WNDCLASSEXW taken{};
             taken.cbSize = sizeof(taken);
             taken.lpfnWndProc = DefWindowProcW;
             taken.lpszClassName = u"Tarvo"; // the class name is the window title
             ASSERT_NE(RegisterClassExW(&taken), 0);
         },
         "Failed to register window class", false},
        {"a window the system refuses", [] { win32test::refuseTopLevelWindows(true); }, "initInstance failed", false},
        {"a per-user folder that cannot be made",
         [this] { test::writeText(root / "config", "a file where the roaming folder should be"); },
         "Failed to create directory: ", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.arrange();
        gf_openLog();
        EXPECT_EQ(lf_runMainWindow(GetModuleHandleW(nullptr)), 1);
        gf_closeLog();
        const auto lines = test::readLines("Log.txt");
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&row](const std::string& l) { return l.starts_with(row.logged); }));
        EXPECT_EQ(g_mainWindow.load() != nullptr, row.window);
        test::gf_resetRooms(); // the next start in this process, as a fresh one
        std::filesystem::remove_all(root / "config");
    }
}

TEST_F(ProgramThreads, StartupThatSetsAControlWhileTheProgramEndsDoesNotHangIt)
{
    std::atomic<bool> sessionReached{false};
    g_startupSteps.runSession = [&sessionReached] {
        sessionReached = true;
        while (!gf_startupStopRequested()) // the message loop has ended by now
            std::this_thread::yield();
        SetWindowTextW(g_mainWindow.load(), u"set while the program ends");
    };
    EXPECT_EQ(runInstalledAndCloseWhen([&sessionReached] { return sessionReached.load(); }), 0);
    g_startupSteps = gf_defaultStartupSteps();
    WCHAR text[64] = {};
    GetWindowTextW(g_mainWindow.load(), text, 64);
    EXPECT_EQ(std::u16string(text), u"set while the program ends");
}

TEST_F(ProgramThreads, ClosingTheWindowQuitsWithReasonFour)
{
    EXPECT_EQ(runInstalledAndCloseWhen([] { return lf_sessionConnected("Log.txt"); }), 0);
    EXPECT_EQ(g_exitReason.load(), 4);
    EXPECT_EQ(gf_statusMessage(), "Close window button clicked, closing Tarvo ...");
    EXPECT_TRUE(lf_logHas("Log.txt", "User closed Tarvo"));
}

} // namespace
} // namespace zyn
