// Fuzz target: the input-script parser takes any bytes without crashing, and what it accepts is
// ordered by frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "game/core/input/InputScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<kes::ScriptEvent> events;
    std::string error;
    if (kes::ParseInputScript(std::string_view(reinterpret_cast<const char*>(data), size), &events, &error)) {
        for (size_t i = 1; i < events.size(); ++i)
            if (events[i - 1].frame > events[i].frame) std::abort();
    } else if (error.empty() || !events.empty()) {
        std::abort();
    }
    return 0;
}
