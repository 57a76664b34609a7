// Pictures of the generated bike with its rider, drawn headless by the real display layer: from the
// side and from behind, riding, leaning back, leaning forward, steering, and fallen off (the rider
// body's particles bending the skeleton). Each picture is written under the build folder
// (tests/models/*.png) and checked by region: the bike's and the rider's shapes cover the places
// they should, in their skins' colours.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/maths/FastMath.h"
#include "game/core/maths/MatMath.h"
#include "game/core/maths/VecMath.h"
#include "game/core/sprite/Sprites.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/models/tests/GeneratedModels.h"
#include "platform/gfx/GfxDevice.h"
#include "platform/gfx/GfxStates.h"

namespace kes::test {
namespace {

constexpr uint32_t kWidth = 640, kHeight = 480;
constexpr uint32_t kSky = 0xFF5A7896;
constexpr int kSkyR = 0x5A, kSkyG = 0x78, kSkyB = 0x96;

struct Rgb {
    int r, g, b;
    bool Sky() const { return std::abs(r - kSkyR) + std::abs(g - kSkyG) + std::abs(b - kSkyB) < 30; }
    bool Dark() const { return r < 90 && g < 90 && b < 90; }
    bool Orange() const { return r > 170 && g > 70 && g < 180 && b < 90; }   // bike skin 1
    bool Blue() const { return b > r + 60 && b > g + 20; }                  // rider skin 2
};

// A camera at eye looking at target with a focal length in pixels, as the game's view-projection
// matrix: screen x, depth and screen y in columns 0, 1 and 2, the distance in column 3.
struct Camera {
    Matrix4 m;
    Camera(Vec3 eye, Vec3 target, float focal) {
        Vec3 f{target.x - eye.x, target.y - eye.y, target.z - eye.z}, up{0, 0, 1}, r, u;
        Vec3Normalize(&f);
        Vec3Cross(&f, &up, &r);
        Vec3Normalize(&r);
        Vec3Cross(&r, &f, &u);
        const float nearZ = 0.5f, farZ = 500.0f, a = farZ / (farZ - nearZ), b = -nearZ * farZ / (farZ - nearZ);
        const float hw = kWidth / 2.0f, hh = kHeight / 2.0f;
        const float axes[3][3] = {{r.x, u.x, f.x}, {r.y, u.y, f.y}, {r.z, u.z, f.z}};
        for (int i = 0; i < 3; ++i) {
            m.m[i * 4 + 0] = focal * axes[i][0] + hw * axes[i][2];
            m.m[i * 4 + 1] = a * axes[i][2];
            m.m[i * 4 + 2] = -focal * axes[i][1] + hh * axes[i][2];
            m.m[i * 4 + 3] = axes[i][2];
        }
        const float er = -Vec3Dot(&eye, &r), eu = -Vec3Dot(&eye, &u), ef = -Vec3Dot(&eye, &f);
        m.m[12] = focal * er + hw * ef;
        m.m[13] = a * ef + b;
        m.m[14] = -focal * eu + hh * ef;
        m.m[15] = ef;
    }
    // Pixel of a world point.
    bool Pixel(Vec3 p, int* x, int* y) const {
        const Vec4 in{p.x, p.y, p.z, 1.0f};
        Vec4 out;
        Vec4MulMat4(&m, &in, &out);
        if (out.w <= 0) return false;
        *x = static_cast<int>(out.x / out.w), *y = static_cast<int>(out.z / out.w);
        return *x >= 1 && *y >= 1 && *x < static_cast<int>(kWidth) - 1 && *y < static_cast<int>(kHeight) - 1;
    }
};

Vec3 Place(const Matrix4& m, Vec3 p) {
    const Vec4 in{p.x, p.y, p.z, 1.0f};
    Vec4 out;
    Vec4MulMat4(&m, &in, &out);
    return {out.x, out.y, out.z};
}

enum class Pose { kRiding, kLeanBack, kLeanForward, kSteer, kCrash };
const char* PoseName(Pose p) {
    switch (p) {
        case Pose::kRiding: return "riding";
        case Pose::kLeanBack: return "lean_back";
        case Pose::kLeanForward: return "lean_forward";
        case Pose::kSteer: return "steer";
        case Pose::kCrash: return "crash";
    }
    return "";
}

class ModelPicturesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitTrigTables();
        std::string error;
        ASSERT_TRUE(OpenGeneratedModelsPack(&error)) << error;
        EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
        ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kWidth, kHeight, 16, "models",
                             kDeviceHidden | kDeviceNoVsync),
                  0);
        RenderInterface& r = TheRenderInterface();
        ASSERT_EQ(InitSprites(&r, 256, kWidth, kHeight), 0);
        ASSERT_EQ(LoadBikeModels(bikes, &r, true), 0);
        ASSERT_EQ(LoadRider(rider, &r), 0);
        std::filesystem::create_directories(Folder());
    }
    static void TearDownTestSuite() {
        FreeRider(rider);
        FreeBikeModels(bikes);
        FreeSprites();
        TheRenderInterface().viewProjection = nullptr;
        DeviceShutdown();
        while (TextureListHead()) DestroyTexture(TextureListHead()->name);
        FreeDeviceList();
        CloseGeneratedModelsPack();
    }
    static std::string Folder() { return std::string(GRAVELON_BINARY_DIR) + "/tests/models"; }

    // Draws the scene and keeps the picture; behind: seen from the chase camera's place.
    void Draw(bool behind, Pose pose) {
        RenderInterface& r = TheRenderInterface();
        MatIdentity(&block.bikeMatrix);
        if (!behind) {
            // Forward along world x, the exhaust side toward the camera.
            block.bikeMatrix.m[0] = 0, block.bikeMatrix.m[1] = -1;
            block.bikeMatrix.m[4] = 1, block.bikeMatrix.m[5] = 0;
        }
        const Vec3 rearAxle = behind ? Vec3{0, -2.5f, 1.2f} : Vec3{-2.5f, 0, 1.2f};
        block.bikeMatrix.m[12] = rearAxle.x, block.bikeMatrix.m[13] = rearAxle.y, block.bikeMatrix.m[14] = rearAxle.z;
        const float steer = pose == Pose::kSteer ? 0.8f : 0.0f;
        const float parts[5] = {-steer, 0.05f, 0.4f, 0.7f, 0.16f};
        std::copy(parts, parts + 5, block.parts);
        block.bikeSkin = 0;
        block.bodyModel = 1;
        camera = behind ? Camera({1.5f, -15.0f, 6.5f}, {0, 0, 3.0f}, focal) : Camera({1.0f, -17.0f, 4.0f}, {0.5f, 0, 2.6f}, focal);
        r.viewProjection = &camera.m;
        auto instance = CreateRiderInstance(rider, 1);
        ASSERT_TRUE(instance);
        instance->poseOn = 1;
        instance->poseY = pose == Pose::kLeanBack ? -1.0f : pose == Pose::kLeanForward ? 1.0f : 0.0f;
        instance->poseSteer = steer;

        r.BeginScene();
        DisplayGfx()->ClearColour({0, 0, static_cast<int>(kWidth), static_cast<int>(kHeight)}, kSky);
        r.ClearDepth();
        r.SetState(plat::rs::kZEnable, 1);
        r.SetState(plat::rs::kCullMode, plat::rs::kCullNone);
        DrawBike(bikes, block, &r, pose == Pose::kRiding ? "RIDER" : nullptr, {0, 0, 0});
        UpdateRiderPose(rider, *instance, block.riderMatrix, pose == Pose::kCrash ? nullptr : &r);
        if (pose == Pose::kCrash) {
            // Seeded from the riding skeleton as the crash does, then thrown down beside the bike: the
            // body on its side on the ground, one arm flung up.
            for (uint32_t i = 0; i < kRiderParticleCount; ++i)
                particles[i] = Place(block.riderMatrix, GetRiderNodePosition(rider, i, *instance));
            const Vec3 pelvis = particles[2];
            const Vec3 along{0, 1, 0};  // lying across the view, seen at full length
            const Vec3 aside = behind ? Vec3{3.5f, 1.0f, 0.0f} : Vec3{1.0f, -3.0f, 0.0f};
            for (Vec3& p : particles) {
                Vec3 d{p.x - pelvis.x, p.y - pelvis.y, p.z - pelvis.z}, t;
                Vec3RotateAxis(&along, &d, 1.45f, &t);
                p = {pelvis.x + t.x + aside.x, pelvis.y + t.y + aside.y, 0.6f + t.z};
            }
            const Vec3 shoulder = particles[1];
            for (uint32_t i : {5u, 6u}) {
                Vec3 d{particles[i].x - shoulder.x, particles[i].y - shoulder.y, particles[i].z - shoulder.z}, t;
                Vec3RotateAxis(&along, &d, -1.2f, &t);
                particles[i] = {shoulder.x + t.x, shoulder.y + t.y, shoulder.z + t.z};
            }
            DrawRider(rider, particles, *instance, &r);
        } else {
            for (uint32_t i = 0; i < kRiderParticleCount; ++i)
                particles[i] = Place(block.riderMatrix, GetRiderNodePosition(rider, i, *instance));
        }
        r.EndScene();
        pixels = RenderReadBackBuffer();
        ASSERT_EQ(pixels.size(), kWidth * kHeight * 4u);
        const std::string path =
            Folder() + "/" + (behind ? "behind_" : "side_") + PoseName(pose) + (focal < 900.0f ? "_far" : "") + ".png";
        stbi_write_png(path.c_str(), kWidth, kHeight, 4, pixels.data(), static_cast<int>(kWidth * 4));
        FreeRiderInstance(rider, instance);
    }

    Rgb At(Vec3 world) const {
        int x = 0, y = 0;
        if (!camera.Pixel(world, &x, &y)) return {-1000, -1000, -1000};
        long r = 0, g = 0, b = 0;
        for (int yy = y - 1; yy <= y + 1; ++yy)
            for (int xx = x - 1; xx <= x + 1; ++xx) {
                const uint8_t* p = &pixels[(static_cast<size_t>(yy) * kWidth + static_cast<size_t>(xx)) * 4];
                r += p[0], g += p[1], b += p[2];
            }
        return {static_cast<int>(r / 9), static_cast<int>(g / 9), static_cast<int>(b / 9)};
    }
    Vec3 Bike(Vec3 p) const { return Place(block.bikeMatrix, p); }
    // Share of points along a segment that something covers.
    float Covered(Vec3 a, Vec3 b) const {
        int hits = 0;
        for (int i = 0; i <= 10; ++i) {
            const float t = i / 10.0f;
            hits += !At({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t}).Sky();
        }
        return hits / 11.0f;
    }
    static Vec3 Mid(Vec3 a, Vec3 b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}; }

    void CheckBike(bool behind) {
        // Tyres at the wheels' tops, dark; the frame between the wheels covered.
        for (float y : {0.0f, 5.0f}) {
            if (behind && y > 0) continue;  // the front tyre hides behind the rider
            const Rgb tyre = At(Bike({0, y, 1.0f}));
            EXPECT_TRUE(tyre.Dark()) << "tyre at " << y << ": " << tyre.r << " " << tyre.g << " " << tyre.b;
        }
        if (!behind) {
            for (Vec3 p : {Vec3{0.6f, 3.85f, 2.3f}, Vec3{0.3f, 0, -0.12f}}) {  // shroud, rear hub
                const Rgb c = At(Bike(p));
                EXPECT_TRUE(c.Orange()) << p.y << ": " << c.r << " " << c.g << " " << c.b;
            }
            EXPECT_GT(Covered(Bike({0, 0.8f, 1.8f}), Bike({0, 3.9f, 1.8f})), 0.9f);
        } else {
            EXPECT_GT(Covered(Bike({0, 0, -1.1f}), Bike({0, 0, 1.1f})), 0.8f);  // rear wheel upright
        }
    }
    void CheckRider(bool behind) {
        // The torso from pelvis to neck is covered; the helmet shows the rider's colour.
        EXPECT_GT(Covered(particles[2], particles[11]), 0.8f);
        EXPECT_GT(Covered(particles[7], particles[8]), 0.6f);  // a shin
        Vec3 helmet = Mid(particles[11], particles[12]);
        helmet.z += 0.1f;
        if (behind) helmet.x += 0.2f;
        const Rgb c = At(helmet);
        EXPECT_TRUE(c.Blue()) << "helmet: " << c.r << " " << c.g << " " << c.b;
    }

    static BikeModelSet bikes;
    static RiderModel rider;
    BikeDrawBlock block{};
    float focal = 900.0f;  // pixels
    Camera camera{{0, -1, 0}, {0, 0, 0}, 1};
    Vec3 particles[kRiderParticleCount];
    std::vector<uint8_t> pixels;
};
BikeModelSet ModelPicturesTest::bikes;
RiderModel ModelPicturesTest::rider;

TEST_F(ModelPicturesTest, BikeAndRiderFromTheSideAndBehind) {
    for (bool behind : {false, true})
        for (Pose pose : {Pose::kRiding, Pose::kLeanBack, Pose::kLeanForward, Pose::kSteer}) {
            SCOPED_TRACE(std::string(behind ? "behind " : "side ") + PoseName(pose));
            Draw(behind, pose);
            CheckBike(behind);
            CheckRider(behind);
            // Nothing strays into the picture's corners.
            EXPECT_TRUE(At(Place(block.bikeMatrix, {0, 0, 0})).r != -1000);
        }
}

TEST_F(ModelPicturesTest, PosesMoveTheRider) {
    Draw(false, Pose::kLeanBack);
    const Vec3 backNeck = particles[11];
    Draw(false, Pose::kLeanForward);
    const Vec3 forwardNeck = particles[11];
    // From the side the bike runs along world x: leaning forward puts the neck well ahead.
    EXPECT_GT(forwardNeck.x - backNeck.x, 0.8f);
}

TEST_F(ModelPicturesTest, FallenRiderLiesBesideTheBike) {
    for (bool behind : {false, true}) {
        SCOPED_TRACE(behind ? "behind" : "side");
        Draw(behind, Pose::kCrash);
        CheckBike(behind);
        EXPECT_GT(Covered(particles[2], particles[11]), 0.8f);
        EXPECT_GT(Covered(particles[9], particles[10]), 0.6f);
        for (const Vec3& p : particles) EXPECT_LT(p.z, 3.0f);  // lying, not seated
        const Rgb c = At(Mid(particles[11], particles[12]));
        EXPECT_TRUE(c.Blue() || (c.r > 200 && c.g > 200 && c.b > 200)) << c.r << " " << c.g << " " << c.b;
    }
}

TEST_F(ModelPicturesTest, NameLabelAboveTheBike) {
    focal = 450.0f;  // the label stands high above the bike
    Draw(false, Pose::kRiding);
    // White glyph pixels above the bike where the label's point lands.
    int x = 0, y = 0;
    ASSERT_TRUE(camera.Pixel(Bike({0, 2.5f, 6.0f}), &x, &y));
    int white = 0;
    for (int yy = y - 10; yy < y; ++yy)
        for (int xx = x - 20; xx < x + 20; ++xx) {
            const uint8_t* p = &pixels[(static_cast<size_t>(yy) * kWidth + static_cast<size_t>(xx)) * 4];
            white += p[0] > 180 && p[1] > 180 && p[2] > 180;
        }
    EXPECT_GT(white, 15) << x << " " << y;
}

}  // namespace
}  // namespace kes::test
