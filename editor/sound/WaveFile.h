#pragma once
// RIFF wave files and the wave record stored in a plug-in's "WAVE" list.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/bytes/ByteIO.h"

namespace qv {

// Results of the wave-file reader.
enum : int32_t {
    kWaveOutOfMemory = 0xE000,
    kWaveCannotOpen = 0xE100,
    kWaveNotWave = 0xE101,
    kWaveCannotRead = 0xE102,
    kWaveDataShort = 0xE103,
    kWaveCannotWrite = 0xE104,
};

// WAVEFORMATEX, 18 bytes as stored.
struct WaveFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

// One wave: its name, the stored buffer description and format, and its samples.
struct WaveData {
    std::string name;                 // at most 63 characters
    uint32_t descriptionFlags = 0xE2;  // frequency, pan and volume control, static
    WaveFormat format;
    std::vector<uint8_t> samples;
};

// Reads a RIFF "WAVE" file of PCM samples. Other encodings are refused (kWaveNotWave): the record keeps
// only the 18-byte format, which cannot carry their extra format bytes.
int32_t ReadWaveFile(const std::string& path, WaveData* out);
int32_t ParseWave(const uint8_t* data, size_t size, WaveData* out);
// Writes a RIFF "WAVE" file: "fmt " of 16 bytes, "fact" with the sample-frame count, "data".
int32_t WriteWaveFile(const std::string& path, const WaveData& wave);

inline constexpr size_t kWaveRecordHeadBytes = 64 + 20 + 18;
// The extra-size field of a stored format: the game reads the format only when it holds 18.
inline constexpr uint16_t kWaveRecordFormatMark = 18;

// Wave records: name[64], 20-byte description (u32 20, flags, bytes B, 0, 4 pointer bytes stored as 0),
// 18-byte format whose extra-size field is 18, B sample bytes. Reading checks B against what remains; results 0 or 1.
void WriteWaveRecord(plat::ByteWriter& out, const WaveData& wave);
int32_t ReadWaveRecord(plat::ByteReader& in, WaveData* out);

}  // namespace qv
