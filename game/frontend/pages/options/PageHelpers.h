#pragma once
// Small pieces the settings pages share: going back from a page that serves both the front end and
// the in-race menu, inert items, and the captions the pages print into their items.
#include <cstdint>
#include <string>

#include "game/frontend/menu/Menu.h"

namespace kes {

constexpr uint32_t kOptionsMenuPage = 1;
constexpr uint32_t kDisplayPage = 2;
constexpr uint32_t kSoundPage = 3;
constexpr uint32_t kControlsPage = 4;
constexpr uint32_t kProfilePage = 5;
constexpr uint32_t kWorldPage = 7;
constexpr uint32_t kBikeSetupPage = 11;
constexpr uint32_t kChampionshipPage = 12;
constexpr uint32_t kGameRoomPage = 13;
constexpr uint32_t kMainPage = 0;

// The display, sound and controls pages return to the options menu in the front end and to the
// in-race menu during a race.
void ReturnFromSettingsPage();

// An inert item is neither drawn nor hit.
inline void SetInert(MenuItem& item, bool inert) {
    item.flags = inert ? (item.flags | kItemHidden) : (item.flags & ~kItemHidden);
}
inline bool Clicked(const MenuItem& item) { return (item.state & kItemClicked) != 0; }

// A whole slider value as the pages store it (the fraction is dropped).
int32_t WholeValue(float value);

// "%3d %%" into a caption string that outlives the frame.
void FormatPercent(std::string* caption, int32_t value);

// A Windows-1252 string turned into the font's glyph codes (key names are not mapped when loaded).
std::string GlyphText(const char* text);

}  // namespace kes
