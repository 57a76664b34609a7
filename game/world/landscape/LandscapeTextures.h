#pragma once
// The landscape's texture list: "TXTR" records brought to the tile texture size and made into
// textures with mip levels whose edge pixels match the tile edges.
#include <cstdint>
#include <vector>

#include "game/core/image/ImageRecord.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/landscape/Landscape.h"

namespace kes {

// Reads the list head, the count and every record; handles receive the texture handles in list
// order. 0, kWorldOutOfMemory (short list, no memory) or kWorldBadTextureKind.
int32_t LoadLandscapeTextures(ChunkStream& stream, RenderInterface* render, uint32_t textureSize,
                              LandscapeProgressFn progress, std::vector<uint32_t>* handles);

// A 24-bit image halved by a 2 x 2 box filter, its first and last rows and columns taken from the
// source's edge pixels so that neighbouring tiles meet without seams. Null when memory fails.
ImageRecord* HalveTileImage(const ImageRecord& source);
// Copies the edge pixels of a 24-bit level into the next smaller level (every second pixel).
void CopyTileEdges(const ImageRecord& source, ImageRecord* smaller);
// Turns any decoded picture into a 24-bit record (the old one is freed); null on failure.
ImageRecord* ToRgb24(ImageRecord* image);

}  // namespace kes
