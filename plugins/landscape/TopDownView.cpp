#include "plugins/landscape/TopDownView.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/dialogs/Bitmap.h"
#include "plugins/landscape/LandscapePlugin.h"

namespace qv {

namespace {

constexpr uint32_t kTriangleList = 4, kLineList = 2;
constexpr float kMinZoom = 2.0f, kMaxZoom = 80.0f;

// A pipette: a dark diagonal with a white tip, so that picking looks unlike painting.
QvCursor PickCursor() {
    std::vector<uint8_t> rgba(16 * 16 * 4, 0);
    for (int i = 0; i < 14; ++i)
        for (int t = -1; t <= 1; ++t) {
            const int x = i + t, y = 15 - i;
            if (x < 0 || x > 15) continue;
            uint8_t* p = &rgba[(static_cast<size_t>(y) * 16 + x) * 4];
            const uint8_t c = i < 3 ? 255 : 32;
            p[0] = p[1] = p[2] = c;
            p[3] = 255;
        }
    return reinterpret_cast<QvCursor>(plat::CreateCursor(16, 16, rgba.data(), 0, 15));
}

}  // namespace

int32_t TopDownPort::OnMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg) {
    return view_->OnPortMessage(sender, code, arg);
}

TopDownView::TopDownView(LandscapePlugin* owner, Viewport* viewport) : owner_(owner), viewport_(viewport), port_(this) {}

TopDownView::~TopDownView() {
    if (cursor_) plat::DeleteCursor(reinterpret_cast<plat::Cursor*>(cursor_));
}

PluginView* TopDownView::Create(Viewport* viewport) {
    if (owner_->liveView) return nullptr;
    auto* view = new TopDownView(owner_, viewport);
    // A new view starts over the landscape's centre at the widest zoom.
    const LandscapeRecord& r = owner_->grid.record;
    view->panX = (r.XMin() + r.XMax()) / 2.0f;
    view->panY = (r.YMin() + r.YMax()) / 2.0f;
    view->zoom = kMinZoom;
    if (owner_->host && owner_->host->bus) owner_->host->bus->Register(&view->port_);
    owner_->liveView = view;
    return view;
}

int32_t TopDownView::Destroy() {
    if (this != owner_->liveView || !viewport_) return Result(kResultNotLiveView);
    if (owner_->host && owner_->host->bus) owner_->host->bus->Unregister(&port_);
    owner_->liveView = nullptr;
    delete this;
    return 0;
}

QvMenu TopDownView::GetMenu() {
    menu_ = plat::Menu();
    menu_.Append(kFillAll, "Fill All");
    menu_.Append(kFillEmpty, "Fill Empty");
    return reinterpret_cast<QvMenu>(&menu_);
}

int32_t TopDownView::OnCommand(int32_t id) {
    if (id == kFillAll) owner_->Fill(false);
    else if (id == kFillEmpty) owner_->Fill(true);
    return 0;
}

QvCursor TopDownView::GetCursor(int32_t, int32_t, uint32_t, uint32_t control) {
    if (!control) return nullptr;
    if (!cursor_) cursor_ = PickCursor();
    return cursor_;
}

bool TopDownView::Clamp() {
    const LandscapeRecord& r = owner_->grid.record;
    const float x = std::clamp(panX, r.XMin(), std::max(r.XMin(), r.XMax()));
    const float y = std::clamp(panY, r.YMin(), std::max(r.YMin(), r.YMax()));
    const float z = std::clamp(zoom, kMinZoom, kMaxZoom);
    // NaN never compares equal: it is replaced by the limit too.
    const bool moved = !(x == panX && y == panY && z == zoom);
    panX = std::isfinite(x) ? x : r.XMin();
    panY = std::isfinite(y) ? y : r.YMin();
    zoom = std::isfinite(z) ? z : kMinZoom;
    if (moved && viewport_) viewport_->Invalidate(0);
    return moved;
}

TopDownView::Mapping TopDownView::Map() {
    int32_t w = 0, h = 0;
    if (viewport_) viewport_->GetSize(&w, &h);
    const LandscapeRecord& r = owner_->grid.record;
    const float W = static_cast<float>(w), H = static_cast<float>(h);
    const float cellWorldX = static_cast<float>(r.knotsPerCellX) * r.knotSpacingX;
    const float cellWorldY = static_cast<float>(r.knotsPerCellY) * r.knotSpacingY;
    const float cw = W * zoom * 0.01f;
    const float p = cellWorldX > 0.0f ? cw / cellWorldX : 0.0f;
    const float ch = -cw * ((r.YMax() - r.YMin()) / (r.XMax() - r.XMin())) * (cellWorldY / cellWorldX);
    // The pan is a world point, measured from the grid's first corner, so that the whole grid can be
    // brought to the centre within the pan's limits (the landscape's bounds).
    return Mapping{W / 2.0f - p * (panX - r.XMin()), p * (panY - r.YMin()) + H / 2.0f, cw, ch};
}

bool TopDownView::CellAt(int32_t x, int32_t y, uint32_t* column, uint32_t* row) {
    const Mapping m = Map();
    if (!(m.cw != 0.0f) || !(m.ch != 0.0f)) return false;
    // floor, not truncation: a press up to a cell left of or above the grid is outside it.
    const double c = std::floor((static_cast<double>(x) - m.left) / m.cw);
    const double r = std::floor((static_cast<double>(y) - m.top) / m.ch);
    const LandscapeRecord& rec = owner_->grid.record;
    if (!(c >= 0.0 && r >= 0.0 && c < rec.cellsX && r < rec.cellsY)) return false;
    *column = static_cast<uint32_t>(c);
    *row = static_cast<uint32_t>(r);
    return true;
}

void TopDownView::Press(const MousePress& press) {
    painting = 1;
    LandscapeGrid& g = owner_->grid;
    uint32_t column = 0, row = 0;
    if (!owner_->hasLandscape || !CellAt(press.x, press.y, &column, &row)) return;
    const size_t cell = size_t{row} * g.record.cellsX + column;
    PluginHost* host = owner_->host;
    if (press.control) {
        owner_->SetCurrentTexture(g.cells[cell], 0, true);
        return;
    }
    const uint32_t current = host->pickedTextures[0];
    if (owner_->multiTexturing) {
        // Cells whose block texture would be past the list keep what they have.
        const uint32_t count = static_cast<uint32_t>(std::max(0, host->GetTextureCount()));
        for (int32_t k = 0; k < owner_->blockHeight; ++k)
            for (int32_t j = 0; j < owner_->blockWidth; ++j) {
                const uint64_t r = uint64_t{row} + static_cast<uint64_t>(k), c = uint64_t{column} + static_cast<uint64_t>(j);
                if (r >= g.record.cellsY || c >= g.record.cellsX) continue;
                const uint64_t t = static_cast<uint64_t>(k) * static_cast<uint64_t>(owner_->blockWidth) + current + static_cast<uint64_t>(j);
                if (t > count) continue;
                g.cells[r * g.record.cellsX + c] = static_cast<uint16_t>(t);
            }
    } else {
        g.cells[cell] = static_cast<uint16_t>(current);
    }
    g.RefreshPatchTextures();
    if (viewport_) {
        viewport_->Invalidate(0);
        viewport_->RedrawAll(0);
    }
}

int32_t TopDownView::OnPortMessage(Port* sender, uint32_t code, MsgArg arg) {
    switch (code) {
        case kMsgNavigateTranslate: {
            const auto* v = reinterpret_cast<const float*>(arg);
            if (!v) return 0;
            panX -= v[0];
            panY += v[2];
            zoom -= v[1] * 0.3f;
            Clamp();
            if (viewport_) viewport_->Invalidate(0);
            return 0;
        }
        case kMsgSelectPress:
            if (arg) Press(*reinterpret_cast<const MousePress*>(arg));
            return 0;
        case kMsgSelectRelease: painting = 0; return 0;
        case kMsgWorldBoundsChanged:
            if (sender) sender->OnMessage(&port_, kMsgViewRedrawRequest, 0, 0);
            return 0;
        default: return 0;
    }
}

int32_t TopDownView::Draw() {
    if (!viewport_ || !owner_->hasLandscape) return 0;
    Clamp();
    const LandscapeGrid& g = owner_->grid;
    PluginHost* host = owner_->host;
    const Mapping m = Map();
    const uint32_t count = static_cast<uint32_t>(std::max(0, host->GetTextureCount()));
    const uint16_t quad[6] = {0, 1, 2, 1, 3, 2};
    const uint16_t outline[8] = {0, 1, 1, 3, 3, 2, 2, 0};
    int32_t w = 0, h = 0;
    viewport_->GetSize(&w, &h);
    for (uint32_t i = 0; i < g.record.cellsY; ++i) {
        const float y0 = m.top + static_cast<float>(i) * m.ch, y1 = y0 + m.ch;
        if (std::max(y0, y1) < 0.0f || std::min(y0, y1) > static_cast<float>(h)) continue;
        for (uint32_t j = 0; j < g.record.cellsX; ++j) {
            const float x0 = m.left + static_cast<float>(j) * m.cw, x1 = x0 + m.cw;
            if (x1 < 0.0f || x0 > static_cast<float>(w)) continue;
            ScreenVertex v[4] = {{x0, y1, 0.5f, 1.0f, 0xFFFFFFFF, 0xFF000000, 0, 0},
                                 {x1, y1, 0.5f, 1.0f, 0xFFFFFFFF, 0xFF000000, 1, 0},
                                 {x0, y0, 0.5f, 1.0f, 0xFFFFFFFF, 0xFF000000, 0, 1},
                                 {x1, y0, 0.5f, 1.0f, 0xFFFFFFFF, 0xFF000000, 1, 1}};
            const uint16_t t = g.cells[size_t{i} * g.record.cellsX + j];
            // A cell naming a texture past the list is drawn as empty.
            if (t != 0 && t <= count) {
                host->SetCurrentTexture(t);
                viewport_->DrawPrimitive(kTriangleList, 4, v, 6, quad);
            }
            host->SetCurrentTexture(0);
            for (ScreenVertex& c : v) c.sz = 0.1f;
            viewport_->DrawPrimitive(kLineList, 4, v, 8, outline);
        }
    }
    return 0;
}

}  // namespace qv
