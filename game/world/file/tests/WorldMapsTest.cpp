#include <gtest/gtest.h>

#include <cstring>

#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/info/WorldTextures.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/maps/CameraZones.h"
#include "game/world/maps/LightMap.h"
#include "game/world/maps/PhysMap.h"

namespace kes::test {
namespace {

class WorldMapsTest : public ::testing::Test {
protected:
    void TearDown() override {
        WorldUnload();
        DestroyAllTextureContainers();
    }
    int32_t Load(WorldWriter& w) { return LoadBytes(w.Finish(), &render); }
    RecordingRender render;
};

// A picture whose pixel (x, y) (y = 0 the bottom row) holds value(x, y).
DibPicture Pattern(int32_t w, int32_t h, uint16_t bits, uint8_t (*value)(int32_t x, int32_t y, int k)) {
    DibPicture p = bits == 8 ? DibPicture::Grey(w, h, 0) : DibPicture::Solid(w, h, 0, 0, 0);
    p.bits = bits;
    const int bytes = bits / 8;
    p.rows.assign(static_cast<size_t>(w) * h * bytes, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int k = 0; k < bytes; ++k) p.rows[(static_cast<size_t>(y) * w + x) * bytes + k] = value(x, y, k);
    return p;
}

uint8_t Code(int32_t x, int32_t y, int) { return static_cast<uint8_t>(x * 16 + y); }
uint8_t Colour(int32_t x, int32_t y, int k) { return static_cast<uint8_t>(100 * k + x * 10 + y); }

TEST_F(WorldMapsTest, InformationChunkRoundTrips) {
    WorldWriter w;
    InfoData info;
    info.textures.push_back({"hud.bmp", DibPicture::Solid(4, 4, 9, 9, 9)});
    info.textures.push_back({"more.bmp", DibPicture::Solid(8, 8, 9, 9, 9)});
    info.id = 1005;
    info.kind = 2;
    info.name = "Quarry";
    info.comments = "Dusty and fast";
    info.sun[0] = 255, info.sun[1] = 128, info.sun[2] = 0;
    info.sunIntensity = 0.75f;
    info.ambient[0] = 10, info.ambient[1] = 20, info.ambient[2] = 30;
    info.ambientIntensity = 0.5f;
    info.sunPosition[0] = 1, info.sunPosition[1] = -2, info.sunPosition[2] = 2500;
    info.hasPicture = true;
    info.picture = DibPicture::Solid(6, 3, 200, 100, 50);  // 18-byte rows: padded to 20 by the editor
    w.Info(info);
    ASSERT_EQ(Load(w), 0);
    EXPECT_EQ(WorldGetSunColour(), 0xFFFF8000u);
    EXPECT_EQ(WorldGetAmbientColour(), 0xFF0A141Eu);
    EXPECT_EQ(WorldGetSunIntensity(), 0.75f);
    EXPECT_EQ(WorldGetAmbientIntensity(), 0.5f);
    Vec3 sun{};
    WorldGetSunPosition(&sun);
    EXPECT_EQ(sun.x, 1.0f);
    EXPECT_EQ(sun.y, -2.0f);
    EXPECT_EQ(sun.z, 2500.0f);
    EXPECT_EQ(WorldTextureCount(), 2u);
    EXPECT_EQ(WorldGetInfo().id, 1005u);
    EXPECT_EQ(WorldGetInfo().kind, 2u);
    EXPECT_EQ(WorldGetInfo().name, "Quarry");
    EXPECT_EQ(WorldGetInfo().description, "Dusty and fast");
    const ImageRecord* picture = WorldGetPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 6);
    EXPECT_EQ(picture->height, 3);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(picture->pixels[i * 3], 200) << i;  // every pixel red 200
    EXPECT_EQ(WorldBindFirstTexture(&render), 0);
    EXPECT_EQ(render.selected, WorldTextureHandle(0));
    WorldUnload();
    EXPECT_EQ(WorldGetSunColour(), 0u);
    EXPECT_EQ(WorldGetSunIntensity(), 0.0f);
    EXPECT_EQ(WorldBindFirstTexture(&render), 1);
}

TEST_F(WorldMapsTest, PhysicsMapsRoundTripAndSample) {
    WorldWriter w;
    w.Header(TestBounds());
    PhysicsData phys;
    phys.hasPhysicsMap = phys.hasParticleMap = true;
    phys.physicsMap = Pattern(6, 4, 8, Code);    // 6-byte rows, 8 as the editor pads them
    phys.particleMap = Pattern(5, 2, 24, Colour);  // 15-byte rows, 16 padded; widened to words
    w.Physics(phys);
    ASSERT_EQ(Load(w), 0);
    ASSERT_TRUE(PhysMapPresent());
    ASSERT_TRUE(PhysColourPresent());
    EXPECT_EQ(PhysSurfaceMap().rowBytes, 8u);
    EXPECT_EQ(PhysColourMap().rowBytes, 20u);
    const float cellX = 360.0f / 6, cellY = 360.0f / 4;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(PhysMapSample((x + 0.5f) * cellX, (y + 0.5f) * cellY), Code(x, y, 0)) << x << "," << y;
    // Clamped at the edges (wrap off).
    EXPECT_EQ(PhysMapSample(-50, -50), Code(0, 0, 0));
    EXPECT_EQ(PhysMapSample(1e4f, 1e4f), Code(5, 3, 0));
    const uint32_t c = PhysColourSample(3.5f * 72.0f, 1.5f * 180.0f);
    EXPECT_EQ(c, static_cast<uint32_t>(Colour(3, 1, 0)) | (Colour(3, 1, 1) << 8) | (Colour(3, 1, 2) << 16));
}

TEST_F(WorldMapsTest, WrappingPhysicsMapComesRoundWithinTenSteps) {
    WorldWriter w;
    w.Header(TestBounds());
    PhysicsData phys;
    phys.tileMaps = 1;
    phys.hasPhysicsMap = true;
    phys.physicsMap = Pattern(8, 8, 8, Code);
    w.Physics(phys);
    ASSERT_EQ(Load(w), 0);
    EXPECT_TRUE(PhysMapWraps());
    EXPECT_EQ(PhysMapSample(360.0f + 2 * 360.0f + 1.0f, 10.0f), PhysMapSample(1.0f, 10.0f));
    EXPECT_EQ(PhysMapSample(360.0f * 11 + 100.0f, 10.0f), PhysMapSample(0.0f, 10.0f));
}

TEST_F(WorldMapsTest, MapsOfTheWrongDepthOrSizeAreRefused) {
    struct Case {
        const char* what;
        DibPicture map;
    } cases[] = {
        {"surface map at 24 bits", Pattern(4, 4, 24, Colour)},
        {"no width", Pattern(0, 4, 8, Code)},
    };
    for (const Case& c : cases) {
        WorldWriter w;
        w.Header(TestBounds());
        PhysicsData phys;
        phys.hasPhysicsMap = true;
        phys.physicsMap = c.map;
        w.Physics(phys);
        ASSERT_EQ(Load(w), 0) << c.what;
        EXPECT_FALSE(PhysMapPresent()) << c.what;
        EXPECT_EQ(PhysMapSample(10, 10), 0) << c.what;
    }
}

TEST_F(WorldMapsTest, LightMapsRoundTripAndLightTheLandscape) {
    WorldWriter w;
    w.Header(TestBounds());
    w.Landscape(SmallLandscape([](uint32_t, uint32_t) { return 0.0f; }));
    LightMapData light;
    light.hasMap1 = light.hasMap2 = true;
    light.map1 = Pattern(4, 4, 8, Code);
    light.map2 = Pattern(9, 9, 8, [](int32_t x, int32_t, int) { return static_cast<uint8_t>(x * 20); });
    w.LightMap(light);
    ASSERT_EQ(Load(w), 0);
    EXPECT_EQ(LightMapVersion(), 1000u);
    EXPECT_EQ(LightMapSample(100.0f, 300.0f), Code(1, 3, 0));
    EXPECT_EQ(LightMapSample(-1.0f, -1.0f), Code(0, 0, 0));
    EXPECT_EQ(GroundLightSample(45.0f, 0.0f), 20);
    // Tile (1, 0) starts at x = 40: its bordered sample at column 1 lies at x = 40 (map column 1).
    const Landscape& l = CurrentLandscape();
    EXPECT_EQ(l.tiles[1].light[1 * (l.cx + 3) + 1], 20);
    EXPECT_EQ(l.tiles[0].light[1 * (l.cx + 3) + 1], 0);
}

TEST_F(WorldMapsTest, BrokenSecondLightMapFreesBoth) {
    WorldWriter w;
    w.Header(TestBounds());
    LightMapData light;
    light.hasMap1 = light.hasMap2 = true;
    light.map1 = Pattern(4, 4, 8, Code);
    light.map2 = Pattern(4, 4, 24, Colour);  // light maps are 8 bits
    w.LightMap(light);
    ASSERT_EQ(Load(w), 0);
    EXPECT_FALSE(LightMapPresent());
    EXPECT_FALSE(GroundLightPresent());
}

TEST_F(WorldMapsTest, CameraZonesRoundTripAndAnswerPoints) {
    WorldWriter w;
    std::vector<CameraRecordData> cams(2);
    cams[0] = {1, 2, 3, 4, 0, 0, 100, 100, 0.5f, 20, 1, 5, 1, 50, 0, 0.1f, 90};
    // Corners stored the other way round still make a box.
    cams[1] = {10, 20, 30, 5, 300, 300, 100, 100, 0, 0, 0, 0, 0, 0, 0, 0.2f, 60};
    w.Cameras(cams);
    ASSERT_EQ(Load(w), 0);
    ASSERT_EQ(CameraZoneCount(), 2u);
    const CameraZone* z = CameraZoneAt(0);
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->settings[0], 0.5f);
    uint32_t rangeOn;
    std::memcpy(&rangeOn, &z->settings[2], 4);
    EXPECT_EQ(rangeOn, 1u);
    EXPECT_EQ(z->settings[8], 90.0f);
    Vec3 out{};
    EXPECT_EQ(CameraZoneContains({0.0f, 50.0f, 0}, -1, &out), -1);  // on min x: outside
    EXPECT_EQ(CameraZoneContains({100.0f, 50.0f, 0}, -1, &out), 0);  // on max x: inside
    EXPECT_EQ(out.z, 7.0f);
    EXPECT_EQ(CameraZoneContains({100.0f, 100.0f, 0}, 0, &out), 0);
    EXPECT_EQ(CameraZoneContains({100.0f, 100.0f, 0}, -5, &out), 0);
    EXPECT_EQ(CameraZoneContains({200.0f, 200.0f, 0}, 0, &out), 1);
    EXPECT_EQ(out.x, 10.0f);
    EXPECT_EQ(out.z, 35.0f);
    EXPECT_EQ(CameraZoneAt(2), nullptr);
    WorldUnload();
    EXPECT_EQ(CameraZoneContains({200.0f, 200.0f, 0}, 0, &out), -1);
}

TEST_F(WorldMapsTest, CameraChunkOfAnotherVersionHasNoZones) {
    WorldWriter w;
    w.Raw(ChunkTag("CAMR"), {1, 0, 0, 0, 1, 0, 0, 0});
    ASSERT_EQ(Load(w), 0);
    EXPECT_EQ(CameraZoneCount(), 0u);
}

}  // namespace
}  // namespace kes::test
