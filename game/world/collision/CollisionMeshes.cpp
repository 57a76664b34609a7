#include "game/world/collision/CollisionMeshes.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "game/core/maths/MatMath.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/path/Vec3Ops.h"

namespace kes {

namespace {

std::vector<CollisionMesh> g_meshes;
const void* g_lastSoundSource = nullptr;

// Corner order of the six faces, counter-clockwise seen from outside for positive sizes, given the
// corner P and the edges a, b, c. The faces are, in order: the b x a side (through P), a x b (the
// far side along c), c x b (through P), b x c (the far side along a), a x c (through P) and c x a
// (the far side along b).
void FaceCorners(Vec3 p, Vec3 a, Vec3 b, Vec3 c, Vec3 out[6][4]) {
    const Vec3 faces[6][4] = {
        {p, p + b, p + a + b, p + a},
        {p + c, p + a + c, p + a + b + c, p + b + c},
        {p, p + c, p + b + c, p + b},
        {p + a, p + a + b, p + a + b + c, p + a + c},
        {p, p + a, p + a + c, p + c},
        {p + b, p + b + c, p + a + b + c, p + a + b},
    };
    std::memcpy(out, faces, sizeof faces);
}

Matrix4 Rotation(float angle, void (*make)(Matrix4*, float)) {
    Matrix4 m;
    make(&m, angle);
    return m;
}

bool AllFinite(const float* values, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

void Report(const RacerContactSubject& o, uint32_t event, uint32_t index, Vec3 point, Vec3 normal, float shape,
            int32_t a, int32_t b) {
    SurfaceContact c;
    c.sphereIndex = index;
    c.sphere = &o.spheres[index];
    c.point = point;
    c.normal = normal;
    c.approachLimit = FLT_MAX;
    c.shapeValue = shape;
    c.soundA = a;
    c.soundB = b;
    o.contact(o.user, event, &c);
}

void Impact(int32_t soundB, Vec3 at, const void* source) {
    const WorldSoundHooks& h = WorldSounds();
    if (!h.impact || soundB < 0) return;
    const bool restart = source != g_lastSoundSource;
    g_lastSoundSource = source;
    h.impact(soundB, at, restart);
}

// A touch of a sphere or cylinder: sound only for shape value 0, else event 2.
void Touch(const RacerContactSubject& o, uint32_t index, Vec3 point, Vec3 normal, Vec3 soundAt, float shape,
           int32_t a, int32_t b, const void* source) {
    if (shape == 0.0f) Impact(b, soundAt, source);
    else Report(o, kContactTouch, index, point, normal, shape, a, b);
}

// A direction that is not zero: the unit of v, else up.
Vec3 UnitOrUp(Vec3 v) {
    const float l = Length(v);
    return l > 0.0f ? v * (1.0f / l) : Vec3{0, 0, 1};
}

bool ReadMeshes(ChunkStream& s, std::vector<CollisionMesh>* out) {
    s.U32();
    if (!s.Skip(256)) return false;
    const uint32_t n = s.U32();
    if (!s.Ok() || n > s.Remaining() / kCollisionMeshRecordBytes) return false;
    std::vector<CollisionMesh> meshes(n);
    std::vector<uint32_t> counts(static_cast<size_t>(n) * 3);
    for (uint32_t i = 0; i < n; ++i) {
        CollisionMesh& m = meshes[i];
        s.Bytes(m.name, sizeof m.name);
        m.name[sizeof m.name - 1] = '\0';  // the stored name need not be terminated
        m.reserved = s.U32();
        for (int k = 0; k < 3; ++k) {
            counts[3 * i + k] = s.U32();
            s.U32();  // the pointer word
        }
    }
    if (!s.Ok()) return false;
    for (uint32_t i = 0; i < n; ++i) {
        CollisionMesh& m = meshes[i];
        const uint64_t need = uint64_t{counts[3 * i]} * kMeshSphereBytes + uint64_t{counts[3 * i + 1]} * kMeshCylinderBytes +
                              uint64_t{counts[3 * i + 2]} * kMeshBoxBytes;
        if (need > s.Remaining()) return false;
        m.spheres.resize(counts[3 * i]);
        for (MeshSphere& sp : m.spheres) {
            float f[5];
            for (float& v : f) v = s.F32();
            if (!AllFinite(f, 5)) return false;
            sp = {{f[0], f[1], f[2]}, f[3], f[4]};
        }
        m.cylinders.resize(counts[3 * i + 1]);
        for (MeshCylinder& c : m.cylinders) {
            float f[8];
            for (float& v : f) v = s.F32();
            if (!AllFinite(f, 8)) return false;
            c.base = {f[0], f[1], f[2]};
            c.radius = f[3];
            c.length = f[4];
            c.angleX = f[5];
            c.angleY = f[6];
            c.shapeValue = f[7];
        }
        m.boxes.resize(counts[3 * i + 2]);
        for (MeshBox& b : m.boxes) {
            float f[9];
            for (float& v : f) v = s.F32();
            b.reserved = s.U32();
            if (!AllFinite(f, 9)) return false;
            b.corner = {f[0], f[1], f[2]};
            b.sizeX = f[3];
            b.sizeY = f[4];
            b.sizeZ = f[5];
            b.angleX = f[6];
            b.angleY = f[7];
            b.angleZ = f[8];
        }
        if (!s.Ok()) return false;
        BuildCollisionMesh(&m);
    }
    *out = std::move(meshes);
    return true;
}

void CollideSpheres(const RacerContactSubject& o, const CollisionMesh& m, float scale, const Matrix4& world,
                    int32_t a, int32_t b, const void* source) {
    for (const MeshSphere& solid : m.spheres) {
        const Vec3 c = TransformPoint(world, solid.centre);
        const float r = solid.radius * scale;
        for (uint32_t j = 0; j < o.sphereCount; ++j) {
            const Vec3 C = o.position + o.spheres[j].centre;
            const float R = o.spheres[j].radius;
            const Vec3 d = C - c;
            if (!(Dot(d, d) < R * R + (2.0f * R + r) * r)) continue;
            const Vec3 n = UnitOrUp(d);
            const Vec3 point = c + n * r;
            Touch(o, j, point, n, point, solid.shapeValue, a, b, source);
        }
    }
}

// The cap test beyond one end: over the cap the normal is the axis, over the rim it points from
// the rim point.
bool CapTouch(Vec3 C, float R, Vec3 capCentre, Vec3 axisOut, Vec3 radial, float d, float r, Vec3* point,
              Vec3* normal) {
    if (d < r) {
        const float depth = Dot(C, axisOut) - Dot(capCentre, axisOut);
        if (!(depth < R)) return false;
        *point = C - axisOut * depth;
        *normal = axisOut;
        return true;
    }
    const Vec3 q = capCentre + radial * r;
    const Vec3 cq = C - q;
    const float l = Length(cq);
    if (!(l < R)) return false;
    *point = q;
    *normal = UnitOrUp(cq);
    return true;
}

void CollideCylinders(const RacerContactSubject& o, const CollisionMesh& m, float scale, const Matrix4& world,
                      int32_t a, int32_t b, const void* source) {
    for (const MeshCylinder& cyl : m.cylinders) {
        const Vec3 S = TransformPoint(world, cyl.base);
        const Vec3 E = TransformPoint(world, cyl.end);
        const float r = cyl.radius * scale;
        const float L = Length(E - S);
        for (uint32_t j = 0; j < o.sphereCount; ++j) {
            const Vec3 C = o.position + o.spheres[j].centre;
            const float R = o.spheres[j].radius;
            Vec3 point, normal;
            bool touch = false;
            if (!(L > 0.0f)) {
                // No axis: the solid stands as a sphere of its radius at its base.
                const Vec3 d = C - S;
                touch = Dot(d, d) < (R + r) * (R + r);
                normal = UnitOrUp(d);
                point = S + normal * r;
            } else {
                const Vec3 u = (E - S) * (1.0f / L);
                const float t = Dot(C - S, u);
                const Vec3 P = S + u * t;
                const float d = Length(C - P);
                const Vec3 radial = UnitOrUp(C - P);
                if (t >= 0.0f && t <= L) {
                    if (d < r + R) {
                        touch = true;
                        normal = radial;
                        point = P + radial * r;
                    }
                } else if (t > L && t - L < R && d < r + R) {
                    touch = CapTouch(C, R, E, u, radial, d, r, &point, &normal);
                } else if (t < 0.0f && -t < R && d < r + R) {
                    touch = CapTouch(C, R, S, -u, radial, d, r, &point, &normal);
                }
            }
            if (touch) Touch(o, j, point, normal, C, cyl.shapeValue, a, b, source);
        }
    }
}

void CollideBoxes(const RacerContactSubject& o, const CollisionMesh& m, float scale, const Matrix4& world,
                  const Matrix4& rotation, int32_t sa, int32_t sb) {
    for (const MeshBox& box : m.boxes) {
        Vec3 n[6];
        for (int k = 0; k < 6; ++k) n[k] = TransformDirection(rotation, box.normals[k]);
        const Vec3 P = TransformPoint(world, box.corner);
        const Vec3 a = n[3] * (box.sizeX * scale), b = n[5] * (box.sizeY * scale), c = n[1] * (box.sizeZ * scale);
        Vec3 corners[6][4];
        FaceCorners(P, a, b, c, corners);
        float off[6];
        for (int k = 0; k < 6; ++k) off[k] = -Dot(n[k], corners[k][0]);
        // A mirroring placement (the placed objects' up basis mirrors x) turns the corner order of
        // every face round; the edge test follows the box's handedness so that it holds either way.
        const float hand = Dot(Cross(a, b), c) < 0.0f ? -1.0f : 1.0f;
        for (uint32_t j = 0; j < o.sphereCount; ++j) {
            const Vec3 C = o.position + o.spheres[j].centre;
            const float R = o.spheres[j].radius;
            float s[6];
            bool away = false;
            for (int k = 0; k < 6 && !away; ++k) {
                s[k] = Dot(n[k], C) + off[k];
                away = s[k] > R;
            }
            if (away) continue;
            for (int k = 0; k < 6; ++k) {
                if (!(std::fabs(s[k]) < R)) continue;
                const Vec3 Q = C - n[k] * s[k];
                bool inside = true;
                for (int e = 0; e < 4 && inside; ++e) {
                    const Vec3 from = corners[k][e], to = corners[k][(e + 1) % 4];
                    inside = hand * Dot(Cross(to - from, Q - from), n[k]) >= -0.3f;
                }
                if (inside) {
                    SurfaceContact ct;
                    ct.sphereIndex = j;
                    ct.sphere = &o.spheres[j];
                    ct.point = Q;
                    ct.normal = n[k];
                    ct.soundA = sa;
                    ct.soundB = sb;
                    o.contact(o.user, kContactFace, &ct);
                }
            }
        }
    }
}

}  // namespace

void BuildCollisionMesh(CollisionMesh* mesh) {
    for (MeshCylinder& c : mesh->cylinders) {
        const Matrix4 m = Then(Rotation(c.angleY, MatRotationY), Rotation(c.angleX, MatRotationX));
        c.end = c.base + TransformDirection(m, {0, 0, c.length});
    }
    for (MeshBox& b : mesh->boxes) {
        const Matrix4 m = Then(Then(Rotation(b.angleY, MatRotationY), Rotation(b.angleZ, MatRotationZ)),
                               Rotation(b.angleX, MatRotationX));
        const Vec3 a = TransformDirection(m, {b.sizeX, 0, 0});
        const Vec3 bb = TransformDirection(m, {0, b.sizeY, 0});
        const Vec3 c = TransformDirection(m, {0, 0, b.sizeZ});
        Vec3 corners[6][4];
        FaceCorners(b.corner, a, bb, c, corners);
        for (int k = 0; k < 6; ++k) {
            b.normals[k] = Normalised(Cross(corners[k][1] - corners[k][0], corners[k][2] - corners[k][1]));
            b.offsets[k] = -Dot(b.normals[k], corners[k][0]);
        }
    }
}

int32_t LoadCollisionChunk(ChunkStream& stream, uint32_t) {
    FreeCollisionMeshes();
    std::vector<CollisionMesh> meshes;
    if (ReadMeshes(stream, &meshes)) g_meshes = std::move(meshes);
    return 0;
}

void FreeCollisionMeshes() {
    std::vector<CollisionMesh>().swap(g_meshes);
    g_lastSoundSource = nullptr;
}

int32_t FindCollisionMesh(const char* name) {
    if (!name) return -1;
    for (size_t i = 0; i < g_meshes.size(); ++i)
        if (std::strcmp(g_meshes[i].name, name) == 0) return static_cast<int32_t>(i);
    return -1;
}

int32_t CollisionMeshCount() { return static_cast<int32_t>(g_meshes.size()); }

const CollisionMesh* CollisionMeshAt(int32_t index) {
    return index >= 0 && index < CollisionMeshCount() ? &g_meshes[static_cast<size_t>(index)] : nullptr;
}

int32_t GetCollisionSphereCount(int32_t index) {
    const CollisionMesh* m = CollisionMeshAt(index);
    return m ? static_cast<int32_t>(m->spheres.size()) : 0;
}

void CopyCollisionSpheres(ObjectSphere* spheres, int32_t index) {
    const CollisionMesh* m = CollisionMeshAt(index);
    if (!m) return;
    for (size_t i = 0; i < m->spheres.size(); ++i) {
        spheres[i].centre = m->spheres[i].centre;
        spheres[i].radius = m->spheres[i].radius;
    }
}

int32_t CollideObjectWithMesh(const RacerContactSubject& object, int32_t mesh, float scale, const Matrix4& world,
                              const Matrix4& rotation, int32_t soundA, int32_t soundB, const void* source) {
    const CollisionMesh* m = CollisionMeshAt(mesh);
    if (!m || !object.contact || !object.spheres) return 0;
    CollideSpheres(object, *m, scale, world, soundA, soundB, source);
    CollideCylinders(object, *m, scale, world, soundA, soundB, source);
    CollideBoxes(object, *m, scale, world, rotation, soundA, soundB);
    return 0;
}

}  // namespace kes
