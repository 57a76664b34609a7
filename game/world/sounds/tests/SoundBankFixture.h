#pragma once
// A sound system rendering into memory over a scratch game folder holding every sound the banks
// load: each a short tone whose pitch and level are its own, so that tests can tell by ear which
// voice plays.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "editor/sound/WaveFile.h"
#include "game/core/audio/AudioSystem.h"
#include "platform/audio/AudioGains.h"
#include "platform/audio/AudioOutput.h"
#include "platform/bytes/ByteIO.h"
#include "platform/fs/Paths.h"

namespace kes::test {

constexpr int kRate = 22050;

class SoundBankFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TEST_TMPDIR");
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::string(tmp ? tmp : "/tmp/") + "sounds_" + info->name() + "_" + std::to_string(::getpid());
        std::filesystem::create_directories(folder);
        previousFolder = plat::CurrentFolder();
        ASSERT_TRUE(plat::SetCurrentFolder(folder));
        plat::SetAudioLoopbackForTests(kRate);
        plat::SetEffectsGain(1.0f);
        audio = std::make_unique<AudioSystem>();
        ASSERT_EQ(audio->Open(nullptr, 0, kPrimaryFormat22k16Stereo), 0);
        Matrix4 identity{};
        identity.m[0] = identity.m[5] = identity.m[10] = identity.m[15] = 1.0f;
        audio->SetListenerMatrix(&identity);
        SetTheAudioSystem(audio.get());
    }
    void TearDown() override {
        SetTheAudioSystem(nullptr);
        audio.reset();
        plat::SetAudioLoopbackForTests(0);
        plat::SetCurrentFolder(previousFolder);
        std::filesystem::remove_all(folder);
    }
    // A looping tone of hz at amplitude, one second long (a whole number of periods).
    void WriteTone(const std::string& name, double hz, double amplitude) {
        qv::WaveData w;
        w.format = qv::WaveFormat{1, 1, kRate, kRate * 2, 2, 16, 0};
        plat::ByteWriter out;
        for (int i = 0; i < kRate; ++i)
            out.U16(static_cast<uint16_t>(static_cast<int16_t>(amplitude * std::sin(2 * M_PI * hz * i / kRate))));
        w.samples = out.Data();
        const std::string path = plat::ResolvePath(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        ASSERT_EQ(qv::WriteWaveFile(path, w), 0) << name;
    }
    // Level and pitch (zero crossings per second) of what plays now.
    struct Heard {
        double level = 0, pitch = 0;
    };
    Heard Listen() {
        audio->Update();
        std::vector<int16_t> mix(4096 * 2);
        audio->Output()->Render(mix.data(), 1024);
        audio->Output()->Render(mix.data(), 4096);
        Heard h;
        int crossings = 0;
        // Both channels together: a voice off to one side is panned, not quieter.
        double last = 0;
        for (size_t i = 0; i < 4096; ++i) {
            const double s = (static_cast<double>(mix[2 * i]) + mix[2 * i + 1]) / 2;
            h.level += s * s;
            if (i && (s >= 0) != (last >= 0)) ++crossings;
            last = s;
        }
        h.level = std::sqrt(h.level / 4096);
        h.pitch = crossings / 2.0 * kRate / 4096.0;
        return h;
    }
    std::string folder, previousFolder;
    std::unique_ptr<AudioSystem> audio;
};

}  // namespace kes::test
