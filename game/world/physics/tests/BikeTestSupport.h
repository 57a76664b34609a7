#pragma once
// Steps a bike the way a racer's controller does, with a control pattern per step.
#include <cmath>
#include <functional>
#include <memory>

#include "game/core/maths/FastMath.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/physics/GeneratedGround.h"
#include "platform/sys/Fpu.h"

namespace kes {

class RecordingEvents : public BikeEventSink {
public:
    void OnLandSound(bool big) { (big ? bigLandings : smallLandings)++; }
    void OnCrashSound(int volume) { lastCrashVolume = volume; ++crashes; }
    int bigLandings = 0;
    int smallLandings = 0;
    int crashes = 0;
    int lastCrashVolume = 1;
};

struct TestBike {
    explicit TestBike(const GroundQuery* ground, BikeParams params = BikeParams{}, Vec3 start = {0.0f, 0.0f, 3.0f},
                      Vec3 heading = {0.0f, 1.0f, 0.0f}, int32_t controlClass = kClassLocal) {
        InitTrigTables();
        env.ground = ground;
        env.events = &events;
        start.z += ground->HeightAt(start.x, start.y);
        bike = std::make_unique<BikeBody>(env, params, controlClass, start, heading);
        bike->holdControls = 0;
    }
    // Runs n steps; controls(step) sets the control bytes before each.
    void Run(int n, const std::function<void(BikeBody&, int)>& controls = nullptr) {
        plat::TowardZeroRounding rounding;
        for (int i = 0; i < n; ++i) {
            if (controls) controls(*bike, i);
            bike->Step();
        }
    }
    void Hold(int n, std::initializer_list<int> bytes) {
        Run(n, [bytes](BikeBody& b, int) {
            for (int c : bytes) b.controls[c] = 1;
        });
    }
    // Fastest particle along the ground. (A wheel resting on the ground ends each step with the one
    // step of fall that the next ground contact takes back, so the vertical part is not rest-free.)
    float MaxGroundSpeed() const {
        float m = 0.0f;
        for (int i = 0; i < 4; ++i) {
            const Vec3& v = bike->body.particles[i].velocity;
            m = std::fmax(m, std::sqrt(v.x * v.x + v.y * v.y));
        }
        return m;
    }
    float MaxSpeed() const {
        float m = 0.0f;
        for (int i = 0; i < 4; ++i) {
            const Vec3& v = bike->body.particles[i].velocity;
            m = std::fmax(m, std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z));
        }
        return m;
    }
    RecordingEvents events;
    BikeEnvironment env;
    std::unique_ptr<BikeBody> bike;
};

}  // namespace kes
