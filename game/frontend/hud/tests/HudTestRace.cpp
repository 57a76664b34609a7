// HudTestRace: the game program with a test flow instead of the game's: the HUD is loaded from the
// data pack and drawn every frame over a landscape picture for a race of four hand-placed racers
// (the viewed one second, on its second lap, a race message showing, the replay panel up). From
// step 20 the viewed racer's bike performs a balance trick facing against its course, while the
// direction arrow points ahead and to the right; at step 45 the program ends. A camera looks along
// +y, so the arrow is drawn in 3D in front of it. Screen grabs (F12) come from the input script; the tests check them by region.
#include <cstdio>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/Startup.h"
#include "game/core/camera/Camera.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/input/Input.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/hud/Hud.h"
#include "game/frontend/session/RaceSession.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/race/RaceRacers.h"

namespace kes {
namespace {

constexpr uint32_t kRacers = 4;
constexpr uint32_t kTrickFrom = 20, kLastFrame = 45;
RacerRecord g_racers[kRacers];
RacerRecord* g_table[kRacers];
Surface2D* g_backdrop = nullptr;
uint32_t g_frames = 0;
FlatGround g_ground;
BikeBody* g_bike = nullptr;

void Place(RacerRecord& r, float x, float y) {
    for (Vec3& p : r.drawn.positions) p = {x, y, 0};
}

void SetUpRace() {
    const uint32_t colours[kRacers] = {0xFFFF2020u, 0xFF20FF20u, 0xFF2060FFu, 0xFFFFFF20u};
    const float at[kRacers][2] = {{700, 300}, {300, 800}, {500, 500}, {900, 900}};
    for (uint32_t i = 0; i < kRacers; ++i) {
        g_racers[i].colour = colours[i];
        Place(g_racers[i], at[i][0], at[i][1]);
        g_table[i] = &g_racers[i];
    }
    // The viewed racer (red) on its second lap at 1:23.45, its first lap 1:01.23; green leads.
    RacerRecord& viewed = g_racers[0];
    viewed.lapIndex = 1;
    viewed.lapTimes[0] = 61230;
    viewed.lapTimes[1] = 83456;
    viewed.bestLap = 61230;
    viewed.laps = 1;
    g_racers[1].laps = 2;
    g_racers[1].bestLap = 59990;
    HudRaceInfo& info = HudInfo();
    info.laps = 3;
    info.mapBox = {0, 0, 0, 1000, 1000, 100};
    info.message = "NEW TRACK UNLOCKED";
    info.messageTimerMs = 1500;
    info.replay = true;
    info.replayButtonsOn = 1u << 0 | 1u << 2;  // replay mode, playing
    info.replaySpeed = 2;
    info.replayFrame = 512;
}

// The second part: the message is gone; the bike runs "SUPERMAN SEAT GRAB" on both balance axes,
// the rider facing back down the course (track point 0 to the aim runs +y, the bike faces -y).
void StartTrick() {
    const TrackPoint points[2] = {{700, 100, 0}, {700, 900, 0}};
    SetTrackPoints(2, points);
    BikeEnvironment env;
    env.ground = &g_ground;
    env.gameMode = 2;
    g_bike = new BikeBody(env, BikeParams{}, kClassLocal, Vec3{700, 300, 3}, Vec3{0, 1, 0});
    g_bike->hasRoute = 1;
    g_bike->currentGate = 1;
    g_bike->aimPoint = {1000, 600, 0};  // 45 degrees to the right of +y
    g_bike->forward = {0, -1, 0};
    g_bike->trickAnim = 25;
    g_bike->trickUsesBalance = 1;
    g_bike->trickBalance.mode = 2;
    g_bike->trickBalance.point = {0.3f, -0.2f, 0.0f};
    g_racers[0].bike = g_bike;
    HudInfo().messageTimerMs = 0;
    HudInfo().replay = false;
}

void Step(uint32_t) {
    ++g_frames;
    if (g_frames == kTrickFrom) StartTrick();
    if (g_frames >= kLastFrame) RequestQuit(3);
}

// The landscape picture stands in for the world: it goes first in the overlay.
void DrawHud(ViewRecord* view) {
    if (g_backdrop) TheRenderInterface().BlitToScreen(g_backdrop, nullptr, nullptr);
    // Each frame counts a quarter second, so that the wrong-way time passes within the run.
    HudInfo().frameMs = 250;
    const Matrix4 identity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    HudDraw(g_table, kRacers, &g_racers[0], view && view->world ? *view->world : identity);
}

int HudRaceFlow(const char*) {
    RenderInterface& r = TheRenderInterface();
    if (ImageRecord* picture = LoadBitmapFromCache("FrontEnd\\back01.bmp")) {
        g_backdrop = r.CreateSurfaceFromImage(picture);
        if (!g_backdrop) FreeImage(picture);
    }
    std::printf("hud: load %d\n", HudLoad(&r));
    SetUpRace();
    SetRacePhase(8, 1);
    SceneCamera* camera = nullptr;
    CreateCamera(&camera, "Main Camera", nullptr);
    if (camera) {
        const Matrix4 eye{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 700, 250, 20, 1}};
        SetObjectMatrix(camera->object, &eye);
        SetActiveCamera(camera);
    }
    // The screen-grab key as the front end binds it by default (F12).
    const InputBinding grab{kBindWord | kBindOnDown, GrabRequestFlag(), 88, nullptr};
    InputAddBinding(&grab);
    const FrameStepCallback old1 = SetFrameCallback1(Step);
    const FrameDrawCallback old4 = SetFrameCallback4(DrawHud);
    const int code = RunLoop();
    SetFrameCallback1(old1);
    SetFrameCallback4(old4);
    InputRemoveBinding(&grab);
    if (camera) {
        SetActiveCamera(nullptr);
        DestroyCamera(camera);
    }
    std::printf("hud: loop ended with %d\n", code);
    HudFree();
    g_racers[0].bike = nullptr;
    delete g_bike;
    SetTrackPoints(0, nullptr);
    if (g_backdrop) r.FreeSurface(g_backdrop);
    return 0;
}

}  // namespace
}  // namespace kes

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kes::SetGameFlow(kes::HudRaceFlow);
    return kes::GameMain(std::vector<std::string>(argv, argv + argc));
}
