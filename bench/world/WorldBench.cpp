// Loads a world of the editor's size (a 721 x 721-knot landscape with 64 textures of 256 x 256)
// through the game's world reader on a hidden display, and compares the time with reading the same
// file's bytes into memory. With --figures prints both figures; otherwise runs as Google Benchmark.
#include "bench/common/BenchDevice.h"
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "game/core/display/Display.h"
#include "game/world/file/WorldFile.h"
#include "game/world/writer/WorldWriter.h"

namespace {

using namespace kes;
using Clock = std::chrono::steady_clock;

struct Bench {
    std::string path;
    RenderInterface* r = nullptr;

    bool Init() {
        r = bench::OpenHiddenDevice();
        if (!r) return false;
        const WorldBounds bounds{-2000, -2000, 0, 3000, 3000, 1000};
        WorldWriter w;
        w.Header(bounds);
        FogData fog;
        fog.enabled = 1;
        w.Fog(fog);
        LandscapeData land = LandscapeData::EditorDefault(bounds);
        for (uint32_t y = 0; y < 721; ++y)
            for (uint32_t x = 0; x < 721; ++x)
                land.heights[y * 721 + x] = 40.0f * std::sin(x * 0.03f) * std::cos(y * 0.021f);
        for (int t = 0; t < 64; ++t) {
            DibPicture p = DibPicture::Solid(256, 256, 0, 0, 0);
            for (size_t i = 0; i < p.rows.size(); ++i) p.rows[i] = static_cast<uint8_t>((i * (t + 5)) >> 3);
            land.textures.push_back({"ground" + std::to_string(t) + ".bmp", std::move(p)});
        }
        for (size_t i = 0; i < land.cells.size(); ++i) land.cells[i] = static_cast<uint16_t>(1 + i % 64);
        w.Landscape(land);
        path = (std::filesystem::temp_directory_path() / ("bench_world_" + std::to_string(::getpid()) + ".wld")).string();
        return w.Save(path);
    }

    double LoadMs() {
        WorldListEntry e;
        e.name = path;
        const auto t0 = Clock::now();
        const int32_t result = WorldLoadEntry(e, r, nullptr);
        const auto t1 = Clock::now();
        WorldUnload();
        if (result != 0) std::fprintf(stderr, "world load failed: %d\n", result);
        return std::chrono::duration<double, std::milli>(t1 - t0).count();
    }

    double RawReadMs() {
        const auto t0 = Clock::now();
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::vector<uint8_t> bytes(std::filesystem::file_size(path));
        const size_t n = f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
        if (f) std::fclose(f);
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(n);
        return std::chrono::duration<double, std::milli>(t1 - t0).count();
    }

    void Shutdown() {
        std::remove(path.c_str());
        DeviceShutdown();
        FreeDeviceList();
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Figures() {
    Bench b;
    if (!b.Init()) return 1;
    b.LoadMs();  // warm the file cache and the driver
    std::vector<double> load, raw;
    for (int i = 0; i < 5; ++i) {
        raw.push_back(b.RawReadMs());
        load.push_back(b.LoadMs());
    }
    const double l = Median(load), r = Median(raw);
    std::printf("world.load_ms: %.1f\n", l);
    std::printf("world.load_vs_raw_read: %.2f\n", r > 0 ? l / r : 0.0);
    b.Shutdown();
    return 0;
}

void BM_WorldLoad(benchmark::State& state) {
    Bench b;
    if (!b.Init()) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(b.LoadMs());
    b.Shutdown();
}
BENCHMARK(BM_WorldLoad)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
