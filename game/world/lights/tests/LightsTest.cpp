#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "game/core/objects/Objects.h"
#include "game/world/lights/Lights.h"

namespace kes {
namespace {

const Matrix4 kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

class LightsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const float box[6] = {-4100, -4100, -2000, 8100, 8100, 7000};
        ASSERT_EQ(InitObjects(0, 1, 1, 1, box), 0);
        ASSERT_EQ(LightListCreate(4096, 16), 0);
    }
    void TearDown() override {
        while (GetLightCount()) RemoveLight(GetLight(0));
        LightListFree();
        FreeObjects();
    }
    static LightDesc Ambient(float intensity, float grey = 255) {
        LightDesc d;
        d.name = "Ambient Light";
        d.red = d.green = d.blue = grey;
        d.intensity = intensity;
        return d;
    }
    // A point light above the origin.
    static LightDesc Point(float z, float inner, float outer, float intensity = 1.0f) {
        LightDesc d;
        d.name = "Sun";
        d.type = kLightPoint;
        d.position = {0, 0, z};
        d.direction = {0, 0, -1};
        d.intensity = intensity;
        d.innerRange = inner;
        d.outerRange = outer;
        return d;
    }
    static uint32_t LightOne(const SourceVertex& v, uint32_t alpha = 255, const Matrix4& m = kIdentity) {
        uint32_t c = 0;
        LightMeshVertices(m, 1.0f, &v, &c, 1, alpha);
        return c;
    }
};

TEST_F(LightsTest, WithoutLightsEveryVertexGetsOnlyItsAlpha) {
    const SourceVertex v{0, 0, 0, 0, 0, 1, 0, 0};
    EXPECT_EQ(LightOne(v, 0x80), 0x80000000u);
    Light* l = nullptr;
    ASSERT_EQ(AddLight(Ambient(0.0f), &l), 0);  // intensity 0: ignored entirely
    EXPECT_EQ(LightOne(v, 0x80), 0x80000000u);
}

TEST_F(LightsTest, AmbientLightsAddUpAndClampAtFull) {
    const SourceVertex v{0, 0, 0, 0, 0, 1, 0, 0};
    ASSERT_EQ(AddLight(Ambient(0.4f), nullptr), 0);
    EXPECT_EQ(LightOne(v), 0xFF666666u);  // 255 x 0.4 = 102
    ASSERT_EQ(AddLight(Ambient(0.4f), nullptr), 0);
    EXPECT_EQ(LightOne(v), 0xFFCCCCCCu);
    ASSERT_EQ(AddLight(Ambient(0.4f), nullptr), 0);
    EXPECT_EQ(LightOne(v), 0xFFFFFFFFu);
}

TEST_F(LightsTest, PointLightWeightsFollowTheRanges) {
    struct Case {
        const char* what;
        SourceVertex v;
        float expected;  // fraction of the full colour
    };
    // Light 10 above the origin, inner range 5, outer 20: falloff 1 / (20^4 - 5^4).
    const float falloff = 1.0f / (160000.0f - 625.0f);
    const Case cases[] = {
        {"facing, inside the inner range", {0, 0, 6, 0, 0, 1, 0, 0}, 1.0f},
        {"facing, between the ranges", {0, 0, 0, 0, 0, 1, 0, 0}, (100.0f - 25.0f) * falloff},
        {"facing away", {0, 0, 6, 0, 0, -1, 0, 0}, 0.0f},
        {"at a slant inside", {0, 0, 7, 0, 0.6f, 0.8f, 0, 0}, 0.8f},
        {"beyond the outer range", {0, 0, -15, 0, 0, 1, 0, 0}, 0.0f},
    };
    ASSERT_EQ(AddLight(Point(10, 5, 20, 1.0f), nullptr), 0);
    for (const Case& c : cases) {
        const uint32_t colour = LightOne(c.v);
        EXPECT_NEAR(static_cast<float>(colour & 0xFF), 255.0f * c.expected, 0.51f) << c.what;
    }
}

TEST_F(LightsTest, PointLightOutOfReachOfTheObjectDoesNotCount) {
    ASSERT_EQ(AddLight(Point(100, 10, 20), nullptr), 0);
    const SourceVertex v{0, 0, 0, 0, 0, 1, 0, 0};
    uint32_t c = 0;
    EXPECT_FALSE(LightMeshVertices(kIdentity, 1.0f, &v, &c, 1, 255));
    EXPECT_EQ(c, 0xFF000000u);
    // With a bigger radius the reach includes the light: it counts, though it lights nothing here.
    EXPECT_TRUE(LightMeshVertices(kIdentity, 90.0f, &v, &c, 1, 255));
}

TEST_F(LightsTest, ObjectRotationTurnsTheLightIntoItsOwnSpace) {
    ASSERT_EQ(AddLight(Point(10, 50, 50), nullptr), 0);
    // Turned a quarter about x: the model's +y now points up, the world's +z.
    Matrix4 m = kIdentity;
    m.m[5] = 0, m.m[6] = 1, m.m[9] = -1, m.m[10] = 0;
    EXPECT_EQ(LightOne({0, 0, 0, 0, 1, 0, 0, 0}, 255, m) & 0xFF, 255u);
    EXPECT_EQ(LightOne({0, 0, 0, 0, 0, 1, 0, 0}, 255, m) & 0xFF, 0u);
}

TEST_F(LightsTest, MirroredObjectIsLitOnTheSideThatFacesTheLight) {
    // Placed objects are mirrored in x: the model's +x face stands on the world's -x side.
    LightDesc d = Point(0, 500, 500);
    d.position = {-100, 0, 0};
    ASSERT_EQ(AddLight(d, nullptr), 0);
    Matrix4 m = kIdentity;
    m.m[0] = -1;
    EXPECT_EQ(LightOne({1, 0, 0, 1, 0, 0, 0, 0}, 255, m) & 0xFF, 255u);
    EXPECT_EQ(LightOne({-1, 0, 0, -1, 0, 0, 0, 0}, 255, m) & 0xFF, 0u);
}

TEST_F(LightsTest, VerticalDirectionsGiveFiniteLightMatrices) {
    for (float dz : {1.0f, -1.0f}) {
        LightDesc d = Point(500, 100, 100);
        d.direction = {0, 0, dz};
        Light* l = nullptr;
        ASSERT_EQ(AddLight(d, &l), 0);
        Matrix4 m;
        GetObjectMatrix(l->object, &m);
        for (float f : m.m) EXPECT_TRUE(std::isfinite(f)) << dz;
        EXPECT_FLOAT_EQ(m.m[6], dz);  // row 1 is the direction
        EXPECT_FLOAT_EQ(m.m[14], 500.0f);
        EXPECT_TRUE(std::isfinite(l->falloff));
    }
}

TEST_F(LightsTest, FullTableRefusesWithoutLeakingASceneObject) {
    const uint32_t before = LiveObjectCount();
    for (int i = 0; i < 16; ++i) ASSERT_EQ(AddLight(Ambient(0.1f), nullptr), 0) << i;
    EXPECT_EQ(LiveObjectCount(), before + 16);
    Light* l = reinterpret_cast<Light*>(1);
    EXPECT_EQ(AddLight(Ambient(0.1f), &l), kLightOutOfMemory);
    EXPECT_EQ(l, reinterpret_cast<Light*>(1));
    EXPECT_EQ(GetLightCount(), 16u);
    EXPECT_EQ(LiveObjectCount(), before + 16);
}

TEST_F(LightsTest, RemovingTheFirstOfThreeKeepsTheOthersInOrder) {
    Light* lights[3];
    for (auto& l : lights) ASSERT_EQ(AddLight(Ambient(0.1f), &l), 0);
    EXPECT_EQ(RemoveLight(lights[0]), 0);
    ASSERT_EQ(GetLightCount(), 2u);
    EXPECT_EQ(GetLight(0), lights[1]);
    EXPECT_EQ(GetLight(1), lights[2]);
    EXPECT_EQ(lights[0]->type, kLightFree);
    EXPECT_EQ(RemoveLight(lights[0]), 1);  // no longer in the table: nothing changes
    EXPECT_EQ(GetLightCount(), 2u);
    // Its record is free for the next light.
    Light* again = nullptr;
    ASSERT_EQ(AddLight(Ambient(0.2f), &again), 0);
    EXPECT_EQ(again, lights[0]);
}

TEST_F(LightsTest, IntensityChangeRecomputesTheProducts) {
    Light* l = nullptr;
    ASSERT_EQ(AddLight(Ambient(1.0f, 200), &l), 0);
    SetLightIntensity(l, 0.5f);
    EXPECT_FLOAT_EQ(l->litRed, 100.0f);
    EXPECT_EQ(LightOne({0, 0, 0, 0, 0, 1, 0, 0}), 0xFF646464u);
}

TEST_F(LightsTest, MoreVerticesThanTheWorkSizeAreAllLit) {
    LightListFree();
    ASSERT_EQ(LightListCreate(64, 16), 0);
    ASSERT_EQ(AddLight(Ambient(0.4f), nullptr), 0);
    std::vector<SourceVertex> vertices(5000, SourceVertex{0, 0, 0, 0, 0, 1, 0, 0});
    std::vector<uint32_t> colours(5000, 0);
    EXPECT_TRUE(LightMeshVertices(kIdentity, 1.0f, vertices.data(), colours.data(), 5000, 255));
    for (uint32_t c : colours) ASSERT_EQ(c, 0xFF666666u);
}

}  // namespace
}  // namespace kes
