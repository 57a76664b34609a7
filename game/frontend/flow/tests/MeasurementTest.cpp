// The detail settings the machine measurement derives.
#include <gtest/gtest.h>

#include "game/core/config/ConfigRecord.h"
#include "game/frontend/flow/Measurement.h"

namespace kes {
namespace {

TEST(Measurement, DrawDistanceFromTheTrianglesDrawn) {
    const struct {
        uint64_t triangles;
        uint32_t distance, budget;
    } cases[] = {
        {0, 0, 0},       {85714, 0, 0},   {85715, 1, 0},    {150000, 10, 0},   {650000, 80, 2},
        {435715, 50, 1}, {792858, 100, 2}, {1000000000, 100, 2},
    };
    for (const auto& c : cases) {
        const DetailSettings d = DetailFromMeasurement(c.triangles, 0);
        EXPECT_EQ(d.drawDistance, c.distance) << c.triangles;
        EXPECT_EQ(d.particleBudget, c.budget) << c.triangles;
    }
}

TEST(Measurement, TextureAndLandscapeDetailFromVideoMemory) {
    const struct {
        uint64_t memory;
        uint32_t texture, landscape, trilinear;
    } cases[] = {
        {0, 0, 1, 0},        {1, 0, 0, 0},        {8388607, 0, 0, 0},   {8388608, 1, 1, 0},
        {16777215, 1, 1, 0}, {16777216, 1, 2, 1}, {1ull << 34, 1, 2, 1},
    };
    for (const auto& c : cases) {
        const DetailSettings d = DetailFromMeasurement(150000, c.memory);
        EXPECT_EQ(d.textureDetail, c.texture) << c.memory;
        EXPECT_EQ(d.landscapeDetail, c.landscape) << c.memory;
        EXPECT_EQ(d.trilinear, c.trilinear) << c.memory;
    }
}

TEST(Measurement, SettingsGoToTheirWords) {
    ConfigRecord config;
    ApplyDetailSettings(DetailFromMeasurement(650000, 8388608), &config);
    EXPECT_EQ(config.drawDistance, 80u);
    EXPECT_EQ(config.raceStartOption, 2u);
    EXPECT_EQ(config.textureDetail, 1u);
    EXPECT_EQ(config.landscapeDetail, 1u);
    EXPECT_EQ(config.trilinear, 0u);
}

}  // namespace
}  // namespace kes
