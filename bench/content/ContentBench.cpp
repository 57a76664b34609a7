// Time to make the whole default content (data pack, movie pack, track pack with every default world,
// music) into an empty folder, as scripts/play does on a fresh checkout.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/contentgen/ContentGen.h"

namespace {

namespace fs = std::filesystem;

// Seconds for one generation into a fresh folder; negative when it failed.
double GenerateOnce() {
    const fs::path dir = fs::temp_directory_path() / ("content-bench-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::ostringstream log;
    std::string error;
    tools::GenerateOptions options;
    options.force = true;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = tools::GenerateContent(dir.string(), options, log, &error);
    const auto stop = std::chrono::steady_clock::now();
    fs::remove_all(dir);
    if (!ok) {
        std::fprintf(stderr, "contentgen failed: %s\n", error.c_str());
        return -1.0;
    }
    return std::chrono::duration<double>(stop - start).count();
}

void BM_GenerateContent(benchmark::State& state) {
    for (auto _ : state) {
        if (GenerateOnce() < 0) state.SkipWithError("generation failed");
    }
}
BENCHMARK(BM_GenerateContent)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    // The worlds are made in editor cores that open a sound device; nothing is played.
    setenv("ALSOFT_DRIVERS", "null", 0);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--figures") != 0) continue;
        const double seconds = GenerateOnce();
        if (seconds < 0) return 1;
        std::printf("content.generate_s: %.1f\n", seconds);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
