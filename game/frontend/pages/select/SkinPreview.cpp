#include "game/frontend/pages/select/SkinPreview.h"

#include <cmath>

#include "game/app/loop/FrameLoop.h"
#include "game/core/camera/Camera.h"
#include "game/core/maths/MatMath.h"
#include "game/core/objects/Objects.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/skins/SkinList.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/lights/Lights.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/racer/Racer.h"
#include "platform/gfx/GfxStates.h"

namespace kes {

namespace {

// The menu camera sits at the origin looking along +y with a 60 degree field across the screen: the
// racer stands kDistance in front of it, where a 640-pixel width spans 2 x kDistance x tan 30.
constexpr float kDistance = 10.0f;
constexpr float kHalfWidth = kDistance * 0.57735027f;
// A rider on a bike is about kRacerLength long: it fills this much of its frame.
constexpr float kRacerLength = 7.0f;
constexpr float kFill = 0.8f;
constexpr float kMiddleBelowCentre = 0.12f;
constexpr float kTurnPerMs = 0.0008f;  // radians: a turn in about eight seconds

struct Preview {
    RacerRecord* racer = nullptr;
    const GroundQuery* savedGround = nullptr;
    ObjectDrawFn draw = nullptr;
    ObjectUpdateFn update = nullptr;
    Light* lights[2] = {};
    float angle = 0.0f;
} g_preview;

uint32_t IndexOf(const SkinList* skins, uint32_t checksum) {
    return skins && checksum != 0 ? skins->FindChecksum(checksum) : 0;
}

void AddLights() {
    LightDesc ambient;
    ambient.name = "Preview Ambient";
    ambient.type = kLightAmbient;
    ambient.intensity = 0.5f;
    LightDesc key;
    key.name = "Preview Key";
    key.type = kLightPoint;
    key.position = {-200.0f, -300.0f, 400.0f};
    key.direction = {0.4f, 0.6f, -0.7f};
    key.red = 255, key.green = 240, key.blue = 220;
    key.intensity = 1.0f;
    key.innerRange = key.outerRange = 10000.0f;
    AddLight(ambient, &g_preview.lights[0]);
    AddLight(key, &g_preview.lights[1]);
}

}  // namespace

uint32_t RiderSkinIndex(const Profile& profile) { return IndexOf(TheRiderModel().skins.get(), profile.GetRiderSkin()); }
uint32_t BikeSkinIndex(const Profile& profile) { return IndexOf(TheBikeModels().skins.get(), profile.GetBikeSkin()); }

void CreatePreviewRacer(uint32_t riderSkin, uint32_t bikeSkin) {
    DestroyPreviewRacer();
    RacerDesc desc;
    desc.kind = kRacerMenu;
    desc.riderSkin = static_cast<int32_t>(riderSkin);
    desc.bikeSkin = static_cast<int32_t>(bikeSkin);
    desc.startX = 10.0f;
    desc.startY = 50.0f;
    desc.startHeading = {1.0f, 0.0f, 0.0f};
    // The racer stands on the menu world's ground while the page shows it.
    g_preview.savedGround = RaceContext().ground;
    RaceContext().ground = &WorldGround();
    g_preview.racer = CreateRacer(&desc);
    if (!g_preview.racer || !g_preview.racer->object) {
        if (g_preview.racer) DestroyRacer(g_preview.racer);
        g_preview.racer = nullptr;
        RaceContext().ground = g_preview.savedGround;
        return;
    }
    // The page draws it over its own pictures, not the scene under them, and steps it itself: the
    // scene's own step would move it a second time in every frame.
    g_preview.draw = g_preview.racer->object->draw;
    g_preview.racer->object->draw = nullptr;
    g_preview.update = g_preview.racer->object->update;
    g_preview.racer->object->update = nullptr;
    SetPreviewSkins(riderSkin, bikeSkin);
    RaceContext().menuResnap = 1;
    g_preview.angle = 0.0f;
    AddLights();
}

void DrawPreviewRacer() {
    RenderInterface* r = MenuRenderer();
    if (!g_preview.racer || !g_preview.draw || !r) return;
    ViewRecord view{};
    view.renderer = r;
    SetFrameCamera(&view);
    r->SetState(kStateImmediateBlend, 0);
    r->SetState(plat::rs::kSrcBlend, 2);
    r->SetState(plat::rs::kDestBlend, 1);
    r->SetState(plat::rs::kZEnable, 1);
    r->SetState(plat::rs::kZWriteEnable, 1);
    r->SetState(plat::rs::kZFunc, 4);
    r->ClearDepth();
    g_preview.draw(g_preview.racer->object, &view);
    r->FlushTranslucent();
    SetMenuState2D();
}

void DestroyPreviewRacer() {
    if (g_preview.racer) {
        g_preview.racer->object->draw = g_preview.draw;
        g_preview.racer->object->update = g_preview.update;
        DestroyRacer(g_preview.racer);
        RaceContext().ground = g_preview.savedGround;
    }
    g_preview.racer = nullptr;
    for (Light*& light : g_preview.lights) {
        if (light) RemoveLight(light);
        light = nullptr;
    }
}

void SetPreviewSkins(uint32_t riderSkin, uint32_t bikeSkin) {
    if (!g_preview.racer) return;
    g_preview.racer->riderSkin = static_cast<int32_t>(riderSkin);
    g_preview.racer->bikeModel.bikeSkin = static_cast<int32_t>(bikeSkin);
}

void PosePreviewRacer(int32_t x, int32_t y, int32_t width, uint32_t ms) {
    RacerRecord* racer = g_preview.racer;
    if (!racer || !racer->object || !racer->object->node) return;
    g_preview.angle = std::fmod(g_preview.angle + kTurnPerMs * static_cast<float>(ms), 6.2831853f);
    // The display racer stands centred on the origin; it turns there, is sized to the frame and is
    // moved in front of the camera to the frame's place.
    const float perPixel = kHalfWidth / 320.0f;
    Matrix4 turn, scale, move, display;
    MatRotationZ(&turn, g_preview.angle);
    MatUniformScale(&scale, kFill * static_cast<float>(width) * perPixel / kRacerLength);
    // The rider sits above the bike's middle: the middle goes a little below the frame's centre.
    const float middleY = static_cast<float>(y) + kMiddleBelowCentre * static_cast<float>(width);
    MatTranslation(&move, static_cast<float>(x - 320) * perPixel, kDistance, (240.0f - middleY) * perPixel);
    MatMultiply(&scale, &turn, &display);
    MatMultiply(&move, &display, &display);
    // The display controller poses the bike and its rider centred on the origin; the placement
    // follows, and the racer's place (by which the view keeps or culls it) is the frame's.
    if (g_preview.update) g_preview.update(racer->object, ms, racer->object->user);
    MatMultiply(&display, &racer->bikeModel.bikeMatrix, &racer->bikeModel.bikeMatrix);
    MatMultiply(&display, &racer->bikeModel.riderMatrix, &racer->bikeModel.riderMatrix);
    racer->object->position = {move.m[12], move.m[13], move.m[14]};
}

}  // namespace kes
