// The output layer heard through the loopback device: gain, pan side and the null device list.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/AudioSource.h"

namespace {

constexpr int kRate = 22050;

std::vector<int16_t> Tone(int frames) {
    std::vector<int16_t> s(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) s[static_cast<size_t>(i)] = static_cast<int16_t>(12000.0 * std::sin(i * 0.1));
    return s;
}

struct Level {
    double left = 0, right = 0;
};

Level Rms(plat::AudioOutput& out, int frames) {
    std::vector<int16_t> mix(static_cast<size_t>(frames) * 2);
    EXPECT_TRUE(out.Render(mix.data(), frames));
    Level l;
    for (int i = 0; i < frames; ++i) {
        l.left += double(mix[2 * size_t(i)]) * mix[2 * size_t(i)];
        l.right += double(mix[2 * size_t(i) + 1]) * mix[2 * size_t(i) + 1];
    }
    l.left = std::sqrt(l.left / frames);
    l.right = std::sqrt(l.right / frames);
    return l;
}

TEST(AudioOutput, NullDeviceIsListedHeadless) {
    // The tests run with ALSOFT_DRIVERS=null: the null device is the one output present.
    EXPECT_FALSE(plat::ListAudioDevices().empty());
    auto out = plat::AudioOutput::Open("");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(plat::CurrentAudioOutput(), out.get());
    out.reset();
    EXPECT_EQ(plat::CurrentAudioOutput(), nullptr);
}

TEST(AudioOutput, LoopbackHearsGainAndPanSide) {
    auto out = plat::AudioOutput::OpenLoopback(kRate);
    ASSERT_NE(out, nullptr);
    auto tone = Tone(kRate);
    uint32_t buffer = plat::MakeAudioBuffer(tone.data(), tone.size() * 2, 1, 16, kRate);
    ASSERT_NE(buffer, 0u);
    struct Case {
        int32_t pan;
        int32_t mb;
    };
    const Case cases[] = {{0, 0}, {0, -1500}, {10000, 0}, {-10000, 0}};
    std::vector<Level> levels;
    for (const Case& c : cases) {
        plat::AudioSource source;
        source.SetBuffer(buffer);
        source.SetPan(c.pan);
        source.SetGain(plat::MillibelsToGain(c.mb));
        source.Play(true);
        Rms(*out, 512);  // let the mixer's gain ramp settle
        levels.push_back(Rms(*out, 4096));
    }
    EXPECT_NEAR(levels[0].left, levels[0].right, levels[0].left * 0.05);
    EXPECT_NEAR(20 * std::log10(levels[1].left / levels[0].left), -15.0, 0.5);
    EXPECT_GT(levels[2].right, levels[2].left * 4);
    EXPECT_GT(levels[3].left, levels[3].right * 4);
    plat::FreeAudioBuffer(buffer);
}

TEST(AudioOutput, NoDeviceMakesNothing) {
    EXPECT_EQ(plat::MakeAudioBuffer("ab", 2, 1, 16, kRate), 0u);
    plat::AudioSource source;
    EXPECT_FALSE(source.Valid());
    source.Play(true);
    EXPECT_FALSE(source.IsPlaying());
}

}  // namespace
