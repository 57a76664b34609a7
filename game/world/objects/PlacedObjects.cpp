#include "game/world/objects/PlacedObjects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/core/config/Config.h"
#include "game/core/maths/MatMath.h"
#include "game/world/chunk/TextureList.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/collision/CollisionMeshes.h"
#include "game/world/path/Vec3Ops.h"

namespace kes {

namespace {

struct ObjectState {
    std::vector<ObjectType> types;
    std::vector<PlacedObject> objects;
    std::vector<uint32_t> textures;
    int32_t gridX = 0, gridY = 0;
    float minX = 0, minY = 0, cellX = 1, cellY = 1;
    std::vector<std::vector<uint32_t>> cells;
    bool gridStale = false;
    uint32_t stamp = 0;
} g;

ObjectPrelightFn g_prelight = nullptr;

const Matrix4 kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

Matrix4 Rotation(float angle, void (*make)(Matrix4*, float)) {
    Matrix4 m;
    make(&m, angle);
    return m;
}

int32_t ToInt(float f) { return static_cast<int32_t>(std::lrint(f)); }

bool RecordFinite(const PlacedObjectRecord& r) {
    return Finite(r.position) && Finite(r.up) && std::isfinite(r.rotX) && std::isfinite(r.rotY) &&
           std::isfinite(r.rotZ) && std::isfinite(r.scale) && std::isfinite(r.heightOffset);
}

void ReadRecord(ChunkStream& s, uint32_t size, PlacedObjectRecord* r) {
    uint8_t bytes[kPlacedObjectBytes] = {};
    const uint32_t take = std::min(size, kPlacedObjectBytes);
    s.Bytes(bytes, take);
    if (size > take) s.Skip(size - take);
    float f[12];
    std::memcpy(f, bytes, 32);
    uint32_t type, flags, id;
    std::memcpy(&type, bytes + 32, 4);
    std::memcpy(&f[8], bytes + 36, 12);
    std::memcpy(&flags, bytes + 48, 4);
    std::memcpy(&id, bytes + 52, 4);
    r->position = {f[0], f[1], f[2]};
    r->rotX = f[3];
    r->rotY = f[4];
    r->rotZ = f[5];
    r->scale = f[6];
    r->heightOffset = f[7];
    r->type = type;
    r->up = {f[8], f[9], f[10]};
    r->flags = flags;
    r->id = size < kPlacedObjectBytes ? 0 : id;
}

bool ReadName(ChunkStream& s, std::string* out) {
    const uint32_t n = s.U32();
    if (!s.Ok() || n >= s.Remaining()) return false;
    std::string name(n + 1, '\0');
    s.Bytes(name.data(), n + 1);
    name.resize(std::strlen(name.c_str()));
    *out = name;
    return s.Ok();
}

// Negates the y and z of every vertex normal of every frame, of the mesh and its level meshes.
void FlipNormals(Mesh* mesh) {
    for (SourceVertex& v : mesh->frames) {
        v.ny = -v.ny;
        v.nz = -v.nz;
    }
    for (Mesh* level : mesh->levels)
        if (level) FlipNormals(level);
}

float MeshRadius(const Mesh& mesh) {
    float r = 0.0f;
    const size_t n = static_cast<size_t>(mesh.frameCount) * mesh.vertexCount;
    for (size_t i = 0; i < n && i < mesh.frames.size(); ++i) {
        const SourceVertex& v = mesh.frames[i];
        r = std::max(r, Length({v.x, v.y, v.z}));
    }
    return r;
}

void BuildMatrices(PlacedObject& o) {
    const PlacedObjectRecord& r = o.stored;
    // As the object placer shows it: turned about y, then about x, then about z.
    const Matrix4 turn = Then(Then(Rotation(r.rotY, MatRotationY), Rotation(r.rotX, MatRotationX)),
                              Rotation(r.rotZ, MatRotationZ));
    o.rotation = Then(turn, MatrixFromUpAxis(r.up));
    Matrix4 scale;
    MatUniformScale(&scale, r.scale);
    Matrix4 move;
    MatTranslation(&move, r.position.x, r.position.y, r.position.z + r.heightOffset);
    o.world = Then(Then(o.rotation, scale), move);
}

// The vertices of the type's first frame placed in the world.
template <typename Fn>
void ForEachWorldVertex(const PlacedObject& o, const Mesh& mesh, Fn fn) {
    for (uint32_t i = 0; i < mesh.vertexCount && i < mesh.frames.size(); ++i) {
        const SourceVertex& v = mesh.frames[i];
        fn(TransformPoint(o.world, {v.x, v.y, v.z}));
    }
}

void KeepFaces(PlacedObject& o, const Mesh& mesh) {
    o.worldVertices.clear();
    o.facePlanes.clear();
    ForEachWorldVertex(o, mesh, [&](Vec3 p) { o.worldVertices.push_back(p); });
    uint32_t vertexBase = 0, face = 0;
    for (const MeshGroup& grp : mesh.groups) {
        for (uint32_t k = 0; k < grp.faceCount && face < mesh.faceCount; ++k, ++face) {
            const Vec3& a = o.worldVertices[vertexBase + mesh.faces[face * 3]];
            const Vec3& b = o.worldVertices[vertexBase + mesh.faces[face * 3 + 1]];
            const Vec3& c = o.worldVertices[vertexBase + mesh.faces[face * 3 + 2]];
            // The up basis mirrors the mesh (its determinant is -1), so the mesh's outward normal
            // ab x ac comes out as ac x ab in the world.
            const Vec3 n = Normalised(Cross(c - a, b - a));
            o.facePlanes.push_back({n.x, n.y, n.z, -Dot(n, a)});
        }
        vertexBase += grp.vertexCount;
    }
}

void CellRange(float minX, float minY, float maxX, float maxY, int32_t* c0, int32_t* r0, int32_t* c1, int32_t* r1) {
    auto cell = [](float v, float origin, float size, int32_t count) {
        const float f = std::floor((v - origin) / size);
        if (!(f >= 0.0f)) return 0;
        return f >= static_cast<float>(count - 1) ? count - 1 : static_cast<int32_t>(f);
    };
    *c0 = cell(minX, g.minX, g.cellX, g.gridX);
    *c1 = cell(maxX, g.minX, g.cellX, g.gridX);
    *r0 = cell(minY, g.minY, g.cellY, g.gridY);
    *r1 = cell(maxY, g.minY, g.cellY, g.gridY);
}

void BuildGrid() {
    g.cells.clear();
    g.gridX = g.gridY = 0;
    g.gridStale = false;
    if (g.objects.empty()) return;
    float minX = g.objects[0].stored.position.x, maxX = minX;
    float minY = g.objects[0].stored.position.y, maxY = minY;
    for (const PlacedObject& o : g.objects) {
        minX = std::min(minX, o.stored.position.x - o.radius);
        maxX = std::max(maxX, o.stored.position.x + o.radius);
        minY = std::min(minY, o.stored.position.y - o.radius);
        maxY = std::max(maxY, o.stored.position.y + o.radius);
    }
    const float extentX = maxX - minX + 0.1f, extentY = maxY - minY + 0.1f;
    g.gridX = std::clamp(ToInt(extentX / kObjectCellSize), 1, kObjectGridMax);
    g.gridY = std::clamp(ToInt(extentY / kObjectCellSize), 1, kObjectGridMax);
    g.minX = minX;
    g.minY = minY;
    g.cellX = extentX / static_cast<float>(g.gridX);
    g.cellY = extentY / static_cast<float>(g.gridY);
    g.cells.assign(static_cast<size_t>(g.gridX) * static_cast<size_t>(g.gridY), {});
    for (uint32_t i = 0; i < g.objects.size(); ++i) {
        PlacedObject& o = g.objects[i];
        const Mesh* mesh = g.types[o.stored.type].mesh.get();
        float bx0 = o.stored.position.x - o.radius, bx1 = o.stored.position.x + o.radius;
        float by0 = o.stored.position.y - o.radius, by1 = o.stored.position.y + o.radius;
        // A billboard turns with the camera: its reach is its radius all round.
        if (mesh && mesh->vertexCount && !(o.stored.flags & kObjectBillboard)) {
            bool first = true;
            ForEachWorldVertex(o, *mesh, [&](Vec3 p) {
                if (first) bx0 = bx1 = p.x, by0 = by1 = p.y, first = false;
                bx0 = std::min(bx0, p.x), bx1 = std::max(bx1, p.x);
                by0 = std::min(by0, p.y), by1 = std::max(by1, p.y);
            });
        }
        int32_t c0, r0, c1, r1;
        CellRange(bx0, by0, bx1, by1, &c0, &r0, &c1, &r1);
        o.column = c0;
        o.row = r0;
        o.columnSpan = c1 - c0 + 1;
        o.rowSpan = r1 - r0 + 1;
        for (int32_t r = r0; r <= r1; ++r)
            for (int32_t c = c0; c <= c1; ++c) g.cells[static_cast<size_t>(r) * g.gridX + c].push_back(i);
    }
}

void EnsureGrid() {
    if (g.gridStale) BuildGrid();
}

void CollideFaces(const RacerContactSubject& s, const PlacedObject& o, const ObjectType& type) {
    const Mesh* mesh = type.mesh.get();
    if (!mesh) return;
    for (uint32_t j = 0; j < s.sphereCount; ++j) {
        const Vec3 C = s.position + s.spheres[j].centre;
        const float R = s.spheres[j].radius;
        const Vec3 toObject = C - o.stored.position;
        const float reach = o.radius + R;
        if (!(Dot(toObject, toObject) < reach * reach)) continue;
        uint32_t vertexBase = 0, face = 0;
        for (const MeshGroup& grp : mesh->groups) {
            for (uint32_t k = 0; k < grp.faceCount && face < o.facePlanes.size(); ++k, ++face) {
                const Vec4& plane = o.facePlanes[face];
                const Vec3 n{plane.x, plane.y, plane.z};
                const float d = Dot(n, C) + plane.w;
                if (!(d >= 0.0f && d <= R)) continue;
                const Vec3 P = C - n * d;
                const Vec3 v[3] = {o.worldVertices[vertexBase + mesh->faces[face * 3]],
                                   o.worldVertices[vertexBase + mesh->faces[face * 3 + 1]],
                                   o.worldVertices[vertexBase + mesh->faces[face * 3 + 2]]};
                bool inside = true;
                for (int e = 0; e < 3 && inside; ++e)
                    inside = Dot(Cross(v[(e + 1) % 3] - v[e], P - v[e]), n) <= -0.3f;
                if (!inside) continue;
                SurfaceContact c;
                c.sphereIndex = j;
                c.sphere = &s.spheres[j];
                c.point = P;
                c.normal = n;
                c.soundA = type.effectA;
                c.soundB = type.effectB;
                s.contact(s.user, kContactFace, &c);
            }
            vertexBase += grp.vertexCount;
        }
    }
}

}  // namespace

Matrix4 MatrixFromUpAxis(Vec3 up) {
    const Vec3 r1 = Cross(up, {1, 0, 0});
    if (!(Length(r1) > 0.0f)) return kIdentity;
    const Vec3 y = Normalised(r1);
    const Vec3 x = Cross(up, y);
    return {{x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, up.x, up.y, up.z, 0, 0, 0, 0, 1}};
}

int32_t ObjectTypesLoad(ChunkStream& s, uint32_t, RenderInterface* render) {
    ObjectTypesFree();
    // Textures: half size at the lowest texture detail.
    s.Skip(8);
    const uint32_t textureCount = s.U32();
    if (!s.Ok() || textureCount > s.Remaining() / kMinTextureRecordBytes) return -1;
    for (uint32_t i = 0; i < textureCount; ++i) {
        uint32_t handle = 0;
        const int32_t r = render ? render->LoadTextureRecord(s, &handle, 0, g_Config.textureDetail == 0 ? 1 : 0) : -1;
        if (r < 0) return r;
        if (r != 0) return -1;
        g.textures.push_back(handle);
    }
    // Meshes: one per object type.
    s.Skip(8);
    const uint32_t typeCount = s.U32();
    if (!s.Ok() || typeCount > s.Remaining() / 156) return -1;
    std::vector<ObjectType> types(typeCount);
    for (ObjectType& t : types) {
        t.mesh = std::make_unique<Mesh>(render);
        if (!t.mesh->Build(s, 1)) return -1;
        FlipNormals(t.mesh.get());
        t.radius = MeshRadius(*t.mesh);
    }
    s.U32();  // the editor's "show objects" word
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / 4) return -1;
    std::vector<PlacedObject> objects;
    objects.reserve(count);
    uint32_t dropped = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t size = s.U32();
        if (!s.Ok() || size > s.Remaining()) return -1;
        PlacedObject o;
        ReadRecord(s, size, &o.stored);
        if (o.stored.type >= typeCount || !RecordFinite(o.stored)) {
            ++dropped;
            continue;
        }
        o.radius = types[o.stored.type].radius * o.stored.scale;
        objects.push_back(std::move(o));
    }
    if (!s.Ok()) return -1;
    if (dropped) std::printf("Placed objects: %u with a bad type or value left out\n", dropped);
    // The sound names, each list only when bytes are left.
    for (int list = 0; list < 2 && s.Remaining() > 0; ++list)
        for (ObjectType& t : types)
            if (!ReadName(s, list == 0 ? &t.sound1 : &t.sound2)) return -1;
    g.types = std::move(types);
    g.objects = std::move(objects);
    return 0;
}

void WorldObjectsLoad() {
    for (ObjectType& t : g.types) {
        t.effectA = FindWorldSoundEffect(t.sound1.c_str());
        t.effectB = FindWorldSoundEffect(t.sound2.c_str());
    }
    for (PlacedObject& o : g.objects) {
        BuildMatrices(o);
        const ObjectType& t = g.types[o.stored.type];
        if ((o.stored.flags & kObjectKeepFaces) && t.mesh) KeepFaces(o, *t.mesh);
        o.collisionMesh = t.mesh ? FindCollisionMesh(t.mesh->name) : -1;
    }
    BuildGrid();
}

void SetObjectPrelight(ObjectPrelightFn prelight) { g_prelight = prelight; }

void WorldObjectsPrelight() {
    if (!g_prelight) return;
    for (PlacedObject& o : g.objects)
        if (!(o.stored.flags & kObjectNotPrelit)) g_prelight(o, g.types[o.stored.type]);
}

void WorldObjectsDraw(const WorldView& view, RenderInterface* render) {
    EnsureGrid();
    if (!render || g.cells.empty()) return;
    ++g.stamp;
    if (view.groundMaxX < g.minX || view.groundMaxY < g.minY || view.groundMinX > g.minX + g.cellX * g.gridX ||
        view.groundMinY > g.minY + g.cellY * g.gridY)
        return;
    int32_t c0, r0, c1, r1;
    CellRange(view.groundMinX, view.groundMinY, view.groundMaxX, view.groundMaxY, &c0, &r0, &c1, &r1);
    for (int32_t r = r0; r <= r1; ++r) {
        for (int32_t c = c0; c <= c1; ++c) {
            for (uint32_t i : g.cells[static_cast<size_t>(r) * g.gridX + c]) {
                PlacedObject& o = g.objects[i];
                if (o.stamp == g.stamp) continue;
                o.stamp = g.stamp;
                if (!o.visible) continue;
                Mesh* mesh = g.types[o.stored.type].mesh.get();
                if (!mesh) continue;
                Matrix4 m = o.world;
                m.m[12] = o.stored.position.x - o.repeatX;
                m.m[13] = o.stored.position.y - o.repeatY;
                if (o.stored.flags & kObjectBillboard) {
                    // Face the camera: the first row across the view, the second towards the eye
                    // in the ground plane, the third their cross product.
                    Vec3 toEye = Normalised(Vec3{view.eye.x - m.m[12], view.eye.y - m.m[13], 0});
                    if (!(Length(toEye) > 0.0f)) toEye = {0, 1, 0};
                    const Vec3 across{toEye.y, -toEye.x, 0};
                    const Vec3 up = Cross(across, toEye);
                    const float s = o.stored.scale;
                    const float rows[3][3] = {{across.x, across.y, across.z}, {toEye.x, toEye.y, 0}, {up.x, up.y, up.z}};
                    for (int k = 0; k < 3; ++k)
                        for (int e = 0; e < 3; ++e) m.m[4 * k + e] = rows[k][e] * s;
                }
                const bool prelit = !(o.stored.flags & kObjectNotPrelit) && !o.colours.empty();
                mesh->Render(view.eye, &m, prelit ? 2u : 0u, prelit ? o.colours.data() : nullptr);
            }
        }
    }
}

void CollidePlacedObjects(const RacerContactSubject& s) {
    EnsureGrid();
    if (g.cells.empty() || !s.contact || !s.spheres) return;
    const Vec3 p = s.position;
    const float rb = s.radius;
    if (p.x + rb < g.minX || p.y + rb < g.minY || p.x - rb > g.minX + g.cellX * g.gridX ||
        p.y - rb > g.minY + g.cellY * g.gridY)
        return;
    ++g.stamp;
    int32_t c0, r0, c1, r1;
    CellRange(p.x - rb, p.y - rb, p.x + rb, p.y + rb, &c0, &r0, &c1, &r1);
    for (int32_t r = r0; r <= r1; ++r) {
        for (int32_t c = c0; c <= c1; ++c) {
            for (uint32_t i : g.cells[static_cast<size_t>(r) * g.gridX + c]) {
                PlacedObject& o = g.objects[i];
                if (o.stamp == g.stamp) continue;
                o.stamp = g.stamp;
                o.world.m[12] = o.stored.position.x;
                o.world.m[13] = o.stored.position.y;
                const ObjectType& t = g.types[o.stored.type];
                if (!(o.stored.flags & kObjectKeepFaces)) {
                    if (o.collisionMesh >= 0)
                        CollideObjectWithMesh(s, o.collisionMesh, o.stored.scale, o.world, o.rotation, t.effectA,
                                              t.effectB, &o);
                } else {
                    CollideFaces(s, o, t);
                }
            }
        }
    }
}

void ObjectTypesFree() {
    g = ObjectState();
}

int32_t PlacedObjectIndex(uint32_t id) {
    for (size_t i = 0; i < g.objects.size(); ++i)
        if (g.objects[i].stored.id == id) return static_cast<int32_t>(i);
    return -1;
}

bool PlacedObjectCopy(uint32_t id, PlacedObjectRecord* out, float* radius) {
    const int32_t i = PlacedObjectIndex(id);
    if (i < 0) return false;
    if (out) *out = g.objects[static_cast<size_t>(i)].stored;
    if (radius) *radius = g.objects[static_cast<size_t>(i)].radius;
    return true;
}

bool PlacedObjectTake(uint32_t id, PlacedObjectRecord* out, float* radius) {
    const int32_t i = PlacedObjectIndex(id);
    if (!PlacedObjectCopy(id, out, radius)) return false;
    g.objects.erase(g.objects.begin() + i);
    // The grid holds indices: it is rebuilt before its next use.
    if (!g.cells.empty()) g.gridStale = true;
    return true;
}

void PlacedObjectSetVisible(uint32_t id, uint32_t value) {
    const int32_t i = PlacedObjectIndex(id);
    if (i >= 0) g.objects[static_cast<size_t>(i)].visible = value;
}

float PlacedObjectSetHeight(int32_t index, float z) {
    if (index < 0 || static_cast<size_t>(index) >= g.objects.size() || !std::isfinite(z)) return z;
    PlacedObject& o = g.objects[static_cast<size_t>(index)];
    o.stored.position.z = z;
    BuildMatrices(o);
    return z;
}

Mesh* ObjectTypeMesh(uint32_t type) { return type < g.types.size() ? g.types[type].mesh.get() : nullptr; }
int32_t ObjectTypeCount() { return static_cast<int32_t>(g.types.size()); }
const ObjectType* ObjectTypeAt(uint32_t type) { return type < g.types.size() ? &g.types[type] : nullptr; }
const std::vector<PlacedObject>& PlacedObjects() { return g.objects; }

void ObjectGridSize(int32_t* columns, int32_t* rows) {
    EnsureGrid();
    *columns = g.gridX;
    *rows = g.gridY;
}

}  // namespace kes
