// Decoding and encoding speed and compressed size of the container against zlib on generated mixed assets.
// With --figures prints the figures; otherwise runs as a Google Benchmark.
#include "bench/common/BenchMain.h"
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/container/MixedAssets.h"
#include "game/core/pack/ContainerCodec.h"

namespace {

struct Corpus {
    std::vector<uint8_t> plain;
    std::vector<uint8_t> packed;
    std::vector<uint8_t> deflated;
};

const Corpus& GetCorpus() {
    static const Corpus corpus = [] {
        Corpus c;
        c.plain = bench::MakeMixedAssets(4);
        c.packed = kes::PackImage(c.plain.data(), c.plain.size());
        uLongf size = compressBound(c.plain.size());
        c.deflated.resize(size);
        if (compress2(c.deflated.data(), &size, c.plain.data(), c.plain.size(), 6) != Z_OK) std::abort();
        c.deflated.resize(size);
        return c;
    }();
    return corpus;
}

// maxThreads 0: as many threads as the decoder chooses; 1: the single-thread figure.
bool DecodeOurs(const Corpus& c, unsigned maxThreads) {
    uint32_t size = 0;
    uint8_t* out = kes::UnpackImage(c.packed.data(), c.packed.size(), &size, maxThreads);
    const bool ok = out && size == c.plain.size() && std::memcmp(out, c.plain.data(), size) == 0;
    std::free(out);
    return ok;
}

bool DecodeZlib(const Corpus& c, std::vector<uint8_t>& out) {
    uLongf size = out.size();
    return uncompress(out.data(), &size, c.deflated.data(), c.deflated.size()) == Z_OK &&
           size == c.plain.size();
}

// Best of several runs, in seconds.
template <typename F>
double BestSeconds(F&& run) {
    double best = 1e30;
    for (int i = 0; i < 7; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run()) {
            std::fprintf(stderr, "decode failed\n");
            std::exit(1);
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best;
}

int PrintFigures() {
    const Corpus& c = GetCorpus();
    std::vector<uint8_t> zout(c.plain.size());
    const double ours = BestSeconds([&] { return DecodeOurs(c, 0); });
    const double oneThread = BestSeconds([&] { return DecodeOurs(c, 1); });
    const double zlib = BestSeconds([&] { return DecodeZlib(c, zout); });
    const double mb = static_cast<double>(c.plain.size()) / 1e6;
    std::printf("container.decode_mb_s: %.1f\n", mb / ours);
    std::printf("container.decode_mb_s_one_thread: %.1f\n", mb / oneThread);
    std::printf("container.decode_vs_zlib: %.3f\n", zlib / ours);
    // Encoding takes seconds: the best of two runs, on every thread and on one.
    auto encodeSeconds = [&c](unsigned maxThreads) {
        double best = 1e30;
        for (int i = 0; i < 2; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const std::vector<uint8_t> packed = kes::PackImage(c.plain.data(), c.plain.size(), 0, 0, maxThreads);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (packed != c.packed) {
                std::fprintf(stderr, "encode gave different bytes\n");
                std::exit(1);
            }
            best = std::min(best, took.count());
        }
        return best;
    };
    std::printf("container.encode_mb_s: %.1f\n", mb / encodeSeconds(0));
    std::printf("container.encode_mb_s_one_thread: %.1f\n", mb / encodeSeconds(1));
    std::printf("container.size_vs_zlib: %.3f\n",
                static_cast<double>(c.packed.size()) / static_cast<double>(c.deflated.size()));
    return 0;
}

void BM_ContainerDecode(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    for (auto _ : state) {
        uint32_t size = 0;
        uint8_t* out = kes::UnpackImage(c.packed.data(), c.packed.size(), &size);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.plain.size()));
}
BENCHMARK(BM_ContainerDecode);

void BM_ContainerDecodeOneThread(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    for (auto _ : state) {
        uint32_t size = 0;
        uint8_t* out = kes::UnpackImage(c.packed.data(), c.packed.size(), &size, 1);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.plain.size()));
}
BENCHMARK(BM_ContainerDecodeOneThread);

void BM_ZlibInflate(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    std::vector<uint8_t> out(c.plain.size());
    for (auto _ : state) benchmark::DoNotOptimize(DecodeZlib(c, out));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.plain.size()));
}
BENCHMARK(BM_ZlibInflate);

void BM_ContainerEncode(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    for (auto _ : state) benchmark::DoNotOptimize(kes::PackImage(c.plain.data(), c.plain.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.plain.size()));
}
BENCHMARK(BM_ContainerEncode);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, PrintFigures); }
