// OptionsTestPage: the game program with a test flow: the front end loads, the settings, controls
// and bike set-up pages are installed beside empty stand-ins for the pages they lead to, and the menu
// loop runs from the page named by GRAVELON_TEST_PAGE. When the loop ends, the settings, the mixer's
// gains and the bike the race would get are printed. Driven headless by GRAVELON_INPUT scripts.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/Startup.h"
#include "game/core/config/Config.h"
#include "game/core/mixer/Mixer.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/profile/Profile.h"

namespace kes {
namespace {

// The pages the settings pages lead to, as empty stand-ins: Esc ends the loop with 5.
MenuItem g_empty[] = {{}};
void StandInUpdate() {
    if (MenuKeyWords().esc) RequestQuit(5);
}

int OptionsTestFlow(const char*) {
    const StartupState& s = Startup();
    FrontEndLoad(&TheRenderInterface(), FrontEndPaths{s.gameFolder, s.trackPackPath, s.folders[0]});
    FrontEnd().profile->SetName("Tester");
    for (uint32_t page : {0u, 5u, 7u, 12u, 13u})
        SetMenuPageEntry(page, MenuPage{1, g_empty, StandInUpdate, nullptr, nullptr, nullptr});
    InstallOptionsPages();
    InstallControlsPage();
    InstallBikeSetupPage();
    const char* start = std::getenv("GRAVELON_TEST_PAGE");
    const uint32_t page = start ? static_cast<uint32_t>(std::atoi(start)) : 1u;
    // The in-race menu shows over the frozen race: a menu background stands in for it.
    if (page == kInRaceMenuPage) Flow().inRace = 1, FrontEnd().backgrounds[0] = FrontEnd().backgrounds[1];
    SetMenuPage(page);
    const int code = MenuLoop();
    std::printf("options: loop ended with %d on page %d\n", code, CurrentMenuPage());
    const ConfigRecord& c = g_Config;
    std::printf("options: mode %ux%ux%u brightness %u %u distance %u landscape %u detail %u effects %u mip %u "
                "bilinear %u\n",
                c.screenWidth, c.screenHeight, c.bitsPerPixel, c.displaySlider1, c.displaySlider2, c.drawDistance,
                c.landscapeDetail, c.textureDetail, c.raceStartOption, c.mipMapping, c.bilinear);
    std::printf("options: volumes music %u effects %u 3d %u swap %u\n", c.musicVolume, c.effectsVolume,
                c.hardware3DSound, c.swapStereo);
    MixerSaveVolumes();
    std::printf("options: gains music %.2f effects %.2f\n", MixerSavedLevel(kMixerMusic), MixerSavedLevel(kMixerEffects));
    std::printf("options: screen %ux%u\n", ScreenWidth(), ScreenHeight());
    BikeSetup bike;
    const uint32_t tier = FillBikeSetup(&bike);
    std::printf("options: bike class %u tier %u p1 %.4f\n", Flow().setupClass, tier, bike.param1);
    LeaveMenuPage();
    FrontEnd().backgrounds[0] = nullptr;
    FrontEndFree();
    return 0;
}

}  // namespace
}  // namespace kes

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kes::SetGameFlow(kes::OptionsTestFlow);
    return kes::GameMain(std::vector<std::string>(argv, argv + argc));
}
