// Generated sounds, music tracks and movies: 22050 Hz mono 16-bit waves synthesised from tones and
// noise; music as loops of bass, drums and a lead; movies as short colour cards with a moving bar and
// their sound tracks (four language tracks for the tutorials), encoded by FFmpeg.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>
#include <random>

#include <unistd.h>

#include "platform/bytes/ByteIO.h"
#include "platform/media/MovieEncoder.h"
#include "tools/contentgen/AssetFamilies.h"

namespace tools {
namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 6.283185307179586;

std::vector<uint8_t> Wave(const std::vector<float>& samples) {
    plat::ByteWriter w;
    w.Bytes("RIFF", 4);
    w.U32(static_cast<uint32_t>(36 + samples.size() * 2));
    w.Bytes("WAVEfmt ", 8);
    w.U32(16);
    w.U16(1);
    w.U16(1);
    w.U32(kRate);
    w.U32(kRate * 2);
    w.U16(2);
    w.U16(16);
    w.Bytes("data", 4);
    w.U32(static_cast<uint32_t>(samples.size() * 2));
    for (float s : samples) {
        const float c = s > 1.0f ? 1.0f : s < -1.0f ? -1.0f : s;
        w.U16(static_cast<uint16_t>(static_cast<int16_t>(c * 32000.0f)));
    }
    return w.Data();
}

// A tone with an exponential decay (a click, a beep).
std::vector<float> Beep(double hz, double seconds, double decay, double level) {
    std::vector<float> s(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        s[i] = static_cast<float>(level * std::exp(-t * decay) * std::sin(kTwoPi * hz * t));
    }
    return s;
}

void Append(std::vector<float>& a, const std::vector<float>& b) { a.insert(a.end(), b.begin(), b.end()); }

// A loop of bass, drums and a lead over a four-chord pattern.
std::vector<float> MusicLoop(int variant, double seconds) {
    const double bpm = 100 + 20 * variant;
    const double beat = 60.0 / bpm;
    const double roots[4][4] = {{55.0, 43.65, 49.0, 41.2}, {65.4, 49.0, 58.3, 43.65}, {49.0, 61.7, 55.0, 41.2}};
    const int scale[8] = {0, 3, 5, 7, 10, 12, 10, 7};
    std::vector<float> s(static_cast<size_t>(seconds * kRate));
    std::mt19937 rng(static_cast<uint32_t>(7 + variant));
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const int b = static_cast<int>(t / beat);
        const double inBeat = t - b * beat;
        const double root = roots[variant % 3][(b / 4) % 4];
        double v = 0.25 * std::sin(kTwoPi * root * t) + 0.1 * std::sin(kTwoPi * root * 2 * t);  // bass
        if (b % 2 == 0) v += 0.5 * std::exp(-inBeat * 30) * std::sin(kTwoPi * (60 + 80 * std::exp(-inBeat * 40)) * t);
        else v += 0.15 * std::exp(-inBeat * 40) * noise(rng);  // kick, then snare
        const int step = static_cast<int>(t / (beat / 2));
        const double lead = root * 4 * std::pow(2.0, scale[(step * 3 + variant) % 8] / 12.0);
        const double inStep = t - step * beat / 2;
        v += 0.12 * std::exp(-inStep * 6) * (std::sin(kTwoPi * lead * t) > 0 ? 1 : -1) * 0.5;
        s[i] = static_cast<float>(v * 0.8);
    }
    return s;
}

struct MovieLook {
    uint8_t r, g, b;
};

std::vector<uint8_t> MakeMovie(const std::string& scratch, MovieLook look, int tracks, int seconds, std::string* error) {
    plat::MovieSpec recipe;
    recipe.width = 320;
    recipe.height = 240;
    recipe.fps = 10;
    recipe.frames = seconds * recipe.fps;
    recipe.soundTracks = tracks;
    const int frames = recipe.frames;
    recipe.draw = [look, frames](int n, uint8_t* px, int pitch) {
        // A card in the movie's colour, darker towards the bottom, with a bar crossing it as it plays.
        const int bar = 20 + (280 * n) / (frames > 1 ? frames - 1 : 1);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                uint8_t* p = px + y * pitch + x * 4;
                const double shade = 1.0 - 0.5 * y / 240.0;
                const bool inBar = y >= 180 && y < 196 && x >= 20 && x < bar;
                p[0] = inBar ? 40 : static_cast<uint8_t>(look.b * shade);
                p[1] = inBar ? 140 : static_cast<uint8_t>(look.g * shade);
                p[2] = inBar ? 255 : static_cast<uint8_t>(look.r * shade);
                p[3] = 255;
            }
    };
    recipe.sound = [](int track, int64_t first, int16_t* s, int count) {
        // A spoken-style sequence of short tones, pitched by the track.
        for (int i = 0; i < count; ++i) {
            const double t = static_cast<double>(first + i) / kRate;
            const int syllable = static_cast<int>(t * 5);
            const double hz = 180 + 40 * track + 30 * ((syllable * 7 + track) % 5);
            const double env = std::sin(3.14159 * std::fmod(t * 5, 1.0));
            s[i] = static_cast<int16_t>(6000 * env * std::sin(kTwoPi * hz * t));
        }
    };
    if (!plat::EncodeMovie(scratch, recipe)) {
        *error = "the movie encoder failed";
        return {};
    }
    std::ifstream in(scratch, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::remove(scratch.c_str());
    return bytes;
}

}  // namespace

bool AddSounds(PackContent& pack, std::string* error) {
    struct Sound {
        const char* name;
        std::vector<float> samples;
    };
    std::vector<float> countdown = Beep(660, 0.25, 8, 0.7);
    std::vector<float> gap(static_cast<size_t>(0.75 * kRate), 0.0f);
    std::vector<float> three;
    for (int i = 0; i < 3; ++i) {
        Append(three, countdown);
        Append(three, gap);
    }
    const Sound sounds[] = {
        {"ColSounds\\1-2-3.wav", three},
        {"ColSounds\\Start.wav", Beep(990, 0.6, 4, 0.8)},
        {"score.wav", Beep(1500, 0.3, 10, 0.6)},
    };
    for (const Sound& s : sounds)
        if (!pack.Add(s.name, Wave(s.samples), error)) return false;
    return true;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> MusicTracks() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> tracks;
    for (int i = 0; i < 3; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Music/Track%02d.wav", i + 1);
        tracks.emplace_back(name, Wave(MusicLoop(i, 60.0)));
    }
    return tracks;
}

bool AddMovies(PackContent& pack, std::string* error) {
    std::vector<std::pair<std::string, MovieLook>> movies = {
        {"Pellwyn.bik", {40, 60, 120}}, {"Halvex.bik", {160, 40, 30}}, {"Intro.bik", {230, 120, 20}},
        {"outro.bik", {30, 30, 40}},     {"Rewards\\slump.bik", {70, 70, 90}}};
    const char* tutorials[] = {"basiccntrl", "bkclass", "skill_lvl", "cntrlbk", "perfstnt",
                               "wchstunt",   "scoring", "custom",    "camera",  "help"};
    const char* podium[] = {"BOW", "CUP", "MFLEX", "PNCH"};
    const char* places[] = {"1ST", "2ND", "3RD"};
    for (const char* p : podium)
        for (const char* place : places)
            movies.push_back({std::string("Podium\\") + p + "_" + place + "_SOND.bik", {200, 170, 40}});
    for (const char* r : {"deliriouslyhappy", "dropbike", "funkychicken", "handinokshape", "madflamengo",
                          "shakehandsosomanner", "shrugopenhands", "wooarmsup", "wooyeah", "wooyeah2",
                          "yeahbigthumbsup", "yeahclenchedfists", "yeahthumbsup"})
        movies.push_back({std::string("Rewards\\") + r + ".bik", {60, 160, 60}});
    for (const char* g :
         {"bikeflat", "cancanrearwheelie", "candybar", "candybar05", "CANDYBAR1HAND", "candybar03", "candybar02",
          "doublecancan", "jump01", "jump03", "jump04", "nothing01", "nothing02", "nothing03", "rearwheelie03",
          "rearwheelie01", "rearwheelie02", "reversethumbsup", "saran02", "saranwrap", "superman02", "superman04",
          "superman06", "superman07", "superman08", "superman09", "superman01", "supersuperman",
          "supermanfliplegs", "thruster01", "THRUSTER02", "thruster03", "trick02", "trick03", "trick04", "trick06",
          "turnbike90", "wheelcancan", "wheeliecancan", "windsurf"})
        movies.push_back({std::string("GameOver\\") + g + ".bik", {120, 60, 140}});
    const char* tmp = std::getenv("TMPDIR");
    const std::string scratch = std::string(tmp ? tmp : "/tmp") + "/contentgen_movie_" + std::to_string(::getpid()) + ".avi";
    // Movies of one family share one card (and so one encoding).
    std::map<std::tuple<int, int, int, int>, std::vector<uint8_t>> made;
    auto movie = [&](MovieLook look, int tracks) -> const std::vector<uint8_t>& {
        std::vector<uint8_t>& bytes = made[{look.r, look.g, look.b, tracks}];
        if (bytes.empty()) bytes = MakeMovie(scratch, look, tracks, 3, error);
        return bytes;
    };
    for (const auto& [name, look] : movies) {
        const std::vector<uint8_t>& bytes = movie(look, 1);
        if (bytes.empty() || !pack.AddStored(name, bytes, error)) return false;
    }
    // The tutorials have four sound tracks: English, Spanish, German, French.
    for (const char* t : tutorials) {
        const std::vector<uint8_t>& bytes = movie({30, 110, 130}, 4);
        if (bytes.empty() || !pack.AddStored(std::string("Tutorial\\") + t + ".bik", bytes, error)) return false;
    }
    return true;
}

}  // namespace tools
