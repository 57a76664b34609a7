#pragma once
// The lens flare: a row of glare sprites along the line from the screen centre through the sun,
// drawn over the finished frame while the sun is on screen and nothing nearer covers it (one depth
// sample at the sun's pixel), fading out towards the screen's edges.
#include <cstdint>

#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

// Reads the depth buffer at a pixel as a 16-bit value; false when it cannot be read.
using FlareDepthReader = bool (*)(uint32_t x, uint32_t y, uint16_t* value);
// The display's depth buffer by default; tests put their own in place (null restores it).
void SetFlareDepthReader(FlareDepthReader reader);

// Loads "TEXTURES\LENZ.BMP" as the texture "Lenz" with "TEXTURES\LENZ-A.BMP" as its alpha.
void LensFlareLoad(RenderInterface* render);
void LensFlareFree();
uint32_t LensFlareTexture();

// One flare sprite as drawn: centre and size in pixels of the screen.
struct FlareSprite {
    float x, y, size;
};
// Where the flare's sprites go for a sun at (sunX, sunY) on a screen of that size: the fade
// (1.0 inside the middle half of the screen, down to 0 at the edges) and five sprites.
float FlareFade(float sunX, float sunY, float width, float height);
void FlareLayout(float sunX, float sunY, float width, float height, FlareSprite out[5]);

// Draws the flare for the loaded world's sun through the interface's view-projection matrix.
// Returns the depth value sampled at the sun (the last one when nothing was sampled), 0 when
// something covers the sun.
uint16_t LensFlareDraw(const WorldView& view);
// Whether the last LensFlareDraw drew its sprites (tests and the benchmark).
bool LensFlareDrawn();

}  // namespace kes
