// Demo files: the exact bytes a save writes, loading them back, refusing damaged, truncated,
// oversized and foreign files with a message, and the slot keys' file names.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "game/frontend/replay/tests/ReplayTestSupport.h"
#include "game/world/racer/BikeState.h"

namespace kes::test {
namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct DemoFile : ReplayFixture {
    std::string dir;
    void SetUp() override {
        ReplayFixture::SetUp();
        dir = Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        ReplayFixture::TearDown();
    }
    // 26 steps of a bike standing still with the throttle held: key frame, run of 24, key frame.
    std::vector<uint8_t> SaveStandingDemo(const std::string& name) {
        ReplayBike b(kClassLocal, {10, 20, 3});
        b.bike.controls[kControlThrottle] = 1;
        b.bike.steerAngle = -0.25f;
        b.bike.throttleLevel = 0.5f;
        ReplayStartRecording();
        Record(b, 26, false);
        ReplayStop();
        EXPECT_EQ(ReplaySaveDemo(dir + "/" + name), 0) << ReplayLastError();
        return ReadFile(dir + "/" + name);
    }
};

TEST_F(DemoFile, SavedBytesAreExactAndTheSameEachTime) {
    const std::vector<uint8_t> file = SaveStandingDemo("a.dem");
    ASSERT_EQ(file.size(), kDemoHeaderSize + kKeyFrameRecordSize + kRunRecordSize + kKeyFrameRecordSize);
    const uint8_t header[kDemoHeaderSize] = {0, 0, 0, 0, 77, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 125, 0, 0, 0};
    EXPECT_TRUE(std::equal(header, header + kDemoHeaderSize, file.begin()));
    const uint8_t* key = file.data() + kDemoHeaderSize;
    EXPECT_EQ(key[0], kRecordKeyFrame);
    EXPECT_EQ(ReadReplayU32(key + kKeyFrameRiderSkin), 3u);
    EXPECT_EQ(ReadReplayU32(key + kKeyFrameBikeSkin), 5u);
    uint8_t params[48];
    PackBikeParams(BikeParams{}, params);
    EXPECT_TRUE(std::equal(params, params + 48, key + kKeyFrameParams));
    const uint8_t* state = key + kKeyFrameState;
    EXPECT_EQ(state[192] | (state[193] << 8), 0xFF06);  // -250: steering -0.25 in thousandths
    EXPECT_EQ(state[194] | (state[195] << 8), 16250);   // throttle 0.5 x 32500
    EXPECT_EQ(state[196], 1);                           // riding
    EXPECT_EQ(state[198], 0);                           // unused bytes are zero
    EXPECT_EQ(state[199], 0);
    const uint8_t controls[kReplayControlsSize] = {0x10, 0, 0xBC, 0x7F, 0xBC, 0x7F, 0xBC, 0x7F, 0xBC, 0x7F};
    EXPECT_TRUE(std::equal(controls, controls + kReplayControlsSize, key + kKeyFrameControls));
    const uint8_t* run = key + kKeyFrameRecordSize;
    EXPECT_EQ(run[0], kRecordRun);
    EXPECT_TRUE(std::equal(controls, controls + kReplayControlsSize, run + 1));
    EXPECT_EQ(run[11], 24);
    EXPECT_EQ(run[12], kRecordKeyFrame);
    // The save empties the buffer; the same recording again gives the same bytes.
    EXPECT_EQ(ReplayGetStatus().used, 0u);
    EXPECT_EQ(SaveStandingDemo("b.dem"), file);
}

TEST_F(DemoFile, ALoadedDemoPlaysLikeTheRecording) {
    ReplayBike b(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    Record(b, 120, true);
    ReplayStop();
    const uint64_t poses = ReplayGetStatus().keyPoseHash;
    ASSERT_EQ(ReplaySaveDemo(dir + "/run.dem"), 0);
    ASSERT_EQ(ReplayLoadDemo(dir + "/run.dem"), 0) << ReplayLastError();
    EXPECT_EQ(ReplayGetStatus().keyFrameCount, 5u);
    ReplayBike player(kClassReplay, {0, 0, 3});
    ReplayStartPlaying();
    for (int i = 0; i < 121; ++i) ReplayPlayBike(&player.racer);
    EXPECT_EQ(ReplayGetStatus().wraps, 1u);
    EXPECT_EQ(ReplayGetStatus().playedPassHash, poses);
}

// Each case damages a good demo; the load is refused with its message and the buffer keeps what it
// held before.
TEST_F(DemoFile, DamagedTruncatedOversizedAndForeignDemosAreRefused) {
    const std::vector<uint8_t> good = SaveStandingDemo("good.dem");
    struct Case {
        const char* name;
        void (*damage)(std::vector<uint8_t>&, size_t key, size_t run, float nan);
        const char* message;
    };
    const Case cases[] = {
        {"first word", [](auto& f, size_t, size_t, float) { f[0] = 1; }, "not a demo file"},
        {"other world", [](auto& f, size_t, size_t, float) { f[4] = 78; }, "another world"},
        {"header only", [](auto& f, size_t, size_t, float) { f.resize(kDemoHeaderSize); }, "no records"},
        {"short header", [](auto& f, size_t, size_t, float) { f.resize(10); }, "shorter than its header"},
        {"empty", [](auto& f, size_t, size_t, float) { f.clear(); }, "shorter than its header"},
        {"cut key frame", [](auto& f, size_t, size_t, float) { f.resize(f.size() - 1); }, "truncated key frame"},
        {"cut run", [](auto& f, size_t, size_t run, float) { f.resize(run + 5); }, "truncated control run"},
        {"run of 0", [](auto& f, size_t, size_t run, float) { f[run + 11] = 0; }, "wrong length"},
        {"run of 25", [](auto& f, size_t, size_t run, float) { f[run + 11] = 25; }, "wrong length"},
        {"record 7", [](auto& f, size_t, size_t run, float) { f[run] = 7; }, "unknown record type"},
        {"starts with a run", [](auto& f, size_t key, size_t, float) { f[key] = 2; }, "does not start with a key frame"},
        {"NaN position",
         [](auto& f, size_t key, size_t, float nan) { WriteBlockFloat(f.data() + key + kKeyFrameState + 4, nan); },
         "out of range"},
        {"huge velocity",
         [](auto& f, size_t key, size_t, float) { WriteBlockFloat(f.data() + key + kKeyFrameState + 60, 3e9f); },
         "out of range"},
        {"NaN aim",
         [](auto& f, size_t key, size_t, float nan) { WriteBlockFloat(f.data() + key + kKeyFrameState + 204, nan); },
         "aim point"},
        {"NaN parameter",
         [](auto& f, size_t key, size_t, float nan) { WriteBlockFloat(f.data() + key + kKeyFrameParams + 8, nan); },
         "parameter"},
        {"trick 51", [](auto& f, size_t key, size_t, float) { f[key + kKeyFrameState + 197] = 51; }, "trick"},
        {"skin 4 billion", [](auto& f, size_t key, size_t, float) { WriteReplayU32(f.data() + key + 1, 0xFFFFFFF0u); }, "skin"},
        {"oversized",
         [](auto& f, size_t, size_t, float) { f.resize(kDemoHeaderSize + kReplayBufferSize + 1, 0); },
         "larger than the replay buffer"},
    };
    // Something in the buffer that a refused load must not disturb.
    ReplayBike b(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    Record(b, 30, false);
    ReplayStop();
    const ReplayStatus before = ReplayGetStatus();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bad = good;
        c.damage(bad, kDemoHeaderSize, kDemoHeaderSize + kKeyFrameRecordSize, std::numeric_limits<float>::quiet_NaN());
        WriteFile(dir + "/bad.dem", bad);
        EXPECT_EQ(ReplayLoadDemo(dir + "/bad.dem"), -1);
        EXPECT_NE(ReplayLastError().find(c.message), std::string::npos) << ReplayLastError();
        EXPECT_NE(ReplayLastError().find("bad.dem"), std::string::npos);
        EXPECT_EQ(ReplayGetStatus().used, before.used);
        EXPECT_EQ(ReplayGetStatus().keyFrameCount, before.keyFrameCount);
    }
    EXPECT_EQ(ReplayLoadDemo(dir + "/missing.dem"), -1);
    EXPECT_NE(ReplayLastError().find("cannot be opened"), std::string::npos);
    WriteFile(dir + "/good.dem", good);
    EXPECT_EQ(ReplayLoadDemo(dir + "/good.dem"), 0) << ReplayLastError();
}

TEST_F(DemoFile, AFailedSaveKeepsThePreviousFile) {
    const std::vector<uint8_t> good = SaveStandingDemo("keep.dem");
    // Nothing recorded: nothing is written.
    EXPECT_EQ(ReplaySaveDemo(dir + "/keep.dem"), -1);
    EXPECT_EQ(ReadFile(dir + "/keep.dem"), good);
    // A place that cannot be written leaves no partial file behind.
    ReplayBike b(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    Record(b, 30, false);
    ReplayStop();
    std::filesystem::create_directories(dir + "/blocked.dem.tmp");  // the temporary name is taken
    EXPECT_EQ(ReplaySaveDemo(dir + "/blocked.dem"), -1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/blocked.dem"));
    EXPECT_GT(ReplayGetStatus().used, 0u);  // the recording is still there to save elsewhere
    // Recording blocks a save until it is stopped.
    ReplayStartRecording();
    EXPECT_EQ(ReplaySaveDemo(dir + "/keep.dem"), -1);
    EXPECT_EQ(ReadFile(dir + "/keep.dem"), good);
}

TEST_F(DemoFile, SlotKeysSaveFiveSlotsAndLoadSixUnderOneName) {
    ReplaySetWorld(77, "Red Rock: Canyon/../2?\xE9", dir);
    EXPECT_EQ(ReplayDemoSavePath(3), dir + "/RedRockCanyon23.dem");
    EXPECT_EQ(ReplayDemoPlainPath(6), dir + "/6.dem");
    struct Case {
        uint32_t slot;
        bool saved;
    };
    for (const Case c : {Case{1, true}, Case{5, true}, Case{6, false}}) {
        SCOPED_TRACE(c.slot);
        ReplayBike b(kClassLocal, {0, 0, 3});
        ReplayStartRecording();
        Record(b, 30, false);
        ReplayStop();
        ReplayKeys().slot[c.slot - 1] = 1;
        ReplayKeys().save = 1;
        ReplayScreen(2000);  // the file keys' 1 s pause is over
        EXPECT_EQ(std::filesystem::exists(ReplayDemoSavePath(c.slot)), c.saved);
        ReplayScreen(2000);
    }
    // Slot 1 loads the demo the save wrote and plays it.
    ReplayKeys().slot[0] = 1;
    ReplayKeys().load = 1;
    ReplayScreen(2000);
    EXPECT_TRUE(ReplayGetStatus().playing);
    EXPECT_EQ(ReplayGetStatus().keyFrameCount, 2u);
    ReplayKeys().stop = 1;
    ReplayScreen(2000);
    // Slot 6 falls back to the plain name of a demo that comes with the game.
    std::filesystem::copy_file(ReplayDemoSavePath(1), ReplayDemoPlainPath(6));
    ReplayKeys().slot[5] = 1;
    ReplayKeys().load = 1;
    ReplayScreen(2000);
    EXPECT_TRUE(ReplayGetStatus().playing);
    ReplayKeys().stop = 1;
    ReplayScreen(2000);
    // A damaged saved demo is refused rather than passed over for the plain one.
    std::filesystem::copy_file(ReplayDemoSavePath(1), ReplayDemoPlainPath(2));
    WriteFile(ReplayDemoSavePath(2), {0, 0, 0});
    ReplayKeys().slot[1] = 1;
    ReplayKeys().load = 1;
    ReplayScreen(2000);
    EXPECT_FALSE(ReplayGetStatus().playing);
    EXPECT_NE(ReplayLastError().find(ReplayDemoSavePath(2)), std::string::npos) << ReplayLastError();
}

}  // namespace
}  // namespace kes::test
