// Recording into the buffer and playing it back: the shape of the stream, the buffer's and the
// key-frame table's limits, wrapping, and the hand-over from playback to recording.
#include <gtest/gtest.h>

#include <cstring>

#include "game/frontend/replay/tests/ReplayTestSupport.h"

namespace kes::test {
namespace {

using Stream = std::vector<std::pair<int, int>>;

TEST_F(ReplayFixture, KeyFramesEvery25StepsAndRunsNeverSpanThem) {
    ReplayBike b(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    for (uint32_t step = 0; step < 60; ++step) {
        b.bike.controls[kControlThrottle] = 1;
        b.bike.controls[kControlLeft] = step >= 30 ? 1 : 0;  // the controls change at step 30
        ReplayRecordBike(&b.racer);
    }
    const Stream expected = {{1, 0}, {2, 24}, {1, 0}, {2, 4}, {2, 20}, {1, 0}, {2, 9}};
    EXPECT_EQ(Records(), expected);
    const ReplayData& r = Replay();
    std::string why;
    EXPECT_EQ(CheckReplayStream(r.buffer.data(), r.end, &why), 3) << why;
    EXPECT_EQ(ReplayGetStatus().keyFrameCount, 3u);
    // The key frame carries the racer's skins and the bike's parameter block.
    EXPECT_EQ(ReadReplayU32(r.buffer.data() + kKeyFrameRiderSkin), 3u);
    EXPECT_EQ(ReadReplayU32(r.buffer.data() + kKeyFrameBikeSkin), 5u);
    // Stopping closes the open run: the stream is complete.
    ReplayStop();
    EXPECT_EQ(Records(), expected);
    // Recording again appends, starting with a key frame; starting twice keeps the open run intact.
    ReplayStartRecording();
    Record(b, 3, false);
    ReplayStartRecording();
    Record(b, 1, false);
    ReplayStop();
    Stream more = expected;
    more.insert(more.end(), {{1, 0}, {2, 2}, {1, 0}});
    EXPECT_EQ(Records(), more);
}

TEST_F(ReplayFixture, NothingIsRecordedUnlessRecordingWasStarted) {
    ReplayBike b(kClassLocal, {0, 0, 3});
    Record(b, 30, false);
    EXPECT_EQ(ReplayGetStatus().used, 0u);
    ReplayStartPlaying();  // nothing to play: the racer keeps its own controller
    EXPECT_EQ(ReplayIsPlaying(), 0u);
    ReplayFree();
    ReplayStartRecording();  // no buffer: nothing happens
    EXPECT_EQ(ReplayRecordBike(&b.racer), 0);
    EXPECT_FALSE(ReplayGetStatus().recording);
}

// Buffers too small for what the next step may write stop recording before anything overflows
// (ASan watches the writes); what was recorded stays a valid stream.
TEST_F(ReplayFixture, AFullBufferStopsRecordingWithoutWritingPastItsEnd) {
    const uint32_t sizes[] = {0, 100, 291, 292, 541, 582, 583, 604, 2000, 10000};
    for (uint32_t size : sizes) {
        SCOPED_TRACE(size);
        ASSERT_EQ(ReplayAlloc(size), 0);
        ReplayBike b(kClassLocal, {0, 0, 3});
        ReplayStartRecording();
        uint32_t steps = 0;
        for (; steps < 2000 && ReplayGetStatus().recording; ++steps) {
            b.bike.controls[kControlLeft] = (steps / 3) % 2;  // a new run every third step
            ReplayRecordBike(&b.racer);
        }
        const ReplayStatus s = ReplayGetStatus();
        EXPECT_FALSE(s.recording);
        EXPECT_EQ(s.messageTimer, 500u);
        EXPECT_LE(s.used, size);
        if (s.used > 0) {
            std::string why;
            EXPECT_GE(CheckReplayStream(Replay().buffer.data(), s.used, &why), 1) << why;
        }
    }
}

TEST_F(ReplayFixture, AFullKeyFrameTableStopsRecording) {
    ReplayBike b(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    Record(b, kMaxKeyFrames * kKeyFrameInterval + 10, false);
    const ReplayStatus s = ReplayGetStatus();
    EXPECT_FALSE(s.recording);
    EXPECT_EQ(s.keyFrameCount, kMaxKeyFrames);
    std::string why;
    EXPECT_EQ(CheckReplayStream(Replay().buffer.data(), s.used, &why), static_cast<int32_t>(kMaxKeyFrames)) << why;
}

TEST_F(ReplayFixture, PlaybackRestoresEveryKeyFrameAndWrapsToTheStart) {
    ReplayBike recorded(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    Record(recorded, 80, true);
    ReplayStop();
    const uint64_t recordedPoses = ReplayGetStatus().keyPoseHash;
    uint8_t firstKeyFrame[kKeyFrameStateSize];
    std::memcpy(firstKeyFrame, Replay().buffer.data() + kKeyFrameState, kKeyFrameStateSize);

    ReplayBike player(kClassReplay, {500, 500, 3});
    ReplayRewind();
    ReplayStartPlaying();
    EXPECT_EQ(ReplayIsPlaying(), 1u);
    ReplayPlayBike(&player.racer);
    uint8_t now[kKeyFrameStateSize];
    ReplayPackBikeState(player.bike, now);
    EXPECT_EQ(std::memcmp(now, firstKeyFrame, 96), 0);  // particles exactly as recorded
    EXPECT_EQ(player.racer.riderSkin, 3);
    EXPECT_EQ(player.racer.bikeModel.bikeSkin, 5);
    EXPECT_EQ(player.bike.controls[kControlThrottle], 1);
    for (uint32_t i = 1; i < 80; ++i) {
        player.bike.Step();
        ReplayPlayBike(&player.racer);
    }
    EXPECT_EQ(ReplayGetStatus().wraps, 0u);
    ReplayPlayBike(&player.racer);  // past the last record: back to the first key frame
    const ReplayStatus s = ReplayGetStatus();
    EXPECT_EQ(s.wraps, 1u);
    EXPECT_EQ(s.playedPassHash, recordedPoses);
    EXPECT_EQ(s.keyFrameIndex, 1u);
    ReplayPackBikeState(player.bike, now);
    EXPECT_EQ(std::memcmp(now, firstKeyFrame, 96), 0);
}

TEST_F(ReplayFixture, ARecordKeyWhilePlayingHandsOverToRecordingAtTheNextKeyFrame) {
    ReplayBike b(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    Record(b, 100, true);  // key frames at 0, 25, 50, 75
    ReplayStop();
    ReplayRewind();
    ReplayStartPlaying();
    for (int i = 0; i < 30; ++i) ReplayPlayBike(&b.racer);  // into the second key frame's stretch
    ReplayKeys().record = 1;
    ReplayKeys().play = 0;
    EXPECT_EQ(ReplayScreen(10), 1);
    EXPECT_TRUE(ReplayGetStatus().playing);
    for (int i = 0; i < 21; ++i) ReplayPlayBike(&b.racer);  // reaches the key frame at step 50
    ReplayStatus s = ReplayGetStatus();
    EXPECT_FALSE(s.playing);
    EXPECT_TRUE(s.recording);
    EXPECT_EQ(s.keyFrameCount, 2u);  // the stream now ends before that key frame
    // The next recorded step is a key frame written where the old one was.
    ReplayRecordBike(&b.racer);
    EXPECT_EQ(Records(), (Stream{{1, 0}, {2, 24}, {1, 0}, {2, 24}, {1, 0}}));
}

TEST_F(ReplayFixture, StepKeysMoveByKeyFrameAndASingleKeyFrameStaysPut) {
    struct Case {
        uint32_t steps;       // recorded
        uint32_t played;      // steps played before the key
        bool back;
        uint32_t wantRead;    // key frame the read position lands on
        uint32_t wantIndex;
    };
    const Case cases[] = {
        {10, 3, true, 0, 1},      // one key frame: nowhere to go back to
        {100, 60, true, 1, 2},    // playing key frame 2: back to key frame 1
        {100, 3, true, 2, 3},     // playing key frame 0: wraps to the one before the last
        {100, 3, false, 1, 2},    // forward from key frame 0
        {100, 90, false, ~0u, 4}, // the last key frame plays: forward has nothing more
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps * 1000 + c.played);
        ASSERT_EQ(ReplayAlloc(kReplayBufferSize), 0);
        ReplayBike b(kClassLocal, {0, 0, 3});
        ReplayStartRecording();
        Record(b, c.steps, true);
        ReplayStop();
        ReplayStartPlaying();
        for (uint32_t i = 0; i < c.played; ++i) ReplayPlayBike(&b.racer);
        const uint32_t readBefore = Replay().read;
        (c.back ? ReplayKeys().stepBack : ReplayKeys().stepForward) = 1;
        ReplayScreen(16);
        ReplayKeys() = ReplayKeyWords();
        const ReplayData& r = Replay();
        if (c.wantRead == ~0u) EXPECT_EQ(r.read, readBefore);
        else EXPECT_EQ(r.read, r.keyFrames[c.wantRead]);
        EXPECT_EQ(r.keyFrameIndex, c.wantIndex);
        ReplayPlayBike(&b.racer);  // plays on from there
    }
}

TEST_F(ReplayFixture, TheScreenDoesNothingBeforeTheRaceRunsOrWithTheModeOff) {
    ReplayKeys().record = 1;
    RaceContext().racePhase = 7;
    EXPECT_EQ(ReplayScreen(10), 0);
    EXPECT_FALSE(ReplayGetStatus().recording);
    RaceContext().racePhase = 8;
    ReplayKeys().toggle = 1;  // off
    EXPECT_EQ(ReplayScreen(10), 0);
    EXPECT_FALSE(ReplayGetStatus().recording);
    ReplayKeys().toggle = 1;  // on again
    ReplayKeys().record = 1;
    EXPECT_EQ(ReplayScreen(10), 1);
    EXPECT_TRUE(ReplayGetStatus().recording);
    // Turning the mode off in the middle of a run leaves whole records behind.
    ReplayBike b(kClassLocal, {0, 0, 3});
    Record(b, 5, false);
    ReplayKeys().toggle = 1;
    ReplayScreen(10);
    ReplayKeys().toggle = 1;
    ReplayKeys().record = 1;
    ReplayScreen(10);
    Record(b, 1, false);
    EXPECT_EQ(Records(), (std::vector<std::pair<int, int>>{{1, 0}, {2, 4}, {1, 0}}));
    ReplayKeys().stop = 1;
    ReplayScreen(10);
    EXPECT_FALSE(ReplayGetStatus().recording);
    EXPECT_EQ(ReplayGetStatus().messageTimer, 500u);
}

TEST_F(ReplayFixture, HooksRouteTheRacersToTheRecorder) {
    InstallReplayHooks();
    ReplayBike b(kClassLocal, {0, 0, 3});
    ReplayStartRecording();
    RacerHooks().replayRecord(&b.racer);
    EXPECT_EQ(ReplayGetStatus().keyFrameCount, 1u);
    EXPECT_FALSE(RacerHooks().replayPlaying());
    RemoveReplayHooks();
    EXPECT_EQ(RacerHooks().replayRecord, nullptr);
}

}  // namespace
}  // namespace kes::test
