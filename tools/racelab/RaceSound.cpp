#include "tools/racelab/RaceSound.h"

#include <algorithm>

#include "game/core/audio/AudioSystem.h"
#include "game/core/datapack/DataPack.h"
#include "game/world/particles/Particles.h"
#include "game/world/racer/Racer.h"
#include "game/world/racereffects/RacerEffects.h"
#include "game/world/sounds/BikeSounds.h"
#include "game/world/sounds/RiderSounds.h"
#include "game/world/sounds/SoundEffects.h"
#include "platform/audio/AudioOutput.h"
#include "tools/racelab/RaceRun.h"

namespace tools {

namespace {
constexpr int kRate = 22050;
}  // namespace

struct RaceSound::State {
    kes::AudioSystem audio;
    bool packOpen = false;
    bool open = false;
    std::vector<uint8_t> crying;  // per racer: a crash cry played at the last frame
    std::vector<int16_t> mix;
};

RaceSound::RaceSound(const std::string& packPath, kes::RenderInterface* render) : state_(std::make_unique<State>()) {
    State& s = *state_;
    kes::ParticlesInit(render, 256);
    s.packOpen = !packPath.empty() && kes::MakeLoadCache(packPath.c_str()) == 1;
    // The memory output: headless, and the same on every machine.
    plat::SetAudioLoopbackForTests(kRate);
    s.open = s.audio.Open(nullptr, 0, kes::kPrimaryFormat22k16Stereo) == 0;
    if (!s.open) return;
    kes::SetTheAudioSystem(&s.audio);
    kes::LoadBikeSounds(1, 0);
    kes::LoadSoundEffects();
    kes::LoadImpactSounds();
    kes::InstallWorldSoundHooks();
}

RaceSound::~RaceSound() {
    State& s = *state_;
    if (s.open) {
        kes::FreeImpactSounds();
        kes::FreeSoundEffects();
        kes::FreeBikeSounds();
        kes::SetTheAudioSystem(nullptr);
        s.audio.Close();
    }
    plat::SetAudioLoopbackForTests(0);
    kes::ParticlesFree();
    if (s.packOpen) kes::FreeLoadCache();
}

void RaceSound::AfterFrame(uint32_t frameMs, const std::vector<kes::RacerRecord*>& racers, RaceOutcome* outcome) {
    State& s = *state_;
    kes::UpdateRacerEffects(frameMs);
    if (!s.open) return;
    // The ear rides with the first racer, the one the race camera follows.
    if (!racers.empty()) {
        kes::Matrix4 ear{};
        ear.m[0] = ear.m[5] = ear.m[10] = ear.m[15] = 1.0f;
        const kes::Vec3& at = racers.front()->bike->centre;
        ear.m[12] = at.x, ear.m[13] = at.y, ear.m[14] = at.z;
        s.audio.SetListenerMatrix(&ear);
    }
    s.audio.Update();
    // Rendering moves the voices on, so that a cry that ended stops playing.
    const int frames = static_cast<int>(frameMs) * kRate / 1000;
    s.mix.resize(static_cast<size_t>(frames) * 2);
    if (frames > 0) s.audio.Output()->Render(s.mix.data(), frames);
    s.crying.resize(racers.size(), 0);
    uint32_t engines = 0;
    for (size_t i = 0; i < racers.size(); ++i) {
        const kes::BikeSoundSlot* slot = kes::RacerSoundSlot(racers[i]);
        if (slot && std::any_of(std::begin(slot->engine), std::end(slot->engine),
                                [](kes::SoundVoice* v) { return v && v->IsPlaying(0); }))
            ++engines;
        const kes::RiderImpactVoices* voices = kes::RacerImpactVoicesOf(racers[i]);
        const bool crying = voices && std::any_of(std::begin(voices->crash), std::end(voices->crash),
                                                  [](kes::SoundVoice* v) { return v && v->IsPlaying(0); });
        if (crying && !s.crying[i]) ++outcome->crashCries;
        s.crying[i] = crying;
    }
    outcome->enginesPlaying = std::max(outcome->enginesPlaying, engines);
}

}  // namespace tools
