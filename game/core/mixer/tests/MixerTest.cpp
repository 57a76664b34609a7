// The volume lines: levels map to the program's gains, the player's levels survive slider moves, and
// an effect voice is heard at the effects level.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "game/core/audio/AudioSystem.h"
#include "game/core/mixer/Mixer.h"
#include "platform/audio/AudioGains.h"
#include "platform/audio/AudioOutput.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

TEST(Mixer, LevelsBecomeGainsAndRestoreGivesBackTheSavedOnes) {
    plat::SetMusicGain(0.8f);
    plat::SetEffectsGain(0.9f);
    MixerSaveVolumes();
    struct Case {
        int kind;
        float level, music, effects;
    };
    const Case cases[] = {{kMixerMusic, 0.6f, 0.6f, 0.9f}, {kMixerEffects, 1.0f, 0.6f, 1.0f},
                          {kMixerEffects, 0.0f, 0.6f, 0.0f}, {kMixerMusic, 1.5f, 1.0f, 0.0f},
                          {kMixerMusic, -1.0f, 0.0f, 0.0f}, {7, 0.5f, 0.0f, 0.0f}};
    for (const Case& c : cases) {
        MixerSetVolume(c.kind, c.level);
        EXPECT_FLOAT_EQ(plat::MusicGain(), c.music) << c.kind << " " << c.level;
        EXPECT_FLOAT_EQ(plat::EffectsGain(), c.effects) << c.kind << " " << c.level;
    }
    // Moving the sliders never overwrote the saved levels.
    EXPECT_FLOAT_EQ(MixerSavedLevel(kMixerMusic), 0.8f);
    MixerRestoreVolumes();
    EXPECT_FLOAT_EQ(plat::MusicGain(), 0.8f);
    EXPECT_FLOAT_EQ(plat::EffectsGain(), 0.9f);
    EXPECT_EQ(MixerFindVolume(5), -1);
    plat::SetMusicGain(1.0f);
    plat::SetEffectsGain(1.0f);
}

TEST(Mixer, EffectsLevelIsHeard) {
    plat::SetAudioLoopbackForTests(22050);
    {
        AudioSystem audio;
        ASSERT_EQ(audio.Open(nullptr, 0, kPrimaryFormat22k16Stereo), 0);
        WaveData tone;
        tone.format = WaveFormat{1, 1, 22050, 44100, 2, 16, 0};
        plat::ByteWriter w;
        for (int i = 0; i < 22050; ++i) w.U16(static_cast<uint16_t>(static_cast<int16_t>(10000 * std::sin(i * 0.2))));
        tone.samples = w.Data();
        Matrix4 m{};
        m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1;
        audio.SetListenerMatrix(&m);
        SoundVoice* v = audio.MakeVoice(tone, 0);
        ASSERT_NE(v, nullptr);
        v->Play(1);
        auto level = [&] {
            audio.Update();
            std::vector<int16_t> mix(8192);
            audio.Output()->Render(mix.data(), 1024);
            audio.Output()->Render(mix.data(), 4096);
            double sum = 0;
            for (int16_t s : mix) sum += double(s) * s;
            return std::sqrt(sum / mix.size());
        };
        MixerSetVolume(kMixerEffects, 1.0f);
        const double full = level();
        MixerSetVolume(kMixerEffects, 0.25f);
        EXPECT_NEAR(level() / full, 0.25, 0.02);
        MixerSetVolume(kMixerEffects, 0.0f);
        EXPECT_LT(level(), full * 0.001);
        MixerSetVolume(kMixerEffects, 1.0f);
        delete v;
    }
    plat::SetAudioLoopbackForTests(0);
}

}  // namespace
}  // namespace kes
