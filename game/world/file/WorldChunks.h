#pragma once
// The table that hands each chunk of a world to its reader, and the owners' free and post-load
// steps in their fixed order. A new chunk owner is one entry in each table that concerns it.
#include <cstdint>

#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldTypes.h"

namespace kes {

struct ChunkContext {
    ChunkStream& stream;
    uint32_t size;
    RenderInterface* render;
    const WorldBounds& bounds;
};

struct ChunkReaderEntry {
    uint32_t tag;
    uint32_t tableOwner;  // tag of the handle table made current while it runs, 0 for none
    int32_t (*read)(ChunkContext& context);
};

struct WorldOwnerStep {
    uint32_t tableOwner;  // handle table current during the step, 0 for none
    void (*run)(RenderInterface* render);
};

// The reader of a tag, or null for a tag that is skipped.
const ChunkReaderEntry* FindChunkReader(uint32_t tag);
// Steps after the last chunk, in order.
const WorldOwnerStep* PostLoadSteps(uint32_t* count);
// Frees of every owner, in order.
const WorldOwnerStep* UnloadSteps(uint32_t* count);

}  // namespace kes
