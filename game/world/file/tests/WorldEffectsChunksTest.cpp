// The sky and sound-map chunks inside a whole world file: read in place, animated by the world's
// update, the ambient sounds placed by its render, and both freed by its unload.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "game/core/audio/AudioSystem.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/sky/Sky.h"
#include "game/world/soundmap/SoundMap.h"
#include "platform/audio/AudioOutput.h"

namespace kes::test {
namespace {

std::vector<uint8_t> EffectsWorld() {
    WorldWriter w;
    w.Header(TestBounds());
    SkyData sky;
    sky.textures.push_back({"hills.bmp", DibPicture::Solid(16, 16, 90, 120, 60)});
    sky.wallTexture = 0;
    sky.overheadTexture = -1;  // the editor's "none"
    sky.speed = 100.0f;
    sky.overheadWidth = 640.0f;
    w.Sky(sky);
    SoundMapData sounds;
    SoundMapWave brook;
    brook.name = "brook";
    for (int i = 0; i < 22050; ++i) brook.samples.push_back(static_cast<int16_t>(9000 * std::sin(i * 0.05)));
    sounds.waves.push_back(brook);
    SoundEmitterData near, far;
    near.position = {100, 100, 0};
    near.outerRadius = 200;
    near.wave = 0;
    near.frequency = 22050;
    far = near;
    far.position = {350, 350, 0};
    far.outerRadius = 20;
    far.playMode = 1;
    sounds.emitters = {near, far};
    w.SoundMap(sounds);
    return w.Finish();
}

class WorldEffectsChunks : public ::testing::Test {
protected:
    void TearDown() override {
        WorldUnload();
        DestroyAllTextureContainers();
        SetTheAudioSystem(nullptr);
        audio.reset();
        plat::SetAudioLoopbackForTests(0);
    }
    void OpenSound() {
        plat::SetAudioLoopbackForTests(22050);
        audio = std::make_unique<AudioSystem>();
        ASSERT_EQ(audio->Open(nullptr, 0, kPrimaryFormat22k16Stereo), 0);
        SetTheAudioSystem(audio.get());
    }
    RecordingRender render;
    std::unique_ptr<AudioSystem> audio;
};

TEST_F(WorldEffectsChunks, SkyAndSoundsLoadAnimateAndGoWithTheWorld) {
    OpenSound();
    ASSERT_EQ(LoadBytes(EffectsWorld(), &render, "effects"), 0);
    EXPECT_EQ(CurrentSky().horizonTexture, 0);
    EXPECT_EQ(CurrentSky().layerTexture, -1);
    EXPECT_NE(SkyTextureHandle(0), 0u);
    EXPECT_EQ(WorldHandleTable(ChunkTag("SKY."))[0], 1u);
    ASSERT_EQ(SoundEmitters().size(), 2u);
    ASSERT_NE(SoundEmitters()[0].voice, nullptr);

    WorldUpdate(375);
    EXPECT_NEAR(SkyCloudOffset(), 30.0f, 1e-3f);
    WorldView view;
    view.eye = {110, 100, 0};  // inside the first source's reach, far from the second
    WorldRender(view);
    EXPECT_EQ(SoundEmitters()[0].voice->IsPlaying(0), 1);
    EXPECT_EQ(SoundEmitters()[1].playTime, 0.0f);
    EXPECT_EQ(SoundEmitters()[1].pause, 0.0f);

    EXPECT_EQ(WorldUnload(), 0);
    EXPECT_TRUE(SoundEmitters().empty());
    EXPECT_EQ(WorldHandleTable(ChunkTag("SKY."))[0], 0u);
    EXPECT_EQ(audio->VoiceCount(), 0u);
}

TEST_F(WorldEffectsChunks, WithoutSoundTheSoundMapIsPassedOver) {
    ASSERT_EQ(LoadBytes(EffectsWorld(), &render, "silent"), 0);
    EXPECT_TRUE(SoundEmitters().empty());
    EXPECT_NE(SkyTextureHandle(0), 0u);  // the rest of the world loads in full
}

}  // namespace
}  // namespace kes::test
