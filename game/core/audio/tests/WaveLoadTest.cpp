// The wave decoders: good files, damaged files, and the record's format rule.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game/core/audio/WaveLoad.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

struct WaveSpec {
    uint16_t tag = 1, channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    uint32_t dataBytes = 64;
    int64_t dataSizeField = -1;  // -1: the real size
    bool listChunk = false;
};

std::vector<uint8_t> MakeWave(const WaveSpec& s) {
    plat::ByteWriter w;
    w.Bytes("RIFF", 4);
    w.U32(0);
    w.Bytes("WAVE", 4);
    if (s.listChunk) {
        w.Bytes("LIST", 4);
        w.U32(4);
        w.Bytes("INFO", 4);
    }
    w.Bytes("fmt ", 4);
    w.U32(16);
    w.U16(s.tag);
    w.U16(s.channels);
    w.U32(s.rate);
    w.U32(s.rate * s.channels * s.bits / 8);
    w.U16(static_cast<uint16_t>(s.channels * s.bits / 8));
    w.U16(s.bits);
    w.Bytes("data", 4);
    w.U32(s.dataSizeField < 0 ? s.dataBytes : static_cast<uint32_t>(s.dataSizeField));
    for (uint32_t i = 0; i < s.dataBytes; ++i) w.U8(static_cast<uint8_t>(i));
    w.PatchU32(4, static_cast<uint32_t>(w.Size() - 8));
    return w.Data();
}

TEST(WaveLoad, DecodesGoodAndRefusesDamagedWaves) {
    struct Case {
        const char* what;
        WaveSpec recipe;
        size_t cut;  // bytes cut from the end
        int32_t result;
    };
    WaveSpec good;
    WaveSpec list = good;
    list.listChunk = true;
    WaveSpec stereo8 = good;
    stereo8.channels = 2;
    stereo8.bits = 8;
    WaveSpec past = good;
    past.dataSizeField = 100000;
    WaveSpec adpcm = good;
    adpcm.tag = 2;
    WaveSpec noChannels = good;
    noChannels.channels = 0;
    WaveSpec noRate = good;
    noRate.rate = 0;
    const Case cases[] = {
        {"mono 16-bit", good, 0, 0},
        {"a LIST chunk before the format", list, 0, 0},
        {"stereo 8-bit", stereo8, 0, 0},
        {"truncated in the samples", good, 10, qv::kWaveDataShort},
        {"truncated in the format", good, 64 + 8 + 10, qv::kWaveCannotRead},
        {"data size past the file", past, 0, qv::kWaveDataShort},
        {"not PCM", adpcm, 0, qv::kWaveNotWave},
        {"zero channels", noChannels, 0, qv::kWaveNotWave},
        {"zero rate", noRate, 0, qv::kWaveNotWave},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = MakeWave(c.recipe);
        bytes.resize(bytes.size() - c.cut);
        WaveData wave;
        EXPECT_EQ(DecodeWave(bytes.data(), bytes.size(), &wave), c.result) << c.what;
        if (c.result == 0) {
            EXPECT_EQ(wave.samples.size(), c.recipe.dataBytes) << c.what;
        }
    }
    WaveData wave;
    EXPECT_EQ(DecodeWave(nullptr, 0, &wave), qv::kWaveNotWave);
    EXPECT_EQ(DecodeWaveFile("/nonexistent/folder/none.wav", &wave), qv::kWaveCannotOpen);
}

std::vector<uint8_t> MakeRecord(uint16_t mark, uint32_t bytes, uint32_t sizeField, uint16_t channels = 2) {
    plat::ByteWriter w;
    char name[64] = "engine";
    w.Bytes(name, 64);
    w.U32(20);
    w.U32(0xE2);
    w.U32(sizeField);
    w.U32(0);
    w.U32(0);
    w.U16(1);
    w.U16(channels);
    w.U32(44100);
    w.U32(44100u * 2 * channels);
    w.U16(static_cast<uint16_t>(2 * channels));
    w.U16(16);
    w.U16(mark);
    for (uint32_t i = 0; i < bytes; ++i) w.U8(1);
    return w.Data();
}

TEST(WaveLoad, RecordFormatRuleAndDamage) {
    WaveData wave;
    size_t consumed = 0;
    auto marked = MakeRecord(18, 40, 40);
    ASSERT_EQ(DecodeWaveRecord(marked.data(), marked.size(), &wave, &consumed), 0);
    EXPECT_EQ(consumed, marked.size());
    EXPECT_EQ(wave.name, "engine");
    EXPECT_EQ(wave.format.channels, 2);
    EXPECT_EQ(wave.format.samplesPerSec, 44100u);

    // Without the mark the samples play as mono 16-bit at 22100 Hz (not 22050).
    auto unmarked = MakeRecord(0, 40, 40);
    ASSERT_EQ(DecodeWaveRecord(unmarked.data(), unmarked.size(), &wave, &consumed), 0);
    EXPECT_EQ(wave.format.channels, 1);
    EXPECT_EQ(wave.format.samplesPerSec, 22100u);
    EXPECT_EQ(wave.format.avgBytesPerSec, 44200u);
    EXPECT_EQ(wave.format.blockAlign, 2);

    auto past = MakeRecord(18, 40, 41);
    EXPECT_EQ(DecodeWaveRecord(past.data(), past.size(), &wave, &consumed), 1);
    auto noChannels = MakeRecord(18, 40, 40, 0);
    EXPECT_EQ(DecodeWaveRecord(noChannels.data(), noChannels.size(), &wave, &consumed), 1);
    EXPECT_EQ(DecodeWaveRecord(marked.data(), 101, &wave, &consumed), 1);
}

}  // namespace
}  // namespace kes
