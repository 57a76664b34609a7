// Any bytes given to the wave-record decoder: a record that lies inside the input, or a refusal.
#include <cstddef>
#include <cstdint>

#include "game/core/audio/WaveLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kes::WaveData wave;
    size_t consumed = 0;
    if (kes::DecodeWaveRecord(data, size, &wave, &consumed) == 0) {
        if (consumed > size || wave.samples.size() > size) __builtin_trap();
    }
    return 0;
}
