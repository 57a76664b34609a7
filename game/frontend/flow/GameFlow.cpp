// The game flow's outer loop: front end, measurement, then menus and races in turn.
#include "game/frontend/flow/GameFlow.h"

#include <cstdio>

#include "game/app/loop/FrameLoop.h"
#include "game/core/camera/Camera.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/frontend/flow/FlowMovies.h"
#include "game/frontend/flow/Measurement.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/session/RaceSession.h"
#include "game/frontend/worlds/WorldList.h"
#include "game/net/NetGame.h"
#include "game/world/file/WorldFile.h"
#include "game/world/racer/Racer.h"
#include "game/world/racermodels/RacerModels.h"

namespace kes {
namespace {

constexpr uint32_t kQuitGame = 1;
constexpr uint32_t kStartRace = 2;

GameFlowServices RealServices() {
    GameFlowServices s;
    s.menuLoop = MenuLoop;
    s.raceStart = RaceStart;
    s.runLoop = RunLoop;
    s.raceEnd = RaceEnd;
    return s;
}

GameFlowServices g_services = RealServices();

void InstallAllPages() {
    InstallMainPages();
    InstallProfilePages();
    InstallChampionshipPage();
    InstallOptionsPages();
    InstallControlsPage();
    InstallBikeSetupPage();
    InstallResultsPages();
    InstallLobbyPages();
}

// The world named on the command line as an entry of the world list: its index, or -1 (with a line
// saying why) when the file is not a world that can be read.
int32_t AddCommandLineWorld(const char* worldFile, RenderInterface* render) {
    const WorldRecord* entry = WorldInfoForFile(worldFile, render);
    if (!entry) {
        std::fprintf(stderr, "Kestrun: %s is not a world that can be raced; the menus open instead\n", worldFile);
        return -1;
    }
    GameFlowState& flow = Flow();
    flow.worldFamily = entry->kind + 1;
    flow.chosenWorld = entry->identifier;
    flow.chosenWorldKind = entry->kind;
    return static_cast<int32_t>(entry - WorldAt(0));
}

// The racers' assets and models for every race of this run: the per-race models and camera keys,
// the rider and the bikes; without them racers are simulated but not drawn.
void LoadRacerAssetsAndModels(RenderInterface* render) {
    LoadRacerAssets(render);
    LoadRacerModels(render);
}

void FreeRacerAssetsAndModels() {
    FreeRacerModels();
    FreeRacerAssets();
}

}  // namespace

GameFlowServices& FlowServices() { return g_services; }

void ResetFlowServices() { g_services = RealServices(); }

int GameFlow(const char* worldFile, const GameFlowSetup& setup) {
    GameFlowState& flow = Flow();
    RenderInterface* render = setup.render;
    flow.inRace = 0;
    FrontEndLoad(render, setup.paths);
    LoadRacerAssetsAndModels(render);
    CheckWindowFocus();
    InstallAllPages();
    int32_t commandLineWorld = worldFile ? AddCommandLineWorld(worldFile, render) : -1;
    MeasureMachine(render);
    if (commandLineWorld < 0) {
        SetMenuPage(0);
        flow.returnPage = -1;
    }
    NetClearStartFlag();
    for (;;) {
        if (FrontEnd().camera) SetActiveCamera(FrontEnd().camera);
        int result;
        if (commandLineWorld < 0) {
            const bool menuWorld = WorldLoad(kSelectWorldName, render, nullptr) == 0;
            CdPlayTrack(1, 1);
            result = g_services.menuLoop();
            CdStop();
            if (setup.profilesFolderPresent && FrontEnd().profile) FrontEnd().profile->Save(FrontEnd().profile->GetName());
            if (menuWorld) WorldUnload();
        } else {
            result = kStartRace;
        }
        LeaveMenuPage();
        if (result == kQuitGame) {
            CdStop();
            PlayFlowMovie(kOutroMovie);
            FreeRacerAssetsAndModels();
            FrontEndFree();
            return kQuitGame;
        }
        flow.inRace = 0;
        if (result == kStartRace) result = RunRaceBranch(render, commandLineWorld);
        ClearQuitRequest();
        if (result != 3) {
            FreeRacerAssetsAndModels();
            FrontEndFree();
            return result;
        }
        commandLineWorld = -1;
    }
}

}  // namespace kes
