// Feeds arbitrary bytes to the JMESH5 loader and, the same bytes, to the mesh record reader.
#include <cstdint>

#include "game/core/mesh/Mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kes::Mesh file(nullptr);
    // Detail levels of every mesh the loader takes (they grow a little faster than the faces).
    if (file.LoadFromMemory(data, size, "fuzz", 0) && file.faceCount <= 4096) file.BuildLods();
    file.SetFrame(0.5f);
    kes::Mesh record(nullptr);
    kes::MemoryImageStream s(data, size);
    if (record.Build(s, 0) && record.faceCount <= 4096) record.BuildLods();
    record.SetFrame(1.25f);
    return 0;
}
