#include "game/world/tricks/Tricks.h"

namespace kes {

namespace {

// Trick number - 1 -> animation, kind, balance mode, scored by balance.
const TrickInfo kTricks[kTrickCount] = {
    {1, 2, 1, 1},  {2, 2, 1, 1},  {3, 2, 2, 1},  {4, 0, 1, 0},  {5, 2, 2, 1},  {6, 2, 2, 1},
    {7, 2, 2, 1},  {8, 0, 1, 0},  {9, 0, 1, 0},  {10, 2, 1, 1}, {11, 0, 1, 0}, {12, 0, 1, 0},
    {15, 2, 2, 1}, {19, 2, 2, 1}, {24, 2, 2, 1}, {25, 2, 2, 1}, {26, 2, 2, 1}, {27, 1, 2, 1},
    {29, 2, 1, 1}, {32, 2, 2, 1}, {33, 2, 1, 1}, {34, 1, 1, 1}, {35, 2, 2, 1}, {36, 1, 1, 1},
};

struct NamedAnimation {
    uint32_t animation;
    const char* name;
};

const NamedAnimation kNames[] = {
    {1, "SARAN WRAP"},       {2, "NOTHING"},          {3, "DOUBLE CANDY BAR"},   {4, "FEET OFF"},
    {5, "WINDSURF"},         {6, "HEADPLANT"},        {7, "EASY BOY"},           {8, "PRAYER"},
    {9, "FIST PUNCH"},       {10, "DOUBLE CAN CAN"},  {11, "NO HANDS"},          {12, "HANDS OFF"},
    {15, "NO HAND WINDSURF"}, {19, "MONKEY SWING"},   {24, "BIG KAHUNA"},        {25, "SUPERMAN SEAT GRAB"},
    {26, "TITANIC"},         {27, "SLEEPER"},         {29, "DOUBLE CAN CAN"},    {32, "EL CORDOBES"},
    {33, "FEET TOGETHER"},   {34, "CAN CAN"},         {35, "CLIFFHANGER"},       {36, "NAC NAC"},
};

}  // namespace

const TrickInfo* GetTrickInfo(uint32_t trick) {
    return trick >= 1 && trick <= kTrickCount ? &kTricks[trick - 1] : nullptr;
}

const char* GetTrickNameByAnimation(uint32_t animation) {
    for (const NamedAnimation& n : kNames)
        if (n.animation == animation) return n.name;
    return "";
}

void TimedRiderAnimation::Advance(float ms) {
    if (anim_ == 0) return;
    clockMs_ += ms;
    if (clockMs_ >= static_cast<float>(lengthMs_)) {
        anim_ = 0;
        progress_ = 1.0f;
    } else {
        progress_ = clockMs_ / static_cast<float>(lengthMs_);
    }
}

}  // namespace kes
