#pragma once
// Decoding the three kinds of stored sounds the game loads into voices: RIFF wave files on disk, wave
// files in the data pack, and the wave records of world files. All three share the RIFF reader and
// the record reader of the editor's wave files.
#include <cstddef>
#include <cstdint>

#include "editor/sound/WaveFile.h"

namespace kes {

using qv::WaveData;
using qv::WaveFormat;

// Wave files larger than this are refused.
constexpr size_t kMaxSoundFile = 64u * 1024 * 1024;

// A RIFF "WAVE" of PCM samples: 0, or the wave reader's codes (0xE101 not a PCM wave, 0xE102 short,
// 0xE103 the data runs past the file). Zero channels or a zero rate count as not a wave.
int32_t DecodeWave(const uint8_t* bytes, size_t size, WaveData* out);
// A wave file on disk: 0xE100 when it cannot be read, else as DecodeWave.
int32_t DecodeWaveFile(const char* path, WaveData* out);
// One wave record (name, description, format, samples); *consumed = its length. A record whose
// format's extra-size field is not 18 is played as mono 16-bit PCM at 22100 Hz. 0 or 1 (short,
// samples past the end, or a format that cannot be played).
int32_t DecodeWaveRecord(const uint8_t* bytes, size_t size, WaveData* out, size_t* consumed);

}  // namespace kes
