#include "plugins/physics/PhysicsPlugin.h"

#include <cstdio>

#include "platform/dialogs/Modal.h"
#include "plugins/shared/ChunkBitmap.h"

namespace qv {

namespace {

using plat::ControlKind;

constexpr uint32_t kLayoutMarker = 1000;

enum : int {
    kPhysLoad = 1001, kPhysView = 1002, kSavePal = 1003, kPhysReset = 1004, kPartLoad = 1005, kPartView = 1006,
    kActivate = 1007, kPartReset = 1008, kTileMaps = 1009,
};

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Physics";
    t.width = 190;
    t.height = 180;
    t.controls = {
        {ControlKind::GroupBox, -1, "Phsyics Plugin", 4, 4, 182, 170},
        {ControlKind::GroupBox, -1, "Physics Map", 10, 22, 170, 56},
        {ControlKind::Button, kPhysLoad, "Load", 16, 40, 36, 20},
        {ControlKind::Button, kPhysView, "View", 56, 40, 36, 20},
        {ControlKind::Button, kSavePal, "Save Pal", 96, 40, 44, 20},
        {ControlKind::Button, kPhysReset, "Reset", 144, 40, 34, 20},
        {ControlKind::GroupBox, -1, "Particle map", 10, 84, 170, 50},
        {ControlKind::Button, kPartLoad, "Load", 16, 102, 36, 20},
        {ControlKind::Button, kPartView, "View", 56, 102, 36, 20},
        {ControlKind::Button, kPartReset, "Reset", 96, 102, 44, 20},
        {ControlKind::CheckBox, kTileMaps, "Tile Maps", 16, 142, 90, 20},
        {ControlKind::CheckBox, kActivate, "Activate", 110, 142, 70, 20, plat::kStyleHidden},
    };
    return t;
}

}  // namespace

std::array<uint8_t, 768> AuthoringPalette() {
    std::array<uint8_t, 768> p{};
    const struct {
        int index;
        uint8_t r, g, b;
    } classes[] = {{0, 219, 93, 41},    {1, 157, 43, 27},   {2, 255, 178, 94}, {16, 255, 255, 64}, {17, 149, 149, 0},
                   {32, 225, 225, 225}, {33, 135, 135, 135}, {48, 44, 111, 167}, {49, 67, 169, 255}, {64, 149, 64, 0},
                   {65, 77, 28, 0},     {80, 63, 255, 76},   {81, 13, 113, 20},  {96, 255, 92, 250}, {97, 137, 0, 131},
                   {112, 144, 0, 255},  {128, 243, 0, 0},    {129, 175, 0, 0}};
    for (const auto& c : classes) {
        p[c.index * 3] = c.r;
        p[c.index * 3 + 1] = c.g;
        p[c.index * 3 + 2] = c.b;
    }
    for (int i = 144; i < 256; ++i) p[i * 3 + 2] = static_cast<uint8_t>(255 - 4 * ((19 * (i - 144) + 29) / 34));
    return p;
}

Dib DefaultPhysicsMap() {
    Dib d = GreyBitmap(128, 128, 0);
    const std::array<uint8_t, 768> pal = AuthoringPalette();
    for (int i = 0; i < 256; ++i) {
        d.colourTable[i * 4] = pal[i * 3 + 2];
        d.colourTable[i * 4 + 1] = pal[i * 3 + 1];
        d.colourTable[i * 4 + 2] = pal[i * 3];
        d.colourTable[i * 4 + 3] = 0;
    }
    // A ring of the second class (index 16) round the middle, so that both classes show.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const int dx = x - 64, dy = y - 64, r2 = dx * dx + dy * dy;
            if (r2 >= 40 * 40 && r2 < 48 * 48) d.pixels[static_cast<size_t>(y) * 128 + x] = 16;
        }
    return d;
}

Dib DefaultParticleMap() {
    Dib d;
    d.header.width = 256;
    d.header.height = 256;
    d.header.bitCount = 24;
    d.header.sizeImage = RowBytes(256, 24) * 256;
    d.pixels.resize(d.header.sizeImage);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            uint8_t* p = &d.pixels[static_cast<size_t>(y) * 768 + x * 3];
            const int shade = ((x / 32 + y / 32) % 2) * 12;
            p[0] = static_cast<uint8_t>(40 + shade);   // blue
            p[1] = static_cast<uint8_t>(80 + shade);   // green
            p[2] = static_cast<uint8_t>(120 + shade);  // red
        }
    return d;
}

PhysicsPlugin::PhysicsPlugin()
    : PluginBase(FourCC("PHYS"), "Physics Plugin::Main Port", {"Physics", "This is the default plugin !", "Norwick"},
                 Panel(), 0x40A040, 1),
      physicsMap(DefaultPhysicsMap()),
      particleMap(DefaultParticleMap()) {}

int32_t PhysicsPlugin::ResetWorld() {
    physicsMap = DefaultPhysicsMap();
    particleMap = DefaultParticleMap();
    activated = 1;
    Refresh();
    return 0;
}

int32_t PhysicsPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    out.U32(kLayoutMarker);
    out.U32(tileMaps);
    WriteFlaggedBitmap(out, physicsMap);
    WriteFlaggedBitmap(out, particleMap);
    *size = out.Written();
    return out.Result();
}

int32_t PhysicsPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    const uint32_t first = in.U32();
    if (!in.Ok()) return in.Failure();
    // A map that cannot be read refuses the chunk: the defaults left by the reset must never be saved
    // over the author's maps without a word.
    if (first != kLayoutMarker) {
        // The older layout: one surface map whose header starts with the word just read.
        in.Unread(4);
        std::optional<Dib> map = ReadChunkBitmap(in);
        if (!map) return in.Failure();
        physicsMap = std::move(map);
    } else {
        const uint32_t tile = in.U32();
        std::optional<Dib> maps[2];
        for (std::optional<Dib>& map : maps)
            if (!ReadFlaggedBitmap(in, &map)) return in.Failure();
        tileMaps = tile;
        physicsMap = std::move(maps[0]);
        particleMap = std::move(maps[1]);
    }
    Refresh();
    return 0;
}

void PhysicsPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    const bool on = activated != 0;
    d.Check(kActivate, on);
    d.Check(kTileMaps, tileMaps != 0);
    for (int id : {kPhysLoad, kSavePal, kTileMaps, kPartLoad}) d.Enable(id, on);
    d.Enable(kPhysView, on && physicsMap.has_value());
    d.Enable(kPhysReset, on && physicsMap.has_value());
    d.Enable(kPartView, on && particleMap.has_value());
    d.Enable(kPartReset, on && particleMap.has_value());
    filling_ = false;
}

void PhysicsPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t) {
    switch (id) {
        case kPhysLoad: LoadPhysicsMap(); break;
        case kPartLoad: LoadParticleMap(); break;
        case kPhysReset: physicsMap = DefaultPhysicsMap(); break;
        case kPartReset: particleMap = DefaultParticleMap(); break;
        case kSavePal: SavePalette(); return;
        // The viewers are modal, so only one is ever open.
        case kPhysView:
            if (physicsMap) plat::ShowBitmapWindow("Viewer", "Physics Bitmap Viewer", ToBitmap(*physicsMap));
            return;
        case kPartView:
            if (particleMap) plat::ShowBitmapWindow("Viewer2", "Particle Bitmap Viewer", ToBitmap(*particleMap));
            return;
        case kTileMaps: tileMaps = d.IsChecked(kTileMaps) ? 1 : 0; return;
        case kActivate: activated = d.IsChecked(kActivate) ? 1 : 0; break;
        default: return;
    }
    RefreshPanel(d);
}

void PhysicsPlugin::LoadPhysicsMap() {
    const std::string path = TakePath(shared::OpenFileDialog(host->GetMainWindow(), "BMP"));
    if (path.empty()) return;
    std::optional<Dib> map = LoadBitmapFile(path);
    if (!map || map->Width() != 256 || map->Height() != 256 || map->header.bitCount != 8) {
        physicsMap = DefaultPhysicsMap();
        plat::ShowMessageBox("Must be 256x256x256 BMP", "Error", plat::MB_OK | plat::MB_ICONWARNING);
        return;
    }
    physicsMap = std::move(map);
}

void PhysicsPlugin::LoadParticleMap() {
    const std::string path = TakePath(shared::OpenFileDialog(host->GetMainWindow(), "BMP"));
    if (path.empty()) return;
    std::optional<Dib> map = LoadBitmapFile(path);
    if (!map || map->Width() > 512 || map->Height() > 512 ||
        (map->header.bitCount != 24 && map->header.bitCount != 32)) {
        particleMap = DefaultParticleMap();
        plat::ShowMessageBox("Must be max 512x512x16M BMP", "Error", plat::MB_OK | plat::MB_ICONWARNING);
        return;
    }
    particleMap = std::move(map);
}

void PhysicsPlugin::SavePalette() {
    const std::string path = TakePath(shared::SaveFileDialog(host->GetMainWindow(), "act"));
    if (path.empty()) return;
    const std::array<uint8_t, 768> palette = AuthoringPalette();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        shared::Winprintf("Can't open %s\n", path.c_str());
        return;
    }
    const bool ok = std::fwrite(palette.data(), 1, palette.size(), f) == palette.size();
    if ((std::fclose(f) != 0 || !ok)) shared::Winprintf("Can't write %s\n", path.c_str());
}

}  // namespace qv
