// Bike models: the overlay glyph cells, the chain of parts, skin wrapping, label layout and what a
// bike shows when its meshes did not all load.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "game/core/maths/FastMath.h"
#include "game/core/maths/MatMath.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/tests/RiderTestMesh.h"
#include "tools/packtool/PackWriter.h"

namespace kes::test {
namespace {

class BikeModelsTest : public ::testing::Test {
protected:
    void SetUp() override { InitTrigTables(); }
};

TEST_F(BikeModelsTest, GlyphCellsOfTheOverlayFont) {
    const TextureRect first = OverlayGlyph(32), last = OverlayGlyph(223);
    EXPECT_FLOAT_EQ(first.uMin, 0.5f / 128.0f);
    EXPECT_FLOAT_EQ(first.vMin, 0.5f / 128.0f);
    EXPECT_FLOAT_EQ(first.uMax, 7.5f / 128.0f);
    EXPECT_FLOAT_EQ(first.vMax, 9.5f / 128.0f);
    EXPECT_FLOAT_EQ(last.uMin, (8.0f * 15 + 0.5f) / 128.0f);
    EXPECT_FLOAT_EQ(last.vMin, (10.0f * 11 + 0.5f) / 128.0f);
    EXPECT_FLOAT_EQ(last.uMax, (8.0f * 16 - 0.5f) / 128.0f);
    EXPECT_FLOAT_EQ(last.vMax, (10.0f * 12 - 0.5f) / 128.0f);
}

Vec3 Origin(const Matrix4& m) { return {m.m[12], m.m[13], m.m[14]}; }

TEST_F(BikeModelsTest, PartsHangOnTheirParents) {
    BikeDrawBlock block{};
    MatIdentity(&block.bikeMatrix);
    BikePartMatrices parts;
    ComputeBikeParts(block, &parts);
    const Vec3 front = Origin(parts.frontWheel);
    EXPECT_NEAR(front.x, 0.0f, 1e-5f);
    EXPECT_NEAR(front.y, 1.64561f + 2.13199f + (449.0f - 377.76f) * 0.01f, 1e-4f);
    EXPECT_NEAR(front.z, 0.48575f + 1.70005f + (101.99f - 218.58f) * 0.01f, 1e-4f);

    // The swing arm lifts the body, which stays level; fork travel slides along the steering head.
    block.parts[1] = 0.2f;
    block.parts[4] = 0.5f;
    ComputeBikeParts(block, &parts);
    EXPECT_NEAR(parts.body.m[5], 1.0f, 1e-3f);
    EXPECT_NEAR(parts.body.m[10], 1.0f, 1e-3f);
    const Vec3 pivot = Origin(parts.body);
    EXPECT_GT(std::fabs(pivot.z - 0.48575f), 0.1f);
    EXPECT_NEAR(pivot.y * pivot.y + pivot.z * pivot.z, 1.64561f * 1.64561f + 0.48575f * 0.48575f, 1e-3f);
    const Vec3 slid = Origin(parts.frontWheel), bar = Origin(parts.handlebar);
    EXPECT_NEAR((slid.y - bar.y) - (449.0f + 160.0f - 377.76f) * 0.01f, 0.0f, 1e-3f);

    // Steering turns the front end about the steering head: the front wheel's plane turns, the
    // handlebar's origin stays where it is.
    block.parts[0] = 1.0f;
    BikePartMatrices turned;
    ComputeBikeParts(block, &turned);
    EXPECT_NEAR(Origin(turned.handlebar).x, bar.x, 1e-5f);
    EXPECT_LT(turned.frontWheel.m[0], 0.95f);
    EXPECT_GT(std::fabs(turned.frontWheel.m[1]), 0.2f);
    block.parts[0] = -1.0f;
    ComputeBikeParts(block, &parts);
    EXPECT_NEAR(Origin(parts.frontWheel).x, -Origin(turned.frontWheel).x, 1e-3f);

    // The bike's own matrix carries everything.
    MatTranslation(&block.bikeMatrix, 100, 200, 300);
    ComputeBikeParts(block, &turned);
    EXPECT_NEAR(Origin(turned.rearWheel).x, 100.0f, 1e-4f);
    EXPECT_NEAR(Origin(turned.frontWheel).x - 100.0f, Origin(parts.frontWheel).x, 1e-3f);
}

TEST_F(BikeModelsTest, SkinNumbersWrapIntoTheList) {
    EXPECT_EQ(WrapBikeSkin(5, 3), 2);
    EXPECT_EQ(WrapBikeSkin(2, 3), 2);
    EXPECT_EQ(WrapBikeSkin(-1, 3), 2);
    EXPECT_EQ(WrapBikeSkin(7, 0), -1);  // no skins: no texture, no division
}

TEST_F(BikeModelsTest, LabelsOfAnyBytesStayInTheGlyphTable) {
    std::array<TextureRect, kOverlayGlyphCount> glyphs;
    for (uint32_t i = 0; i < kOverlayGlyphCount; ++i) glyphs[i] = OverlayGlyph(32 + i);
    std::string name;
    for (int i = 0; i < 300; ++i) name.push_back(static_cast<char>(1 + i % 255));
    std::vector<Sprite> sprites(64);
    const uint32_t n = LayoutBikeLabel(name.c_str(), 0.5f, 0.5f, glyphs, sprites.data(), 64);
    ASSERT_EQ(n, 64u);
    for (uint32_t i = 0; i < n; ++i) {
        EXPECT_GE(sprites[i].rect, glyphs.data());
        EXPECT_LT(sprites[i].rect, glyphs.data() + kOverlayGlyphCount);
    }
    EXPECT_EQ(sprites[0].rect, &glyphs[0]);  // code 1 shows as a space
    // "AB": centred on the point, 8 pixels of 640 each, 10 pixels of 480 above it.
    ASSERT_EQ(LayoutBikeLabel("AB", 0.5f, 0.5f, glyphs, sprites.data(), 64), 2u);
    EXPECT_FLOAT_EQ(sprites[0].left, 0.5f - 8.0f / 640.0f);
    EXPECT_FLOAT_EQ(sprites[1].right, 0.5f + 8.0f / 640.0f);
    EXPECT_FLOAT_EQ(sprites[0].top, 0.5f - 10.0f / 480.0f);
    EXPECT_EQ(sprites[1].rect, &glyphs['B' - 32]);
}

// Records the model matrix of every transform: one per group drawn.
class RecordingRenderer : public RenderInterface {
public:
    int32_t TransformVertices(const Matrix4* model, ScreenVertex*, int32_t, const SourceVertex*, uint32_t,
                              const uint16_t*, uint32_t) override {
        origins.push_back(Origin(*model));
        return 0;
    }
    int32_t DrawIndexed(uint32_t, uint32_t, ScreenVertex*, uint32_t, uint16_t*, uint32_t) override { return 0; }
    int32_t SetState(uint32_t, uint32_t) override { return 0; }
    int32_t SelectTexture(uint32_t) override { return 0; }
    std::vector<Vec3> origins;
};

class BikeLoadTest : public BikeModelsTest {
protected:
    void TearDown() override {
        FreeBikeModels(set);
        FreeLoadCache();
        std::filesystem::remove(pack);
    }
    // A data pack of the bike meshes but one.
    void PackWithout(const std::string& missing) {
        const std::vector<uint8_t> mesh = RiderMeshFile(3, 1, [](uint32_t, uint32_t v) { return Vec3{float(v), 0, 0}; });
        std::vector<tools::PackInput> files;
        for (const char* name : {"BIKES\\Body125.JM5", "BIKES\\Body250.JM5", "BIKES\\Body500.JM5", "BIKES\\Wheel.JM5",
                                 "BIKES\\rearfrks.JM5", "BIKES\\handleb.JM5", "BIKES\\forks.JM5"})
            if (missing != name) files.push_back({name, mesh, false});
        std::string error;
        ASSERT_TRUE(tools::WritePack(pack, files, &error)) << error;
        ASSERT_EQ(MakeLoadCache(pack.c_str()), 1);
    }
    std::string pack = (std::filesystem::temp_directory_path() /
                        ("bike_models_" + std::to_string(::getpid()) + "_" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".pak"))
                           .string();
    RecordingRenderer renderer;
    BikeModelSet set;
};

TEST_F(BikeLoadTest, AllMeshesDrawTheWholeBike) {
    PackWithout("");
    ASSERT_EQ(LoadBikeModels(set, &renderer, false), 0);
    BikeDrawBlock block{};
    MatIdentity(&block.bikeMatrix);
    block.bikeSkin = 4;  // no skins in this pack
    EXPECT_EQ(DrawBike(set, block, &renderer, nullptr, {0, 0, 0}), 0);
    EXPECT_EQ(renderer.origins.size(), 6u);  // handlebar, fork, body, rear fork, two wheels
    EXPECT_NEAR(block.riderMatrix.m[13], 1.64561f, 1e-5f);
}

TEST_F(BikeLoadTest, AMissingMeshLeavesHandlebarAndFrontWheel) {
    PackWithout("BIKES\\forks.JM5");
    ASSERT_EQ(LoadBikeModels(set, &renderer, false), 1);
    EXPECT_FALSE(set.meshesLoaded);
    BikeDrawBlock block{};
    MatIdentity(&block.bikeMatrix);
    DrawBike(set, block, &renderer, nullptr, {0, 0, 0});
    BikePartMatrices parts;
    ComputeBikeParts(block, &parts);
    ASSERT_EQ(renderer.origins.size(), 2u);
    EXPECT_NEAR(renderer.origins[0].z, parts.handlebar.m[14], 1e-5f);
    EXPECT_NEAR(renderer.origins[1].y, parts.frontWheel.m[13], 1e-5f);
}

TEST_F(BikeLoadTest, AMissingFirstMeshDrawsNothingLoadedAfterIt) {
    PackWithout("BIKES\\Body125.JM5");
    ASSERT_EQ(LoadBikeModels(set, &renderer, true), 1);
    BikeDrawBlock block{};
    MatIdentity(&block.bikeMatrix);
    DrawBike(set, block, &renderer, "NAME", {0, 0, 0});
    EXPECT_TRUE(renderer.origins.empty());
}

}  // namespace
}  // namespace kes::test
