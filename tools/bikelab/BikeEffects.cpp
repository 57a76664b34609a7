#include "tools/bikelab/BikeEffects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "game/core/audio/AudioSystem.h"
#include "game/core/datapack/DataPack.h"
#include "game/world/particles/Particles.h"
#include "game/world/sounds/BikeSounds.h"
#include "platform/audio/AudioOutput.h"

namespace tools {

namespace {
constexpr int kRate = 22050;
constexpr int kWindowFrames = kRate / 2;
}  // namespace

struct BikeEffects::Sound {
    kes::AudioSystem audio;
    kes::BikeSoundSlot* slot = nullptr;
    kes::ParticleEmitterState emitter;
    std::vector<int16_t> mix;
    std::vector<double> window;
};

namespace {

// The fundamental of a window by autocorrelation, between 30 and 400 Hz: the shortest lag whose
// correlation peaks within a tenth of the best one (longer lags repeat the period).
double Fundamental(const std::vector<double>& w) {
    const int shortest = kRate / 400, longest = kRate / 30;
    const int n = static_cast<int>(w.size()) - longest;
    if (n <= 0) return 0;
    std::vector<double> c(static_cast<size_t>(longest) + 2, 0.0);
    double best = 0;
    for (int lag = shortest; lag <= longest + 1; ++lag) {
        for (int i = 0; i < n; ++i) c[static_cast<size_t>(lag)] += w[static_cast<size_t>(i)] * w[static_cast<size_t>(i + lag)];
        best = std::max(best, c[static_cast<size_t>(lag)]);
    }
    for (int lag = shortest + 1; lag <= longest; ++lag) {
        const double here = c[static_cast<size_t>(lag)];
        if (here >= 0.9 * best && here >= c[static_cast<size_t>(lag - 1)] && here >= c[static_cast<size_t>(lag + 1)])
            return static_cast<double>(kRate) / lag;
    }
    return 0;
}

}  // namespace

BikeEffects::BikeEffects(const std::string& packPath) : sound_(std::make_unique<Sound>()) {
    kes::ParticlesInit(nullptr, 512);
    if (packPath.empty() || kes::MakeLoadCache(packPath.c_str()) != 1) return;
    plat::SetAudioLoopbackForTests(kRate);
    if (sound_->audio.Open(nullptr, 0, kes::kPrimaryFormat22k16Stereo) != 0) return;
    kes::SetTheAudioSystem(&sound_->audio);
    if (kes::LoadBikeSounds(1, 1) != 0) return;
    sound_->slot = kes::AllocBikeSoundSlot();
    report_.sound = sound_->slot != nullptr;
}

BikeEffects::~BikeEffects() {
    kes::FreeBikeSounds();
    kes::SetTheAudioSystem(nullptr);
    sound_->audio.Close();
    plat::SetAudioLoopbackForTests(0);
    kes::ParticlesFree();
    kes::FreeLoadCache();
}

void BikeEffects::BeforeStep(const kes::BikeBody& bike) {
    kes::ParticlesEmitFromBike(bike, sound_->emitter, nullptr);
    if (!sound_->slot) return;
    kes::SyncBikeSoundSlot(*sound_->slot, bike);
    kes::Matrix4 ear{};
    ear.m[0] = ear.m[5] = ear.m[10] = ear.m[15] = 1.0f;
    ear.m[12] = bike.centre.x, ear.m[13] = bike.centre.y, ear.m[14] = bike.centre.z;
    sound_->audio.SetListenerMatrix(&ear);
}

void BikeEffects::AfterFrame(int frameMs, double seconds) {
    kes::ParticlesUpdate(static_cast<uint32_t>(frameMs));
    uint32_t ground = 0;
    for (uint32_t l = 0; l < kes::kParticleLists; ++l)
        if (l != kes::ParticleListOf(kes::kExhaustSurface)) ground += kes::ParticleListCount(l);
    report_.dust = std::max(report_.dust, ground);
    report_.exhaust = std::max(report_.exhaust, kes::ParticleListCount(kes::ParticleListOf(kes::kExhaustSurface)));
    Sound& s = *sound_;
    if (!s.slot) return;
    kes::UpdateBikeSounds(static_cast<uint32_t>(frameMs));
    s.audio.Update();
    int full = -1;
    for (int v = 0; v < 4; ++v)
        if (s.slot->engine[v] && s.slot->engine[v]->IsPlaying(0) && s.slot->engine[v]->Volume() == 0) full = v;
    if (full >= 0 && (report_.engine.empty() || report_.engine.back().voice != full))
        report_.engine.push_back({full, seconds, 0, 0});
    // Listen to what plays, in windows of half a second.
    const int frames = frameMs * kRate / 1000;
    s.mix.resize(static_cast<size_t>(frames) * 2);
    s.audio.Output()->Render(s.mix.data(), frames);
    for (int i = 0; i < frames; ++i) {
        s.window.push_back((static_cast<double>(s.mix[2 * i]) + s.mix[2 * i + 1]) / 2);
        if (s.window.size() < kWindowFrames) continue;
        if (!report_.engine.empty() && report_.engine.back().voice == full) {
            double sum = 0;
            for (double v : s.window) sum += v * v;
            report_.engine.back().level = std::sqrt(sum / kWindowFrames);
            report_.engine.back().pitch = Fundamental(s.window);
        }
        s.window.clear();
    }
}

std::string BikeEffects::Summary() const {
    char line[160];
    std::snprintf(line, sizeof line, "bikelab: particles dust %u, exhaust %u\n", report_.dust, report_.exhaust);
    std::string out = line;
    for (const EngineHeard& e : report_.engine) {
        std::snprintf(line, sizeof line, "bikelab: engine Constant%d from %.2f s, level %.0f, pitch %.0f\n", e.voice + 1,
                      e.firstTime, e.level, e.pitch);
        out += line;
    }
    return out;
}

}  // namespace tools
