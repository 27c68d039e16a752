#pragma once
// The real program process in a program folder of its own, against the traffic stand-in playing the
// demonstration scenario and the emulated simulator parked at its airport, as the run command starts it.
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tools/download_server.h"
#include "tools/traffic_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zyn::test {

// One line of the emulated simulator's "sim_objects.txt".
struct ReportedObject {
    int id = 0;
    std::string kind; // "user", "ai" or "foreign"
    double createdS = 0.0;
    std::optional<double> removedS;
    double movedNm = 0.0;
    std::string atcId;
    std::string title;
};

std::vector<ReportedObject> readSimReport(const std::filesystem::path& file);
// The moment the program closed its connection to the simulator, from the same report.
std::optional<double> readSimCloseTime(const std::filesystem::path& file);

// Polls until condition() holds; false after the time-out (a guard against a hang only, stretched
// under the sanitizers).
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(30));

class ProgramRunThreads : public ::testing::Test {
protected:
    ProgramRunThreads();
    void startProgram();
    // The program's log so far, and whether a line holds the text.
    std::vector<std::string> logLines() const;
    bool logHas(const std::string& text) const;
    bool waitForLog(const std::string& text);
    // Traffic requests of the buffered fill and of the regular polls.
    std::size_t bufferedFills(const tools::TrafficServer& server) const;
    std::size_t polls(const tools::TrafficServer& server) const;
    // Ctrl-C, then the exit code.
    std::optional<int> interruptAndWait();
    // After the program ended: the aircraft it created (ATC ids) that it did not remove itself before
    // it closed the simulator connection.
    std::vector<std::string> objectsLeftAtClose() const;

    TempDir root;
    std::filesystem::path program;
    TempDir served; // the download stand-in offers the aircraft database and the demonstration airport's file: no update is newer
    tools::DownloadServer downloads{served.path()};
    std::unique_ptr<tools::TrafficServer> traffic;
    std::unique_ptr<ChildProcess> process;
};

} // namespace zyn::test
