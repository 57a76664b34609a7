// The sound manager heard through the loopback device: distance volume, pan, the audible limit with
// eviction and resumption, duplicates and the loaders.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "game/core/audio/AudioSystem.h"
#include "game/core/config/Config.h"
#include "game/core/pack/PackFile.h"
#include "platform/audio/AudioGains.h"
#include "platform/audio/AudioOutput.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

constexpr int kRate = 22050;

WaveData Tone() {
    WaveData w;
    w.name = "tone";
    w.format = WaveFormat{1, 1, kRate, kRate * 2, 2, 16, 0};
    plat::ByteWriter out;
    for (int i = 0; i < kRate; ++i) out.U16(static_cast<uint16_t>(static_cast<int16_t>(12000.0 * std::sin(i * 0.1))));
    w.samples = out.Data();
    return w;
}

struct Level {
    double left = 0, right = 0;
    double Both() const { return std::sqrt((left * left + right * right) / 2); }
};

class AudioSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetAudioLoopbackForTests(kRate);
        plat::SetEffectsGain(1.0f);
        g_Config.swapStereo = 0;
        audio = std::make_unique<AudioSystem>();
        ASSERT_EQ(audio->Open(nullptr, 0, kPrimaryFormat22k16Stereo), 0);
        Matrix4 identity{};
        identity.m[0] = identity.m[5] = identity.m[10] = identity.m[15] = 1.0f;
        audio->SetListenerMatrix(&identity);
    }
    void TearDown() override {
        audio.reset();
        plat::SetAudioLoopbackForTests(0);
        g_Config.swapStereo = 0;
    }

    // The level of what plays now, after the mixer's gain ramps settled.
    Level Hear() {
        std::vector<int16_t> mix(4096 * 2);
        audio->Output()->Render(mix.data(), 1024);
        audio->Output()->Render(mix.data(), 4096);
        Level l;
        for (size_t i = 0; i < 4096; ++i) {
            l.left += double(mix[2 * i]) * mix[2 * i];
            l.right += double(mix[2 * i + 1]) * mix[2 * i + 1];
        }
        l.left = std::sqrt(l.left / 4096);
        l.right = std::sqrt(l.right / 4096);
        return l;
    }

    SoundVoice* VoiceAt(float x, float y, int32_t volume = 0, uint32_t priority = 0) {
        SoundVoice* v = audio->MakeVoice(tone, priority);
        EXPECT_NE(v, nullptr);
        const Vec3 p{x, y, 0};
        v->SetPosition(&p);
        v->SetVolume(volume);
        return v;
    }

    WaveData tone = Tone();
    std::unique_ptr<AudioSystem> audio;
};

TEST_F(AudioSystemTest, DistanceDecidesVolume) {
    // Straight ahead of the listener (pan 0), between the default distances 20 and 200.
    const float halfway = std::sqrt((20.0f * 20.0f + 200.0f * 200.0f) / 2.0f);
    struct Case {
        const char* what;
        float distance;
        int32_t volume;
        int32_t bufferVolume;  // applied, hundredths of a decibel; or silent
        bool silent;
    };
    const Case cases[] = {
        {"at the minimum, full volume", 20.0f, 0, 0, false},
        {"at the minimum, -1000", 20.0f, -1000, -300, false},
        {"inside the minimum, -2000", 5.0f, -2000, -600, false},
        {"halfway in squared distance", halfway, 0, -1500, false},
        {"halfway, own volume ignored", halfway, -4000, -1500, false},
        {"at the maximum", 200.0f, 0, 0, true},
        {"beyond the maximum", 250.0f, 0, 0, true},
        {"volume below -5000", 1.0f, -5001, 0, true},
    };
    double reference = 0;
    for (const Case& c : cases) {
        SoundVoice* v = VoiceAt(0, c.distance, c.volume);
        v->Play(1);
        audio->Update();
        const Level l = Hear();
        if (reference == 0) reference = l.Both();
        if (c.silent) {
            EXPECT_EQ(v->Key(), -5000) << c.what;
            EXPECT_LT(l.Both(), reference * 0.001) << c.what;
        } else {
            EXPECT_NEAR(v->BufferVolume(), c.bufferVolume, 1) << c.what;
            EXPECT_NEAR(20 * std::log10(l.Both() / reference), c.bufferVolume / 100.0, 0.3) << c.what;
            EXPECT_NEAR(l.left, l.right, l.left * 0.05) << c.what;
        }
        delete v;
        audio->Update();
    }
    EXPECT_GT(reference, 1000.0);
}

TEST_F(AudioSystemTest, OnlyHeardVoicesHoldOutputSources) {
    // More voices than the device has sources: every one loads, duplicates too, and only the few
    // that are heard hold a source; a voice that ends gives its source back.
    std::vector<std::unique_ptr<SoundVoice>> voices;
    for (int i = 0; i < 300; ++i) {
        voices.emplace_back(i % 2 ? voices.back()->Duplicate(0) : audio->MakeVoice(tone, 0));
        ASSERT_NE(voices.back(), nullptr) << i;
        EXPECT_FALSE(voices.back()->HasSource());
    }
    for (auto& v : voices) v->Play(1);
    audio->Update();
    size_t bound = 0;
    for (auto& v : voices) bound += v->HasSource() ? 1 : 0;
    EXPECT_EQ(bound, audio->AudibleLimit());
    EXPECT_GT(Hear().Both(), 1000.0);
    for (auto& v : voices) v->Stop();
    audio->Update();
    for (auto& v : voices) EXPECT_FALSE(v->HasSource());
    // A rewind asked for before the voice has a source applies when it starts.
    voices[0]->SetPlayPosition(100);
    voices[0]->Play(0);
    audio->Update();
    EXPECT_TRUE(voices[0]->HasSource());
    EXPECT_EQ(voices[0]->IsPlaying(1), 1);
}

TEST_F(AudioSystemTest, PanFollowsSideAndSwapFlag) {
    struct Case {
        float x;
        uint32_t swap;
        bool rightLouder;
    };
    const Case cases[] = {{10, 0, true}, {-10, 0, false}, {10, 1, false}, {-10, 1, true}};
    for (const Case& c : cases) {
        g_Config.swapStereo = c.swap;
        SoundVoice* v = VoiceAt(c.x, 0);
        v->Play(1);
        audio->Update();
        EXPECT_EQ(v->Pan(), (c.x > 0) != (c.swap != 0) ? 10000 : -10000);
        const Level l = Hear();
        if (c.rightLouder) EXPECT_GT(l.right, l.left * 4) << c.x << " " << c.swap;
        else EXPECT_GT(l.left, l.right * 4) << c.x << " " << c.swap;
        delete v;
    }
    // At the listener itself there is no side: the middle.
    SoundVoice* v = VoiceAt(0, 0);
    v->Play(1);
    audio->Update();
    EXPECT_EQ(v->Pan(), 0);
    delete v;
}

TEST_F(AudioSystemTest, ThirteenVoicesKeepTheTwelveLoudest) {
    // All inside the minimum distance at full volume: the key is 20 x priority.
    std::vector<SoundVoice*> voices;
    for (uint32_t p = 1; p <= 13; ++p) {
        voices.push_back(VoiceAt(0, 10, 0, p));
        voices.back()->Play(1);
    }
    audio->Update();
    for (uint32_t p = 1; p <= 13; ++p) {
        EXPECT_EQ(voices[p - 1]->Key(), static_cast<int32_t>(20 * p));
        EXPECT_EQ(voices[p - 1]->IsPlaying(1), p == 1 ? 0 : 1) << p;
    }
    EXPECT_TRUE(voices[0]->Evicted());
    EXPECT_GT(Hear().Both(), 1000.0);

    // The loudest walks out of hearing: the evicted looping voice comes back.
    const Vec3 far{0, 500, 0};
    voices[12]->SetPosition(&far);
    audio->Update();
    audio->Update();
    EXPECT_EQ(voices[12]->IsPlaying(1), 0);
    EXPECT_EQ(voices[0]->IsPlaying(1), 1);
    EXPECT_FALSE(voices[0]->Evicted());
    for (SoundVoice* v : voices) delete v;
    EXPECT_EQ(audio->VoiceCount(), 0u);
}

TEST_F(AudioSystemTest, HardwareThreeDHoldsEight) {
    EXPECT_EQ(audio->SetHardware3D(0), -1);
    EXPECT_EQ(audio->SetHardware3D(1), 0);
    std::vector<SoundVoice*> voices;
    for (uint32_t p = 1; p <= 9; ++p) {
        voices.push_back(VoiceAt(0, 10, 0, p));
        voices.back()->Play(1);
    }
    audio->Update();
    int playing = 0;
    for (SoundVoice* v : voices) playing += v->IsPlaying(1);
    EXPECT_EQ(playing, 8);
    EXPECT_EQ(voices[0]->IsPlaying(1), 0);
    for (SoundVoice* v : voices) delete v;
}

TEST_F(AudioSystemTest, StopAndPlayRequests) {
    SoundVoice* v = VoiceAt(0, 10);
    // A new voice is stopped cleanly by the first update.
    EXPECT_EQ(v->StopRequest(), 0x7FFFFFFF);
    audio->Update();
    EXPECT_EQ(v->StopRequest(), 0);
    EXPECT_EQ(v->IsPlaying(1), 0);
    // Play after Stop in the same frame plays; Stop after Play stops.
    v->Stop();
    v->Play(1);
    audio->Update();
    EXPECT_EQ(v->IsPlaying(1), 1);
    v->Play(1);
    v->Stop();
    audio->Update();
    EXPECT_EQ(v->IsPlaying(1), 0);
    EXPECT_LT(Hear().Both(), 1.0);
    // A stopped voice stays stopped.
    audio->Update();
    EXPECT_EQ(v->IsPlaying(1), 0);
    delete v;
}

TEST_F(AudioSystemTest, LoopingVoiceOutOfHearingStartsWhenNear) {
    SoundVoice* v = VoiceAt(0, 1000);
    v->Play(1);
    audio->Update();
    EXPECT_EQ(v->IsPlaying(1), 0);
    const Vec3 near{0, 10, 0};
    v->SetPosition(&near);
    audio->Update();
    EXPECT_EQ(v->IsPlaying(1), 1);
    delete v;
}

TEST_F(AudioSystemTest, EffectsGainScalesEveryVoice) {
    SoundVoice* v = VoiceAt(0, 10);
    v->Play(1);
    audio->Update();
    const double full = Hear().Both();
    plat::SetEffectsGain(0.5f);
    audio->Update();
    EXPECT_NEAR(Hear().Both() / full, 0.5, 0.02);
    plat::SetEffectsGain(1.0f);
    delete v;
}

TEST_F(AudioSystemTest, DuplicatesShareSamples) {
    SoundVoice* v = VoiceAt(3, 4, -700, 2);
    v->SetDistances(5.0f, 50.0f);
    v->SetFrequency(11025);
    SoundVoice* d = v->Duplicate(7);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(v->SampleShares(), 2);
    EXPECT_STREQ(d->Name(), "tone");
    EXPECT_EQ(d->Volume(), -700);
    EXPECT_EQ(d->Frequency(), 11025u);
    EXPECT_EQ(d->Position().x, 3.0f);
    EXPECT_EQ(d->MinDistance(), 5.0f);
    EXPECT_EQ(d->MaxDistance(), 50.0f);
    EXPECT_EQ(d->Priority(), 7u);
    EXPECT_EQ(audio->VoiceCount(), 2u);
    delete v;
    EXPECT_EQ(d->SampleShares(), 1);
    d->Play(0);
    audio->Update();
    EXPECT_GT(Hear().Both(), 100.0);
    delete d;
    EXPECT_EQ(audio->VoiceCount(), 0u);
}

TEST_F(AudioSystemTest, LoadsFilesAndRecordsAndRefusesDamage) {
    const std::string dir = std::getenv("TEST_TMPDIR") ? std::getenv("TEST_TMPDIR") : "/tmp/";
    const std::string wav = dir + "audio_tone_" + std::to_string(::getpid()) + ".wav";
    ASSERT_EQ(qv::WriteWaveFile(wav, tone), 0);
    SoundVoice* v = audio->LoadSoundFile(wav.c_str());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Format().samplesPerSec, static_cast<uint32_t>(kRate));
    delete v;
    EXPECT_EQ(audio->LoadSoundFile((dir + "none.wav").c_str()), nullptr);
    EXPECT_EQ(audio->LoadSoundFromPack("none.wav"), nullptr);

    // A record, then a record whose size runs past its chunk.
    const std::string recPath = dir + "audio_tone_" + std::to_string(::getpid()) + ".rec";
    plat::ByteWriter w;
    qv::WriteWaveRecord(w, tone);
    FILE* f = std::fopen(recPath.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(w.Data().data(), 1, w.Size(), f);
    std::fclose(f);
    {
        PackFile stream(recPath.c_str(), "rb", 0);
        SoundVoice* r = audio->LoadSoundFromStream(stream, static_cast<uint32_t>(w.Size()));
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(r->Name(), "tone");
        delete r;
    }
    {
        PackFile stream(recPath.c_str(), "rb", 0);
        EXPECT_EQ(audio->LoadSoundFromStream(stream, static_cast<uint32_t>(w.Size() - 1)), nullptr);
    }
    std::remove(wav.c_str());
    std::remove(recPath.c_str());
}

TEST(AudioSystemOpen, RefusesUnknownDeviceAndFormat) {
    AudioSystem audio;
    ASSERT_FALSE(audio.Devices().empty());
    EXPECT_FALSE(audio.Devices()[0].hasGuid);
    Guid unknown{};
    unknown[0] = 0x42;
    EXPECT_EQ(audio.Open(&unknown, 0, kPrimaryFormat22k16Stereo), kAudioInvalidParam);
    EXPECT_EQ(audio.Open(nullptr, 0, 0x5011), kAudioInvalidParam);
    EXPECT_EQ(audio.Open(nullptr, 0, 0x3013), kAudioInvalidParam);
    // Without an open device nothing loads: the game runs silent.
    WaveData w = Tone();
    EXPECT_EQ(audio.MakeVoice(w, 0), nullptr);
    // The null device, by its own identifier.
    EXPECT_EQ(audio.Open(&audio.Devices().back().guid, 0, kPrimaryFormat22k16Stereo), 0);
    EXPECT_NE(audio.MakeVoice(w, 0), nullptr);
}

}  // namespace
}  // namespace kes
