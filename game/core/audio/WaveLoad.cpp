// Wave files and wave records for voices.
#include "game/core/audio/WaveLoad.h"

#include <cstdio>
#include <vector>

#include "platform/bytes/ByteIO.h"
#include "platform/fs/Paths.h"

namespace kes {
namespace {

constexpr size_t kRecordHead = qv::kWaveRecordHeadBytes;
constexpr size_t kFormatMarkOffset = 64 + 20 + 16;

bool Playable(const WaveFormat& f) {
    return f.formatTag == 1 && (f.channels == 1 || f.channels == 2) && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.samplesPerSec > 0;
}

}  // namespace

int32_t DecodeWave(const uint8_t* bytes, size_t size, WaveData* out) {
    WaveData wave;
    const int32_t r = qv::ParseWave(bytes, size, &wave);
    if (r != 0) return r;
    if (!Playable(wave.format)) return qv::kWaveNotWave;
    *out = std::move(wave);
    return 0;
}

int32_t DecodeWaveFile(const char* path, WaveData* out) {
    const std::string onDisk = plat::ResolvePath(path);
    FILE* f = std::fopen(onDisk.c_str(), "rb");
    if (!f) return qv::kWaveCannotOpen;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (bytes.size() + n > kMaxSoundFile) {
            std::fclose(f);
            return qv::kWaveOutOfMemory;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    std::fclose(f);
    return DecodeWave(bytes.data(), bytes.size(), out);
}

int32_t DecodeWaveRecord(const uint8_t* bytes, size_t size, WaveData* out, size_t* consumed) {
    if (size < kRecordHead) return 1;
    const uint16_t mark = static_cast<uint16_t>(bytes[kFormatMarkOffset] | (bytes[kFormatMarkOffset + 1] << 8));
    plat::ByteReader in(bytes, size);
    WaveData wave;
    if (qv::ReadWaveRecord(in, &wave) != 0) return 1;
    if (mark != qv::kWaveRecordFormatMark) {
        // Without the mark the stored format is not trusted.
        wave.format = WaveFormat{1, 1, 22100, 44200, 2, 16, 0};
    }
    if (!Playable(wave.format)) return 1;
    if (consumed) *consumed = in.Position();
    *out = std::move(wave);
    return 0;
}

}  // namespace kes
