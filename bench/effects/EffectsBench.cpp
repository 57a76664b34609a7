// The world's effects: one update of a full pool of 512 particles, and a drawn 640 x 480 frame of
// the sky (cloud layer and horizon), 512 particle sprites and a 4096-vertex mesh lit by an ambient
// light and the sun, headless. With --figures prints the median figures; otherwise runs as a
// Google Benchmark.
#include "bench/common/BenchDevice.h"
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "game/core/objects/Objects.h"
#include "game/core/sprite/Sprites.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/lights/Lights.h"
#include "game/world/particles/Particles.h"
#include "game/world/sky/Sky.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/gfx/GfxDevice.h"
#include "platform/sys/CrtRand.h"

namespace {

using namespace kes;
namespace rs = plat::rs;

constexpr uint32_t kPool = 512;
constexpr int kMeshSide = 64;  // 64 x 64 = 4096 vertices

// Keeps the pool full: particles spread in front of a camera at the origin looking along +y.
void FillPool() {
    while (ParticleCount() < kPool) {
        const float a = static_cast<float>(plat::CrtRand()) / 32767.0f, b = static_cast<float>(plat::CrtRand()) / 32767.0f;
        const Vec3 at{(a - 0.5f) * 80.0f, 40.0f + b * 150.0f, (b - 0.3f) * 20.0f};
        SpawnParticle(nullptr, 0.5f, at, {a * 4.0f, 2.0f, 3.0f}, static_cast<uint8_t>(a < 0.2f ? 254 : 16), plat::CrtRand() % 3);
    }
}

int64_t UpdateNanos() {
    FillPool();
    const auto t0 = std::chrono::steady_clock::now();
    ParticlesUpdate(40);
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count();
}

struct Scene {
    RenderInterface* r = nullptr;
    Matrix4 vp{};
    WorldView view;
    uint32_t skyTable[kHandleTableSize] = {};
    std::vector<SourceVertex> mesh;
    std::vector<uint32_t> colours;
    std::vector<ScreenVertex> screen;
    std::vector<uint16_t> indices;
    Matrix4 model{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 120, -20, 1}};

    bool Init() {
        r = bench::OpenHiddenDevice();
        if (!r) return false;
        const float box[6] = {-4100, -4100, -2000, 8100, 8100, 7000};
        if (InitObjects(0, 1, 1, 1, box) != 0 || InitSprites(r, 256, 640, 480) != 0) return false;
        // Camera at the origin along +y: sx = 320 x / y + 320, sy = 240 - 240 z / y.
        const float n = 1.0f, f = 3000.0f, a = f / (f - n), b = -n * f / (f - n);
        vp = Matrix4{{320, 0, 0, 0, 320, a, 240, 1, 0, 0, -240, 0, 0, b, 0, 0}};
        r->viewProjection = &vp;
        view.forward = {0, 1, 0};
        view.verticalFov = 1.5707963f;
        view.farPlane = f;
        SkyData sky;
        sky.textures.push_back({"hills", DibPicture::Solid(256, 256, 90, 120, 60), true, DibPicture::Grey(256, 256, 200)});
        sky.textures.push_back({"clouds", DibPicture::Solid(256, 256, 60, 110, 170)});
        sky.wallTexture = 0;
        sky.overheadTexture = 1;
        const std::vector<uint8_t> chunk = WorldWriter::SkyChunk(sky);
        MemoryPack pack(chunk);
        ChunkStream s(pack, static_cast<uint32_t>(chunk.size()));
        r->handleTable = skyTable;
        if (SkyLoad(s, static_cast<uint32_t>(chunk.size()), r, WorldBounds{}) != 0) return false;
        r->handleTable = nullptr;
        if (ParticlesInit(r, kPool) != 0) return false;
        FillPool();
        if (LightListCreate(4096, 16) != 0) return false;
        LightDesc ambient;
        ambient.intensity = 0.4f;
        LightDesc sun;
        sun.type = kLightPoint;
        sun.position = {300, 500, 800};
        sun.innerRange = sun.outerRange = 10000.0f;
        if (AddLight(ambient, nullptr) != 0 || AddLight(sun, nullptr) != 0) return false;
        // A bumpy sheet of 64 x 64 vertices standing in front of the camera.
        for (int y = 0; y < kMeshSide; ++y)
            for (int x = 0; x < kMeshSide; ++x) {
                const float px = (x - 32) * 1.5f, pz = (y - 32) * 1.0f, bump = std::sin(x * 0.4f) * std::cos(y * 0.3f);
                const float nx = -0.4f * std::cos(x * 0.4f) * std::cos(y * 0.3f), len = std::sqrt(1 + nx * nx);
                mesh.push_back({px, bump * 2.0f, pz, nx / len, -1.0f / len, 0, 0, 0});
            }
        for (int y = 0; y + 1 < kMeshSide; ++y)
            for (int x = 0; x + 1 < kMeshSide; ++x) {
                const uint16_t i = static_cast<uint16_t>(y * kMeshSide + x);
                for (uint16_t k : {i, static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + kMeshSide),
                                   static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + kMeshSide + 1),
                                   static_cast<uint16_t>(i + kMeshSide)})
                    indices.push_back(k);
            }
        colours.resize(mesh.size());
        screen.resize(mesh.size());
        return true;
    }

    void Frame() {
        r->BeginScene();
        r->ClearDepth();
        r->SetState(rs::kZEnable, 1);
        r->SetState(rs::kCullMode, rs::kCullNone);
        LightMeshVertices(model, 60.0f, mesh.data(), colours.data(), static_cast<uint32_t>(mesh.size()), 255);
        r->TransformVertices(&model, screen.data(), static_cast<int32_t>(mesh.size()), mesh.data(), 0, nullptr, 2);
        for (size_t i = 0; i < screen.size(); ++i) screen[i].diffuse = colours[i];
        r->SelectTexture(0);
        r->DrawIndexed(rs::kTriangleList, static_cast<uint32_t>(screen.size()), screen.data(),
                       static_cast<uint32_t>(indices.size()), indices.data(), 0);
        r->handleTable = skyTable;
        SkyDraw(view, r);
        r->handleTable = nullptr;
        ParticlesDraw(view, r);
        r->EndScene();
        r->Present();
        DisplayGfx()->Finish();
    }

    void Shutdown() {
        r->handleTable = skyTable;
        SkyFree(r);
        r->handleTable = nullptr;
        ParticlesFree();
        while (GetLightCount()) RemoveLight(GetLight(0));
        LightListFree();
        FreeSprites();
        FreeObjects();
        r->viewProjection = nullptr;
        DeviceShutdown();
        FreeDeviceList();
    }
};

int Figures() {
    if (ParticlesInit(nullptr, kPool) != 0) return 1;
    std::vector<int64_t> ns;
    for (int i = 0; i < 2000; ++i) ns.push_back(UpdateNanos());
    std::sort(ns.begin(), ns.end());
    std::printf("particles.update_us_512: %.2f\n", static_cast<double>(ns[ns.size() / 2]) / 1000.0);
    ParticlesFree();
    Scene s;
    if (!s.Init()) return 1;
    for (int i = 0; i < 3; ++i) s.Frame();
    std::vector<double> ms;
    for (int i = 0; i < 15; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        s.Frame();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("effects.frame_ms: %.2f\n", ms[ms.size() / 2]);
    s.Shutdown();
    return 0;
}

void BM_ParticlesUpdate512(benchmark::State& state) {
    ParticlesInit(nullptr, kPool);
    for (auto _ : state) {
        state.PauseTiming();
        FillPool();
        state.ResumeTiming();
        ParticlesUpdate(40);
    }
    ParticlesFree();
}
BENCHMARK(BM_ParticlesUpdate512)->Unit(benchmark::kMicrosecond);

void BM_EffectsFrame(benchmark::State& state) {
    Scene s;
    if (!s.Init()) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) s.Frame();
    s.Shutdown();
}
BENCHMARK(BM_EffectsFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
