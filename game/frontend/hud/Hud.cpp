#include "game/frontend/hud/Hud.h"

// Placeholder until the overlay lands: loads nothing, draws nothing.
namespace kes {

HudRaceInfo& HudInfo() {
    static HudRaceInfo info;
    return info;
}
int32_t HudLoad(RenderInterface*) { return 0; }
void HudFree() {}
uint32_t HudFormatLapTime(uint32_t ms, Sprite*, uint32_t) { return ms / 3600000u; }
void HudDraw(RacerRecord* const*, uint32_t, const RacerRecord*, const Matrix4&) {}

}  // namespace kes
