#pragma once
// What the menus need, loaded once when the front end starts: loading screens, the cursor, the
// sixteen button textures, the six fonts and their glyph tables, the page backgrounds, the menu
// camera and key bindings, the current profile and the world list.
#include <cstdint>
#include <memory>
#include <string>

#include "game/core/sprite/Sprites.h"

namespace kes {

class RenderInterface;
class Profile;
struct Surface2D;
struct SceneCamera;

constexpr uint32_t kLoadingScreenCount = 8;
constexpr uint32_t kButtonTextureCount = 16;
constexpr uint32_t kFontCount = 6;
constexpr uint32_t kBackgroundSlots = 7;  // slot 0: the frozen race picture of the in-race menu
constexpr uint32_t kGlyphCount = 148;     // character codes 32-179

class SoundVoice;

constexpr uint32_t kFrontEndSoundSlots = 16;

struct FrontEndResources {
    RenderInterface* render = nullptr;
    Surface2D* loadingScreens[kLoadingScreenCount] = {};
    uint32_t loadingCycle = 0;
    uint32_t cursor = 0;
    uint32_t buttons[kButtonTextureCount] = {};
    uint32_t fonts[kFontCount] = {};  // fonts 1-6
    Surface2D* backgrounds[kBackgroundSlots] = {};
    SceneCamera* camera = nullptr;
    std::unique_ptr<Profile> profile;
    // Slots 0-6 hold the menu sounds while a sound manager exists; the rest are spare.
    SoundVoice* sounds[kFrontEndSoundSlots] = {};
};
FrontEndResources& FrontEnd();

// The texture rectangle of a character's glyph (code 32-179) in the large (fonts 1-3) or small
// (fonts 4-6) font images.
const TextureRect& GlyphRect(bool large, uint32_t code);

struct FrontEndPaths {
    std::string dataFolder;    // the profiles folder is made in it
    std::string trackPack;     // "Tracks.dat"
    std::string tracksFolder;  // loose worlds
};

// Loads everything from the data pack (already open). Missing pictures leave null surfaces and zero
// handles, which every drawing step skips.
void FrontEndLoad(RenderInterface* render, const FrontEndPaths& paths);
void FrontEndFree();
// The menus' sound hook while the sound manager exists: stops, rewinds and plays the slot's sound
// once, at frequency Hz when it is not 0.
void PlayFrontEndSound(uint32_t sound, uint32_t frequency);

// The data-pack names of background slots 1-6 for a language (slot 4 is the tutorial picture of the
// language).
const char* BackgroundName(uint32_t slot, uint32_t language);
// The data-pack names of the menu sounds (for the sound manager, which loads them).
const char* MenuSoundName(uint32_t sound);

// Binds the screenshot key anew from the current profile's key map (after its keys changed).
void RebindGrabKeys();

// Shows the next loading screen over the whole screen (they are shown in a shuffled order).
void ShowNextLoadingScreen();

}  // namespace kes
