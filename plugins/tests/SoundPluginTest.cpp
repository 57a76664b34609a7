// The sound map plug-in: the "SNDM" bytes and their round trip, damaged chunks, the no-device
// question, emitters added and sized with the mouse, the panel's clamps, deleting waves, auditioning
// and the world messages.
#include <cmath>

#include "PluginKit.h"
#include "TestViewport.h"
#include "editor/sound/WaveFile.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/shared/MemoryStream.h"
#include "plugins/tessil/SoundPlugin.h"

namespace qvtest {
namespace {

using qv::SoundEmitter;

enum : int { kActivated = 1001, kWaveList = 1002, kDeleteWave = 1005, kAdd = 1006, kDelete = 1007, kSetWave = 1008,
             kVolume = 1010, kR1 = 1014, kOnce = 1017, kWait = 1019, kFrequency = 1024, kTest = 1027 };

class SoundTest : public OnePluginFixture<qv::SoundPlugin> {
protected:
    void AddWave(const std::string& name) {
        qv::WaveData w;
        w.format.channels = 1;
        w.format.samplesPerSec = 22050;
        w.format.avgBytesPerSec = 44100;
        w.format.blockAlign = 2;
        w.format.bitsPerSample = 16;
        w.samples.assign(16, 7);
        ASSERT_EQ(qv::WriteWaveFile(Path(name), w), 0);
        uint32_t index = 0;
        editor->Host(0)->AddWaveFromFile(Path(name).c_str(), &index);
        ASSERT_NE(index, 0u);
    }
    RecordingViewport view;  // top-down, one pixel a unit
};

TEST_F(SoundTest, EmittersAreLaidOutFieldByFieldAndReadBack) {
    AddWave("bird.wav");
    AddWave("river.wav");
    SoundEmitter a;
    a.position[0] = 10, a.position[1] = 20, a.position[2] = 3, a.innerRadius = 5, a.outerRadius = 50, a.wave = 1;
    a.volume = 0.5f, a.playMode = 2, a.waitFrom = 1, a.waitTo = 4, a.pitchMode = 1, a.frequency = 11025;
    plugin->emitters = {a, SoundEmitter{}, SoundEmitter{}};
    plugin->activated = true;
    const std::vector<uint8_t> b = Saved();
    EXPECT_EQ(plat::LoadU32(&b[0]), 1u);
    const size_t list = 8 + plat::LoadU32(&b[8]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[4]), 4), "WAVE");
    ASSERT_EQ(b.size(), 4 + list + 4 + 3 * 60);
    EXPECT_EQ(plat::LoadU32(&b[4 + list]), 3u);
    const uint8_t* e = &b[4 + list + 4];
    const float floats[5] = {10, 20, 3, 5, 50};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(plat::LoadF32(e + 4 * i), floats[i]);
    EXPECT_EQ(plat::LoadU32(e + 20), 1u);
    EXPECT_EQ(plat::LoadF32(e + 24), 0.5f);
    EXPECT_EQ(plat::LoadU32(e + 28), 2u);
    EXPECT_EQ(plat::LoadF32(e + 40), 4.0f);
    EXPECT_EQ(plat::LoadU32(e + 44), 1u);
    EXPECT_EQ(plat::LoadU32(e + 48), 11025u);
    EXPECT_EQ(plat::LoadU32(e + 60 + 20), 0xFFFFFFFFu);  // a new emitter: no wave
    EXPECT_EQ(plat::LoadU32(e + 60 + 48), 44100u);
    EXPECT_EQ(plat::LoadU32(e + 60 + 52), 22050u);

    ASSERT_EQ(Load(b), 0);
    EXPECT_TRUE(plugin->activated);
    ASSERT_EQ(plugin->emitters.size(), 3u);
    EXPECT_EQ(std::memcmp(&plugin->emitters[0], &a, sizeof a), 0);
    EXPECT_EQ(editor->Host(0)->GetWaveCount(), 2);
    EXPECT_EQ(Saved(), b);
}

TEST_F(SoundTest, DamagedChunksAreRefusedAndUnknownWavesBecomeNone) {
    plugin->emitters.resize(1);
    plugin->emitters[0].wave = 0;  // no waves listed
    const std::vector<uint8_t> good = Saved();
    ASSERT_EQ(Load(good), 0);
    EXPECT_EQ(plugin->emitters[0].wave, -1);
    std::vector<uint8_t> huge = good;
    plat::StoreU32(&huge[good.size() - 64], 0x10000000u);
    EXPECT_EQ(Load(huge), qv::Result(qv::kResultBadChunk));
    EXPECT_NE(Load({good.begin(), good.end() - 1}), 0);
    EXPECT_NE(Load({1, 0, 0, 0, 'W', 'A', 'V', 'E', 0xFF, 0xFF, 0xFF, 0x7F}), 0);
}

TEST_F(SoundTest, WithoutASoundDeviceTheUserChooses) {
    plat::ScriptNextMessageBox(plat::IDYES);
    EXPECT_EQ(qv::AskToUseWithoutSound(), 0);
    plat::ScriptNextMessageBox(plat::IDNO);
    EXPECT_EQ(qv::AskToUseWithoutSound(), qv::Result(qv::kResultNoSound));
    EXPECT_EQ(qv::AskToUseWithoutSound(), qv::Result(qv::kResultNoSound));  // unanswered: No, the default
    ASSERT_EQ(Boxes().size(), 3u);
    EXPECT_EQ(Boxes()[0].substr(0, 39), "No sound device|There's no sound device");
}

TEST_F(SoundTest, AnEmitterIsAddedAndSizedWithTheMouse) {
    PlaneGround ground(0.0f, 7.0f);
    ASSERT_EQ(editor->bus.Register(&ground), 0);
    plat::Dialog& d = Panel(0);
    ASSERT_TRUE(d.UserClick(kActivated));
    ASSERT_TRUE(d.UserClick(kAdd));
    qv::MousePress press{&view, 100, 200, 0, 0};
    plugin->mainPort.OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&press), 0);
    ASSERT_EQ(plugin->emitters.size(), 1u);
    EXPECT_EQ(plugin->emitters[0].position[2], 7.0f);
    EXPECT_EQ(plugin->mode, qv::SoundMode::NewInner);
    plugin->Drag({&view, 0, 10, 0, 0});  // ten rows below: inner radius 10, the outer follows
    EXPECT_EQ(plugin->emitters[0].innerRadius, 10.0f);
    EXPECT_EQ(plugin->emitters[0].outerRadius, 10.0f);
    plugin->Release();
    EXPECT_EQ(plugin->mode, qv::SoundMode::NewOuter);
    plugin->Drag({&view, 0, 20, 0, 0});
    EXPECT_EQ(plugin->emitters[0].outerRadius, 30.0f);
    plugin->Release();
    EXPECT_EQ(plugin->mode, qv::SoundMode::Add);

    // Select the outer ring a row below the centre's own row, and drag it in past the inner one.
    ASSERT_TRUE(d.UserClick(kAdd));
    plugin->Press({&view, 130, 201, 0, 0});
    EXPECT_EQ(plugin->mode, qv::SoundMode::Outer);
    plugin->Drag({&view, 0, 0, 0, 0});
    EXPECT_TRUE(std::isfinite(plugin->emitters[0].outerRadius));
    plugin->Release();
    // The centre moves the emitter (ground height again).
    plugin->Press({&view, 101, 200, 0, 0});
    EXPECT_EQ(plugin->mode, qv::SoundMode::Move);
    plugin->Drag({&view, 5, 0, 0, 0});
    EXPECT_EQ(plugin->emitters[0].position[0], 105.0f);
    editor->bus.Unregister(&ground);
}

TEST_F(SoundTest, FieldsAreClampedAndWavesInUseStay) {
    AddWave("wind.wav");
    plugin->activated = true;
    plugin->emitters.resize(1);
    plugin->selected = 0;
    plat::Dialog& d = Panel(0);
    ASSERT_TRUE(d.UserSelect(kWaveList, 0));
    ASSERT_TRUE(d.UserClick(kSetWave));
    EXPECT_EQ(plugin->emitters[0].wave, 0);
    ASSERT_TRUE(d.UserType(kVolume, "1.5"));
    EXPECT_EQ(plugin->emitters[0].volume, 1.0f);
    EXPECT_EQ(d.Text(kVolume), "1.000");
    ASSERT_TRUE(d.UserType(kVolume, "-0.2"));
    EXPECT_EQ(plugin->emitters[0].volume, 0.0f);
    ASSERT_TRUE(d.UserType(kR1, "-3"));
    EXPECT_EQ(plugin->emitters[0].innerRadius, 0.0f);
    ASSERT_TRUE(d.UserType(kFrequency, "-5"));
    EXPECT_EQ(plugin->emitters[0].frequency, 0);
    ASSERT_TRUE(d.UserClick(kOnce));
    EXPECT_EQ(plugin->emitters[0].playMode, 1);
    ASSERT_TRUE(d.UserType(kWait, "-1"));
    EXPECT_EQ(plugin->emitters[0].wait, 0.0f);

    ASSERT_TRUE(d.UserClick(kDeleteWave));
    EXPECT_EQ(editor->Host(0)->GetWaveCount(), 1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Winprintf|The sound is still in use\n"});
    ASSERT_TRUE(d.UserClick(kDelete));
    EXPECT_TRUE(plugin->emitters.empty());
    ASSERT_TRUE(d.UserClick(kDeleteWave));
    EXPECT_EQ(editor->Host(0)->GetWaveCount(), 0);
    EXPECT_EQ(plugin->currentWave, -1);
}

TEST_F(SoundTest, BoundsScalePositionsAndTheRadiiByTheMeanRatio) {
    SoundEmitter e;
    e.position[0] = 100, e.position[1] = 50, e.position[2] = 10, e.innerRadius = 6, e.outerRadius = 12;
    plugin->emitters = {e};
    const float previous[6] = {0, 0, 0, 1000, 1000, 100}, now[6] = {0, 0, 0, 2000, 1000, 100};
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(previous), reinterpret_cast<qv::MsgArg>(now));
    EXPECT_EQ(plugin->emitters[0].position[0], 200.0f);
    EXPECT_EQ(plugin->emitters[0].position[1], 50.0f);
    EXPECT_NEAR(plugin->emitters[0].innerRadius, 6.0f * 4.0f / 3.0f, 1e-5f);
    // Bounds that keep their size leave the radii alone.
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(now), reinterpret_cast<qv::MsgArg>(now));
    EXPECT_NEAR(plugin->emitters[0].innerRadius, 8.0f, 1e-5f);
}

TEST_F(SoundTest, DrawsCirclesInEveryViewWhileActivated) {
    SoundEmitter e;
    e.innerRadius = 5, e.outerRadius = 0.5f;  // the outer ring is too small to draw
    plugin->emitters = {e};
    plugin->activated = true;
    Panel(0);
    view.flags = qv::kViewportPerspective;
    plugin->DrawViewport(&view);
    ASSERT_EQ(view.primitives.size(), 1u);
    EXPECT_EQ(view.primitives[0].vertices.size(), 4u + 40u);
    EXPECT_EQ(view.primitives[0].vertices[4].colour, 0xFFFF0000u);
}

}  // namespace
}  // namespace qvtest
