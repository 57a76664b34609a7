#include "game/frontend/profile/ProfileControls.h"

#include "game/core/forcefeedback/ForceFeedback.h"
#include "game/core/input/Input.h"

namespace kes {

namespace {

constexpr uint32_t kScreenshotSlot = 16;
constexpr uint32_t kNetworkSkippedSlot = 15;
constexpr int32_t kNoWord = -1;

// Control block word set by action slots 0-13; later slots set outside flags.
constexpr int32_t kSlotWord[kProfileActionSlots] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 19, 20, 21,
                                                   kNoWord, kNoWord, kNoWord, kNoWord, kNoWord, kNoWord,
                                                   kNoWord, kNoWord, kNoWord, kNoWord, kNoWord, kNoWord,
                                                   kNoWord, kNoWord, kNoWord, kNoWord, kNoWord};

struct ControlsState {
    ControlBlock block;
    uint32_t inputMode = 0;
    uint32_t* flags[kProfileActionSlots] = {};
    InputBinding bindings[kProfileActionSlots][2] = {};
    bool bound[kProfileActionSlots] = {};
} g_controls;

uint32_t* SlotTarget(uint32_t slot) {
    if (kSlotWord[slot] != kNoWord) return &g_controls.block.words[kSlotWord[slot]];
    return g_controls.flags[slot];
}

}  // namespace

void SetActionFlag(uint32_t slot, uint32_t* flag) {
    if (slot < kProfileActionSlots && kSlotWord[slot] == kNoWord) g_controls.flags[slot] = flag;
}

uint32_t ProfileInputMode() { return g_controls.inputMode; }

ControlBlock* ProfileControlBlock() { return &g_controls.block; }

void RemoveProfileControls() {
    for (uint32_t slot = 0; slot < kProfileActionSlots; ++slot) {
        if (!g_controls.bound[slot]) continue;
        for (const InputBinding& b : g_controls.bindings[slot]) InputRemoveBinding(&b);
        g_controls.bound[slot] = false;
    }
}

ControlBlock* ApplyProfileControls(const Profile& profile, ForceFeedback* forceFeedback, bool networkGame) {
    RemoveProfileControls();
    g_controls.block = ControlBlock();
    ForceFeedback* device = nullptr;
    if (forceFeedback) {
        if (profile.GetKey(kSettingForceFeedback) != 0 && !forceFeedback->found)
            forceFeedback->Init(nullptr, nullptr);
        if (forceFeedback->found) {
            forceFeedback->SetGain(static_cast<float>(profile.GetKey(kSettingForceStrength) + 20) * 0.008333334f);
            device = forceFeedback;
        }
    }
    g_controls.block.words[22] = profile.GetKey(kSettingControlOption);
    g_controls.block.words[23] = profile.GetKey(kSettingControlOption2);
    g_controls.block.forceFeedback = device;
    g_controls.inputMode = profile.GetKey(kSettingInputMode);
    for (uint32_t slot = 0; slot < kProfileActionSlots; ++slot) {
        if (slot == kScreenshotSlot || (networkGame && slot == kNetworkSkippedSlot)) continue;
        uint32_t* target = SlotTarget(slot);
        if (!target) continue;
        *target = 0;
        for (uint32_t which = 0; which < 2; ++which) {
            InputBinding& b = g_controls.bindings[slot][which];
            b = InputBinding{kBindWord | kBindOnDown | kBindOnUp, BindingTarget(target),
                             profile.GetKey(slot + 32 * which), nullptr};
            InputAddBinding(&b);
        }
        g_controls.bound[slot] = true;
    }
    return &g_controls.block;
}

}  // namespace kes
