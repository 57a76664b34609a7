// Time to build the detail levels of a 31,250-face mesh: a rough 125 x 125 grid of two materials
// with two key frames, generated here as a JMESH5 file.
// With --figures prints mesh.build_lods_ms_30k; otherwise runs as a Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/core/mesh/Mesh.h"
#include "platform/bytes/ByteIO.h"

namespace {

constexpr int kQuads = 125;  // 125 x 125 quads, two faces each

// Heights from a small integer hash: rough ground with many equal edges, as generated worlds have.
float Height(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return 0.1f * static_cast<float>((h >> 15) % 8);
}

std::vector<uint8_t> GridFile() {
    const int across = kQuads + 1;
    // The left half is material 0, the right half material 1 with its own copy of the border.
    std::vector<float> xs, ys;
    std::vector<uint16_t> faces, materials;
    auto vertex = [&](int x, int y) {
        xs.push_back(static_cast<float>(x));
        ys.push_back(static_cast<float>(y));
        return static_cast<uint16_t>(xs.size() - 1);
    };
    std::vector<int> index[2];
    for (int half = 0; half < 2; ++half) {
        index[half].assign(static_cast<size_t>(across) * across, -1);
        for (int y = 0; y < kQuads; ++y)
            for (int x = half * kQuads / 2; x < (half ? kQuads : kQuads / 2); ++x) {
                int corner[4];
                const int at[4][2] = {{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}};
                for (int c = 0; c < 4; ++c) {
                    int& i = index[half][at[c][1] * across + at[c][0]];
                    if (i < 0) i = vertex(at[c][0], at[c][1]);
                    corner[c] = i;
                }
                for (int c : {0, 1, 2, 0, 2, 3}) faces.push_back(static_cast<uint16_t>(corner[c]));
                materials.insert(materials.end(), 2, static_cast<uint16_t>(half));
            }
    }
    plat::ByteWriter w;
    w.Bytes("JMESH5*", 7);
    w.Bytes("<TL>", 4);
    w.U32(static_cast<uint32_t>(faces.size() / 3));
    for (uint16_t i : faces) w.U16(i);
    w.Bytes("<ML>", 4);
    w.U32(2);
    for (uint16_t m : materials) w.U16(m);
    for (int m = 0; m < 2; ++m) {
        w.FixedString("GROUND.BMP", 32);
        w.FixedString("", 32);
        w.U32(0);
        w.U32(0x00808080);
        w.U32(0);
    }
    w.Bytes("<NF>", 4);
    w.U32(2);
    w.Bytes("<VT>", 4);
    w.U32(static_cast<uint32_t>(xs.size()));
    for (int frame = 0; frame < 2; ++frame)
        for (size_t i = 0; i < xs.size(); ++i) {
            const float z = Height(static_cast<int>(xs[i]), static_cast<int>(ys[i])) + 0.5f * frame;
            for (float f : {xs[i], ys[i], z, 0.f, 0.f, 1.f, xs[i] / kQuads, ys[i] / kQuads}) w.F32(f);
        }
    w.Bytes("<END>", 5);
    return w.Take();
}

const std::vector<uint8_t>& File() {
    static const std::vector<uint8_t> file = [] {
        kes::InitTrigTables();
        return GridFile();
    }();
    return file;
}

// Milliseconds of one BuildLods on a freshly loaded mesh.
double BuildOnce() {
    kes::Mesh mesh(nullptr);
    if (!mesh.LoadFromMemory(File().data(), File().size(), "grid", 0) || mesh.faceCount < 30000) {
        std::fprintf(stderr, "the benchmark mesh did not load\n");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    mesh.BuildLods();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (!mesh.hasLevels) {
        std::fprintf(stderr, "the benchmark mesh got no detail levels\n");
        std::exit(1);
    }
    return took.count();
}

int PrintFigures() {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) best = std::min(best, BuildOnce());
    std::printf("mesh.build_lods_ms_30k: %.1f\n", best);
    return 0;
}

void BM_BuildLods30k(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(BuildOnce() / 1000.0);
}
BENCHMARK(BM_BuildLods30k)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, PrintFigures); }
