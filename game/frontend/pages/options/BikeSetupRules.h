#pragma once
// The rules of the bike set-up: the preset classes, the bike-point budget of a custom bike and the
// record the race and the network player record carry.
#include <cstdint>

namespace kes {

constexpr uint32_t kBikeClassCount = 5;
constexpr uint32_t kCustomBikeClass = 4;
constexpr uint32_t kSpecialBikeClass = 3;   // selectable with the special-bike unlock
constexpr uint32_t kSpecialBikeUnlock = 8;  // bit of the profile's unlock word
constexpr uint32_t kBikeParams = 4;
constexpr int32_t kBikeParamMax = 100;
constexpr int32_t kBikeBudgetCap = 350;
constexpr float kBikeParamScale = 0.01001f;

// The four parameters (whole numbers 0-100) of preset classes 0-3.
extern const int32_t kPresetBikes[4][kBikeParams];

// Points a custom bike may spend: the profile's bike points plus a share that grows with the career
// total (stat 17), at most 350 and never below 0.
int32_t BikePointBudget(float bikePoints, float careerTotal);

// The parameters after the player moved sliders: each moved slider (value differs from the stored
// one), in order, gives back what the four spend over the budget; it never goes below 0.
void KeepWithinBudget(int32_t values[kBikeParams], const int32_t stored[kBikeParams], int32_t budget);

// A class word from a profile or a peer: anything but 0-4 is taken as class 0.
uint32_t ValidBikeClass(uint32_t bikeClass);

// The bike's tier 0-2 (it chooses the bike's sound set) from its class and fourth parameter.
uint32_t BikeTier(uint32_t bikeClass, float scaledParam4);

}  // namespace kes
