// The world's effects drawn headless from fixed cameras with the generated content: the sky and
// the sun's flare (gone behind a placed object), dust thrown up behind a bike riding on dirt, and a
// box lit by the sun, bright on its sunny side and dark on the other. Each frame is written under
// the build folder as a PPM picture.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/objects/Objects.h"
#include "game/core/sprite/Sprites.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/lights/Lights.h"
#include "game/world/lights/ObjectPrelight.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/objects/tests/ObjectsWorld.h"
#include "game/world/particles/Particles.h"
#include "game/world/physics/tests/BikeTestSupport.h"
#include "game/world/sky/LensFlare.h"
#include "game/world/sky/Sky.h"
#include "platform/bytes/ByteIO.h"
#include "platform/gfx/GfxDevice.h"
#include "platform/sys/CrtRand.h"
#include "tools/contentgen/worldfx/WorldFxPictures.h"
#include "tools/packtool/PackWriter.h"

namespace kes::test {
namespace {

constexpr uint32_t kWidth = 320, kHeight = 240;
constexpr float kPi = 3.14159265f;

struct Rgb {
    int r, g, b;
};

// A bitmap file (bottom-up rows padded to 4 bytes, 8 or 24 bits) as the writer's picture.
DibPicture FromBmp(const std::vector<uint8_t>& bmp) {
    DibPicture p;
    const uint32_t offset = plat::LoadU32(&bmp[10]);
    p.width = static_cast<int32_t>(plat::LoadU32(&bmp[18]));
    p.height = static_cast<int32_t>(plat::LoadU32(&bmp[22]));
    p.bits = static_cast<uint16_t>(bmp[28] | (bmp[29] << 8));
    if (p.bits == 8)
        for (uint32_t i = 0; i < 256; ++i) p.table.push_back(plat::LoadU32(&bmp[54 + 4 * i]));
    const uint32_t packed = p.PackedRowBytes(), padded = p.PaddedRowBytes();
    for (int32_t r = 0; r < p.height; ++r)
        p.rows.insert(p.rows.end(), bmp.begin() + offset + r * padded, bmp.begin() + offset + r * padded + packed);
    return p;
}

TextureRecordData Texture(const char* name, const tools::PicturePair& pair, bool withAlpha) {
    TextureRecordData t{name, FromBmp(pair.colour)};
    if (withAlpha) {
        t.hasAlpha = true;
        t.alpha = FromBmp(pair.alpha);
    }
    return t;
}

// A box of side 2s, base on the ground, with a normal of its own on each face.
ObjectMeshData LitBox(const char* name, float s, float height) {
    ObjectMeshData m;
    m.name = name;
    const struct {
        Vec3 n, u, v;
    } faces[6] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
                  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}};
    for (const auto& f : faces) {
        const uint16_t base = static_cast<uint16_t>(m.vertices.size());
        for (int k = 0; k < 4; ++k) {
            const float a = (k & 1) ? 1.0f : -1.0f, b = (k & 2) ? 1.0f : -1.0f;
            const Vec3 p{f.n.x + a * f.u.x + b * f.v.x, f.n.y + a * f.u.y + b * f.v.y, f.n.z + a * f.u.z + b * f.v.z};
            // Normals are stored with y and z negated: the object reader turns them back.
            m.vertices.push_back({p.x * s, p.y * s, (p.z + 1.0f) * height / 2.0f, f.n.x, -f.n.y, -f.n.z, 0, 0});
        }
        for (int i : {0, 1, 2, 1, 3, 2}) m.faces.push_back(static_cast<uint16_t>(base + i));
    }
    return m;
}

void WritePpm(const std::string& name, const std::vector<uint8_t>& rgba) {
    std::FILE* f = std::fopen((std::string(GRAVELON_BINARY_DIR) + "/tests/" + name + ".ppm").c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%u %u\n255\n", kWidth, kHeight);
    for (size_t i = 0; i < rgba.size(); i += 4) std::fwrite(&rgba[i], 1, 3, f);
    std::fclose(f);
}

class EffectsScreenshot : public ::testing::Test {
protected:
    void SetUp() override {
        pack = TempPath(std::string("effects_pack_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        const tools::PicturePair flare = tools::LensFlarePicture(), dust = tools::ParticleAtlas(tools::ParticleLook::Dust);
        std::string error;
        ASSERT_TRUE(tools::WritePack(pack,
                                     {{"TEXTURES\\LENZ.BMP", flare.colour, false},
                                      {"TEXTURES\\LENZ-A.BMP", flare.alpha, false},
                                      {"Textures\\Particles\\dust.bmp", dust.colour, false},
                                      {"Textures\\Particles\\dust-a.bmp", dust.alpha, false}},
                                     &error))
            << error;
        ASSERT_EQ(MakeLoadCache(pack.c_str()), 1);
        EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
        ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kWidth, kHeight, 16, "effects",
                             kDeviceHidden | kDeviceNoVsync),
                  0);
        const float box[6] = {-4100, -4100, -2000, 8100, 8100, 7000};
        ASSERT_EQ(InitObjects(0, 1, 1, 1, box), 0);
        ASSERT_EQ(InitSprites(&TheRenderInterface(), 1024, kWidth, kHeight), 0);
    }
    void TearDown() override {
        WorldUnload();
        LensFlareFree();
        ParticlesFree();
        FreeSprites();
        LightListFree();
        FreeObjects();
        TheRenderInterface().viewProjection = nullptr;
        DeviceShutdown();
        while (TextureListHead()) DestroyTexture(TextureListHead()->name);
        FreeDeviceList();
        FreeLoadCache();
        std::remove(pack.c_str());
    }
    // Looking along +y from eye, tilted by pitch (negative: up).
    WorldView Look(const Vec3& eye, float pitch) {
        ViewProjection(eye, pitch, kWidth, kHeight, 1.0f, 3000.0f, vp.m);
        TheRenderInterface().viewProjection = &vp;
        WorldView view;
        view.eye = eye;
        view.groundMinX = view.groundMinY = 0, view.groundMaxX = view.groundMaxY = 1999;
        for (Vec4& p : view.planes) p = {0, 0, 0, 1e9f};
        view.forward = {0, std::cos(pitch), -std::sin(pitch)};
        view.verticalFov = kPi / 2;  // the test projection's focal length is half the height
        view.farPlane = 3000.0f;
        view.screenWidth = kWidth, view.screenHeight = kHeight;
        return view;
    }
    void BeginFrame() {
        RenderInterface& r = TheRenderInterface();
        r.BeginScene();
        DisplayGfx()->ClearColour({0, 0, static_cast<int>(kWidth), static_cast<int>(kHeight)}, 0xFF000000);
        r.ClearDepth();
        r.SetState(plat::rs::kZEnable, 1);
        r.SetState(plat::rs::kCullMode, plat::rs::kCullNone);
    }
    std::vector<uint8_t> EndFrame(const char* name) {
        TheRenderInterface().EndScene();
        std::vector<uint8_t> pixels = RenderReadBackBuffer();
        EXPECT_EQ(pixels.size(), kWidth * kHeight * 4u);
        WritePpm(name, pixels);
        return pixels;
    }
    static Rgb Around(const std::vector<uint8_t>& rgba, int x, int y, int reach = 1) {
        long r = 0, g = 0, b = 0, n = 0;
        for (int yy = y - reach; yy <= y + reach; ++yy)
            for (int xx = x - reach; xx <= x + reach; ++xx, ++n) {
                const uint8_t* p = &rgba[(static_cast<size_t>(yy) * kWidth + static_cast<size_t>(xx)) * 4];
                r += p[0], g += p[1], b += p[2];
            }
        return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)};
    }
    static ScreenVertex Project(const Vec3& p) {
        SourceVertex v{p.x, p.y, p.z, 0, 0, 1, 0, 0};
        ScreenVertex s{};
        TheRenderInterface().TransformVertices(nullptr, &s, 1, &v, 0, nullptr, 2);
        return s;
    }
    std::string pack;
    Matrix4 vp;
};

std::vector<uint8_t> SkyWorld(bool blocker, const Vec3& sun) {
    WorldWriter w;
    const WorldBounds b{0, 0, 0, 2000, 2000, 500};
    w.Header(b);
    w.Landscape(FlatLandscape(b, 0x86, 0xa8, 0x46));
    InfoData info;
    info.sun[0] = 255, info.sun[1] = 230, info.sun[2] = 170;
    info.sunPosition[0] = sun.x, info.sunPosition[1] = sun.y, info.sunPosition[2] = sun.z;
    w.Info(info);
    SkyData sky;
    sky.textures.push_back(Texture("hills.bmp", tools::SkyHorizonPicture(false), true));
    sky.textures.push_back(Texture("clouds.bmp", tools::SkyLayerPicture(false), false));
    sky.wallTexture = 0;
    sky.overheadTexture = 1;
    sky.wallTiles = 4.0f;
    sky.overheadTiles = 2.0f;
    sky.wallWidth = 320.0f;
    sky.overheadWidth = 512.0f;
    sky.horizonAdjust = 12.0f;
    w.Sky(sky);
    if (blocker) {
        ObjectsData objects;
        objects.textures.push_back({"wall.bmp", DibPicture::Solid(8, 8, 140, 60, 40)});
        objects.types.push_back(LitBox("wall", 12.0f, 160.0f));
        objects.types[0].texture = 1;
        ObjectInstanceData in;
        in.x = sun.x, in.y = 400, in.id = 1;
        objects.instances.push_back(in);
        objects.sounds1 = objects.sounds2 = {"None"};
        w.Objects(objects);
    }
    return w.Finish();
}

TEST_F(EffectsScreenshot, SkyAndSunWithItsFlareUntilAPlacedObjectHidesIt) {
    RenderInterface& r = TheRenderInterface();
    const Vec3 sun{1000, 1800, 420}, eye{1000, 100, 30};
    for (bool blocker : {false, true}) {
        ASSERT_EQ(LoadBytes(SkyWorld(blocker, sun), &r, "sky"), 0);
        ASSERT_NE(SkyTextureHandle(0), 0u);
        LensFlareLoad(&r);
        ASSERT_NE(LensFlareTexture(), 0u);
        const WorldView view = Look(eye, -0.12f);
        BeginFrame();
        WorldRender(view);
        LensFlareDraw(view);
        const bool drawn = LensFlareDrawn();
        const std::vector<uint8_t> px = EndFrame(blocker ? "effects_sky_hidden_sun" : "effects_sky_flare");
        const ScreenVertex s = Project(sun);
        ASSERT_GT(s.sx, 20.0f);
        ASSERT_LT(s.sy, kHeight / 2.0f);
        const Rgb atSun = Around(px, static_cast<int>(s.sx), static_cast<int>(s.sy));
        // The sky fills the top rows: blue above, lighter towards the horizon.
        const Rgb top = Around(px, 40, 3, 2);
        EXPECT_GT(top.b, top.r + 30) << top.r << " " << top.g << " " << top.b;
        // The ground below, in its green.
        const Rgb ground = Around(px, 40, kHeight - 10, 2);
        EXPECT_GT(ground.g, ground.b + 40);
        // Hills of the horizon backdrop stand just above the ground's far edge.
        const ScreenVertex edge = Project({1000, 1999, 0});
        const Rgb hills = Around(px, 60, static_cast<int>(edge.sy) - 4);
        EXPECT_LT(hills.b, top.b - 30) << hills.r << " " << hills.g << " " << hills.b;
        if (!blocker) {
            EXPECT_TRUE(drawn);
            EXPECT_GT(atSun.r, 235);
            EXPECT_GT(atSun.g, 200);
        } else {
            EXPECT_FALSE(drawn);
            EXPECT_GT(atSun.r, atSun.b + 40) << atSun.r << " " << atSun.g << " " << atSun.b;  // the wall's red-brown
            EXPECT_LT(atSun.g, 150);
        }
        LensFlareFree();
        WorldUnload();
    }
}

TEST_F(EffectsScreenshot, DustFliesUpBehindABikeOnDirt) {
    RenderInterface& r = TheRenderInterface();
    WorldWriter w;
    const WorldBounds b{0, 0, 0, 2000, 2000, 500};
    w.Header(b);
    w.Landscape(FlatLandscape(b, 0x7a, 0x52, 0x30));
    // The dust takes its colour from the physics map's colour map: dry light dirt.
    PhysicsData phys;
    phys.hasPhysicsMap = true;
    phys.physicsMap = DibPicture::Grey(16, 16, 16);
    phys.hasParticleMap = true;
    phys.particleMap = DibPicture::Solid(16, 16, 0xd2, 0xb4, 0x7c);
    w.Physics(phys);
    ASSERT_EQ(LoadBytes(w.Finish(), &r, "dust"), 0);
    ASSERT_EQ(ParticlesInit(&r, 512), 0);
    FlatGround dirt(0.0f, 16);
    TestBike t(&dirt, BikeParams{}, {1000, 200, 3});
    ParticleEmitterState state;
    plat::CrtSrand(9);
    for (int frame = 0; frame < 50; ++frame) {
        ParticlesUpdate(40);
        t.Run(8, [&](BikeBody& bike, int) {
            bike.controls[kControlThrottle] = 1;
            ParticlesEmitFromBike(bike, state, nullptr);
        });
    }
    ASSERT_GT(ParticleListCount(2), 5u);
    const Vec3 c = t.bike->centre;
    const WorldView view = Look({c.x, c.y - 60.0f, c.z + 14.0f}, 0.2f);
    BeginFrame();
    WorldRender(view);
    ParticlesDraw(view, &r);
    EXPECT_GT(ParticlesDrawn(), 5u);
    const std::vector<uint8_t> px = EndFrame("effects_dust");
    // Light dust over the dark dirt, low on the screen and about the bike's line (the chase view
    // looks at its back), not in the sky.
    const Rgb ground = Around(px, 20, kHeight - 6, 3);
    const ScreenVertex bike = Project({c.x, c.y, 0.0f});
    long count = 0, sumX = 0;
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            const uint8_t* p = &px[(static_cast<size_t>(y) * kWidth + x) * 4];
            if (p[0] + p[1] + p[2] > ground.r + ground.g + ground.b + 90) {
                ++count;
                sumX += x;
                EXPECT_GT(y, kHeight / 3);
            }
        }
    ASSERT_GT(count, 100);
    EXPECT_NEAR(static_cast<float>(sumX) / static_cast<float>(count), bike.sx, 20.0f);
}

TEST_F(EffectsScreenshot, PrelitBoxIsDarkerInShadowThanInTheSun) {
    RenderInterface& r = TheRenderInterface();
    WorldWriter w;
    const WorldBounds b{0, 0, 0, 2000, 2000, 500};
    w.Header(b);
    w.Landscape(FlatLandscape(b, 0x5e, 0x5a, 0x55));
    ObjectsData objects;
    objects.textures.push_back({"white.bmp", DibPicture::Solid(8, 8, 255, 255, 255)});
    objects.types.push_back(LitBox("shed", 10.0f, 20.0f));
    objects.types[0].texture = 1;
    ObjectInstanceData in;
    in.x = 980, in.y = 300, in.id = 1;
    objects.instances.push_back(in);
    objects.sounds1 = objects.sounds2 = {"None"};
    w.Objects(objects);
    ASSERT_EQ(LightListCreate(4096, 16), 0);
    // The race's two lights: a dim ambient and the sun off to the east (+x), low.
    LightDesc ambient;
    ambient.name = "Ambient Light";
    ambient.intensity = 0.25f;
    ASSERT_EQ(AddLight(ambient, nullptr), 0);
    LightDesc sunLight;
    sunLight.name = "Sun";
    sunLight.type = kLightPoint;
    sunLight.position = {1800, 300, 200};
    sunLight.direction = {0, 0, -1};
    sunLight.red = 255, sunLight.green = 220, sunLight.blue = 160;
    sunLight.innerRange = sunLight.outerRange = 10000.0f;
    ASSERT_EQ(AddLight(sunLight, nullptr), 0);
    InstallObjectPrelight();
    ASSERT_EQ(LoadBytes(w.Finish(), &r, "prelit"), 0);
    WorldObjectsPrelight();
    SetObjectPrelight(nullptr);
    ASSERT_FALSE(PlacedObjects().empty());
    ASSERT_FALSE(PlacedObjects()[0].colours.empty());
    // The camera stands south-east of the box: its south face (lit by the ambient light alone) and
    // its east face (turned to the sun) are both in view.
    const WorldView view = Look({1020, 250, 14}, 0.05f);
    BeginFrame();
    WorldRender(view);
    const std::vector<uint8_t> px = EndFrame("effects_prelit_box");
    const ScreenVertex southFace = Project({980, 290, 10}), eastFace = Project({990, 300, 10});
    const Rgb shade = Around(px, static_cast<int>(southFace.sx), static_cast<int>(southFace.sy), 2);
    const Rgb sunny = Around(px, static_cast<int>(eastFace.sx), static_cast<int>(eastFace.sy), 1);
    EXPECT_GT(sunny.r + sunny.g + sunny.b, shade.r + shade.g + shade.b + 150)
        << sunny.r << " " << sunny.g << " " << sunny.b << " / " << shade.r << " " << shade.g << " " << shade.b;
    EXPECT_GT(shade.r, 30);  // the ambient light still shows the shaded face
    while (GetLightCount()) RemoveLight(GetLight(0));
}

}  // namespace
}  // namespace kes::test
