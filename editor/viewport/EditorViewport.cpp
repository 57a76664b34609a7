#include "editor/viewport/EditorViewport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/vecmath/VecMath.h"
#include "editor/core/Editor.h"
#include "editor/input/MouseInput.h"
#include "editor/mesh/EditorMesh.h"
#include "editor/render/RenderLayer.h"
#include "editor/render/TextContext.h"
#include "platform/bytes/ByteIO.h"

namespace qv {

namespace {

constexpr float kDegree = 0.017453292f;
constexpr float kMinFov = 0.3926991f, kMaxFov = 2.3561945f;

float WrapDegrees(float a) {
    // Any number of turns comes back into 0..360.
    a = std::fmod(a, 360.0f);
    if (a < 0) a += 360.0f;
    if (a >= 360.0f) a -= 360.0f;
    return a;
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// r = a x b for 4 x 4 row-major matrices (rows of a through b).
void Multiply(const float a[16], const float b[16], float r[16]) {
    Matrix4 ma, mb, out;
    std::memcpy(ma.m, a, sizeof ma.m);
    std::memcpy(mb.m, b, sizeof mb.m);
    Mat4Multiply(&mb, &ma, &out);
    std::memcpy(r, out.m, sizeof out.m);
}

void WriteCameraRecord(plat::ByteWriter& w, const CameraRecord& c) {
    for (float f : c.position) w.F32(f);
    for (float f : c.angles) w.F32(f);
    w.F32(c.fieldOfView);
    w.F32(c.nearPlane);
    w.F32(c.farPlane);
}

void ReadCameraRecord(plat::ByteReader& r, CameraRecord& c) {
    for (float& f : c.position) f = r.F32();
    for (float& f : c.angles) f = r.F32();
    c.fieldOfView = r.F32();
    c.nearPlane = r.F32();
    c.farPlane = r.F32();
}

uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

}  // namespace

void RotationFromAngles(const float angles[3], float right[3], float forward[3], float up[3]) {
    const float x = angles[0] * kDegree, y = angles[1] * kDegree, z = angles[2] * kDegree;
    const float sx = std::sin(x), cx = std::cos(x), sy = std::sin(y), cy = std::cos(y), sz = std::sin(z), cz = std::cos(z);
    right[0] = cy * cz - sx * sy * sz;
    right[1] = cz * sx * sy + cy * sz;
    right[2] = -cx * sy;
    forward[0] = -cx * sz;
    forward[1] = cx * cz;
    forward[2] = sx;
    up[0] = cy * sx * sz + cz * sy;
    up[1] = sy * sz - cy * cz * sx;
    up[2] = cx * cy;
}

// ---- EditorViewport

int32_t ViewportPort::OnMessage(Port*, uint32_t code, MsgArg, MsgArg) {
    if (code == kMsgWorldBoundsChanged || code == kMsgRedrawArea || code == kMsgViewRedrawRequest) viewport_->Invalidate(0);
    return 0;
}

EditorViewport::EditorViewport(ViewportSet* set, int index)
    : set_(set), index_(index), port_("Viewport #" + std::to_string(index), this) {
    Editor* editor = set_->editor;
    renderFlags_.assign(editor->PluginCount(), 1);
    // Every viewport creation puts the shared user views back to their start.
    for (CameraRecord& c : editor->world.userViews) c = CameraRecord{{50, -100, 50}, {0, 0, 0}, 1.0471976f, 5, 2000};
    Camera() = CameraRecord{{0, 0, 0}, {0, 0, 0}, 1.0471976f, 5, 2000};
    renderRect_ = set_->render->AddViewport(0, 0, 1, 1);
    editor->bus.Register(&port_);
    RebuildRotation();
}

EditorViewport::~EditorViewport() {
    if (locked_) Unlock();
    set_->editor->bus.Unregister(&port_);
}

CameraRecord& EditorViewport::Camera() { return set_->editor->world.viewportCameras[index_]; }

void EditorViewport::Invalidate(MsgArg) {
    if (pending_) return;
    pending_ = true;
}

void EditorViewport::RedrawAll(MsgArg value) {
    for (int i = 0; i < ViewportSet::kCount; ++i)
        if (!((*set_)[i].flags_ & kViewportLocked)) (*set_)[i].Invalidate(value);
}

void EditorViewport::Paint() {
    if (!pending_) return;
    UpdateMatrices();
    Render();
    pending_ = false;
    ++paints_;
}

void EditorViewport::Resize(int32_t width, int32_t height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    set_->render->SetViewport(renderRect_, originX_, originY_, width_, height_);
    Invalidate(0);
}

void EditorViewport::Place(int32_t x, int32_t y, int32_t width, int32_t height) {
    originX_ = x;
    originY_ = y;
    Resize(width, height);
}

void EditorViewport::Render() {
    RenderLayer& r = *set_->render;
    Editor& editor = *set_->editor;
    r.SelectViewport(renderRect_);
    r.BeginFrame();
    r.Clear();
    if (flags_ & kViewportLocked && locked_) {
        locked_->Draw();
    } else {
        const FogRecord& fog = editor.world.fog;
        for (size_t i = 0; i < editor.PluginCount(); ++i) {
            if (i >= renderFlags_.size() || !renderFlags_[i]) continue;
            const uint32_t states[][2] = {{22, 3}, {19, 2}, {20, 1}, {27, 0}, {41, 0}, {8, 3}, {17, 2},
                                          {18, 2}, {4, 1},  {3, 1},  {21, 2}, {7, 1}};
            for (const auto& s : states) r.SetRenderState(s[0], s[1]);
            if (fog.on) {
                const uint32_t c = fog.colour;
                r.SetRenderState(28, 1);
                r.SetRenderState(34, ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
                r.SetRenderState(35, 3);
                r.SetRenderState(36, FloatBits(static_cast<float>(fog.start)));
                r.SetRenderState(37, FloatBits(static_cast<float>(fog.end)));
            } else {
                r.SetRenderState(28, 0);
            }
            editor.Plugin(i)->DrawViewport(this);
        }
    }
    r.EndFrame();
}

int32_t EditorViewport::DrawPrimitive(uint32_t type, uint32_t vertexCount, const ScreenVertex* vertices,
                                      uint32_t indexCount, const uint16_t* indices) {
    return set_->render->DrawPrimitive(type, vertexCount, vertices, indexCount, indices);
}

int32_t EditorViewport::SetRenderState(uint32_t state, uint32_t value) { return set_->render->SetRenderState(state, value); }

// One context for text onto the frame being drawn; each caller gets it back as new.
int32_t EditorViewport::GetDrawingContext(QvDC* out) {
    if (!out) return Result(kRenderFailed);
    *out = nullptr;
    if (!set_->text || !FontAtlas::Editor().Ok()) return Result(kRenderFailed);
    set_->text->Reset();
    *out = set_->text.get();
    return 0;
}

int32_t EditorViewport::ReleaseDrawingContext(QvDC context) {
    return context && context == set_->text.get() ? 0 : Result(kRenderFailed);
}

void EditorViewport::GetSize(int32_t* width, int32_t* height) {
    if (width) *width = width_;
    if (height) *height = height_;
}

void EditorViewport::GetCameraPosition(float out[3]) { std::copy_n(Camera().position, 3, out); }
void EditorViewport::GetForward(float out[3]) {
    RebuildRotation();
    std::copy_n(forward_, 3, out);
}

void EditorViewport::GetClipPlanes(float* nearOut, float* farOut) {
    if (nearOut) *nearOut = Camera().nearPlane;
    if (farOut) *farOut = Camera().farPlane;
}

uint32_t EditorViewport::GetFlags() {
    return (flags_ & kViewportTopDown) ? (flags_ & ~static_cast<uint32_t>(kViewportPerspective)) : flags_;
}

void EditorViewport::Unlock() {
    if (flags_ & kViewportLocked) {
        if (locked_) locked_->Destroy();
        locked_ = nullptr;
        flags_ &= ~static_cast<uint32_t>(kViewportLocked);
    }
    Invalidate(0);
}

bool EditorViewport::LockTo(PluginView* prototype) {
    Unlock();
    PluginView* instance = prototype ? prototype->Create(this) : nullptr;
    if (instance) {
        locked_ = instance;
        flags_ |= kViewportLocked;
    }
    Invalidate(0);
    return instance != nullptr;
}

void EditorViewport::RebuildRotation() { RotationFromAngles(Camera().angles, right_, forward_, up_); }

void EditorViewport::UpdateMatrices() {
    CameraRecord& cam = Camera();
    cam.nearPlane = 5;
    cam.farPlane = 2000;
    RebuildRotation();
    const float w = static_cast<float>(width_), h = static_cast<float>(height_);
    const float* b = set_->editor->world.bounds;  // min x, y, z, max x, y, z
    const float* p = cam.position;

    std::fill(std::begin(view_), std::end(view_), 0.0f);
    if (flags_ & kViewportTopDown) {
        view_[0] = 1;
        view_[12] = -p[0];
        view_[2 * 4 + 1] = -1;
        view_[13] = b[5];
        view_[1 * 4 + 2] = 1;
        view_[14] = -p[1];
    } else {
        for (int i = 0; i < 3; ++i) {
            view_[i * 4 + 0] = right_[i];
            view_[i * 4 + 1] = forward_[i];
            view_[i * 4 + 2] = up_[i];
        }
        view_[12] = -Dot(p, right_);
        view_[13] = -Dot(p, forward_);
        view_[14] = -Dot(p, up_);
    }
    view_[15] = 1;

    // Every stage keeps the camera's order of columns: x, depth, up, w. Plug-ins read screen y from
    // column 2 and depth from column 1 of these matrices and of their product.
    std::fill(std::begin(projection_), std::end(projection_), 0.0f);
    if (GetFlags() & kViewportPerspective) {
        const float e = 1.0f / std::tan(cam.fieldOfView / 2);
        const float q = cam.farPlane / (cam.farPlane - cam.nearPlane);
        projection_[0] = e;
        projection_[1 * 4 + 1] = q;
        projection_[3 * 4 + 1] = -cam.nearPlane * q;
        projection_[2 * 4 + 2] = e * w / h;
        projection_[1 * 4 + 3] = 1;  // w = camera depth
    } else {
        const float extent = std::max({b[3] - b[0], b[4] - b[1], b[5] - b[2]});
        // A world of extent 1 or less would divide by zero or turn the depth around.
        const float d = 1.0f / std::max(extent - 1.0f, 1.0f);
        projection_[0] = zoom_ / w;
        projection_[1 * 4 + 1] = d;
        projection_[3 * 4 + 1] = -d;
        projection_[2 * 4 + 2] = zoom_ / h;
        projection_[15] = 1;
    }

    // Pixels: x to the right from the left edge, y (from up) downwards from the top edge; depth passes.
    std::fill(std::begin(screen_), std::end(screen_), 0.0f);
    screen_[0] = w / 2;
    screen_[3 * 4 + 0] = w / 2;
    screen_[1 * 4 + 1] = 1;
    screen_[2 * 4 + 2] = -h / 2;
    screen_[3 * 4 + 2] = h / 2;
    screen_[15] = 1;

    float vp[16];
    Multiply(view_, projection_, vp);
    Multiply(vp, screen_, product_);
}

namespace {

// One point (x, y, z, 1) through the matrix to a screen vertex: screen x from column 0, depth from
// column 1, screen y from column 2.
void Project(const float* m, const float* v, uint32_t colour, ScreenVertex& o) {
    const float x = v[0], y = v[1], z = v[2];
    const float X = x * m[0] + y * m[4] + z * m[8] + m[12];
    const float depth = x * m[1] + y * m[5] + z * m[9] + m[13];
    const float Y = x * m[2] + y * m[6] + z * m[10] + m[14];
    const float W = x * m[3] + y * m[7] + z * m[11] + m[15];
    float rhw;
    if (W == 0.0001f) rhw = 1.0f / (W - 1.0f);
    else rhw = 1.0f / (W == 0.0f ? 1e-6f : W);  // a point on the eye plane: no infinite reciprocal
    o.sx = X * rhw;
    o.sy = Y * rhw;
    o.sz = depth * rhw;
    o.rhw = rhw;
    o.colour = colour;
}

}  // namespace

// The given matrix times the viewport's product; locked viewports use the given one (or identity) alone.
void EditorViewport::TransformMatrix(const float* given, float m[16]) const {
    static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (flags_ & kViewportLocked) std::memcpy(m, given ? given : kIdentity, 16 * sizeof(float));
    else if (given) Multiply(given, product_, m);
    else std::memcpy(m, product_, 16 * sizeof(float));
}

int32_t EditorViewport::TransformPoints(const float* matrix, ScreenVertex* out, uint32_t count, const float* in,
                                        uint32_t colour) {
    if (!out || !in) return Result(kResultBadArgument);
    float m[16];
    TransformMatrix(matrix, m);
    for (uint32_t i = 0; i < count; ++i) {
        Project(m, in + size_t{i} * 3, colour, out[i]);
        out[i].u = out[i].v = 0.0f;
    }
    return 0;
}

int32_t EditorViewport::TransformVertices(const float* matrix, ScreenVertex* out, uint32_t count, const MeshVertex* in,
                                          uint32_t colour) {
    if (!out || !in) return Result(kResultBadArgument);
    float m[16];
    TransformMatrix(matrix, m);
    for (uint32_t i = 0; i < count; ++i) {
        Project(m, &in[i].x, colour, out[i]);
        out[i].u = in[i].u;
        out[i].v = in[i].v;
    }
    return 0;
}

int32_t EditorViewport::DrawHostMesh(PluginHost* host, uint32_t index, MsgArg value) {
    if (!host || index == 0) return 0;
    if (index > static_cast<uint32_t>(host->GetMeshCount())) return Result(kResultBadIndex);
    EditorMesh* mesh = host->GetMesh(index);
    if (!mesh) return Result(kResultBadIndex);
    // The value is the instance's transform (a 4 x 4 matrix), or 0 for the mesh where it stands.
    SetMeshDrawHost(host);
    mesh->Draw(this, reinterpret_cast<const float*>(value));
    SetMeshDrawHost(nullptr);
    return 0;
}

// ---- views

void EditorViewport::SetView(int32_t kind) {
    if (kind < 0 || kind > 9) return;
    const float* b = set_->editor->world.bounds;
    // Per axis: 'c' the centre of the world, '+' min + 2 extents, '-' max - 2 extents.
    static const char kPlace[10][4] = {"+cc", "-cc", "c-c", "c+c", "cc+", "cc-", "--+", "+-+", "-++", "+++"};
    static const float kAngles[10][2] = {{0, 90},    {0, 270},   {0, 0},     {0, 180},   {270, 0},
                                         {90, 0},    {315, 315}, {315, 45},  {315, 225}, {315, 135}};
    CameraRecord& cam = Camera();
    for (int axis = 0; axis < 3; ++axis) {
        const float lo = b[axis], hi = b[axis + 3], ext = hi - lo;
        switch (kPlace[kind][axis]) {
            case '+': cam.position[axis] = lo + 2 * ext; break;
            case '-': cam.position[axis] = hi - 2 * ext; break;
            default: cam.position[axis] = lo + ext / 2; break;  // the centre, also when the world starts off 0
        }
    }
    cam.angles[0] = kAngles[kind][0];
    cam.angles[1] = 0;
    cam.angles[2] = kAngles[kind][1];
    RebuildRotation();
    Invalidate(0);
}

void EditorViewport::SetUserView(int32_t n) {
    if (n < 0 || n > 15) return;
    set_->editor->world.userViews[n] = Camera();
}

void EditorViewport::UseUserView(int32_t n) {
    if (n < 0 || n > 15) return;
    Camera() = set_->editor->world.userViews[n];
    RebuildRotation();
    Invalidate(0);
}

int32_t EditorViewport::ReadUserViews(FileStream* stream) {
    uint8_t bytes[576];
    if (!stream || stream->Read(bytes, sizeof bytes) != 0) return Result(kResultBadChunk);
    plat::ByteReader r(bytes, sizeof bytes);
    for (CameraRecord& c : set_->editor->world.userViews) ReadCameraRecord(r, c);
    return 0;
}

int32_t EditorViewport::WriteUserViews(FileStream* stream) {
    plat::ByteWriter w;
    for (const CameraRecord& c : set_->editor->world.userViews) WriteCameraRecord(w, c);
    if (!stream || stream->Write(w.Data().data(), static_cast<uint32_t>(w.Data().size())) != 0)
        return Result(kResultWriteFailed);
    return 0;
}

int32_t EditorViewport::ReadCamera(FileStream* stream) {
    uint8_t bytes[36];
    if (!stream || stream->Read(bytes, sizeof bytes) != 0) return Result(kResultBadChunk);
    plat::ByteReader r(bytes, sizeof bytes);
    ReadCameraRecord(r, Camera());
    RebuildRotation();
    Invalidate(0);
    return 0;
}

int32_t EditorViewport::WriteCamera(FileStream* stream) {
    plat::ByteWriter w;
    WriteCameraRecord(w, Camera());
    if (!stream || stream->Write(w.Data().data(), static_cast<uint32_t>(w.Data().size())) != 0)
        return Result(kResultWriteFailed);
    return 0;
}

// ---- mouse

void EditorViewport::SendSelect(uint32_t code, MsgArg arg) {
    if (flags_ & kViewportLocked) {
        if (locked_ && locked_->GetPort()) locked_->GetPort()->OnMessage(&port_, code, arg, 0);
        return;
    }
    EditorPlugin* active = set_->editor->ActivePlugin();
    if (!active) return;
    const int32_t count = active->GetPortCount();
    for (int32_t i = 0; i < count; ++i) {
        Port* port = active->GetPort(i);
        if (port && (port->kindMask & kKindViewportInput)) port->OnMessage(&port_, code, arg, 0);
    }
}

void EditorViewport::MouseDown(int32_t x, int32_t y, uint32_t shift, uint32_t control) {
    if (set_->tool == kToolSelect) {
        MousePress press{this, x, y, shift ? 4u : 0u, control ? 8u : 0u};
        SendSelect(kMsgSelectPress, reinterpret_cast<MsgArg>(&press));
    }
    set_->mouse->SetAcquired(true);
    set_->mouse->Read();  // clears the motion gathered before the press
    dragging_ = true;
    lastDx_ = lastDy_ = 0;
}

void EditorViewport::MouseTrack(int32_t a, int32_t b) {
    if (!dragging_) return;
    MouseDevice& mouse = *set_->mouse;
    bool fresh = false;
    mouse.Read(&fresh);
    const MouseState& s = mouse.Latest();
    if (fresh && !(s.buttons[0] & 0x80)) {
        MouseUp();
        return;
    }
    // Only a read that failed or brought no motion is skipped: equal motion on successive steps is a
    // steady drag and is applied every time.
    if (!fresh || (s.dx == 0 && s.dy == 0)) return;
    lastDx_ = s.dx;
    lastDy_ = s.dy;
    const float dx = static_cast<float>(s.dx), dy = static_cast<float>(s.dy);
    const float t = set_->editor->world.translationalSensitivity, r = set_->editor->world.rotationalSensitivity;
    const int32_t tool = set_->tool;

    if (flags_ & kViewportLocked) {
        Port* port = locked_ ? locked_->GetPort() : nullptr;
        if (!port) return;
        float triple[3] = {0, 0, 0};
        switch (tool) {
            case kToolMove:
                triple[0] = dx * t, triple[2] = dy * t;
                port->OnMessage(&port_, kMsgNavigateTranslate, reinterpret_cast<MsgArg>(triple), 0);
                break;
            case kToolForward:
                triple[0] = dx * t, triple[1] = dy * t;
                port->OnMessage(&port_, kMsgNavigateTranslate, reinterpret_cast<MsgArg>(triple), 0);
                break;
            case kToolRotate:
                triple[0] = dx * r, triple[2] = dy * r;
                port->OnMessage(&port_, kMsgNavigateRotate, reinterpret_cast<MsgArg>(triple), 0);
                break;
            case kToolTilt:
                triple[1] = dx * r;
                port->OnMessage(&port_, kMsgNavigateRotate, reinterpret_cast<MsgArg>(triple), 0);
                break;
            case kToolFieldOfView:
                port->OnMessage(&port_, kMsgNavigateFieldOfView, FloatBits(dx * r), 0);
                break;
            case kToolSelect: {
                MouseDrag drag{this, s.dx, s.dy, a, b};
                port->OnMessage(&port_, kMsgSelectDrag, reinterpret_cast<MsgArg>(&drag), 0);
                break;
            }
            default:
                break;
        }
        return;
    }

    CameraRecord& cam = Camera();
    const bool topDown = flags_ & kViewportTopDown;
    RebuildRotation();
    switch (tool) {
        case kToolMove:
            if (topDown) {
                cam.position[0] -= dx * t;
                cam.position[1] += dy * t;
            } else {
                for (int i = 0; i < 3; ++i) cam.position[i] += -right_[i] * dx * t + up_[i] * dy * t;
            }
            break;
        case kToolForward:
            if (topDown) {
                zoom_ = std::clamp(zoom_ - dy * t * 0.1f, 0.1f, 20.0f);
            } else {
                for (int i = 0; i < 3; ++i) cam.position[i] += -right_[i] * dx * t - forward_[i] * dy * t;
            }
            break;
        case kToolRotate:
            if (!topDown) {
                cam.angles[2] = WrapDegrees(cam.angles[2] + dx * r);
                cam.angles[0] = WrapDegrees(cam.angles[0] + dy * r);
            }
            break;
        case kToolTilt:
            if (!topDown) cam.angles[1] = WrapDegrees(cam.angles[1] - dx * r);
            break;
        case kToolFieldOfView:
            if (!(GetFlags() & kViewportPerspective)) zoom_ = std::clamp(zoom_ - dy * t * 0.1f, 0.1f, 20.0f);
            else cam.fieldOfView = std::clamp(cam.fieldOfView + dy * r * kDegree, kMinFov, kMaxFov);
            break;
        case kToolSelect: {
            MouseDrag drag{this, s.dx, s.dy, a, b};
            SendSelect(kMsgSelectDrag, reinterpret_cast<MsgArg>(&drag));
            break;
        }
        default:
            return;  // no tool chosen: dragging does nothing
    }
    RebuildRotation();
    Invalidate(0);
}

void EditorViewport::MouseUp() {
    if (!dragging_) return;
    dragging_ = false;
    set_->mouse->SetAcquired(false);
    if (set_->tool == kToolSelect) SendSelect(kMsgSelectRelease, 0);
}

int EditorViewport::CursorFor(int32_t x, int32_t y, uint32_t shift, uint32_t control, QvCursor* view) {
    if (view) *view = nullptr;
    if (flags_ & kViewportLocked && locked_) {
        if (QvCursor own = locked_->GetCursor(x, y, shift, control)) {
            if (view) *view = own;
            return -1;
        }
    }
    switch (set_->tool) {
        case kToolMove: return 190;
        case kToolForward: return 191;
        case kToolRotate: return 194;
        case kToolTilt: return 198;
        case kToolFieldOfView: return 197;
        default: return 0;
    }
}

// ---- ViewportSet

ViewportSet::ViewportSet(Editor* e, RenderLayer* r, MouseDevice* m)
    : editor(e), render(r), mouse(m), text(std::make_unique<TextContext>(r)) {
    for (int i = 0; i < kCount; ++i) {
        views_[static_cast<size_t>(i)] = std::make_unique<EditorViewport>(this, i);
        editor->viewports[i] = views_[static_cast<size_t>(i)].get();
    }
}

ViewportSet::~ViewportSet() {
    UnlockAll();
    for (int i = 0; i < kCount; ++i) editor->viewports[i] = nullptr;
}

void ViewportSet::UnlockAll() {
    for (auto& v : views_)
        if (v->LockedView()) v->Unlock();
}

void ViewportSet::InvalidatePlugin(int32_t pluginIndex) {
    for (auto& v : views_) {
        if (pluginIndex < 0) {
            v->Invalidate(0);
            continue;
        }
        const auto& flags = v->RenderFlags();
        if (!(v->RawFlags() & kViewportLocked) && static_cast<size_t>(pluginIndex) < flags.size() &&
            flags[static_cast<size_t>(pluginIndex)])
            v->Invalidate(0);
    }
}

int ViewportSet::PaintPending() {
    int painted = 0;
    for (int i = 0; i < kCount; ++i) {
        if (maximised >= 0 && i != maximised) continue;  // hidden viewports do not draw
        if ((*this)[i].Pending()) {
            (*this)[i].Paint();
            ++painted;
        }
    }
    return painted;
}

void ViewportSet::Tick() {
    for (auto& v : views_)
        if (v->Dragging()) v->MouseTrack(0, 0);
}

void ViewportSet::ChooseTool(int32_t t) {
    tool = t;
    if (onToolChosen) onToolChosen(t);
}

void ViewportSet::ToggleMaximise(int index) {
    maximised = (maximised >= 0) ? -1 : index;
    if (onMaximise) onMaximise(maximised);
    for (auto& v : views_) v->Invalidate(0);
}

}  // namespace qv
