#include "game/frontend/profile/Profile.h"

#include <algorithm>
#include <cstring>

#include "game/core/text/TextTable.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

constexpr int kDefaultNameLine = 20;

// First and second binding of action slots 0-30 (scan codes, mouse 256-259, joystick 260-291).
constexpr uint32_t kDefaultKeys[kProfileActionSlots][2] = {
    {54, 263}, {157, 266}, {203, 0}, {205, 0}, {200, 0}, {208, 0}, {184, 264}, {39, 261},
    {40, 262}, {52, 267},  {53, 268}, {14, 0}, {28, 265}, {201, 0}, {46, 0},   {49, 0},
    {88, 0},   {57, 0},    {31, 0},   {38, 0},  {2, 0},   {3, 0},   {4, 0},   {5, 0},
    {6, 0},    {7, 0},     {44, 0},   {45, 0},  {47, 0},  {48, 0},  {50, 0},
};

}  // namespace

Profile::Profile() {
    SetName(GetText(kDefaultNameLine));
    bikeSkin = static_cast<uint32_t>(plat::CrtRand());
    riderSkin = static_cast<uint32_t>(plat::CrtRand());
    reserved = 1;
    values[0] = 1;
    values[1] = 1;
    for (uint32_t i = 0; i < 4; ++i) stats[kStatCustomBike + i] = 10.0f;
    stats[kStatBikeClass] = 1.0f;
    stats[kStatBikePoints] = 100.0f;
    SetDefaultControls();
    settings[kSettingUnlocks - kProfileFirstSetting] = 0;
}

void Profile::SetDefaultControls() {
    for (uint32_t slot = 0; slot < 32; ++slot) {
        keys[slot] = slot < kProfileActionSlots ? kDefaultKeys[slot][0] : 0;
        keys[slot + 32] = slot < kProfileActionSlots ? kDefaultKeys[slot][1] : 0;
    }
    const uint32_t defaults[] = {1, 0, 70, 0, 0};
    for (uint32_t i = 0; i < 5; ++i) settings[i] = defaults[i];
}

void Profile::SetName(std::string_view newName) {
    std::memset(name, 0, sizeof name);
    const size_t n = std::min<size_t>(newName.size(), kProfileNameSize - 1);
    std::memcpy(name, newName.data(), n);
}

int32_t Profile::SetValue(uint32_t index, uint32_t value) {
    if (index >= kProfileWords) return -1;
    values[index] = value;
    return 0;
}

uint32_t Profile::GetKey(uint32_t code) const {
    if (code < kProfileWords) return keys[code];
    if (code >= kProfileFirstSetting && code < kProfileFirstSetting + kProfileWords)
        return settings[code - kProfileFirstSetting];
    return 0;
}

int32_t Profile::SetKey(uint32_t code, uint32_t value) {
    if (value > kProfileHighestKey) return -1;
    if (code >= kProfileFirstSetting && code < kProfileFirstSetting + kProfileWords) {
        settings[code - kProfileFirstSetting] = value;
        return 0;
    }
    if (code >= kProfileWords) return -1;
    if (value != 0) {
        const uint32_t old = keys[code];
        for (uint32_t& key : keys)
            if (key == value) key = old;
    }
    keys[code] = value;
    return 0;
}

int32_t Profile::SetStat(uint32_t index, float value) {
    if (index >= kProfileWords) return -1;
    stats[index] = value;
    return 0;
}

int32_t Profile::AddStat(uint32_t index, float delta) {
    if (index >= kProfileWords) return -1;
    stats[index] += delta;
    if (index < kStatColumnTotals)
        for (uint32_t c = 0; c < 3; ++c)
            stats[kStatColumnTotals + c] = stats[c] + stats[3 + c] + stats[6 + c] + stats[9 + c] + stats[12 + c];
    return 0;
}

bool operator==(const Profile& a, const Profile& b) {
    auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return std::strncmp(a.name, b.name, kProfileNameSize) == 0 && same(a.values, b.values) &&
           a.riderSkin == b.riderSkin && a.bikeSkin == b.bikeSkin && a.reserved == b.reserved &&
           same(a.keys, b.keys) && same(a.settings, b.settings) && same(a.stats, b.stats);
}

}  // namespace kes
