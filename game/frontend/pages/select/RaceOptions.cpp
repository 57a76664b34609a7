#include "game/frontend/pages/select/RaceOptions.h"

#include <cstdio>

#include "game/core/config/ConfigRecord.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr uint32_t kTimedFamily = 3;
constexpr uint32_t kLapsText = 44, kTimeText = 116, kPointsText = 191;

void Keep(uint32_t& word, uint32_t lowest, uint32_t highest, uint32_t otherwise) {
    if (word < lowest || word > highest) word = otherwise;
}

void ClampShared(ConfigRecord& config) {
    Keep(config.raceOption2, 3, 8, 8);    // laps
    Keep(config.raceOption4, 1, 20, 20);  // time limit in minutes
    Keep(config.raceOption3, 5, 40, 10);  // points target
}

}  // namespace

void ClampWorldPageOptions(ConfigRecord& config) {
    ClampShared(config);
    // The riders slider runs 0-7 and the mode arrows 0-2; a stored value outside them would be
    // written back unchecked every step.
    Keep(config.raceOption1, 0, kMaxComputerRiders, kMaxComputerRiders);
    Keep(config.gameMode, kGameModePractice, kGameModePoints, kGameModeRace);
}

void ClampChampionshipOptions(ConfigRecord& config) {
    ClampShared(config);
    Keep(config.raceOption1, 3, kMaxComputerRiders, kMaxComputerRiders);
}

OptionSliderSetup OptionSliderFor(const ConfigRecord& config, uint32_t family) {
    if (config.gameMode == kGameModePoints)
        return {OptionSlider::Points, kPointsText, 35.5f, static_cast<float>(config.raceOption3) - 5.0f};
    if (family == kTimedFamily)
        return {OptionSlider::TimeLimit, kTimeText, 19.5f, static_cast<float>(config.raceOption4) - 1.0f};
    return {OptionSlider::Laps, kLapsText, 5.5f, static_cast<float>(config.raceOption2) - 3.0f};
}

uint32_t StoreOptionSlider(ConfigRecord& config, OptionSlider meaning, float value) {
    const auto whole = static_cast<uint32_t>(plat::FloatToInt(value < 0.0f ? 0.0f : value));
    switch (meaning) {
    case OptionSlider::Points: return config.raceOption3 = whole + 5;
    case OptionSlider::TimeLimit: return config.raceOption4 = whole + 1;
    case OptionSlider::Laps: break;
    }
    return config.raceOption2 = whole + 3;
}

std::string OptionCaption(OptionSlider meaning, uint32_t shown) {
    char caption[16];
    std::snprintf(caption, sizeof caption, meaning == OptionSlider::TimeLimit ? " %2u" : "  %u", shown);
    return caption;
}

}  // namespace kes
