#include "plugins/landscape/LandscapePlugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/bytes/ByteIO.h"
#include "platform/dialogs/Modal.h"
#include "plugins/shared/ChunkBitmap.h"
#include "plugins/shared/GroundQuery.h"

namespace qv {

namespace {

using plat::ControlKind;

constexpr uint32_t kShortRecord = 52, kLongRecord = 76;
constexpr uint32_t kTriangleList = 4, kLineList = 2;
constexpr uint32_t kTileTextures = 64;
constexpr uint32_t kDrawVertexLimit = 0x80000 / sizeof(ScreenVertex);

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Landscape";
    t.width = 190;
    t.height = 520;
    // Every control is shown: the brush, the knot and texture fields and the grid tools are the only
    // way to reach those edits from the panel.
    t.controls = {
        {ControlKind::GroupBox, -1, "Landscape Plugin", 4, 4, 182, 512},
        {ControlKind::CheckBox, kLandActivate, "Activate", 10, 18, 70, 16},
        {ControlKind::CheckBox, kLandSolid, "Solid", 10, 36, 60, 16},
        {ControlKind::CheckBox, kLandWireframe, "Wireframe", 62, 36, 96, 16},
        {ControlKind::CheckBox, kLandKnots, "Knots", 150, 36, 60, 16},
        {ControlKind::GroupBox, -1, "Terrain", 10, 56, 170, 250},
        {ControlKind::Static, -1, "Knots", 16, 72, 70, 14},
        {ControlKind::Edit, kLandKnotsX, "", 90, 70, 40, 16},
        {ControlKind::Edit, kLandKnotsY, "", 134, 70, 40, 16},
        {ControlKind::Static, -1, "Base", 16, 90, 70, 14},
        {ControlKind::Edit, kLandBaseHeight, "", 90, 88, 84, 16, plat::kStyleReadOnly},
        {ControlKind::Static, -1, "Height", 16, 108, 70, 14},
        {ControlKind::Edit, kLandKnotHeight, "", 90, 106, 84, 16},
        {ControlKind::Button, kLandFlatten, "Flatten Land", 16, 126, 76, 18},
        {ControlKind::Button, kLandWraparound, "Wraparound", 96, 126, 78, 18},
        {ControlKind::CheckBox, kLandBrush, "Activate", 16, 148, 70, 16},
        {ControlKind::Static, -1, "Brush radius, power", 16, 166, 150, 14},
        {ControlKind::Edit, kLandBrushRadius, "", 16, 182, 76, 16},
        {ControlKind::Edit, kLandBrushPower, "", 96, 182, 78, 16},
        {ControlKind::CheckBox, kLandLod, "Activate LOD", 16, 202, 110, 16},
        {ControlKind::Edit, kLandLodValue, "", 130, 202, 44, 16},
        {ControlKind::Button, kLandSize, "Size", 16, 222, 40, 18},
        {ControlKind::GroupBox, -1, "Import Whole World", 16, 242, 158, 30},
        {ControlKind::Button, kLandImportAscii, "Ascii", 22, 252, 60, 16},
        {ControlKind::Button, kLandImportDisp, "Disp map", 90, 252, 70, 16},
        {ControlKind::GroupBox, -1, "Import Center", 16, 274, 158, 30},
        {ControlKind::Button, kLandCenterAscii, "Ascii", 22, 284, 60, 16},
        {ControlKind::Button, kLandCenterDisp, "Disp map", 90, 284, 70, 16},
        {ControlKind::Button, kLandExport, "Export", 60, 222, 60, 18},
        {ControlKind::GroupBox, -1, "Textures", 10, 310, 170, 200},
        {ControlKind::ComboBox, kLandTextures, "", 16, 326, 158, 120},
        {ControlKind::Button, kLandRem, "Rem", 16, 350, 40, 18},
        {ControlKind::Button, kLandRemAll, "Rem All", 60, 350, 50, 18},
        {ControlKind::Static, -1, "Division", 16, 374, 80, 14},
        {ControlKind::Edit, kLandDivX, "", 100, 372, 36, 16},
        {ControlKind::Edit, kLandDivY, "", 140, 372, 34, 16},
        {ControlKind::CheckBox, kLandMultiTexturing, "Multi Texturing", 16, 394, 100, 16},
        {ControlKind::Static, -1, "Block", 16, 414, 70, 14},
        {ControlKind::Edit, kLandBlockWidth, "", 100, 412, 36, 16},
        {ControlKind::Edit, kLandBlockHeight, "", 140, 412, 34, 16},
        {ControlKind::Button, kLandUp, "Up", 16, 434, 34, 18},
        {ControlKind::Button, kLandDown, "Dn", 54, 434, 34, 18},
        {ControlKind::Button, kLandLeft, "Lt", 92, 434, 34, 18},
        {ControlKind::Button, kLandRight, "Rt", 130, 434, 34, 18},
        {ControlKind::Button, kLandAddCenter, "Add Center", 16, 458, 76, 18},
        {ControlKind::Button, kLandAddTileable, "Add Tileable", 96, 458, 78, 18},
        {ControlKind::CheckBox, kLandTileCenter, "Tile Center", 16, 482, 100, 16},
    };
    return t;
}

// The "Enter maximum height (feet)" question; 0 when cancelled.
float AskMaximumHeight() {
    plat::DialogTemplate t;
    t.title = "Maximum height";
    t.width = 200;
    t.height = 80;
    t.controls = {{ControlKind::Static, -1, "Enter maximum height (feet)", 8, 8, 184, 14},
                  {ControlKind::Edit, kMaxHeightEdit, "", 8, 26, 100, 16},
                  {ControlKind::Button, plat::kIdOk, "OK", 30, 52, 60, 18, plat::kStyleDefault},
                  {ControlKind::Button, plat::kIdCancel, "Cancel", 110, 52, 60, 18}};
    float value = 0.0f;
    const intptr_t r = plat::RunModal(t, [&value](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg != plat::WM_COMMAND) return 0;
        const int id = plat::LowWord(w);
        if (id == plat::kIdOk) {
            value = static_cast<float>(std::atof(d.Text(kMaxHeightEdit).substr(0, 63).c_str()));
            d.End(plat::kIdOk);
        } else if (id == plat::kIdCancel) {
            d.End(plat::kIdCancel);
        }
        return 1;
    });
    return r == plat::kIdOk && std::isfinite(value) ? value : 0.0f;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The bitmap bytes AddTextureFromMemory takes: the colour table (8 bits and fewer), then the rows.
std::vector<uint8_t> TextureBytes(const Dib& d) {
    std::vector<uint8_t> bytes = d.colourTable;
    bytes.insert(bytes.end(), d.pixels.begin(), d.pixels.end());
    return bytes;
}

bool ValidRecord(const LandscapeRecord& r) {
    const auto inRange = [](uint32_t v, uint32_t lo, uint32_t hi) { return v >= lo && v <= hi; };
    if (!inRange(r.knotsX, kMinKnots, kMaxKnots) || !inRange(r.knotsY, kMinKnots, kMaxKnots)) return false;
    if (!inRange(r.knotsPerCellX, kMinDivision, kMaxDivision) || !inRange(r.knotsPerCellY, kMinDivision, kMaxDivision))
        return false;
    if (r.cellsX != CellsFor(r.knotsX, r.knotsPerCellX) || r.cellsY != CellsFor(r.knotsY, r.knotsPerCellY)) return false;
    for (float b : r.bounds)
        if (!std::isfinite(b)) return false;
    // The extents (and so the knot spacings) must be finite and positive as well.
    const float ex = r.XMax() - r.XMin(), ey = r.YMax() - r.YMin();
    return std::isfinite(ex) && std::isfinite(ey) && ex > 0.0f && ey > 0.0f;
}

}  // namespace

LandscapePlugin::LandscapePlugin()
    : PluginBase(FourCC("SLND"), kGroundPortName,
                 {"Landscape", "Landscape spline ground plugin !", "Norwick"}, Panel(), 0x60A040, 0),
      prototype_(this, nullptr) {
    mainPort.kindMask = 0x800E;
    SplineWeightRow(0);  // the weight table is built with the object
}

LandscapePlugin::~LandscapePlugin() {
    if (liveView) liveView->Destroy();
}

// ---- lifecycle

void LandscapePlugin::CreateDefaultLandscape() {
    try {
        grid.MakeDefault();
        selection = KnotSelection();
        selection.Resize(grid.heights.size());
        hasLandscape = true;
        displayFlags = 6;
    } catch (const std::bad_alloc&) {
        grid.Clear();
        selection = KnotSelection();
        hasLandscape = false;
        plat::ShowMessageBox("Not Enought Mem ...", "Error", plat::MB_OK);
    }
    Refresh();
    Redraw();
}

void LandscapePlugin::Erase() {
    if (liveView && liveView->viewport()) liveView->viewport()->Unlock();
    if (host) host->DeleteAllTextures();
    grid.Clear();
    selection = KnotSelection();
    hasLandscape = false;
    Refresh();
    Redraw();
}

int32_t LandscapePlugin::ResetWorld() {
    tileCenter = 0;
    Erase();
    CreateDefaultLandscape();
    grid.BuildPatches();
    return 0;
}

int32_t LandscapePlugin::GetViewCount() { return hasLandscape && !liveView ? 1 : 0; }
PluginView* LandscapePlugin::GetView(int32_t index) {
    return index == 0 && hasLandscape && !liveView ? &prototype_ : nullptr;
}

void LandscapePlugin::Redraw() {
    if (host) host->RedrawPluginViewports(0);
}

void LandscapePlugin::RefreshTopDown() {
    if (liveView && liveView->viewport()) liveView->viewport()->Invalidate(0);
}

void LandscapePlugin::BroadcastBounds() {
    float bounds[6];
    std::copy_n(grid.record.bounds, 6, bounds);
    if (host && host->bus)
        host->bus->Broadcast(&mainPort, kKindWorld, kMsgRedrawArea, reinterpret_cast<MsgArg>(bounds), 0);
}

uint32_t LandscapePlugin::TextureCount() {
    return host ? static_cast<uint32_t>(std::max(0, host->GetTextureCount())) : 0;
}

// ---- chunk

int32_t LandscapePlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    *size = 0;
    version = 1;
    ChunkWriter out(stream);
    uint8_t head[4 + kLongRecord];
    const LandscapeRecord& r = grid.record;
    plat::StoreU16(head, displayFlags);
    plat::StoreU16(head + 2, version);
    uint8_t* p = head + 4;
    const uint32_t words[] = {static_cast<uint32_t>(r.lodEnabled), 0, r.knotsX, r.knotsY, 0, r.knotsPerCellX,
                              r.knotsPerCellY, 0, 0, 0, 0, r.cellsX, r.cellsY};
    for (uint32_t w : words) plat::StoreU32(p, w), p += 4;
    plat::StoreF32(head + 4 + 4, r.lodFactor);
    plat::StoreF32(head + 4 + 16, r.baseHeight);
    plat::StoreF32(head + 4 + 28, r.knotSpacingX);
    plat::StoreF32(head + 4 + 32, r.knotSpacingY);
    plat::StoreF32(head + 4 + 36, r.texStepX);
    plat::StoreF32(head + 4 + 40, r.texStepY);
    for (int i = 0; i < 6; ++i) plat::StoreF32(head + 4 + 52 + 4 * i, r.bounds[i]);
    out.Bytes(head, sizeof head);
    std::vector<uint8_t> bytes(grid.heights.size() * 4);
    for (size_t i = 0; i < grid.heights.size(); ++i) plat::StoreF32(&bytes[i * 4], grid.heights[i]);
    out.Bytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    bytes.assign(grid.cells.size() * 2, 0);
    for (size_t i = 0; i < grid.cells.size(); ++i) plat::StoreU16(&bytes[i * 2], grid.cells[i]);
    out.Bytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (out.Result() != 0) return Result(kResultWriteFailed);
    uint32_t textureBytes = 0;
    const int32_t r2 = host->WriteTextures(stream, &textureBytes);
    *size = out.Written() + textureBytes;
    return r2;
}

int32_t LandscapePlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    // Anything refused leaves no landscape and none of its textures.
    const auto fail = [this](int32_t code) {
        hasLandscape = false;
        grid.Clear();
        selection = KnotSelection();
        if (host) host->DeleteAllTextures();
        Refresh();
        return code;
    };
    uint8_t head[4 + kLongRecord] = {};
    if (size < kLongRecord || !in.Bytes(head, 4)) return fail(in.Failure());
    const uint16_t flags = plat::LoadU16(head), kind = plat::LoadU16(head + 2);
    // Only the two layouts the editor has written are known; a record of another cannot be trusted.
    if (kind > 1) return fail(Result(kResultBadChunk));
    if (!in.Bytes(head + 4, kind == 0 ? kShortRecord : kLongRecord)) return fail(in.Failure());
    LandscapeRecord r;
    const uint8_t* p = head + 4;
    r.lodEnabled = plat::LoadI32(p);
    r.lodFactor = plat::LoadF32(p + 4);
    r.knotsX = plat::LoadU32(p + 8);
    r.knotsY = plat::LoadU32(p + 12);
    r.baseHeight = plat::LoadF32(p + 16);
    r.knotsPerCellX = plat::LoadU32(p + 20);
    r.knotsPerCellY = plat::LoadU32(p + 24);
    r.knotSpacingX = plat::LoadF32(p + 28);
    r.knotSpacingY = plat::LoadF32(p + 32);
    r.texStepX = plat::LoadF32(p + 36);
    r.texStepY = plat::LoadF32(p + 40);
    r.cellsX = plat::LoadU32(p + 44);
    r.cellsY = plat::LoadU32(p + 48);
    if (kind == 0) host->GetWorldBounds(r.bounds);
    else
        for (int i = 0; i < 6; ++i) r.bounds[i] = plat::LoadF32(p + 52 + 4 * i);
    // Counts are checked against their ranges and against the chunk before anything is allocated.
    if (!ValidRecord(r)) return fail(Result(kResultBadChunk));
    const uint64_t heightBytes = uint64_t{r.knotsX} * r.knotsY * 4, cellBytes = uint64_t{r.cellsX} * r.cellsY * 2;
    if (!in.Need(heightBytes + cellBytes)) return fail(in.Failure());
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(heightBytes));
        grid.heights.resize(size_t{r.knotsX} * r.knotsY);
        grid.cells.resize(size_t{r.cellsX} * r.cellsY);
        selection.Resize(grid.heights.size());
    } catch (const std::bad_alloc&) {
        return fail(Result(kResultOutOfMemory));
    }
    if (!in.Bytes(bytes.data(), static_cast<uint32_t>(heightBytes))) return fail(in.Failure());
    for (size_t i = 0; i < grid.heights.size(); ++i) {
        const float v = plat::LoadF32(&bytes[i * 4]);
        grid.heights[i] = std::isfinite(v) ? v : 0.0f;
    }
    bytes.resize(static_cast<size_t>(cellBytes));
    if (!in.Bytes(bytes.data(), static_cast<uint32_t>(cellBytes))) return fail(in.Failure());
    for (size_t i = 0; i < grid.cells.size(); ++i) grid.cells[i] = plat::LoadU16(&bytes[i * 2]);
    displayFlags = flags;
    version = kind;
    grid.record = r;
    uint32_t textureBytes = 0;
    const uint32_t mark = in.Mark();
    if (host->ReadTextures(stream, &textureBytes) != 0 || !in.Took(mark))
        plat::ShowMessageBox("The texture part of the landscape has been corrupted !", "WARNING !",
                             plat::MB_OK | plat::MB_ICONWARNING);
    hasLandscape = true;
    grid.UpdateSpacing();
    Refresh();
    Redraw();
    grid.BuildPatches();
    return 0;
}

// ---- bus

int32_t LandscapePlugin::OnMainPortMessage(Port*, uint32_t code, MsgArg arg, MsgArg data) {
    switch (code) {
        case kMsgQueryGroundHeight: {
            if (data != 0) return Result(kResultBadIndex);
            auto* q = reinterpret_cast<GroundHeightQuery*>(arg);
            if (q) q->z = hasLandscape ? grid.HeightAt(q->x, q->y) : 0.0f;
            return 0;
        }
        case kMsgQueryGroundSample: {
            if (data != 0) return Result(kResultBadIndex);
            auto* q = reinterpret_cast<GroundSampleQuery*>(arg);
            if (!q) return 0;
            uint32_t c = 0, r = 0;
            q->hit = hasLandscape && grid.PickKnot(q->viewport, q->screenX, q->screenY, &c, &r) ? 1 : 0;
            if (q->hit) {
                q->knotX = grid.KnotX(c);
                q->knotY = grid.KnotY(r);
                q->knotHeight = grid.Height(c, r);
            }
            return 0;
        }
        case kMsgQueryGroundHeightNormal: {
            if (data != 0) return Result(kResultBadIndex);
            auto* q = reinterpret_cast<GroundHeightNormalQuery*>(arg);
            if (!q) return 0;
            q->height = hasLandscape ? grid.HeightAt(q->x, q->y) : 0.0f;
            const Vec3 n = hasLandscape ? grid.NormalAt(q->x, q->y) : Vec3{0.0f, 0.0f, 1.0f};
            q->normal[0] = n.x, q->normal[1] = n.y, q->normal[2] = n.z;
            return 0;
        }
        case kMsgTextureAdded:
            if (reinterpret_cast<PluginHost*>(arg) == host) Refresh(), Redraw();
            return 0;
        case kMsgTextureDeleted:
            if (reinterpret_cast<PluginHost*>(arg) != host) return 0;
            if (keepTextureInstances) {
                Refresh();
                Redraw();
                return 0;
            }
            return RemoveInstances(static_cast<uint32_t>(data));
        case kMsgTexturePicked: {
            const auto* picked = reinterpret_cast<const TexturePickedRecord*>(arg);
            if (picked && picked->owner == host) SetCurrentTexture(picked->index, picked->slot, false);
            return 0;
        }
        case kMsgAlphaInserted:
            // Ground textures carry no alpha: it goes again at once.
            if (reinterpret_cast<PluginHost*>(arg) == host) host->RemoveAlpha(static_cast<uint32_t>(data)), Redraw();
            return 0;
        case kMsgSelectPress: {
            const auto* press = reinterpret_cast<const MousePress*>(arg);
            if (!press || !hasLandscape) return 0;
            if (!press->shift) selection.Clear();
            uint32_t c = 0, r = 0;
            if (grid.PickKnot(press->viewport, press->x, press->y, &c, &r))
                selection.Add(static_cast<int32_t>(r * grid.record.knotsX + c));
            Refresh();
            Redraw();
            return 0;
        }
        case kMsgSelectDrag: {
            const auto* drag = reinterpret_cast<const MouseDrag*>(arg);
            if (!drag || !hasLandscape) return 0;
            const KnotRange touched = DragHeights(grid, selection, brush, static_cast<float>(drag->dy));
            // The drawn surface follows the edit: the patches of the knots moved are refreshed.
            if (touched.any) grid.RefreshPatches(touched.firstColumn, touched.lastColumn, touched.firstRow, touched.lastRow);
            Refresh();
            BroadcastBounds();
            return 0;
        }
        case kMsgHeightScaleChanged: {
            float factor = 1.0f;
            const auto bits = static_cast<uint32_t>(arg);
            std::memcpy(&factor, &bits, 4);
            ScaleHeights(grid, factor);
            grid.BuildPatches();
            Redraw();
            return 0;
        }
        default: return 0;
    }
}

// ---- drawing

int32_t LandscapePlugin::DrawViewport(Viewport* viewport) {
    if (!hasLandscape || grid.Empty() || grid.patches.Empty() || !viewport) return 0;
    const CellRange range = grid.VisibleCells(viewport);
    const LandscapeRecord& r = grid.record;
    const PatchTable& t = grid.patches;
    if (displayFlags & 4) {
        // Knots as small crosses, red when selected.
        int32_t w = 0, h = 0;
        viewport->GetSize(&w, &h);
        host->SetCurrentTexture(0);
        const uint32_t c0 = range.firstColumn * r.knotsPerCellX, c1 = std::min((range.lastColumn + 1) * r.knotsPerCellX, r.knotsX - 1);
        const uint32_t r0 = range.firstRow * r.knotsPerCellY, r1 = std::min((range.lastRow + 1) * r.knotsPerCellY, r.knotsY - 1);
        std::vector<ScreenVertex> lines;
        for (uint32_t row = r0; row <= r1; ++row)
            for (uint32_t col = c0; col <= c1; ++col) {
                const float at[3] = {grid.KnotX(col), grid.KnotY(row), grid.Height(col, row) + r.baseHeight};
                ScreenVertex s;
                viewport->TransformPoints(nullptr, &s, 1, at, 0);
                if (!(s.rhw > 0.0f) || 1.0f / s.rhw <= 0.0001f) continue;
                if (s.sx < -2 || s.sy < -2 || s.sx > static_cast<float>(w) + 2 || s.sy > static_cast<float>(h) + 2) continue;
                const size_t knot = size_t{row} * r.knotsX + col;
                const uint32_t colour = knot < selection.bits.size() && selection.bits[knot] ? 0xFFFF0000 : 0xFFFFFFFF;
                const float z = s.sz - 0.00001f;
                lines.push_back({s.sx - 2, s.sy, z, s.rhw, colour, 0, 0, 0});
                lines.push_back({s.sx + 3, s.sy, z, s.rhw, colour, 0, 0, 0});
                lines.push_back({s.sx, s.sy - 2, z, s.rhw, colour, 0, 0, 0});
                lines.push_back({s.sx, s.sy + 3, z, s.rhw, colour, 0, 0, 0});
                if (lines.size() + 4 > kDrawVertexLimit) {
                    viewport->DrawPrimitive(kLineList, static_cast<uint32_t>(lines.size()), lines.data(), 0, nullptr);
                    lines.clear();
                }
            }
        if (!lines.empty()) viewport->DrawPrimitive(kLineList, static_cast<uint32_t>(lines.size()), lines.data(), 0, nullptr);
    }
    // Corner pass: the first knot of every cell in the range (the last column and row only lend corners).
    const uint32_t cols = range.lastColumn - range.firstColumn + 1, rows = range.lastRow - range.firstRow + 1;
    std::vector<float> points(size_t{cols} * rows * 3);
    for (uint32_t j = 0; j < rows; ++j)
        for (uint32_t i = 0; i < cols; ++i) {
            const uint32_t cx = range.firstColumn + i, cy = range.firstRow + j;
            float* at = &points[(size_t{j} * cols + i) * 3];
            at[0] = r.XMin() + static_cast<float>(cx) * t.cellWidth;
            at[1] = r.YMin() + static_cast<float>(cy) * t.cellHeight;
            at[2] = grid.Height(cx * r.knotsPerCellX, cy * r.knotsPerCellY);
        }
    std::vector<ScreenVertex> corners(size_t{cols} * rows);
    viewport->TransformPoints(nullptr, corners.data(), static_cast<uint32_t>(corners.size()), points.data(), 0xFFFFFFFF);
    const float inset = 1.0f / 512.0f, span = 254.0f / 255.0f;
    const uint32_t count = TextureCount();
    const uint16_t indices[6] = {0, 1, 3, 3, 1, 2};
    for (uint32_t j = 0; j + 1 < rows; ++j)
        for (uint32_t i = 0; i + 1 < cols; ++i) {
            const uint32_t cx = range.firstColumn + i, cy = range.firstRow + j;
            const uint32_t texture = t.patches[size_t{cy} * t.columns + cx].texture;
            // A cell naming a texture past the list is drawn without one.
            host->SetCurrentTexture(texture <= count ? texture : 0);
            ScreenVertex q[4] = {corners[size_t{j} * cols + i], corners[size_t{j + 1} * cols + i],
                                 corners[size_t{j + 1} * cols + i + 1], corners[size_t{j} * cols + i + 1]};
            q[0].u = inset, q[0].v = inset + span;
            q[1].u = inset, q[1].v = inset;
            q[2].u = inset + span, q[2].v = inset;
            q[3].u = inset + span, q[3].v = inset + span;
            viewport->DrawPrimitive(kTriangleList, 4, q, 6, indices);
        }
    host->SetCurrentTexture(0);
    return 0;
}

// ---- panel

void LandscapePlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    const bool on = hasLandscape;
    const uint32_t textures = TextureCount();
    const LandscapeRecord& r = grid.record;
    char text[64];
    d.Check(kLandActivate, on);
    d.Check(kLandSolid, displayFlags & 1);
    d.Check(kLandWireframe, displayFlags & 2);
    d.Check(kLandKnots, displayFlags & 4);
    d.Check(kLandTileCenter, tileCenter != 0);
    d.Check(kLandLod, r.lodEnabled != 0);
    d.Check(kLandBrush, brush.on);
    d.Check(kLandMultiTexturing, multiTexturing != 0);
    if (!d.HasFocus(kLandKnotsX)) d.SetInt(kLandKnotsX, static_cast<long>(r.knotsX));
    if (!d.HasFocus(kLandKnotsY)) d.SetInt(kLandKnotsY, static_cast<long>(r.knotsY));
    if (!d.HasFocus(kLandDivX)) d.SetInt(kLandDivX, static_cast<long>(r.knotsPerCellX));
    if (!d.HasFocus(kLandDivY)) d.SetInt(kLandDivY, static_cast<long>(r.knotsPerCellY));
    std::snprintf(text, sizeof text, "%2.3f", static_cast<double>(r.baseHeight));
    d.SetText(kLandBaseHeight, text);
    if (!d.HasFocus(kLandLodValue)) {
        std::snprintf(text, sizeof text, "%1.3f", static_cast<double>(r.lodFactor));
        d.SetText(kLandLodValue, text);
    }
    if (!d.HasFocus(kLandBrushRadius)) {
        std::snprintf(text, sizeof text, "%2.4f", static_cast<double>(brush.radius));
        d.SetText(kLandBrushRadius, text);
    }
    if (!d.HasFocus(kLandBrushPower)) {
        std::snprintf(text, sizeof text, "%2.4f", static_cast<double>(brush.power));
        d.SetText(kLandBrushPower, text);
    }
    if (!d.HasFocus(kLandBlockWidth)) d.SetInt(kLandBlockWidth, blockWidth);
    if (!d.HasFocus(kLandBlockHeight)) d.SetInt(kLandBlockHeight, blockHeight);
    if (!d.HasFocus(kLandKnotHeight)) {
        // The selected knots' height when they all share one.
        std::optional<float> shared;
        bool same = selection.count > 0;
        for (size_t i = 0; same && i < selection.bits.size() && i < grid.heights.size(); ++i)
            if (selection.bits[i]) {
                if (!shared) shared = grid.heights[i];
                else if (*shared != grid.heights[i]) same = false;
            }
        if (same && shared) std::snprintf(text, sizeof text, "%2.3f", static_cast<double>(*shared));
        else text[0] = 0;
        d.SetText(kLandKnotHeight, text);
    }
    d.ResetContent(kLandTextures);
    d.AddString(kLandTextures, "(none)");
    for (uint32_t i = 1; i <= textures; ++i) {
        std::string name = BaseName(host->GetTextureName(i) ? host->GetTextureName(i) : "");
        d.AddString(kLandTextures, name.substr(0, 63));
    }
    d.SetCurrent(kLandTextures, static_cast<int>(std::min(host->pickedTextures[0], textures)));
    for (int id = kLandImportAscii; id <= kLandWraparound; ++id)
        if (id != kLandActivate && d.Has(id)) d.Enable(id, on);
    d.Enable(kLandAddTileable, on && textures >= kTileTextures && !tileCenter);
    d.Enable(kLandTileCenter, on && textures >= kTileTextures);
    for (int id : {kLandRem, kLandRemAll, kLandMultiTexturing}) d.Enable(id, on && textures >= 1);
    for (int id : {kLandBlockWidth, kLandBlockHeight}) d.Enable(id, on && textures >= 1 && multiTexturing);
    d.Enable(kLandLodValue, on && r.lodEnabled);
    d.Enable(kLandBrushRadius, on && brush.on);
    d.Enable(kLandBrushPower, on && brush.on);
    d.Enable(kLandKnotHeight, on && selection.count > 0);
    filling_ = false;
}

void LandscapePlugin::ApplyLeaveField(plat::Dialog& d, int id) {
    const long n = d.Int(id);
    const auto count = static_cast<uint32_t>(std::clamp<long>(n, 0, 100000));
    bool ok = true;
    switch (id) {
        case kLandKnotsX: ok = ResizeKnotsX(grid, selection, count); break;
        case kLandKnotsY: ok = ResizeKnotsY(grid, selection, count); break;
        case kLandDivX: ok = SetDivisionX(grid, count); break;
        case kLandDivY: ok = SetDivisionY(grid, count); break;
        case kLandKnotHeight: TypedHeight(static_cast<float>(d.Float(id))); return;
        default: return;
    }
    if (!ok) plat::ShowMessageBox("Not Enought Mem ...", "Error", plat::MB_OK);
    // The drawn ground follows a new grid shape at once.
    grid.BuildPatches();
    Refresh();
    Redraw();
    RefreshTopDown();
}

void LandscapePlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t code) {
    const bool typed = code == plat::EN_CHANGE && d.HasFocus(id);
    switch (id) {
        case kLandImportAscii: if (code == plat::BN_CLICKED) ImportWhole(true); return;
        case kLandImportDisp: if (code == plat::BN_CLICKED) ImportWhole(false); return;
        case kLandCenterAscii: if (code == plat::BN_CLICKED) ImportCenter(true); return;
        case kLandCenterDisp: if (code == plat::BN_CLICKED) ImportCenter(false); return;
        case kLandAddCenter: AddCenter(); return;
        case kLandAddTileable: AddTileable(); return;
        case kLandTileCenter: SetTiling(d.IsChecked(kLandTileCenter)); return;
        case kLandExport: ExportDialog(); return;
        case kLandActivate:
            if (!hasLandscape) {
                CreateDefaultLandscape();
            } else if (plat::ShowMessageBox("Are you sure you want to discard\nlandscape information ?", "Erase Landscape ?",
                                            plat::MB_OKCANCEL | plat::MB_ICONWARNING) == plat::IDOK) {
                Erase();
            }
            Refresh();
            return;
        case kLandSolid: case kLandWireframe: case kLandKnots:
            displayFlags ^= static_cast<uint16_t>(1u << (id - kLandSolid));
            Redraw();
            return;
        case kLandKnotsX: case kLandKnotsY: case kLandDivX: case kLandDivY:
            if (code == plat::EN_KILLFOCUS) ApplyLeaveField(d, id);
            return;
        case kLandKnotHeight:
            if (typed) ApplyLeaveField(d, id);
            return;
        case kLandFlatten:
            if (plat::ShowMessageBox("Are you sure you want to flatten the landscape ?", "Warning", plat::MB_OKCANCEL) ==
                plat::IDOK) {
                Flatten(grid);
                grid.BuildPatches();
                Redraw();
                BroadcastBounds();
            }
            return;
        case kLandTextures:
            if (code == plat::CBN_SELCHANGE) SetCurrentTexture(static_cast<uint32_t>(std::max(0, d.Current(id))), 0, true);
            return;
        case kLandRem: case kLandRemAll: {
            const bool keep = plat::ShowMessageBox("Do you want to remove texture instance from the landscape ?", "",
                                                   plat::MB_YESNO) == plat::IDNO;
            keepTextureInstances = keep;
            if (id == kLandRemAll) {
                host->DeleteAllTextures();
                if (!keep) FillCells(grid, 0, false), grid.RefreshPatchTextures();
            } else if (host->pickedTextures[0] != 0) {
                host->DeleteTexture(host->pickedTextures[0], 0);
            }
            keepTextureInstances = false;
            Refresh();
            Redraw();
            return;
        }
        case kLandLod: grid.record.lodEnabled = d.IsChecked(id) ? 1 : 0; Refresh(); Redraw(); return;
        case kLandLodValue:
            if (code == plat::EN_CHANGE) grid.record.lodFactor = static_cast<float>(d.Float(id)), Redraw();
            return;
        case kLandBrush: brush.on = d.IsChecked(id); Refresh(); return;
        case kLandBrushRadius: if (typed) brush.radius = static_cast<float>(d.Float(id)); return;
        case kLandBrushPower: if (typed) brush.power = static_cast<float>(d.Float(id)); return;
        case kLandBlockWidth: if (typed) blockWidth = static_cast<int32_t>(d.Int(id)); return;
        case kLandBlockHeight: if (typed) blockHeight = static_cast<int32_t>(d.Int(id)); return;
        case kLandMultiTexturing: multiTexturing = d.IsChecked(id) ? 1 : 0; Refresh(); return;
        case kLandSize: SizeDialog(); return;
        case kLandUp: Rotate(Rotate::Up); return;
        case kLandDown: Rotate(Rotate::Down); return;
        case kLandLeft: Rotate(Rotate::Left); return;
        case kLandRight: Rotate(Rotate::Right); return;
        case kLandWraparound:
            Wraparound(grid, 25, [this](const char* text) { host->SetStatusText(text); });
            host->SetStatusReady();
            grid.BuildPatches();
            Redraw();
            return;
        default: return;
    }
}

void LandscapePlugin::TypedHeight(float h) {
    if (typing_ || selection.lastPicked < 0 || brush.on || !hasLandscape) return;
    typing_ = true;
    // Every selected knot takes the height, followed by one bounds broadcast.
    for (size_t i = 0; i < selection.bits.size() && i < grid.heights.size(); ++i)
        if (selection.bits[i]) grid.heights[i] = h;
    grid.BuildPatches();
    if (selection.count > 1) BroadcastBounds();
    Redraw();
    typing_ = false;
}

void LandscapePlugin::SizeDialog() {
    plat::DialogTemplate t;
    t.title = "New Landscape Size";
    t.width = 220;
    t.height = 130;
    const char* labels[4] = {"X Min", "X Max", "Y Min", "Y Max"};
    for (int i = 0; i < 4; ++i) {
        t.controls.push_back({ControlKind::Static, -1, labels[i], 8, 8 + 22 * i, 60, 16});
        t.controls.push_back({ControlKind::Edit, kSizeXMin + i, "", 70, 8 + 22 * i, 100, 16});
    }
    t.controls.push_back({ControlKind::Button, plat::kIdOk, "OK", 30, 100, 60, 18, plat::kStyleDefault});
    t.controls.push_back({ControlKind::Button, plat::kIdCancel, "Cancel", 110, 100, 60, 18});
    float values[4] = {grid.record.bounds[0], grid.record.bounds[3], grid.record.bounds[1], grid.record.bounds[4]};
    const intptr_t r = plat::RunModal(t, [&values](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == plat::WM_INITDIALOG) {
            for (int i = 0; i < 4; ++i) d.SetFloat(kSizeXMin + i, values[i], "%.2f");
            return 1;
        }
        if (msg != plat::WM_COMMAND) return 0;
        const int id = plat::LowWord(w);
        if (id >= kSizeXMin && id <= kSizeYMax && plat::HighWord(w) == plat::EN_CHANGE)
            values[id - kSizeXMin] = static_cast<float>(d.Float(id));
        else if (id == plat::kIdOk || id == plat::kIdCancel)
            d.End(id);
        return 1;
    });
    if (r != plat::kIdOk) return;
    // A box that is empty or not finite would give no spacing: such values are not taken.
    const bool usable = std::isfinite(values[0]) && std::isfinite(values[1]) && std::isfinite(values[2]) &&
                        std::isfinite(values[3]) && values[1] > values[0] && values[3] > values[2];
    if (hasLandscape && usable) {
        grid.record.bounds[0] = values[0], grid.record.bounds[3] = values[1];
        grid.record.bounds[1] = values[2], grid.record.bounds[4] = values[3];
        grid.UpdateSpacing();
        grid.BuildPatches();
    }
    BroadcastBounds();
    Redraw();
}

// ---- imports and export

bool LandscapePlugin::ConfirmErase() {
    return plat::ShowMessageBox("Are you sure you want to discard\nlandscape information ?", "Erase Landscape ?",
                                plat::MB_OKCANCEL | plat::MB_ICONWARNING) == plat::IDOK;
}

std::optional<std::vector<float>> LandscapePlugin::ReadSource(bool ascii, uint32_t n) {
    plat::FileRequest request;
    request.folder = ".";
    if (ascii) {
        request.title = "Import landscape as ascii...";
        request.filters = {{"Text (*.txt)", "*.TXT"}};
        request.defaultExtension = "TXT";
    } else {
        request.title = "Import landscape as displacement map...";
        request.filters = {{"Bitmap (*.bmp)", "*.BMP"}};
        request.defaultExtension = "BMP";
    }
    const std::vector<std::string> files = plat::OpenFileChooser(request);
    if (files.empty()) return std::nullopt;
    char text[160];
    if (ascii) {
        host->SetStatusText("Opening ascii file...");
        const std::optional<AsciiHeights> read = ParseAsciiHeights(ReadWholeFile(files[0]));
        if (!read) return std::nullopt;
        if (read->knotsX != n || read->knotsY != n) {
            std::snprintf(text, sizeof text, "World must be %ix%i knots\nSelected world is %ix%i knots\n", static_cast<int>(n),
                          static_cast<int>(n), static_cast<int>(read->knotsX), static_cast<int>(read->knotsY));
            plat::ShowMessageBox(text, "Error", plat::MB_OK | plat::MB_ICONWARNING);
            return std::nullopt;
        }
        return read->values;
    }
    host->SetStatusText("Opening displacement map...");
    const std::optional<Dib> bitmap = LoadBitmapFile(files[0]);
    if (!bitmap) return std::nullopt;
    if (bitmap->Width() != static_cast<int32_t>(n) || bitmap->Height() != static_cast<int32_t>(n)) {
        std::snprintf(text, sizeof text, "Bitmap must be %ix%i\nSelected bitmap is %ix%i\n", static_cast<int>(n),
                      static_cast<int>(n), static_cast<int>(bitmap->Width()), static_cast<int>(bitmap->Height()));
        plat::ShowMessageBox(text, "Error", plat::MB_OK | plat::MB_ICONWARNING);
        return std::nullopt;
    }
    const float maximum = AskMaximumHeight();
    if (maximum == 0.0f) return std::nullopt;
    return DisplacementHeights(*bitmap, maximum);
}

void LandscapePlugin::ApplyWholeWorld(const std::vector<float>& values) {
    CreateDefaultLandscape();
    if (!hasLandscape || values.size() != grid.heights.size()) return;
    grid.heights = values;
    Wraparound(grid, 25, [this](const char* text) { host->SetStatusText(text); });
    BroadcastBounds();
    Refresh();
    RefreshTopDown();
    Redraw();
}

void LandscapePlugin::ImportWhole(bool ascii) {
    if (!ConfirmErase()) return;
    const std::optional<std::vector<float>> values = ReadSource(ascii, kWholeWorldKnots);
    host->SetStatusText("Updating mesh...");
    if (values) ApplyWholeWorld(*values);
    host->SetStatusReady();
    grid.BuildPatches();
}

void LandscapePlugin::ImportCenter(bool ascii) {
    if (!ConfirmErase()) return;
    const std::optional<std::vector<float>> values = ReadSource(ascii, kCenterKnots);
    if (values) {
        host->SetStatusText("Imprinting into center of world...");
        // The imprint's 3 x 3 blocks must lie inside the grid on both axes.
        if (!ImprintCenter(grid, *values, kCenterKnots, kCenterBlend)) {
            char text[160];
            std::snprintf(text, sizeof text, "Landscape must be at least %ix%i knots to imprint its center\n", 721, 721);
            plat::ShowMessageBox(text, "Error", plat::MB_OK | plat::MB_ICONWARNING);
        }
        Refresh();
        RefreshTopDown();
        Redraw();
    }
    host->SetStatusReady();
    grid.BuildPatches();
}

void LandscapePlugin::ExportDialog() {
    plat::FileRequest request;
    request.title = "Export landscape ...";
    request.filters = {{"Text (*.txt)", "*.TXT"}, {"All Files (*.*)", "*.*"}};
    request.defaultExtension = "TXT";
    request.folder = ".";
    request.promptOverwrite = false;
    const std::string path = plat::SaveFileChooser(request);
    if (path.empty()) return;
    if (!ExportTo(path)) plat::ShowMessageBox("Can't write " + path, "Error", plat::MB_OK | plat::MB_ICONWARNING);
}

bool LandscapePlugin::ExportTo(const std::string& path) {
    const std::string text = ExportText(grid);
    // Written beside the target and renamed over it, so a failed export leaves the old file whole.
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "w+b");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

// ---- textures

int32_t LandscapePlugin::SetCurrentTexture(uint32_t t, uint32_t stage, bool announce) {
    if (stage >= 8 || host->pickedTextures[stage] == t) return 0;
    if (t > TextureCount()) return Result(kResultBadIndex);
    if (announce) {
        TexturePickedRecord record{host, t, stage};
        host->bus->Broadcast(nullptr, kKindResources, kMsgTexturePicked, reinterpret_cast<MsgArg>(&record), 0);
    }
    host->pickedTextures[stage] = t;
    if (panel() && stage == 0) {
        filling_ = true;
        panel()->SetCurrent(kLandTextures, static_cast<int>(t));
        filling_ = false;
    }
    return 0;
}

int32_t LandscapePlugin::RemoveInstances(uint32_t t) {
    if (t == 0) return Result(kResultBadIndex);
    RemoveTextureInstances(grid, t, &host->pickedTextures[0]);
    grid.RefreshPatchTextures();
    RefreshTopDown();
    Refresh();
    Redraw();
    return 0;
}

void LandscapePlugin::AfterTextureGridChange() {
    grid.RefreshPatchTextures();
    Redraw();
    RefreshTopDown();
}

void LandscapePlugin::Fill(bool onlyEmpty) {
    FillCells(grid, static_cast<uint16_t>(host->pickedTextures[0]), onlyEmpty);
    AfterTextureGridChange();
}

void LandscapePlugin::Rotate(qv::Rotate direction) {
    RotateCells(grid, direction);
    AfterTextureGridChange();
}

void LandscapePlugin::SetTiling(bool on) {
    tileCenter = on ? 1 : 0;
    const uint32_t count = TextureCount();
    host->SetStatusText("Tiling texture...");
    if (on && count >= kTileTextures) LayTiling(grid);
    else if (!on && count > kTileTextures) LayFrame(grid, static_cast<uint16_t>(kTileTextures + 1));
    Refresh();
    AfterTextureGridChange();
    grid.BuildPatches();
    host->SetStatusReady();
}

void LandscapePlugin::AddTileable() {
    plat::FileRequest request;
    request.title = "Select 255x255 texture";
    request.filters = {{"Bitmaps (*.bmp)", "*.BMP"}};
    const std::vector<std::string> files = plat::OpenFileChooser(request);
    if (files.empty()) return;
    host->SetStatusText("Loading texture...");
    const std::optional<Dib> picture = LoadBitmapFile(files[0]);
    if (!picture || picture->Width() != 255 || picture->Height() != 255) {
        plat::ShowMessageBox("Must be 255x255 BMP", "Error", plat::MB_OK | plat::MB_ICONWARNING);
        host->SetStatusReady();
        return;
    }
    const Dib wide = WidenTileable(*picture);
    if (TextureCount() > kTileTextures) host->DeleteTexture(kTileTextures + 1, 0);
    const std::vector<uint8_t> bytes = TextureBytes(wide);
    uint32_t index = 0;
    host->AddTextureFromMemory("tilable", &wide.header, bytes.data(), &index);
    // The frame is laid with the texture just added, wherever it landed in the list.
    tileCenter = 0;
    if (index != 0) LayFrame(grid, static_cast<uint16_t>(index));
    Refresh();
    AfterTextureGridChange();
    grid.BuildPatches();
    host->SetStatusReady();
}

void LandscapePlugin::AddCenter() {
    plat::FileRequest request;
    request.title = "Select 2041x2041x256 texture";
    request.filters = {{"Bitmaps (*.bmp)", "*.BMP"}};
    const std::vector<std::string> files = plat::OpenFileChooser(request);
    if (files.empty()) return;
    host->SetStatusText("Loading texture...");
    const std::optional<Dib> picture = LoadBitmapFile(files[0]);
    if (!picture || picture->Width() != 2041 || picture->Height() != 2041 || picture->header.bitCount != 8) {
        plat::ShowMessageBox("Must be 2041x2041x256 BMP", "Error", plat::MB_OK | plat::MB_ICONWARNING);
        host->SetStatusReady();
        return;
    }
    size_t probe = 0;
    if (!CenterCell(grid, 7, 7, &probe)) {
        plat::ShowMessageBox("The landscape needs at least 24x24 texture cells for a center texture", "Error",
                             plat::MB_OK | plat::MB_ICONWARNING);
        host->SetStatusReady();
        return;
    }
    host->SetStatusText("Chopping texture...");
    const std::string base = BaseName(files[0]);
    int m = 0;
    for (uint32_t k = 1; k <= kTileTextures; ++k) {
        const uint32_t pr = (k - 1) / 8, pc = (k - 1) % 8;
        const Dib piece = CutPiece(*picture, pr, pc);
        char name[300];
        do {
            std::snprintf(name, sizeof name, "Auto %s #%d", base.c_str(), m++);
        } while (host->FindTexture(name) > 0);
        const std::vector<uint8_t> bytes = TextureBytes(piece);
        if (k <= TextureCount()) host->ReplaceTextureFromMemory(name, &piece.header, bytes.data(), k);
        else host->AddTextureFromMemory(name, &piece.header, bytes.data(), nullptr);
        size_t cell = 0;
        if (CenterCell(grid, pr, pc, &cell)) grid.cells[cell] = static_cast<uint16_t>(k);
    }
    Refresh();
    AfterTextureGridChange();
    grid.BuildPatches();
    host->SetStatusReady();
}

}  // namespace qv
