// The skeleton's node lists from untrusted bytes: every kept index names a vertex of the mesh.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "game/world/models/RiderDumps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr uint32_t kVertices = 300;
    kes::RiderNodeLists lists;
    kes::ReadRiderNodeDump(data, size, kVertices, &lists);
    for (const auto& list : lists)
        for (uint32_t i : list)
            if (i >= kVertices) std::abort();
    return 0;
}
