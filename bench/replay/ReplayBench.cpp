// What recording the local racer's race costs: the race simulation's speed (a local racer and eight
// computer racers on the generated world, the null render interface) with the replay recording and
// without it, measured in alternating rounds in the same run. "--figures" prints
// "replay.record_overhead: R", the speed with recording over the speed without (goal >= 0.95);
// otherwise it runs as a Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "game/frontend/replay/Replay.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/race/RaceRacers.h"
#include "tools/racelab/RaceRun.h"
#include "tools/racelab/RaceWorld.h"

namespace {

bool g_worldWritten = false;

std::string TempPath(const char* what) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/bench_replay_" + std::to_string(::getpid()) + what;
}

std::string WorldFile() {
    static const std::string path = [] {
        const std::string p = TempPath(".wld");
        if (!tools::SaveRaceWorld(p)) std::fprintf(stderr, "bench_replay: cannot write %s\n", p.c_str());
        g_worldWritten = true;
        return p;
    }();
    return path;
}

tools::RaceRunOptions Options(bool record) {
    tools::RaceRunOptions o;
    o.worldPath = WorldFile();
    o.computers = 8;
    o.local = true;
    o.laps = 1000;  // nobody finishes: the race runs as long as the measurement
    o.maxSeconds = 1.0e9;
    if (record) o.recordDemo = TempPath(".dem");  // saved only when a race ends, which these never do
    return o;
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Simulated seconds per second of this thread's processor time (other programs on the machine do not
// count) over `seconds` of race after a warm-up of 5 s. The buffer holds about four and a half minutes
// of race: a round stays well inside it, so recording never stops.
double Measure(bool record, double seconds) {
    tools::LabRace race(Options(record));
    while (race.ClockMs() < 5000 && race.Frame()) {
    }
    const uint32_t from = race.ClockMs();
    const double start = ThreadSeconds();
    while (race.ClockMs() - from < seconds * 1000.0 && race.Frame()) {
    }
    const double wall = ThreadSeconds() - start;
    if (record && !kes::ReplayGetStatus().recording) std::fprintf(stderr, "bench_replay: recording stopped early\n");
    return (race.ClockMs() - from) / 1000.0 / wall;
}

void BM_RaceFramesRecording(benchmark::State& state) {
    tools::LabRace race(Options(state.range(0) != 0));
    for (auto _ : state) race.Frame();
    state.counters["sim_x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 0.01, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RaceFramesRecording)->Arg(0)->Arg(1);

// One bike step alone, and one recorded step alone, for scale.
void BM_BikeStepAndRecord(benchmark::State& state) {
    kes::FlatGround ground;
    kes::BikeEnvironment env{&ground};
    kes::BikeBody bike(env, kes::BikeParams{}, kes::kClassLocal, {0, 0, 3}, {0, 1, 0});
    kes::RacerRecord racer;
    racer.bike = &bike;
    const bool record = state.range(0) != 0;
    for (auto _ : state) {
        if (record) {
            if (!kes::ReplayGetStatus().recording) {  // full: start over in an empty buffer
                state.PauseTiming();
                kes::ReplayAlloc(kes::kReplayBufferSize);
                kes::ReplayStartRecording();
                state.ResumeTiming();
            }
            kes::ReplayRecordBike(&racer);
        } else {
            bike.Step();
        }
    }
    kes::ReplayFree();
}
BENCHMARK(BM_BikeStepAndRecord)->Arg(0)->Arg(1);

int PrintFigures() {
    // Alternating rounds share whatever else the machine does between the two; the fastest round of
    // each is the one least disturbed.
    double on = 0.0, off = 0.0;
    for (int round = 0; round < 10; ++round) {
        off = std::max(off, Measure(false, 200.0));
        on = std::max(on, Measure(true, 200.0));
    }
    std::printf("replay.record_overhead: %.3f\n", on / off);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int result = bench::RunBenchmarkProgram(argc, argv, PrintFigures);
    if (g_worldWritten) std::remove(WorldFile().c_str());
    return result;
}
