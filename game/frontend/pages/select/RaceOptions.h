#pragma once
// The race options of the settings record as the world and championship pages keep them: laps,
// time limit, points target, computer riders and game mode, brought into the ranges the sliders
// show, and the option slider's meaning for a world family and game mode.
#include <cstdint>
#include <string>

namespace kes {

struct ConfigRecord;

constexpr uint32_t kGameModePractice = 0;
constexpr uint32_t kGameModeRace = 1;
constexpr uint32_t kGameModePoints = 2;
constexpr uint32_t kMaxComputerRiders = 7;

// World page: laps 3-8 (else 8), time limit 1-20 minutes (else 20), points 5-40 (else 10), computer
// riders 0-7 (else 7) and game mode 0-2 (else 1).
void ClampWorldPageOptions(ConfigRecord& config);
// Championship page: laps 3-8 (else 8), the range its slider shows; time limit and points as on
// the world page; computer riders 3-7 (else 7).
void ClampChampionshipOptions(ConfigRecord& config);

// What the first race-option slider stands for.
enum class OptionSlider { Laps, TimeLimit, Points };
struct OptionSliderSetup {
    OptionSlider meaning;
    uint32_t label;  // text line
    float maximum;
    float value;     // from the settings
};
// Game mode 2 counts points; otherwise family 3 (the timed worlds) has a time limit and the others
// laps.
OptionSliderSetup OptionSliderFor(const ConfigRecord& config, uint32_t family);
// Stores the slider's whole value back into the settings; returns the number the caption shows.
uint32_t StoreOptionSlider(ConfigRecord& config, OptionSlider meaning, float value);
// The slider's caption: minutes right-aligned in two places (" %2d"), counts after two blanks.
std::string OptionCaption(OptionSlider meaning, uint32_t shown);

}  // namespace kes
