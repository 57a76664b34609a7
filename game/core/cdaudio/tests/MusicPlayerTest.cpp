// Music as audio tracks: the MSF arithmetic, the continuation rule, the track table of a folder, the
// worker thread's looping and random continuation, and the stream heard through the loopback device.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "game/core/cdaudio/CdAudio.h"
#include "game/core/cdaudio/MusicPlayer.h"
#include "platform/audio/AudioGains.h"
#include "platform/audio/AudioOutput.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

TEST(CdMsf, AdditionCarriesAndMilliseconds) {
    struct Case {
        uint32_t a, b, sum;
    };
    const Case cases[] = {
        {Msf(0, 2, 70), Msf(3, 58, 10), Msf(4, 1, 5)},
        {Msf(0, 0, 74), Msf(0, 0, 1), Msf(0, 1, 0)},
        {Msf(0, 59, 0), Msf(0, 1, 0), Msf(1, 0, 0)},
        {Msf(1, 2, 3), Msf(0, 0, 0), Msf(1, 2, 3)},
    };
    for (const Case& c : cases) EXPECT_EQ(MsfAdd(c.a, c.b), c.sum) << std::hex << c.a << " + " << c.b;
    EXPECT_EQ(MsfToMilliseconds(Msf(3, 58, 10)), 10u * 1000 / 75 + (58 + 180) * 1000);
    EXPECT_EQ(MsfToMilliseconds(Msf(0, 0, 74)), 986u);
    EXPECT_EQ(MsfFromMilliseconds(238133), Msf(3, 58, 9));
    EXPECT_EQ(MsfFromMilliseconds(0), 0u);
}

TEST(CdMsf, ContinuationRule) {
    struct Case {
        int repeat, count, r, next;
    };
    const Case cases[] = {{1, 6, 12345, 1}, {3, 6, 0, 2}, {3, 6, 16384, 4}, {3, 6, 32767, 6}, {2, 2, 32767, 2}};
    for (const Case& c : cases) EXPECT_EQ(NextCdIndex(c.repeat, c.count, c.r), c.next) << c.repeat << " " << c.r;
}

void WriteTone(const fs::path& path, int milliseconds, int rate = 22050) {
    plat::ByteWriter w;
    const uint32_t frames = static_cast<uint32_t>(rate) * milliseconds / 1000;
    w.Bytes("RIFF", 4);
    w.U32(36 + frames * 2);
    w.Bytes("WAVEfmt ", 8);
    w.U32(16);
    w.U16(1);
    w.U16(1);
    w.U32(static_cast<uint32_t>(rate));
    w.U32(static_cast<uint32_t>(rate) * 2);
    w.U16(2);
    w.U16(16);
    w.Bytes("data", 4);
    w.U32(frames * 2);
    for (uint32_t i = 0; i < frames; ++i) w.U16(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 0.12))));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(w.Data().data()),
                                                static_cast<std::streamsize>(w.Size()));
}

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TEST_TMPDIR");
        folder = fs::path(tmp ? tmp : "/tmp") / ("music_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        // Tracks 1, 2, 3 and 5; "Track04" is not audio and is skipped like a data track.
        for (int n : {1, 2, 3, 5}) WriteTone(folder / ("Track0" + std::to_string(n) + ".wav"), 200);
        std::ofstream(folder / "Track04.wav") << "not a sound";
        SetMusicFolder(folder.string());
        SetMusicTimerPeriod(40);
        InstallMusicPlayer();
    }
    void TearDown() override {
        CdClose();
        SetCdAudioHooks(CdAudioHooks{});
        SetMusicFolder("");
        SetMusicTimerPeriod(1000);
        fs::remove_all(folder);
    }
    // Waits (at most 20 s) until the condition holds.
    template <class F>
    bool WaitFor(F done) {
        for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    }
    fs::path folder;
};

TEST_F(MusicPlayerTest, FolderGivesTheTrackTable) {
    const std::vector<CdTrackEntry> table = ScanMusicFolder(folder.string());
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].track, 1u);
    EXPECT_EQ(table[3].track, 5u);
    EXPECT_NEAR(MsfToMilliseconds(table[0].length), 200.0, 30.0);
    EXPECT_TRUE(ScanMusicFolder((folder / "none").string()).empty());
}

TEST_F(MusicPlayerTest, TrackOneLoopsOthersContinueAtRandom) {
    ASSERT_EQ(CdOpen(), 0);
    EXPECT_EQ(CdOpen(), 0);  // a second open starts no second player
    ASSERT_TRUE(WaitFor([] { return CdTrackCount() == 4; }));
    CdPlayTrack(1, 1);
    ASSERT_TRUE(WaitFor([] { return MusicStartedIndexes().size() >= 3; }));
    // An index past the table is refused before the repeat index is touched: track 1 goes on.
    CdPlayTrack(9, 1);
    const size_t before = MusicStartedIndexes().size();
    ASSERT_TRUE(WaitFor([&] { return MusicStartedIndexes().size() >= before + 2; }));
    for (int i : MusicStartedIndexes()) EXPECT_EQ(i, 1);

    CdPlayTrack(3, 1);
    const size_t from = MusicStartedIndexes().size();
    ASSERT_TRUE(WaitFor([&] { return MusicStartedIndexes().size() >= from + 6; }));
    std::vector<int> after = MusicStartedIndexes();
    EXPECT_EQ(after[from], 3);
    for (size_t i = from + 1; i < after.size(); ++i) {
        EXPECT_GE(after[i], 2);
        EXPECT_LE(after[i], 4);
    }
    // Stop ends the continuation.
    EXPECT_EQ(CdStop(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const size_t stopped = MusicStartedIndexes().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(MusicStartedIndexes().size(), stopped);
    EXPECT_EQ(CdClose(), 0);
    EXPECT_FALSE(MusicThreadRunning());
    EXPECT_EQ(CdTrackCount(), 0);
}

TEST_F(MusicPlayerTest, NoFilesIsNoDisc) {
    SetMusicFolder((folder / "empty").string());
    ASSERT_EQ(CdOpen(), 0);
    CdPlayTrack(1, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(CdTrackCount(), 0);
    EXPECT_TRUE(MusicStartedIndexes().empty());
    CdClose();
    EXPECT_EQ(MusicStop(), kCdNotOpen);
}

TEST_F(MusicPlayerTest, MusicIsHeardAtTheMusicVolume) {
    WriteTone(folder / "Track01.wav", 3000);
    auto out = plat::AudioOutput::OpenLoopback(44100);
    ASSERT_NE(out, nullptr);
    plat::SetMusicGain(1.0f);
    ASSERT_EQ(CdOpen(), 0);
    ASSERT_TRUE(WaitFor([] { return CdTrackCount() == 4; }));
    CdPlayTrack(1, 0);
    ASSERT_TRUE(WaitFor([] { return !MusicStartedIndexes().empty(); }));
    auto level = [&] {
        std::vector<int16_t> mix(2 * 4410);
        out->Render(mix.data(), 4410);
        double sum = 0;
        for (int16_t s : mix) sum += double(s) * s;
        return std::sqrt(sum / mix.size());
    };
    const double full = level();
    EXPECT_GT(full, 1000.0);
    plat::SetMusicGain(0.0f);
    // The worker applies the gain each time it feeds the stream.
    ASSERT_TRUE(WaitFor([&] { return level() < full * 0.01; }));
    plat::SetMusicGain(1.0f);
    CdClose();
}

}  // namespace
}  // namespace kes
