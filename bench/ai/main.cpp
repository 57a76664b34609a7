// Simulation steps per second on one core for eight computer riders lapping the generated loop track
// (progress along the gates, steering, throttle and braking, tricks on the stunt gate, resets after
// falls). "--figures" prints "ai.steps_per_s_8_riders: N"; otherwise it runs as a Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/core/maths/FastMath.h"
#include "game/world/aitrack/tests/LoopTrackWorld.h"
#include "game/world/ground/LandscapeGround.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Fpu.h"
#include "tools/bikelab/LabWorld.h"
#include "tools/bikelab/RiderRun.h"

namespace {

constexpr int kRiders = 8;

// The loop track written to a file of this process's own, loaded for the benchmark's life.
class LoopWorld {
public:
    LoopWorld() : path_(Path()) {
        kes::InitTrigTables();
        const std::vector<uint8_t> bytes = kes::test::LoopTrackWorld();
        if (FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        world_ = std::make_unique<tools::LabWorld>(path_);
        std::remove(path_.c_str());
        if (!world_->Loaded()) {
            std::fprintf(stderr, "ai bench: the loop track did not load\n");
            std::exit(1);
        }
    }

private:
    static std::string Path() {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir ? dir : "/tmp") + "/ai_bench_loop_" + std::to_string(::getpid()) + ".wld";
    }
    std::string path_;
    std::unique_ptr<tools::LabWorld> world_;
};

LoopWorld& World() {
    static LoopWorld world;
    return world;
}

void BM_AiRiderSteps(benchmark::State& state) {
    World();
    plat::SimSrand(1);
    plat::TowardZeroRounding rounding;
    tools::RiderField field(kes::WorldGround(), kRiders, 1000000);
    for (auto _ : state) field.Frame(10);
    state.SetItemsProcessed(static_cast<int64_t>(field.Steps()));
}
BENCHMARK(BM_AiRiderSteps);

int PrintFigures() {
    World();
    plat::SimSrand(1);
    plat::TowardZeroRounding rounding;
    tools::RiderField field(kes::WorldGround(), kRiders, 1000000);
    for (int i = 0; i < 500; ++i) field.Frame(10);  // warm up
    const uint64_t before = field.Steps();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 30000; ++i) field.Frame(10);  // 300 s of racing, about ten laps each
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("ai.steps_per_s_8_riders: %.0f\n", static_cast<double>(field.Steps() - before) / seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, PrintFigures); }
