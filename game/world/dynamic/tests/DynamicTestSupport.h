#pragma once
// Placed objects and the scene-object pool for the dynamic-object tests and fuzz target.
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/core/objects/Objects.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/objects/tests/ObjectTestSupport.h"

namespace kes::test {

// Crates with ids 1..n in a row along x at y = 50, ten apart.
inline void LoadCrates(TableRender* render, uint32_t n) {
    ObjectsData d;
    d.types = {Cube("crate", 1.0f)};
    for (uint32_t i = 0; i < n; ++i) {
        ObjectInstanceData in;
        in.x = 10.0f * static_cast<float>(i + 1);
        in.y = 50;
        in.id = i + 1;
        d.instances.push_back(in);
    }
    const std::vector<uint8_t> bytes = WorldWriter::ObjectChunk(d);
    MemoryPack pack(bytes);
    ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
    ObjectTypesLoad(s, static_cast<uint32_t>(bytes.size()), render);
}

inline int32_t LoadDynamic(const std::vector<uint8_t>& bytes) {
    MemoryPack pack(bytes);
    ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
    return LoadDynamicChunk(s, static_cast<uint32_t>(bytes.size()));
}

inline void StartObjects() {
    InitTrigTables();
    const float box[6] = {-1000, -1000, -1000, 1000, 1000, 1000};
    InitObjects(0, 1, 1, 1, box);
}

}  // namespace kes::test
