#include "plugins/shadow/ShadowPlugin.h"

#include "platform/dialogs/Modal.h"
#include "plugins/shared/ChunkBitmap.h"

namespace qv {

namespace {

using plat::ControlKind;

constexpr uint32_t kLayoutMarker = 1000;
constexpr int32_t kSide = 512;

enum : int { kLoad = 1001, kView = 1002, kLoad2 = 1003, kRemove = 1004, kView2 = 1005, kDel2 = 1006, kActivate = 1007 };

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Shadow";
    t.width = 190;
    t.height = 110;
    t.controls = {
        {ControlKind::GroupBox, -1, "Shadow Plugin", 4, 4, 182, 100},
        {ControlKind::CheckBox, kActivate, "Activate", 12, 22, 100, 20},
        {ControlKind::Button, kLoad, "Load", 12, 48, 50, 20},
        {ControlKind::Button, kView, "View", 66, 48, 50, 20},
        {ControlKind::Button, kRemove, "Remove", 120, 48, 56, 20},
        {ControlKind::Button, kLoad2, "Load 2", 12, 74, 50, 20, plat::kStyleHidden},
        {ControlKind::Button, kView2, "View 2", 66, 74, 50, 20, plat::kStyleHidden},
        {ControlKind::Button, kDel2, "Del 2 Bmp", 120, 74, 56, 20, plat::kStyleHidden},
    };
    return t;
}

// The map with the grey ramp as colour table: the game takes the pixel bytes as light, so every index
// is replaced by the grey (red component) of its colour.
Dib AsGreyRamp(const Dib& in) {
    Dib out = GreyBitmap(in.Width(), in.Height(), 0);
    for (size_t i = 0; i < out.pixels.size() && i < in.pixels.size(); ++i) {
        const size_t entry = static_cast<size_t>(in.pixels[i]) * 4 + 2;
        out.pixels[i] = entry < in.colourTable.size() ? in.colourTable[entry] : 0;
    }
    return out;
}

}  // namespace

uint8_t AdjustedLevel(uint8_t g) { return static_cast<uint8_t>(static_cast<int>(g * 0.7265625 + 70)); }

ShadowPlugin::ShadowPlugin()
    : PluginBase(FourCC("LMAP"), "Shadow Plugin::Main Port", {"Shadow", "This is the default plugin !", "Norwick"},
                 Panel(), 0x606060, 3) {}

int32_t ShadowPlugin::ResetWorld() {
    map1.reset();
    map2.reset();
    activated = 0;
    Refresh();
    return 0;
}

int32_t ShadowPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    out.U32(kLayoutMarker);
    WriteFlaggedBitmap(out, map1);
    WriteFlaggedBitmap(out, map2);
    *size = out.Written();
    return out.Result();
}

int32_t ShadowPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    const uint32_t first = in.U32();
    if (!in.Ok()) return in.Failure();
    std::optional<Dib> maps[2];
    if (first != kLayoutMarker) {
        // The older layout: one map whose header starts with the word just read.
        in.Unread(4);
        if (!(maps[0] = ReadChunkBitmap(in))) return in.Failure();
    } else {
        for (std::optional<Dib>& map : maps)
            if (!ReadFlaggedBitmap(in, &map)) return in.Failure();
    }
    map1 = std::move(maps[0]);
    map2 = std::move(maps[1]);
    activated = 1;
    Refresh();
    return 0;
}

void ShadowPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    const bool on = activated != 0;
    d.Check(kActivate, on);
    d.Enable(kLoad, on);
    d.Enable(kLoad2, on);
    d.Enable(kView, on && map1.has_value());
    d.Enable(kRemove, on && map1.has_value());
    d.Enable(kView2, on && map2.has_value());
    d.Enable(kDel2, on && map2.has_value());
    filling_ = false;
}

void ShadowPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t) {
    switch (id) {
        case kActivate: activated = d.IsChecked(kActivate) ? 1 : 0; break;
        case kLoad: Load(false); break;
        case kLoad2: Load(true); break;
        case kRemove:
            map1.reset();
            map2.reset();
            break;
        case kDel2: map2.reset(); break;
        case kView:
            if (map1) plat::ShowBitmapWindow("Viewer", "Shadow Bitmap Viewer", ToBitmap(*map1));
            return;
        case kView2:
            if (map2) plat::ShowBitmapWindow("Viewer2", "Shadow2 Bitmap Viewer", ToBitmap(*map2));
            return;
        default: return;
    }
    RefreshPanel(d);
}

void ShadowPlugin::Load(bool second) {
    const std::string path = TakePath(shared::OpenFileDialog(host->GetMainWindow(), "BMP"));
    if (path.empty()) return;
    host->SetStatusText("Opening image...");
    std::optional<Dib> map = LoadBitmapFile(path);
    // The file is checked before anything is replaced: a refused file keeps the maps already there.
    if (!map || map->Width() != kSide || map->Height() != kSide || map->header.bitCount != 8) {
        plat::ShowMessageBox("Must be 512x512x256 grayscale BMP", "Error", plat::MB_OK | plat::MB_ICONWARNING);
        host->SetStatusText("Ready");
        return;
    }
    Dib grey = AsGreyRamp(*map);
    if (second) {
        map2 = std::move(grey);
    } else {
        host->SetStatusText("Adjusting Levels...");
        Dib adjusted = grey;
        for (uint8_t& p : adjusted.pixels) p = AdjustedLevel(p);
        map1 = std::move(grey);
        map2 = std::move(adjusted);
    }
    host->SetStatusText("Ready");
    host->RedrawPluginViewports(0);
}

}  // namespace qv
