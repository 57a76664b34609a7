// Fuzz target: whole container images through the in-memory decoder.
#include <cstdlib>

#include "game/core/pack/ContainerCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t unpacked = 0;
    uint8_t* out = kes::UnpackImage(data, size, &unpacked);
    if (out) {
        // Touch every byte so a wrong size shows up under the address sanitizer.
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < unpacked; ++i) sum = static_cast<uint8_t>(sum + out[i]);
        std::free(out);
    }
    if (size >= 8) {
        static uint8_t block[kes::kContainerBlockSize];
        uint32_t length = 0;
        kes::UnpackBlock(data, size, block, &length);
    }
    return 0;
}
