// A demo file as it comes from disk: the loader must never fault, and a demo it takes must play
// (with wrapping) without reading outside its records.
#include <cstdint>
#include <cstdlib>

#include "game/frontend/replay/Replay.h"
#include "game/frontend/replay/ReplayState.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/race/RaceRacers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kes::FlatGround ground;
    static kes::BikeEnvironment env{&ground};
    static const bool ready = [] {
        kes::ReplayAlloc(64 * 1024);
        kes::ReplaySetWorld(7, "fuzz", "");
        return true;
    }();
    (void)ready;
    if (kes::LoadDemoBytes(data, size, "input") != 0) {
        if (kes::ReplayLastError().empty()) std::abort();  // a refusal always says why
        return 0;
    }
    kes::BikeBody bike(env, kes::BikeParams{}, kes::kClassReplay, {0, 0, 3}, {0, 1, 0});
    kes::RacerRecord racer;
    racer.bike = &bike;
    kes::ReplayStartPlaying();
    for (int i = 0; i < 200; ++i) {
        kes::ReplayPlayBike(&racer);
        bike.Step();
    }
    kes::ReplayStop();
    return 0;
}
