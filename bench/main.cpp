// Starts the VM the way a client's first call does, then runs every benchmark and prints
// the ratio table.
#include <benchmark/benchmark.h>

#include <cstring>

#include "client.h"
#include "ratio_reporter.h"
#include "test_process.h"

int main(int argc, char **argv)
{
    tavlin_test::use_fresh_registry();
    setenv("CLASSPATH", tavlin_test::fixtures_jar().c_str(), 1);
    // The cold-start case runs this program again to time one first call in a new process.
    if (argc == 2 && std::strcmp(argv[1], "--first-new-instance") == 0)
        return tavlin_test::make("java.util.ArrayList") ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    tavlin_bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
