// Editor -> file -> game: a world whose ground was imported and painted in the editor is saved and
// read by the game's own world reader. The game's ground must be the editor's: the same height at
// every knot, heights between knots within what the two weight tables allow, the same normals and
// the same textures on the same cells.
//
// Tolerance between knots: the editor picks its spline weights from a table of 2049 rows (t in steps
// of 1/2048 of a knot span, truncated), the game from one of 513 rows (steps of 1/512). Each table
// misplaces t by at most one of its steps, so on each axis the two heights can differ by at most the
// steepest change of the spline over 1/512 + 1/2048 of a span. A Catmull-Rom span changes at most 1.5
// times the largest rise D between neighbouring knots per whole span, so the bound is
// 2 axes x 1.5 D x (1/512 + 1/2048), plus float rounding. For these hills (D about 2.6 units) that is
// about 0.02 units on heights of up to 120.
#include <cmath>

#include "game/core/config/Config.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/landscape/Landscape.h"
#include "plugins/landscape/LandscapePlugin.h"
#include "plugins/tests/PluginKit.h"

namespace qvtest {
namespace {

class GameReadsLandscape : public PluginFixture {
protected:
    void Register() override {
        plugin = std::make_unique<qv::LandscapePlugin>();
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(plugin.get()), plugin.get()), 0);
    }
    void TearDown() override {
        kes::WorldUnload();
        kes::test::DestroyAllTextureContainers();
        kes::g_Config = kes::ConfigRecord();
        PluginFixture::TearDown();
        plugin.reset();
    }
    std::unique_ptr<qv::LandscapePlugin> plugin;
    kes::test::RecordingRender render;
};

// Rolling hills up to about 120 units with knot-to-knot rises of a few units.
float Hills(uint32_t c, uint32_t r) {
    const float x = static_cast<float>(c), y = static_cast<float>(r);
    return 60.0f + 40.0f * std::sin(x * 0.031f) * std::cos(y * 0.017f) + 20.0f * std::sin((x + 2.0f * y) * 0.09f);
}

TEST_F(GameReadsLandscape, HeightsNormalsAndTexturesAgree) {
    std::vector<float> heights(721 * 721);
    for (uint32_t r = 0; r < 721; ++r)
        for (uint32_t c = 0; c < 721; ++c) heights[r * 721 + c] = Hills(c, r);
    plugin->ApplyWholeWorld(heights);
    plugin->grid.BuildPatches();
    const qv::LandscapeGrid& g = plugin->grid;
    // Two textures painted in a checker of 5 x 5 cells, the rest empty.
    for (uint8_t level : {70, 180}) {
        const qv::Dib d = qv::GreyBitmap(256, 256, level);
        std::vector<uint8_t> bytes = d.colourTable;
        bytes.insert(bytes.end(), d.pixels.begin(), d.pixels.end());
        plugin->host->AddTextureFromMemory(level == 70 ? "dark" : "light", &d.header, bytes.data(), nullptr);
    }
    for (uint32_t cy = 0; cy < 40; ++cy)
        for (uint32_t cx = 0; cx < 40; ++cx) plugin->grid.cells[cy * 40 + cx] = static_cast<uint16_t>(cx < 30 ? ((cx / 5 + cy / 5) % 2) + 1 : 0);
    ASSERT_EQ(editor->world.Save(Path("ground.wld")), 0);

    ASSERT_EQ(kes::test::LoadBytes(ReadFile(Path("ground.wld")), &render, "landscape_agree"), 0);
    ASSERT_TRUE(kes::LandscapePresent());
    const kes::Landscape& land = kes::CurrentLandscape();
    ASSERT_EQ(land.w, 721u);
    ASSERT_EQ(land.tw, 40u);

    // Between knots, away from the border where the editor clamps and the game wraps.
    float rise = 0.0f;
    for (uint32_t r = 0; r + 1 < 721; ++r)
        for (uint32_t c = 0; c + 1 < 721; ++c)
            rise = std::max({rise, std::fabs(g.Height(c + 1, r) - g.Height(c, r)), std::fabs(g.Height(c, r + 1) - g.Height(c, r))});
    const float tolerance = 2.0f * 1.5f * rise * (1.0f / 512.0f + 1.0f / 2048.0f) + 1e-3f;
    // At the knots both give the stored height to within one of their table rows: a knot's position is a
    // float that may fall a hair short of the knot, into the span before it.
    for (uint32_t r = 0; r < 720; r += 7)
        for (uint32_t c = 0; c < 720; c += 5) {
            ASSERT_NEAR(g.HeightAt(g.KnotX(c), g.KnotY(r)), g.Height(c, r), 2.0f * 1.5f * rise / 2048.0f + 1e-4f);
            ASSERT_NEAR(kes::LandscapeHeightAt(g.KnotX(c), g.KnotY(r)), g.Height(c, r), tolerance) << c << "," << r;
        }
    float worst = 0.0f, worstNormal = 1.0f;
    for (float y = -1990.0f; y < 2990.0f; y += 37.3f)
        for (float x = -1990.0f; x < 2990.0f; x += 41.9f) {
            const float editor = g.HeightAt(x, y), game = kes::LandscapeHeightAt(x, y);
            worst = std::max(worst, std::fabs(editor - game));
            ASSERT_NEAR(editor, game, tolerance) << x << "," << y;
            const qv::Vec3 en = g.NormalAt(x, y);
            kes::Vec3 gn;
            kes::LandscapeNormalAt(x, y, game, &gn);
            worstNormal = std::min(worstNormal, en.x * gn.x + en.y * gn.y + en.z * gn.z);
        }
    // The normals differ only by their differences: the editor's are central over a thousandth of a knot
    // span, the game's one-sided over a fiftieth, whose slope is off by half a step times the
    // curvature. On these hills that stays within one and a half degrees.
    EXPECT_GT(worstNormal, std::cos(1.5f * 3.14159265f / 180.0f));
    RecordProperty("height_tolerance", std::to_string(tolerance));
    RecordProperty("worst_height_difference", std::to_string(worst));

    // The cells name the same textures: one game handle per editor texture, 0 for none.
    ASSERT_EQ(land.textureCount, 2u);
    uint32_t handleOf[3] = {0, 0, 0};
    for (size_t k = 0; k < g.cells.size(); ++k) {
        const uint16_t t = g.cells[k];
        if (t != 0 && handleOf[t] == 0) handleOf[t] = land.tileGrid[k];
        EXPECT_EQ(land.tileGrid[k], handleOf[t]) << k;
    }
    EXPECT_NE(handleOf[1], 0u);
    EXPECT_NE(handleOf[2], 0u);
    EXPECT_NE(handleOf[1], handleOf[2]);
}

}  // namespace
}  // namespace qvtest
