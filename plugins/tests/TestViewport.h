#pragma once
// Test doubles for the plug-ins' surroundings: a viewport that projects with a view-state matrix the
// test sets and records what is drawn, and a ground port that answers the landscape's three questions
// from a plane z = slope x x + base.
#include <cmath>
#include <cstring>
#include <vector>

#include "editor/plugin/PluginApi.h"
#include "plugins/shared/GroundQuery.h"

namespace qvtest {

class RecordingViewport final : public qv::Viewport {
public:
    // A top-down view as the editor's matrices lay it out (columns: screen x, depth, screen y, w):
    // screen x = scale x + offsetX, screen y = scale y + offsetY, depth 0.5.
    static void TopDown(float m[16], float scale, float offsetX, float offsetY) {
        std::memset(m, 0, 16 * sizeof(float));
        m[0] = scale;
        m[12] = offsetX;
        m[6] = scale;
        m[14] = offsetY;
        m[13] = 0.5f;
        m[15] = 1.0f;
    }
    RecordingViewport() { TopDown(state, 1.0f, 0.0f, 0.0f); }

    struct MeshDraw {
        uint32_t index;
        float matrix[16];
    };
    struct Primitive {
        uint32_t type;
        std::vector<qv::ScreenVertex> vertices;
    };
    std::vector<MeshDraw> meshes;
    std::vector<Primitive> primitives;
    float state[16];
    uint32_t flags = qv::kViewportTopDown;
    float camera[3] = {0, 0, 0};

    void Project(const float* matrix, const float* p, uint32_t colour, qv::ScreenVertex& out) const {
        float world[3] = {p[0], p[1], p[2]};
        if (matrix)
            for (int c = 0; c < 3; ++c)
                world[c] = p[0] * matrix[c] + p[1] * matrix[4 + c] + p[2] * matrix[8 + c] + matrix[12 + c];
        float s[4];
        for (int c = 0; c < 4; ++c)
            s[c] = world[0] * state[c] + world[1] * state[4 + c] + world[2] * state[8 + c] + state[12 + c];
        out = {s[0] / s[3], s[2] / s[3], s[1] / s[3], 1.0f / s[3], colour, 0xFF000000u, 0, 0};
    }

    void Invalidate(qv::MsgArg) override {}
    void RedrawAll(qv::MsgArg) override {}
    void Paint() override {}
    void Resize(int32_t, int32_t) override {}
    void Render() override {}
    // Like the editor's drawing layer, takes indexed primitives only.
    int32_t DrawPrimitive(uint32_t type, uint32_t count, const qv::ScreenVertex* v, uint32_t indexCount,
                          const uint16_t* indices) override {
        if (!v || !indices) return -1;
        Primitive p{type, {}};
        for (uint32_t i = 0; i < indexCount; ++i)
            if (indices[i] < count) p.vertices.push_back(v[indices[i]]);
        primitives.push_back(std::move(p));
        return 0;
    }
    int32_t SetRenderState(uint32_t, uint32_t) override { return 0; }
    int32_t GetDrawingContext(qv::QvDC*) override { return -1; }
    int32_t ReleaseDrawingContext(qv::QvDC) override { return 0; }
    float* GetViewMatrix() override { return state; }
    float* GetProjectionMatrix() override { return state; }
    float* GetScreenMatrix() override { return state; }
    float* GetViewState() override { return state; }
    void GetSize(int32_t* w, int32_t* h) override { *w = 640, *h = 480; }
    void GetCameraPosition(float out[3]) override { std::memcpy(out, camera, sizeof camera); }
    void GetForward(float out[3]) override { out[0] = 0, out[1] = 1, out[2] = 0; }
    float GetFieldOfView() override { return 1.5707964f; }
    void GetClipPlanes(float* n, float* f) override { *n = 1, *f = 10000; }
    uint32_t GetFlags() override { return flags; }
    void Unlock() override {}
    void UpdateMatrices() override {}
    void MouseDown(int32_t, int32_t, uint32_t, uint32_t) override {}
    void MouseTrack(int32_t, int32_t) override {}
    void MouseUp() override {}
    void SetView(int32_t) override {}
    void SetUserView(int32_t) override {}
    void UseUserView(int32_t) override {}
    int32_t ReadUserViews(qv::FileStream*) override { return 0; }
    int32_t WriteUserViews(qv::FileStream*) override { return 0; }
    int32_t ReadCamera(qv::FileStream*) override { return 0; }
    int32_t WriteCamera(qv::FileStream*) override { return 0; }
    int32_t DrawHostMesh(qv::PluginHost*, uint32_t index, qv::MsgArg value) override {
        MeshDraw d{index, {}};
        if (value) std::memcpy(d.matrix, reinterpret_cast<const float*>(value), sizeof d.matrix);
        meshes.push_back(d);
        return 0;
    }
    int32_t TransformPoints(const float* matrix, qv::ScreenVertex* out, uint32_t count, const float* in,
                            uint32_t colour) override {
        for (uint32_t i = 0; i < count; ++i) Project(matrix, in + 3 * i, colour, out[i]);
        return 0;
    }
    int32_t TransformVertices(const float* matrix, qv::ScreenVertex* out, uint32_t count, const qv::MeshVertex* in,
                              uint32_t colour) override {
        for (uint32_t i = 0; i < count; ++i) Project(matrix, &in[i].x, colour, out[i]);
        return 0;
    }
};

// The landscape's ground port over the plane z = slope x + base. A pick hits at the screen point of a
// RecordingViewport's top-down view (scale 1, no offset): world (x, y) = screen (x, y).
class PlaneGround final : public qv::Port {
public:
    PlaneGround(float slope, float base) : Port(qv::kGroundPortName, 0x800E), slope_(slope), base_(base) {}
    float Height(float x) const { return slope_ * x + base_; }
    int32_t OnMessage(qv::Port*, uint32_t code, qv::MsgArg arg, qv::MsgArg data) override {
        if (data != 0) return static_cast<int32_t>(qv::kResultBadIndex);
        switch (code) {
            case qv::kMsgQueryGroundHeight: {
                auto* q = reinterpret_cast<qv::GroundHeightQuery*>(arg);
                q->z = Height(q->x);
                return 0;
            }
            case qv::kMsgQueryGroundSample: {
                auto* q = reinterpret_cast<qv::GroundSampleQuery*>(arg);
                q->hit = 1;
                q->knotX = static_cast<float>(q->screenX);
                q->knotY = static_cast<float>(q->screenY);
                q->knotHeight = Height(q->knotX);
                return 0;
            }
            case qv::kMsgQueryGroundHeightNormal: {
                auto* q = reinterpret_cast<qv::GroundHeightNormalQuery*>(arg);
                q->height = Height(q->x);
                const float n = 1.0f / std::sqrt(slope_ * slope_ + 1.0f);
                q->normal[0] = -slope_ * n, q->normal[1] = 0, q->normal[2] = n;
                return 0;
            }
            default: return 0;
        }
    }

private:
    float slope_, base_;
};

}  // namespace qvtest
