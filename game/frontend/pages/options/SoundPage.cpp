// The sound page (page 3): the effects and music volumes, which act on the mixer's gains at once,
// hardware 3D sound and reversed stereo. It edits the live settings.
#include <string>

#include "game/core/audio/AudioSystem.h"
#include "game/core/config/Config.h"
#include "game/core/mixer/Mixer.h"
#include "game/frontend/pages/options/PageHelpers.h"
#include "game/frontend/pages/options/SettingsPages.h"

namespace kes {

namespace {

constexpr uint32_t kSound3DOffText = 117;
constexpr uint32_t kNormalStereoText = 119;

MenuItem g_items[] = {
    {kItemTitle, 72, 37, 14},
    {kItemBottomButton, 381, 423, 27, nullptr, 0, kItemHidden},  // cancel: this page has none
    {kItemBottomButton, 514, 423, 11},
    {kItemSlider, 58, 118, 58},  // effects volume
    {kItemSlider, 58, 238, 59},  // music volume
    {kItemValueText, 385, 160},  // hardware 3D sound
    {kItemLeftArrow, 351, 160},
    {kItemRightArrow, 559, 163},
    {kItemValueText, 385, 280},  // reversed stereo
    {kItemLeftArrow, 351, 280},
    {kItemRightArrow, 559, 283},
    {},
};
std::string g_effectsCaption, g_musicCaption;

// Both lines follow the record whenever either volume changes.
void ApplyVolumes() {
    MixerSetVolume(kMixerMusic, static_cast<float>(g_Config.musicVolume) * 0.01f);
    MixerSetVolume(kMixerEffects, static_cast<float>(g_Config.effectsVolume) * 0.01f);
}

void TakeVolume(const MenuItem& slider, uint32_t* volume, std::string* caption) {
    const int32_t whole = WholeValue(slider.value);
    const uint32_t value = whole < 0 ? 0u : static_cast<uint32_t>(whole);
    if (value != *volume) {
        *volume = value;
        ApplyVolumes();
    }
    FormatPercent(caption, static_cast<int32_t>(*volume));
}

void ShowChoices() {
    g_items[5].label = kSound3DOffText + (g_Config.hardware3DSound ? 1 : 0);
    g_items[8].label = kNormalStereoText + (g_Config.swapStereo ? 1 : 0);
}

void SoundPageEnter() {
    g_items[3].maximum = 100;
    g_items[3].value = static_cast<float>(g_Config.effectsVolume);
    g_items[4].maximum = 100;
    g_items[4].value = static_cast<float>(g_Config.musicVolume);
    ShowChoices();
}

void SoundPageUpdate() {
    MenuKeys& keys = MenuKeyWords();
    if (Clicked(g_items[2]) || keys.esc || keys.enter) {
        PlayMenuSound(kSoundBack);
        ReturnFromSettingsPage();
        return;
    }
    TakeVolume(g_items[3], &g_Config.effectsVolume, &g_effectsCaption);
    g_items[3].text = g_effectsCaption.c_str();
    TakeVolume(g_items[4], &g_Config.musicVolume, &g_musicCaption);
    g_items[4].text = g_musicCaption.c_str();

    if (Clicked(g_items[6]) || Clicked(g_items[7])) {
        g_Config.hardware3DSound = g_Config.hardware3DSound ? 0 : 1;
        if (AudioSystem* audio = TheAudioSystem()) audio->SetHardware3D(g_Config.hardware3DSound);
    }
    if (Clicked(g_items[9]) || Clicked(g_items[10])) g_Config.swapStereo = g_Config.swapStereo ? 0 : 1;
    ShowChoices();
}

}  // namespace

void InstallSoundPage() {
    SetMenuPageEntry(kSoundPage, MenuPage{3, g_items, SoundPageUpdate, nullptr, SoundPageEnter, nullptr});
}

}  // namespace kes
