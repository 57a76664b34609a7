// The display page (page 2): screen mode, texture brightness, view distance, landscape and texture
// detail, effects level, mip mapping and filtering. It edits a working copy of the settings, taken
// on entry and put in force by OK; the two brightness sliders act on the live settings at once.
#include <string>

#include "game/app/loop/FrameLoop.h"
#include "game/core/config/Config.h"
#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/pages/options/DisplayPage.h"
#include "game/frontend/pages/options/PageHelpers.h"
#include "game/frontend/pages/options/SettingsPages.h"

namespace kes {

namespace {

constexpr uint32_t kLandscapeText = 155;
constexpr uint32_t kTextureDetailText = 158;
constexpr uint32_t kEffectsText = 37;
constexpr uint32_t kMipOffText = 174;
constexpr uint32_t kBilinearOnText = 149;
constexpr uint32_t kBilinearOffText = 150;

enum : uint32_t {
    kCancel = 1, kOk = 2, kModeSlider = 3, kBrightness1 = 4, kBrightness2 = 5, kViewDistance = 6,
    kLandscapeValue = 7, kEffectsValue = 8, kMipValue = 9, kEffectsLeft = 10, kEffectsRight = 11,
    kMipLeft = 12, kMipRight = 13, kBilinearValue = 14, kBilinearLeft = 15, kBilinearRight = 16,
    kLandscapeLeft = 17, kLandscapeRight = 18, kDetailValue = 19, kDetailLeft = 20, kDetailRight = 21,
};

MenuItem g_items[] = {
    {kItemHeading, 42, 24, 28},
    {kItemBottomButton, 374, 413, 27},
    {kItemBottomButton, 507, 413, 11},
    {kItemCaptionSlider, 73, 133, 29},
    {kItemSlider, 50, 235, 30},
    {kItemSlider, 50, 304, 31},
    {kItemSlider, 351, 133, 32},
    {kItemValueText, 385, 197},
    {kItemValueText, 385, 295},
    {kItemValueText, 385, 345},
    {kItemLeftArrow, 351, 295},
    {kItemRightArrow, 559, 298},
    {kItemLeftArrow, 351, 345},
    {kItemRightArrow, 559, 348},
    {kItemValueText, 83, 380},
    {kItemLeftArrow, 49, 380},
    {kItemRightArrow, 257, 383},
    {kItemLeftArrow, 351, 197},
    {kItemRightArrow, 559, 197},
    {kItemValueText, 385, 245},
    {kItemLeftArrow, 351, 245},
    {kItemRightArrow, 559, 245},
    {},
};
// What cannot change while a race runs: the screen mode, mip mapping, landscape and texture detail.
constexpr uint32_t kFixedInRace[] = {kModeSlider, kLandscapeValue, kMipValue, kMipLeft, kMipRight, kLandscapeLeft,
                                     kLandscapeRight, kDetailValue, kDetailLeft, kDetailRight};

ConfigRecord g_work;
uint32_t g_enteredBrightness1 = 0, g_enteredBrightness2 = 0;
std::string g_modeCaption, g_brightness1Caption, g_brightness2Caption, g_distanceCaption;
DisplayModeSwitch g_modeSwitch = nullptr;

int32_t SwitchMode(uint32_t width, uint32_t height, uint32_t bits) {
    return g_modeSwitch ? g_modeSwitch(width, height, bits) : SetDisplayMode(width, height, bits);
}

ModeEntry* FirstMode() {
    DeviceEntry* device = nullptr;
    if (GetSelectedDevice(nullptr, &device) != 0 || !device) return nullptr;
    return device->modes;
}

ModeEntry* ModeAt(int32_t index) {
    ModeEntry* mode = FirstMode();
    for (int32_t i = 0; mode && i < index; ++i) mode = mode->next;
    return mode;
}

// Textures are released to be built again with the new brightness.
void RebuildTextures() {
    if (RenderInterface* r = MenuRenderer()) r->ReleaseDeviceTextures();
}

uint32_t Whole(const MenuItem& item) {
    const int32_t v = WholeValue(item.value);
    return v < 0 ? 0u : static_cast<uint32_t>(v);
}

void ShowChoices() {
    g_items[kLandscapeValue].label = kLandscapeText + (g_work.landscapeDetail > 2 ? 2 : g_work.landscapeDetail);
    g_items[kDetailValue].label = kTextureDetailText + (g_work.textureDetail ? 1 : 0);
    g_items[kEffectsValue].label = kEffectsText + (g_work.raceStartOption > 2 ? 2 : g_work.raceStartOption);
    g_items[kMipValue].label = kMipOffText + (g_work.mipMapping ? 1 : 0);
    g_items[kBilinearValue].label = g_work.bilinear ? kBilinearOnText : kBilinearOffText;
}

void DisplayPageEnter() {
    g_work = g_Config;
    g_enteredBrightness1 = g_Config.displaySlider1;
    g_enteredBrightness2 = g_Config.displaySlider2;

    int32_t count = 0, current = 0;
    for (ModeEntry* m = FirstMode(); m; m = m->next, ++count)
        if (m->width == g_Config.screenWidth && m->height == g_Config.screenHeight &&
            m->bitsPerPixel == g_Config.bitsPerPixel)
            current = count;
    MenuItem& mode = g_items[kModeSlider];
    // Without a mode list there is nothing to choose: the current mode stays and the slider is inert.
    mode.maximum = count > 0 ? static_cast<float>(count) - 0.1f : 0.0f;
    mode.value = static_cast<float>(current);
    mode.text = nullptr;

    g_items[kBrightness1].maximum = g_items[kBrightness2].maximum = g_items[kViewDistance].maximum = 100.9f;
    g_items[kBrightness1].value = static_cast<float>(g_Config.displaySlider1);
    g_items[kBrightness2].value = static_cast<float>(g_Config.displaySlider2);
    g_items[kViewDistance].value = static_cast<float>(g_Config.drawDistance);

    for (uint32_t i = 1; g_items[i].type != kItemEnd; ++i) SetInert(g_items[i], false);
    if (Flow().inRace)
        for (uint32_t i : kFixedInRace) SetInert(g_items[i], true);
    if (count == 0) SetInert(mode, true);
    ShowChoices();
}

void LeaveToPreviousPage() { ReturnFromSettingsPage(); }

void Cancel() {
    g_Config.displaySlider1 = g_enteredBrightness1;
    g_Config.displaySlider2 = g_enteredBrightness2;
    RebuildTextures();
    LeaveToPreviousPage();
}

// True when the screen runs at the chosen mode (or it did not change).
bool PutChosenModeInForce() {
    if (g_work.screenWidth == g_Config.screenWidth && g_work.screenHeight == g_Config.screenHeight &&
        g_work.bitsPerPixel == g_Config.bitsPerPixel)
        return true;
    if (SwitchMode(g_work.screenWidth, g_work.screenHeight, g_work.bitsPerPixel) != 0) {
        SwitchMode(g_Config.screenWidth, g_Config.screenHeight, g_Config.bitsPerPixel);
        return false;
    }
    ApplyDisplaySize(g_work.screenWidth, g_work.screenHeight);
    return true;
}

void Ok() {
    if (!PutChosenModeInForce()) return;  // the player stays here with the previous mode
    g_work.displaySlider1 = g_Config.displaySlider1;
    g_work.displaySlider2 = g_Config.displaySlider2;
    g_Config = g_work;
    LeaveToPreviousPage();
}

void TakeModeSlider() {
    MenuItem& slider = g_items[kModeSlider];
    if (slider.maximum == 0) return;
    ModeEntry* mode = ModeAt(WholeValue(slider.value));
    if (!mode) {
        slider.value = 0;
        mode = FirstMode();
    }
    if (!mode) return;
    slider.text = mode->name;
    g_work.screenWidth = mode->width;
    g_work.screenHeight = mode->height;
    g_work.bitsPerPixel = mode->bitsPerPixel;
}

void TakeBrightness(const MenuItem& slider, uint32_t* live, std::string* caption) {
    const uint32_t value = Whole(slider);
    if (value != *live) {
        *live = value;
        RebuildTextures();
    }
    FormatPercent(caption, static_cast<int32_t>(value));
}

// Arrows: a step down or up that stops at the ends, or wraps round.
void StepClamped(uint32_t* word, uint32_t highest, bool down, bool up) {
    if (down && *word > 0) --*word;
    if (up && *word < highest) ++*word;
    if (*word > highest) *word = highest;
}
void StepWrapped(uint32_t* word, uint32_t highest, bool down, bool up) {
    if (*word > highest) *word = highest;
    if (down) *word = *word == 0 ? highest : *word - 1;
    if (up) *word = *word >= highest ? 0 : *word + 1;
}

void DisplayPageUpdate() {
    MenuKeys& keys = MenuKeyWords();
    if (Clicked(g_items[kCancel]) || keys.esc) return Cancel();
    if (Clicked(g_items[kOk])) return Ok();

    StepWrapped(&g_work.raceStartOption, 2, Clicked(g_items[kEffectsLeft]), Clicked(g_items[kEffectsRight]));
    if (Clicked(g_items[kMipLeft]) || Clicked(g_items[kMipRight])) g_work.mipMapping = g_work.mipMapping ? 0 : 1;
    TakeModeSlider();
    TakeBrightness(g_items[kBrightness1], &g_Config.displaySlider1, &g_brightness1Caption);
    g_items[kBrightness1].text = g_brightness1Caption.c_str();
    TakeBrightness(g_items[kBrightness2], &g_Config.displaySlider2, &g_brightness2Caption);
    g_items[kBrightness2].text = g_brightness2Caption.c_str();
    g_work.drawDistance = Whole(g_items[kViewDistance]);
    FormatPercent(&g_distanceCaption, static_cast<int32_t>(g_work.drawDistance));
    g_items[kViewDistance].text = g_distanceCaption.c_str();
    StepClamped(&g_work.landscapeDetail, 2, Clicked(g_items[kLandscapeLeft]), Clicked(g_items[kLandscapeRight]));
    StepClamped(&g_work.textureDetail, 1, Clicked(g_items[kDetailLeft]), Clicked(g_items[kDetailRight]));
    if (Clicked(g_items[kBilinearLeft]) || Clicked(g_items[kBilinearRight])) g_work.bilinear = g_work.bilinear ? 0 : 1;
    ShowChoices();
}

// The live settings reach the settings store whenever the page is left.
void DisplayPageLeave() { SaveConfig(); }

}  // namespace

DisplayModeSwitch SetDisplayModeSwitch(DisplayModeSwitch modeSwitch) {
    DisplayModeSwitch old = g_modeSwitch;
    g_modeSwitch = modeSwitch;
    return old;
}

void InstallDisplayPage() {
    SetMenuPageEntry(kDisplayPage,
                     MenuPage{3, g_items, DisplayPageUpdate, nullptr, DisplayPageEnter, DisplayPageLeave});
}

}  // namespace kes
