#include "editor/sound/WaveFile.h"

#include <cstring>
#include <fstream>

#include "editor/files/FileNames.h"

namespace qv {

namespace {

constexpr size_t kMaxWaveFile = 256u * 1024 * 1024;

constexpr uint32_t Tag(const char (&t)[5]) {
    return static_cast<uint32_t>(t[0]) | (static_cast<uint32_t>(t[1]) << 8) | (static_cast<uint32_t>(t[2]) << 16) |
           (static_cast<uint32_t>(t[3]) << 24);
}

void WriteFormat(plat::ByteWriter& out, const WaveFormat& f) {
    out.U16(f.formatTag);
    out.U16(f.channels);
    out.U32(f.samplesPerSec);
    out.U32(f.avgBytesPerSec);
    out.U16(f.blockAlign);
    out.U16(f.bitsPerSample);
    out.U16(f.extraSize);
}

}  // namespace

int32_t ParseWave(const uint8_t* data, size_t size, WaveData* out) {
    plat::ByteReader in(data, size);
    if (in.U32() != Tag("RIFF")) return kWaveNotWave;
    const uint32_t riffSize = in.U32();
    if (in.U32() != Tag("WAVE") || !in.Ok()) return kWaveNotWave;
    const size_t riffEnd = std::min<size_t>(size, static_cast<size_t>(riffSize) + 8);
    const size_t waveStart = in.Position();

    // Finds a chunk inside the RIFF form, from its start; gives its data position and size.
    auto find = [&](uint32_t wanted, size_t* pos, uint32_t* len) {
        in.Seek(waveStart);
        while (in.Ok() && in.Position() + 8 <= riffEnd) {
            uint32_t tag = in.U32(), chunk = in.U32();
            if (tag == wanted) {
                *pos = in.Position();
                *len = chunk;
                return true;
            }
            if (!in.Skip(chunk + (chunk & 1))) return false;
        }
        return false;
    };

    size_t pos = 0;
    uint32_t len = 0;
    if (!find(Tag("fmt "), &pos, &len) || len < 16) return kWaveNotWave;
    WaveData wave;
    wave.format.formatTag = in.U16();
    wave.format.channels = in.U16();
    wave.format.samplesPerSec = in.U32();
    wave.format.avgBytesPerSec = in.U32();
    wave.format.blockAlign = in.U16();
    wave.format.bitsPerSample = in.U16();
    if (!in.Ok()) return kWaveCannotRead;
    if (wave.format.formatTag != 1) return kWaveNotWave;
    if (wave.format.channels < 1 || wave.format.channels > 2 ||
        (wave.format.bitsPerSample != 8 && wave.format.bitsPerSample != 16))
        return kWaveNotWave;
    wave.format.extraSize = 0;

    if (!find(Tag("data"), &pos, &len)) return kWaveNotWave;
    if (len > in.Remaining()) return kWaveDataShort;
    auto samples = in.Take(len);
    wave.samples.assign(samples.begin(), samples.end());
    *out = std::move(wave);
    return 0;
}

int32_t ReadWaveFile(const std::string& path, WaveData* out) {
    auto resolved = ResolveFileNoCase(path);
    if (!resolved) return kWaveCannotOpen;
    auto bytes = ReadWholeFile(*resolved, kMaxWaveFile);
    if (!bytes) return kWaveCannotOpen;
    WaveData wave;
    int32_t r = ParseWave(bytes->data(), bytes->size(), &wave);
    if (r != 0) return r;
    wave.name = BaseNameWithoutExtension(path, 63);
    *out = std::move(wave);
    return 0;
}

int32_t WriteWaveFile(const std::string& path, const WaveData& wave) {
    plat::ByteWriter w;
    w.U32(Tag("RIFF"));
    w.U32(0);
    w.U32(Tag("WAVE"));
    w.U32(Tag("fmt "));
    w.U32(16);
    w.U16(wave.format.formatTag);
    w.U16(wave.format.channels);
    w.U32(wave.format.samplesPerSec);
    w.U32(wave.format.avgBytesPerSec);
    w.U16(wave.format.blockAlign);
    w.U16(wave.format.bitsPerSample);
    w.U32(Tag("fact"));
    w.U32(4);
    w.U32(wave.format.blockAlign ? static_cast<uint32_t>(wave.samples.size() / wave.format.blockAlign) : 0);
    w.U32(Tag("data"));
    w.U32(static_cast<uint32_t>(wave.samples.size()));
    w.Bytes(wave.samples.data(), wave.samples.size());
    if (wave.samples.size() & 1) w.U8(0);
    w.PatchU32(4, static_cast<uint32_t>(w.Size() - 8));
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return kWaveCannotWrite;
    f.write(reinterpret_cast<const char*>(w.Data().data()), static_cast<std::streamsize>(w.Size()));
    return f ? 0 : kWaveCannotWrite;
}

void WriteWaveRecord(plat::ByteWriter& out, const WaveData& wave) {
    out.FixedString(wave.name, 64);
    out.U32(20);
    out.U32(wave.descriptionFlags);
    out.U32(static_cast<uint32_t>(wave.samples.size()));
    out.U32(0);
    out.U32(0);  // the in-memory format pointer carries no meaning on disk
    // The game takes a record's format only when its extra-size field holds 18 (the size of the format
    // itself) and otherwise plays the samples as mono 16-bit at 22100 Hz; the waves kept here are PCM,
    // which has no extra bytes, so the field carries that mark.
    WaveFormat stored = wave.format;
    stored.extraSize = kWaveRecordFormatMark;
    WriteFormat(out, stored);
    out.Bytes(wave.samples.data(), wave.samples.size());
}

int32_t ReadWaveRecord(plat::ByteReader& in, WaveData* out) {
    auto nameBytes = in.Take(64);
    if (!in.Ok()) return 1;
    WaveData wave;
    const char* p = reinterpret_cast<const char*>(nameBytes.data());
    wave.name.assign(p, strnlen(p, 63));
    in.U32();
    wave.descriptionFlags = in.U32();
    const uint32_t bytes = in.U32();
    in.U32();
    in.U32();
    wave.format.formatTag = in.U16();
    wave.format.channels = in.U16();
    wave.format.samplesPerSec = in.U32();
    wave.format.avgBytesPerSec = in.U32();
    wave.format.blockAlign = in.U16();
    wave.format.bitsPerSample = in.U16();
    in.U16();  // the record's format mark, not a count of extra bytes: PCM has none
    wave.format.extraSize = 0;
    if (!in.Ok() || bytes > in.Remaining()) return 1;
    auto samples = in.Take(bytes);
    wave.samples.assign(samples.begin(), samples.end());
    *out = std::move(wave);
    return 0;
}

}  // namespace qv
