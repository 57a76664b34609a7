// Feeds arbitrary bytes to the bikelab script parser; a script that parses is also run for a short
// while, which must leave every particle finite.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/bikelab/BikeRun.h"
#include "tools/bikelab/BikeScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    tools::BikeScript script;
    std::string error;
    if (!tools::ParseBikeScript(text, &script, &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (script.end > 2.0) script.end = 2.0;  // keep each input quick
    script.worldPath.clear();                  // the world reader has its own fuzz targets
    const tools::RunResult result = tools::RunBikeScript(script);
    if (!result.finite) std::abort();
    return 0;
}
