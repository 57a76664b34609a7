#pragma once
// The game flow's module-wide state, shared with the front-end pages that choose the race (world
// page, championship set-up, bike set-up) and with the results pages that show its tables.
#include <cstdint>
#include <vector>

#include "game/world/racer/Racer.h"

namespace kes {

struct WorldRecord;

// One racer's line in a result table. `points` are tenths (10 = one point).
struct ResultRow {
    uint32_t place = 0;    // 1 = first
    uint32_t points = 0;
    uint32_t bestLap = 0;  // ms
    uint32_t score = 0;    // timed worlds
    const char* name = nullptr;  // null: the local player (the profile's name is shown)
};
constexpr uint32_t kResultRows = 8;

// What ended the last race.
enum RaceOutcomeCode : uint32_t { kOutcomeRun = 0, kOutcomeRetired = 1, kOutcomeSessionLost = 2 };

// worldFamily 4 runs a championship; any other value a single race of `chosenWorld`.
constexpr uint32_t kFamilyChampionship = 4;

struct GameFlowState {
    ResultRow raceResults[kResultRows];
    ResultRow seasonResults[kResultRows];
    ResultRow cupResults[kResultRows];
    uint32_t resultOrder[kResultRows] = {0, 1, 2, 3, 4, 5, 6, 7};
    uint32_t racerCount = 0;
    RacerDesc racerDescs[kResultRows];
    uint32_t RaceOutcome = kOutcomeRun;
    uint32_t worldFamily = 0;
    uint32_t chosenWorld = 0;      // identifier of the world chosen on the pages
    uint32_t chosenWorldKind = 0;
    // The championship: world-list indices still to run, in the order of running; for a network
    // championship also the worlds already run (ascending) and the total.
    std::vector<uint32_t> championship;
    std::vector<uint32_t> championshipRun;
    uint32_t championshipTotal = 0;
    uint32_t inRace = 0;           // 1 while a race's run loop runs
    const WorldRecord* raceWorld = nullptr;  // the world of the race just run (the results' heading)

    // Words the front-end pages keep between pages.
    uint32_t networkKind = 0;       // 1 local network, 2 online directory
    uint32_t pageAfterProfile = 0;  // 0 until a profile has been chosen since start-up
    uint32_t selectedWorld = 0;     // row of the world page's list
    int32_t returnPage = -1;        // the page a shared page (profile, options) goes back to
    // The race set-up words: copied from the profile before a race (values 0 and 1, the bike class,
    // the four custom parameters as whole numbers).
    uint32_t setupValue0 = 0, setupValue1 = 0, setupClass = 0;
    uint32_t setupParams[4] = {};
};
GameFlowState& Flow();

}  // namespace kes
