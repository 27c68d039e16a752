#include "tests/e2e/program_run_fixture.h"

#include "tests/support/guard_time.h"
#include "tools/airport_gen.h"
#include "tools/demo_dbase.h"
#include "tools/demo_liveries.h"
#include "tools/scenario_gen.h"

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

namespace zyn::test {

using namespace std::chrono_literals;

std::vector<ReportedObject> readSimReport(const std::filesystem::path& file)
{
    std::vector<ReportedObject> objects;
    const auto lines = readLines(file);
    for (std::size_t i = 1; i < lines.size(); ++i) { // the first line names the columns
        std::istringstream in(lines[i]);
        ReportedObject o;
        std::string removed;
        in >> o.id >> o.kind >> o.createdS >> removed >> o.movedNm >> o.atcId;
        if (!in) continue;
        if (removed != "-") o.removedS = std::stod(removed);
        std::getline(in >> std::ws, o.title);
        if (o.title.size() >= 2 && o.title.front() == '"') o.title = o.title.substr(1, o.title.size() - 2);
        objects.push_back(o);
    }
    return objects;
}

std::optional<double> readSimCloseTime(const std::filesystem::path& file)
{
    for (const auto& line : readLines(file))
        if (line.starts_with("closed_s ")) return std::stod(line.substr(9));
    return std::nullopt;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + guardTime(timeout);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

ProgramRunThreads::ProgramRunThreads() : program(root / "Tarvo")
{
    for (const char* folder : {"Tarvo/docs", "Tarvo/input", "config/Tarvo", "data", "home", "runtime", "Packages/Community"})
        std::filesystem::create_directories(root / folder);
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    tools::gf_writeDemoLiveries(root / "Packages/Community");
    writeText(root / "config/Tarvo/license.txt", "stand-in\n");
    writeText(root / "config/Tarvo/parameters.xml",
              "<parameters><parameter name=\"MSFS_2020\" value=\"true\"/><parameter name=\"MSFS_INSTALL_PATH\" value=\"" +
                  (root / "Packages").string() + "\"/></parameters>");
    tools::gf_writeScenarioFiles(tools::gf_generateScenario(7), root / "scenario");
    traffic = std::make_unique<tools::TrafficServer>(
        tools::gf_loadTrafficScenario(root / "scenario" / tools::kTrafficScenarioFile));
    traffic->start();
    tools::gf_writeDemoDbaseZip(served.path());
    tools::gf_writeDemoAirportData(program / "input", served.path());
    downloads.start();
}

void ProgramRunThreads::startProgram()
{
    process = std::make_unique<ChildProcess>(
        std::filesystem::path(TARVO_BINARY_DIR) / "tarvo", program,
        std::map<std::string, std::string>{{"XDG_CONFIG_HOME", (root / "config").string()},
                                           {"XDG_DATA_HOME", (root / "data").string()},
                                           {"XDG_RUNTIME_DIR", (root / "runtime").string()},
                                           {"HOME", (root / "home").string()},
                                           {"TARVO_DOWNLOAD_URL", downloads.baseUrl()},
                                           {"TARVO_TRAFFIC_URL", traffic->baseUrl()},
                                           {"TARVO_SIM_SCENARIO", (root / "scenario" / tools::kSimScenarioFile).string()},
                                           {"TARVO_SIM_REPORT", program.string()},
                                           {"DISPLAY", ""}}); // headless
}

std::vector<std::string> ProgramRunThreads::logLines() const
{
    return std::filesystem::exists(program / "Log.txt") ? readLines(program / "Log.txt") : std::vector<std::string>{};
}

bool ProgramRunThreads::logHas(const std::string& text) const
{
    const auto lines = logLines();
    return std::ranges::any_of(lines, [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

bool ProgramRunThreads::waitForLog(const std::string& text)
{
    return waitFor([&] { return logHas(text); });
}

std::size_t ProgramRunThreads::bufferedFills(const tools::TrafficServer& server) const
{
    const auto requests = server.requests("traffic");
    return std::ranges::count_if(requests, [](const auto& r) { return r.form.contains("buffercount"); });
}

std::size_t ProgramRunThreads::polls(const tools::TrafficServer& server) const
{
    return server.requestCount("traffic") - bufferedFills(server);
}

std::optional<int> ProgramRunThreads::interruptAndWait()
{
    process->signal(SIGINT);
    return process->waitForExit(30s);
}

std::vector<std::string> ProgramRunThreads::objectsLeftAtClose() const
{
    const auto file = program / "sim_objects.txt";
    const auto closed = readSimCloseTime(file);
    // An object whose creation was under way when the exit removed the aircraft appears only after that;
    // the close takes it, as the simulator does. The exit closes at most this long after its removals.
    constexpr double kCloseAfterRemovalSeconds = 6.0;
    std::vector<std::string> left;
    for (const auto& o : readSimReport(file)) {
        if (o.kind != "created") continue;
        const bool removedByClose = !o.removedS || !closed || *o.removedS >= *closed;
        if (removedByClose && (!closed || o.createdS < *closed - kCloseAfterRemovalSeconds)) left.push_back(o.atcId);
    }
    return left;
}

} // namespace zyn::test
