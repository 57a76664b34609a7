#pragma once
// The "TINF" chunk: the world's texture list (the HUD binds the first one), the sun and ambient
// light, the world's name, description and picture.
#include <cstdint>
#include <string>

#include "game/core/image/ImageRecord.h"
#include "game/core/maths/MathTypes.h"
#include "game/world/chunk/ChunkStream.h"

namespace kes {

class RenderInterface;

struct WorldInfo {
    uint32_t id = 0;
    uint32_t kind = 0;
    std::string name;
    std::string description;
};

// 0, a negative texture result (the chunk stops there), or -1 for a picture that cannot be read.
int32_t WorldTexturesLoad(ChunkStream& stream, uint32_t size, RenderInterface* render);
void WorldTexturesFree(RenderInterface* render);
// 1 without a texture list or with a first handle of 0; else the select result.
int32_t WorldBindFirstTexture(RenderInterface* render);
void WorldGetSunPosition(Vec3* out);
uint32_t WorldGetSunColour();
float WorldGetSunIntensity();
uint32_t WorldGetAmbientColour();
float WorldGetAmbientIntensity();
uint32_t WorldTextureCount();
uint32_t WorldTextureHandle(uint32_t index);
const WorldInfo& WorldGetInfo();
// The world's picture, or null.
const ImageRecord* WorldGetPicture();

}  // namespace kes
