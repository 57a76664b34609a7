#include "plugins/camera/CameraPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/dialogs/Modal.h"
#include "plugins/shared/CText.h"
#include "plugins/shared/ChunkReader.h"
#include "plugins/shared/DrawLines.h"
#include "plugins/shared/GroundQuery.h"
#include "plugins/shared/MeshImage.h"
#include "plugins/shared/WorldMessages.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int {
    kKill = 1002, kFromViewport = 1003, kAdd = 1008, kActivate = 1009, kZPos = 1010, kXMin = 1011, kYMin = 1012,
    kXMax = 1013, kYMax = 1014, kMinOn = 1018, kMaxOn = 1020, kRangeOn = 1024,
};
// The "Choose Viewport" dialog.
constexpr int kChooseViewportDialog = 103, kViewportButton = 1001;

constexpr uint32_t kSelectedColour = 0xFFFF0000u, kOtherColour = 0xFFFFFFFFu;

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Camera Plugin";
    t.width = 200;
    t.height = 330;
    const uint32_t hidden = plat::kStyleHidden, readOnly = plat::kStyleReadOnly;
    t.controls = {
        {ControlKind::GroupBox, -1, "Camera Plugin", 4, 4, 192, 64},
        {ControlKind::CheckBox, kActivate, "Activate", 10, 20, 90, 18},
        {ControlKind::CheckBox, kAdd, "Add Camera", 10, 42, 90, 20},
        {ControlKind::Button, kFromViewport, "Vport Camera", 104, 20, 86, 20, hidden},
        {ControlKind::Button, kKill, "Kill Camera", 104, 42, 86, 20},
        {ControlKind::GroupBox, -1, "Camera Properties", 4, 72, 192, 250},
    };
    const struct {
        const char* label;
        int id;
        uint32_t style;
        int check;
    } rows[] = {
        {"Z pos", kZPos, readOnly, 0},    {"X min", kXMin, readOnly, 0},     {"Y min", kYMin, readOnly, 0},
        {"X max", kXMax, readOnly, 0},    {"Y max", kYMax, readOnly, 0},     {"Z inc", kCameraHeight, 0, 0},
        {"Zoom", kCameraZoom, 0, 0},      {"Range", kCameraRange, 0, kRangeOn}, {"Min Dist", kCameraMinDistance, 0, kMinOn},
        {"Max Dist", kCameraMaxDistance, 0, kMaxOn}, {"Cut", kCameraCut, hidden, 0}, {"FOV", kCameraFov, hidden, 0},
    };
    int y = 88;
    for (const auto& r : rows) {
        t.controls.push_back({ControlKind::Static, -1, r.label, 10, y, 64, 18, r.style & hidden});
        t.controls.push_back({ControlKind::Edit, r.id, "", 76, y, 76, 18, r.style});
        if (r.check) t.controls.push_back({ControlKind::CheckBox, r.check, "On", 156, y, 36, 18});
        y += 19;
    }
    return t;
}

plat::DialogTemplate ChooseViewportTemplate() {
    plat::DialogTemplate t;
    t.title = "Choose Viewport";
    t.width = 180;
    t.height = 110;
    const char* names[4] = {"Viewport 1", "Viewport 2", "Viewport 3", "Viewport4"};
    for (int i = 0; i < 4; ++i)
        t.controls.push_back({ControlKind::Button, kViewportButton + i, names[i], 10 + 82 * (i % 2), 10 + 26 * (i / 2), 76, 22});
    t.controls.push_back({ControlKind::Button, plat::kIdCancel, "Cancel", 52, 66, 76, 22});
    return t;
}

// The camera: a box with a lens pointing along -y, 24 units long.
std::vector<uint8_t> CameraMeshImage() {
    return shared::SolidMeshImage({{-6, -8, -5}, {6, -8, -5}, {6, 12, -5}, {-6, 12, -5}, {-6, -8, 5}, {6, -8, 5},
                                   {6, 12, 5}, {-6, 12, 5}, {0, -16, 0}},
                                  {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {1, 2, 6}, {1, 6, 5}, {0, 3, 7}, {0, 7, 4},
                                   {2, 3, 7}, {2, 7, 6}, {0, 1, 8}, {1, 5, 8}, {5, 4, 8}, {4, 0, 8}},
                                  0x2A62C9);
}

}  // namespace

CameraPlugin::CameraPlugin()
    : PluginBase(FourCC("CAMR"), "Camera Plugin::Main Port", {"Camera", "This is the default plugin !", "Norwick"},
                 Panel(), 0x2A62C9, 0) {
    redrawWithPanel_ = true;
}

int32_t CameraPlugin::Attach() {
    const int32_t r = PluginBase::Attach();
    plat::RegisterDialogTemplate(host->module, kChooseViewportDialog, ChooseViewportTemplate());
    MarkerMesh();
    return r;
}

uint32_t CameraPlugin::MarkerMesh() {
    // The editor empties every plug-in's mesh list when a world is opened: the camera mesh comes back
    // whenever it is missing.
    if (meshIndex_ == 0 || meshIndex_ > static_cast<uint32_t>(host->GetMeshCount())) {
        const std::vector<uint8_t> image = CameraMeshImage();
        meshIndex_ = 0;
        host->AddMeshFromMemory(image.data(), static_cast<uint32_t>(image.size()), &meshIndex_);
    }
    return meshIndex_;
}

void CameraPlugin::Redraw() { host->RedrawPluginViewports(0); }

float CameraPlugin::GroundHeight(float x, float y) {
    float z = 0;
    QueryGroundHeightAt(host->bus, x, y, &z);
    return z;
}

int32_t CameraPlugin::ResetWorld() {
    cameras.clear();
    selected = held = placing = -1;
    heldPart = 0;
    tool = CameraTool::Select;
    activated = false;
    Refresh();
    return 0;
}

int32_t CameraPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    out.U32(kCameraChunkVersion);
    out.U32(static_cast<uint32_t>(cameras.size()));
    for (const TrackCameraRecord& c : cameras) {
        for (float f : {c.x, c.y, c.z, c.height, c.x1, c.y1, c.x2, c.y2, c.zoom, c.range}) out.F32(f);
        out.U32(c.rangeOn);
        out.F32(c.minDistance);
        out.U32(c.minOn);
        out.F32(c.maxDistance);
        out.U32(c.maxOn);
        out.F32(c.cut);
        out.F32(c.fov);
    }
    *size = out.Written();
    return out.Result();
}

int32_t CameraPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    const uint32_t version = in.U32();
    if (!in.Ok()) return in.Failure();
    // Another version: the world has no cameras, and says nothing.
    if (version != kCameraChunkVersion) return 0;
    const uint32_t count = in.U32();
    if (!in.Ok() || !in.Need(uint64_t{count} * kCameraRecordBytes)) return in.Failure();
    std::vector<TrackCameraRecord> loaded(count);
    for (TrackCameraRecord& c : loaded) {
        for (float* f : {&c.x, &c.y, &c.z, &c.height, &c.x1, &c.y1, &c.x2, &c.y2, &c.zoom, &c.range}) *f = in.F32();
        c.rangeOn = in.U32();
        c.minDistance = in.F32();
        c.minOn = in.U32();
        c.maxDistance = in.F32();
        c.maxOn = in.U32();
        c.cut = in.F32();
        c.fov = in.F32();
    }
    if (!in.Ok()) return in.Failure();
    cameras = std::move(loaded);
    selected = held = placing = -1;
    heldPart = 0;
    activated = true;
    MarkerMesh();
    Refresh();
    return 0;
}

// ---- the bus and the mouse

int32_t CameraPlugin::OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) {
    switch (code) {
        case kMsgSelectPress:
            if (arg) Press(*reinterpret_cast<const MousePress*>(arg));
            return 0;
        case kMsgSelectDrag:
            if (arg) Drag(*reinterpret_cast<const MouseDrag*>(arg));
            return 0;
        case kMsgSelectRelease:
            if (tool != CameraTool::Add) {
                held = -1;
                heldPart = 0;
            }
            Redraw();
            return 0;
        case kMsgWorldBoundsChanged: {
            if (!arg || !data) return 0;
            const float* previous = reinterpret_cast<const float*>(arg);
            const float* now = reinterpret_cast<const float*>(data);
            const float rx = shared::ExtentRatio(previous, now, 0), ry = shared::ExtentRatio(previous, now, 1),
                        rz = shared::ExtentRatio(previous, now, 2);
            for (TrackCameraRecord& c : cameras) {
                c.x *= rx, c.x1 *= rx, c.x2 *= rx;
                c.y *= ry, c.y1 *= ry, c.y2 *= ry;
                c.z *= rz, c.height *= rz;
            }
            Refresh();
            return 0;
        }
        case kMsgRedrawArea:
            for (TrackCameraRecord& c : cameras) c.z = GroundHeight(c.x, c.y) + c.height;
            Redraw();
            return 0;
        case kMsgHeightScaleChanged: {
            const float factor = shared::FloatFromArg(arg);
            for (TrackCameraRecord& c : cameras) {
                c.z *= factor;
                c.height *= factor;
            }
            return 0;
        }
        default: return PluginBase::OnMainPortMessage(sender, code, arg, data);
    }
}

int32_t CameraPlugin::Append(float x, float y, float z, float height) {
    TrackCameraRecord c;
    c.x = x, c.y = y, c.z = z, c.height = height;
    cameras.push_back(c);
    selected = placing = static_cast<int32_t>(cameras.size()) - 1;
    tool = CameraTool::Zone;
    Refresh();
    Redraw();
    return selected;
}

void CameraPlugin::Press(const MousePress& press) {
    Viewport* viewport = press.viewport;
    if (!activated || !viewport || !(viewport->GetFlags() & kViewportTopDown)) return;
    const float* m = viewport->GetViewState();
    const float x = (static_cast<float>(press.x) - m[12]) / m[0];
    const float y = (static_cast<float>(press.y) - m[14]) / m[6];
    switch (tool) {
        case CameraTool::Add:
            // Nothing from the last zone stays held while the new camera is placed.
            held = -1;
            heldPart = 0;
            Append(x, y, GroundHeight(x, y), 0.0f);
            return;
        case CameraTool::Zone:
            if (placing >= 0 && static_cast<size_t>(placing) < cameras.size()) {
                TrackCameraRecord& c = cameras[static_cast<size_t>(placing)];
                c.x1 = c.x2 = x;
                c.y1 = c.y2 = y;
                selected = held = placing;
                heldPart = 4;
            }
            tool = CameraTool::Add;
            break;
        case CameraTool::Select:
            for (size_t i = 0; i < cameras.size(); ++i) {
                const TrackCameraRecord& c = cameras[i];
                const float points[5][3] = {{c.x, c.y, c.z}, {c.x1, c.y1, 0}, {c.x2, c.y1, 0}, {c.x1, c.y2, 0}, {c.x2, c.y2, 0}};
                ScreenVertex s[5] = {};
                if (viewport->TransformPoints(nullptr, s, 5, &points[0][0], 0) != 0) return;
                int32_t part = -1;
                if (std::hypot(s[0].sx - static_cast<float>(press.x), s[0].sy - static_cast<float>(press.y)) < 5.0f) part = 0;
                for (int k = 1; k < 5 && part < 0; ++k)
                    if (std::hypot(s[k].sx - static_cast<float>(press.x), s[k].sy - static_cast<float>(press.y)) < 4.0f) part = k;
                if (part < 0) continue;
                selected = held = static_cast<int32_t>(i);
                heldPart = part;
                break;
            }
            break;
    }
    Refresh();
    Redraw();
}

void CameraPlugin::Drag(const MouseDrag& drag) {
    Viewport* viewport = drag.viewport;
    if (!viewport || !(viewport->GetFlags() & kViewportTopDown)) return;
    if (held < 0 || static_cast<size_t>(held) >= cameras.size()) return;
    const float* m = viewport->GetViewState();
    const float dx = static_cast<float>(drag.dx) / m[0], dy = static_cast<float>(drag.dy) / m[6];
    TrackCameraRecord& c = cameras[static_cast<size_t>(held)];
    if (heldPart == 0) {
        c.x += dx;
        c.y += dy;
        Redraw();
    } else {
        (heldPart == 1 || heldPart == 3 ? c.x1 : c.x2) += dx;
        (heldPart <= 2 ? c.y1 : c.y2) += dy;
        // The zone stays ordered; the corner held moves to where its point now is.
        if (c.x1 > c.x2) {
            std::swap(c.x1, c.x2);
            heldPart = heldPart == 1 ? 2 : heldPart == 2 ? 1 : heldPart == 3 ? 4 : 3;
        }
        if (c.y1 > c.y2) {
            std::swap(c.y1, c.y2);
            heldPart = heldPart == 1 ? 3 : heldPart == 3 ? 1 : heldPart == 2 ? 4 : 2;
        }
    }
    Refresh();
    Redraw();
}

void CameraPlugin::KillSelected() {
    if (selected < 0 || static_cast<size_t>(selected) >= cameras.size()) return;
    const int32_t gone = selected;
    cameras.erase(cameras.begin() + gone);
    // The killed camera was the selection: nothing is selected or held any more.
    selected = held = -1;
    heldPart = 0;
    if (placing == gone) placing = -1;
    else if (placing > gone) --placing;
    Refresh();
    Redraw();
}

void CameraPlugin::AddFromViewport(int32_t index) {
    Viewport* viewport = host->GetViewport(index);
    if (!viewport) return;
    float p[3];
    viewport->GetCameraPosition(p);
    Append(p[0], p[1], p[2], p[2] - GroundHeight(p[0], p[1]));
}

void CameraPlugin::SetField(int id, float value) {
    if (selected < 0 || static_cast<size_t>(selected) >= cameras.size()) return;
    TrackCameraRecord& c = cameras[static_cast<size_t>(selected)];
    switch (id) {
        case kCameraHeight:
            c.height = value;
            c.z = GroundHeight(c.x, c.y) + value;
            break;
        case kCameraZoom: c.zoom = std::clamp(value, 0.0f, 1.0f); break;
        case kCameraRange: c.range = std::max(value, 0.0f); break;
        case kCameraMinDistance: c.minDistance = std::max(value, 0.0f); break;
        case kCameraMaxDistance: c.maxDistance = std::max(value, 0.0f); break;
        case kCameraCut: c.cut = std::clamp(value, 0.0001f, 1.0f); break;
        case kCameraFov: c.fov = std::clamp(value, 30.0f, 170.0f); break;
        default: return;
    }
}

// ---- drawing

int32_t CameraPlugin::DrawViewport(Viewport* viewport) {
    if (!activated || !panel() || !viewport) return 0;
    if (!(viewport->GetFlags() & kViewportTopDown)) {
        const uint32_t mesh = MarkerMesh();
        for (const TrackCameraRecord& c : cameras) {
            const float at[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, c.x, c.y, c.z, 1};
            viewport->DrawHostMesh(host, mesh, reinterpret_cast<MsgArg>(at));
        }
        return 0;
    }
    std::vector<ScreenVertex> lines;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const TrackCameraRecord& c = cameras[i];
        const uint32_t colour = static_cast<int32_t>(i) == selected ? kSelectedColour : kOtherColour;
        const float points[5][3] = {{c.x, c.y, c.z}, {c.x1, c.y1, 0}, {c.x2, c.y1, 0}, {c.x2, c.y2, 0}, {c.x1, c.y2, 0}};
        ScreenVertex s[5] = {};
        if (viewport->TransformPoints(nullptr, s, 5, &points[0][0], colour) != 0) return 0;
        auto add = [&](float x, float y, float z) {
            ScreenVertex v = s[0];
            v.sx = x, v.sy = y, v.sz = z, v.rhw = 1.0f, v.colour = colour, v.specular = 0xFF000000u;
            lines.push_back(v);
        };
        // Two squares round the camera, 3 and 5 pixels each side.
        for (float r : {3.0f, 5.0f}) {
            const float corners[5][2] = {{-r, -r}, {r, -r}, {r, r}, {-r, r}, {-r, -r}};
            for (int k = 0; k < 4; ++k) {
                add(s[0].sx + corners[k][0], s[0].sy + corners[k][1], 0.0001f);
                add(s[0].sx + corners[k + 1][0], s[0].sy + corners[k + 1][1], 0.0001f);
            }
        }
        for (int k = 1; k <= 4; ++k) {
            const ScreenVertex& a = s[k];
            const ScreenVertex& b = s[k == 4 ? 1 : k + 1];
            add(a.sx, a.sy, 0.0001f), add(b.sx, b.sy, 0.0001f);
        }
    }
    host->SetCurrentTexture(0);
    return shared::DrawLineList(viewport, lines.data(), static_cast<uint32_t>(lines.size()));
}

// ---- the panel

void CameraPlugin::ChooseViewport() {
    const int32_t count = host->GetViewportCount();
    bool exists[4] = {};
    for (int32_t i = 0; i < 4; ++i) exists[i] = i < count && host->GetViewport(i) != nullptr;
    plat::DialogTemplate t = ChooseViewportTemplate();
    const intptr_t chosen = plat::RunModal(t, [&exists](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == plat::WM_INITDIALOG) {
            for (int i = 0; i < 4; ++i) d.Enable(kViewportButton + i, exists[i]);
            return 1;
        }
        if (msg == plat::WM_COMMAND) {
            const int id = plat::LowWord(w);
            if (id >= kViewportButton && id < kViewportButton + 4) d.End(id - kViewportButton + 1);
            else if (id == plat::kIdCancel) d.End(0);
            return 1;
        }
        return 0;
    });
    if (chosen >= 1 && chosen <= count) AddFromViewport(static_cast<int32_t>(chosen) - 1);
}

void CameraPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    d.Check(kActivate, activated);
    d.Check(kAdd, tool != CameraTool::Select);
    for (int id : {kAdd, kFromViewport, kKill}) d.Enable(id, activated);
    const bool chosen = activated && selected >= 0 && static_cast<size_t>(selected) < cameras.size();
    const TrackCameraRecord c = chosen ? cameras[static_cast<size_t>(selected)] : TrackCameraRecord{};
    const struct {
        int id;
        float value;
        const char* format;
    } fields[] = {
        {kZPos, c.z, "%3.3f"}, {kXMin, c.x1, "%3.3f"}, {kYMin, c.y1, "%3.3f"}, {kXMax, c.x2, "%3.3f"},
        {kYMax, c.y2, "%3.3f"}, {kCameraHeight, c.height, "%3.3f"}, {kCameraZoom, c.zoom, "%3.3f"},
        {kCameraRange, c.range, "%3.3f"}, {kCameraMinDistance, c.minDistance, "%3.3f"},
        {kCameraMaxDistance, c.maxDistance, "%3.3f"}, {kCameraCut, c.cut, "%3.6f"}, {kCameraFov, c.fov, "%3.3f"},
    };
    for (const auto& f : fields) {
        // A field being typed into keeps the user's text.
        if (!d.HasFocus(f.id)) d.SetText(f.id, chosen ? shared::FormatC(f.format, f.value) : "");
        d.Enable(f.id, chosen);
    }
    for (int id : {kRangeOn, kMinOn, kMaxOn}) d.Enable(id, chosen);
    d.Check(kRangeOn, c.rangeOn != 0);
    d.Check(kMinOn, c.minOn != 0);
    d.Check(kMaxOn, c.maxOn != 0);
    filling_ = false;
}

void CameraPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t code) {
    const bool chosen = selected >= 0 && static_cast<size_t>(selected) < cameras.size();
    switch (id) {
        case kActivate: activated = d.IsChecked(kActivate); break;
        case kAdd: tool = d.IsChecked(kAdd) ? CameraTool::Add : CameraTool::Select; break;
        case kFromViewport: ChooseViewport(); break;
        case kKill: KillSelected(); return;
        case kRangeOn: case kMinOn: case kMaxOn:
            if (chosen) {
                TrackCameraRecord& c = cameras[static_cast<size_t>(selected)];
                (id == kRangeOn ? c.rangeOn : id == kMinOn ? c.minOn : c.maxOn) = d.IsChecked(id) ? 1 : 0;
            }
            return;
        case kCameraHeight: case kCameraZoom: case kCameraRange: case kCameraMinDistance: case kCameraMaxDistance:
        case kCameraCut: case kCameraFov: {
            if (code != plat::EN_CHANGE || !d.HasFocus(id)) return;
            bool ok = false;
            const float value = static_cast<float>(d.Float(id, &ok));
            if (!ok) return;
            SetField(id, value);
            if (id == kCameraHeight && chosen) {
                filling_ = true;
                d.SetText(kZPos, shared::FormatC("%3.3f", cameras[static_cast<size_t>(selected)].z));
                filling_ = false;
            }
            Redraw();
            return;
        }
        default: return;
    }
    RefreshPanel(d);
    Redraw();
}

}  // namespace qv
