// Simulated race seconds per wall second on one core: 8 and 32 computer racers on the generated
// race world, the race camera following the first, the null render interface, no sound. "--figures"
// prints "race.sim_x_realtime_8: N" and "race.sim_x_realtime_32: N"; otherwise it runs as a Google
// Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "tools/racelab/RaceRun.h"
#include "tools/racelab/RaceWorld.h"

namespace {

bool g_worldWritten = false;

std::string WorldFile() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/bench_race_" + std::to_string(::getpid()) + ".wld";
        if (!tools::SaveRaceWorld(p)) std::fprintf(stderr, "bench_race: cannot write %s\n", p.c_str());
        g_worldWritten = true;
        return p;
    }();
    return path;
}

tools::RaceRunOptions Options(int racers) {
    tools::RaceRunOptions o;
    o.worldPath = WorldFile();
    o.computers = racers;
    o.laps = 1000;          // nobody finishes: the race runs as long as the measurement
    o.maxSeconds = 1.0e9;
    return o;
}

// Simulated seconds per wall second over `seconds` of race after a warm-up of 20 s.
double Measure(int racers, double seconds) {
    tools::LabRace race(Options(racers));
    while (race.ClockMs() < 20000 && race.Frame()) {
    }
    const uint32_t from = race.ClockMs();
    const auto start = std::chrono::steady_clock::now();
    while (race.ClockMs() - from < seconds * 1000.0 && race.Frame()) {
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return (race.ClockMs() - from) / 1000.0 / wall;
}

void BM_RaceFrames(benchmark::State& state) {
    tools::LabRace race(Options(static_cast<int>(state.range(0))));
    for (auto _ : state) race.Frame();
    state.counters["sim_x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 0.01, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RaceFrames)->Arg(8)->Arg(32);

int PrintFigures() {
    std::printf("race.sim_x_realtime_8: %.0f\n", Measure(8, 300.0));
    std::printf("race.sim_x_realtime_32: %.0f\n", Measure(32, 100.0));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int result = bench::RunBenchmarkProgram(argc, argv, PrintFigures);
    // The benchmark runs leave no world file behind either.
    if (g_worldWritten) std::remove(WorldFile().c_str());
    return result;
}
