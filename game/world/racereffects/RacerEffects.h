#pragma once
// The racers' sounds and particles: each racer gets an engine sound slot, a sink for the landing,
// crash and solid sounds its bike's step asks for, a spray emitter at its wheels and its crashed
// rider's pain and crash voices. Slot sync and emission run before each bike step (the step clears
// the control bytes they read). Without a sound system or a particle pool each part does nothing.
#include <cstdint>

#include "game/world/physics/BikeBody.h"

namespace kes {

struct RacerRecord;
struct BikeSoundSlot;
struct RiderImpactVoices;

// Gives a racer its effects. The bike's events go to the sounds and then to `forward` (laps and
// cheers; may be null). False when the racer has no bike.
bool AttachRacerEffects(RacerRecord* racer, BikeEventSink* forward);
// Stops and frees the racer's voices; call before DestroyRacer.
void DetachRacerEffects(RacerRecord* racer);
// The racers' before-step hook and the crashed rider's sound hooks.
void InstallRacerEffectHooks();
void RemoveRacerEffectHooks();
// Once a frame: the engine crossfade of every slot and the motion of the spray.
void UpdateRacerEffects(uint32_t elapsedMs);

// What a racer was given (null when it has none), for tools and tests.
const BikeSoundSlot* RacerSoundSlot(const RacerRecord* racer);
const RiderImpactVoices* RacerImpactVoicesOf(const RacerRecord* racer);

}  // namespace kes
