// The controls page (page 4): the current profile's key map as a list of actions with two bindings
// each, rebinding by pressing the new key, and the control settings (input mode, force feedback and
// its strength, the air swap). Leaving it saves the profile; during a race the new keys act at once.
#include <cstdio>
#include <string>

#include "game/app/loop/FrameLoop.h"
#include "game/core/config/Config.h"
#include "game/core/forcefeedback/ForceFeedback.h"
#include "game/core/input/Input.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/options/ControlsList.h"
#include "game/frontend/pages/options/PageHelpers.h"
#include "game/frontend/profile/ProfileControls.h"
#include "game/net/NetGame.h"

namespace kes {

namespace {

constexpr uint32_t kInputModeText = 105;
constexpr uint32_t kFeedbackOnText = 111, kFeedbackOffText = 112;
constexpr uint32_t kAirSwapText = 124;
constexpr uint32_t kEscapeCode = 1;
constexpr float kLastLine = 30.9f;

enum : uint32_t {
    kBack = 1, kList = 2, kListUp = 3, kListDown = 4, kModeValue = 5, kModeLeft = 6, kModeRight = 7,
    kFeedbackValue = 8, kFeedbackLeft = 9, kFeedbackRight = 10, kStrength = 11, kAirSwapValue = 12,
    kAirSwapLeft = 13, kAirSwapRight = 14, kDefaults = 18,
};

MenuItem g_items[] = {
    {kItemHeading, 42, 24, 15},
    {kItemBottomButton, 507, 413, 11},
    {kItemWideList, 34, 118},
    {kItemUpArrow, 302, 135},
    {kItemDownArrow, 302, 346},
    {kItemValueText, 416, 128},
    {kItemLeftArrow, 382, 128},
    {kItemRightArrow, 590, 132},
    {kItemValueText, 416, 232},
    {kItemLeftArrow, 382, 232},
    {kItemRightArrow, 590, 236},
    {kItemSlider, 382, 289, 109},
    {kItemValueText, 416, 350},
    {kItemLeftArrow, 382, 350},
    {kItemRightArrow, 590, 353},
    // A value row that does nothing on this page.
    {kItemValueText, 416, 175, 0, nullptr, 0, kItemHidden},
    {kItemLeftArrow, 382, 175, 0, nullptr, 0, kItemHidden},
    {kItemRightArrow, 590, 178, 0, nullptr, 0, kItemHidden},
    {kItemMenuButton, 83, 400, 77},
    {},
};

struct ControlsPageState {
    std::string lines[kControlsLineCount];
    const char* linePointers[kControlsLineCount + 1] = {};
    std::string strengthCaption;
    int32_t column = 0;               // 0 first binding, 1 second
    bool capturing = false;
    uint32_t capturedSlot = 0;        // line, or line + 32 for the second binding
    uint32_t captureFrame = 0;        // the frame whose presses started the capture
    bool feedbackTouched = false;
} g_page;

Profile* CurrentProfile() { return FrontEnd().profile.get(); }

int32_t SelectedLine() {
    const int32_t line = WholeValue(g_items[kList].value);
    return line < 0 ? 0 : (line > static_cast<int32_t>(kControlsLineCount) - 1 ? kControlsLineCount - 1 : line);
}

void SelectLine(int32_t line) {
    if (line < 0) line = 0;
    if (line > static_cast<int32_t>(kControlsLineCount) - 1) line = kControlsLineCount - 1;
    g_items[kList].value = static_cast<float>(line);
}

void SelectColumn(int32_t column) {
    g_page.column = column;
    MenuItem& list = g_items[kList];
    // The highlight covers the chosen binding's six characters.
    list.barLeft = BindingColumnStart(column) * 7;
    list.barRight = list.barLeft + 6 * 7;
}

void StartCapture(uint32_t slot) {
    g_page.capturing = true;
    g_page.capturedSlot = slot;
    g_page.captureFrame = FrameNumber();
}

void BuildControlsList(const Profile& p) {
    const uint32_t airSwap = p.GetKey(kSettingControlOption);
    const uint32_t language = g_Config.language;
    for (uint32_t slot = 0; slot < kControlsLineCount; ++slot) {
        const uint32_t second = slot + kSecondBindingSlots;
        const bool capturing = g_page.capturing;
        g_page.lines[slot] = ControlsLine(GetText(static_cast<int>(ActionLabelText(slot, airSwap))),
                                          BindingName(language, p.GetKey(slot), capturing && g_page.capturedSlot == slot),
                                          BindingName(language, p.GetKey(second), capturing && g_page.capturedSlot == second));
        g_page.linePointers[slot] = g_page.lines[slot].c_str();
    }
    g_page.linePointers[kControlsLineCount] = nullptr;
    g_items[kList].list = g_page.linePointers;
}

void ShowSettings(const Profile& p) {
    g_items[kModeValue].label = kInputModeText + (p.GetKey(kSettingInputMode) & 3);
    const bool feedback = p.GetKey(kSettingForceFeedback) != 0;
    g_items[kFeedbackValue].label = feedback ? kFeedbackOnText : kFeedbackOffText;
    SetInert(g_items[kStrength], !feedback);
    g_items[kAirSwapValue].label = kAirSwapText + (p.GetKey(kSettingControlOption) ? 1 : 0);
}

void ControlsPageEnter() {
    g_page.capturing = false;
    g_page.feedbackTouched = false;
    MenuItem& list = g_items[kList];
    list.maximum = kLastLine;
    list.value = 0;
    list.firstRow = 0;
    list.pressColumn = list.pressRow = 0;
    SelectColumn(0);
    MenuItem& strength = g_items[kStrength];
    strength.maximum = 100.5f;
    Profile* p = CurrentProfile();
    if (!p) return;
    strength.value = static_cast<float>(p->GetKey(kSettingForceStrength));
    BuildControlsList(*p);
    ShowSettings(*p);
}

// The player leaves: the profile is saved and the screenshot key follows the key map.
void LeaveControls(Profile& p) {
    PlayMenuSound(kSoundBack);
    p.Save(p.GetName());
    RebindGrabKeys();
    ReturnFromSettingsPage();
}

// While a binding waits for its key, the first new press ends the wait: Esc keeps the old binding.
void CaptureStep(Profile& p, MenuKeys& keys) {
    const uint32_t code = FrameNumber() != g_page.captureFrame ? InputAnyNewPress() : 0;
    // The keys the page reacts to belong to the capture while it lasts.
    keys.esc = keys.enter = keys.del = keys.up = keys.down = keys.left = keys.right = 0;
    if (code == 0) return;
    PlayMenuSound(kSoundDone);
    g_page.capturing = false;
    // A code beyond the named ones is refused by the profile: the slot keeps its binding.
    if (code != kEscapeCode) p.SetKey(g_page.capturedSlot, code);
}

void ListClicks() {
    MenuItem& list = g_items[kList];
    if (list.pressRow <= 0) return;
    const int32_t line = WholeValue(list.firstRow) + list.pressRow - 1;
    const int32_t column = BindingColumnAt(list.pressColumn);
    list.pressRow = list.pressColumn = 0;  // taken: the next press sets them again
    if (line < 0 || line >= static_cast<int32_t>(kControlsLineCount)) return;
    if (line == SelectedLine() && column >= 0) {
        SelectColumn(column);
        StartCapture(static_cast<uint32_t>(line) + kSecondBindingSlots * static_cast<uint32_t>(column));
    }
    SelectLine(line);
}

void ListKeys(Profile& p, MenuKeys& keys) {
    if (Clicked(g_items[kListUp]) || keys.up) SelectLine(SelectedLine() - 1);
    if (Clicked(g_items[kListDown]) || keys.down) SelectLine(SelectedLine() + 1);
    if (keys.left) SelectColumn(0);
    if (keys.right) SelectColumn(1);
    const uint32_t slot = static_cast<uint32_t>(SelectedLine()) + kSecondBindingSlots * static_cast<uint32_t>(g_page.column);
    if (keys.enter) StartCapture(slot);
    if (keys.del) p.SetKey(slot, 0);
    // The key words stay 1 while held: each press moves once.
    keys.up = keys.down = keys.left = keys.right = keys.enter = keys.del = 0;
}

void ControlsPageUpdate() {
    Profile* p = CurrentProfile();
    if (!p) return;
    MenuKeys& keys = MenuKeyWords();
    if (g_page.capturing) {
        CaptureStep(*p, keys);
        BuildControlsList(*p);
        return;
    }
    if (Clicked(g_items[kBack]) || keys.esc) {
        keys.esc = 0;
        LeaveControls(*p);
        return;
    }
    if (Clicked(g_items[kDefaults])) p->SetDefaultControls();

    const uint32_t mode = p->GetKey(kSettingInputMode) & 3;
    if (Clicked(g_items[kModeLeft])) p->SetKey(kSettingInputMode, (mode + 3) & 3);
    if (Clicked(g_items[kModeRight])) p->SetKey(kSettingInputMode, (mode + 1) & 3);
    p->SetKey(kSettingControlOption2, 0);

    if (Clicked(g_items[kFeedbackLeft]) || Clicked(g_items[kFeedbackRight])) {
        p->SetKey(kSettingForceFeedback, p->GetKey(kSettingForceFeedback) ? 0 : 1);
        g_page.feedbackTouched = true;
    }
    MenuItem& strength = g_items[kStrength];
    if (p->GetKey(kSettingForceFeedback)) {
        const int32_t whole = WholeValue(strength.value);
        p->SetKey(kSettingForceStrength, static_cast<uint32_t>(whole < 0 ? 0 : (whole > 100 ? 100 : whole)));
    } else {
        // The switch is off: the slider stays where the setting is.
        strength.value = static_cast<float>(p->GetKey(kSettingForceStrength));
    }
    FormatPercent(&g_page.strengthCaption, static_cast<int32_t>(p->GetKey(kSettingForceStrength)));
    strength.text = g_page.strengthCaption.c_str();

    ListClicks();
    if (!g_page.capturing) ListKeys(*p, keys);

    if (Clicked(g_items[kAirSwapLeft]) || Clicked(g_items[kAirSwapRight]))
        p->SetKey(kSettingControlOption, p->GetKey(kSettingControlOption) ? 0 : 1);
    ShowSettings(*p);
    BuildControlsList(*p);
}

void ControlsPageLeave() {
    g_items[kList].list = nullptr;
    for (std::string& line : g_page.lines) line.clear();
    g_page.capturing = false;
    Profile* p = CurrentProfile();
    if (!Flow().inRace || !p) return;
    // In a race the new keys act at once; a force-feedback device whose switch changed starts anew.
    ForceFeedback* device = ProfileControlBlock()->forceFeedback;
    if (device && g_page.feedbackTouched) device->Release();
    ApplyProfileControls(*p, device, NetGetMode() != 0);
}

}  // namespace

void InstallControlsPage() {
    SetMenuPageEntry(kControlsPage, MenuPage{3, g_items, ControlsPageUpdate, nullptr, ControlsPageEnter, ControlsPageLeave});
}

}  // namespace kes
