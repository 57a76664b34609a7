#include "game/core/mesh/Mesh.h"

#include <cstring>

#include "game/core/maths/VecMath.h"

namespace kes {

Mesh::Mesh(RenderInterface* r) : renderer(r) {}

Mesh::~Mesh() { Clear(); }

void Mesh::Clear() {
    for (Mesh* level : levels) delete level;
    levels.clear();
    levelDistances.clear();
    hasLevels = false;
    levelCount = 0;
    faces.clear();
    current = nullptr;
    screen.clear();
    frames.clear();
    vertexCount = faceCount = materialCount = frameCount = 0;
    faceMaterials.clear();
    materialTextures.clear();
    groups.clear();
    faceNormals.clear();
    radius = 0;
}

void Mesh::GetBounds(float out[6]) const { std::memcpy(out, bounds, sizeof bounds); }
void Mesh::SetBounds(const float in[6]) { std::memcpy(bounds, in, sizeof bounds); }

void Mesh::FinishArrays() {
    screen.assign(vertexCount, ScreenVertex{});
    current = frames.data();
    ComputeFaceNormals();
    radius = 0;
    for (uint32_t i = 0; i < vertexCount; ++i) {
        const Vec3 p = {frames[i].x, frames[i].y, frames[i].z};
        const float l = Vec3Length(&p);
        if (l > radius) radius = l;
    }
}

void Mesh::ComputeFaceNormals() {
    faceNormals.assign(faceCount, Vec3{});
    uint32_t face = 0, base = 0;
    for (const MeshGroup& g : groups) {
        for (uint32_t k = 0; k < g.faceCount && face < faceCount; ++k, ++face) {
            const SourceVertex& a = frames[base + faces[face * 3]];
            const SourceVertex& b = frames[base + faces[face * 3 + 1]];
            const SourceVertex& c = frames[base + faces[face * 3 + 2]];
            const Vec3 ab = {b.x - a.x, b.y - a.y, b.z - a.z}, ac = {c.x - a.x, c.y - a.y, c.z - a.z};
            Vec3Cross(&ab, &ac, &faceNormals[face]);
            Vec3Normalize(&faceNormals[face]);
        }
        base += g.vertexCount;
    }
}

void Mesh::SetFrame(float t) {
    if (frameCount == 0 || !(t >= 0.0f)) return;
    uint32_t i = static_cast<uint32_t>(t);
    if (i >= frameCount) i = frameCount - 1;
    const float s = t - static_cast<float>(i);
    if (s == 0.0f || i + 1 >= frameCount) {
        current = frames.data() + static_cast<size_t>(i) * vertexCount;
        return;
    }
    const SourceVertex* f0 = frames.data() + static_cast<size_t>(i) * vertexCount;
    const SourceVertex* f1 = f0 + vertexCount;
    SourceVertex* spare = frames.data() + static_cast<size_t>(frameCount) * vertexCount;
    const float r = 1.0f - s;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        spare[v] = {f0[v].x * r + f1[v].x * s,    f0[v].y * r + f1[v].y * s,    f0[v].z * r + f1[v].z * s,
                    f0[v].nx * r + f1[v].nx * s, f0[v].ny * r + f1[v].ny * s, f0[v].nz * r + f1[v].nz * s,
                    f0[v].u,                     f0[v].v};
    }
    current = spare;
}

void Mesh::Scale(float sx, float sy, float sz) {
    for (SourceVertex& v : frames) {
        v.x *= sx;
        v.y *= sy;
        v.z *= sz;
    }
    bounds[0] *= sx, bounds[1] *= sx, bounds[2] *= sy, bounds[3] *= sy, bounds[4] *= sz, bounds[5] *= sz;
}

void Mesh::Render(const Vec3& eye, const Matrix4* model, uint32_t flags, const uint32_t* colours) {
    if (!renderer || !current) return;
    if (hasLevels) {
        const Vec3 d = {eye.x - model->m[12], eye.y - model->m[13], eye.z - model->m[14]};
        const float distance = Vec3Length(&d) - radius;
        if (!(distance < levelDistances[0])) {
            const uint32_t* c = colours ? colours + vertexCount : nullptr;
            for (uint32_t i = 0; i < levelCount; ++i) {
                if (distance < levelDistances[i + 1]) {
                    levels[i]->Render(eye, model, flags, c);
                    return;
                }
                if (c) c += levels[i]->vertexCount;
            }
            return;  // beyond the last level: nothing
        }
    }
    if ((flags & 2) && colours)
        for (uint32_t i = 0; i < vertexCount; ++i) screen[i].diffuse = colours[i];
    uint32_t lastTexture = 0, face = 0, base = 0;
    for (const MeshGroup& g : groups) {
        if (g.faceCount) {
            if (g.flags & 2) {
                renderer->SetState(41, 1);
            } else {
                renderer->SetState(41, 0);
                renderer->SetState(22, (flags & 1) ? 1 : 3);
            }
            renderer->SetState(27, (g.flags & 8) ? 1 : 0);
            if (g.texture != lastTexture) {
                renderer->SelectTexture(g.texture);
                lastTexture = g.texture;
            }
            uint16_t* groupFaces = faces.data() + static_cast<size_t>(face) * 3;
            renderer->TransformVertices(model, screen.data() + base, g.vertexCount, current + base, 3u * g.faceCount,
                                        groupFaces, flags & 3);
            renderer->DrawIndexed(4, g.vertexCount, screen.data() + base, 3u * g.faceCount, groupFaces, flags & 4);
        }
        face += g.faceCount;
        base += g.vertexCount;
    }
}

}  // namespace kes
