#pragma once
// The machine measurement the game runs once before its first menu: ten seconds of a spinning
// display bike over the menu world, the triangles drawn in that time and the video memory giving the
// detail settings.
#include <cstdint>

namespace kes {

struct ConfigRecord;
class RenderInterface;

struct DetailSettings {
    uint32_t drawDistance = 70;    // 0-100
    uint32_t particleBudget = 2;   // draw distance / 40
    uint32_t landscapeDetail = 2;  // 0-2
    uint32_t textureDetail = 1;    // skins and placed objects: 1 full size, 0 half
    uint32_t trilinear = 1;
};
constexpr uint32_t kMeasureMs = 10000;

// The settings for a triangle count over the measurement and the larger of the display's total and
// free video memory in bytes (0 when the display does not report it).
DetailSettings DetailFromMeasurement(uint64_t triangles, uint64_t videoMemory);
// Writes them into the settings record.
void ApplyDetailSettings(const DetailSettings& detail, ConfigRecord* config);

// Runs the measurement and writes the settings. The clock is the frame clock: with a fixed frame
// time the ten seconds are that many frames, so automated runs stay short and repeatable. Returns
// the triangles counted.
uint64_t MeasureMachine(RenderInterface* render);

}  // namespace kes
