// Feeds arbitrary bytes to the reader of height files (the export format and the ASCII imports).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugins/landscape/LandscapeEdit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<qv::AsciiHeights> h = qv::ParseAsciiHeights(std::vector<uint8_t>(data, data + size));
    if (h && !h->values.empty() && h->values.size() != size_t{h->knotsX} * h->knotsY) __builtin_trap();
    return 0;
}
