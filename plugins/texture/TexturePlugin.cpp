#include "plugins/texture/TexturePlugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/dialogs/Modal.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int32_t {
    kAddTexture = 60000, kReplaceTexture = 60001, kRemoveTexture = 60002, kReplaceAlpha = 60003,
    kRemoveAlpha = 60004, kOptions = 60005, kFirstPlugin = 60006,
};
enum : int { kOptNames = 1002, kOptSizes = 1003, kOptList = 1004, kOptPalette = 1005, kOptById = 1007,
             kOptByName = 1008, kOptBySize = 1009, kOptCorrect = 1010, kOptOk = 1000, kOptCancel = 1001 };
constexpr uint32_t kTriangleList = 4, kLineList = 2;
constexpr int32_t kGap = 4, kMinCell = 32, kMaxCell = 1024;

// The name after the last backslash (or slash).
std::string ShortName(const char* name) {
    std::string s = name ? name : "";
    const size_t cut = s.find_last_of("\\/");
    return cut == std::string::npos ? s : s.substr(cut + 1);
}

ScreenVertex Corner(float x, float y, float u, float v, uint32_t colour) {
    return ScreenVertex{x - 0.5f, y - 0.5f, 0.0001f, 1.0f, colour, 0, u, v};
}

}  // namespace

int32_t TextureViewPort::OnMessage(Port*, uint32_t code, MsgArg arg, MsgArg) { return view_->OnPortMessage(code, arg); }

TextureView::TextureView(EditorPlugin* owner, Viewport* viewport) : owner_(owner), viewport_(viewport), port_(this) {}

TextureView::~TextureView() = default;

PluginView* TextureView::Create(Viewport* viewport) {
    auto* view = new TextureView(owner_, viewport);
    if (owner_->host && owner_->host->bus) owner_->host->bus->Register(&view->port_);
    return view;
}

int32_t TextureView::Destroy() {
    if (this == owner_->GetView(0)) return 0;  // the prototype lives as long as the library
    if (owner_->host && owner_->host->bus) owner_->host->bus->Unregister(&port_);
    delete this;
    return 0;
}

void TextureView::TakeSelection() {
    // The selection follows the viewed host's current texture; kept within the list, which may have
    // lost textures since.
    if (!viewed) {
        selected = -1;
        return;
    }
    const int32_t picked = static_cast<int32_t>(viewed->host->pickedTextures[0]) - 1;
    selected = picked >= 0 && picked < static_cast<int32_t>(items.size()) ? picked : -1;
}

void TextureView::Rebuild() {
    items.clear();
    maxWidth = maxHeight = 0;
    if (viewed) {
        PluginHost* h = viewed->host;
        const int32_t count = h->GetTextureCount();
        for (int32_t i = 0; i < count; ++i) {
            TextureItem item{static_cast<uint32_t>(i), ShortName(h->GetTextureName(static_cast<uint32_t>(i + 1))), 0, 0};
            h->GetTextureSize(static_cast<uint32_t>(i + 1), &item.width, &item.height);
            maxWidth = std::max(maxWidth, item.width);
            maxHeight = std::max(maxHeight, item.height);
            items.push_back(item);
        }
        std::stable_sort(items.begin(), items.end(), [this](const TextureItem& a, const TextureItem& b) {
            switch (options.sortBy) {
                case 1: return a.name < b.name;
                case 2: return uint64_t{a.width} * a.height < uint64_t{b.width} * b.height;
                default: return a.index < b.index;
            }
        });
    }
    TakeSelection();
    scroll = std::clamp(scroll, 0.0f, static_cast<float>(ScrollMaximum()));
}

void TextureView::Thumb(const TextureItem& item, int32_t* w, int32_t* h) const {
    if (options.correctSize) {
        *w = static_cast<int32_t>(item.width);
        *h = static_cast<int32_t>(item.height);
        return;
    }
    if (item.width == 0 || item.height == 0) {
        *w = *h = 0;
        return;
    }
    if (item.width >= item.height) {
        *w = cellSize;
        *h = static_cast<int32_t>(static_cast<uint64_t>(cellSize) * item.height / item.width);
    } else {
        *h = cellSize;
        *w = static_cast<int32_t>(static_cast<uint64_t>(cellSize) * item.width / item.height);
    }
}

CellRect TextureView::Cell(size_t i) const {
    int32_t vw = 0, vh = 0;
    viewport_->GetSize(&vw, &vh);
    int32_t w, h;
    Thumb(items[i], &w, &h);
    const int32_t top = static_cast<int32_t>(scroll);
    if (options.display == 1) {
        const int32_t across = options.correctSize ? static_cast<int32_t>(maxWidth) : cellSize;
        const int32_t down = options.correctSize ? static_cast<int32_t>(maxHeight) : cellSize;
        const int32_t columns = std::max(1, (vw - kGap) / (across + kGap));
        const int32_t x = (across + kGap) * static_cast<int32_t>(i % static_cast<size_t>(columns)) + kGap;
        const int32_t y = (down + kGap) * static_cast<int32_t>(i / static_cast<size_t>(columns)) + kGap - top;
        return {x, y, x + w, y + h};
    }
    int32_t y = kGap - top;
    for (size_t k = 0; k < i; ++k) {
        int32_t kw, kh;
        Thumb(items[k], &kw, &kh);
        y += std::max(kh, kMinCell) + kGap;
    }
    const int32_t x = static_cast<int32_t>(static_cast<float>(vw) * 0.1f);
    return {x, y, x + w, y + h};
}

int32_t TextureView::ScrollMaximum() const {
    int32_t vw = 0, vh = 0;
    viewport_->GetSize(&vw, &vh);
    const int64_t count = static_cast<int64_t>(items.size());
    int64_t height;
    if (options.display == 1) {
        const int32_t across = options.correctSize ? static_cast<int32_t>(maxWidth) : cellSize;
        const int32_t down = options.correctSize ? static_cast<int32_t>(maxHeight) : cellSize;
        const int64_t columns = std::max(1, (vw - kGap) / (across + kGap));
        const int64_t rows = (count + columns - 1) / columns;
        height = kGap * (rows + 1) + rows * down;
    } else {
        height = kGap * (count + 1);
        if (options.correctSize)
            for (const TextureItem& item : items) height += item.height;
        else
            height += count * cellSize;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(height - vh, 0, INT32_MAX));
}

int32_t TextureView::Draw() {
    TakeSelection();
    if (!viewed) return 0;
    PluginHost* host = viewed->host;
    int32_t vw = 0, vh = 0;
    viewport_->GetSize(&vw, &vh);
    const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
    for (size_t i = 0; i < items.size(); ++i) {
        const CellRect r = Cell(i);
        if (r.top > vh) break;  // every later row lies lower still
        const auto l = static_cast<float>(r.left), t = static_cast<float>(r.top), rr = static_cast<float>(r.right),
                   b = static_cast<float>(r.bottom);
        host->SetCurrentTexture(items[i].index + 1);
        const ScreenVertex v[4] = {Corner(l, t, 0, 0, 0xFFFFFFFF), Corner(rr, t, 1, 0, 0xFFFFFFFF),
                                   Corner(rr, b, 1, 1, 0xFFFFFFFF), Corner(l, b, 0, 1, 0xFFFFFFFF)};
        viewport_->DrawPrimitive(kTriangleList, 4, v, 6, quad);
        if (static_cast<int32_t>(i) == selected) {
            host->SetCurrentTexture(0);
            const float fl = l - 4, ft = t - 4, fr = rr + 4, fb = b + 4;
            const uint32_t red = 0xFFFF0000;
            const ScreenVertex f[8] = {Corner(fl, ft, 0, 0, red), Corner(fr, ft, 0, 0, red), Corner(fr, ft, 0, 0, red),
                                       Corner(fr, fb, 0, 0, red), Corner(fr, fb, 0, 0, red), Corner(fl, fb, 0, 0, red),
                                       Corner(fl, fb, 0, 0, red), Corner(fl, ft, 0, 0, red)};
            const uint16_t lines[8] = {0, 1, 2, 3, 4, 5, 6, 7};
            viewport_->DrawPrimitive(kLineList, 8, f, 8, lines);
        }
        if (options.display == 0 && (options.showNames || options.showSizes)) {
            QvDC dc = nullptr;
            if (viewport_->GetDrawingContext(&dc) == 0 && dc) {
                dc->SetTextColor(0x00FFFFFF);
                dc->SetBkMode(1);
                if (options.showNames) dc->TextOut(r.right + 4, r.top, items[i].name.c_str(), -1);
                if (options.showSizes) {
                    char size[48];
                    std::snprintf(size, sizeof size, "w %u h %u", items[i].width, items[i].height);
                    dc->TextOut(r.right + 4, r.top + 16, size, -1);
                }
                viewport_->ReleaseDrawingContext(dc);
            }
        }
    }
    return 0;
}

QvMenu TextureView::GetMenu() {
    menu_ = plat::Menu();
    menu_.Append(kAddTexture, "Add Texture").grayed = viewed == nullptr;
    for (int32_t id : {kReplaceTexture, kRemoveTexture, kReplaceAlpha, kRemoveAlpha})
        menu_.Append(id, id == kReplaceTexture ? "Replace Texture" : id == kRemoveTexture ? "Remove Texture"
                         : id == kReplaceAlpha ? "Replace Alpha" : "Remove Alpha").grayed = selected < 0;
    menu_.Append(kOptions, "Options...");
    menu_.AppendSeparator();
    PluginHost* host = owner_->host;
    const int32_t count = host ? host->GetPluginCount() : 0;
    char text[300];
    std::snprintf(text, sizeof text, "%d plugins", count);
    menu_.Append(0, text).inert = true;
    for (int32_t i = 0; i < count; ++i) {
        EditorPlugin* p = host->GetPlugin(i);
        if (!p) continue;
        std::snprintf(text, sizeof text, "%s %d", p->GetName(), p->host ? p->host->GetTextureCount() : 0);
        menu_.Append(kFirstPlugin + i, text).checked = p == viewed;
    }
    return reinterpret_cast<QvMenu>(&menu_);
}

int32_t TextureView::OnCommand(int32_t id) {
    PluginHost* h = viewed ? viewed->host : nullptr;
    const uint32_t index = static_cast<uint32_t>(selected + 1);
    uint32_t added = 0;
    if (id == kOptions) {
        OptionsDialog();
    } else if (id >= kFirstPlugin) {
        EditorPlugin* p = owner_->host->GetPlugin(id - kFirstPlugin);
        if (p) viewed = p;
        Rebuild();
    } else if (h) {
        switch (id) {
            case kAddTexture: h->LoadTextureDialog(&added); break;
            case kReplaceTexture: if (selected >= 0) h->ReplaceTextureDialog(index); break;
            case kRemoveTexture: if (selected >= 0) h->DeleteTexture(index, 0); break;
            case kReplaceAlpha: if (selected >= 0) h->InsertAlphaDialog(index); break;
            case kRemoveAlpha: if (selected >= 0) h->RemoveAlpha(index); break;
            default: return 0;
        }
        Rebuild();
    }
    viewport_->Invalidate(0);
    return 0;
}

void TextureView::OptionsDialog() {
    plat::DialogTemplate t;
    t.title = "Texture View Options";
    t.width = 260;
    t.height = 200;
    t.controls = {
        {ControlKind::CheckBox, kOptCorrect, "Correct Size", 8, 8, 120, 18},
        {ControlKind::GroupBox, -1, "Display", 8, 32, 116, 120},
        {ControlKind::Radio, kOptList, "List", 14, 50, 100, 18, plat::kStyleGroup},
        {ControlKind::CheckBox, kOptNames, "Names", 28, 70, 90, 18},
        {ControlKind::CheckBox, kOptSizes, "Sizes", 28, 90, 90, 18},
        {ControlKind::Radio, kOptPalette, "Palette", 14, 112, 100, 18},
        {ControlKind::GroupBox, -1, "Sort By", 132, 32, 120, 90},
        {ControlKind::Radio, kOptById, "Identifiers", 138, 50, 110, 18, plat::kStyleGroup},
        {ControlKind::Radio, kOptByName, "Names", 138, 70, 110, 18},
        {ControlKind::Radio, kOptBySize, "Sizes", 138, 90, 110, 18},
        {ControlKind::Button, kOptOk, "OK", 96, 166, 70, 22, plat::kStyleDefault},
        {ControlKind::Button, kOptCancel, "Cancel", 176, 166, 70, 22},
    };
    TextureViewOptions copy = options;
    const intptr_t result = plat::RunModal(t, [&copy](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        auto show = [&] {
            d.Check(kOptCorrect, copy.correctSize != 0);
            d.Check(kOptNames, copy.showNames != 0);
            d.Check(kOptSizes, copy.showSizes != 0);
            d.CheckRadio(kOptList, kOptPalette, copy.display == 0 ? kOptList : kOptPalette);
            d.CheckRadio(kOptById, kOptBySize, kOptById + static_cast<int>(copy.sortBy > 2 ? 0 : copy.sortBy));
            d.Enable(kOptNames, copy.display == 0);
            d.Enable(kOptSizes, copy.display == 0);
        };
        if (msg == plat::WM_INITDIALOG) {
            show();
            return 1;
        }
        if (msg != plat::WM_COMMAND) return 0;
        switch (plat::LowWord(w)) {
            case kOptCorrect: copy.correctSize = d.IsChecked(kOptCorrect); break;
            case kOptNames: copy.showNames = d.IsChecked(kOptNames); break;
            case kOptSizes: copy.showSizes = d.IsChecked(kOptSizes); break;
            case kOptList: copy.display = 0; break;
            case kOptPalette: copy.display = 1; break;
            case kOptById: case kOptByName: case kOptBySize: copy.sortBy = plat::LowWord(w) - kOptById; break;
            case kOptOk: d.End(kOptOk); return 1;
            case kOptCancel: d.End(kOptCancel); return 1;
            default: return 0;
        }
        show();
        return 1;
    });
    if (result == kOptOk) {
        options = copy;
        Rebuild();
    }
}

int32_t TextureView::OnPortMessage(uint32_t code, MsgArg arg) {
    switch (code) {
        case kMsgNavigateTranslate: {
            const auto* v = reinterpret_cast<const float*>(arg);
            if (!v) return 0;
            scroll = std::clamp(scroll - v[2], 0.0f, static_cast<float>(ScrollMaximum()));
            const int32_t before = cellSize;
            const float step = std::clamp(v[1], -2048.0f, 2048.0f);
            cellSize = std::clamp(cellSize - static_cast<int32_t>(step), kMinCell, kMaxCell);
            // The same part of the list stays in view.
            scroll = std::clamp(scroll * static_cast<float>(cellSize) / static_cast<float>(before), 0.0f,
                                static_cast<float>(ScrollMaximum()));
            viewport_->Invalidate(0);
            return 0;
        }
        case kMsgTextureAdded:
        case kMsgTextureDeleted:
            if (viewed && reinterpret_cast<PluginHost*>(arg) == viewed->host) Rebuild();
            viewport_->Invalidate(0);
            return 0;
        case kMsgTexturePicked: {
            const auto* picked = reinterpret_cast<const TexturePickedRecord*>(arg);
            if (picked && viewed && picked->owner == viewed->host) {
                const int32_t i = static_cast<int32_t>(picked->index) - 1;
                selected = i >= 0 && i < static_cast<int32_t>(items.size()) ? i : -1;
                viewport_->Invalidate(0);
            }
            return 0;
        }
        case kMsgSelectPress: {
            const auto* press = reinterpret_cast<const MousePress*>(arg);
            if (!viewed || !press) return 0;
            for (size_t i = 0; i < items.size(); ++i) {
                const CellRect r = Cell(i);
                if (press->x >= r.left && press->x < r.right && press->y >= r.top && press->y < r.bottom) {
                    selected = static_cast<int32_t>(i);
                    break;
                }
            }
            // Hit or not, the selection is announced again.
            const uint32_t index = selected >= 0 ? items[static_cast<size_t>(selected)].index + 1 : 0;
            TexturePickedRecord record{viewed->host, index, 0};
            owner_->host->bus->Broadcast(&port_, kKindResources, kMsgTexturePicked, reinterpret_cast<MsgArg>(&record), 0);
            viewport_->Invalidate(0);
            return 0;
        }
        default: return 0;
    }
}

TexturePlugin::TexturePlugin() : EditorPlugin(FourCC("TXDB"), "Texture::Main Port", 0), prototype_(this, nullptr) {
    pluginVersion = 1;
}

int32_t TexturePlugin::Attach() {
    plat::DialogTemplate t;
    t.title = "Texture Plugin";
    t.width = 190;
    t.height = 60;
    t.controls = {{ControlKind::Static, -1, "Hello World !", 8, 8, 170, 18}};
    plat::RegisterDialogTemplate(host->module, 101, t);
    return 0;
}

int32_t TexturePlugin::Detach() {
    plat::ForgetDialogTemplates(host->module);
    return 0;
}

int32_t TexturePlugin::Activate() {
    panel_ = host->CreatePluginDialog(host->module, 101, [](QvWnd, uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; });
    return 0;
}

int32_t TexturePlugin::Deactivate() {
    if (panel_) host->DestroyPluginDialog(panel_);
    panel_ = nullptr;
    return 0;
}

}  // namespace qv
