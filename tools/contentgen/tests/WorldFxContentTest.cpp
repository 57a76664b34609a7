// The race's effect pictures and sounds: they decode with the game's own readers, and they have
// the shape the game relies on (seamless engine loops that rise with the engine, puffs that fade
// over their frames, a horizon whose sky is transparent).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "game/core/audio/WaveLoad.h"
#include "game/core/image/ImageDecode.h"
#include "game/core/image/ImageRecord.h"
#include "tools/contentgen/frontend/MenuSounds.h"
#include "tools/contentgen/worldfx/WorldFxPictures.h"
#include "tools/contentgen/worldfx/WorldFxSounds.h"

namespace tools {
namespace {

struct Picture {
    kes::ImageRecord* image = nullptr;
    explicit Picture(const std::vector<uint8_t>& bmp) : image(kes::ImageFromBitmapFile(bmp.data(), bmp.size())) {}
    ~Picture() { kes::FreeImage(image); }
    // Grey level (first byte) of a pixel of an 8-bit picture, top row 0.
    int Grey(uint32_t x, uint32_t y) const {
        const uint8_t* row = image->pixels + static_cast<size_t>(y) * image->stride;
        return image->palette ? static_cast<int>(image->palette[row[x]] & 0xFF) : row[x];
    }
};

double Rms(const std::vector<int16_t>& s) {
    double sum = 0;
    for (int16_t v : s) sum += double(v) * v;
    return std::sqrt(sum / static_cast<double>(s.size()));
}

double Crossings(const std::vector<int16_t>& s) {
    int n = 0;
    for (size_t i = 1; i < s.size(); ++i) n += (s[i] >= 0) != (s[i - 1] >= 0);
    return n / 2.0 * kFxRate / static_cast<double>(s.size());
}

TEST(WorldFxContent, PicturesDecodeWithTheGamesReaderAtTheirSizes) {
    struct Case {
        const char* what;
        PicturePair pair;
        uint32_t size;
    };
    const Case cases[] = {{"flare", LensFlarePicture(), 128}, {"dust", ParticleAtlas(ParticleLook::Dust), 128},
                          {"exhaust", ParticleAtlas(ParticleLook::Exhaust), 128}, {"horizon", SkyHorizonPicture(false), 256},
                          {"dusk layer", SkyLayerPicture(true), 256}};
    for (const Case& c : cases) {
        Picture colour(c.pair.colour), alpha(c.pair.alpha);
        ASSERT_NE(colour.image, nullptr) << c.what;
        ASSERT_NE(alpha.image, nullptr) << c.what;
        EXPECT_EQ(colour.image->width, c.size) << c.what;
        EXPECT_EQ(alpha.image->height, c.size) << c.what;
    }
}

TEST(WorldFxContent, PuffsFadeOverTheirFramesAndTheFlareGlowsInTheMiddle) {
    Picture dust(ParticleAtlas(ParticleLook::Dust).alpha);
    ASSERT_NE(dust.image, nullptr);
    // The centre of cell 0, of cell 12 and of cell 22 (8 cells of 16 pixels a row).
    const int young = dust.Grey(8, 8), middle = dust.Grey(4 * 16 + 8, 16 + 8), old = dust.Grey(6 * 16 + 8, 2 * 16 + 8);
    EXPECT_GT(young, middle);
    EXPECT_GT(middle, old);
    EXPECT_EQ(dust.Grey(0, 0), 0);  // cell corners stay clear
    Picture flare(LensFlarePicture().alpha);
    EXPECT_GT(flare.Grey(64, 64), 240);
    EXPECT_EQ(flare.Grey(0, 0), 0);
    Picture horizon(SkyHorizonPicture(false).alpha);
    EXPECT_EQ(horizon.Grey(10, 0), 0);      // sky above the hills: clear
    EXPECT_EQ(horizon.Grey(10, 127), 255);  // the hills' foot: solid
}

TEST(WorldFxContent, EngineLoopsRiseInLevelAndPitchAndCloseSeamlessly) {
    for (int c = 0; c < 3; ++c) {
        double lastLevel = 0, lastPitch = 0;
        for (int v = 0; v < 4; ++v) {
            const std::vector<int16_t> s = EngineLoop(c, v);
            ASSERT_GT(s.size(), 8000u);
            const double level = Rms(s), pitch = Crossings(s);
            EXPECT_GT(level, lastLevel) << c << " " << v;
            EXPECT_GT(pitch, lastPitch) << c << " " << v;
            lastLevel = level, lastPitch = pitch;
            // The jump from the last sample back to the first is no bigger than a step inside.
            int biggest = 0;
            for (size_t i = 1; i < s.size(); ++i) biggest = std::max(biggest, std::abs(s[i] - s[i - 1]));
            EXPECT_LE(std::abs(s.front() - s.back()), biggest) << c << " " << v;
        }
    }
    // Smaller engines sing higher at the same level.
    EXPECT_GT(Crossings(EngineLoop(0, 2)), Crossings(EngineLoop(2, 2)));
}

TEST(WorldFxContent, EverySoundIsAPlayableWave) {
    std::vector<std::vector<int16_t>> sounds;
    for (const char* name : {"bangpost.wav", "bangrail small.wav", "crash node3.wav", "land big.wav", "ambulance.wav",
                             "helicopter.wav", "surfs2.wav", "score.wav", "beh5.wav", "leaves.wav"})
        sounds.push_back(EffectSound(name));
    for (int i = 0; i < 12; ++i) sounds.push_back(PainCry(i));
    for (int i = 0; i < 10; ++i) sounds.push_back(CrashCry(i));
    for (int i = 0; i < 8; ++i) sounds.push_back(Cheer(i));
    for (Ambience a : {Ambience::Brook, Ambience::Birds, Ambience::Crowd, Ambience::Machine, Ambience::Wind})
        sounds.push_back(AmbientSound(a));
    for (size_t i = 0; i < sounds.size(); ++i) {
        const std::vector<uint8_t> file = EncodeWave(sounds[i], kFxRate);
        kes::WaveData wave;
        ASSERT_EQ(kes::DecodeWave(file.data(), file.size(), &wave), 0) << i;
        EXPECT_EQ(wave.format.samplesPerSec, kFxRate);
        EXPECT_GT(Rms(sounds[i]), 1000.0) << i;
    }
    // Impacts start hard: the loudest moment is in the first tenth of a second.
    const std::vector<int16_t> bang = EffectSound("bangbig.wav");
    size_t peak = 0;
    for (size_t i = 0; i < bang.size(); ++i)
        if (std::abs(bang[i]) > std::abs(bang[peak])) peak = i;
    EXPECT_LT(peak, kFxRate / 10);
}

}  // namespace
}  // namespace tools
