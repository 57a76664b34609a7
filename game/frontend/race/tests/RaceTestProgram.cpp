// RaceTestProgram: the game program with a test flow in place of the game's: the front end and the
// racer models load, then one race on the world file named by GRAVELON_TEST_WORLD runs through
// RaceStart, the run loop and RaceEnd, with the local player and GRAVELON_TEST_COMPUTERS computer
// riders over GRAVELON_TEST_LAPS laps. What happened is printed when the race ends. Driven headless
// by GRAVELON_INPUT scripts in the tests.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/Startup.h"
#include "game/core/config/Config.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/race/Race.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/racer/Racer.h"
#include "game/world/racermodels/RacerModels.h"

namespace kes {
namespace {

uint32_t EnvNumber(const char* name, uint32_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : fallback;
}

int RaceTestFlow(const char*) {
    const StartupState& s = Startup();
    RenderInterface* renderer = &TheRenderInterface();
    FrontEndLoad(renderer, FrontEndPaths{s.gameFolder, s.trackPackPath, s.folders[0]});
    const bool models = LoadRacerModels(renderer);
    std::printf("race: models %d\n", models ? 1 : 0);

    const char* worldFile = std::getenv("GRAVELON_TEST_WORLD");
    WorldRecord world;
    world.identifier = EnvNumber("GRAVELON_TEST_WORLD_ID", 0);
    world.kind = EnvNumber("GRAVELON_TEST_WORLD_KIND", 0);
    world.fileName = "Race.wld";
    world.path = worldFile ? worldFile : "";
    g_Config.raceOption2 = EnvNumber("GRAVELON_TEST_LAPS", g_Config.raceOption2);
    g_Config.gameMode = EnvNumber("GRAVELON_TEST_GAME_MODE", g_Config.gameMode);

    static PlayerInput input;
    RacerDesc descs[1];
    descs[0].kind = kRacerLocal;
    descs[0].input = &input;
    descs[0].name = "Player";
    const uint32_t computers = EnvNumber("GRAVELON_TEST_COMPUTERS", 3);
    const int32_t started = RaceStart(renderer, &world, descs, 1, computers);
    std::printf("race: start %d\n", started);
    if (started == 0) {
        const int code = RunLoop();
        std::printf("race: loop ended with %d in phase %u\n", code, RacePhase());
        for (uint32_t k = 0; k < kMaxRaceRacers; ++k)
            if (const RacerRecord* r = g_RaceRacers[k])
                std::printf("race: racer %u kind %d laps %u finished %u place %u\n", k, r->kind, r->laps, r->finished,
                            r->place);
        ResultRow rows[kResultRows];
        RaceEnd(rows);
        for (uint32_t k = 0; k < kResultRows; ++k)
            std::printf("race: row %u place %u best %u score %u\n", k, rows[k].place, rows[k].bestLap, rows[k].score);
    }
    // Whatever happened, no callback of the race may be left behind.
    std::printf("race: callbacks cleared %d\n",
                SetFrameCallback1(nullptr) == nullptr && SetFrameCallback4(nullptr) == nullptr ? 1 : 0);
    FreeRacerModels();
    FrontEndFree();
    return 0;
}

}  // namespace
}  // namespace kes

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kes::SetGameFlow(kes::RaceTestFlow);
    return kes::GameMain(std::vector<std::string>(argv, argv + argc));
}
