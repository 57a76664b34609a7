#include "game/frontend/flow/Measurement.h"

#include <string>

#include "game/app/loop/FrameLoop.h"
#include "game/core/camera/Camera.h"
#include "game/core/config/Config.h"
#include "game/core/display/Display.h"
#include "game/core/maths/MatMath.h"
#include "game/core/objects/Objects.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/flow/ResultHelpers.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/worlds/WorldList.h"
#include "game/world/file/WorldFile.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/lights/Lights.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/racer/Racer.h"
#include "platform/gfx/GfxStates.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Env.h"
#include "platform/sys/EventLog.h"

namespace kes {
namespace {

constexpr int kMeasureText = 171;
constexpr uint64_t kEightMegabytes = 8388608;
constexpr uint64_t kSixteenMegabytes = 16777216;

// The frame clock: the fixed frame time of automated runs, else the system's milliseconds.
struct MeasureClock {
    uint32_t start = plat::TickMs();
    uint32_t virtualMs = 0;
    uint32_t Elapsed() const {
        return plat::Env().frameMs ? virtualMs : plat::TickMs() - start;
    }
    void FrameDone() {
        if (plat::Env().frameMs) virtualMs += static_cast<uint32_t>(*plat::Env().frameMs > 0 ? *plat::Env().frameMs : 1);
    }
};

}  // namespace

DetailSettings DetailFromMeasurement(uint64_t triangles, uint64_t videoMemory) {
    DetailSettings d;
    float distance = ((static_cast<float>(triangles) - 150000.0f) / 500000.0f) * 70.0f + 10.0f;
    if (distance < 0.0f) distance = 0.0f;
    if (distance > 100.0f) distance = 100.0f;
    d.drawDistance = static_cast<uint32_t>(TruncateToInt(distance));
    d.particleBudget = d.drawDistance / 40;
    if (videoMemory == 0) {
        d.textureDetail = 0, d.landscapeDetail = 1, d.trilinear = 0;
    } else if (videoMemory < kEightMegabytes) {
        d.textureDetail = 0, d.landscapeDetail = 0, d.trilinear = 0;
    } else if (videoMemory < kSixteenMegabytes) {
        d.textureDetail = 1, d.landscapeDetail = 1, d.trilinear = 0;
    } else {
        d.textureDetail = 1, d.landscapeDetail = 2, d.trilinear = 1;
    }
    return d;
}

void ApplyDetailSettings(const DetailSettings& detail, ConfigRecord* config) {
    config->drawDistance = detail.drawDistance;
    config->raceStartOption = detail.particleBudget;
    config->landscapeDetail = detail.landscapeDetail;
    config->textureDetail = detail.textureDetail;
    config->trilinear = detail.trilinear;
}

uint64_t MeasureMachine(RenderInterface* render) {
    g_Config.deviceChanged = 0;
    g_Config.textureDetail = 0;
    const bool worldLoaded = WorldLoad(kSelectWorldName, render, nullptr) == 0;

    LightDesc ambient;
    ambient.name = "Ambient Light";
    ambient.type = kLightAmbient;
    ambient.intensity = 0.4f;
    LightDesc sun;
    sun.name = "Sun";
    sun.type = kLightPoint;
    sun.position = {0.0f, 0.0f, 500.0f};
    sun.direction = {0.0f, 0.0f, -1.0f};
    sun.red = 255, sun.green = 200, sun.blue = 100;
    sun.intensity = 1.0f;
    sun.innerRange = sun.outerRange = 10000.0f;
    Light* lights[2] = {};
    AddLight(ambient, &lights[0]);
    AddLight(sun, &lights[1]);

    // The display bike, standing on the menu world's ground; without a world to stand on there is
    // none, and the measurement counts the menu's own drawing only.
    const GroundQuery* savedGround = RaceContext().ground;
    if (worldLoaded) RaceContext().ground = &WorldGround();
    RacerDesc desc;
    desc.kind = kRacerMenu;
    desc.startX = 10.0f;
    desc.startY = 50.0f;
    desc.startHeading = {-0.7f, -0.7f, 0.0f};
    desc.params.airAssist = 0;
    desc.params.driveBlendFloor = desc.params.engineClass = desc.params.topSpeedFactor = desc.params.airControl = 0.25f;
    RacerRecord* racer = worldLoaded ? CreateRacer(&desc) : nullptr;
    RaceContext().menuResnap = 1;
    Matrix4 display;
    MatIdentity(&display);
    display.m[0] = display.m[5] = display.m[10] = 0.5f;
    display.m[12] = 0.4f, display.m[13] = 10.0f, display.m[14] = 0.0f;

    ViewRecord view{};
    view.renderer = render;
    SetFrameCamera(&view);
    uint64_t sum = 0;
    uint32_t frames = 0;
    MeasureClock clock;
    FrontEndResources& fe = FrontEnd();
    while (clock.Elapsed() < kMeasureMs && !ProgramQuitRequested()) {
        BeginFrameRenderStates();
        const uint32_t before = TrianglesSubmitted();
        if (render && fe.backgrounds[1]) render->BlitToScreen(fe.backgrounds[1], nullptr, nullptr);
        if (render) {
            render->SetState(kStateImmediateBlend, 1);
            render->SetState(plat::rs::kSrcBlend, 5);
            render->SetState(plat::rs::kDestBlend, 6);
            render->SetState(plat::rs::kZEnable, 0);
            render->SetState(plat::rs::kZWriteEnable, 1);
        }
        DrawMenuText(&view, 320, 370, GetText(kMeasureText), 3, true, 44);
        if (render) {
            render->SetState(kStateImmediateBlend, 0);
            render->SetState(plat::rs::kSrcBlend, 2);
            render->SetState(plat::rs::kDestBlend, 1);
            render->SetState(plat::rs::kZEnable, 1);
            // The bike is drawn over the pictures with a depth buffer of its own.
            render->SetState(plat::rs::kZWriteEnable, 1);
            render->SetState(plat::rs::kZFunc, 4);
            render->ClearDepth();
        }
        if (racer && racer->object) {
            ++racer->bikeModel.bikeSkin;
            ++racer->riderSkin;
            // The display controller poses the bike and its rider centred on the origin; the display
            // placement moves both models (the drawn meshes follow the bike and rider matrices).
            if (racer->object->update) racer->object->update(racer->object, kFrameStepMs, racer->object->user);
            MatMultiply(&display, &racer->bikeModel.bikeMatrix, &racer->bikeModel.bikeMatrix);
            MatMultiply(&display, &racer->bikeModel.riderMatrix, &racer->bikeModel.riderMatrix);
            racer->object->position = {display.m[12], display.m[13], display.m[14]};
            if (racer->object->draw) racer->object->draw(racer->object, &view);
            if (render) render->FlushTranslucent();
        }
        sum += TrianglesSubmitted() - before;
        ++frames;
        EndFrame();
        clock.FrameDone();
    }
    if (racer) DestroyRacer(racer);
    RaceContext().ground = savedGround;
    plat::LogEvent("measured " + std::to_string(sum) + " triangles in " + std::to_string(frames) + " frames");
    for (Light* light : lights)
        if (light) RemoveLight(light);

    // What the display layer cannot tell (OpenGL has no portable video-memory query) counts as "not
    // reported".
    ApplyDetailSettings(DetailFromMeasurement(sum, 0), &g_Config);
    if (worldLoaded) WorldUnload();
    return sum;
}

}  // namespace kes
