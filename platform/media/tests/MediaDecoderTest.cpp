// Movies written by the encoder and read back through a bounded window: frames, pictures, the chosen
// sound track, and damaged input.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/media/MediaDecoder.h"
#include "platform/media/MovieEncoder.h"

namespace plat {
namespace {

std::string Scratch(const char* name) {
    const char* dir = std::getenv("TEST_TMPDIR");
    return std::string(dir ? dir : "/tmp/") + name;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), {});
}

// Frame n is a solid grey of level 20 n; sound track t is a tone of amplitude 3000 (t + 1).
MovieSpec TestMovie() {
    MovieSpec recipe;
    recipe.width = 64;
    recipe.height = 48;
    recipe.fps = 10;
    recipe.frames = 8;
    recipe.soundTracks = 3;
    recipe.draw = [](int n, uint8_t* px, int pitch) {
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                uint8_t* p = px + y * pitch + x * 4;
                p[0] = p[1] = p[2] = static_cast<uint8_t>(20 * n + 40);
                p[3] = 255;
            }
    };
    recipe.sound = [](int t, int64_t first, int16_t* s, int count) {
        for (int i = 0; i < count; ++i) s[i] = static_cast<int16_t>(3000 * (t + 1) * std::sin((first + i) * 0.15));
    };
    return recipe;
}

// Counts what the decoder reads and checks it never asks past the window.
class CountingReader : public MediaReader {
public:
    explicit CountingReader(std::unique_ptr<MediaReader> inner) : inner_(std::move(inner)) {}
    int Read(uint8_t* out, int n) override {
        const int got = inner_->Read(out, n);
        if (got > 0) bytes += got;
        if (inner_->Position() > inner_->Size()) outside = true;
        return got;
    }
    bool Seek(int64_t p) override {
        if (p < 0 || p > inner_->Size()) outside = true;
        return inner_->Seek(p);
    }
    int64_t Position() const override { return inner_->Position(); }
    int64_t Size() const override { return inner_->Size(); }
    static inline int64_t bytes = 0;
    static inline bool outside = false;

private:
    std::unique_ptr<MediaReader> inner_;
};

class MediaDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string movie = Scratch(("media_movie_" + std::to_string(::getpid()) + ".avi").c_str());
        ASSERT_TRUE(EncodeMovie(movie, TestMovie()));
        bytes = ReadAll(movie);
        ASSERT_GT(bytes.size(), 1000u);
        // The movie between two blocks of other bytes, as in a pack.
        pack = Scratch(("media_pack_" + std::to_string(::getpid()) + ".bin").c_str());
        std::ofstream out(pack, std::ios::binary);
        const std::vector<char> sentinel(4096, '\xEE');
        out.write(sentinel.data(), 4096);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.write(sentinel.data(), 4096);
        std::remove(movie.c_str());
    }
    void TearDown() override { std::remove(pack.c_str()); }

    std::vector<uint8_t> bytes;
    std::string pack;
};

TEST_F(MediaDecoderTest, DecodesEveryFrameInsideItsWindowWithTheChosenTrack) {
    std::vector<double> levels;
    for (int track : {0, 2, 7}) {
        CountingReader::bytes = 0;
        CountingReader::outside = false;
        auto window = FileWindowReader::Open(pack, 4096, static_cast<int64_t>(bytes.size()));
        ASSERT_NE(window, nullptr);
        auto d = MediaDecoder::Open(std::make_unique<CountingReader>(std::move(window)), track, true, 22050);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->Width(), 64);
        EXPECT_EQ(d->Height(), 48);
        EXPECT_EQ(d->FrameCount(), 8);
        EXPECT_NEAR(d->FrameRate(), 10.0, 0.01);
        EXPECT_EQ(d->AudioStreamCount(), 3);
        EXPECT_EQ(d->AudioTrack(), track == 7 ? 0 : track);  // a missing track falls back to the first
        std::vector<uint8_t> px(64 * 48 * 4);
        std::vector<int16_t> all, some;
        int frames = 0;
        while (d->NextFrame(px.data(), 64 * 4)) {
            // The middle of the picture holds the frame's grey (MPEG-4 loses a little).
            EXPECT_NEAR(px[(24 * 64 + 32) * 4 + 1], 20 * frames + 40, 6) << frames;
            ++frames;
            d->TakeAudio(&some);
            all.insert(all.end(), some.begin(), some.end());
        }
        d->TakeAudio(&some);
        all.insert(all.end(), some.begin(), some.end());
        EXPECT_EQ(frames, 8);
        EXPECT_FALSE(CountingReader::outside);
        EXPECT_LE(CountingReader::bytes, static_cast<int64_t>(bytes.size()) * 2);
        double sum = 0;
        for (int16_t s : all) sum += double(s) * s;
        ASSERT_FALSE(all.empty());
        levels.push_back(std::sqrt(sum / all.size()));
    }
    EXPECT_NEAR(levels[1] / levels[0], 3.0, 0.1);
    EXPECT_NEAR(levels[2] / levels[0], 1.0, 0.05);
}

TEST_F(MediaDecoderTest, SoundOnlyDecoding) {
    auto d = MediaDecoder::Open(std::make_unique<MemoryReader>(bytes.data(), bytes.size()), 1, false, 44100);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->HasVideo());
    size_t frames = 0;
    std::vector<int16_t> s;
    while (d->DecodeAudio(4096)) {
        d->TakeAudio(&s);
        frames += s.size() / 2;
    }
    // 0.8 s resampled to 44100 Hz.
    EXPECT_NEAR(static_cast<double>(frames), 0.8 * 44100, 200);
}

TEST_F(MediaDecoderTest, DamagedInputIsRefusedOrEndsEarly) {
    // Windows that do not fit the file are refused before any decoding.
    EXPECT_EQ(FileWindowReader::Open(pack, 4096, static_cast<int64_t>(bytes.size()) + 8192), nullptr);
    EXPECT_EQ(FileWindowReader::Open(pack, -1, 10), nullptr);
    EXPECT_EQ(FileWindowReader::Open(Scratch("none.bin"), 0, -1), nullptr);
    // Not a movie at all.
    const std::vector<uint8_t> junk(5000, 0xEE);
    EXPECT_EQ(MediaDecoder::Open(std::make_unique<MemoryReader>(junk.data(), junk.size()), 0, true, 22050), nullptr);
    EXPECT_EQ(MediaDecoder::Open(std::make_unique<MemoryReader>(junk.data(), 0), 0, true, 22050), nullptr);
    // Cut short or scribbled over: whatever opens ends without a fault.
    std::vector<uint8_t> damaged = bytes;
    for (size_t i = 600; i < damaged.size(); i += 97) damaged[i] ^= 0x5A;
    for (size_t cut : {size_t{300}, bytes.size() / 2, bytes.size()}) {
        auto d = MediaDecoder::Open(std::make_unique<MemoryReader>(damaged.data(), cut), 0, true, 22050);
        if (!d) continue;
        std::vector<uint8_t> px(static_cast<size_t>(d->Width()) * d->Height() * 4);
        int frames = 0;
        while (frames < 100 && d->NextFrame(px.data(), d->Width() * 4)) ++frames;
        EXPECT_LT(frames, 100);
    }
}

}  // namespace
}  // namespace plat
