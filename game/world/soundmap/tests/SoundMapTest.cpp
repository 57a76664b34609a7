#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "game/core/audio/AudioSystem.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/soundmap/SoundMap.h"
#include "game/world/sounds/tests/SoundBankFixture.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

using test::kRate;

// One second of a 440 Hz tone.
SoundMapWave Tone(const char* name) {
    SoundMapWave w;
    w.name = name;
    for (int i = 0; i < kRate; ++i) w.samples.push_back(static_cast<int16_t>(12000.0 * std::sin(i * 2 * 3.14159265 * 440 / kRate)));
    return w;
}

class SoundMapTest : public test::SoundBankFixture {
protected:
    void SetUp() override {
        SoundBankFixture::SetUp();
        map.waves.push_back(Tone("brook"));
    }
    void TearDown() override {
        SoundEmittersFree();
        SoundBankFixture::TearDown();
    }
    int32_t Load() {
        const std::vector<uint8_t> bytes = WorldWriter::SoundMapChunk(map);
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        return SoundEmittersLoad(s, static_cast<uint32_t>(bytes.size()));
    }
    static SoundEmitterData At(float x, float outer, int32_t mode) {
        SoundEmitterData e;
        e.position = {x, 0, 0};
        e.innerRadius = outer / 10;
        e.outerRadius = outer;
        e.wave = 0;
        e.playMode = mode;
        e.frequency = kRate;
        return e;
    }
    // Runs a frame with the eye at the origin.
    void Frame(uint32_t ms) {
        SoundEmittersTick(ms);
        SoundEmittersUpdate(WorldView{}, nullptr);
        audio->Update();
    }
    SoundMapData map;
};

TEST(SoundMapVolume, StoredVolumeBecomesHundredthsOfADecibel) {
    EXPECT_EQ(EmitterVolume(1.0f), 0);
    EXPECT_EQ(EmitterVolume(0.0f), -10000);
    EXPECT_EQ(EmitterVolume(0.5f), -5000);
}

TEST_F(SoundMapTest, EditorChunkLoadsAndWaveIndicesOutsideTheListStaySilent) {
    SoundEmitterData a = At(10, 50, 0), none = At(20, 50, 0), past = At(30, 50, 0);
    a.volume = 0.75f;
    none.wave = -1;
    past.wave = 99;
    map.emitters = {a, none, past};
    ASSERT_EQ(Load(), 0);
    const std::vector<SoundEmitter>& e = SoundEmitters();
    ASSERT_EQ(e.size(), 3u);
    ASSERT_NE(e[0].voice, nullptr);
    EXPECT_EQ(e[1].voice, nullptr);
    EXPECT_EQ(e[2].voice, nullptr);
    EXPECT_EQ(e[0].minDistance, 5.0f);
    EXPECT_EQ(e[0].voice->Volume(), -2500);
    EXPECT_EQ(e[0].voice->MaxDistance(), 50.0f);
    EXPECT_EQ(e[0].waveLength, static_cast<float>(kRate));
    Frame(10);  // the silent ones are passed over
    EXPECT_EQ(e[0].voice->IsPlaying(1), 1);
}

TEST_F(SoundMapTest, HeardOnlyInsideItsOuterDistance) {
    map.emitters = {At(60, 50, 0)};
    ASSERT_EQ(Load(), 0);
    Frame(10);
    EXPECT_LT(Listen().level, 1.0);
    map.emitters = {At(20, 50, 0)};
    ASSERT_EQ(Load(), 0);
    Frame(10);
    EXPECT_GT(Listen().level, 500.0);
}

TEST_F(SoundMapTest, SourceExactlyAtItsOuterDistanceStaysIdle) {
    map.emitters = {At(100, 100, 1)};
    ASSERT_EQ(Load(), 0);
    for (int i = 0; i < 5; ++i) Frame(10);
    EXPECT_EQ(SoundEmitters()[0].pause, 0.0f);
    EXPECT_EQ(SoundEmitters()[0].playTime, 0.0f);
}

TEST_F(SoundMapTest, FixedPauseWaitsItsTimeLessTheOvershoot) {
    SoundEmitterData e = At(10, 100, 1);
    e.wait = 2.0f;
    map.emitters = {e};
    ASSERT_EQ(Load(), 0);
    std::vector<int> starts;
    float lastPlay = 0;
    for (int t = 0; t <= 7000; t += 7) {
        Frame(7);
        const float play = SoundEmitters()[0].playTime;
        if (play > lastPlay) starts.push_back(t);
        lastPlay = play;
    }
    ASSERT_GE(starts.size(), 2u);
    EXPECT_NEAR(starts[1] - starts[0], 3000, 7);
    EXPECT_NEAR(starts[2] - starts[1], 3000, 7);
}

TEST_F(SoundMapTest, RandomPauseDrawsWholeSecondsInItsRange) {
    SoundEmitterData e = At(10, 100, 2);
    e.waitFrom = 1.0f;
    e.waitTo = 3.0f;
    e.pitchMode = 1;
    e.frequencyFrom = 11025;
    e.frequencyTo = 44100;
    map.emitters = {e};
    ASSERT_EQ(Load(), 0);
    plat::CrtSrand(7);
    for (int t = 0; t < 20000; t += 10) {
        Frame(10);
        const SoundEmitter& s = SoundEmitters()[0];
        EXPECT_GE(s.voice->Frequency(), 11025u);
        EXPECT_LE(s.voice->Frequency(), 44100u);
        EXPECT_LE(s.pause, 3000.0f);
    }
}

TEST_F(SoundMapTest, FrequencyZeroPlaysAtTheWavesOwnRate) {
    SoundEmitterData e = At(10, 100, 1);
    e.frequency = 0;
    e.wait = 1.0f;
    map.emitters = {e};
    ASSERT_EQ(Load(), 0);
    Frame(10);
    EXPECT_EQ(SoundEmitters()[0].voice->Frequency(), static_cast<uint32_t>(kRate));
    EXPECT_NEAR(SoundEmitters()[0].playTime, 1000.0f, 1.0f);
}

TEST_F(SoundMapTest, SourcesAtNoRealPointStaySilent) {
    SoundEmitterData nowhere = At(10, 100, 0), endless = At(10, 100, 0);
    nowhere.position.x = std::nanf("");
    endless.outerRadius = std::numeric_limits<float>::infinity();
    map.emitters = {nowhere, endless};
    ASSERT_EQ(Load(), 0);
    ASSERT_EQ(SoundEmitters().size(), 2u);
    EXPECT_EQ(SoundEmitters()[0].voice, nullptr);
    EXPECT_EQ(SoundEmitters()[1].voice, nullptr);
    Frame(10);
}

TEST_F(SoundMapTest, DamagedChunksKeepNothing) {
    map.emitters = {At(10, 100, 0), At(20, 100, 0)};
    std::vector<uint8_t> bytes = WorldWriter::SoundMapChunk(map);
    for (size_t cut : {size_t{4}, size_t{16}, size_t{200}, bytes.size() - 1}) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        MemoryPack pack(part);
        ChunkStream s(pack, static_cast<uint32_t>(part.size()));
        EXPECT_EQ(SoundEmittersLoad(s, static_cast<uint32_t>(part.size())), -1) << cut;
        EXPECT_TRUE(SoundEmitters().empty());
    }
    EXPECT_EQ(audio->VoiceCount(), 0u);
}

TEST(SoundMapSilent, WithoutASoundSystemTheChunkIsSkipped) {
    SoundMapData map;
    map.waves.push_back(Tone("x"));
    map.emitters.push_back({});
    const std::vector<uint8_t> bytes = WorldWriter::SoundMapChunk(map);
    MemoryPack pack(bytes);
    ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(SoundEmittersLoad(s, static_cast<uint32_t>(bytes.size())), 0);
    EXPECT_TRUE(SoundEmitters().empty());
    SoundEmittersTick(10);
    SoundEmittersUpdate(WorldView{}, nullptr);
}

}  // namespace
}  // namespace kes
