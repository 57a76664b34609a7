#pragma once
// Pictures of the world's effects: the lens flare's glare, the particle atlases (8 x 8 cells of a
// puff growing and fading over its frames) and the sky's horizon backdrop and cloud layer.
#include <cstdint>
#include <vector>

#include "tools/contentgen/ContentGen.h"
#include "tools/contentgen/frontend/Canvas.h"

namespace tools {

// A picture as two bitmap files: 24-bit colour and 8-bit alpha.
struct PicturePair {
    std::vector<uint8_t> colour, alpha;
};

PicturePair LensFlarePicture();

enum class ParticleLook { Grass, Mud, Snow, Water, Sand, Exhaust, Dust };
PicturePair ParticleAtlas(ParticleLook look);

// The horizon backdrop: 512 columns of hills kept as two halves of a 256 x 256 picture (columns
// 0-255 in the top half, 256-511 below), sky above the hills transparent. dusk: the warm variant.
PicturePair SkyHorizonPicture(bool dusk);
// The sky layer: a vertical gradient from the zenith (top row) to the horizon (bottom row) with
// soft clouds, tileable left to right.
PicturePair SkyLayerPicture(bool dusk);

// Data pack: "TEXTURES\LENZ.BMP" and its alpha, the fourteen particle pictures.
bool AddWorldEffectPictures(PackContent& pack, std::string* error);

}  // namespace tools
