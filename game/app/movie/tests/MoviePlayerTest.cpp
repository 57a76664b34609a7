// Movies from a generated movie pack, played headless through the real decoder and display: every
// entry to its last frame inside its window, the picture on the screen, the language's sound track
// heard through the loopback device, Escape, a pending quit, and damaged entries and packs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/app/movie/MoviePlayer.h"
#include "game/core/config/Config.h"
#include "game/core/display/Display.h"
#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "platform/audio/AudioOutput.h"
#include "platform/media/MovieEncoder.h"
#include "platform/sys/Env.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

std::string Scratch(const std::string& name) {
    const char* dir = std::getenv("TEST_TMPDIR");
    return std::string(dir ? dir : "/tmp/") + name;
}

std::vector<uint8_t> Movie(int width, int height, int frames, int tracks, uint8_t blue) {
    plat::MovieSpec recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.frames = frames;
    recipe.soundTracks = tracks;
    recipe.draw = [=](int, uint8_t* px, int pitch) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = px + y * pitch + x * 4;
                p[0] = blue;
                p[1] = 60;
                p[2] = 30;
                p[3] = 255;
            }
    };
    recipe.sound = [](int t, int64_t first, int16_t* s, int count) {
        for (int i = 0; i < count; ++i) s[i] = static_cast<int16_t>(2000 * (t + 1) * std::sin((first + i) * 0.2));
    };
    const std::string path = Scratch("movie_tmp_" + std::to_string(::getpid()) + ".avi");
    EXPECT_TRUE(plat::EncodeMovie(path, recipe));
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
    std::remove(path.c_str());
    return bytes;
}

// Counts the bytes a movie reads and notes any attempt to leave its window.
class CountingReader : public plat::MediaReader {
public:
    explicit CountingReader(std::unique_ptr<plat::MediaReader> inner) : inner_(std::move(inner)) { size = inner_->Size(); }
    int Read(uint8_t* out, int n) override {
        const int got = inner_->Read(out, n);
        if (got > 0) bytes += got;
        return got;
    }
    bool Seek(int64_t p) override {
        if (p < 0 || p > inner_->Size()) outside = true;
        return inner_->Seek(p);
    }
    int64_t Position() const override { return inner_->Position(); }
    int64_t Size() const override { return inner_->Size(); }
    static inline int64_t bytes = 0, size = 0;
    static inline bool outside = false;

private:
    std::unique_ptr<plat::MediaReader> inner_;
};

class MoviePlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("GRAVELON_FRAME_MS", "10", 1);
        plat::ReloadEnv();
        pack = Scratch("Movies_" + std::to_string(::getpid()) + ".dat");
        std::vector<tools::PackInput> files = {
            {"Intro.bik", Movie(160, 120, 6, 1, 200)},
            {"Tutorial\\help.bik", Movie(64, 48, 5, 4, 90)},
            {"outro.bik", Movie(64, 48, 30, 1, 120)},
            {"Broken.bik", std::vector<uint8_t>(3000, 0xEE)},
        };
        std::string error;
        ASSERT_TRUE(tools::WritePack(pack, files, &error)) << error;
        g_Config.language = 0;
        ClearProgramQuit();
        InputInit(nullptr, nullptr);
        ASSERT_EQ(DisplayInit(kDeviceHidden | kDeviceNoVsync), 0);
        ASSERT_EQ(OpenMoviePack(pack.c_str()), 0);
    }
    void TearDown() override {
        SetMovieReaderWrapper(nullptr);
        CloseMoviePack();
        UnloadInputScript();
        InputShutdown();
        DeviceShutdown();
        DisplayShutdown();
        ClearProgramQuit();
        std::remove(pack.c_str());
        unsetenv("GRAVELON_FRAME_MS");
        plat::ReloadEnv();
    }
    std::string pack;
};

TEST_F(MoviePlayerTest, EveryEntryPlaysToItsLastFrameInsideItsWindow) {
    SetMovieReaderWrapper([](std::unique_ptr<plat::MediaReader> r) -> std::unique_ptr<plat::MediaReader> {
        return std::make_unique<CountingReader>(std::move(r));
    });
    ASSERT_EQ(MoviePackCount(), 4u);
    struct Case {
        const char* name;
        int frames, width;
    };
    const Case cases[] = {{"outro.bik", 30, 64}, {"TUTORIAL\\HELP.BIK", 5, 64}, {"intro.bik", 6, 160}};
    for (const Case& c : cases) {
        CountingReader::bytes = 0;
        CountingReader::outside = false;
        const MovieResult r = PlayMovie(c.name);
        EXPECT_EQ(r.end, MovieEnd::LastFrame) << c.name;
        EXPECT_EQ(r.frameCount, c.frames) << c.name;
        EXPECT_EQ(r.framesShown, c.frames) << c.name;
        EXPECT_EQ(r.width, c.width) << c.name;
        EXPECT_FALSE(CountingReader::outside) << c.name;
        EXPECT_GT(CountingReader::bytes, 0) << c.name;
        EXPECT_LE(CountingReader::bytes, CountingReader::size * 2) << c.name;
    }
    // The intro's last frame is on the screen at (0, 0), its own size: 160 x 120 of 640 x 480.
    const std::vector<uint8_t> screen = RenderReadBackBuffer();
    ASSERT_EQ(screen.size(), 640u * 480u * 4u);
    auto pixel = [&](int x, int y) { return &screen[(static_cast<size_t>(y) * 640 + x) * 4]; };
    const uint8_t* inside = pixel(80, 60);
    // Bytes B, G, R as drawn (MPEG-4 loses a little).
    EXPECT_NEAR(inside[0], 200, 12);
    EXPECT_NEAR(inside[1], 60, 12);
    EXPECT_NEAR(inside[2], 30, 12);
    const uint8_t* outside = pixel(400, 300);
    EXPECT_LT(outside[0] + outside[1] + outside[2], 10);
}

TEST_F(MoviePlayerTest, TutorialPlaysTheLanguagesSoundTrack) {
    auto out = plat::AudioOutput::OpenLoopback(22050);
    ASSERT_NE(out, nullptr);
    const int expected[4] = {0, 1, 3, 2};
    std::vector<double> levels;
    // What the player hears while each frame is on the screen: a tenth of a second at 10 frames a second.
    static plat::AudioOutput* output = out.get();
    static double sum = 0;
    static size_t count = 0;
    SetMovieFrameObserver([](int) {
        std::vector<int16_t> mix(2 * 2205);
        output->Render(mix.data(), 2205);
        for (int16_t s : mix) sum += double(s) * s;
        count += mix.size();
    });
    for (uint32_t language = 0; language < 4; ++language) {
        g_Config.language = language;
        sum = 0;
        count = 0;
        const MovieResult r = PlayMovie("Tutorial\\help.bik");
        EXPECT_EQ(r.soundTrack, expected[language]) << language;
        levels.push_back(std::sqrt(sum / static_cast<double>(count ? count : 1)));
    }
    SetMovieFrameObserver(nullptr);
    ASSERT_GT(levels[0], 100.0);
    for (uint32_t language = 1; language < 4; ++language)
        EXPECT_NEAR(levels[language] / levels[0], expected[language] + 1, 0.25) << language;
    EXPECT_EQ(MovieSoundTrack("Intro.bik", 3), 0);
    EXPECT_EQ(MovieSoundTrack("Tu", 3), 0);
}

TEST_F(MoviePlayerTest, EscapeSkipsTheMovie) {
    const std::string script = Scratch("movie_escape_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(script) << std::to_string(FrameNumber() + 3) << " key ESC down\n";
    ASSERT_TRUE(LoadInputScript(script));
    const MovieResult r = PlayMovie("outro.bik");
    EXPECT_EQ(r.end, MovieEnd::Escape);
    EXPECT_LE(r.framesShown, 4);
    std::remove(script.c_str());
}

TEST_F(MoviePlayerTest, QuitEndsTheMovieAndStaysPending) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    const MovieResult r = PlayMovie("outro.bik");
    EXPECT_EQ(r.end, MovieEnd::Quit);
    EXPECT_LT(r.framesShown, 30);
    EXPECT_TRUE(ProgramQuitRequested());
}

TEST_F(MoviePlayerTest, MissingOrDamagedCountsAsEnded) {
    EXPECT_EQ(PlayMovie("none.bik").end, MovieEnd::NotFound);
    EXPECT_EQ(PlayMovie("Broken.bik").end, MovieEnd::CannotOpen);
    EXPECT_EQ(PlayMovie(nullptr).end, MovieEnd::NotFound);
    // A pack that cannot be read: no pack, and every movie counts as ended.
    EXPECT_EQ(OpenMoviePack(Scratch("none.dat").c_str()), -1);
    EXPECT_FALSE(MoviePackOpen());
    EXPECT_EQ(PlayMovie("outro.bik").end, MovieEnd::NotFound);
    std::ifstream in(pack, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    for (size_t cut : {size_t{2}, size_t{9}, size_t{40}}) {
        const std::string damaged = Scratch("movies_cut_" + std::to_string(::getpid()) + ".dat");
        std::ofstream(damaged, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(cut));
        EXPECT_EQ(OpenMoviePack(damaged.c_str()), -1) << cut;
        std::remove(damaged.c_str());
    }
    // An empty pack is ready.
    std::string error;
    const std::string empty = Scratch("movies_empty_" + std::to_string(::getpid()) + ".dat");
    ASSERT_TRUE(tools::WritePack(empty, {}, &error));
    EXPECT_EQ(OpenMoviePack(empty.c_str()), 0);
    EXPECT_EQ(MoviePackCount(), 0u);
    std::remove(empty.c_str());
}

}  // namespace
}  // namespace kes
