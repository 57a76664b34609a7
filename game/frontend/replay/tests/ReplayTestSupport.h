#pragma once
// A bike on flat ground inside a racer record, as the recorder and the player see it, and a fresh
// replay buffer per test.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "game/frontend/replay/Replay.h"
#include "game/frontend/replay/ReplayState.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/racer/Racer.h"

namespace kes::test {

struct ReplayBike {
    FlatGround ground;
    BikeEnvironment env{&ground};
    BikeBody bike;
    RacerRecord racer;
    ReplayBike(int32_t controlClass, const Vec3& at) : bike(env, BikeParams{}, controlClass, at, {0, 1, 0}) {
        racer.bike = &bike;
        racer.riderSkin = 3;
        racer.bikeModel.bikeSkin = 5;
    }
};

struct ReplayFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_EQ(ReplayAlloc(kReplayBufferSize), 0);
        ReplaySetWorld(77, "Test World", "");
        ReplayKeys() = ReplayKeyWords();
        RaceContext() = RaceContextData();
    }
    void TearDown() override {
        ReplayFree();
        ReplayKeys() = ReplayKeyWords();
    }
    // Records `steps` steps, stepping the bike between them when `move` is set (the throttle held).
    void Record(ReplayBike& b, uint32_t steps, bool move) {
        for (uint32_t i = 0; i < steps; ++i) {
            if (move) b.bike.controls[kControlThrottle] = 1;
            ReplayRecordBike(&b.racer);
            if (move) b.bike.Step();
        }
    }
    // The records of the buffer as (type, run count or 0).
    static std::vector<std::pair<int, int>> Records() {
        std::vector<std::pair<int, int>> out;
        const ReplayData& r = Replay();
        for (uint32_t at = 0; at < r.end;) {
            if (r.buffer[at] == kRecordKeyFrame) {
                out.push_back({1, 0});
                at += kKeyFrameRecordSize;
            } else {
                out.push_back({2, r.buffer[at + kRunRecordSize - 1]});
                at += kRunRecordSize;
            }
        }
        return out;
    }
    // A scratch folder of this test under the build folder.
    static std::string Scratch(const std::string& name) {
        const std::string dir = std::string(GRAVELON_BINARY_DIR) + "/tmp/replay_" + name + "_" + std::to_string(::getpid());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        return dir;
    }
};

}  // namespace kes::test
