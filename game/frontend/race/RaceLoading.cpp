// The loading screen of a race: the world's picture (with a translated strip for Spanish, French and
// German) and the progress bar under it, redrawn whole for every update.
#include <cstring>
#include <string>

#include "game/core/config/Config.h"
#include "game/core/display/Display.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/race/RaceState.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

struct LoadingScreen {
    uint32_t identifier;
    const char* file;
};
const LoadingScreen kLoadingScreens[] = {
    {1001, "mx_forest.bmp"},   {1002, "mx_mud.bmp"},      {1003, "mx_ice.bmp"},       {1004, "mx_desert.bmp"},
    {1005, "mx_volcano.bmp"},  {1006, "mx_quarry.bmp"},   {1007, "mx_mount.bmp"},     {1008, "mx_fantasy.bmp"},
    {1009, "mx_hell.bmp"},     {2002, "sx_6.bmp"},        {2003, "sx_3.bmp"},         {2004, "sx_4.bmp"},
    {2005, "sx_8.bmp"},        {2006, "sx_9.bmp"},        {2007, "sx_10.bmp"},        {2008, "sx_1.bmp"},
    {3001, "fs_flatlands.bmp"}, {3002, "fs_badlands.bmp"}, {3003, "fs_ice.bmp"},      {3004, "fs_oasis.bmp"},
    {3005, "fs_underworld.bmp"}, {3006, "fs_quake.bmp"},  {3007, "fs_paris.bmp"},     {4001, "fs_high.bmp"},
    {4002, "fs_wall.bmp"},     {4003, "fs_babel.bmp"},
};

// Folders of the translated strips by language (1 Spanish, 2 French, 3 German).
const char* const kStripFolders[4] = {nullptr, "FrontEnd\\LoadSpanish\\", "FrontEnd\\LoadFrench\\",
                                      "FrontEnd\\LoadGermain\\"};

constexpr int32_t kStripTop = 333;
constexpr int32_t kBarHeight = 21;
constexpr int32_t kBarLeftPixels = 72;
constexpr float kBarLeft = 0.1125f, kBarTop = 0.9020833f, kBarBottom = 0.9458333f;

Surface2D* SurfaceFromPack(RenderInterface* r, const std::string& name) {
    ImageRecord* picture = LoadBitmapFromCache(name.c_str());
    if (!picture) return nullptr;
    Surface2D* surface = r->CreateSurfaceFromImage(picture);
    if (!surface) FreeImage(picture);
    return surface;
}

}  // namespace

const char* LoadingScreenName(uint32_t identifier) {
    for (const LoadingScreen& l : kLoadingScreens)
        if (l.identifier == identifier) return l.file;
    return "generic.bmp";
}

int32_t LoadingBarWidth(float fraction) {
    if (!(fraction > 0.0f)) return 0;
    if (fraction > 1.0f) fraction = 1.0f;
    return plat::FloatToInt(fraction * 496.0f);
}

// Loads the world's loading screen with its strip and the bar.
void LoadLoadingScreens(RaceSessionState& s, uint32_t identifier) {
    RenderInterface* r = s.renderer;
    if (!r) return;
    const std::string file = LoadingScreenName(identifier);
    s.loadingScreen = SurfaceFromPack(r, "FrontEnd\\Loading\\" + file);
    s.loadingBar = SurfaceFromPack(r, "FrontEnd\\Loading bar.bmp");
    const uint32_t language = g_Config.language;
    if (s.loadingScreen && language >= 1 && language <= 3) {
        if (Surface2D* strip = SurfaceFromPack(r, kStripFolders[language] + file)) {
            const Rect to{0, kStripTop, static_cast<int32_t>(strip->width), static_cast<int32_t>(strip->height) + kStripTop};
            r->BlitSurface(strip, nullptr, s.loadingScreen, &to);
            r->FreeSurface(strip);
        }
    }
}

void FreeLoadingScreens(RaceSessionState& s) {
    if (s.renderer) {
        if (s.loadingScreen) s.renderer->FreeSurface(s.loadingScreen);
        if (s.loadingBar) s.renderer->FreeSurface(s.loadingBar);
    }
    s.loadingScreen = s.loadingBar = nullptr;
}

// The whole screen again (a presented back buffer keeps nothing) with the bar `width` pixels long.
void DrawLoadingScreen(const RaceSessionState& s, int32_t width) {
    RenderInterface* r = s.renderer;
    if (!r) return;
    if (s.loadingScreen) r->BlitToScreen(s.loadingScreen, nullptr, nullptr);
    if (s.loadingBar) {
        const Rect from{0, 0, width, kBarHeight};
        const float to[4] = {kBarLeft, kBarTop, static_cast<float>(width + kBarLeftPixels) / 640.0f, kBarBottom};
        r->BlitToScreen(s.loadingBar, &from, to);
    }
    RenderPresent();
}

void LoadProgress(float fraction) { DrawLoadingScreen(ThisRace(), LoadingBarWidth(fraction)); }

}  // namespace kes
