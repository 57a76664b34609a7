// SelectPagesProgram: the game program with a test flow: the front end loads (with the rider and bike
// skins), the main, tutorial, world, profile, rider and championship pages are installed, and
// stand-ins for the options menu and the bike set-up page print the words the choosing pages left
// for the game flow. Driven headless by GRAVELON_INPUT scripts in SelectPagesProgramTest.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/Startup.h"
#include "game/core/config/Config.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"
#include "game/frontend/worlds/WorldList.h"
#include "game/world/file/WorldFile.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/racer/Racer.h"
#include "game/world/racermodels/RacerModels.h"

namespace kes {
namespace {

void PrintWords(const char* page) {
    const GameFlowState& f = Flow();
    std::string championship;
    for (uint32_t index : f.championship) {
        const WorldRecord* w = WorldAt(index);
        championship += " " + std::to_string(w ? w->identifier : 0);
    }
    std::printf("select: %s family %u world %u kind %u selected %u laps %u time %u points %u riders %u mode %u "
                "championship%s\n",
                page, f.worldFamily, f.chosenWorld, f.chosenWorldKind, f.selectedWorld, g_Config.raceOption2,
                g_Config.raceOption4, g_Config.raceOption3, g_Config.raceOption1, g_Config.gameMode,
                championship.c_str());
}

void StandInUpdate() {
    if (MenuKeyWords().esc) SetMenuPage(0);
}

// The options menu's stand-in: Return opens the profile page, which comes back here.
void OptionsStandInUpdate() {
    if (MenuKeyWords().enter) {
        Flow().returnPage = 1;
        SetMenuPage(5);
    }
    StandInUpdate();
}

void PrintProfile() {
    const Profile& p = *FrontEnd().profile;
    SkinList* riders = TheRiderModel().skins.get();
    SkinList* bikes = TheBikeModels().skins.get();
    std::printf("select: profile '%s' rider skin %u of %u bike skin %u of %u settings '%s'\n", p.GetName(),
                riders ? riders->FindChecksum(p.GetRiderSkin()) : 0, riders ? riders->Count() : 0,
                bikes ? bikes->FindChecksum(p.GetBikeSkin()) : 0, bikes ? bikes->Count() : 0, g_Config.text.data());
}

int SelectPagesFlow(const char*) {
    const StartupState& s = Startup();
    RenderInterface* render = &TheRenderInterface();
    FrontEndLoad(render, FrontEndPaths{s.gameFolder, s.trackPackPath, s.folders[0]});
    // The racers' models, and the menu world the profile pages' display racer stands on, as in the game.
    LoadRacerAssets(render);
    LoadRacerModels(render);
    InstallMainPages();
    InstallProfilePages();
    InstallChampionshipPage();
    SetMenuPageEntry(1, MenuPage{3, nullptr, OptionsStandInUpdate, nullptr, [] { PrintWords("options"); }, nullptr});
    SetMenuPageEntry(11, MenuPage{2, nullptr, StandInUpdate, nullptr, [] { PrintWords("bike"); }, nullptr});
    SetMenuPage(0);
    const bool menuWorld = WorldLoad(kSelectWorldName, render, nullptr) == 0;
    const int code = MenuLoop();
    if (menuWorld) WorldUnload();
    std::printf("select: loop ended with %d on page %d\n", code, CurrentMenuPage());
    PrintProfile();
    LeaveMenuPage();
    FreeRacerModels();
    FreeRacerAssets();
    FrontEndFree();
    return 0;
}

}  // namespace
}  // namespace kes

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kes::SetGameFlow(kes::SelectPagesFlow);
    return kes::GameMain(std::vector<std::string>(argv, argv + argc));
}
