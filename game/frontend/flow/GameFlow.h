#pragma once
// The game's outer loop: the front end, the machine measurement, then menus and races in turn until
// the player leaves. After each race the finishing order becomes points, the results pages show
// them, and the profile's statistics take them; a championship runs several races with standings
// between them and cup points at the end.
#include <cstdint>

#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"

namespace kes {

class RenderInterface;
struct WorldRecord;

// What the flow needs from the program around it.
struct GameFlowSetup {
    RenderInterface* render = nullptr;
    FrontEndPaths paths;
    bool profilesFolderPresent = false;  // the profile is saved after each menu loop only then
};

// The run from the front end's loading to the outro: 1 when the player quit from the menus, else
// the last quit code of a race's run loop. worldFile (or null): a world to race at once.
int GameFlow(const char* worldFile, const GameFlowSetup& setup);

// The parts of the flow that run screens; tests put scripted ones in their place.
struct GameFlowServices {
    int (*menuLoop)() = nullptr;
    int32_t (*raceStart)(RenderInterface* render, const WorldRecord* world, RacerDesc* descs, uint32_t players,
                         uint32_t computers) = nullptr;
    int (*runLoop)() = nullptr;
    void (*raceEnd)(ResultRow* results) = nullptr;
};
GameFlowServices& FlowServices();  // the real ones until a test changes them
void ResetFlowServices();

// What the menus' "race" result runs: the single-player races chosen on the pages (one race or the
// championship), or a race given on the command line (`commandLineWorld`: its index in the world
// list, else -1). Returns the last race's quit code, or 3 when no race ran. Ends on page 0.
int RunRaceBranch(RenderInterface* render, int32_t commandLineWorld);

// The race set-up words from the profile (values 0 and 1, the bike class, the custom parameters);
// the class is written back as a whole number.
void LoadBikeSetup();
// Frees the force-feedback device (when `releaseDevice`) and removes the race's key bindings.
void ReleasePlayerControls(uint32_t releaseDevice);
// Lets the display rebuild the menu's font and button surfaces after a race.
void ReleaseMenuTextures(RenderInterface* render);

}  // namespace kes
