#include "tools/contentgen/worlds/WorldScenery.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "plugins/object/ObjectRecords.h"
#include "plugins/shared/ChunkBitmap.h"
#include "tools/contentgen/worldfx/WorldFxPictures.h"
#include "tools/contentgen/worlds/SceneryMeshes.h"
#include "tools/contentgen/worlds/WorldBuilder.h"

namespace tools::worlds {

namespace {

constexpr float kPi = 3.14159265f;

// A fixed pseudo-random sequence per world, so that a world comes out the same every time.
struct Dice {
    uint32_t state;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    }
};

bool SetSky(qv::SkyPlugin& sky, bool dusk, std::string* error) {
    std::optional<qv::Dib> layer = qv::NormaliseBmp(SkyLayerPicture(dusk).colour);
    if (!layer) {
        *error = "the sky picture was refused";
        return false;
    }
    uint32_t index = 0;
    sky.host->AddTextureFromMemory(dusk ? "dusksky.bmp" : "daysky.bmp", &layer->header, layer->pixels.data(), &index);
    if (index == 0) {
        *error = "the sky texture was refused";
        return false;
    }
    sky.sky.overheadTexture = static_cast<int32_t>(index) - 1;
    return true;
}

// The light map spans the world box (the ground's), 512 pixels a side.
void SetLightMap(qv::ShadowPlugin& shadow, const ShapedGround& ground) {
    constexpr int kSide = 512;
    qv::Dib map = qv::GreyBitmap(kSide, kSide, 255);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const uint32_t c = static_cast<uint32_t>((static_cast<float>(x) + 0.5f) * (kKnots - 1) / kSide);
            const uint32_t r = static_cast<uint32_t>((static_cast<float>(y) + 0.5f) * (kKnots - 1) / kSide);
            map.pixels[static_cast<size_t>(y) * kSide + static_cast<size_t>(x)] = GroundLight(ground, c, r);
        }
    }
    qv::Dib adjusted = map;
    for (uint8_t& p : adjusted.pixels) p = qv::AdjustedLevel(p);
    shadow.activated = 1;
    shadow.map1 = std::move(map);
    shadow.map2 = std::move(adjusted);
}

class Placer {
public:
    Placer(qv::ObjectPlugin& objects, const ShapedGround& ground) : objects_(objects), ground_(ground) {}
    // An instance of type on the ground at (x, y), turned by angle about z.
    void Place(uint32_t type, float x, float y, float angle, float scale) {
        const int32_t i = objects_.AppendInstance(type, x, y, HeightAtKnot(ground_, x, y));
        qv::ObjectInstance& in = objects_.instances[static_cast<size_t>(i)];
        in.rotZ = angle;
        in.scale = scale;
        objects_.PutOnGround(in);
    }

private:
    qv::ObjectPlugin& objects_;
    const ShapedGround& ground_;
};

bool PlaceScenery(qv::ObjectPlugin& objects, const WorldRecipe& recipe, const CourseLine* course, const ShapedGround& ground,
                  const DressingPlan& plan, uint32_t* bonusId, std::string* error) {
    const CourseSample* start = plan.start;
    constexpr size_t kKinds = std::size(kAllScenery);
    uint32_t type[kKinds] = {};
    for (size_t k = 0; k < kKinds; ++k) {
        const std::vector<uint8_t> mesh = SceneryMesh(kAllScenery[k], error);
        if (mesh.empty()) return false;
        const std::string file = (std::filesystem::path(plan.meshFolder) / SceneryFileName(kAllScenery[k])).string();
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(mesh.data()), static_cast<std::streamsize>(mesh.size()));
        uint32_t index = 0;
        objects.host->AddMeshFromFile(file.c_str(), &index);
        if (index == 0 || static_cast<int32_t>(index) != objects.host->GetMeshCount()) {
            *error = std::string("the scenery mesh ") + SceneryFileName(kAllScenery[k]) + " was refused";
            return false;
        }
        // A new type with no flags yet, as the panel's "Add Obj" makes it.
        objects.types.resize(index);
        objects.types.back() = qv::ObjectTypeInfo{};
        type[k] = index - 1;
    }
    // Everything the riders could run into collides.
    for (Scenery solid : {Scenery::Tree, Scenery::Rock, Scenery::TyreStack, Scenery::HayBale, Scenery::StartBanner})
        objects.SetTypeFlag(type[static_cast<size_t>(solid)], qv::kObjectCollision, true);
    Placer placer(objects, ground);
    Dice dice{recipe.seed * 7919u + 1};
    // Trees and rocks scattered over the land round the course (fewer in arenas and pits).
    const bool open = recipe.terrain == Terrain::Valley || recipe.terrain == Terrain::Ridge || recipe.terrain == Terrain::MenuHill;
    const int scattered = open ? 260 : 80;
    for (int placed = 0, tries = 0; placed < scattered && tries < 5000; ++tries) {
        const float x = 500 + (dice.Next() - 0.5f) * 4000, y = 500 + (dice.Next() - 0.5f) * 4000;
        const float angle = dice.Next() * 2 * kPi, scale = 0.8f + 0.5f * dice.Next();
        if (DistanceAt(ground, x, y) < kSceneryClearance + 30) continue;
        if (std::hypot(x - plan.keepClear.x, y - plan.keepClear.y) < plan.keepClearRadius) continue;
        if (recipe.terrain == Terrain::MenuHill && std::hypot(x - 10, y - 50) < 120) continue;  // the bike on display
        const bool rock = !open || dice.Next() < 0.25f;
        placer.Place(type[rock ? 1 : 0], x, y, angle, scale);
        ++placed;
    }
    if (start) {
        // The banner's posts run along its local x, which must lie across the track. Which way the
        // turn about z goes is the object transform's business: the result is checked and the turn
        // taken the other way when it does not come out across.
        const float angle = std::atan2(start->hx, -start->hy);
        placer.Place(type[4], start->x, start->y, angle, 1);
        qv::ObjectInstance& banner = objects.instances.back();
        const qv::Matrix4 m = qv::InstanceTransform(banner, false);
        if (std::fabs(m.m[0] * start->hx + m.m[1] * start->hy) > 0.1f) banner.rotZ = -angle;
    }
    *bonusId = 0;
    if (!course) return true;
    {
        // The bonus pickup floats over the middle of the course a third of the lap after the start.
        const CourseSample& at = course->At((start ? start->s : 0.0f) + course->Length() / 3);
        placer.Place(type[static_cast<size_t>(Scenery::Bonus)], at.x, at.y, 0, 1);
        *bonusId = objects.instances.back().id;
    }
    // Along the course: tyre stacks outside tight turns, hay bales outside straights.
    const auto& samples = course->Samples();
    const size_t n = samples.size();
    const size_t every = std::max<size_t>(1, static_cast<size_t>(60.0f / (course->Length() / static_cast<float>(n))));
    for (size_t k = 0; k < n; k += every) {
        const CourseSample& a = samples[(k + n - every) % n];
        const CourseSample& b = samples[(k + every) % n];
        const float cross = a.hx * b.hy - a.hy * b.hx;  // > 0: turning left (counter-clockwise)
        const CourseSample& p = samples[k];
        // The outside of the turn is to the right of a left turn.
        const float side = cross > 0 ? -1.0f : 1.0f;
        const float ox = -p.hy * side, oy = p.hx * side;  // unit vector toward the outside
        const float x = p.x + ox * kSceneryClearance, y = p.y + oy * kSceneryClearance;
        if (DistanceAt(ground, x, y) < kSceneryClearance - 5) continue;  // another part of the course is near
        if (start && std::hypot(x - start->x, y - start->y) < 80) continue;  // the banner's place
        if (std::fabs(cross) > 0.08f) placer.Place(type[2], x, y, 0, 1);
        else if (k % (every * 3) == 0) placer.Place(type[3], x, y, std::atan2(p.hy, p.hx), 1);
    }
    return true;
}

}  // namespace

uint8_t GroundLight(const ShapedGround& ground, uint32_t column, uint32_t row) {
    const uint32_t c0 = column > 0 ? column - 1 : column, c1 = std::min(kKnots - 1, column + 1);
    const uint32_t r0 = row > 0 ? row - 1 : row, r1 = std::min(kKnots - 1, row + 1);
    const float dx = (ground.heights[size_t{row} * kKnots + c1] - ground.heights[size_t{row} * kKnots + c0]) /
                     (static_cast<float>(c1 - c0) * kKnotStep);
    const float dy = (ground.heights[size_t{r1} * kKnots + column] - ground.heights[size_t{r0} * kKnots + column]) /
                     (static_cast<float>(r1 - r0) * kKnotStep);
    // Normal (-dx, -dy, 1) against a sun high in the south-east.
    const float nx = -dx, ny = -dy, nz = 1, len = std::sqrt(nx * nx + ny * ny + nz * nz);
    const float lx = 0.4f, ly = -0.4f, lz = 0.82f;
    const float lambert = std::clamp((nx * lx + ny * ly + nz * lz) / len, 0.0f, 1.0f);
    return static_cast<uint8_t>(std::lround(120 + 135 * lambert));
}

bool DressWorld(qv::SkyPlugin& sky, qv::ShadowPlugin& shadow, qv::ObjectPlugin& objects, const WorldRecipe& recipe,
                const CourseLine* course, const ShapedGround& ground, const DressingPlan& plan, uint32_t* bonusId,
                std::string* error) {
    if (!SetSky(sky, recipe.dusk, error)) return false;
    SetLightMap(shadow, ground);
    return PlaceScenery(objects, recipe, course, ground, plan, bonusId, error);
}

}  // namespace tools::worlds
