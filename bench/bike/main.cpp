// Bike steps per second on one core: eight bikes riding scripted controls over a generated rolling
// landscape. "--figures" prints "bike.steps_per_s: N"; otherwise it runs as a Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/physics/GeneratedGround.h"
#include "platform/sys/Fpu.h"

namespace {

constexpr int kBikes = 8;

struct Field {
    Field() : ground(3, 12.0f) {
        kes::InitTrigTables();
        env.ground = &ground;
        for (int i = 0; i < kBikes; ++i) {
            kes::BikeParams params;
            params.topSpeedFactor = 0.125f * static_cast<float>(i);
            const kes::Vec3 start = {20.0f * static_cast<float>(i), 0.0f, 3.0f + ground.HeightAt(20.0f * i, 0.0f)};
            bikes.push_back(std::make_unique<kes::BikeBody>(env, params, kes::kClassLocal, start,
                                                            kes::Vec3{0.0f, 1.0f, 0.0f}));
            bikes.back()->holdControls = 0;
        }
    }
    // One step of every bike, with a control pattern that throttles, steers, brakes and hops.
    void StepAll() {
        for (int i = 0; i < kBikes; ++i) {
            kes::BikeBody& b = *bikes[i];
            if (!b.riding) {
                b.Reset(b.centre, b.forward, b.params);
            }
            const uint32_t phase = (step + static_cast<uint32_t>(i) * 97u) % 1200u;
            b.controls[kes::kControlThrottle] = phase < 900;
            b.controls[kes::kControlLeft] = phase >= 300 && phase < 420;
            b.controls[kes::kControlRight] = phase >= 600 && phase < 700;
            b.controls[kes::kControlBrake] = phase >= 900;
            b.controls[kes::kControlHop] = phase == 500;
            b.Step();
        }
        ++step;
    }
    kes::RandomGround ground;
    kes::BikeEnvironment env;
    std::vector<std::unique_ptr<kes::BikeBody>> bikes;
    uint32_t step = 0;
};

void BM_BikeSteps(benchmark::State& state) {
    Field field;
    plat::TowardZeroRounding rounding;
    for (auto _ : state) {
        field.StepAll();
    }
    state.SetItemsProcessed(state.iterations() * kBikes);
}
BENCHMARK(BM_BikeSteps);

int PrintFigures() {
    Field field;
    plat::TowardZeroRounding rounding;
    for (int i = 0; i < 2000; ++i) field.StepAll();  // warm up
    const int rounds = 60000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) field.StepAll();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double stepsPerSecond = static_cast<double>(rounds) * kBikes / seconds;
    std::printf("bike.steps_per_s: %.0f\n", stepsPerSecond);
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, PrintFigures); }
