#pragma once
// What each default world is: its file name, identifier, kind, names and descriptions in the four
// languages, the shape of its course, its ground and its look. The builder turns a recipe into a
// world through the editor's plug-ins.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/contentgen/worlds/CourseLine.h"
#include "tools/contentgen/worlds/GroundShape.h"
#include "tools/contentgen/worlds/GroundTextures.h"

namespace tools::worlds {

// A closed course round a centre: radius rx along x and ry along y, varied by a few waves round the
// loop (k bumps of relative size a), which keeps it smooth and never crossing itself.
struct LoopShape {
    struct Wave {
        int k;
        float a, phase;
    };
    Point2 centre;
    float rx, ry;
    std::vector<Wave> waves;
};

enum class Terrain { Valley, Ridge, Arena, Bowl, MenuHill };

// World kinds as the world list knows them.
enum : uint32_t { kKindMotoCross = 0, kKindSuperCross = 1, kKindFreeStyle = 2 };

struct WorldRecipe {
    std::string fileName;
    uint32_t id = 0;
    uint32_t kind = 0;
    std::string name;  // "English@Spanish@French@German", Windows-1252
    std::array<std::string, 4> description;  // English, Spanish, French, German
    std::string scoreFactor;                 // the description's fifth field (timed worlds)
    std::optional<LoopShape> loop;
    Terrain terrain = Terrain::Valley;
    GroundLook land = GroundLook::Grass, track = GroundLook::Dirt;
    bool dusk = false;
    uint32_t seed = 1;
};

// The menu world "_select.wld" first, then the race worlds.
const std::vector<WorldRecipe>& DefaultWorlds();

// The farthest the course can reach from its centre along x (or y).
float LoopReach(const LoopShape& loop, bool alongX);

// The course's control points, counter-clockwise seen from above.
std::vector<Point2> LoopControls(const LoopShape& loop);

// How the recipe's ground rises and falls around its course.
GroundRecipe GroundFor(const WorldRecipe& recipe);

}  // namespace tools::worlds
