#pragma once
// The "SKY." chunk and the sky drawn behind the world each frame in screen space: a sky layer whose
// picture scrolls slowly (the clouds) down to the horizon, and a horizon backdrop that wraps round
// the viewer and turns with the camera's heading. The backdrop picture is 512 columns wide, kept as
// two halves of a 256 x 256 texture (columns 0-255 on top, 256-511 below).
#include <cstdint>
#include <vector>

#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldTypes.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

// The first word of the current layout; any other first word is the older layout.
constexpr uint32_t kSkyLayoutMarker = 100;

struct SkyParams {
    int32_t horizonTexture = -1;  // index into the chunk's texture list, -1 none
    int32_t layerTexture = -1;
    int32_t thirdTexture = -1;    // kept, never drawn
    float horizonRepeats = 4.0f;  // times the horizon picture goes round the circle
    float layerRepeats = 4.0f;
    float horizonSpan = 640.0f;   // picture columns across the screen width
    float unused = 64.0f;
    float layerSpan = 640.0f;     // also the divisor of the cloud scroll
    float horizonLift = 100.0f;   // screen rows between the true horizon and the backdrop's foot
    float cloudSpeed = 100.0f;    // world units per second
};

// Reads either layout; each texture through the render interface (full size) into the sky's handle
// table, which the caller makes current. A negative texture result stops the chunk and is returned;
// -1 for a chunk too short for its head; else 0.
int32_t SkyLoad(ChunkStream& stream, uint32_t size, RenderInterface* render, const WorldBounds& bounds);
// Scrolls the clouds: offset += ms / 1000 x speed x 512 / layer span, kept within -512 .. 512.
void SkyUpdate(uint32_t elapsedMs);
// Nothing without textures; a texture index outside the list draws nothing of its part.
void SkyDraw(const WorldView& view, RenderInterface* render);
// Releases the textures (sky table current) and puts the parameters back to their defaults; the
// texture indices stay as they are.
void SkyFree(RenderInterface* render);

const SkyParams& CurrentSky();
float SkyCloudOffset();
void SkySetCloudOffset(float offset);
// The interface handle of a texture index, 0 for none (index outside the list or no texture).
uint32_t SkyTextureHandle(int32_t index);

// Geometry, exposed for tests.
// 0 .. 2 pi round the vertical axis; forward +y is 0.
float SkyHeadingAngle(const Vec3& forward);
// The screen row of the true horizon.
float SkyHorizonY(const Vec3& forward, float verticalFov, float screenHeight);
// v of the sky layer's picture at a height above the horizon (radians).
float SkyPitchBandV(float pitch);
struct SkyMesh {
    std::vector<ScreenVertex> vertices;
    std::vector<uint16_t> indices;
};
SkyMesh SkyBackdropBuild(const WorldView& view, const SkyParams& params);
SkyMesh SkyLayerBuild(const WorldView& view, const SkyParams& params, float cloudOffset);

}  // namespace kes
