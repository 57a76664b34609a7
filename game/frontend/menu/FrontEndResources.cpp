// Loading and freeing the front end's resources.
#include <cstdio>
#include <cstring>
#include <string>

#include "game/app/loop/FrameLoop.h"
#include "game/core/audio/AudioSystem.h"
#include "game/core/camera/Camera.h"
#include "game/core/config/Config.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/input/Input.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/menu/MenuInternal.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/worlds/WorldList.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

constexpr uint32_t kScreenshotSlot = 16;
constexpr uint32_t kNoticeFrames = 10;
constexpr int kLoadingNoticeLine = 173;

struct FontFiles {
    const char* name;
    const char* image;
    const char* alpha;
};
constexpr FontFiles kFonts[kFontCount] = {
    {"Fonts 1", "FrontEnd\\Fonts\\font16x18.bmp", "FrontEnd\\Fonts\\font16x18_a.bmp"},
    {"Fonts 2", "FrontEnd\\Fonts\\font16x18grey.bmp", "FrontEnd\\Fonts\\font16x18_a.bmp"},
    {"Fonts 3", "FrontEnd\\Fonts\\big font outline.bmp", "FrontEnd\\Fonts\\big font outline_a.bmp"},
    {"Fonts 4", "FrontEnd\\Fonts\\little font outline.bmp", "FrontEnd\\Fonts\\little font outline_a.bmp"},
    {"Fonts 5", "FrontEnd\\Fonts\\Fonts8gray.bmp", "FrontEnd\\Fonts\\Fonts8A.BMP"},
    {"Fonts 6", "FrontEnd\\Fonts\\Fonts8.BMP", "FrontEnd\\Fonts\\Fonts8A.BMP"},
};

FrontEndResources g_frontEnd;
InputBinding g_bindings[8];
InputBinding g_grab[2];

// A texture from a picture of the data pack with its alpha picture; 0 when the picture is missing.
uint32_t LoadTexture(RenderInterface* r, const char* name, const char* image, const char* alpha) {
    ImageRecord* picture = LoadBitmapFromCache(image);
    if (!picture || !r) {
        FreeImage(picture);
        return 0;
    }
    uint32_t handle = 0;
    if (r->CreateTextureFromImage(name, picture, &handle, 1) != 0) return 0;
    if (handle)
        if (ImageRecord* mask = LoadBitmapFromCache(alpha)) r->UpdateTexture(handle, mask, 1);
    return handle;
}

Surface2D* LoadSurface(RenderInterface* r, const char* name) {
    ImageRecord* picture = LoadBitmapFromCache(name);
    if (!picture || !r) {
        FreeImage(picture);
        return nullptr;
    }
    Surface2D* surface = r->CreateSurfaceFromImage(picture);
    if (!surface) FreeImage(picture);
    return surface;
}

void ShowWholeScreen(Surface2D* surface) {
    RenderInterface* r = g_frontEnd.render;
    if (!r || !surface) return;
    r->BlitToScreen(surface, nullptr, nullptr);
    RenderPresent();
}

void BindGrabKeys() {
    for (InputBinding& b : g_grab) InputRemoveBinding(&b);
    for (uint32_t i = 0; i < 2; ++i) {
        g_grab[i] = {kBindWord | kBindOnDown, GrabRequestFlag(),
                     g_frontEnd.profile ? g_frontEnd.profile->GetKey(kScreenshotSlot + 32 * i) : 0u, nullptr};
        InputAddBinding(&g_grab[i]);
    }
}

}  // namespace

FrontEndResources& FrontEnd() { return g_frontEnd; }

void RebindGrabKeys() { BindGrabKeys(); }

const char* BackgroundName(uint32_t slot, uint32_t language) {
    switch (slot) {
    case 1: return "FrontEnd\\back01.bmp";
    case 2: return "FrontEnd\\back02.bmp";
    case 3: return "FrontEnd\\back03.bmp";
    case 4:
        switch (language) {
        case 1: return "FrontEnd\\tutorial menu spanish.bmp";
        case 2: return "FrontEnd\\tutorial menu french.bmp";
        case 3: return "FrontEnd\\tutorial menu german.bmp";
        default: return "FrontEnd\\tutorial menu.bmp";
        }
    case 5: return "FrontEnd\\score screen solo player.bmp";
    case 6: return "FrontEnd\\score screen multiplayer.bmp";
    default: return nullptr;
    }
}

const char* MenuSoundName(uint32_t sound) {
    static const char* const kNames[kMenuSoundCount] = {
        "FrontEnd\\SOUND\\click on.wav", "FrontEnd\\SOUND\\click off.wav", "FrontEnd\\SOUND\\change option.wav",
        "FrontEnd\\SOUND\\menu rev.wav", "FrontEnd\\SOUND\\type.wav",      "FrontEnd\\SOUND\\done.wav",
        "FrontEnd\\SOUND\\back.wav",
    };
    return sound < kMenuSoundCount ? kNames[sound] : nullptr;
}

void PlayFrontEndSound(uint32_t sound, uint32_t frequency) {
    SoundVoice* voice = sound < kFrontEndSoundSlots ? g_frontEnd.sounds[sound] : nullptr;
    if (!voice) return;
    voice->Stop();
    voice->SetPlayPosition(0);
    if (frequency) voice->SetFrequency(frequency);
    voice->Play(0);
}

void ShowNextLoadingScreen() {
    ShowWholeScreen(g_frontEnd.loadingScreens[g_frontEnd.loadingCycle % kLoadingScreenCount]);
    g_frontEnd.loadingCycle = (g_frontEnd.loadingCycle + 1) % kLoadingScreenCount;
}

void FrontEndLoad(RenderInterface* render, const FrontEndPaths& paths) {
    FrontEndResources& fe = g_frontEnd;
    fe.render = render;

    // Loading screens in a shuffled order; the first is shown at once.
    std::string names[kLoadingScreenCount];
    for (uint32_t i = 0; i < kLoadingScreenCount; ++i) names[i] = "loading screen" + std::to_string(i + 1) + ".bmp";
    plat::CrtShuffle(names);
    fe.loadingScreens[0] = LoadSurface(render, names[0].c_str());
    ShowWholeScreen(fe.loadingScreens[0]);
    fe.loadingCycle = 1;
    for (uint32_t i = 1; i < kLoadingScreenCount; ++i) fe.loadingScreens[i] = LoadSurface(render, names[i].c_str());

    fe.cursor = LoadTexture(render, "Cursor", "FrontEnd\\mcursor.bmp", "FrontEnd\\mcursorA.bmp");
    for (uint32_t i = 0; i < kButtonTextureCount; ++i) {
        char image[64], alpha[64];
        std::snprintf(image, sizeof image, "FrontEnd\\Buttons\\256buttons%02u.bmp", i + 1);
        std::snprintf(alpha, sizeof alpha, "FrontEnd\\Buttons\\256buttons%02u-a.bmp", i + 1);
        fe.buttons[i] = LoadTexture(render, image, image, alpha);
    }
    for (uint32_t i = 0; i < kFontCount; ++i)
        fe.fonts[i] = LoadTexture(render, kFonts[i].name, kFonts[i].image, kFonts[i].alpha);
    for (uint32_t slot = 1; slot < kBackgroundSlots; ++slot)
        fe.backgrounds[slot] = LoadSurface(render, BackgroundName(slot, g_Config.language));
    // The menu sounds, only when the sound manager exists; without it the menus are silent.
    if (AudioSystem* audio = TheAudioSystem()) {
        for (uint32_t i = 0; i < kMenuSoundCount; ++i) fe.sounds[i] = audio->LoadSoundFromPack(MenuSoundName(i), 0);
        SetMenuSoundHook(PlayFrontEndSound);
    }

    if (CreateCamera(&fe.camera, "Menu Camera", nullptr) == 0 && fe.camera) {
        SetCameraFov(fe.camera, 60.0f);
        SetActiveCamera(fe.camera);
    } else {
        fe.camera = nullptr;
    }

    MenuKeys& k = MenuKeyWords();
    const struct {
        uint32_t code;
        uint32_t* word;
    } keys[8] = {{256, &k.mouse}, {1, &k.esc},     {0xC8, &k.up},    {0xD0, &k.down},
                 {0xCB, &k.left}, {0xCD, &k.right}, {0x1C, &k.enter}, {0xD3, &k.del}};
    for (uint32_t i = 0; i < 8; ++i) {
        g_bindings[i] = {kBindWord | kBindOnDown | kBindOnUp, keys[i].word, keys[i].code, nullptr};
        InputAddBinding(&g_bindings[i]);
    }

    // The current profile: the last one used, or a new one.
    EnterProfilesFolder(paths.dataFolder);
    fe.profile = std::make_unique<Profile>();
    const std::string last(g_Config.text.data(), strnlen(g_Config.text.data(), g_Config.text.size()));
    if (fe.profile->Load(last) != 0) fe.profile = std::make_unique<Profile>();

    for (uint32_t frame = 0; frame < kNoticeFrames; ++frame) {
        BeginFrameRenderStates();
        if (render && fe.backgrounds[1]) render->BlitToScreen(fe.backgrounds[1], nullptr, nullptr);
        SetMenuState2D();
        DrawMenuText(nullptr, 320, 220, GetText(kLoadingNoticeLine), 3, true, 44);
        EndFrame();
    }

    BuildWorldList(paths.trackPack, paths.tracksFolder, render);
    BindGrabKeys();
}

void FrontEndFree() {
    FrontEndResources& fe = g_frontEnd;
    RenderInterface* r = fe.render;
    FreeWorldList(r);
    LeaveMenuPage();
    for (InputBinding& b : g_bindings) InputRemoveBinding(&b);
    for (InputBinding& b : g_grab) InputRemoveBinding(&b);
    std::memset(g_grab, 0, sizeof g_grab);
    if (fe.camera) {
        if (ActiveCamera() == fe.camera) SetActiveCamera(nullptr);
        DestroyCamera(fe.camera);
    }
    fe.camera = nullptr;
    fe.profile.reset();
    SetMenuSoundHook(nullptr);
    for (SoundVoice*& v : fe.sounds) {
        delete v;
        v = nullptr;
    }
    auto release = [&](uint32_t& handle) {
        if (handle && r) r->ReleaseTexture(handle);
        handle = 0;
    };
    for (uint32_t& h : fe.buttons) release(h);
    for (uint32_t& h : fe.fonts) release(h);
    auto freeSurface = [&](Surface2D*& s) {
        if (s && r) r->FreeSurface(s);
        s = nullptr;
    };
    for (Surface2D*& s : fe.backgrounds) freeSurface(s);
    for (Surface2D*& s : fe.loadingScreens) freeSurface(s);
    release(fe.cursor);
    fe.render = nullptr;
}

}  // namespace kes
