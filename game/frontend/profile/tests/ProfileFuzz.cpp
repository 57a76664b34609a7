#include <cstddef>
#include <cstdint>

#include "game/frontend/profile/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kes::Profile profile;
    if (kes::DecodeProfile(data, size, &profile)) {
        // A record read whole must write back to the same bytes, keys above 273 aside.
        const auto again = kes::EncodeProfile(profile);
        kes::Profile second;
        if (!kes::DecodeProfile(again.data(), again.size(), &second) || !(second == profile)) __builtin_trap();
    }
    return 0;
}
