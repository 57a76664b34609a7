#pragma once
// The sounds that the world's solids, fences and pickups start. The sound manager installs these
// routines when it exists; until then every entry is null and the world is silent.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

struct WorldSoundHooks {
    // Number of a sound effect of the bank by name, -1 when the bank has none of that name.
    int32_t (*findEffect)(const char* name) = nullptr;
    // A sound-only solid was touched: effect B at the point. restart: a new source touched it, so
    // the voice is first set to full volume, rewound and stopped.
    void (*impact)(int32_t effect, Vec3 at, bool restart) = nullptr;
    // A broken fence panel's sound (the material's sound name cut at its last '.'), played once.
    void (*fenceBreak)(const char* name, Vec3 at) = nullptr;
};

// The one set of hooks (all null = silent).
WorldSoundHooks& WorldSounds();
// FindEffect through the hook, -1 without one or for "None".
int32_t FindWorldSoundEffect(const char* name);

}  // namespace kes
