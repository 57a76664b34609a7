#include <gtest/gtest.h>

#include <cfloat>
#include <vector>

#include "game/world/physics/BikeContacts.h"
#include "game/world/physics/tests/BikeTestSupport.h"

namespace kes {
namespace {

class SoundEvents : public RecordingEvents {
public:
    void OnEffectSound(int32_t effect, int volume, const Vec3&) override { effects.push_back({effect, volume}); }
    std::vector<std::pair<int32_t, int>> effects;
};

class BikeContactsTest : public ::testing::Test {
protected:
    BikeContactsTest() : ground(0.0f), bike(&ground) { bike.bike->env.events = &events; }
    // A touch of sphere i against a surface facing +y at the particle, with the particle moving at
    // speed v into it.
    SurfaceContact Hit(uint32_t i, float v, int32_t soundA = 3, float limit = FLT_MAX) {
        Particle& p = b().body.particles[i < 4 ? i : 0];
        p.velocity = {0, -v, 0};
        SurfaceContact c;
        c.sphereIndex = i;
        c.sphere = &spheres[i];
        c.point = p.position;
        c.normal = {0, 1, 0};
        c.approachLimit = limit;
        c.soundA = soundA;
        c.soundB = 7;
        return c;
    }
    BikeBody& b() { return *bike.bike; }
    FlatGround ground;
    TestBike bike;
    SoundEvents events;
    ObjectSphere spheres[kBikeSphereCount]{};
};

TEST_F(BikeContactsTest, SphereFourAndUnknownEventsChangeNothing) {
    PlaceBikeSpheres(b(), spheres);
    const Vec3 before = b().body.particles[0].position;
    SurfaceContact c = Hit(4, 50);
    EXPECT_EQ(OnBikeContact(b(), b().centre, kContactTouch, &c), 1);
    EXPECT_EQ(OnBikeContact(b(), b().centre, 9, &c), 1);
    EXPECT_EQ(b().body.particles[0].position.x, before.x);
    EXPECT_EQ(b().body.particles[0].velocity.y, -50.0f);
    EXPECT_EQ(b().riding, 1);
}

TEST_F(BikeContactsTest, TopParticlesEndRidingOnHardHitsOrWhenLyingOver) {
    struct Case {
        float upZ, impact;
        uint8_t riding;
    } cases[] = {{0.1f, 1.0f, 0}, {0.5f, 41.0f, 0}, {0.5f, 39.0f, 1}};
    for (const Case& k : cases) {
        b().riding = 1;
        b().up = {0, 0, k.upZ};
        SurfaceContact c = Hit(2, k.impact);
        OnBikeContact(b(), b().centre, kContactFace, &c);
        EXPECT_EQ(b().riding, k.riding) << k.upZ << " " << k.impact;
        // Placed on the surface, sliding along it.
        EXPECT_NEAR(b().body.particles[2].velocity.y, 0.0f, 1e-4f);
    }
}

TEST_F(BikeContactsTest, WheelsLandAndPlayTheEffectByImpact) {
    struct Case {
        float impact;
        int big, small;
        bool effect;
        int volume;
    } cases[] = {{5, 0, 0, false, 0}, {30, 0, 1, true, -1715}, {35, 0, 1, true, -1500}, {50, 1, 0, true, -858},
                 {70, 1, 0, true, 0}, {90, 1, 0, true, 0}};
    for (const Case& k : cases) {
        events = SoundEvents();
        b().body.particles[0].contactTimer = 0;
        b().riding = 1;
        SurfaceContact c = Hit(0, k.impact);
        OnBikeContact(b(), b().centre, kContactFace, &c);
        EXPECT_EQ(events.bigLandings, k.big) << k.impact;
        EXPECT_EQ(events.smallLandings, k.small) << k.impact;
        ASSERT_EQ(events.effects.size(), k.effect ? 1u : 0u) << k.impact;
        if (k.effect) {
            EXPECT_EQ(events.effects[0], std::make_pair(3, k.volume)) << k.impact;
        }
        EXPECT_EQ(b().surface.code, kContactSurfaceCode);
        EXPECT_EQ(b().body.particles[0].contactTimer, 20);
        EXPECT_EQ(b().skidSoundIndex, 7);
    }
}

TEST_F(BikeContactsTest, ApproachLimitLetsTheBikeThroughAtHalfSpeed) {
    b().meanVelocity = {0, -60, 0};
    SurfaceContact c = Hit(1, 60, -1, 50.0f);
    const Vec3 before = b().body.particles[1].position;
    OnBikeContact(b(), b().centre, kContactTouch, &c);
    EXPECT_EQ(c.approachLimit, 0.0f);
    EXPECT_EQ(b().body.particles[1].velocity.y, -30.0f);
    EXPECT_EQ(b().body.particles[1].position.y, before.y);
    // Below the limit the surface holds.
    b().meanVelocity = {0, -40, 0};
    c = Hit(1, 40, -1, 50.0f);
    OnBikeContact(b(), b().centre, kContactTouch, &c);
    EXPECT_EQ(c.approachLimit, 50.0f);
    EXPECT_NEAR(b().body.particles[1].velocity.y, 0.0f, 1e-4f);
}

TEST_F(BikeContactsTest, DiagonalSpheresPushTheWholeBody) {
    PlaceBikeSpheres(b(), spheres);
    const Vec3 centre = b().centre;
    const Vec3 sphere = {centre.x + spheres[5].centre.x, centre.y + spheres[5].centre.y, centre.z + spheres[5].centre.z};
    SurfaceContact c = Hit(5, 0);
    c.point = {sphere.x, sphere.y - 1.0f, sphere.z};  // the surface 1.0 behind the sphere's centre
    Vec3 before[4];
    for (int i = 0; i < 4; ++i) before[i] = b().body.particles[i].position;
    OnBikeContact(b(), centre, kContactTouch, &c);
    EXPECT_EQ(c.approachLimit, 0.0f);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(b().body.particles[i].position.y - before[i].y, 0.6f, 1e-4f);
}

TEST_F(BikeContactsTest, SpheresOfTwoObjectsPushApartAndSoundByOverlap) {
    PlaceBikeSpheres(b(), spheres);
    struct Case {
        float overlap;
        int crashes, volume;
    } cases[] = {{0.05f, 0, 1}, {0.55f, 1, -2750}};
    for (const Case& k : cases) {
        events = SoundEvents();
        SectorObject other{};
        ObjectSphere theirs{};
        theirs.radius = 1.0f;
        const Vec3 own = {b().centre.x + spheres[0].centre.x, b().centre.y + spheres[0].centre.y,
                          b().centre.z + spheres[0].centre.z};
        other.position = {own.x + spheres[0].radius + 1.0f - k.overlap, own.y, own.z};
        other.previousPosition = other.position;
        ContactInfo info{};
        info.ownIndex = 0;
        info.ownSphere = &spheres[0];
        info.other = &other;
        info.otherSphere = &theirs;
        b().body.particles[0].force = {0, 0, 0};
        OnBikeContact(b(), b().centre, kContactObject, &info);
        EXPECT_LT(b().body.particles[0].force.x, 0.0f) << k.overlap;  // pushed away from the other
        EXPECT_EQ(events.crashes, k.crashes) << k.overlap;
        EXPECT_NEAR(events.lastCrashVolume, k.volume, 1) << k.overlap;
    }
}

}  // namespace
}  // namespace kes
