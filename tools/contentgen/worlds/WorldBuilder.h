#pragma once
// Makes a default world the way an author would in the editor: a new world in an editor core without
// a display, with every plug-in that stores a chunk attached in the order the editor loads them, each
// plug-in given its part (ground, ground textures, AI track, information and preview, sky, light
// map, objects, sound emitters, track cameras), and the world file's bytes taken as a save writes
// them. Every chunk of that file comes from its plug-in; the game's own chunks follow it.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/contentgen/worlds/WorldRecipes.h"

namespace tools::worlds {

// The gates the AI track gets for a course of this length: one every 60 units or so, at least 24,
// at most 96 (the game numbers at most 100 waypoints).
uint32_t GateCountFor(float courseLength);

// The world file of the recipe; empty with *error set when the editor refused a step. The world is
// saved by the editor and then given the chunks only the game reads (GameChunks.h); editorImage, when
// given, receives the file as the editor saved it.
std::vector<uint8_t> BuildWorld(const WorldRecipe& recipe, std::string* error, std::vector<uint8_t>* editorImage = nullptr);

}  // namespace tools::worlds
