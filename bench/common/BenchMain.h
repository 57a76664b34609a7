#pragma once
// The one main of the benchmark programs: with "--figures" the program prints its "name: value"
// lines (what scripts/bench collects); otherwise it runs as an ordinary Google Benchmark program.
#include <benchmark/benchmark.h>

#include <cstring>

namespace bench {

inline int RunBenchmarkProgram(int argc, char** argv, int (*printFigures)()) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--figures") == 0) return printFigures();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
