#pragma once
// The low-polygon scenery the default worlds place with the object plug-in, as JMESH5 images the
// editor loads like mesh files: trees, rocks, tyre stacks, hay bales, the start banner and the
// bonus pickup (a crate on a post). Plain
// colours, no texture files, so they load wherever the world is opened.
#include <cstdint>
#include <string>
#include <vector>

namespace tools::worlds {

enum class Scenery { Tree, Rock, TyreStack, HayBale, StartBanner, Bonus };
inline constexpr Scenery kAllScenery[] = {Scenery::Tree,    Scenery::Rock,        Scenery::TyreStack,
                                          Scenery::HayBale, Scenery::StartBanner, Scenery::Bonus};

// The mesh's file name; the editor names a mesh loaded from a file after it.
const char* SceneryFileName(Scenery kind);

// The start banner's posts stand this far either side of its middle: just beyond the flat ridden
// surface (40 either side of the centre line), so that the banner spans the course and no more.
inline constexpr float kBannerHalfSpan = 52.0f;

std::vector<uint8_t> SceneryMesh(Scenery kind, std::string* error);

}  // namespace tools::worlds
