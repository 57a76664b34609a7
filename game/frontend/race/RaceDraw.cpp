// The race's two draw callbacks: the world, then over the scene the particles, the ranking and map
// positions, the lens flare, the HUD and the countdown.
#include "game/core/camera/Camera.h"
#include "game/core/display/Display.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/frontend/hud/Hud.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/race/RaceRules.h"
#include "game/frontend/race/RaceState.h"
#include "game/frontend/replay/Replay.h"
#include "game/world/file/WorldFile.h"
#include "game/world/particles/Particles.h"
#include "game/world/sky/LensFlare.h"
#include "platform/gfx/GfxDevice.h"
#include "platform/gfx/GfxStates.h"

namespace kes {

namespace {

constexpr float kTexel = 1.0f / 256.0f;
// The countdown's pictures in the countdown texture, and where they are shown: "3", "2", "1", "go".
const TextureRect kCountdownCells[4] = {
    {15 * kTexel, 4 * kTexel, 85 * kTexel, 115 * kTexel},
    {91 * kTexel, 5 * kTexel, 160 * kTexel, 114 * kTexel},
    {172 * kTexel, 3 * kTexel, 231 * kTexel, 114 * kTexel},
    {22 * kTexel, 121 * kTexel, 229 * kTexel, 250 * kTexel},
};
const Sprite kCountdownSprites[4] = {
    {0.375f, 0.375f, 0.625f, 0.625f, 0.0f, 0xFFFFFFFFu, &kCountdownCells[0]},
    {0.375f, 0.375f, 0.625f, 0.625f, 0.0f, 0xFFFFFFFFu, &kCountdownCells[1]},
    {0.375f, 0.375f, 0.625f, 0.625f, 0.0f, 0xFFFFFFFFu, &kCountdownCells[2]},
    {0.3125f, 0.25f, 0.6875f, 0.708333f, 0.0f, 0xFFFFFFFFu, &kCountdownCells[3]},
};

void SetStates(RenderInterface* r, std::initializer_list<std::pair<uint32_t, uint32_t>> states) {
    for (const auto& [state, value] : states) r->SetState(state, value);
}

// Every racer's place on the world's map as fractions of the world box.
void PlaceOnMap() {
    const WorldBounds& b = CurrentWorldBounds();
    const float width = b.maxX - b.minX, depth = b.maxY - b.minY;
    for (RacerRecord* r : g_RaceRacers) {
        if (!r || !r->object) continue;
        // A flat world box puts everybody in the middle instead of dividing by zero.
        r->mapX = width > 0.0f ? (r->object->position.x - b.minX) / width : 0.5f;
        r->mapY = depth > 0.0f ? (r->object->position.y - b.minY) / depth : 0.5f;
    }
}

}  // namespace

WorldView WorldViewOf(const ViewRecord& view) {
    WorldView w;
    w.eye = view.position;
    w.groundMinX = view.groundMinX, w.groundMaxX = view.groundMaxX;
    w.groundMinY = view.groundMinY, w.groundMaxY = view.groundMaxY;
    for (int i = 0; i < 6; ++i) w.planes[i] = {view.planes[i].nx, view.planes[i].ny, view.planes[i].nz, view.planes[i].d};
    w.forward = view.direction;
    if (view.verticalFov > 0.0f) w.verticalFov = view.verticalFov;
    if (view.farPlane > 0.0f) w.farPlane = view.farPlane;
    if (view.screenWidth && view.screenHeight) w.screenWidth = view.screenWidth, w.screenHeight = view.screenHeight;
    return w;
}

const Sprite* CountdownSprite(uint32_t phase) {
    return phase >= kPhaseThree && phase <= kPhaseGo ? &kCountdownSprites[phase - kPhaseThree] : nullptr;
}

void RaceRenderWorld(ViewRecord* view) {
    // The frame starts from an empty picture: a world without a sky would show what the last frames
    // (or the menus) left, and old depths would hide the landscape behind where bikes were.
    if (RenderInterface* r = ThisRace().renderer) {
        if (plat::GfxDevice* gfx = DisplayGfx()) {
            uint32_t width = 0, height = 0;
            r->GetScreenSize(&width, &height);
            gfx->ClearColour({0, 0, static_cast<int>(width), static_cast<int>(height)}, 0xFF000000u);
        }
        r->ClearDepth();
    }
    if (!view) return;
    // The landscape's grids reach the screen wound the way the frame's cull mode removes: the world
    // is drawn with both sides and the frame's cull mode is put back for the objects after it.
    RenderInterface* r = ThisRace().renderer;
    if (r) r->SetState(plat::rs::kCullMode, plat::rs::kCullNone);
    WorldRender(WorldViewOf(*view));
    if (r) r->SetState(plat::rs::kCullMode, plat::rs::kCullCCW);
}

void RaceDrawOverlays(ViewRecord* view) {
    RaceSessionState& s = ThisRace();
    RenderInterface* r = s.renderer;
    const WorldView world = view ? WorldViewOf(*view) : WorldView{};
    if (r) {
        r->FlushTranslucent();
        SetStates(r, {{plat::rs::kCullMode, 3}, {plat::rs::kColorKeyEnable, 0}, {kStateImmediateBlend, 0},
                      {plat::rs::kAlphaBlendEnable, 1}});
        if (s.particles && view) ParticlesDraw(world, r);
        r->SetState(plat::rs::kAlphaBlendEnable, 0);
        r->FlushTranslucent();
        SetStates(r, {{plat::rs::kCullMode, 3}, {plat::rs::kColorKeyEnable, 0}, {kStateImmediateBlend, 0},
                      {plat::rs::kFogEnable, 0}});
        r->SetFogEnable(0);
        SetStates(r, {{kStateImmediateBlend, 1}, {plat::rs::kSrcBlend, 5}, {plat::rs::kDestBlend, 6},
                      {plat::rs::kZFunc, plat::rs::kCmpAlways}, {plat::rs::kZWriteEnable, 0}, {plat::rs::kZEnable, 0}});
    }
    if (RacePhase() < kPhaseFirstFinished) RankRacers(g_RaceRacers.data(), kMaxRaceRacers);
    if (view) LensFlareDraw(world);
    PlaceOnMap();

    RacerRecord* present[kMaxRaceRacers] = {};
    s.racerCount = 0;
    for (RacerRecord* racer : g_RaceRacers)
        if (racer) present[s.racerCount++] = racer;

    if (s.keys[kKeyF9]) s.keys[kKeyF9] = 0, s.overlay[0] ^= 1;
    if (s.keys[kKeyF10]) s.keys[kKeyF10] = 0, s.overlay[1] ^= 1;
    // The replay keys once per frame, with the time the frame stepped; they also tell the HUD what
    // the replay panel shows, so they come before the HUD is drawn.
    const uint32_t frameMs = s.msSinceDraw;
    s.msSinceDraw = 0;
    ReplayScreen(frameMs);
    HudRaceInfo& info = HudInfo();
    info.frameMs = frameMs;
    info.mapOverlay = s.overlay[0];
    info.secondOverlay = s.overlay[1];
    info.laps = s.laps;
    info.pointsMode = s.gameMode == 2;
    info.network = s.network;
    info.raceMinutes = s.worldKind == 2 ? s.timeLimitMinutes : 0;
    const Matrix4 camera = view && view->world ? *view->world : Matrix4{};
    HudDraw(present, s.racerCount, g_RaceRacers[s.localRacer], camera);

    if (const Sprite* countdown = CountdownSprite(RacePhase()); countdown && r && s.countdownTexture) {
        r->SelectTexture(s.countdownTexture);
        DrawSprite(countdown);
    }
    if (r) SetStates(r, {{kStateImmediateBlend, 0}, {plat::rs::kSrcBlend, 2}, {plat::rs::kDestBlend, 1}});
}

}  // namespace kes
