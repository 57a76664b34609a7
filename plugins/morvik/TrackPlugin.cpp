#include "plugins/morvik/TrackPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "platform/dialogs/Modal.h"
#include "platform/fs/Paths.h"
#include "plugins/shared/CText.h"
#include "plugins/shared/ChunkBitmap.h"
#include "plugins/shared/DrawLines.h"
#include "plugins/shared/WorldMessages.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int {
    kActivate = 1001, kAddPt = 1002, kAddPoint = 1003, kSetStart = 1004, kDelPoint = 1005, kTopSpeed = 1006,
    kStunt = 1007, kTight = 1008, kPrevious = 1009, kNext = 1010, kLoadBmp = 1011, kViewBmp = 1012, kDelBmp = 1013,
    kDump = 1014, kRead = 1015,
};
constexpr int kModeButtons[3] = {kAddPt, kAddPoint, kSetStart};

constexpr float kHitPixels = 4.0f;
constexpr uint32_t kStartColour = 0xFF0000FFu, kArrowColour = 0xFF7F0000u, kEdgeLineColour = 0xFF007F00u;
constexpr uint32_t kSelectedColour = 0xFFFF0000u, kCentreColour = 0xFFFFFFFFu, kLeftColour = 0xFFFFFF00u,
                   kRightColour = 0xFF0000FFu;

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Track";
    t.width = 200;
    t.height = 300;
    const uint32_t hidden = plat::kStyleHidden;
    t.controls = {
        {ControlKind::GroupBox, -1, "Track Plugin", 4, 4, 192, 290},
        {ControlKind::CheckBox, kActivate, "Activate", 10, 20, 90, 18},
        {ControlKind::GroupBox, -1, "Track Path", 8, 42, 184, 86},
        {ControlKind::CheckBox, kAddPt, "Add Pt", 14, 58, 80, 20, hidden},
        {ControlKind::CheckBox, kAddPoint, "Add Point", 14, 58, 84, 20},
        {ControlKind::CheckBox, kSetStart, "Set Start", 102, 58, 84, 20},
        {ControlKind::Button, kDelPoint, "Del Point", 14, 82, 84, 20},
        {ControlKind::Button, kPrevious, "<<", 102, 82, 40, 20, hidden},
        {ControlKind::Button, kNext, ">>", 146, 82, 40, 20, hidden},
        {ControlKind::Button, kDump, "Dump", 14, 104, 84, 20},
        {ControlKind::Button, kRead, "Read", 102, 104, 84, 20},
        {ControlKind::GroupBox, -1, "1-bit map", 8, 134, 184, 52},
        {ControlKind::Button, kLoadBmp, "Load Bmp", 14, 152, 56, 20},
        {ControlKind::Button, kViewBmp, "View Bmp", 72, 152, 56, 20},
        {ControlKind::Button, kDelBmp, "Del Bmp", 130, 152, 56, 20},
        {ControlKind::GroupBox, -1, " AI ", 8, 192, 184, 96},
        {ControlKind::Static, -1, "Top Speed (kph)", 14, 210, 100, 18},
        {ControlKind::Edit, kTopSpeed, "", 118, 210, 60, 18, plat::kStyleNumber},
        {ControlKind::CheckBox, kStunt, "Stunt", 14, 236, 80, 18},
        {ControlKind::CheckBox, kTight, "Tight turn", 14, 258, 100, 18},
    };
    return t;
}

float Distance2D(const ScreenVertex& v, int32_t x, int32_t y) {
    return std::hypot(v.sx - static_cast<float>(x), v.sy - static_cast<float>(y));
}

}  // namespace

TrackPlugin::TrackPlugin()
    : PluginBase(FourCC("AITK"), "AI Track Plugin::Main Port", {"Track", "This is the default plugin !", "Norwick"},
                 Panel(), 0x2060C0, 2) {
    redrawWithPanel_ = true;
}

void TrackPlugin::Redraw() { host->RedrawPluginViewports(0); }

int32_t TrackPlugin::ResetWorld() {
    graph = TrackGraph{};
    active = false;
    selected = dragged = -1;
    dragHandle = 0;
    Refresh();
    return 0;
}

int32_t TrackPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    WriteTrackChunk(out, graph);
    *size = out.Written();
    return out.Result();
}

int32_t TrackPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    TrackGraph loaded;
    if (!ReadTrackChunk(in, &loaded)) return in.Failure();
    graph = std::move(loaded);
    active = true;
    selected = dragged = -1;
    dragHandle = 0;
    Refresh();
    return 0;
}

// ---- the bus and the mouse

void TrackPlugin::ScaleBounds(const float* previous, const float* now) {
    const float rx = shared::ExtentRatio(previous, now, 0), ry = shared::ExtentRatio(previous, now, 1);
    for (TrackNode& n : graph.nodes) {
        for (Vec3* p : {&n.centre, &n.leftEdge, &n.rightEdge}) {
            p->x *= rx;
            p->y *= ry;
        }
        const Vec3 l{n.leftEdge.x - n.centre.x, n.leftEdge.y - n.centre.y, n.leftEdge.z - n.centre.z};
        const Vec3 r{n.rightEdge.x - n.centre.x, n.rightEdge.y - n.centre.y, n.rightEdge.z - n.centre.z};
        n.leftWidth = Vec3Length(&l);
        n.rightWidth = Vec3Length(&r);
    }
    Redraw();
}

int32_t TrackPlugin::OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) {
    switch (code) {
        case kMsgSelectPress:
            if (arg) Press(*reinterpret_cast<const MousePress*>(arg));
            return 0;
        case kMsgSelectRelease:
            dragged = -1;
            dragHandle = 0;
            return 0;
        case kMsgSelectDrag:
            if (arg) Drag(*reinterpret_cast<const MouseDrag*>(arg));
            return 0;
        case kMsgWorldBoundsChanged:
            if (arg && data) ScaleBounds(reinterpret_cast<const float*>(arg), reinterpret_cast<const float*>(data));
            return 0;
        default: return PluginBase::OnMainPortMessage(sender, code, arg, data);
    }
}

int32_t TrackPlugin::HitTest(Viewport* viewport, size_t i, int32_t x, int32_t y) {
    const TrackNode& n = graph.nodes[i];
    const float points[3][3] = {{n.centre.x, n.centre.y, n.centre.z},
                                {n.leftEdge.x, n.leftEdge.y, n.leftEdge.z},
                                {n.rightEdge.x, n.rightEdge.y, n.rightEdge.z}};
    ScreenVertex v[3] = {};
    if (viewport->TransformPoints(nullptr, v, 3, &points[0][0], 0) != 0) return -1;
    for (int32_t handle = 0; handle < 3; ++handle)
        if (Distance2D(v[handle], x, y) < kHitPixels) return handle;
    return -1;
}

int32_t TrackPlugin::AppendNode(float x, float y) {
    TrackNode n;
    n.centre = {x, y, 0};
    if (selected >= 0 && static_cast<size_t>(selected) < graph.nodes.size()) {
        const TrackNode& from = graph.nodes[static_cast<size_t>(selected)];
        n.leftWidth = from.leftWidth;
        n.rightWidth = from.rightWidth;
        n.hints = from.hints;
    }
    graph.nodes.push_back(n);
    return static_cast<int32_t>(graph.nodes.size()) - 1;
}

void TrackPlugin::Press(const MousePress& press) {
    Viewport* viewport = press.viewport;
    if (!viewport || !(viewport->GetFlags() & kViewportTopDown)) return;
    const float* m = viewport->GetViewState();
    const float x = (static_cast<float>(press.x) - m[12]) / m[0];
    const float y = (static_cast<float>(press.y) - m[14]) / m[6];
    switch (mode) {
        case TrackMode::Select:
            for (size_t i = 0; i < graph.nodes.size(); ++i) {
                const int32_t handle = HitTest(viewport, i, press.x, press.y);
                if (handle < 0) continue;
                selected = dragged = static_cast<int32_t>(i);
                dragHandle = handle;
            }
            break;
        case TrackMode::AddPt: selected = AppendNode(x, y); break;
        case TrackMode::AddPoint: {
            if (selected < 0 || static_cast<size_t>(selected) >= graph.nodes.size()) {
                selected = AppendNode(x, y);
                break;
            }
            int32_t target = -1;
            for (size_t i = 0; i < graph.nodes.size(); ++i)
                if (static_cast<int32_t>(i) != selected && HitTest(viewport, i, press.x, press.y) == 0)
                    target = static_cast<int32_t>(i);
            if (target < 0) target = AppendNode(x, y);
            graph.nodes[static_cast<size_t>(selected)].links.push_back(target);
            ComputeEdges(graph, static_cast<size_t>(selected));
            ComputeEdges(graph, static_cast<size_t>(target));
            selected = target;
            break;
        }
        case TrackMode::SetStart:
            for (size_t i = 0; i < graph.nodes.size(); ++i)
                if (HitTest(viewport, i, press.x, press.y) >= 0) graph.startNode = static_cast<int32_t>(i);
            break;
    }
    Refresh();
    Redraw();
}

void TrackPlugin::Drag(const MouseDrag& drag) {
    Viewport* viewport = drag.viewport;
    if (!viewport || !(viewport->GetFlags() & kViewportTopDown)) return;
    if (selected < 0 || static_cast<size_t>(selected) >= graph.nodes.size()) return;
    const float* m = viewport->GetViewState();
    const float dx = static_cast<float>(drag.dx) / m[0], dy = static_cast<float>(drag.dy) / m[6];
    TrackNode& n = graph.nodes[static_cast<size_t>(selected)];
    if (dragHandle == 0) {
        n.centre.x += dx;
        n.centre.y += dy;
        // The node's neighbours both ways see it from elsewhere now.
        for (int32_t link : n.links)
            if (link >= 0 && static_cast<size_t>(link) < graph.nodes.size()) ComputeEdges(graph, static_cast<size_t>(link));
        for (size_t k = 0; k < graph.nodes.size(); ++k) {
            const std::vector<int32_t>& links = graph.nodes[k].links;
            if (std::find(links.begin(), links.end(), selected) != links.end()) ComputeEdges(graph, k);
        }
        ComputeEdges(graph, static_cast<size_t>(selected));
    } else {
        const Vec3& edge = dragHandle == 1 ? n.leftEdge : n.rightEdge;
        const float width = std::hypot(edge.x + dx - n.centre.x, edge.y + dy - n.centre.y);
        n.leftWidth = n.rightWidth = width;
        ComputeEdges(graph, static_cast<size_t>(selected));
    }
    Refresh();
    Redraw();
}

void TrackPlugin::DeleteSelected() {
    if (selected < 0 || static_cast<size_t>(selected) >= graph.nodes.size()) return;
    DeleteNode(graph, selected);
    // The selection moves to the node before (none when the first went).
    --selected;
    dragged = -1;
    dragHandle = 0;
    Refresh();
    Redraw();
}

// ---- drawing

int32_t TrackPlugin::DrawViewport(Viewport* viewport) {
    if (!active || !panel() || !viewport || !(viewport->GetFlags() & kViewportTopDown)) return 0;
    const size_t count = graph.nodes.size();
    std::vector<float> points;
    for (const TrackNode& n : graph.nodes)
        for (const Vec3& p : {n.centre, n.leftEdge, n.rightEdge}) points.insert(points.end(), {p.x, p.y, p.z});
    std::vector<ScreenVertex> s(count * 3);
    if (count && viewport->TransformPoints(nullptr, s.data(), static_cast<uint32_t>(count * 3), points.data(), 0) != 0)
        return 0;
    std::vector<ScreenVertex> lines;
    auto line = [&](const ScreenVertex& a, const ScreenVertex& b, uint32_t colour, float z) {
        for (const ScreenVertex* v : {&a, &b}) {
            ScreenVertex p = *v;
            p.sz = z;
            p.rhw = 1.0f;
            p.colour = colour;
            p.specular = 0xFF000000u;
            lines.push_back(p);
        }
    };
    auto at = [](float x, float y) {
        ScreenVertex v{};
        v.sx = x, v.sy = y;
        return v;
    };
    for (size_t i = 0; i < count; ++i) {
        const ScreenVertex& c = s[3 * i];
        if (static_cast<int32_t>(i) == graph.startNode) line(s[3 * i + 1], s[3 * i + 2], kStartColour, 0.0001f);
        for (int32_t link : graph.nodes[i].links) {
            if (link < 0 || static_cast<size_t>(link) >= count) continue;
            const ScreenVertex& to = s[3 * static_cast<size_t>(link)];
            line(c, to, kArrowColour, 0.0001f);
            // The arrow's head: two strokes of 4 pixels back from three quarters of the way.
            const float dx = to.sx - c.sx, dy = to.sy - c.sy, len = std::hypot(dx, dy);
            if (len > 0.0f) {
                const float ux = dx / len, uy = dy / len;
                const ScreenVertex head = at(c.sx + 0.75f * dx, c.sy + 0.75f * dy);
                line(head, at(head.sx - 4 * ux + 4 * uy, head.sy - 4 * uy - 4 * ux), kArrowColour, 0.0001f);
                line(head, at(head.sx - 4 * ux - 4 * uy, head.sy - 4 * uy + 4 * ux), kArrowColour, 0.0001f);
            }
            line(s[3 * i + 1], s[3 * static_cast<size_t>(link) + 1], kEdgeLineColour, 0.0001f);
            line(s[3 * i + 2], s[3 * static_cast<size_t>(link) + 2], kEdgeLineColour, 0.0001f);
        }
        const uint32_t colours[3] = {static_cast<int32_t>(i) == selected ? kSelectedColour : kCentreColour, kLeftColour,
                                     kRightColour};
        for (int k = 0; k < 3; ++k) {
            const ScreenVertex& p = s[3 * i + static_cast<size_t>(k)];
            line(at(p.sx - 2, p.sy), at(p.sx + 2, p.sy), colours[k], 0.01f);
            line(at(p.sx, p.sy - 2), at(p.sx, p.sy + 2), colours[k], 0.01f);
        }
    }
    if (lines.empty()) return 0;
    host->SetCurrentTexture(0);
    return shared::DrawLineList(viewport, lines.data(), static_cast<uint32_t>(lines.size()));
}

// ---- the dump

bool TrackPlugin::WriteDump(const std::string& path) { return shared::WriteTextFile(path, FormatTrackDump(graph.nodes)); }

bool TrackPlugin::ReadDump(const std::string& path) {
    std::string text;
    if (!shared::ReadTextFile(path, &text)) return false;
    std::vector<TrackNode> nodes;
    if (!ParseTrackDump(text, &nodes)) {
        shared::Winprintf("Not an AI track text dump: %s\n", path.c_str());
        return false;
    }
    graph.nodes = std::move(nodes);
    // The start, selection and drag must name nodes of the new list.
    if (graph.startNode >= static_cast<int32_t>(graph.nodes.size())) graph.startNode = 0;
    selected = dragged = -1;
    dragHandle = 0;
    Refresh();
    Redraw();
    return true;
}

// ---- the panel

void TrackPlugin::LoadMap() {
    const std::string path = TakePath(shared::OpenFileDialog(host->GetMainWindow(), "BMP"));
    if (path.empty()) return;
    std::optional<Dib> bitmap = LoadBitmapFile(path);
    if (!bitmap || bitmap->Width() != 256 || bitmap->Height() != 256 || bitmap->header.bitCount != 8) {
        plat::ShowMessageBox("Must be 256x256 8-bit grayscale BMP", "Error", plat::MB_OK | plat::MB_ICONWARNING);
        return;
    }
    graph.map = MapFromBitmap(*bitmap);
    graph.hasMap = true;
}

void TrackPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    const bool chosen = active && selected >= 0 && static_cast<size_t>(selected) < graph.nodes.size();
    d.Check(kActivate, active);
    for (int id : {kAddPt, kAddPoint, kSetStart, kDelPoint, kPrevious, kNext, kLoadBmp, kDump, kRead}) d.Enable(id, active);
    d.Enable(kViewBmp, active && graph.hasMap);
    d.Enable(kDelBmp, active && graph.hasMap);
    for (int i = 0; i < 3; ++i) d.Check(kModeButtons[i], static_cast<int>(mode) == i + 1);
    for (int id : {kTopSpeed, kStunt, kTight}) d.Enable(id, chosen);
    const uint32_t hints = chosen ? graph.nodes[static_cast<size_t>(selected)].hints : 0;
    const std::string speed = chosen ? std::to_string(hints >> kHintSpeedShift) : "";
    if (d.Text(kTopSpeed) != speed) d.SetText(kTopSpeed, speed);
    d.Check(kStunt, (hints & 0xFF0000u) == kHintStunt);
    d.Check(kTight, (hints & 0xFF00u) == kHintTight);
    filling_ = false;
}

void TrackPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t code) {
    const bool chosen = selected >= 0 && static_cast<size_t>(selected) < graph.nodes.size();
    switch (id) {
        case kActivate: active = d.IsChecked(kActivate); break;
        case kAddPt: case kAddPoint: case kSetStart: {
            const int index = static_cast<int>(std::find(std::begin(kModeButtons), std::end(kModeButtons), id) - std::begin(kModeButtons));
            mode = d.IsChecked(id) ? static_cast<TrackMode>(index + 1) : TrackMode::Select;
            break;
        }
        case kDelPoint: DeleteSelected(); return;
        case kTopSpeed: {
            if (code != plat::EN_CHANGE || !d.HasFocus(kTopSpeed) || !chosen) return;
            bool ok = false;
            const long speed = std::clamp(d.Int(kTopSpeed, &ok), 0L, 255L);
            if (!ok) return;
            uint32_t& hints = graph.nodes[static_cast<size_t>(selected)].hints;
            hints = (hints & 0x00FFFFFFu) | (static_cast<uint32_t>(speed) << kHintSpeedShift);
            break;
        }
        case kStunt: case kTight:
            if (chosen) {
                uint32_t& hints = graph.nodes[static_cast<size_t>(selected)].hints;
                const uint32_t mask = id == kStunt ? 0xFF0000u : 0xFF00u, value = id == kStunt ? kHintStunt : kHintTight;
                hints = (hints & ~mask) | (d.IsChecked(id) ? value : 0u);
            }
            break;
        case kPrevious: selected = std::max(selected - 1, -1); break;
        case kNext: selected = std::min(selected + 1, static_cast<int32_t>(graph.nodes.size()) - 1); break;
        case kLoadBmp: LoadMap(); break;
        case kViewBmp:
            if (graph.hasMap) plat::ShowBitmapWindow("Viewer", "Track Bitmap Viewer", ToBitmap(MapBitmap(graph.map)));
            return;
        case kDelBmp:
            graph.hasMap = false;
            graph.map = TrackMap{};
            break;
        case kDump: {
            const std::string path = TakePath(shared::SaveFileDialog(host->GetMainWindow(), "TXT"));
            if (!path.empty()) WriteDump(path);
            return;
        }
        case kRead: {
            const std::string path = TakePath(shared::OpenFileDialog(host->GetMainWindow(), "TXT"));
            if (!path.empty()) ReadDump(path);
            return;
        }
        default: return;
    }
    RefreshPanel(d);
    Redraw();
}

}  // namespace qv
