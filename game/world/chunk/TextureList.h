#pragma once
// A "TXDB" texture list inside a chunk: the list's own head (tag and size, which the game leaves
// to the editor), the record count, and the records, each made a texture by the render interface.
#include <cstdint>
#include <vector>

#include "game/world/chunk/ChunkStream.h"

namespace kes {

class RenderInterface;

// The least a texture record can take: kind, name and the picture header.
constexpr uint64_t kMinTextureRecordBytes = 4 + 128 + 40;

// Reads the list through the interface's texture-record operation (keepFormat, full size). The
// handles go to handles (when given) in list order. 0; a negative result of the interface, which
// stops the list; or -1 for a count beyond the chunk, a short list or a record that is not one.
int32_t LoadTextureList(ChunkStream& stream, RenderInterface* render, uint32_t keepFormat,
                        std::vector<uint32_t>* handles);

}  // namespace kes
