// The 144-byte bike-state block as it comes from the network: unpacking must never fault, and a
// state it takes must leave the bike finite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "game/world/physics/GeneratedGround.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/racer/BikeState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kes::FlatGround ground;
    static kes::BikeEnvironment env{&ground};
    kes::BikeBody bike(env, kes::BikeParams{}, kes::kClassNetwork, {0, 0, 3}, {0, 1, 0});
    uint8_t block[kes::kNetBlockSize] = {};
    if (size > 0) std::memcpy(block, data, size < sizeof block ? size : sizeof block);
    uint8_t riding = 0;
    if (kes::NetUnpackBikeState(bike, block, &riding)) {
        kes::UnpackBikeControls(bike, block + kes::kNetBlockControls);
        for (int i = 0; i < 20; ++i) bike.Step();
        for (int i = 0; i < 4; ++i)
            if (!std::isfinite(bike.body.particles[i].position.x)) std::abort();
    }
    return 0;
}
