#pragma once
// The program started as its own process: user folders of its own, a download stand-in with the
// aircraft database, a paused simulator, and program folders with or without "docs".
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tools/airport_gen.h"
#include "tools/demo_dbase.h"
#include "tools/demo_liveries.h"
#include "tools/download_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace zyn::test {

inline constexpr auto kTimeout = std::chrono::seconds(30); // only a guard against a hang

inline bool lf_logHas(const std::filesystem::path& log, const std::string& line)
{
    const auto lines = readLines(log);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A simulator without a running flight: the session waits for one until the program ends.
inline std::string lf_pausedScenario(const std::filesystem::path& folder)
{
    writeText(folder / "paused.json", "{\"sim_running\": false}");
    return (folder / "paused.json").string();
}

// The session is under way once the simulator (the emulator, paused) has answered.
inline bool lf_sessionConnected(const std::filesystem::path& log)
{
    const auto lines = readLines(log);
    return std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.ends_with(" connected"); });
}

inline bool lf_waitForSession(const std::filesystem::path& log)
{
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (!lf_sessionConnected(log)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// User folders of their own, a stored packages folder so that the start-up reaches the session,
// and program folders with or without "docs".
class ProgramFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        tools::gf_writeDemoDbaseZip(served.path());
        downloads.start();
        tools::gf_writeDemoLiveries(root / "Packages" / "Community"); // the first start scans them
        for (const char* folder : {"config/Tarvo", "data", "home", "run"})
            std::filesystem::create_directories(root / folder);
        std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        writeText(root / "config/Tarvo/parameters.xml",
                        "<parameters><parameter name=\"MSFS_2020\" value=\"true\"/>"
                        "<parameter name=\"MSFS_INSTALL_PATH\" value=\"" + (root / "Packages").string() +
                            "\"/></parameters>");
    }
    std::filesystem::path programFolder(const std::string& name, bool withDocs)
    {
        const auto folder = root / name;
        std::filesystem::create_directories(folder);
        if (withDocs) { // a program folder as installed, with its airports database
            std::filesystem::create_directory(folder / "docs");
            tools::gf_writeDemoAirportData(folder / "input", served.path());
        }
        return folder;
    }
    // The program in the folder, with further variables (a display) when given.
    std::unique_ptr<ChildProcess> start(const std::filesystem::path& folder,
                                        const std::map<std::string, std::string>& more = {})
    {
        std::map<std::string, std::string> environment{{"XDG_CONFIG_HOME", (root / "config").string()},
                                                       {"XDG_DATA_HOME", (root / "data").string()},
                                                       {"XDG_RUNTIME_DIR", (root / "run").string()},
                                                       {"TARVO_DOWNLOAD_URL", downloads.baseUrl()},
                                                       {"HOME", (root / "home").string()},
                                                       {"TARVO_SIM_SCENARIO", lf_pausedScenario(root.path())},
                                                       {"DISPLAY", ""}}; // headless unless asked
        for (const auto& [name, value] : more)
            environment[name] = value;
        return std::make_unique<ChildProcess>(std::filesystem::path(TARVO_BINARY_DIR) / "tarvo", folder, environment);
    }
    TempDir root;
    TempDir served; // the download server offers the aircraft database only
    tools::DownloadServer downloads{served.path()};
};

} // namespace zyn::test
