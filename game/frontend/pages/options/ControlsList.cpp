#include "game/frontend/pages/options/ControlsList.h"

#include <cstdio>

#include "game/core/input/KeyNames.h"
#include "game/frontend/pages/options/PageHelpers.h"

namespace kes {

namespace {

constexpr uint32_t kLabels[kControlsLineCount] = {90,  91,  94,  95,  92,  93,  96,  97,  115, 100, 101,
                                                  113, 114, 126, 103, 160, 104, 132, 133, 134, 135, 136,
                                                  137, 138, 139, 140, 141, 142, 144, 143, 145};
constexpr uint32_t kAirLeftSlot = 9, kAirRightSlot = 10;
constexpr uint32_t kSwappedAirLeftText = 98, kSwappedAirRightText = 99;
constexpr int32_t kNameWidth = 6;

}  // namespace

uint32_t ActionLabelText(uint32_t slot, uint32_t airSwap) {
    if (slot >= kControlsLineCount) return 0;
    if (airSwap == 1 && slot == kAirLeftSlot) return kSwappedAirLeftText;
    if (airSwap == 1 && slot == kAirRightSlot) return kSwappedAirRightText;
    return kLabels[slot];
}

std::string BindingName(uint32_t language, uint32_t code, bool capturing) {
    if (capturing) return "------";
    if (code == 0) return "";  // unbound: the name table's entry 0 is empty
    return code < kKeyNameCount ? GlyphText(KeyName(language, code)) : std::string("?");
}

std::string ControlsLine(const char* label, const std::string& first, const std::string& second) {
    char line[kControlsLineSize];
    std::snprintf(line, sizeof line, "%-14.14s   %6.6s   %6.6s", label ? label : "", first.c_str(), second.c_str());
    return line;
}

int32_t BindingColumnAt(int32_t cellColumn) {
    // Cells count from 1; the names sit in characters 17-22 and 26-31 of the line.
    for (int32_t column = 0; column < 2; ++column) {
        const int32_t first = BindingColumnStart(column) + 1;
        if (cellColumn >= first && cellColumn < first + kNameWidth) return column;
    }
    return -1;
}

}  // namespace kes
