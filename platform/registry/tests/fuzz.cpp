// Feeds arbitrary bytes to the store file parser; whatever parses must format and parse back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/RegistryStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    plat::RegistryData parsed;
    std::string error;
    if (!plat::ParseRegistryText(text, parsed, error)) return 0;
    std::string again = plat::FormatRegistryText(parsed);
    plat::RegistryData reparsed;
    if (!plat::ParseRegistryText(again, reparsed, error)) std::abort();
    if (plat::FormatRegistryText(reparsed) != again) std::abort();
    return 0;
}
