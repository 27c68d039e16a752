// The benchmark program's entry. As Google Benchmark's own, except that the program fails when a
// benchmark reported an error (its set-up did not reach the state it measures), so that a broken
// benchmark fails the test command instead of printing a line nobody reads.
// "--brief" (ours, taken off before the library reads its flags) runs every benchmark once on a
// small share of its work: the test command's check that each one still reaches its state.
#include "bench/brief_run.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Passes everything on to the display reporter the flags chose and counts the failed runs.
class FailureCounter : public benchmark::BenchmarkReporter {
public:
    explicit FailureCounter(benchmark::BenchmarkReporter* display) : m_display(display) {}
    bool ReportContext(const Context& context) override { return m_display->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.error_occurred)
                m_failed.push_back(run.benchmark_name() + ": " + run.error_message);
        m_display->ReportRuns(runs);
    }
    void Finalize() override { m_display->Finalize(); }
    const std::vector<std::string>& failed() const { return m_failed; }

private:
    benchmark::BenchmarkReporter* m_display;
    std::vector<std::string> m_failed;
};

// Takes "--brief" off the arguments; true when it was there.
bool lf_takeBriefFlag(int& argc, char** argv)
{
    bool found = false;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--brief") == 0)
            found = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    const bool brief = lf_takeBriefFlag(argc, argv);
    // One short round each; flags given after it still win.
    std::vector<char*> args(argv, argv + argc);
    std::string minTime = "--benchmark_min_time=0.01";
    std::string repetitions = "--benchmark_repetitions=1";
    if (brief) {
        args.insert(args.begin() + 1, {minTime.data(), repetitions.data()});
        zyn::bench::setBrief(true);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    FailureCounter reporter(benchmark::CreateDefaultDisplayReporter());
    if (benchmark::RunSpecifiedBenchmarks(&reporter) == 0) {
        std::cerr << "no benchmark matches the filter\n";
        return 1;
    }
    benchmark::Shutdown();
    for (const std::string& failure : reporter.failed())
        std::cerr << "benchmark failed: " << failure << '\n';
    return reporter.failed().empty() ? 0 : 1;
}
