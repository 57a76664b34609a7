// Draws and presents a 640 x 480 frame of 20,000 textured, fogged triangles in 50 state groups
// through the game's render interface, headless. With --figures prints the median frame time and
// the GL draw calls of one frame; otherwise runs as a Google Benchmark.
#include "bench/common/BenchDevice.h"
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "game/core/render/RenderInterface.h"
#include "game/core/texture/TextureContainer.h"
#include "platform/gfx/GfxDevice.h"

namespace {

using namespace kes;
namespace rs = plat::rs;

constexpr int kTriangles = 20000;
constexpr int kGroups = 50;
constexpr int kTextures = 10;
constexpr int kDrawsPerGroup = 8;  // several meshes per group, as a world draws them
constexpr float kNear = 10.0f, kFar = 1000.0f;

uint32_t FloatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

struct Scene {
    RenderInterface* r = nullptr;
    Matrix4 view{};
    std::vector<SourceVertex> source;
    std::vector<ScreenVertex> screen;
    std::vector<uint16_t> indices;
    uint32_t handles[kTextures] = {};

    bool Init() {
        r = bench::OpenHiddenDevice();
        if (!r) return false;
        // Perspective to 640 x 480: sx = 320 x / z + 320, sy = 240 - 240 y / z, sz 0..1 from near to far.
        const float a = kFar / (kFar - kNear), b = -kNear * kFar / (kFar - kNear);
        view = Matrix4{{320, 0, 0, 0, 0, 0, -240, 0, 320, a, 240, 1, 0, b, 0, 0}};
        r->viewProjection = &view;
        r->SetFogRange(50.0f, 900.0f);
        r->SetFogEnable(1);
        for (int t = 0; t < kTextures; ++t) {
            ImageRecord* img = AllocImage(64, 64, kImage24, "");
            for (int i = 0; i < 64 * 64 * 3; ++i) img->pixels[i] = static_cast<uint8_t>((i * (t + 3)) & 0xFF);
            char name[16];
            std::snprintf(name, sizeof name, "bench%d", t);
            if (r->CreateTextureFromImage(name, img, &handles[t], 0) != 0) return false;
        }
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> sx(0, 640), sy(0, 480), jitter(-12, 12), depth(20, 950), uv(0, 4);
        source.resize(kTriangles * 3);
        for (int t = 0; t < kTriangles; ++t) {
            const float cx = sx(rng), cy = sy(rng), z = depth(rng);
            for (int k = 0; k < 3; ++k) {
                const float px = cx + jitter(rng), py = cy + jitter(rng);
                // Back to model space for the projection above.
                source[t * 3 + k] = SourceVertex{(px - 320) / 320 * z, (240 - py) / 240 * z, z, 0, 0, 1, uv(rng), uv(rng)};
            }
        }
        screen.resize(source.size());
        const int perDraw = kTriangles / (kGroups * kDrawsPerGroup) * 3;
        indices.resize(perDraw);
        for (int i = 0; i < perDraw; ++i) indices[i] = static_cast<uint16_t>(i);
        return true;
    }

    void Frame() {
        r->BeginScene();
        r->ClearDepth();
        r->SetState(rs::kZEnable, 1);
        r->SetState(rs::kZFunc, rs::kCmpLessEqual);
        r->SetState(rs::kTextureMag, rs::kFilterLinear);
        r->SetState(rs::kTextureMin, rs::kFilterLinear);
        r->SetState(rs::kFogEnable, 1);
        r->SetState(rs::kFogColor, 0xFF8090A0);
        r->SetState(rs::kFogTableMode, rs::kFogLinear);
        r->SetState(rs::kFogTableStart, FloatBits(50.0f));
        r->SetState(rs::kFogTableEnd, FloatBits(900.0f));
        r->SetState(rs::kCullMode, rs::kCullNone);
        r->TransformVertices(nullptr, screen.data(), static_cast<int32_t>(source.size()), source.data(), 0, nullptr, 0);
        const int perDraw = static_cast<int>(indices.size());
        int vertex = 0;
        for (int g = 0; g < kGroups; ++g) {
            r->SelectTexture(handles[g % kTextures]);
            r->SetState(rs::kColorKeyEnable, (g / kTextures) & 1);  // alternate keyed and plain groups
            for (int d = 0; d < kDrawsPerGroup; ++d) {
                r->DrawIndexed(rs::kTriangleList, perDraw, &screen[vertex], perDraw, indices.data(), 0);
                vertex += perDraw;
            }
        }
        r->EndScene();
        r->Present();
        DisplayGfx()->Finish();
    }

    void Shutdown() {
        r->ReleaseAllTextures();
        DeviceShutdown();
        FreeDeviceList();
    }
};

int Figures() {
    Scene s;
    if (!s.Init()) return 1;
    for (int i = 0; i < 3; ++i) s.Frame();
    std::vector<double> ms;
    uint32_t calls = 0;
    for (int i = 0; i < 15; ++i) {
        DisplayGfx()->ResetDrawCalls();
        const auto t0 = std::chrono::steady_clock::now();
        s.Frame();
        const auto t1 = std::chrono::steady_clock::now();
        calls = DisplayGfx()->DrawCalls();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("render.frame_ms_20k: %.2f\n", ms[ms.size() / 2]);
    std::printf("render.draw_calls: %u\n", calls);
    s.Shutdown();
    return 0;
}

void BM_RenderFrame20k(benchmark::State& state) {
    Scene s;
    if (!s.Init()) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) s.Frame();
    s.Shutdown();
}
BENCHMARK(BM_RenderFrame20k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
