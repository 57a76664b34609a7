#include "editor/sound/SoundSystem.h"
#include "editor/sound/WaveFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace {

std::vector<uint8_t> Wav(uint16_t channels, uint16_t bits, uint32_t dataBytes, uint32_t declared, uint16_t fmtSize = 16,
                         uint16_t tag = 1, bool withData = true) {
    plat::ByteWriter w;
    w.Bytes("RIFF", 4);
    w.U32(0);
    w.Bytes("WAVE", 4);
    w.Bytes("LIST", 4);  // a chunk to step over
    w.U32(3);
    w.Bytes("abc\0", 4);
    w.Bytes("fmt ", 4);
    w.U32(fmtSize);
    const size_t start = w.Size();
    w.U16(tag);
    w.U16(channels);
    w.U32(22050);
    w.U32(22050u * channels * bits / 8);
    w.U16(static_cast<uint16_t>(channels * bits / 8));
    w.U16(bits);
    while (w.Size() - start < fmtSize) w.U8(0);
    if (withData) {
        w.Bytes("data", 4);
        w.U32(declared);
        for (uint32_t i = 0; i < dataBytes; ++i) w.U8(static_cast<uint8_t>(i));
    }
    w.PatchU32(4, static_cast<uint32_t>(w.Size() - 8));
    return w.Take();
}

TEST(WaveFile, ReaderTable) {
    struct Row {
        const char* label;
        std::vector<uint8_t> bytes;
        int32_t result;
    } rows[] = {
        {"16-bit stereo", Wav(2, 16, 40, 40), 0},
        {"8-bit mono", Wav(1, 8, 5, 5), 0},
        {"fmt of 14 bytes", Wav(1, 16, 4, 4, 14), qv::kWaveNotWave},
        {"not PCM", Wav(1, 16, 4, 4, 18, 2), qv::kWaveNotWave},
        {"no data chunk", Wav(1, 16, 0, 0, 16, 1, false), qv::kWaveNotWave},
        {"data shorter than declared", Wav(1, 16, 4, 400), qv::kWaveDataShort},
        {"not RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, qv::kWaveNotWave},
    };
    for (const Row& r : rows) {
        qv::WaveData wave;
        EXPECT_EQ(qv::ParseWave(r.bytes.data(), r.bytes.size(), &wave), r.result) << r.label;
    }
}

TEST(WaveFile, RecordRoundTripKeepsSamplesAndEndsAtTheRecord) {
    qv::WaveData wave;
    auto bytes = Wav(2, 16, 40, 40);
    ASSERT_EQ(qv::ParseWave(bytes.data(), bytes.size(), &wave), 0);
    wave.name = "engine.idle";
    plat::ByteWriter out;
    qv::WriteWaveRecord(out, wave);
    ASSERT_EQ(out.Size(), 102u + 40);
    EXPECT_EQ(plat::LoadU32(out.Data().data() + 64), 20u);
    EXPECT_EQ(plat::LoadU32(out.Data().data() + 68), 0xE2u);
    EXPECT_EQ(plat::LoadU32(out.Data().data() + 72), 40u);
    EXPECT_EQ(plat::LoadU32(out.Data().data() + 80), 0u);  // the pointer bytes
    out.U32(0x99);
    plat::ByteReader in(out.Data().data(), out.Size());
    qv::WaveData back;
    ASSERT_EQ(qv::ReadWaveRecord(in, &back), 0);
    EXPECT_EQ(in.Remaining(), 4u);
    EXPECT_EQ(back.samples, wave.samples);
    EXPECT_EQ(back.name, "engine.idle");
    EXPECT_EQ(back.format.channels, 2);

    std::vector<uint8_t> bad = out.Data();
    plat::StoreU32(bad.data() + 72, 0x7FFFFFFF);
    plat::ByteReader badIn(bad.data(), bad.size());
    EXPECT_EQ(qv::ReadWaveRecord(badIn, &back), 1);
}

// The record as the game's sound loader reads it, field by field at its offsets: name[64] zero-terminated,
// the 20-byte description {20, flags, data bytes, 0, unused}, WAVEFORMATEX whose last field is 18, then
// the samples. A record without that 18 would play as mono 16-bit at 22100 Hz in the game.
TEST(WaveFile, RecordHasTheLayoutTheGameReads) {
    qv::WaveData wave;
    auto bytes = Wav(2, 16, 8, 8);
    ASSERT_EQ(qv::ParseWave(bytes.data(), bytes.size(), &wave), 0);
    wave.name = std::string(70, 'n');  // longer than the field: cut, still terminated
    plat::ByteWriter out;
    qv::WriteWaveRecord(out, wave);
    const std::vector<uint8_t>& r = out.Data();
    ASSERT_EQ(r.size(), 102u + 8);
    for (size_t i = 0; i < 63; ++i) ASSERT_EQ(r[i], 'n') << i;
    EXPECT_EQ(r[63], 0) << "zero-terminated within 64 bytes";
    struct Field {
        size_t offset, size;
        uint32_t value;
        const char* what;
    };
    for (const Field& f : {Field{64, 4, 20, "description size"}, Field{68, 4, 0xE2, "description flags"},
                           Field{72, 4, 8, "data bytes"}, Field{76, 4, 0, "reserved"},
                           Field{84, 2, 1, "format tag PCM"}, Field{86, 2, 2, "channels"},
                           Field{88, 4, 22050, "samples per second"}, Field{92, 4, 88200, "bytes per second"},
                           Field{96, 2, 4, "block align"}, Field{98, 2, 16, "bits per sample"},
                           Field{100, 2, 18, "cbSize: the format is taken as stored"}}) {
        const uint32_t got = f.size == 4 ? plat::LoadU32(&r[f.offset]) : plat::LoadU16(&r[f.offset]);
        EXPECT_EQ(got, f.value) << f.what << " at " << f.offset;
    }
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(r[102 + i], i) << "sample byte " << i;

    // The editor reads the mark as a PCM format without extra bytes, and writes the same bytes again.
    plat::ByteReader in(r.data(), r.size());
    qv::WaveData back;
    ASSERT_EQ(qv::ReadWaveRecord(in, &back), 0);
    EXPECT_EQ(back.format.extraSize, 0);
    EXPECT_EQ(back.format.samplesPerSec, 22050u);
    plat::ByteWriter again;
    qv::WriteWaveRecord(again, back);
    EXPECT_EQ(again.Data(), r);
}

TEST(WaveFile, FileNameAndWriteReadBack) {
    auto dir = std::filesystem::temp_directory_path() / ("qv_wave_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    qv::WaveData wave;
    auto bytes = Wav(1, 8, 7, 7);
    ASSERT_EQ(qv::ParseWave(bytes.data(), bytes.size(), &wave), 0);
    const std::string path = (dir / "engine.idle.wav").string();
    ASSERT_EQ(qv::WriteWaveFile(path, wave), 0);
    qv::WaveData back;
    ASSERT_EQ(qv::ReadWaveFile(path, &back), 0);
    EXPECT_EQ(back.name, "engine.idle");
    EXPECT_EQ(back.samples, wave.samples);
    EXPECT_EQ(qv::ReadWaveFile((dir / "missing.wav").string(), &back), qv::kWaveCannotOpen);
    std::filesystem::remove_all(dir);
}

TEST(SoundSystem, BuffersKeepTheirSamplesWithOrWithoutADevice) {
    qv::SoundSystem sound;
    qv::WaveData wave;
    auto bytes = Wav(1, 16, 64, 64);
    ASSERT_EQ(qv::ParseWave(bytes.data(), bytes.size(), &wave), 0);
    auto buffer = sound.Make(wave);
    EXPECT_EQ(buffer->Data().samples, wave.samples);
    EXPECT_EQ(buffer->Playable(), sound.HasDevice());
    EXPECT_EQ(buffer->Play(true), 0);
    EXPECT_EQ(buffer->SetVolume(0), 0);
    EXPECT_FLOAT_EQ(buffer->Gain(), 1.0f);
    EXPECT_EQ(buffer->Stop(), 0);
}

}  // namespace
