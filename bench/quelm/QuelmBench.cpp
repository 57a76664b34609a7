// Time to export a 100,000-triangle scene with quelm, from the model file to the written JMESH5 file.
// The scene is generated here: four textured grids of 25,000 triangles, each with two materials.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "exporter/QuelmCommand.h"

namespace {

namespace fs = std::filesystem;

constexpr int kObjects = 4;
constexpr int kColumns = 125;  // quads across
constexpr int kRows = 100;     // quads down: 125 x 100 x 2 = 25,000 triangles an object

struct Scene {
    fs::path dir;
    std::string input;
    std::string output;
};

Scene MakeScene() {
    Scene s;
    s.dir = fs::temp_directory_path() / ("quelm-bench-" + std::to_string(::getpid()));
    fs::create_directories(s.dir);
    s.input = (s.dir / "grid.obj").string();
    s.output = (s.dir / "grid.jm5").string();
    std::ofstream((s.dir / "grid.mtl").string()) << "newmtl ground\nKd 0.4 0.3 0.2\nmap_Kd maps/Ground.tga\n"
                                                    "newmtl rock\nKd 0.5 0.5 0.5\nmap_Kd maps/Rock.tga\n";
    std::ofstream obj(s.input);
    obj << "mtllib grid.mtl\nvn 0 1 0\n";
    const int across = kColumns + 1;
    int base = 1;
    for (int o = 0; o < kObjects; ++o) {
        obj << "o Grid" << o << "\n";
        for (int r = 0; r <= kRows; ++r)
            for (int c = 0; c <= kColumns; ++c)
                obj << "v " << c + o * 200 << " 0 " << r << "\nvt " << c / double(kColumns) << ' '
                    << r / double(kRows) << "\n";
        for (int r = 0; r < kRows; ++r) {
            if (r == 0) obj << "usemtl ground\n";
            if (r == kRows / 2) obj << "usemtl rock\n";
            for (int c = 0; c < kColumns; ++c) {
                const int a = base + r * across + c, b = a + 1, d = a + across, e = d + 1;
                obj << "f " << a << '/' << a << "/1 " << b << '/' << b << "/1 " << e << '/' << e << "/1\n";
                obj << "f " << a << '/' << a << "/1 " << e << '/' << e << "/1 " << d << '/' << d << "/1\n";
            }
        }
        base += across * (kRows + 1);
    }
    return s;
}

// Seconds for one export; negative when it failed.
double ExportOnce(const Scene& s) {
    std::ostringstream out, err;
    const auto start = std::chrono::steady_clock::now();
    const int rc = quelm::RunQuelm({"--quiet", s.input, s.output}, out, err);
    const auto stop = std::chrono::steady_clock::now();
    if (rc != 0) {
        std::fprintf(stderr, "quelm failed: %s%s", out.str().c_str(), err.str().c_str());
        return -1.0;
    }
    return std::chrono::duration<double>(stop - start).count();
}

void BM_Export100k(benchmark::State& state) {
    const Scene s = MakeScene();
    for (auto _ : state) {
        if (ExportOnce(s) < 0) state.SkipWithError("export failed");
    }
    fs::remove_all(s.dir);
}
BENCHMARK(BM_Export100k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--figures") != 0) continue;
        const Scene s = MakeScene();
        std::vector<double> runs;
        for (int k = 0; k < 3; ++k) runs.push_back(ExportOnce(s));
        fs::remove_all(s.dir);
        if (*std::min_element(runs.begin(), runs.end()) < 0) return 1;
        std::sort(runs.begin(), runs.end());
        std::printf("quelm.export_100k_s: %.3f\n", runs[1]);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
