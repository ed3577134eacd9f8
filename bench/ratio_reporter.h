// Reports every benchmark as a ratio against the baseline of its group, measured in the
// same run: "group/baseline" is the floor, every other "group/<name>" is divided by it.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tavlin_bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override;
    void Finalize() override;

private:
    struct Measured {
        std::string group;
        std::string name;
        double seconds_per_item;
    };
    std::vector<Measured> measured_;
};

}  // namespace tavlin_bench
