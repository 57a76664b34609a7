// What the sky and sound-map plug-ins save, the game's sky and sound-map readers take with the same
// values: the textures chosen from the plug-in's list, the sun-and-cloud settings, and every emitter's
// place, distances, volume, modes and wave.
#include <algorithm>

#include "PluginKit.h"
#include "editor/sound/WaveFile.h"
#include "game/core/audio/AudioSystem.h"
#include "game/core/audio/WaveLoad.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/sky/Sky.h"
#include "game/world/soundmap/SoundMap.h"
#include "platform/audio/AudioOutput.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/shared/MemoryStream.h"
#include "plugins/sky/SkyPlugin.h"
#include "plugins/tessil/SoundPlugin.h"

namespace qvtest {
namespace {

template <class P>
std::vector<uint8_t> SavedBody(P& plugin) {
    qv::MemoryStream out;
    uint32_t size = 0;
    EXPECT_EQ(plugin.SaveChunk(&out, &size), 0);
    EXPECT_EQ(size, out.bytes().size());
    return out.bytes();
}

class GameReadsSky : public OnePluginFixture<qv::SkyPlugin> {
protected:
    void TearDown() override {
        kes::SkyFree(&render);
        OnePluginFixture::TearDown();
    }
    void AddTexture(const std::string& name, int32_t side) {
        qv::Dib d;
        d.header.width = d.header.height = side;
        d.header.bitCount = 24;
        d.header.sizeImage = static_cast<uint32_t>(side * side * 3);
        d.pixels.assign(d.header.sizeImage, 90);
        uint32_t index = 0;
        editor->Host(0)->AddTextureFromMemory(name.c_str(), &d.header, d.pixels.data(), &index);
        ASSERT_NE(index, 0u) << name;
    }
    // The 0-based place of a name in the plug-in's texture list, as its choices count.
    int32_t IndexOf(const char* name) {
        for (int32_t i = 0; i < editor->Host(0)->GetTextureCount(); ++i)
            if (std::string(editor->Host(0)->GetTextureName(static_cast<uint32_t>(i + 1))) == name) return i;
        return -1;
    }
    int32_t GameLoad(const std::vector<uint8_t>& body) {
        kes::MemoryPack pack(body);
        kes::ChunkStream s(pack, static_cast<uint32_t>(body.size()));
        return kes::SkyLoad(s, static_cast<uint32_t>(body.size()), &render, kes::WorldBounds{});
    }
    kes::TableRender render;
};

TEST_F(GameReadsSky, ChosenTexturesSunAndCloudSettingsArriveInTheGame) {
    AddTexture("horizon", 64);
    AddTexture("clouds", 32);
    plugin->sky.wallTexture = IndexOf("horizon");
    plugin->sky.overheadTexture = IndexOf("sky");
    plugin->sky.cloudTexture = IndexOf("clouds");
    plugin->sky.wallTiles = 3, plugin->sky.overheadTiles = 6;
    plugin->sky.wallWidth = 300, plugin->sky.wallHeight = 48, plugin->sky.overheadWidth = 700;
    plugin->sky.horizonAdjust = 35, plugin->sky.speed = 12.5f;
    ASSERT_GE(plugin->sky.wallTexture, 0);
    ASSERT_GE(plugin->sky.cloudTexture, 0);

    ASSERT_EQ(GameLoad(SavedBody(*plugin)), 0);
    const kes::SkyParams& p = kes::CurrentSky();
    EXPECT_EQ(p.horizonTexture, plugin->sky.wallTexture);
    EXPECT_EQ(p.layerTexture, plugin->sky.overheadTexture);
    EXPECT_EQ(p.thirdTexture, plugin->sky.cloudTexture);
    EXPECT_EQ(p.horizonRepeats, 3.0f);
    EXPECT_EQ(p.layerRepeats, 6.0f);
    EXPECT_EQ(p.horizonSpan, 300.0f);
    EXPECT_EQ(p.unused, 48.0f);
    EXPECT_EQ(p.layerSpan, 700.0f);
    EXPECT_EQ(p.horizonLift, 35.0f);
    EXPECT_EQ(p.cloudSpeed, 12.5f);
    // Every texture of the plug-in's list became a game texture, and only those.
    const int32_t count = editor->Host(0)->GetTextureCount();
    ASSERT_EQ(count, 3);
    for (int32_t i = 0; i < count; ++i) EXPECT_NE(kes::SkyTextureHandle(i), 0u) << i;
    EXPECT_EQ(kes::SkyTextureHandle(count), 0u);
}

TEST_F(GameReadsSky, ANewWorldsBuiltInSkyIsTheGamesSkyLayer) {
    ASSERT_EQ(GameLoad(SavedBody(*plugin)), 0);
    const kes::SkyParams& p = kes::CurrentSky();
    EXPECT_EQ(p.horizonTexture, -1);
    EXPECT_EQ(p.layerTexture, 0);
    EXPECT_NE(kes::SkyTextureHandle(0), 0u);
    EXPECT_EQ(p.horizonLift, 20.0f);
    EXPECT_EQ(p.layerSpan, 512.0f);
}

// The game's sound system renders into memory while the plug-in's chunk is read.
class GameReadsSoundMap : public OnePluginFixture<qv::SoundPlugin> {
protected:
    static constexpr int kRate = 22050;
    void SetUp() override {
        OnePluginFixture::SetUp();
        plat::SetAudioLoopbackForTests(kRate);
        audio = std::make_unique<kes::AudioSystem>();
        ASSERT_EQ(audio->Open(nullptr, 0, kes::kPrimaryFormat22k16Stereo), 0);
        kes::SetTheAudioSystem(audio.get());
    }
    void TearDown() override {
        kes::SoundEmittersFree();
        kes::SetTheAudioSystem(nullptr);
        audio.reset();
        plat::SetAudioLoopbackForTests(0);
        OnePluginFixture::TearDown();
    }
    // A mono 16-bit wave of `frames` sample frames: the length tells the waves apart in the game.
    void AddWave(const std::string& name, size_t frames) {
        qv::WaveData w;
        w.format = qv::WaveFormat{1, 1, kRate, kRate * 2, 2, 16, 0};
        w.samples.assign(frames * 2, 9);
        ASSERT_EQ(qv::WriteWaveFile(Path(name), w), 0);
        uint32_t index = 0;
        editor->Host(0)->AddWaveFromFile(Path(name).c_str(), &index);
        ASSERT_NE(index, 0u) << name;
    }
    // The names of the chunk's wave list, read by the game's record decoder.
    static std::vector<std::string> WaveNames(const std::vector<uint8_t>& body) {
        std::vector<std::string> names;
        const size_t size = plat::LoadU32(&body[8]);
        size_t at = 16;
        const uint32_t count = plat::LoadU32(&body[12]);
        for (uint32_t i = 0; i < count && at < 12 + size; ++i) {
            kes::WaveData w;
            size_t used = 0;
            if (kes::DecodeWaveRecord(&body[at], 12 + size - at, &w, &used) != 0 || used == 0) break;
            names.push_back(w.name);
            at += used;
        }
        return names;
    }
    std::unique_ptr<kes::AudioSystem> audio;
};

TEST_F(GameReadsSoundMap, EmittersArriveWithTheirPlacesDistancesVolumesModesAndWaves) {
    AddWave("brook.wav", 300);
    AddWave("birds.wav", 700);
    qv::SoundEmitter brook;
    brook.position[0] = 120, brook.position[1] = -40, brook.position[2] = 7.5f;
    brook.innerRadius = 10, brook.outerRadius = 80, brook.wave = 0, brook.volume = 0.8f;
    qv::SoundEmitter birds;
    birds.position[0] = -300, birds.position[1] = 250, birds.position[2] = 30;
    birds.innerRadius = 25, birds.outerRadius = 400, birds.wave = 1, birds.volume = 0.25f;
    birds.playMode = 2, birds.wait = 1.5f, birds.waitFrom = 2, birds.waitTo = 9;
    birds.pitchMode = 1, birds.frequency = 16000, birds.frequencyFrom = 11025, birds.frequencyTo = 30000;
    qv::SoundEmitter silent;  // no wave chosen yet
    silent.position[0] = 5, silent.outerRadius = 20, silent.playMode = 1, silent.wait = 4;
    plugin->emitters = {brook, birds, silent};
    plugin->activated = true;
    const std::vector<uint8_t> body = SavedBody(*plugin);
    EXPECT_EQ(WaveNames(body), (std::vector<std::string>{"brook", "birds"}));

    kes::MemoryPack pack(body);
    kes::ChunkStream s(pack, static_cast<uint32_t>(body.size()));
    ASSERT_EQ(kes::SoundEmittersLoad(s, static_cast<uint32_t>(body.size())), 0);
    const std::vector<kes::SoundEmitter>& game = kes::SoundEmitters();
    ASSERT_EQ(game.size(), 3u);
    const size_t frames[3] = {300, 700, 0};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const qv::SoundEmitter& e = plugin->emitters[i];
        const kes::SoundEmitter& g = game[i];
        EXPECT_EQ(g.position.x, e.position[0]);
        EXPECT_EQ(g.position.y, e.position[1]);
        EXPECT_EQ(g.position.z, e.position[2]);
        EXPECT_EQ(g.minDistance, e.innerRadius);
        EXPECT_EQ(g.maxDistance, e.outerRadius);
        EXPECT_EQ(g.wave, static_cast<uint32_t>(e.wave));
        EXPECT_EQ(g.volume, e.volume);
        EXPECT_EQ(g.playMode, static_cast<uint32_t>(e.playMode));
        EXPECT_EQ(g.fixedPause, e.wait);
        EXPECT_EQ(g.shortestPause, e.waitFrom);
        EXPECT_EQ(g.longestPause, e.waitTo);
        EXPECT_EQ(g.frequencyMode, static_cast<uint32_t>(e.pitchMode));
        EXPECT_EQ(g.fixedFrequency, static_cast<uint32_t>(e.frequency));
        EXPECT_EQ(g.lowestFrequency, static_cast<uint32_t>(e.frequencyFrom));
        EXPECT_EQ(g.highestFrequency, static_cast<uint32_t>(e.frequencyTo));
        // The voice plays the wave the editor chose: its length is that wave's.
        EXPECT_EQ(g.voice != nullptr, frames[i] != 0);
        if (g.voice) {
            EXPECT_EQ(g.waveLength, static_cast<float>(frames[i]));
        }
    }
}

}  // namespace
}  // namespace qvtest
