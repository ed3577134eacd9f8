#include "ratio_reporter.h"

#include <cstdio>

namespace tavlin_bench {

void RatioReporter::ReportRuns(const std::vector<Run> &runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        if (run.error_occurred || run.iterations == 0) continue;
        std::string full = run.benchmark_name();
        size_t slash = full.find('/');
        if (slash == std::string::npos) continue;
        size_t end = full.find('/', slash + 1);
        // Real (wall) time per iteration: threads and the VM's own work both count.
        double per_item = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        measured_.push_back({full.substr(0, slash), full.substr(slash + 1, end - slash - 1), per_item});
    }
}

void RatioReporter::Finalize()
{
    ConsoleReporter::Finalize();
    std::map<std::string, double> baselines;
    for (const Measured &m : measured_)
        if (m.name == "baseline") baselines[m.group] = m.seconds_per_item;
    std::printf("\n%-28s %-28s %10s\n", "group", "case", "ratio");
    for (const Measured &m : measured_) {
        auto baseline = baselines.find(m.group);
        if (m.name == "baseline" || baseline == baselines.end() || baseline->second <= 0) continue;
        double ratio = m.seconds_per_item / baseline->second;
        std::printf("%-28s %-28s %10.2f\n", m.group.c_str(), m.name.c_str(), ratio);
        // Wall time per call over all threads: 0.5 is perfect scaling on two threads.
        if (m.group.rfind("scaling", 0) == 0)
            std::printf("%-28s %-28s %9.0f%%\n", "", "gain of the second thread", (1 / ratio - 1) * 100);
    }
}

}  // namespace tavlin_bench
