// Drawing a racer and the race camera's key bindings.
#include "game/core/camera/Camera.h"
#include "game/core/input/Input.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/racer/Racer.h"

namespace kes {

namespace {

RaceCameraKeys g_keys;
constexpr uint32_t kLatched = kBindWord | kBindOnDown;
constexpr uint32_t kHeldKey = kBindWord | kBindOnDown | kBindOnUp;
InputBinding g_bindings[9] = {};
bool g_registered = false;

uint32_t* KeyWord(uint32_t i) {
    uint32_t* words[9] = {&g_keys.nextMode, &g_keys.yawLeft, &g_keys.yawRight, &g_keys.pitchUp, &g_keys.pitchDown,
                          &g_keys.zoomIn,   &g_keys.zoomOut, &g_keys.centre,  &g_keys.freeOrbit};
    return words[i];
}

}  // namespace

const RaceCameraBinding kRaceCameraBindings[9] = {
    {0x52, kLatched}, {0x4B, kHeldKey}, {0x4D, kHeldKey}, {0x48, kHeldKey}, {0x50, kHeldKey},
    {0x4E, kHeldKey}, {0x4A, kHeldKey}, {0x4C, kLatched}, {0x9C, kLatched},
};

RaceCameraKeys& RaceCamKeys() { return g_keys; }

int32_t RegisterRacerBindings() {
    if (g_registered) return 0;
    for (uint32_t i = 0; i < 9; ++i) {
        g_bindings[i] = InputBinding{kRaceCameraBindings[i].flags, KeyWord(i), kRaceCameraBindings[i].code, nullptr};
        InputAddBinding(&g_bindings[i]);
    }
    g_registered = true;
    return 0;
}

int32_t UnregisterRacerBindings() {
    if (!g_registered) return 0;
    for (uint32_t i = 0; i < 9; ++i) InputRemoveBinding(&g_bindings[i]);
    g_registered = false;
    g_keys = RaceCameraKeys();
    return 0;
}

void RenderRacer(SectorObject* object, ViewRecord* view) {
    RacerRecord* racer = static_cast<RacerRecord*>(object->user);
    if (!racer || !racer->bike) return;
    if (racer->bike->controlClass != kClassInert) ComputeBikeFrame(racer);
    if (!view) return;
    for (const Plane& pl : view->planes) {
        if (pl.nx * object->position.x + pl.ny * object->position.y + pl.nz * object->position.z + pl.d < -5.0f)
            return;
    }
    const RacerHookTable& h = RacerHooks();
    if (RaceContext().followed == racer) DrawCourseMarks(*racer, *view);
    if (h.drawBike)
        h.drawBike(&racer->bikeModel, view->renderer, racer->bike->controlClass == kClassNetwork ? racer->name : nullptr,
                   view->position);
    if (!racer->crashed[0] && racer->rider && h.updateRiderPose)
        h.updateRiderPose(racer->rider, racer->bikeModel.riderMatrix, view->renderer);
    const Vec3 c = racer->bike->centre;
    LandscapeAddDynamicLight(static_cast<uint32_t>(racer->netPlayer), {c.x + 3.0f, c.y, c.z}, 5.0f);
}

}  // namespace kes
