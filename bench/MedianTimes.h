#pragma once
// The console report of a benchmark program, keeping each benchmark's real time per iteration
// for a summary of ratios printed after it: the median with --benchmark_repetitions, otherwise
// the one run.

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace bench {

class MedianTimes : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median)) continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            seconds_[name] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
    // Seconds per iteration of the benchmark "Function" or "Function/args"; 0 when not run.
    double seconds(const std::string& name) const {
        auto found = seconds_.find(name);
        return found == seconds_.end() ? 0 : found->second;
    }

  private:
    std::map<std::string, double> seconds_;
};

// The program's main: runs the benchmarks the command line selects, then the summary.
inline int runBenchmarks(int argc, char** argv, void (*summary)(const MedianTimes&)) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianTimes times;
    benchmark::RunSpecifiedBenchmarks(&times);
    summary(times);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
