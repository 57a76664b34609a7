#pragma once
// Textured rectangles drawn in screen space (HUD, menu pictures, countdown digits, lens-flare rings).
// A sprite is given in fractions of the screen; the batcher multiplies by the screen size and draws
// pre-transformed vertices as one triangle list through the render interface, with whatever
// texture the caller selected.
#include <cstdint>

#include "game/core/render/RenderInterface.h"

namespace kes {

struct TextureRect {
    float uMin, vMin, uMax, vMax;
};

struct Sprite {
    float left, top, right, bottom;  // fractions of the screen width and height
    float z;                         // depth written to every vertex
    uint32_t colour;                 // ARGB
    const TextureRect* rect;
};

// 0, or 1 when a buffer cannot be allocated.
int32_t InitSprites(RenderInterface* renderer, uint32_t capacity, uint32_t width, uint32_t height);
int32_t FreeSprites();
int32_t SetSpriteScale(uint32_t width, uint32_t height);
int32_t DrawSprite(const Sprite* sprite);
// 0, or 1 when count exceeds the capacity (nothing drawn).
int32_t DrawSprites(const Sprite* sprites, uint32_t count);
// The most sprites one DrawSprites call takes (0 before InitSprites).
uint32_t SpriteCapacity();

}  // namespace kes
