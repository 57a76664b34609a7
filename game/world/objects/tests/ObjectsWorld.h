#pragma once
// A small generated world with the track's objects: a flat 360 x 360 landscape, a row of placed
// objects of two types (crates and pillars, each with a collision mesh), one crate on a lane of its
// own, a fence line of 20 panels (10 solid, 10 breakable), a pond, and four dynamic objects: a lift,
// a path mover, a blocker and a bonus pickup (a gem on the open lane). Tests of the reader, the
// screenshot test, bikelab's world runs and the contact benchmark share it.
#include <cstring>
#include <memory>
#include <vector>

#include "game/world/objects/tests/ObjectTestSupport.h"
#include "game/world/writer/WorldWriter.h"

namespace kes::test {

struct ObjectsWorldLayout {
    static constexpr float kLaneCrateX = 60, kLaneCrateY = 150;  // a crate of side 8 on the x = 60 lane
    static constexpr float kFenceY = 150, kFenceFromX = 140, kFenceToX = 220;  // panels 10 and on breakable
    static constexpr float kSolidLaneX = 160, kBreakableLaneX = 200;
    static constexpr float kPondMinX = 250, kPondMaxX = 330, kPondMinY = 120, kPondMaxY = 200, kPondZ = 6;
    static constexpr float kRowY = 300;
    static constexpr float kOpenLaneX = 100, kGemY = 200;
    static constexpr uint32_t kLiftId = 20, kMoverId = 21, kBlockerId = 22, kGemId = 23;
};

inline LandscapeData FlatLandscape(const WorldBounds& b, uint8_t red, uint8_t green, uint8_t blue) {
    LandscapeData l;
    l.knotsX = l.knotsY = 37;
    l.knotsPerCellX = l.knotsPerCellY = 4;
    l.bounds = b;
    l.heights.assign(37u * 37u, 0.0f);
    l.cells.assign(static_cast<size_t>(l.CellsX()) * l.CellsY(), 1);
    l.textures.push_back({"ground.bmp", DibPicture::Solid(8, 8, red, green, blue)});
    return l;
}

inline CollisionMesh NamedMesh(const char* name) {
    CollisionMesh m;
    std::strncpy(m.name, name, sizeof m.name - 1);
    return m;
}

// The objects of the world: types, instances, collision meshes.
inline ObjectsData ObjectsWorldObjects(std::vector<CollisionMesh>* meshes) {
    using L = ObjectsWorldLayout;
    ObjectsData d;
    d.textures.push_back({"crate.bmp", DibPicture::Solid(8, 8, 200, 40, 40)});     // red crates
    d.textures.push_back({"pillar.bmp", DibPicture::Solid(8, 8, 240, 240, 40)});   // yellow pillars
    d.textures.push_back({"gem.bmp", DibPicture::Solid(8, 8, 240, 40, 240)});      // magenta gems
    d.types = {Cube("crate", 4.0f), Cube("pillar", 3.0f), Cube("gem", 4.0f)};
    d.types[0].texture = 1;
    d.types[1].texture = 2;
    d.types[2].texture = 3;
    d.types[1].vertices[4].z = d.types[1].vertices[5].z = d.types[1].vertices[6].z = d.types[1].vertices[7].z = 16.0f;
    d.sounds1 = {"None", "None", "None"};
    d.sounds2 = {"wood.wav", "stone.wav", "None"};
    uint32_t id = 1;
    for (int i = 0; i < 8; ++i) {
        ObjectInstanceData in;
        in.x = 40.0f + 40.0f * static_cast<float>(i);
        in.y = L::kRowY;
        in.type = static_cast<uint32_t>(i % 2);
        in.id = id++;
        d.instances.push_back(in);
    }
    ObjectInstanceData lane;
    lane.x = L::kLaneCrateX;
    lane.y = L::kLaneCrateY;
    lane.id = id++;
    d.instances.push_back(lane);
    // The dynamic objects' placed objects.
    const struct {
        float x, y;
        uint32_t type, id;
    } dynamic[] = {{330, 300, 0, L::kLiftId}, {20, 20, 1, L::kMoverId}, {340, 40, 0, L::kBlockerId},
                   {L::kOpenLaneX, L::kGemY, 2, L::kGemId}};
    for (const auto& k : dynamic) {
        ObjectInstanceData in;
        in.x = k.x;
        in.y = k.y;
        in.type = k.type;
        in.id = k.id;
        d.instances.push_back(in);
    }
    if (meshes) {
        CollisionMesh crate = NamedMesh("crate");
        crate.boxes.push_back({{-4, -4, 0}, 8, 8, 8, 0, 0, 0, 0, {}, {}});
        CollisionMesh pillar = NamedMesh("pillar");
        pillar.cylinders.push_back({{0, 0, 0}, 3, 16, 0, 0, 1, {}});
        CollisionMesh gem = NamedMesh("gem");
        gem.spheres.push_back({{0, 0, 4.0f}, 4.5f, 1.0f});
        *meshes = {crate, pillar, gem};
    }
    return d;
}

inline FenceData ObjectsWorldFence() {
    using L = ObjectsWorldLayout;
    FenceData f;
    f.textures = {{"planks.bmp", DibPicture::Solid(8, 8, 120, 70, 30)}, {"glass.bmp", DibPicture::Solid(8, 8, 160, 200, 220)},
                  {"shards.bmp", DibPicture::Solid(8, 8, 90, 90, 90)}};
    f.materials = {{0, 0.0f, 0, "planks", "None"}, {1, 10.0f, 2, "glass", "glass.wav"}, {0, 0.0f, 0, "shards", "None"}};
    FenceLineData line;
    line.curve.points = {{L::kFenceFromX - 10, L::kFenceY, 0}, {L::kFenceFromX, L::kFenceY, 0},
                         {(L::kFenceFromX + L::kFenceToX) / 2, L::kFenceY, 0}, {L::kFenceToX, L::kFenceY, 0},
                         {L::kFenceToX + 10, L::kFenceY, 0}};
    line.height = 6.0f;
    for (int i = 0; i < 20; ++i) line.materials.push_back(i < 10 ? 1 : 2);
    f.lines.push_back(line);
    return f;
}

inline WaterData ObjectsWorldWater() {
    using L = ObjectsWorldLayout;
    WaterData w;
    w.frames = {{"water0.bmp", DibPicture::Solid(8, 8, 30, 60, 220)}, {"water1.bmp", DibPicture::Solid(8, 8, 40, 70, 230)}};
    w.areas.push_back({{{L::kPondMinX, L::kPondMinY, L::kPondZ}, {L::kPondMaxX, L::kPondMinY, L::kPondZ},
                        {L::kPondMaxX, L::kPondMaxY, L::kPondZ}, {L::kPondMinX, L::kPondMaxY, L::kPondZ}},
                       0.05f, 0.05f, 1});
    return w;
}

// A lift, a path mover on a square, a blocker and a pickup of 25 points.
inline std::vector<std::unique_ptr<DynamicRecord>> ObjectsWorldDynamic() {
    using L = ObjectsWorldLayout;
    std::vector<std::unique_ptr<DynamicRecord>> list;
    auto add = [&](uint32_t id, int32_t behaviour) {
        list.push_back(std::make_unique<DynamicRecord>());
        list.back()->objectId = id;
        list.back()->behaviour = behaviour;
        return list.back().get();
    };
    DynamicRecord* lift = add(L::kLiftId, kLift);
    lift->paramA = 0;
    lift->paramB = 10;
    lift->paramC = 5;
    lift->mode = 1;
    DynamicRecord* mover = add(L::kMoverId, kPathMover);
    mover->paramA = 10;
    mover->path = std::make_unique<Path>();
    mover->path->points = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    mover->path->closed = 1;
    RebuildKnots(mover->path.get());
    add(L::kBlockerId, kBlocker)->paramA = 5;
    DynamicRecord* gem = add(L::kGemId, kBonus);
    gem->mode = 1;
    gem->amount = 25;
    return list;
}

// The whole world file.
inline std::vector<uint8_t> ObjectsWorld() {
    WorldWriter w;
    const WorldBounds b{0, 0, 0, 360, 360, 100};
    w.Header(b);
    w.Landscape(FlatLandscape(b, 40, 150, 40));
    std::vector<CollisionMesh> meshes;
    const ObjectsData objects = ObjectsWorldObjects(&meshes);
    w.Collision(meshes);
    w.Water(ObjectsWorldWater());
    w.Fences(ObjectsWorldFence());
    w.Objects(objects);
    const std::vector<std::unique_ptr<DynamicRecord>> dynamic = ObjectsWorldDynamic();
    std::vector<const DynamicRecord*> records;
    for (const auto& r : dynamic) records.push_back(r.get());
    w.Dynamic(records);
    return w.Finish();
}

}  // namespace kes::test
