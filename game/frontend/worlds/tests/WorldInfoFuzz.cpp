// Feeds arbitrary bytes to the world-list reader as a loose world file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/frontend/worlds/WorldList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir ? dir : "/tmp") + "/world_info_fuzz_" + std::to_string(getpid()) + ".wld";
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    kes::WorldInfoForFile(path, nullptr);
    kes::FreeWorldList(nullptr);
    std::remove(path.c_str());
    return 0;
}
