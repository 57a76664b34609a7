// Random control scripts, analog levels, parameter blocks and grounds, including extreme ones: no
// particle may ever hold a NaN or an infinity, and the steering angle stays within its hard limit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/world/physics/tests/BikeTestSupport.h"

namespace kes {
namespace {

class Lcg {
public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    float Unit() { return static_cast<float>(Next() & 0xFFFF) / 65535.0f; }

private:
    uint32_t state_;
};

float Extreme(Lcg& rng) {
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 1.0e30f, -1.0e30f, std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(), 0.5f};
    return values[rng.Next() % (sizeof(values) / sizeof(values[0]))];
}

bool AllFinite(const BikeBody& b) {
    for (int i = 0; i < 4; ++i) {
        const Particle& p = b.body.particles[i];
        const float v[9] = {p.position.x, p.position.y, p.position.z, p.velocity.x, p.velocity.y,
                            p.velocity.z, p.force.x,    p.force.y,    p.force.z};
        for (float f : v) {
            if (!std::isfinite(f)) return false;
        }
    }
    return std::isfinite(b.speed) && std::isfinite(b.steerAngle) && std::isfinite(b.leanAngle);
}

TEST(BikeRobustness, RandomScriptsAndGroundsNeverProduceNaN) {
    for (uint32_t seed = 1; seed <= 24; ++seed) {
        Lcg rng(seed);
        const bool extreme = seed % 3 == 0;
        std::unique_ptr<GroundQuery> ground;
        switch (seed % 4) {
            case 0: ground = std::make_unique<FlatGround>(extreme ? Extreme(rng) : 0.0f, rng.Next() & 255); break;
            case 1: ground = std::make_unique<SlopeGround>(extreme ? Extreme(rng) : rng.Unit() - 0.5f); break;
            case 2: ground = std::make_unique<RampGround>(rng.Unit() * 50.0f, extreme ? Extreme(rng) : 8.0f,
                                                          extreme ? Extreme(rng) : 15.0f); break;
            default: ground = std::make_unique<RandomGround>(seed, extreme ? Extreme(rng) : 20.0f, 30.0f, true); break;
        }
        BikeParams params;
        params.airAssist = rng.Next() % 4;
        if (extreme) {
            params.topSpeedFactor = Extreme(rng);
            params.engineClass = Extreme(rng);
            params.airControl = Extreme(rng);
            params.driveBlendFloor = Extreme(rng);
            params.surface.rollDrag = Extreme(rng);
            params.surface.sideDrag = Extreme(rng);
        } else {
            params.topSpeedFactor = rng.Unit();
            params.engineClass = rng.Unit();
        }
        const Vec3 start = extreme ? Vec3{Extreme(rng), Extreme(rng), Extreme(rng)} : Vec3{0.0f, 0.0f, 3.0f};
        const Vec3 heading = extreme ? Vec3{Extreme(rng), Extreme(rng), Extreme(rng)}
                                     : Vec3{rng.Unit() - 0.5f, rng.Unit() - 0.5f, 0.0f};
        TestBike t(ground.get(), params, start, heading, static_cast<int32_t>(rng.Next() % 5));
        uint32_t held = 0;
        for (int step = 0; step < 3000; ++step) {
            if (step % 40 == 0) held = rng.Next();
            t.Run(1, [&](BikeBody& b, int) {
                for (int c = 0; c < 9; ++c) b.controls[c] = (held >> c) & 1;
                for (int a = 0; a < 3; ++a) {
                    b.analogModes[a] = (held >> (10 + a)) & 1;
                    b.analogLevels[a] = extreme ? Extreme(rng) : rng.Unit() * 2.0f - 1.0f;
                }
            });
            ASSERT_TRUE(AllFinite(*t.bike)) << "seed " << seed << " step " << step;
            ASSERT_LE(std::fabs(t.bike->steerAngle), 31.0f) << "seed " << seed << " step " << step;
            if (step % 1000 == 999 && !t.bike->riding) {
                t.bike->Reset({0.0f, 0.0f, 3.0f}, {0.0f, 1.0f, 0.0f}, params);
            }
        }
    }
}

}  // namespace
}  // namespace kes
