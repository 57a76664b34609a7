// The generated sounds, music and movies load through the game's own readers: every wave decodes,
// the music folder gives its track table, and every movie of the movie pack decodes to its last frame
// inside its window, the tutorials with four sound tracks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "game/core/audio/WaveLoad.h"
#include "game/core/cdaudio/MusicPlayer.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/datapack/MoviePackDirectory.h"
#include "game/core/pack/PackFile.h"
#include "platform/media/MediaDecoder.h"
#include "tools/contentgen/ContentGen.h"

namespace tools {
namespace {

namespace fs = std::filesystem;

TEST(GeneratedSoundsAndMovies, LoadThroughTheGamesReaders) {
    const char* tmp = std::getenv("TEST_TMPDIR");
    const fs::path out = fs::path(tmp ? tmp : "/tmp") / ("generated_media_" + std::to_string(::getpid()));
    std::ostringstream log;
    std::string error;
    GenerateOptions options;
    options.force = true;
    ASSERT_TRUE(GenerateContent(out.string(), options, log, &error)) << error;

    ASSERT_EQ(kes::MakeLoadCache((out / "Kestrun.dat").c_str()), 1);
    for (const char* name : {"FrontEnd\\SOUND\\click on.wav", "FrontEnd\\SOUND\\menu rev.wav", "ColSounds\\1-2-3.wav",
                             "ColSounds\\Start.wav", "score.wav"}) {
        uint32_t size = 0;
        void* bytes = kes::LoadFile(name, nullptr, &size);
        ASSERT_NE(bytes, nullptr) << name;
        kes::WaveData wave;
        EXPECT_EQ(kes::DecodeWave(static_cast<const uint8_t*>(bytes), size, &wave), 0) << name;
        EXPECT_EQ(wave.format.samplesPerSec, 22050u) << name;
        EXPECT_EQ(wave.format.channels, 1) << name;
        EXPECT_EQ(wave.format.bitsPerSample, 16) << name;
        std::free(bytes);
    }
    kes::FreeLoadCache();

    const std::vector<kes::CdTrackEntry> music = kes::ScanMusicFolder((out / "Music").string());
    ASSERT_GE(music.size(), 2u);
    EXPECT_EQ(kes::MsfToMilliseconds(music[0].length) / 1000, 60u);

    const std::string moviePack = (out / "kestrun" / "Movies.dat").string();
    kes::PackFile pack(moviePack.c_str(), "rb", 0);
    std::vector<kes::MoviePackEntry> entries;
    ASSERT_EQ(kes::ReadMoviePackDirectory(pack, &entries), 0);
    EXPECT_EQ(entries.size(), 5u + 12u + 13u + 40u + 10u);
    for (const char* name : {"Pellwyn.bik", "Halvex.bik", "Intro.bik", "outro.bik", "Tutorial\\help.bik",
                             "Podium\\PNCH_3RD_SOND.bik", "Rewards\\slump.bik", "GameOver\\windsurf.bik"})
        EXPECT_NE(kes::FindMoviePackEntry(entries, name), nullptr) << name;
    std::vector<uint8_t> pixels(320 * 240 * 4);
    for (const kes::MoviePackEntry& e : entries) {
        auto d = plat::MediaDecoder::Open(plat::FileWindowReader::Open(moviePack, e.offset, e.size), 0, true, 22050);
        ASSERT_NE(d, nullptr) << e.name;
        EXPECT_EQ(d->Width(), 320) << e.name;
        EXPECT_EQ(d->AudioStreamCount(), std::string(e.name).rfind("Tutorial\\", 0) == 0 ? 4 : 1) << e.name;
        int frames = 0;
        while (d->NextFrame(pixels.data(), 320 * 4)) ++frames;
        EXPECT_EQ(frames, d->FrameCount()) << e.name;
        EXPECT_EQ(frames, 30) << e.name;
    }
    fs::remove_all(out);
}

}  // namespace
}  // namespace tools
