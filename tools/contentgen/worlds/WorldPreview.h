#pragma once
// A world's preview picture for the world pages: the world seen from straight above, 256 x 256,
// 24 bits: the land and course in their texture colours, shaded by the slope facing the sun.
#include "editor/texture/Dib.h"
#include "tools/contentgen/worlds/WorldRecipes.h"

namespace tools::worlds {

qv::Dib PreviewPicture(const WorldRecipe& recipe, const ShapedGround& ground);

}  // namespace tools::worlds
