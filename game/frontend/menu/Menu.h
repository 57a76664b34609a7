#pragma once
// The menu engine: pages of items over a background, driven by the mouse (and a few keys), drawn
// from the button textures and the bitmap fonts at 640 x 480. The pages own their items and
// callbacks; the engine lights, presses, drags and scrolls items, edits text, and runs the menu loop
// (the run loop's frame with the menu's four frame callbacks).
#include <cstdint>
#include <string>

#include "game/frontend/menu/ButtonImages.h"

namespace kes {

struct ViewRecord;
class RenderInterface;

// Item types.
enum MenuItemType : uint32_t {
    kItemEnd = 0,
    kItemTitle = 1,
    kItemHeading = 2,
    kItemField = 3,
    kItemValueText = 4,
    kItemBottomButton = 5,
    kItemMenuButton = 6,
    kItemSlider = 7,
    kItemLeftArrow = 8,
    kItemRightArrow = 9,
    kItemUpArrow = 10,
    kItemDownArrow = 11,
    kItemTextBox = 12,
    kItemSixLineBox = 13,
    kItemCaptionSlider = 14,
    kItemScrollBar = 15,
    kItemListBox = 16,
    kItemPanel = 17,
    kItemLargeList = 18,
    kItemPicture = 19,
    kItemBigPicture = 20,
    kItemWideList = 21,
    kItemHeadingPanel = 22,
    kItemTwoPartField = 23,
    kItemNothing = 24,
    kItemHotSpot = 25,
    kItemDescriptionField = 26,
    kItemWideField = 27,
};
constexpr uint32_t kMenuItemTypeCount = 27;

// Item state bits.
constexpr uint32_t kItemLit = 1;
constexpr uint32_t kItemClicked = 2;  // also what a finished text entry leaves (the value 2)
// Item flag bits.
constexpr uint32_t kItemHidden = 1;
constexpr uint32_t kItemSticky = 2;
constexpr uint32_t kItemNoDrag = 4;
constexpr uint32_t kItemSecondFont = 8;

struct MenuItem {
    uint32_t type = kItemEnd;
    int32_t x = 0, y = 0;           // top left corner in 640 x 480 pixels
    uint32_t label = 0;             // localised text line, 0 for none
    void (*drawn)() = nullptr;      // runs after the item is drawn
    uint32_t state = 0;
    uint32_t flags = 0;
    const char* text = nullptr;             // the item's string (glyph codes)
    const char* const* list = nullptr;      // list types: null-ended rows
    float maximum = 0, value = 0, firstRow = 0;
    float hit[4] = {};              // left, top, right, bottom as screen fractions (written when drawn)
    float listArea[4] = {};
    float inverseColumn = 0, inverseRow = 0;
    int32_t pressColumn = 0, pressRow = 0;  // list cell at the last press, plus 1 (0 none)
    int32_t barLeft = 0, barRight = 0;      // type 21: selection bar range (0 default)
    float pressX = 0, pressY = 0;
};

struct MenuPage {
    uint32_t background = 0;        // background slot
    MenuItem* items = nullptr;      // ended by an item of type 0
    void (*update)() = nullptr;     // once per 10-ms step while current
    void (*draw)() = nullptr;       // once per frame after the items and the scene
    void (*enter)() = nullptr;
    void (*leave)() = nullptr;
};
constexpr uint32_t kMenuPageCount = 23;

// Menu states.
constexpr uint32_t kMenuNormal = 1;
constexpr uint32_t kMenuTextEntry = 2;

// Menu sounds (slots of the front end's sound table).
enum MenuSound : uint32_t {
    kSoundClickOn = 0,
    kSoundClickOff = 1,
    kSoundChangeOption = 2,
    kSoundMenuRev = 3,
    kSoundType = 4,
    kSoundDone = 5,
    kSoundBack = 6,
};
constexpr uint32_t kMenuSoundCount = 7;
// Plays a menu sound once from its start; frequency in Hz, 0 for the sound's own. Until the sound
// manager installs one, the menus are silent.
using MenuSoundHook = void (*)(uint32_t sound, uint32_t frequency);
MenuSoundHook SetMenuSoundHook(MenuSoundHook hook);
void PlayMenuSound(uint32_t sound, uint32_t frequency = 0);

// The words the front end's key bindings hold at 1 while the input is down.
struct MenuKeys {
    uint32_t mouse = 0, esc = 0, up = 0, down = 0, left = 0, right = 0, enter = 0, del = 0;
};
MenuKeys& MenuKeyWords();

// Back to the render states of the menus' flat 2D drawing, for a page that drew in 3D.
void SetMenuState2D();

// The page table. The pages install their entries; an entry left empty shows nothing.
void SetMenuPageEntry(uint32_t index, const MenuPage& page);
MenuPage* MenuPageAt(uint32_t index);
// Makes page index current: the old page's leave, the background, every item's state cleared, then
// the new page's enter. The navigation key words are cleared too, so that a key held down acts on
// one page only.
void SetMenuPage(uint32_t index);
void LeaveMenuPage();
int32_t CurrentMenuPage();  // -1 when none
MenuItem* CurrentMenuItems();

// Runs menu frames until a page calls RequestQuit; returns its code.
int MenuLoop();
// The in-race menu: page 8 over a frozen picture of the race, run inside the race's frame. Other
// players hold their simulation meanwhile. Returns the code the page quit with, or 3 (leave the
// race) when there is no room for the picture.
int InGameMenu();
constexpr uint32_t kInRaceMenuPage = 8;
// One frame of the menu: the frame loop's frame (input, 10-ms steps, drawing) with the menu's parts.
void MenuFrame();
// One 10-ms step of input handling (the menu loop's first step callback).
void MenuInput();

uint32_t MenuState();
MenuItem* MenuFocus();
void MenuCursor(int32_t* x, int32_t* y);
void SetMenuCursor(int32_t x, int32_t y);

// Starts editing text in an item: the item shows the text with the cursor "_"; Return ends the entry
// (the item's state becomes 2), Esc ends it too. Typed "@" is kept as "*", other characters as their
// glyph codes; at most maxLength characters.
void StartTextEntry(MenuItem* item, const std::string& initial, uint32_t maxLength);
// The text of the current or last entry, without the cursor.
const std::string& TextEntryText();

// The frequency "menu rev" plays at for a slider value: 11025 Hz at 0, 22050 at the middle, 33075
// at the maximum; 22050 for an item without a range.
uint32_t MenuRevFrequency(float value, float maximum);

// Drawing (640 x 480 coordinates). Colours are ARGB.
constexpr uint32_t kButtonNormal = 0xFFFFFFFFu;
constexpr uint32_t kButtonLit = 0xFFFFDD59u;
void DrawButton(ViewRecord* view, int32_t x, int32_t y, uint32_t image, float* outRect, uint32_t colour);
void DrawMenuText(ViewRecord* view, int32_t x, int32_t y, const char* text, uint32_t font, bool centred,
                  uint32_t perLine);
void DrawMenuItem(ViewRecord* view, MenuItem* item);
// The cursor sprite at the pointer.
void DrawMenuCursor();

// The renderer the menu draws with (the frame's; tests may set another).
void SetMenuRenderer(RenderInterface* renderer);
RenderInterface* MenuRenderer();

}  // namespace kes
