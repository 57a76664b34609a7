// Time to pose the generated rider: one riding pose (the pose-space blend with steering, then the
// placement on the bike) and one crashed rider bent by its skeleton from the rider body's particles.
// With --figures prints rider.pose_us and rider.crash_pose_us; otherwise runs as a Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/MatMath.h"
#include "game/world/models/RiderBlend.h"
#include "game/world/models/RiderModel.h"
#include "tools/contentgen/rider/RiderMesh.h"

namespace {

struct Rider {
    kes::RiderModel model;
    std::unique_ptr<kes::RiderInstance> instance;
    kes::Matrix4 riderMatrix;
    kes::Vec3 particles[kes::kRiderParticleCount];
};

Rider& Generated() {
    static Rider* rider = [] {
        kes::InitTrigTables();
        auto* r = new Rider;
        tools::rider::RiderMeshFiles files;
        std::string error;
        auto mesh = std::make_unique<kes::Mesh>(nullptr);
        if (!tools::rider::MakeRiderMesh(&files, &error) ||
            !mesh->LoadFromMemory(files.mesh.data(), files.mesh.size(), "Rider", 0) ||
            kes::BuildRider(r->model, std::move(mesh), files.nodeDump, files.boneDump) != 0) {
            std::fprintf(stderr, "the generated rider did not load: %s\n", error.c_str());
            std::exit(1);
        }
        r->instance = kes::CreateRiderInstance(r->model, 0);
        r->instance->poseOn = 1;
        kes::MatTranslation(&r->riderMatrix, 100.0f, 200.0f, 3.0f);
        // Particles on the riding skeleton, as a crash seeds them.
        kes::UpdateRiderPose(r->model, *r->instance, r->riderMatrix, nullptr);
        for (uint32_t i = 0; i < kes::kRiderParticleCount; ++i) {
            const kes::Vec3 p = kes::GetRiderNodePosition(r->model, i, *r->instance);
            r->particles[i] = {p.x + 100.0f, p.y + 200.0f, p.z + 3.0f};
        }
        return r;
    }();
    return *rider;
}

// One riding pose: a pose point that needs the full blend with steering variants, then the placement.
void PoseOnce(Rider& r, int i) {
    r.instance->poseX = 0.3f * static_cast<float>(i % 3 - 1);
    r.instance->poseY = 0.5f;
    r.instance->poseZ = 0.25f;
    r.instance->poseSteer = -0.6f;
    kes::UpdateRiderPose(r.model, *r.instance, r.riderMatrix, nullptr);
    const kes::Matrix4 local = kes::RiderLocalMatrix();
    kes::Matrix4 placed;
    kes::MatMultiply(&r.riderMatrix, &local, &placed);
    benchmark::DoNotOptimize(placed);
    benchmark::DoNotOptimize(r.instance->vertices.data());
}

void CrashOnce(Rider& r) {
    kes::DrawRider(r.model, r.particles, *r.instance, nullptr);
    benchmark::DoNotOptimize(r.instance->vertices.data());
}

template <typename F>
double MicrosecondsPerCall(F&& call) {
    constexpr int kCalls = 2000;
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCalls; ++i) call(i);
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / kCalls);
    }
    return best;
}

int PrintFigures() {
    Rider& r = Generated();
    std::printf("rider.pose_us: %.2f\n", MicrosecondsPerCall([&](int i) { PoseOnce(r, i); }));
    std::printf("rider.crash_pose_us: %.2f\n", MicrosecondsPerCall([&](int) { CrashOnce(r); }));
    return 0;
}

void BM_RiderPose(benchmark::State& state) {
    Rider& r = Generated();
    int i = 0;
    for (auto _ : state) PoseOnce(r, i++);
}
BENCHMARK(BM_RiderPose);

void BM_CrashedRiderPose(benchmark::State& state) {
    Rider& r = Generated();
    for (auto _ : state) CrashOnce(r);
}
BENCHMARK(BM_CrashedRiderPose);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, PrintFigures); }
