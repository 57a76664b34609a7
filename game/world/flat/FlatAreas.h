#pragma once
// The "FLAT" chunk: a texture list and a table of 32-byte flat-area records, kept sorted by their
// last word, largest first.
#include <array>
#include <cstdint>
#include <vector>

#include "game/world/chunk/ChunkStream.h"

namespace kes {

class RenderInterface;

using FlatRecord = std::array<uint32_t, 8>;

// 0, a negative texture result, or -1 when the records run past the chunk.
int32_t LoadFlatChunk(ChunkStream& stream, uint32_t size, RenderInterface* render);
void FreeFlat();
const std::vector<FlatRecord>& FlatRecords();
// Sorts by word 7 taken as a signed word, largest first; equal keys keep their order.
void SortFlatRecords(std::vector<FlatRecord>* records);

}  // namespace kes
