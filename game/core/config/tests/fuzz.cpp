// Feeds arbitrary bytes to the settings record reader: a record it takes must write back to the same
// bytes, and after clamping must stay inside the domains the game relies on.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "game/core/config/ConfigRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kes::ConfigRecord record;
    if (!kes::ParseConfigRecord(std::span<const uint8_t>(data, size), record)) return 0;
    kes::ConfigBytes bytes = kes::SerializeConfigRecord(record);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != data[i]) std::abort();
    kes::ClampConfigRecord(record);
    if (record.landscapeDetail > 2 || record.musicVolume > 100 || record.effectsVolume > 100 ||
        record.displaySlider1 > 100 || record.displaySlider2 > 100 || record.drawDistance > 100 ||
        record.text.back() != 0 || record.hostedName.back() != 0)
        std::abort();
    return 0;
}
