// The game-only chunks of a world: collision meshes, water and fences, laid out as the game reads
// them.
#include <cstring>

#include "game/world/writer/WorldWriter.h"

namespace kes {

namespace {

void U32(std::vector<uint8_t>& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void F32(std::vector<uint8_t>& o, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    U32(o, v);
}
void V3(std::vector<uint8_t>& o, Vec3 v) {
    F32(o, v.x);
    F32(o, v.y);
    F32(o, v.z);
}
void Fixed(std::vector<uint8_t>& o, const char* s, size_t n) {
    const size_t len = std::strlen(s);
    for (size_t i = 0; i < n; ++i) o.push_back(i < len && i + 1 < n ? static_cast<uint8_t>(s[i]) : 0);
}
// u32 n, then n + 1 bytes: the name with its terminator.
void CountedName(std::vector<uint8_t>& o, const std::string& s) {
    U32(o, static_cast<uint32_t>(s.size()));
    o.insert(o.end(), s.begin(), s.end());
    o.push_back(0);
}

}  // namespace

std::vector<uint8_t> WorldWriter::CollisionChunk(const std::vector<CollisionMesh>& meshes) {
    std::vector<uint8_t> o;
    U32(o, 1);
    o.insert(o.end(), 256, 0);
    U32(o, static_cast<uint32_t>(meshes.size()));
    for (const CollisionMesh& m : meshes) {
        Fixed(o, m.name, 256);
        U32(o, m.reserved);
        U32(o, static_cast<uint32_t>(m.spheres.size()));
        U32(o, 0);
        U32(o, static_cast<uint32_t>(m.cylinders.size()));
        U32(o, 0);
        U32(o, static_cast<uint32_t>(m.boxes.size()));
        U32(o, 0);
    }
    for (const CollisionMesh& m : meshes) {
        for (const MeshSphere& s : m.spheres) {
            V3(o, s.centre);
            F32(o, s.radius);
            F32(o, s.shapeValue);
        }
        for (const MeshCylinder& c : m.cylinders) {
            V3(o, c.base);
            for (float f : {c.radius, c.length, c.angleX, c.angleY, c.shapeValue}) F32(o, f);
        }
        for (const MeshBox& b : m.boxes) {
            V3(o, b.corner);
            for (float f : {b.sizeX, b.sizeY, b.sizeZ, b.angleX, b.angleY, b.angleZ}) F32(o, f);
            U32(o, b.reserved);
        }
    }
    return o;
}

std::vector<uint8_t> WorldWriter::WaterChunk(const WaterData& w) {
    std::vector<uint8_t> o;
    AppendTextureList(o, w.frames);
    U32(o, static_cast<uint32_t>(w.areas.size()));
    for (const WaterAreaData& a : w.areas) {
        U32(o, 0);
        U32(o, static_cast<uint32_t>(a.outline.size()));
        U32(o, 0);
        F32(o, a.scaleX);
        F32(o, a.scaleY);
        U32(o, a.firstFrame);
        U32(o, 0);
        for (const Vec3& v : a.outline) V3(o, v);
    }
    return o;
}

std::vector<uint8_t> WorldWriter::FenceChunk(const FenceData& f) {
    std::vector<uint8_t> o;
    o.insert(o.end(), 8, 0);
    U32(o, static_cast<uint32_t>(f.textures.size()));
    // The texture records without the list head: one per material.
    std::vector<uint8_t> list;
    AppendTextureList(list, f.textures);
    o.insert(o.end(), list.begin() + 12, list.end());
    U32(o, f.version);
    U32(o, static_cast<uint32_t>(f.lines.size()));
    for (const FenceLineData& line : f.lines) {
        U32(o, 0);
        U32(o, 0);
        U32(o, 0);
        U32(o, static_cast<uint32_t>(line.materials.size()));
        F32(o, line.height);
        PointList curve = line.curve;
        RebuildPathKnots(&curve);
        AppendPointList(o, curve);
        for (uint32_t m : line.materials) U32(o, m);
    }
    U32(o, 0);
    for (const FenceMaterialData& m : f.materials) {
        U32(o, m.breakable);
        F32(o, m.breakThreshold);
        U32(o, static_cast<uint32_t>(m.brokenMaterial));
        Fixed(o, m.name.c_str(), 256);
        if (f.version == 1002) {
            U32(o, 0);
            CountedName(o, m.soundName);
        }
    }
    if (f.version == 1002) {
        U32(o, 0);
        U32(o, 0);
        U32(o, 0);  // no fence sounds: they come from the sound manager's waves
    }
    return o;
}

void WorldWriter::AppendMeshRecord(std::vector<uint8_t>& o, const ObjectMeshData& m) {
    const size_t start = o.size();
    U32(o, ChunkTag("HSEM"));
    U32(o, 0);
    Fixed(o, m.name.c_str(), 128);
    const uint32_t faces = static_cast<uint32_t>(m.faces.size() / 3);
    U32(o, faces);
    U32(o, 1);  // materials
    U32(o, 1);  // groups
    U32(o, static_cast<uint32_t>(m.vertices.size()));
    U32(o, 1);  // frames
    for (const SourceVertex& v : m.vertices)
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v}) F32(o, f);
    auto u16 = [&](uint16_t v) {
        o.push_back(static_cast<uint8_t>(v));
        o.push_back(static_cast<uint8_t>(v >> 8));
    };
    for (size_t i = 0; i < faces * 3u; ++i) u16(m.faces[i]);
    for (uint32_t i = 0; i < faces; ++i) u16(0);
    u16(static_cast<uint16_t>(faces));
    u16(static_cast<uint16_t>(m.vertices.size()));
    U32(o, m.texture);
    U32(o, m.colour);
    u16(m.flags);
    u16(0);
    const uint32_t size = static_cast<uint32_t>(o.size() - start - 8);
    for (int i = 0; i < 4; ++i) o[start + 4 + i] = static_cast<uint8_t>(size >> (8 * i));
}

std::vector<uint8_t> WorldWriter::ObjectChunk(const ObjectsData& d) {
    std::vector<uint8_t> o;
    AppendTextureList(o, d.textures);
    const size_t list = o.size();
    U32(o, ChunkTag("MES2"));
    U32(o, 0);
    U32(o, static_cast<uint32_t>(d.types.size()));
    for (const ObjectMeshData& m : d.types) AppendMeshRecord(o, m);
    const uint32_t listSize = static_cast<uint32_t>(o.size() - list - 8);
    for (int i = 0; i < 4; ++i) o[list + 4 + i] = static_cast<uint8_t>(listSize >> (8 * i));
    U32(o, d.showObjects);
    U32(o, static_cast<uint32_t>(d.instances.size()));
    for (const ObjectInstanceData& in : d.instances) {
        U32(o, 56);
        for (float f : {in.x, in.y, in.groundHeight, in.rotX, in.rotY, in.rotZ, in.scale, in.heightAbove}) F32(o, f);
        U32(o, in.type);
        V3(o, in.up);
        U32(o, in.flags);
        U32(o, in.id);
    }
    if (!d.writeSounds) return o;
    for (const std::vector<std::string>* names : {&d.sounds1, &d.sounds2})
        for (size_t t = 0; t < d.types.size(); ++t) CountedName(o, t < names->size() ? (*names)[t] : "None");
    return o;
}

std::vector<uint8_t> WorldWriter::DynamicChunk(const std::vector<const DynamicRecord*>& records, uint32_t version) {
    std::vector<uint8_t> o;
    U32(o, version);
    U32(o, static_cast<uint32_t>(records.size()));
    const uint32_t bytes = version == 1 ? kDynamicRecordV1 : version == 2 ? kDynamicRecordV2 : kDynamicRecordV3;
    for (const DynamicRecord* r : records) {
        std::vector<uint8_t> b;
        U32(b, r->objectId);
        for (float f : {r->paramA, r->paramB, r->paramC, r->paramD, r->paramE, r->paramF, r->soundPlayLeft, r->soundPauseLeft})
            F32(b, f);
        U32(b, 0);
        F32(b, r->animationRate);
        U32(b, static_cast<uint32_t>(r->mode));
        U32(b, static_cast<uint32_t>(r->amount));
        b.insert(b.end(), 32, 0);
        for (const int32_t* a : {r->animStart, r->animEnd, r->animWeight})
            for (int i = 0; i < 16; ++i) U32(b, static_cast<uint32_t>(a[i]));
        U32(b, static_cast<uint32_t>(r->behaviour));
        U32(b, r->path ? 1 : 0);
        U32(b, r->followGround);
        U32(b, 0);  // the path pointer
        U32(b, r->levelHeading);
        U32(b, r->hasSound);
        F32(b, r->soundMinDistance);
        F32(b, r->soundMaxDistance);
        F32(b, r->soundLevel);
        U32(b, 0);  // the roll pointer
        o.insert(o.end(), b.begin(), b.begin() + bytes);
        if (version != 1 && version != 2) {
            U32(o, static_cast<uint32_t>(r->pointRoll.size()));
            for (float f : r->pointRoll) F32(o, f);
        }
    }
    for (const DynamicRecord* r : records) {
        if (!r->path) continue;
        Path p = *r->path;
        RebuildKnots(&p);
        AppendPath(o, p);
    }
    return o;
}

void WorldWriter::Dynamic(const std::vector<const DynamicRecord*>& records, uint32_t version) {
    Raw(ChunkTag("DYNO"), DynamicChunk(records, version));
}

void WorldWriter::Objects(const ObjectsData& objects) { Raw(ChunkTag("OBJT"), ObjectChunk(objects)); }

void WorldWriter::Collision(const std::vector<CollisionMesh>& meshes) { Raw(ChunkTag("COLL"), CollisionChunk(meshes)); }
void WorldWriter::Water(const WaterData& water) { Raw(ChunkTag("WATR"), WaterChunk(water)); }
void WorldWriter::Fences(const FenceData& fences) { Raw(ChunkTag("FENC"), FenceChunk(fences)); }

}  // namespace kes
