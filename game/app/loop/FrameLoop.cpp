// The run loop, frame timing and the per-frame drawing states.
#include "game/app/loop/FrameLoop.h"

#include <SDL.h>

#include <cfenv>
#include <cstdio>
#include <cstring>
#include <optional>

#include "game/core/camera/Camera.h"
#include "game/core/config/Config.h"
#include "game/core/display/Display.h"
#include "game/app/loop/Screenshot.h"
#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "game/core/objects/Objects.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/net/NetGame.h"
#include "game/world/lights/Lights.h"
#include "game/world/lights/ObjectPrelight.h"
#include "platform/gfx/GfxStates.h"
#include "platform/input/InputDevices.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Env.h"
#include "platform/sys/Fpu.h"

namespace kes {
namespace {

// Frames are never shorter than this, so that whole-millisecond timing keeps working.
constexpr uint32_t kMinFrameMs = 5;

struct FrameState {
    uint32_t previous = 0;
    bool timerStarted = false;
    uint32_t frames = 0;
    uint32_t accumulated = 0;
    float framesPerSecond = 0.0f;
    uint32_t paused = 0;
    uint32_t pauseRequest = 0;
    uint32_t grabRequest = 0;
    int hasFocus = -1;  // unknown until the first test
    bool quit = false;
    int quitCode = 0;
    bool programQuit = false;
    FrameStepCallback callback1 = nullptr;
    FrameStepCallback callback2 = nullptr;
    FrameDrawCallback callback3 = nullptr;
    FrameDrawCallback callback4 = nullptr;
    bool slowMotion = false;
    RenderInterface* renderer = nullptr;
    std::string grabsFolder;
    std::string lastGrab;
    FrameSoundHooks sound;
    uint32_t (*clock)() = nullptr;
    bool (*focusQuery)() = nullptr;
    uint32_t frameNumber = 0;
    uint32_t presented = 0;
    uint8_t lastChar = 0;
    uint32_t screenWidth = 640;
    uint32_t screenHeight = 480;
    int32_t viewport = -1;
    int fpuNesting = 0;
    std::optional<plat::TowardZeroRounding> rounding;
};

FrameState g_frame;

uint32_t Now() {
    return g_frame.clock ? g_frame.clock() : plat::TickMs();
}

void SetState(uint32_t state, uint32_t value) {
    if (g_frame.renderer) g_frame.renderer->SetState(state, value);
}

// Windows-1252 byte of a UTF-8 character; '?' for one it cannot show.
uint8_t Latin1FromUtf8(const char* text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    if (s[0] < 0x80) return s[0];
    if ((s[0] & 0xE0) == 0xC0 && (s[1] & 0xC0) == 0x80) {
        const uint32_t cp = ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu);
        if (cp >= 0xA0 && cp <= 0xFF) return static_cast<uint8_t>(cp);
    }
    return '?';
}

void HandleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        RequestProgramQuit();
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: RequestProgramQuit(); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST: CheckWindowFocus(); break;
        case SDL_WINDOWEVENT_MOVED: RenderWindowMoved(e.window.data1, e.window.data2); break;
        default: break;
        }
        break;
    case SDL_TEXTINPUT:
        g_frame.lastChar = Latin1FromUtf8(e.text.text);
        break;
    case SDL_KEYDOWN:
        // The control characters a text field needs arrive as keys, not as text.
        switch (e.key.keysym.sym) {
        case SDLK_BACKSPACE: g_frame.lastChar = 8; break;
        case SDLK_TAB: g_frame.lastChar = 9; break;
        case SDLK_RETURN: g_frame.lastChar = 13; break;
        case SDLK_ESCAPE: g_frame.lastChar = 27; break;
        default: break;
        }
        plat::InputDeviceEvent(e);
        break;
    default:
        plat::InputDeviceEvent(e);
        break;
    }
}

void RunSteps(uint32_t elapsed) {
    while (elapsed > 0) {
        const uint32_t step = elapsed > kFrameStepMs ? kFrameStepMs : elapsed;
        elapsed -= step;
        NetAdvanceClock(step);
        if (g_frame.callback1) g_frame.callback1(step);
        UpdateObjects(step, 0);
        if (g_frame.callback2) g_frame.callback2(step);
    }
}

}  // namespace

FrameStepCallback SetFrameCallback1(FrameStepCallback cb) { auto old = g_frame.callback1; g_frame.callback1 = cb; return old; }
FrameStepCallback SetFrameCallback2(FrameStepCallback cb) { auto old = g_frame.callback2; g_frame.callback2 = cb; return old; }
FrameDrawCallback SetFrameCallback3(FrameDrawCallback cb) { auto old = g_frame.callback3; g_frame.callback3 = cb; return old; }
FrameDrawCallback SetFrameCallback4(FrameDrawCallback cb) { auto old = g_frame.callback4; g_frame.callback4 = cb; return old; }

int RequestQuit(int code) {
    g_frame.quit = true;
    g_frame.quitCode = code;
    return 0;
}

bool QuitRequested() {
    return g_frame.quit;
}

void ClearQuitRequest() {
    if (!g_frame.programQuit) g_frame.quit = false;
}

void RequestProgramQuit() {
    g_frame.programQuit = true;
    RequestQuit(1);
}

bool ProgramQuitRequested() {
    return g_frame.programQuit;
}

void ClearProgramQuit() {
    g_frame.programQuit = false;
    g_frame.quit = false;
}

int ResetFrameTimer(int) {
    g_frame.previous = Now();
    g_frame.timerStarted = true;
    return 0;
}

bool WindowHasFocus() {
    return g_frame.hasFocus == 1;
}

void CheckWindowFocus() {
    // Headless runs have nobody to give the window the focus: they always have it.
    const bool focused =
        g_frame.focusQuery ? g_frame.focusQuery() : plat::Env().headless || SDL_GetKeyboardFocus() != nullptr;
    if ((focused ? 1 : 0) == g_frame.hasFocus) return;
    g_frame.hasFocus = focused ? 1 : 0;
    InputSetActive(focused ? 1 : 0);
    ResetFrameTimer(0);
}

int RunLoop() {
    g_frame.quit = false;
    if (g_frame.programQuit) return 1;
    const auto& env = plat::Env();
    CheckWindowFocus();
    while (!g_frame.quit) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) HandleEvent(e);
        if (g_frame.quit) break;
        if (!WindowHasFocus()) {
            if (SDL_WaitEventTimeout(&e, 100)) HandleEvent(e);
            continue;
        }
        const uint32_t start = plat::TickMs();
        FrameTick();
        if (env.quitAfterFrames && static_cast<int64_t>(g_frame.frameNumber) >= *env.quitAfterFrames) RequestQuit(1);
        if (!env.frameMs && !g_frame.clock) {
            const uint32_t spent = plat::TickMs() - start;
            if (spent < kMinFrameMs) SDL_Delay(kMinFrameMs - spent);
        }
    }
    return g_frame.quitCode;
}

int FrameTick() {
    SDL_ShowCursor(SDL_DISABLE);
    FpuPrecisionBegin();
    if (!g_frame.timerStarted) ResetFrameTimer(0);
    ++g_frame.frameNumber;
    const auto& env = plat::Env();
    const uint32_t now = Now();
    uint32_t elapsed = now - g_frame.previous;
    g_frame.previous = now;
    if (env.frameMs && !g_frame.clock) elapsed = static_cast<uint32_t>(*env.frameMs);

    ++g_frame.frames;
    g_frame.accumulated += elapsed;
    if (g_frame.accumulated > 1000) {
        g_frame.framesPerSecond = static_cast<float>(g_frame.frames) / static_cast<float>(g_frame.accumulated) * 1000.0f;
        g_frame.frames = 0;
        g_frame.accumulated -= 1000;
    }
    if (elapsed > kFrameMaxElapsedMs) elapsed = kFrameMaxElapsedMs;

    if (NetGetMode() != 0) {
        g_frame.paused = 0;
        g_frame.pauseRequest = 0;
    } else if (g_frame.pauseRequest) {
        g_frame.paused = !g_frame.paused;
        g_frame.pauseRequest = 0;
    }

    if (elapsed == 0) {
        FpuPrecisionEnd();
        return 0;
    }

    InputScriptFrame(g_frame.frameNumber);
    InputPoll();

    const bool held = g_frame.paused || NetAnyPlayerInMenu() != 0;
    if (!held) {
        uint32_t simulated = elapsed;
        if (g_frame.slowMotion && NetGetMode() == 0)
            simulated = static_cast<uint32_t>(plat::FloatToInt(static_cast<float>(simulated) * 0.25f));
        RunSteps(simulated);
    } else {
        SectorObject* camera = nullptr;
        if (FindObject("Main Camera", &camera) == 0 && camera && camera->update)
            camera->update(camera, elapsed, camera->user);
    }

    ViewRecord view{};
    view.renderer = g_frame.renderer;
    SetFrameCamera(&view);
    const bool haveView = ActiveCamera() != nullptr;
    if (haveView && g_frame.sound.setListener) g_frame.sound.setListener(view.world);
    BeginFrameRenderStates();
    // Without an active camera the view record is empty: the world and the objects are not drawn,
    // the overlays still are.
    if (haveView) {
        if (g_frame.callback3) g_frame.callback3(&view);
        DrawObjects(&view);
    }
    SetState(plat::rs::kCullMode, 3);
    SetState(plat::rs::kColorKeyEnable, 0);
    SetState(kStateImmediateBlend, 0);
    if (g_frame.callback4) g_frame.callback4(&view);
    EndFrame();
    if (g_frame.sound.update) g_frame.sound.update();
    FpuPrecisionEnd();
    return 0;
}

void SetFrameCamera(ViewRecord* view) {
    if (ApplyCameraView(view) == 0 && g_frame.renderer) g_frame.renderer->viewProjection = view->viewProjectionScreen;
}

void BeginFrameRenderStates() {
    RenderInterface* r = g_frame.renderer;
    if (!r) return;
    r->BeginScene();
    r->FlushTranslucent();
    SetState(plat::rs::kShadeMode, 2);
    SetState(plat::rs::kDitherEnable, 1);
    SetState(plat::rs::kColorKeyEnable, 0);
    SetState(plat::rs::kCullMode, 3);
    SetState(plat::rs::kSrcBlend, 2);
    SetState(plat::rs::kDestBlend, 1);
    SetState(kStateImmediateBlend, 0);
    SetState(plat::rs::kAlphaBlendEnable, 0);
    SetState(plat::rs::kFillMode, 3);
    SetState(plat::rs::kTextureMapBlend, 2);
    uint32_t mag = 1, min = 1;
    const ConfigRecord& c = g_Config;
    if (c.bilinear) {
        mag = 2;
        if (c.mipMapping) min = c.trilinear ? 6 : 4;
        else min = 2;
    } else {
        min = c.mipMapping ? 3 : 1;
    }
    SetState(plat::rs::kTextureMag, mag);
    SetState(plat::rs::kTextureMin, min);
    SetState(plat::rs::kTextureAddress, 1);
    SetState(plat::rs::kTexturePerspective, c.perspective);
    SetState(plat::rs::kZEnable, 1);
    SetState(plat::rs::kZWriteEnable, 1);
    SetState(plat::rs::kZFunc, 2);
    SetState(plat::rs::kFogEnable, 0);
    r->ResetHandleTable();
}

void EndFrame() {
    RenderInterface* r = g_frame.renderer;
    if (r) r->EndScene();
    if (g_frame.grabRequest) {
        SaveScreenshot();
        g_frame.grabRequest = 0;
    }
    if (r) r->Present();
    ++g_frame.presented;
}

void SaveScreenshot() {
    RenderInterface* r = g_frame.renderer;
    if (g_frame.grabsFolder.empty() || !r) return;
    BackBufferDC* dc = nullptr;
    if (r->GetBackBufferDC(&dc) != 0 || !dc) return;
    const std::string path = WriteScreenshot(g_frame.grabsFolder, dc->width, dc->height, dc->rgba);
    r->ReleaseBackBufferDC(dc);
    if (!path.empty()) g_frame.lastGrab = path;
}

std::string LastScreenshotPath() { return g_frame.lastGrab; }
void SetGrabsFolder(const std::string& folder) { g_frame.grabsFolder = folder; }
uint32_t* PauseRequestFlag() { return &g_frame.pauseRequest; }
uint32_t* GrabRequestFlag() { return &g_frame.grabRequest; }
bool FramePaused() { return g_frame.paused != 0; }
float FramesPerSecond() { return g_frame.framesPerSecond; }
uint32_t FrameNumber() { return g_frame.frameNumber; }
uint32_t FramesPresented() { return g_frame.presented; }
void SetReplaySlowMotion(bool on) { g_frame.slowMotion = on; }
void SetFrameSoundHooks(const FrameSoundHooks& hooks) { g_frame.sound = hooks; }

uint8_t TakeLastCharacter() {
    if (!g_frame.lastChar) return InputScriptTakeCharacter();
    const uint8_t c = g_frame.lastChar;
    g_frame.lastChar = 0;
    return c;
}

RenderInterface* SetFrameRenderer(RenderInterface* renderer) {
    RenderInterface* old = g_frame.renderer;
    g_frame.renderer = renderer;
    return old;
}

void SetFocusQuery(bool (*query)()) { g_frame.focusQuery = query; }

void SetFrameClock(uint32_t (*clock)()) {
    g_frame.clock = clock;
    g_frame.timerStarted = false;
}

void FpuPrecisionBegin() {
    if (g_frame.fpuNesting++ == 0) g_frame.rounding.emplace();
}

void FpuPrecisionEnd() {
    if (g_frame.fpuNesting > 0 && --g_frame.fpuNesting == 0) g_frame.rounding.reset();
}

int32_t DisplayInit(uint32_t flags) {
    const DeviceGuid driver = DeviceGuidFromBytes(g_Config.displayDriver.data());
    const DeviceGuid device = DeviceGuidFromBytes(g_Config.device3D.data());
    const int32_t code = DeviceInit(driver, device, 640, 480, 16, "Dovell' Gravelon", flags);
    if (code != 0) {
        FrameworkError(code);
        return code;
    }
    g_frame.viewport = AddViewport(0, 0, 640, 480);
    SelectViewport(g_frame.viewport);
    SetSpriteScale(640, 480);
    SetViewportSize(640, 480);
    g_frame.screenWidth = 640;
    g_frame.screenHeight = 480;
    TheRenderInterface().ResetHandleTable();
    InitSprites(&TheRenderInterface(), 256, 640, 480);
    // The scene's lights light meshes through the render interface and the placed objects once.
    LightListCreate(4096, 16);
    InstallSceneLighting();
    InstallObjectPrelight();
    g_frame.renderer = &TheRenderInterface();
    return 0;
}

int DisplayShutdown() {
    LightListFree();
    FreeSprites();
    g_frame.renderer = nullptr;
    return 0;
}

int ApplyDisplaySize(uint32_t width, uint32_t height) {
    SetSpriteScale(width, height);
    SetViewportSize(width, height);
    g_frame.screenWidth = width;
    g_frame.screenHeight = height;
    return 0;
}

uint32_t ScreenWidth() { return g_frame.screenWidth; }
uint32_t ScreenHeight() { return g_frame.screenHeight; }

}  // namespace kes
