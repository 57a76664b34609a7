#include "game/world/sounds/BikeSounds.h"

#include <algorithm>
#include <string>
#include <vector>

#include "game/world/physics/BikeBody.h"
#include "game/world/sounds/SoundLoad.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

constexpr int32_t kSilent = -3000;

const char* const kClassFolders[3] = {"Bikes\\Sound125\\", "Bikes\\Sound250\\", "Bikes\\Sound400\\"};
const char* const kEngineFiles[kEngineVoiceCount] = {"Constant1.wav",    "Constant2.wav",    "Constant3.wav",
                                                     "Constant4.wav",    "DecelerateWB.wav", "DecelerateWO.wav",
                                                     "Freerevs.wav",     "Tickover.wav",     "Skid.wav"};

struct BikeSoundBank {
    BikeSoundSlot masters;  // the loaded voices, never played
    BikeSoundSlot slots[kBikeSoundSlots];
    uint32_t handedOut = 0;
} g_bank;

// Every voice pointer of a slot, so that loading, duplicating and freeing walk one list.
template <class Fn>
void ForEachVoice(BikeSoundSlot& s, Fn fn) {
    for (SoundVoice*& v : s.engine) fn(v);
    for (SoundVoice*& v : s.crash) fn(v);
    for (SoundVoice*& v : s.success) fn(v);
    fn(s.landSmall);
    fn(s.landBig);
}

void FreeSlot(BikeSoundSlot& s) {
    ForEachVoice(s, [](SoundVoice*& v) { DropVoice(v); });
    s = BikeSoundSlot{};
}

bool Playing(SoundVoice* v) { return v && v->IsPlaying(0); }

void Crossfade(BikeSoundSlot& s, uint32_t ms) {
    s.decelerationMs = std::max(0, s.decelerationMs - static_cast<int32_t>(ms));
    SoundVoice** e = s.engine;
    auto in = [&](uint32_t v) { FadeIn(s, e[v], ms); };
    auto out = [&](uint32_t v) { FadeOut(e[v], ms); };
    auto follow = [&](uint32_t v, bool on) { on ? in(v) : out(v); };
    if (!s.onGround) {
        out(kSkid);
        in(kFreeRevs);
        for (uint32_t v : {kTickover, kConstant1, kConstant2, kConstant3, kConstant4, kDecelerateWithBrake,
                           kDecelerateWithout})
            out(v);
        return;
    }
    if (!s.throttle) {
        follow(kSkid, s.skidding != 0);
        for (uint32_t v : {kTickover, kConstant1, kConstant2, kConstant3, kConstant4}) out(v);
        if (s.decelerationMs > 0) {
            out(kFreeRevs);
            follow(kDecelerateWithBrake, s.withBrake != 0);
            follow(kDecelerateWithout, s.withBrake == 0);
        } else {
            out(kDecelerateWithBrake);
            out(kDecelerateWithout);
            in(kFreeRevs);
        }
        return;
    }
    for (uint32_t v : {kFreeRevs, kDecelerateWithBrake, kDecelerateWithout}) out(v);
    if (!s.moving) {
        in(kTickover);
        follow(kSkid, s.skidding != 0);
        for (uint32_t v : {kConstant1, kConstant2, kConstant3, kConstant4}) out(v);
        return;
    }
    out(kTickover);
    const float level = s.engineLevel;
    const uint32_t chosen = level < 0.25f ? kConstant1 : level < 0.5f ? kConstant2 : level < 0.75f ? kConstant3 : kConstant4;
    for (uint32_t v : {kConstant1, kConstant2, kConstant3, kConstant4}) follow(v, v == chosen);
}

}  // namespace

void FadeIn(const BikeSoundSlot& slot, SoundVoice* v, uint32_t ms, bool immediate) {
    if (!v) return;
    v->SetPosition(&slot.position);
    if (immediate && !Playing(v)) {
        v->SetVolume(0);
        v->SetFrequency(19550u + static_cast<uint32_t>(plat::CrtRand()) * 5000u / 32767u);
        v->Play(1);
        return;
    }
    if (!Playing(v)) {
        v->SetVolume(kSilent);
        v->Play(1);
    }
    v->SetVolume(std::min<int32_t>(0, v->Volume() + 100 * static_cast<int32_t>(std::min<uint32_t>(ms, 1000))));
}

void FadeOut(SoundVoice* v, uint32_t ms, bool stopNow) {
    if (!Playing(v)) return;
    if (stopNow || v->Volume() <= kSilent) {
        v->Stop();
        return;
    }
    v->SetVolume(std::max<int32_t>(kSilent, v->Volume() - 100 * static_cast<int32_t>(std::min<uint32_t>(ms, 1000))));
}

int32_t LoadBikeSounds(uint32_t, uint32_t bikeClass) {
    FreeBikeSounds();
    AudioSystem* audio = PlayingAudio();
    if (!audio) return -1;
    const std::string folder = kClassFolders[std::min<uint32_t>(bikeClass, 2)];
    BikeSoundSlot& m = g_bank.masters;
    for (uint32_t i = 0; i < kEngineVoiceCount; ++i) m.engine[i] = LoadGameSound(audio, (folder + kEngineFiles[i]).c_str());
    for (int i = 0; i < 6; ++i)
        m.crash[i] = LoadGameSound(audio, ("ColSounds\\crash node" + std::to_string(i + 1) + ".wav").c_str());
    m.landSmall = LoadGameSound(audio, "ColSounds\\land small.wav");
    m.landBig = LoadGameSound(audio, "ColSounds\\land big.wav");
    for (int i = 0; i < 8; ++i)
        m.success[i] = LoadGameSound(audio, ("IKYeehaa\\Success" + std::to_string(i + 1) + ".wav").c_str());
    g_bank.handedOut = 0;
    return 0;
}

void FreeBikeSounds() {
    for (BikeSoundSlot& s : g_bank.slots) FreeSlot(s);
    FreeSlot(g_bank.masters);
    g_bank.handedOut = 0;
}

BikeSoundSlot* AllocBikeSoundSlot() {
    if (!PlayingAudio() || g_bank.handedOut >= kBikeSoundSlots) return nullptr;
    BikeSoundSlot& s = g_bank.slots[g_bank.handedOut++];
    FreeSlot(s);
    // Each slot's voices are duplicates sharing the masters' samples.
    std::vector<SoundVoice*> masters;
    ForEachVoice(g_bank.masters, [&](SoundVoice*& v) { masters.push_back(v); });
    size_t i = 0;
    ForEachVoice(s, [&](SoundVoice*& v) {
        SoundVoice* master = masters[i++];
        v = master ? master->Duplicate(0) : nullptr;
    });
    return &s;
}

void UpdateBikeSounds(uint32_t ms) {
    for (uint32_t i = 0; i < g_bank.handedOut; ++i) Crossfade(g_bank.slots[i], ms);
}

void PlayCrashSound(BikeSoundSlot* s, int32_t volume) {
    if (!s) return;
    int32_t pick;
    if (s->lastCrash < 0) {
        pick = plat::CrtRand() % 6;
    } else {
        if (Playing(s->crash[s->lastCrash])) return;  // no new crash over the last one
        pick = (s->lastCrash + plat::CrtRand() % 5) % 6;
    }
    SoundVoice* v = s->crash[pick];
    if (v) {
        v->SetVolume(volume);
        PlayFromStart(v, s->position);
    }
    s->lastCrash = pick;
}

void PlayLandSound(BikeSoundSlot* s, bool big) {
    if (!s) return;
    SoundVoice* v = big ? s->landBig : s->landSmall;
    if (!v) return;
    v->SetPosition(&s->position);
    v->Play(0);
}

void PlayCheerSound(BikeSoundSlot* s) {
    if (!s) return;
    SoundVoice* v = s->success[plat::CrtRand() & 7];
    if (!v) return;
    v->SetPosition(&s->position);
    v->Play(0);
}

void SyncBikeSoundSlot(BikeSoundSlot& s, const BikeBody& bike) {
    s.position = bike.centre;
    s.onGround = bike.contactBits != 0 ? 1 : 0;
    s.withBrake = bike.controls[kControlBrake] ? 1 : 0;
    s.skidding = bike.slide ? 1 : 0;
    s.engineLevel = bike.speedRatio;
    s.moving = bike.riding;
    if (bike.controls[kControlThrottle]) {
        s.throttle = 1;
        s.decelerationMs = 0;
    } else if (s.throttle) {
        s.throttle = 0;
        s.decelerationMs = 1000;
    }
}

}  // namespace kes
