// Any bytes given to the wave decoder: a wave or a refusal, never a fault.
#include <cstddef>
#include <cstdint>

#include "game/core/audio/WaveLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kes::WaveData wave;
    if (kes::DecodeWave(data, size, &wave) == 0) {
        if (wave.format.channels == 0 || wave.format.samplesPerSec == 0) __builtin_trap();
        if (wave.samples.size() > size) __builtin_trap();
    }
    return 0;
}
