// Reporting for the benchmarks: the readers' stdout trace goes to /dev/null
// for the whole run while Google Benchmark's console report and our summary
// tables go to the original standard output.
#pragma once

#include <benchmark/benchmark.h>

#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

// Points file descriptor 1 at /dev/null and keeps the original as `Out()`,
// so no reader's trace costs a terminal or pipe write during timing. Left
// alone for --benchmark_list_tests, which Google Benchmark prints to stdout.
class QuietStdout {
public:
    QuietStdout(int argc, char** argv)
    {
        std::fflush(stdout);
        const int saved = dup(1);
        if (!Listing(argc, argv)) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            close(null);
        }
        buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(saved, std::ios::out);
        out = std::make_unique<std::ostream>(buffer.get());
    }
    ~QuietStdout() { out->flush(); }

    std::ostream& Out() { return *out; }

private:
    static bool Listing(int argc, char** argv)
    {
        for (int i = 1; i < argc; ++i)
            if (std::string(argv[i]).rfind("--benchmark_list_tests", 0) == 0)
                return true;
        return false;
    }

    std::unique_ptr<__gnu_cxx::stdio_filebuf<char>> buffer;
    std::unique_ptr<std::ostream> out;
};

// One benchmark's figures per iteration in nanoseconds: the thread's CPU time
// (what the summaries use: the machine is shared, so wall time includes other
// people's work) and wall time; and its user counters.
struct Figure {
    double nanoseconds = 0;
    double wallNanoseconds = 0;
    std::map<std::string, double> counters;
};

// The console reporter, also keeping each benchmark's figure by name; with
// repetitions the median aggregate replaces the single runs.
class KeepingReporter : public benchmark::ConsoleReporter {
public:
    KeepingReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            Figure& f = figures[run.run_name.str()];
            f.nanoseconds = run.GetAdjustedCPUTime() / Scale(run.time_unit);
            f.wallNanoseconds = run.GetAdjustedRealTime() / Scale(run.time_unit);
            for (const auto& [name, counter] : run.counters)
                f.counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    bool Empty() const { return figures.empty(); }

    const Figure* Find(const std::string& name) const
    {
        auto it = figures.find(name);
        return it == figures.end() ? nullptr : &it->second;
    }

private:
    static double Scale(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond: return 1e-9;
        case benchmark::kMillisecond: return 1e-6;
        case benchmark::kMicrosecond: return 1e-3;
        default: return 1.0;
        }
    }

    std::map<std::string, Figure> figures;
};

// Runs every registered benchmark, reporting to `out`; returns the reporter
// holding the figures.
inline std::unique_ptr<KeepingReporter> RunAll(std::ostream& out)
{
    auto reporter = std::make_unique<KeepingReporter>();
    reporter->SetOutputStream(&out);
    reporter->SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(reporter.get());
    out.flush();
    return reporter;
}

}  // namespace bench
