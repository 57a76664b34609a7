// The Landscape plug-in's two heavy edits on the default 721 x 721-knot world:
//   landscape.stroke_ms      one drag step of the largest brush (a radius across the whole world)
//                            with the patches of every knot it moved rebuilt;
//   landscape.import_721_ms  a whole-world import of a 721 x 721 8-bit height map: the file read and
//                            decoded, the heights taken from its reds, wrapped, and the patches built.
// With --figures prints both (medians of several runs); otherwise runs as Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plugins/landscape/LandscapeEdit.h"
#include "plugins/shared/ChunkBitmap.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct StrokeBench {
    qv::LandscapeGrid grid;
    qv::KnotSelection selection;
    qv::Brush brush{true, 5000.0f, 2.0f};
    StrokeBench() {
        grid.MakeDefault();
        for (uint32_t r = 0; r < 721; ++r)
            for (uint32_t c = 0; c < 721; ++c) grid.Height(c, r) = 30.0f * std::sin(0.02f * static_cast<float>(c)) * std::cos(0.03f * static_cast<float>(r));
        grid.BuildPatches();
        selection.Resize(grid.heights.size());
        selection.Add(360 * 721 + 360);
    }
    double Run() {
        const auto start = Clock::now();
        const qv::KnotRange touched = qv::DragHeights(grid, selection, brush, -3.0f);
        grid.RefreshPatches(touched.firstColumn, touched.lastColumn, touched.firstRow, touched.lastRow);
        return Ms(start);
    }
};

struct ImportBench {
    std::string path;
    qv::LandscapeGrid grid;
    ImportBench() {
        path = (std::filesystem::temp_directory_path() / ("landscape_bench_" + std::to_string(::getpid()) + ".bmp")).string();
        qv::Dib d = qv::GreyBitmap(721, 721, 0);
        const uint32_t row = qv::RowBytes(721, 8);
        for (uint32_t r = 0; r < 721; ++r)
            for (uint32_t c = 0; c < 721; ++c) d.pixels[size_t{r} * row + c] = static_cast<uint8_t>((c * 7 + r * 3) & 0xFF);
        const std::vector<uint8_t> bytes = qv::EncodeBmp(d);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ~ImportBench() { std::filesystem::remove(path); }
    double Run() {
        const auto start = Clock::now();
        const std::optional<qv::Dib> bitmap = qv::LoadBitmapFile(path);
        if (!bitmap) return -1.0;
        std::vector<float> values = qv::DisplacementHeights(*bitmap, 300.0f);
        grid.MakeDefault();
        grid.heights = std::move(values);
        qv::Wraparound(grid, 25);
        grid.BuildPatches();
        return Ms(start);
    }
};

int Figures() {
    StrokeBench stroke;
    ImportBench import;
    std::vector<double> s, i;
    stroke.Run();
    import.Run();
    for (int k = 0; k < 9; ++k) {
        s.push_back(stroke.Run());
        i.push_back(import.Run());
    }
    std::printf("landscape.stroke_ms: %.2f\n", Median(s));
    std::printf("landscape.import_721_ms: %.1f\n", Median(i));
    return 0;
}

void BM_Stroke(benchmark::State& state) {
    StrokeBench b;
    for (auto _ : state) benchmark::DoNotOptimize(b.Run());
}
BENCHMARK(BM_Stroke)->Unit(benchmark::kMillisecond);

void BM_Import721(benchmark::State& state) {
    ImportBench b;
    for (auto _ : state) benchmark::DoNotOptimize(b.Run());
}
BENCHMARK(BM_Import721)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
