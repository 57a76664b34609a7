// RIFF wave files and wave records from untrusted bytes.
#include <cstdint>

#include "editor/sound/WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::WaveData wave;
    if (qv::ParseWave(data, size, &wave) == 0) {
        plat::ByteWriter out;
        qv::WriteWaveRecord(out, wave);
    }
    plat::ByteReader in(data, size);
    while (in.Remaining() > 0 && qv::ReadWaveRecord(in, &wave) == 0) {
    }
    return 0;
}
