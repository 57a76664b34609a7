#include "tools/racelab/RaceWorld.h"

#include <cmath>
#include <cstring>

#include "game/world/writer/WorldWriter.h"

namespace tools {

namespace {

using L = RaceWorldLayout;
constexpr float kPi = 3.14159265f;
constexpr uint32_t kKnots = 241;  // a knot every 10 units

kes::ObjectMeshData Box(const char* name, float half, float height) {
    kes::ObjectMeshData m;
    m.name = name;
    for (int i = 0; i < 8; ++i)
        m.vertices.push_back({(i & 1) ? half : -half, (i & 2) ? half : -half, (i & 4) ? height : 0.0f, 0, 0, 1, 0, 0});
    m.faces = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4, 2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    return m;
}

kes::CollisionMesh NamedMesh(const char* name) {
    kes::CollisionMesh m;
    std::strncpy(m.name, name, sizeof m.name - 1);
    return m;
}

kes::ObjectsData Objects(std::vector<kes::CollisionMesh>* meshes) {
    kes::ObjectsData d;
    d.textures.push_back({"crate.bmp", kes::DibPicture::Solid(8, 8, 200, 40, 40)});
    d.textures.push_back({"pillar.bmp", kes::DibPicture::Solid(8, 8, 240, 240, 40)});
    d.types = {Box("crate", 4.0f, 8.0f), Box("pillar", 3.0f, 16.0f)};
    d.types[0].texture = 1;
    d.types[1].texture = 2;
    d.sounds1 = {"None", "None"};
    d.sounds2 = {"wood.wav", "stone.wav"};
    uint32_t id = 1;
    for (int i = 0; i < 10; ++i) {
        kes::ObjectInstanceData in;
        in.x = L::kStraightFrom + 60.0f + 70.0f * static_cast<float>(i);
        in.y = L::kObjectsY + ((i % 3) == 0 ? 28.0f : 0.0f);  // every third one stands at the track's edge
        in.groundHeight = L::HeightAt(in.x, in.y);
        in.type = static_cast<uint32_t>(i % 2);
        in.id = id++;
        d.instances.push_back(in);
    }
    kes::CollisionMesh crate = NamedMesh("crate");
    crate.boxes.push_back({{-4, -4, 0}, 8, 8, 8, 0, 0, 0, 0, {}, {}});
    kes::CollisionMesh pillar = NamedMesh("pillar");
    pillar.cylinders.push_back({{0, 0, 0}, 3, 16, 0, 0, 1, {}});
    *meshes = {crate, pillar};
    return d;
}

kes::FenceData Fence() {
    kes::FenceData f;
    f.textures = {{"planks.bmp", kes::DibPicture::Solid(8, 8, 120, 70, 30)}};
    f.materials = {{0, 0.0f, 0, "planks", "None"}};
    kes::FenceLineData line;
    const float from = L::kStraightFrom + 100.0f, to = L::kStraightTo - 100.0f;
    line.curve.points = {{from - 10, L::kFenceY, 0}, {from, L::kFenceY, 0}, {(from + to) / 2, L::kFenceY, 0},
                         {to, L::kFenceY, 0}, {to + 10, L::kFenceY, 0}};
    line.height = 5.0f;
    line.materials.assign(30, 1);
    f.lines.push_back(line);
    return f;
}

kes::WaterData Water() {
    kes::WaterData w;
    w.frames = {{"water0.bmp", kes::DibPicture::Solid(8, 8, 30, 60, 220)}};
    const float z = -2.0f;
    w.areas.push_back({{{L::kPondMinX, L::kPondMinY, z}, {L::kPondMaxX, L::kPondMinY, z},
                        {L::kPondMaxX, L::kPondMaxY, z}, {L::kPondMinX, L::kPondMaxY, z}},
                       0.05f, 0.05f, 1});
    return w;
}

kes::AiTrackData Gates() {
    kes::AiTrackData t;
    for (int k = 0; k < L::kGates; ++k) {
        kes::Vec3 p, h;
        L::At(40.0f + L::Length() * static_cast<float>(k) / L::kGates, &p, &h);
        const kes::Vec3 left = {-h.y, h.x, 0};
        kes::AiNodeData n;
        n.centre = {p.x, p.y, L::HeightAt(p.x, p.y)};
        n.leftEdge = {p.x + left.x * L::kHalfWidth, p.y + left.y * L::kHalfWidth, 0};
        n.rightEdge = {p.x - left.x * L::kHalfWidth, p.y - left.y * L::kHalfWidth, 0};
        n.leftWidth = n.rightWidth = 30.0f;
        n.links = {(k + 1) % L::kGates};
        t.nodes.push_back(n);
    }
    constexpr uint32_t kCells = 256;
    t.hasMap = true;
    t.mapWidth = t.mapHeight = kCells;
    t.mapBits.assign(kCells / 8 * kCells, 0);
    for (uint32_t row = 0; row < kCells; ++row) {
        for (uint32_t col = 0; col < kCells; ++col) {
            const float x = (static_cast<float>(col) + 0.5f) * L::kWorld / kCells;
            const float y = (static_cast<float>(row) + 0.5f) * L::kWorld / kCells;
            if (L::DistanceFromTrack(x, y) < 45.0f) t.mapBits[row * (kCells / 8) + col / 8] |= static_cast<uint8_t>(1u << (col % 8));
        }
    }
    return t;
}

std::vector<kes::CameraRecordData> Cameras() {
    std::vector<kes::CameraRecordData> zones;
    kes::CameraRecordData a;  // over the first straight's middle: a fixed camera that follows
    a.x = 1200.0f;
    a.y = L::kStraightY - 120.0f;
    a.z = 0.0f;
    a.heightAboveGround = 40.0f;
    a.corner1X = 1000.0f;
    a.corner1Y = L::kStraightY - 80.0f;
    a.corner2X = 1400.0f;
    a.corner2Y = L::kStraightY + 80.0f;
    a.zoom = 0.5f;
    a.minDistance = 20.0f;
    a.minOn = 1;
    a.maxDistance = 200.0f;
    a.maxOn = 1;
    a.fov = 70.0f;
    zones.push_back(a);
    kes::CameraRecordData b = a;  // over the second straight: keeps a fixed distance
    b.y = 2 * L::kCentreY - L::kStraightY + 120.0f;
    b.corner1Y = 2 * L::kCentreY - L::kStraightY - 80.0f;
    b.corner2Y = 2 * L::kCentreY - L::kStraightY + 80.0f;
    b.rangeOn = 1;
    b.range = 60.0f;
    zones.push_back(b);
    return zones;
}

}  // namespace

float RaceWorldLayout::Length() { return 2.0f * (kStraightTo - kStraightFrom) + 2.0f * kPi * kRadius; }

void RaceWorldLayout::At(float s, kes::Vec3* point, kes::Vec3* heading) {
    const float straight = kStraightTo - kStraightFrom;
    const float arc = kPi * kRadius;
    s = std::fmod(s, Length());
    if (s < 0) s += Length();
    if (s < straight) {
        *point = {kStraightFrom + s, kStraightY, 0};
        *heading = {1, 0, 0};
    } else if (s < straight + arc) {
        const float a = -kPi / 2 + (s - straight) / kRadius;
        *point = {kStraightTo + kRadius * std::cos(a), kCentreY + kRadius * std::sin(a), 0};
        *heading = {-std::sin(a), std::cos(a), 0};
    } else if (s < 2 * straight + arc) {
        *point = {kStraightTo - (s - straight - arc), 2 * kCentreY - kStraightY, 0};
        *heading = {-1, 0, 0};
    } else {
        const float a = kPi / 2 + (s - 2 * straight - arc) / kRadius;
        *point = {kStraightFrom + kRadius * std::cos(a), kCentreY + kRadius * std::sin(a), 0};
        *heading = {-std::sin(a), std::cos(a), 0};
    }
}

float RaceWorldLayout::DistanceFromTrack(float x, float y) {
    if (x < kStraightFrom) return std::fabs(std::hypot(x - kStraightFrom, y - kCentreY) - kRadius);
    if (x > kStraightTo) return std::fabs(std::hypot(x - kStraightTo, y - kCentreY) - kRadius);
    return std::fmin(std::fabs(y - kStraightY), std::fabs(y - (2 * kCentreY - kStraightY)));
}

float RaceWorldLayout::HeightAt(float x, float y) {
    // Small bumps everywhere, hills that rise away from the track, a hollow under the pond.
    const float bumps = 0.8f * std::sin(x * 0.07f) * std::sin(y * 0.05f);
    const float away = std::fmax(0.0f, DistanceFromTrack(x, y) - 60.0f);
    const float hills = std::fmin(away * 0.15f, 25.0f) * (0.6f + 0.4f * std::sin(x * 0.011f + y * 0.007f));
    float h = bumps + hills;
    if (x > kPondMinX - 40 && x < kPondMaxX + 40 && y > kPondMinY - 40 && y < kPondMaxY + 40) h = -6.0f;
    return h;
}

namespace {

void WriteRaceWorld(kes::WorldWriter& w) {
    kes::WorldBounds b;
    b.minX = b.minY = 0;
    b.maxX = b.maxY = L::kWorld;
    b.minZ = -100;
    b.maxZ = 500;
    w.Header(b);
    w.Fog(kes::FogData());
    kes::LandscapeData land;
    land.knotsX = land.knotsY = kKnots;
    land.knotsPerCellX = land.knotsPerCellY = 16;
    land.bounds = b;
    land.heights.resize(static_cast<size_t>(kKnots) * kKnots);
    const float step = L::kWorld / static_cast<float>(kKnots - 1);
    for (uint32_t j = 0; j < kKnots; ++j)
        for (uint32_t i = 0; i < kKnots; ++i)
            land.heights[j * kKnots + i] = L::HeightAt(static_cast<float>(i) * step, static_cast<float>(j) * step);
    land.cells.assign(static_cast<size_t>(land.CellsX()) * land.CellsY(), 1);
    land.textures.push_back({"ground.bmp", kes::DibPicture::Solid(8, 8, 120, 160, 80)});
    w.Landscape(land);
    w.Cameras(Cameras());
    std::vector<kes::CollisionMesh> meshes;
    const kes::ObjectsData objects = Objects(&meshes);
    w.Collision(meshes);
    w.Water(Water());
    w.Fences(Fence());
    w.Objects(objects);
    w.AiTrack(Gates());
}

}  // namespace

std::vector<uint8_t> MakeRaceWorld() {
    kes::WorldWriter w;
    WriteRaceWorld(w);
    return w.Finish();
}

bool SaveRaceWorld(const std::string& path) {
    kes::WorldWriter w;
    WriteRaceWorld(w);
    return w.Save(path);
}

}  // namespace tools
