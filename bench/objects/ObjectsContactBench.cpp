// One racer's world contacts (placed objects and fences) in a world with 2,000 placed objects,
// 200 fence panels and 50 dynamic objects, the racer's nine spheres driven along a line through it.
// With --figures prints world.contacts_us_per_racer; otherwise runs as Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/core/objects/Objects.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/fence/Fences.h"
#include "game/world/file/WorldFile.h"
#include "game/world/objects/tests/ObjectsWorld.h"

namespace {

using namespace kes;
using Clock = std::chrono::steady_clock;

constexpr int kObjects = 2000, kFenceLines = 10, kPanelsPerLine = 20, kDynamic = 50;
constexpr float kSide = 2000;

std::vector<uint8_t> BusyWorld() {
    WorldWriter w;
    const WorldBounds b{0, 0, 0, kSide, kSide, 200};
    w.Header(b);
    w.Landscape(test::FlatLandscape(b, 40, 150, 40));
    std::vector<CollisionMesh> meshes;
    ObjectsData objects = test::ObjectsWorldObjects(&meshes);
    objects.instances.clear();
    uint32_t seed = 7;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 8) & 0xFFFF) / 65535.0f;
    };
    for (int i = 0; i < kObjects; ++i) {
        ObjectInstanceData in;
        in.x = 20 + next() * (kSide - 40);
        in.y = 20 + next() * (kSide - 40);
        in.type = static_cast<uint32_t>(i % 2);
        in.rotZ = next() * 6.28f;
        in.id = static_cast<uint32_t>(i + 1);
        objects.instances.push_back(in);
    }
    w.Collision(meshes);
    FenceData fences = test::ObjectsWorldFence();
    fences.lines.clear();
    for (int l = 0; l < kFenceLines; ++l) {
        FenceLineData line;
        const float y = 100.0f + 180.0f * static_cast<float>(l), x0 = 900, x1 = 1100;
        line.curve.points = {{x0 - 10, y, 0}, {x0, y, 0}, {1000, y + 5, 0}, {x1, y, 0}, {x1 + 10, y, 0}};
        line.height = 6;
        line.materials.assign(kPanelsPerLine, 1);
        fences.lines.push_back(line);
    }
    w.Fences(fences);
    w.Objects(objects);
    std::vector<std::unique_ptr<DynamicRecord>> dynamic;
    std::vector<const DynamicRecord*> records;
    for (int i = 0; i < kDynamic; ++i) {
        dynamic.push_back(std::make_unique<DynamicRecord>());
        dynamic.back()->objectId = static_cast<uint32_t>(kObjects - i);
        dynamic.back()->behaviour = i % 2 ? kBlocker : kLift;
        dynamic.back()->paramA = 5;
        dynamic.back()->paramB = 10;
        dynamic.back()->paramC = 5;
        records.push_back(dynamic.back().get());
    }
    w.Dynamic(records);
    return w.Finish();
}

struct Bench {
    TableRender render;
    std::string path;
    std::vector<Vec3> route;
    ObjectSphere spheres[9] = {};

    bool Init() {
        InitTrigTables();
        const float box[6] = {0, 0, -100, kSide, kSide, 400};
        InitObjects(0, 8, 8, 1, box);
        path = (std::filesystem::temp_directory_path() / ("bench_objects_" + std::to_string(::getpid()) + ".wld")).string();
        const std::vector<uint8_t> bytes = BusyWorld();
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        WorldListEntry e;
        e.name = path;
        if (WorldLoadEntry(e, &render, nullptr) != 0) return false;
        // A bike's spheres: wheels and tops on a 5-unit frame, diagonals between them.
        const Vec3 at[9] = {{0, -2.5f, -1}, {0, 2.5f, -1}, {0, -2.5f, 2.5f}, {0, 2.5f, 2.5f}, {0, 0, 0},
                            {0, -1.7f, 0.2f}, {0, -0.8f, 1.3f}, {0, 1.7f, 0.2f}, {0, 0.8f, 1.3f}};
        for (int i = 0; i < 9; ++i) {
            spheres[i].centre = at[i];
            spheres[i].radius = i < 2 ? 0.6f : i < 4 ? 0.25f : i == 4 ? 0.0f : 1.6f;
        }
        for (int i = 0; i < 1000; ++i) route.push_back({1000.0f + 300.0f * std::sin(i * 0.01f), 50.0f + 1.9f * i, 1.5f});
        return true;
    }

    // One contact pass per route point; the mean microseconds per pass.
    uint32_t touches = 0;
    double PassUs() {
        RacerContactSubject s;
        s.spheres = spheres;
        s.sphereCount = 9;
        s.radius = 4.5f;
        s.user = &touches;
        s.contact = [](void* user, uint32_t, void*) { ++*static_cast<uint32_t*>(user); };
        const auto t0 = Clock::now();
        for (const Vec3& p : route) {
            s.previous = s.position;
            s.position = p;
            RacerWorldContacts(s, 0);
        }
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(touches);
        return std::chrono::duration<double, std::micro>(t1 - t0).count() / static_cast<double>(route.size());
    }

    void Shutdown() {
        WorldUnload();
        while (TextureListHead()) DestroyTexture(TextureListHead()->name);
        FreeObjects();
        std::remove(path.c_str());
    }
};

int Figures() {
    Bench b;
    if (!b.Init()) return 1;
    b.PassUs();
    std::vector<double> us;
    for (int i = 0; i < 9; ++i) us.push_back(b.PassUs());
    std::sort(us.begin(), us.end());
    std::printf("world.contacts_us_per_racer: %.2f\n", us[us.size() / 2]);
    std::fprintf(stderr, "placed objects %zu, fence groups %zu, dynamic objects %zu, touches per pass %.1f\n",
                 PlacedObjects().size(), FenceGroups().size(), DynamicObjects().size(), b.touches / 10.0 / 1000.0);
    b.Shutdown();
    return 0;
}

void BM_RacerWorldContacts(benchmark::State& state) {
    Bench b;
    if (!b.Init()) {
        state.SkipWithError("world did not load");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(b.PassUs());
    b.Shutdown();
}
BENCHMARK(BM_RacerWorldContacts)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
