#include "game/frontend/pages/options/PageHelpers.h"

#include <cstdio>

#include "game/core/text/TextTable.h"
#include "game/frontend/flow/FlowState.h"
#include "platform/sys/Fpu.h"

namespace kes {

void ReturnFromSettingsPage() { SetMenuPage(Flow().inRace ? kInRaceMenuPage : kOptionsMenuPage); }

int32_t WholeValue(float value) { return plat::FloatToInt(value); }

void FormatPercent(std::string* caption, int32_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%3d %%", static_cast<int>(value));
    caption->assign(text);
}

std::string GlyphText(const char* text) {
    std::string out;
    for (const char* c = text ? text : ""; *c; ++c) out.push_back(static_cast<char>(MapTextChar(static_cast<uint8_t>(*c))));
    return out;
}

}  // namespace kes
