// A world with placed objects, a fence and a pond drawn headless from a fixed camera: each is seen
// where it stands, in its own colour. The frame is written under the build folder as a PPM picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/fence/Fences.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/objects/tests/ObjectsWorld.h"
#include "game/world/water/Water.h"
#include "platform/gfx/GfxDevice.h"

namespace kes::test {
namespace {

constexpr uint32_t kWidth = 320, kHeight = 240;
constexpr uint32_t kSky = 0xFF000000;  // black

struct Rgb {
    int r, g, b;
};

Rgb PixelAround(const std::vector<uint8_t>& rgba, int x, int y) {
    long r = 0, g = 0, b = 0, n = 0;
    for (int yy = y - 1; yy <= y + 1; ++yy)
        for (int xx = x - 1; xx <= x + 1; ++xx, ++n) {
            const uint8_t* p = &rgba[(static_cast<size_t>(yy) * kWidth + static_cast<size_t>(xx)) * 4];
            r += p[0], g += p[1], b += p[2];
        }
    return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)};
}

void WritePpm(const std::string& path, const std::vector<uint8_t>& rgba) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%u %u\n255\n", kWidth, kHeight);
    for (size_t i = 0; i < rgba.size(); i += 4) std::fwrite(&rgba[i], 1, 3, f);
    std::fclose(f);
}

TEST(ObjectsScreenshot, ObjectsFenceAndWaterAreSeenWhereTheyStand) {
    EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
    ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kWidth, kHeight, 16, "objects", kDeviceHidden | kDeviceNoVsync),
              0);
    RenderInterface& r = TheRenderInterface();
    const float box[6] = {-1000, -1000, -1000, 1000, 1000, 1000};
    ASSERT_EQ(InitObjects(0, 1, 1, 1, box), 0);  // the scene objects of the dynamic objects
    ASSERT_EQ(LoadBytes(ObjectsWorld(), &r, "objects"), 0);
    ASSERT_EQ(DynamicObjects().size(), 4u);
    ASSERT_EQ(PlacedObjects().size(), 10u);  // the mover, the blocker and the gem left the placed objects
    ASSERT_EQ(FenceGroups().size(), 1u);
    ASSERT_EQ(WaterAreas().size(), 1u);

    const Vec3 eye{180, -20, 40};
    Matrix4 vp;
    ViewProjection(eye, 0.3f, kWidth, kHeight, 1.0f, 2000.0f, vp.m);
    r.viewProjection = &vp;
    WorldView view;
    view.eye = eye;
    view.groundMinX = 0, view.groundMinY = 0, view.groundMaxX = 360, view.groundMaxY = 360;
    for (Vec4& p : view.planes) p = {0, 0, 0, 1e9f};
    WorldUpdate(250);  // the pond's second frame
    r.BeginScene();
    DisplayGfx()->ClearColour({0, 0, static_cast<int>(kWidth), static_cast<int>(kHeight)}, kSky);
    r.ClearDepth();
    r.SetState(plat::rs::kZEnable, 1);
    r.SetState(plat::rs::kCullMode, plat::rs::kCullNone);
    WorldRender(view);
    r.EndScene();
    const std::vector<uint8_t> pixels = RenderReadBackBuffer();
    ASSERT_EQ(pixels.size(), kWidth * kHeight * 4u);
    WritePpm(std::string(GRAVELON_BINARY_DIR) + "/tests/objects_world.ppm", pixels);

    auto at = [&](Vec3 p) {
        SourceVertex v{p.x, p.y, p.z, 0, 0, 1, 0, 0};
        ScreenVertex s{};
        r.TransformVertices(nullptr, &s, 1, &v, 0, nullptr, 2);
        const bool onScreen = s.sx > 2.0f && s.sx < kWidth - 2.0f && s.sy > 2.0f && s.sy < kHeight - 2.0f;
        EXPECT_TRUE(onScreen) << p.x << " " << p.y << " " << p.z;
        if (!onScreen) return Rgb{-1000, -1000, -1000};
        return PixelAround(pixels, static_cast<int>(s.sx), static_cast<int>(s.sy));
    };
    using L = ObjectsWorldLayout;
    const Rgb crate = at({L::kLaneCrateX, L::kLaneCrateY - 4.0f, 4.0f});  // the lane crate's near face
    EXPECT_GT(crate.r, crate.g + 80) << crate.r << " " << crate.g << " " << crate.b;
    const Rgb pillar = at({80, L::kRowY - 3.0f, 12.0f});  // a pillar of the row
    EXPECT_GT(pillar.r, pillar.b + 80) << pillar.r << " " << pillar.g << " " << pillar.b;
    EXPECT_GT(pillar.g, pillar.b + 80);
    const Rgb planks = at({150, L::kFenceY, 3.0f});  // a solid panel
    EXPECT_GT(planks.r, planks.b + 40) << planks.r << " " << planks.g << " " << planks.b;
    EXPECT_LT(planks.r, 200);
    const Rgb glass = at({210, L::kFenceY, 3.0f});  // a breakable panel
    EXPECT_GT(glass.b, 180) << glass.r << " " << glass.g << " " << glass.b;
    const Rgb pond = at({290, 160, L::kPondZ});
    EXPECT_GT(pond.b, pond.r + 100) << pond.r << " " << pond.g << " " << pond.b;
    EXPECT_GT(pond.b, pond.g + 100);
    const Rgb gem = at({L::kOpenLaneX, L::kGemY - 4.0f, 4.0f});  // the pickup, drawn as a dynamic object
    EXPECT_GT(gem.r, gem.g + 80) << gem.r << " " << gem.g << " " << gem.b;
    EXPECT_GT(gem.b, gem.g + 80);
    const Rgb grass = at({100, 100, 0});
    EXPECT_GT(grass.g, grass.r + 60) << grass.r << " " << grass.g << " " << grass.b;

    WorldUnload();
    EXPECT_TRUE(DynamicObjects().empty());
    EXPECT_EQ(LiveObjectCount(), 0u);
    FreeObjects();
    EXPECT_TRUE(PlacedObjects().empty());
    EXPECT_TRUE(FenceGroups().empty());
    EXPECT_TRUE(WaterAreas().empty());
    for (uint32_t tag : {ChunkTag("OBJT"), ChunkTag("FENC"), ChunkTag("WATR")}) EXPECT_EQ(WorldHandleTable(tag)[0], 0u);
    r.viewProjection = nullptr;
    DeviceShutdown();
    while (TextureListHead()) DestroyTexture(TextureListHead()->name);
    FreeDeviceList();
}

}  // namespace
}  // namespace kes::test
