#include <gtest/gtest.h>

#include <string>

#include "game/world/physics/tests/BikeTestSupport.h"
#include "game/world/sounds/BikeSounds.h"
#include "game/world/sounds/RiderSounds.h"
#include "game/world/sounds/SoundEffects.h"
#include "game/world/sounds/tests/SoundBankFixture.h"
#include "platform/sys/CrtRand.h"

namespace kes::test {
namespace {

const char* const kEngineFiles[kEngineVoiceCount] = {"Constant1", "Constant2", "Constant3", "Constant4", "DecelerateWB",
                                                     "DecelerateWO", "Freerevs", "Tickover", "Skid"};

class BikeSoundsTest : public SoundBankFixture {
protected:
    void SetUp() override {
        SoundBankFixture::SetUp();
        // Constant1-4 rise in pitch and level with the engine.
        for (int i = 0; i < 9; ++i)
            WriteTone(std::string("Bikes\\Sound250\\") + kEngineFiles[i] + ".wav", i < 4 ? 150 + 150 * i : 90 + 10 * i,
                      i < 4 ? 3000 + 2500 * i : 3000);
        for (int i = 1; i <= 6; ++i) WriteTone("ColSounds\\crash node" + std::to_string(i) + ".wav", 100 + i, 8000);
        WriteTone("ColSounds\\land small.wav", 200, 8000);
        WriteTone("ColSounds\\land big.wav", 100, 8000);
        for (int i = 1; i <= 8; ++i) WriteTone("IKYeehaa\\Success" + std::to_string(i) + ".wav", 500, 8000);
        ASSERT_EQ(LoadBikeSounds(1, 1), 0);
    }
    void TearDown() override {
        FreeBikeSounds();
        SoundBankFixture::TearDown();
    }
    // Which engine voices play after one step of the given state.
    std::vector<uint32_t> PlayingAfter(BikeSoundSlot& s) {
        UpdateBikeSounds(10);
        std::vector<uint32_t> on;
        for (uint32_t v = 0; v < kEngineVoiceCount; ++v)
            if (s.engine[v]->IsPlaying(0)) on.push_back(v);
        return on;
    }
};

TEST_F(BikeSoundsTest, SlotsRunOutAfterTen) {
    for (uint32_t i = 0; i < kBikeSoundSlots; ++i) {
        BikeSoundSlot* s = AllocBikeSoundSlot();
        ASSERT_NE(s, nullptr) << i;
        EXPECT_NE(s->engine[kConstant4], nullptr);
        EXPECT_NE(s->landBig, nullptr);
    }
    EXPECT_EQ(AllocBikeSoundSlot(), nullptr);
    // The banks hold 10 x 25 voices beside the masters: far more than the device has sources.
    EXPECT_EQ(audio->VoiceCount(), 11u * 25u);
}

TEST_F(BikeSoundsTest, CrossfadeFollowsTheBikesState) {
    struct Case {
        const char* what;
        uint8_t onGround, throttle, moving, brake, skidding;
        int32_t countdown;
        float level;
        std::vector<uint32_t> playing;
    };
    const Case cases[] = {
        {"in the air", 0, 1, 1, 0, 0, 0, 0.5f, {kFreeRevs}},
        {"throttle, level 0.3", 1, 1, 1, 0, 0, 0, 0.3f, {kConstant2}},
        {"throttle, level 0.1", 1, 1, 1, 0, 0, 0, 0.1f, {kConstant1}},
        {"throttle, level 0.8", 1, 1, 1, 0, 0, 0, 0.8f, {kConstant4}},
        {"throttle, not moving, skidding", 1, 1, 0, 0, 1, 0, 0.0f, {kTickover, kSkid}},
        {"letting go with the brake", 1, 0, 1, 1, 0, 500, 0.5f, {kDecelerateWithBrake}},
        {"letting go without", 1, 0, 1, 0, 1, 500, 0.5f, {kDecelerateWithout, kSkid}},
        {"rolling after the countdown", 1, 0, 1, 0, 0, 0, 0.5f, {kFreeRevs}},
    };
    for (const Case& c : cases) {
        FreeBikeSounds();
        ASSERT_EQ(LoadBikeSounds(1, 1), 0);
        BikeSoundSlot& s = *AllocBikeSoundSlot();
        s.onGround = c.onGround, s.throttle = c.throttle, s.moving = c.moving, s.withBrake = c.brake;
        s.skidding = c.skidding, s.decelerationMs = c.countdown, s.engineLevel = c.level;
        EXPECT_EQ(PlayingAfter(s), c.playing) << c.what;
        for (uint32_t v : c.playing) EXPECT_EQ(s.engine[v]->Volume(), -2000) << c.what;  // -3000 + 100 x 10
    }
}

TEST_F(BikeSoundsTest, FadesMoveAHundredthOfADecibelPerMillisecondPerHundred) {
    BikeSoundSlot& s = *AllocBikeSoundSlot();
    SoundVoice* v = s.engine[kConstant1];
    FadeIn(s, v, 10);
    EXPECT_EQ(v->Volume(), -2000);
    FadeIn(s, v, 30);
    EXPECT_EQ(v->Volume(), 0);  // never past full
    FadeOut(v, 25);
    EXPECT_EQ(v->Volume(), -2500);
    FadeOut(v, 25);
    EXPECT_EQ(v->Volume(), -3000);
    EXPECT_TRUE(v->IsPlaying(0));
    FadeOut(v, 1);  // at the silent end it stops
    audio->Update();
    EXPECT_FALSE(v->IsPlaying(1));
    FadeOut(v, 10);  // a voice not playing is left alone
    EXPECT_EQ(v->Volume(), -3000);
    // Straight in: full volume at once, a pitch between 19550 and 24550 Hz.
    FadeIn(s, s.engine[kTickover], 1, true);
    EXPECT_EQ(s.engine[kTickover]->Volume(), 0);
    EXPECT_GE(s.engine[kTickover]->Frequency(), 19550u);
    EXPECT_LE(s.engine[kTickover]->Frequency(), 24550u);
}

TEST_F(BikeSoundsTest, AcceleratingBikeSoundsLouderAndHigher) {
    FlatGround ground(0.0f, 16);
    TestBike t(&ground);
    BikeSoundSlot& s = *AllocBikeSoundSlot();
    std::vector<uint32_t> sequence;
    Heard low, high;
    for (int frame = 0; frame < 400 && sequence.size() < 3; ++frame) {
        t.Run(2, [&](BikeBody& b, int) {
            b.controls[kControlThrottle] = 1;
            SyncBikeSoundSlot(s, b);
        });
        UpdateBikeSounds(10);
        for (uint32_t v = kConstant1; v <= kConstant4; ++v)
            if (s.engine[v]->IsPlaying(0) && s.engine[v]->Volume() == 0 && (sequence.empty() || sequence.back() != v)) {
                sequence.push_back(v);
                // The listener rides along, as the chase camera's does.
                Matrix4 ear{};
                ear.m[0] = ear.m[5] = ear.m[10] = ear.m[15] = 1.0f;
                ear.m[12] = s.position.x, ear.m[13] = s.position.y, ear.m[14] = s.position.z;
                audio->SetListenerMatrix(&ear);
                (v == kConstant1 ? low : high) = Listen();
            }
    }
    // Up through the banks in order as the engine level rises.
    ASSERT_GE(sequence.size(), 3u) << "speed ratio " << t.bike->speedRatio;
    EXPECT_EQ(sequence[0], kConstant1);
    EXPECT_EQ(sequence[1], kConstant2);
    EXPECT_EQ(sequence[2], kConstant3);
    EXPECT_GT(high.level, low.level * 1.5);
    EXPECT_GT(high.pitch, low.pitch * 1.5);
    // Letting go: the deceleration voice takes over for a second, then the free revs.
    s.throttle = 1;
    t.bike->controls[kControlThrottle] = 0;
    SyncBikeSoundSlot(s, *t.bike);
    EXPECT_EQ(s.decelerationMs, 1000);
    for (int i = 0; i < 40; ++i) UpdateBikeSounds(10);
    EXPECT_EQ(s.engine[kDecelerateWithout]->Volume(), 0);
    for (int i = 0; i < 80; ++i) UpdateBikeSounds(10);
    EXPECT_EQ(s.engine[kFreeRevs]->Volume(), 0);
}

TEST_F(BikeSoundsTest, CrashSoundDoesNotStartOverThePreviousOne) {
    BikeSoundSlot& s = *AllocBikeSoundSlot();
    plat::CrtSrand(11);
    PlayCrashSound(&s, -500);
    const int32_t first = s.lastCrash;
    ASSERT_GE(first, 0);
    audio->Update();
    EXPECT_EQ(s.crash[first]->Volume(), -500);
    for (int i = 0; i < 5; ++i) {
        PlayCrashSound(&s, 0);
        EXPECT_EQ(s.lastCrash, first);
        EXPECT_EQ(s.crash[first]->Volume(), -500);
    }
    s.crash[first]->Stop();
    audio->Update();
    PlayCrashSound(&s, 0);
    audio->Update();
    EXPECT_TRUE(s.crash[s.lastCrash]->IsPlaying(1));
}

class RiderSoundsTest : public SoundBankFixture {
protected:
    void SetUp() override {
        SoundBankFixture::SetUp();
        for (int i = 1; i <= 12; ++i) WriteTone("IKImpact\\pain" + std::to_string(i) + ".wav", 300 + i, 8000);
        for (int i = 1; i <= 10; ++i) WriteTone("IKOffBike\\crashing" + std::to_string(i) + ".wav", 400 + i, 8000);
        ASSERT_EQ(LoadImpactSounds(), 0);
        body.particleCount = 13;
        body.springCount = 0;
        body.Allocate();
        body.particles[2].position = {5, 6, 7};
        CreateRiderImpactVoices(rider, &body);
    }
    void TearDown() override {
        FreeRiderImpactVoices(rider);
        FreeImpactSounds();
        SoundBankFixture::TearDown();
    }
    ParticleBody body;
    RiderImpactVoices rider;
};

TEST_F(RiderSoundsTest, CrashCryThenPainWithoutRepeats) {
    plat::CrtSrand(5);
    PlayRiderCrashSound(rider);
    ASSERT_GE(rider.lastCrash, 0);
    EXPECT_EQ(rider.crash[rider.lastCrash]->Position().z, 7.0f);
    audio->Update();
    // The pain cry cuts the crash cry short.
    PlayRiderPainSound(rider);
    const int32_t pain = rider.lastPain;
    ASSERT_GE(pain, 0);
    audio->Update();
    EXPECT_FALSE(rider.crash[rider.lastCrash]->IsPlaying(1));
    EXPECT_TRUE(rider.pain[pain]->IsPlaying(1));
    // While it plays, nothing new.
    for (int i = 0; i < 4; ++i) PlayRiderPainSound(rider);
    EXPECT_EQ(rider.lastPain, pain);
    int playing = 0;
    for (SoundVoice* v : rider.pain) playing += v->IsPlaying(0);
    EXPECT_EQ(playing, 1);
    // Ended, but the body still touches: still nothing.
    rider.pain[pain]->Stop();
    audio->Update();
    body.particles[4].contactTimer = 3;
    PlayRiderPainSound(rider);
    EXPECT_EQ(rider.lastPain, pain);
    // Clear of the ground: the memory is let go, and the next call cries again.
    body.particles[4].contactTimer = 0;
    PlayRiderPainSound(rider);
    EXPECT_EQ(rider.lastPain, -1);
    PlayRiderPainSound(rider);
    EXPECT_GE(rider.lastPain, 0);
    StopRiderSounds(rider);
    audio->Update();
    EXPECT_FALSE(rider.pain[rider.lastPain]->IsPlaying(1));
}

TEST(SoundEffectBank, NamesFindTheirIndex) {
    struct Case {
        const char* name;
        int32_t index;
    };
    const Case cases[] = {{"NONE", -1},       {"none", -1},          {"nothing.wav", -1}, {"ambulance.wav", 0},
                          {"score.wav", 45},  {"BANGPOST", 20},      {"beh5.wav", 51},    {"bangrail small", 24},
                          {nullptr, -1}};
    for (const Case& c : cases) EXPECT_EQ(FindSoundEffect(c.name), c.index) << (c.name ? c.name : "null");
    EXPECT_EQ(GetSoundEffect(52), nullptr);
    EXPECT_EQ(GetSoundEffect(-1), nullptr);
    EXPECT_STREQ(SoundEffectName(38), "land big.wav");
}

// The replay screen's button sound starts again from the beginning on every key, at full volume and
// at the point given, also while it still plays; the bank's ordinary play leaves a playing voice be.
class SoundEffectBankTest : public SoundBankFixture {};

TEST_F(SoundEffectBankTest, RestartPlaysTheEffectAgainWhileItPlays) {
    WriteTone("ColSounds\\replaybutton.wav", 700, 8000);
    ASSERT_EQ(LoadSoundEffects(), 0);
    const int32_t button = FindSoundEffect("replaybutton.wav");
    SoundVoice* v = GetSoundEffect(button);
    ASSERT_NE(v, nullptr);
    RestartSoundEffectAt(button, Vec3{1, 2, 3});
    EXPECT_TRUE(v->IsPlaying(1));
    EXPECT_EQ(v->Volume(), 0);
    EXPECT_GT(Listen().level, 100.0) << "heard";
    v->SetVolume(-3000);
    PlaySoundEffectAt(button, -3000, Vec3{4, 5, 6});
    EXPECT_FLOAT_EQ(v->Position().x, 1.0f) << "a playing voice is left as it is";
    RestartSoundEffectAt(button, Vec3{4, 5, 6});
    EXPECT_TRUE(v->IsPlaying(1));
    EXPECT_EQ(v->Volume(), 0);
    EXPECT_FLOAT_EQ(v->Position().x, 4.0f);
    RestartSoundEffectAt(-1, Vec3{0, 0, 0});  // no such effect: nothing happens
    FreeSoundEffects();
}

TEST(SoundBanksSilent, WithoutASoundSystemNothingLoads) {
    EXPECT_EQ(LoadBikeSounds(1, 0), -1);
    EXPECT_EQ(AllocBikeSoundSlot(), nullptr);
    EXPECT_EQ(LoadSoundEffects(), -1);
    EXPECT_EQ(LoadImpactSounds(), -1);
    UpdateBikeSounds(10);
    PlayCrashSound(nullptr, 0);
    RiderImpactVoices r;
    CreateRiderImpactVoices(r, nullptr);
    PlayRiderPainSound(r);
    PlayRiderCrashSound(r);
}

}  // namespace
}  // namespace kes::test
