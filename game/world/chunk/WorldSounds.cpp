#include "game/world/chunk/WorldSounds.h"

#include <cstring>

namespace kes {

WorldSoundHooks& WorldSounds() {
    static WorldSoundHooks hooks;
    return hooks;
}

int32_t FindWorldSoundEffect(const char* name) {
    const WorldSoundHooks& h = WorldSounds();
    if (!h.findEffect || !name || std::strcmp(name, "None") == 0) return -1;
    return h.findEffect(name);
}

}  // namespace kes
