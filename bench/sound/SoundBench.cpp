// Sound and movies:
//   audio.update_us_64_voices: one sound-manager update with 64 live looping voices around the
//     listener, on OpenAL's null device (goal: under 50 us);
//   movie.decode_fps_640x480: pictures a second decoding a generated 640 x 480 movie with sound on one
//     core, and movie.decode_vs_frame_rate, that figure over the movie's own frame rate (goal: 10 or more).
#include "bench/common/BenchMain.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "game/core/audio/AudioSystem.h"
#include "platform/bytes/ByteIO.h"
#include "platform/media/MediaDecoder.h"
#include "platform/media/MovieEncoder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMovieFps = 25;
constexpr int kMovieFrames = 100;

struct Voices {
    std::unique_ptr<kes::AudioSystem> audio;
    std::vector<kes::SoundVoice*> voices;
    float angle = 0;

    Voices() {
        audio = std::make_unique<kes::AudioSystem>();
        if (audio->Open(nullptr, 0, kes::kPrimaryFormat22k16Stereo) != 0) {
            std::fprintf(stderr, "no sound device\n");
            std::exit(1);
        }
        kes::WaveData wave;
        wave.name = "engine";
        wave.format = kes::WaveFormat{1, 1, 22050, 44100, 2, 16, 0};
        plat::ByteWriter w;
        for (int i = 0; i < 22050; ++i) w.U16(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 0.1))));
        wave.samples = w.Data();
        kes::SoundVoice* first = audio->MakeVoice(wave, 1);
        voices.push_back(first);
        while (voices.size() < 64) voices.push_back(first->Duplicate(static_cast<uint32_t>(voices.size() % 5)));
        for (size_t i = 0; i < voices.size(); ++i) {
            const float a = static_cast<float>(i) * 0.4f, r = 10.0f + static_cast<float>(i) * 3.0f;
            const kes::Vec3 p{r * std::cos(a), r * std::sin(a), 0.0f};
            voices[i]->SetPosition(&p);
            voices[i]->Play(1);
        }
        Step();
    }
    ~Voices() {
        for (kes::SoundVoice* v : voices) delete v;
    }
    // The listener turns a little every frame, so pans, volumes and the choice of voices change.
    void Step() {
        angle += 0.05f;
        kes::Matrix4 m{};
        m.m[0] = std::cos(angle);
        m.m[1] = std::sin(angle);
        m.m[4] = -std::sin(angle);
        m.m[5] = std::cos(angle);
        m.m[10] = 1.0f;
        m.m[12] = 20.0f * std::cos(angle);
        m.m[15] = 1.0f;
        audio->SetListenerMatrix(&m);
        audio->Update();
    }
};

std::string MoviePath() {
    static std::string path;
    if (!path.empty()) return path;
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp ? tmp : "/tmp") + "/sound_bench_movie.avi";
    plat::MovieSpec recipe;
    recipe.width = 640;
    recipe.height = 480;
    recipe.fps = kMovieFps;
    recipe.frames = kMovieFrames;
    recipe.soundTracks = 1;
    recipe.draw = [](int n, uint8_t* px, int pitch) {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                uint8_t* p = px + y * pitch + x * 4;
                p[0] = static_cast<uint8_t>(x + n * 4);
                p[1] = static_cast<uint8_t>(y + n * 2);
                p[2] = static_cast<uint8_t>((x ^ y) + n);
                p[3] = 255;
            }
    };
    recipe.sound = [](int, int64_t first, int16_t* s, int count) {
        for (int i = 0; i < count; ++i) s[i] = static_cast<int16_t>(6000 * std::sin((first + i) * 0.07));
    };
    if (!plat::EncodeMovie(path, recipe)) {
        std::fprintf(stderr, "cannot write the movie\n");
        std::exit(1);
    }
    return path;
}

// Seconds to decode every picture and its sound once.
double DecodeMovieOnce() {
    const auto start = Clock::now();
    auto d = plat::MediaDecoder::Open(plat::FileWindowReader::Open(MoviePath(), 0, -1), 0, true, 22050);
    if (!d) std::exit(1);
    std::vector<uint8_t> px(640 * 480 * 4);
    std::vector<int16_t> pcm;
    int frames = 0;
    while (d->NextFrame(px.data(), 640 * 4)) {
        d->TakeAudio(&pcm);
        ++frames;
    }
    if (frames != kMovieFrames) std::exit(1);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_AudioUpdate64(benchmark::State& state) {
    Voices v;
    for (auto _ : state) v.Step();
}
BENCHMARK(BM_AudioUpdate64);

void BM_MovieDecode640(benchmark::State& state) {
    MoviePath();
    for (auto _ : state) benchmark::DoNotOptimize(DecodeMovieOnce());
    state.counters["fps"] = benchmark::Counter(kMovieFrames * static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MovieDecode640)->Unit(benchmark::kMillisecond);

int PrintFigures() {
    {
        Voices v;
        for (int i = 0; i < 200; ++i) v.Step();
        const int runs = 5000;
        const auto start = Clock::now();
        for (int i = 0; i < runs; ++i) v.Step();
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / runs;
        std::printf("audio.update_us_64_voices: %.2f\n", us);
    }
    double best = 1e9;
    for (int i = 0; i < 3; ++i) best = std::min(best, DecodeMovieOnce());
    const double fps = kMovieFrames / best;
    std::printf("movie.decode_fps_640x480: %.1f\n", fps);
    std::printf("movie.decode_vs_frame_rate: %.1f\n", fps / kMovieFps);
    std::remove(MoviePath().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Benchmarks run on machines without a sound card: OpenAL's null device stands in.
    setenv("ALSOFT_DRIVERS", "null", 0);
    return bench::RunBenchmarkProgram(argc, argv, PrintFigures);
}
