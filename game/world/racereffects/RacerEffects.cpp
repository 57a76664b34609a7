#include "game/world/racereffects/RacerEffects.h"

#include <memory>
#include <unordered_map>

#include "game/world/particles/Particles.h"
#include "game/world/racer/Racer.h"
#include "game/world/rider/RiderBody.h"
#include "game/world/sounds/BikeSounds.h"
#include "game/world/sounds/RiderSounds.h"
#include "game/world/sounds/SoundEffects.h"

namespace kes {

namespace {

// The bike's sound events, then whatever the race listens to (laps, cheers).
class ForwardingSink : public BikeEventSink {
public:
    ForwardingSink(BikeSoundSlot* slot, BikeEventSink* forward) : slot_(slot), sounds_(slot), forward_(forward) {}
    void OnLandSound(bool big) override {
        sounds_.OnLandSound(big);
        if (forward_) forward_->OnLandSound(big);
    }
    void OnCrashSound(int volume) override {
        sounds_.OnCrashSound(volume);
        if (forward_) forward_->OnCrashSound(volume);
    }
    void OnEffectSound(int32_t effect, int volume, const Vec3& at) override {
        sounds_.OnEffectSound(effect, volume, at);
        if (forward_) forward_->OnEffectSound(effect, volume, at);
    }
    void OnLap() override {
        if (forward_) forward_->OnLap();
    }
    void OnCheer() override {
        if (slot_) PlayCheerSound(slot_);
        if (forward_) forward_->OnCheer();
    }

private:
    BikeSoundSlot* slot_;
    BikeSoundEvents sounds_;
    BikeEventSink* forward_;
};

struct Effects {
    BikeSoundSlot* slot = nullptr;  // owned by the bike sound bank
    std::unique_ptr<ForwardingSink> sink;
    ParticleEmitterState emitter;
    RiderImpactVoices voices;
};

std::unordered_map<const RacerRecord*, std::unique_ptr<Effects>>& Table() {
    static std::unordered_map<const RacerRecord*, std::unique_ptr<Effects>> table;
    return table;
}

Effects* Find(const void* racer) {
    auto it = Table().find(static_cast<const RacerRecord*>(racer));
    return it == Table().end() ? nullptr : it->second.get();
}

void BeforeBikeStep(RacerRecord* racer) {
    Effects* e = Find(racer);
    if (!e) return;
    const BikeBody& bike = *racer->bike;
    if (e->slot) SyncBikeSoundSlot(*e->slot, bike);
    RiderSpray spray;
    spray.body = racer->riderBody ? &racer->riderBody->body : nullptr;
    spray.stateBytes[0] = racer->crashed[0];
    spray.stateBytes[1] = racer->crashed[1];
    ParticlesEmitFromBike(bike, e->emitter, &spray);
}

}  // namespace

bool AttachRacerEffects(RacerRecord* racer, BikeEventSink* forward) {
    if (!racer || !racer->bike) return false;
    auto e = std::make_unique<Effects>();
    e->slot = AllocBikeSoundSlot();
    e->sink = std::make_unique<ForwardingSink>(e->slot, forward);
    if (racer->riderBody) CreateRiderImpactVoices(e->voices, &racer->riderBody->body);
    racer->bike->env.events = e->sink.get();
    Table()[racer] = std::move(e);
    return true;
}

void DetachRacerEffects(RacerRecord* racer) {
    auto it = Table().find(racer);
    if (it == Table().end()) return;
    FreeRiderImpactVoices(it->second->voices);
    if (racer->bike && racer->bike->env.events == it->second->sink.get()) racer->bike->env.events = nullptr;
    Table().erase(it);
}

void InstallRacerEffectHooks() {
    RacerHooks().beforeBikeStep = BeforeBikeStep;
    RiderSounds().crash = [](void* racer) {
        if (Effects* e = Find(racer)) PlayRiderCrashSound(e->voices);
    };
    RiderSounds().pain = [](void* racer, const Vec3&) {
        if (Effects* e = Find(racer)) PlayRiderPainSound(e->voices);
    };
    RiderSounds().stop = [](void* racer) {
        if (Effects* e = Find(racer)) StopRiderSounds(e->voices);
    };
    RiderSounds().effect = [](int32_t effect, int volume, const Vec3& at) { PlaySoundEffectAt(effect, volume, at); };
}

void RemoveRacerEffectHooks() {
    RacerHooks().beforeBikeStep = nullptr;
    RiderSounds() = RiderSoundHooks();
}

void UpdateRacerEffects(uint32_t elapsedMs) {
    UpdateBikeSounds(elapsedMs);
    ParticlesUpdate(elapsedMs);
}

const BikeSoundSlot* RacerSoundSlot(const RacerRecord* racer) {
    const Effects* e = Find(racer);
    return e ? e->slot : nullptr;
}

const RiderImpactVoices* RacerImpactVoicesOf(const RacerRecord* racer) {
    const Effects* e = Find(racer);
    return e ? &e->voices : nullptr;
}

}  // namespace kes
