#pragma once
// The ground textures of the generated worlds: 256 x 256, 24 bits, tileable (the noise is periodic
// over the picture), tinted between two colours of the palette. Track surfaces carry darker ruts
// along one axis.
#include <cstdint>

#include "editor/texture/Dib.h"

namespace tools::worlds {

struct Rgb {
    uint8_t r, g, b;
};

enum class GroundLook { Grass, Dirt, Sand, Rock, Chalk };

// Colours, streaks and seed of each look.
qv::Dib GroundTexture(GroundLook look, uint32_t seed);

}  // namespace tools::worlds
