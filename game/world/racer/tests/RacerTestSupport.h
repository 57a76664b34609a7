#pragma once
// A scene-object pool, a ground and clean racer hooks for one test; racers made through it are
// destroyed with it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/racer/ControlMapping.h"
#include "game/world/racer/Racer.h"
#include "platform/sys/CrtRand.h"

namespace kes::test {

struct RacerScene : ::testing::Test {
    void SetUp() override {
        InitTrigTables();
        const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
        InitObjects(0, 1, 1, 1, box);
        plat::SimSrand(1);
        RaceContext() = RaceContextData();
        RaceContext().ground = ground.get();
        RacerHooks() = RacerHookTable();
        ResetControlMapping();
    }
    void TearDown() override {
        for (RacerRecord* r : racers) DestroyRacer(r);
        FreeObjects();
        RaceContext() = RaceContextData();
        RacerHooks() = RacerHookTable();
    }
    RacerRecord* Make(int32_t kind, float x = 0.0f, float y = 0.0f, PlayerInput* input = nullptr) {
        RacerDesc d;
        d.kind = kind;
        d.startX = x;
        d.startY = y;
        d.input = input;
        RacerRecord* r = CreateRacer(&d);
        if (r) racers.push_back(r);
        return r;
    }
    // One frame of ms: every object's update and the sphere contacts.
    void Frame(uint32_t ms) { UpdateObjects(ms, 0); }

    std::unique_ptr<GroundQuery> ground = std::make_unique<FlatGround>(0.0f);
    std::vector<RacerRecord*> racers;
};

}  // namespace kes::test
