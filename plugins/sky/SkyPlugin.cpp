#include "plugins/sky/SkyPlugin.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "plugins/shared/CText.h"
#include "plugins/shared/ChunkReader.h"
#include "plugins/shared/DrawLines.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int {
    kLoadSky = 1001, kReset = 1002, kWallList = 1003, kOverheadList = 1004, kCloudList = 1005, kPickWall = 1006,
    kPickOverhead = 1007, kPickCloud = 1008, kActivated = 1009, kWallTiles = 1010, kOverheadTiles = 1011,
    kWallWidth = 1012, kWallHeight = 1013, kOverheadWidth = 1014, kHorizonAdjust = 1015, kSpeed = 1016,
};

constexpr uint32_t kTriangleList = 4;
constexpr float kTwoPi = 6.2831855f;
constexpr float kLastRow = 0.998046875f;  // 511/512: the band's last texel row
constexpr uint32_t kHorizonColour = 0xFF0000FFu;

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Sky";
    t.width = 200;
    t.height = 80;
    const uint32_t hidden = plat::kStyleHidden;
    t.controls = {
        {ControlKind::GroupBox, -1, "Sky Plugin", 4, 4, 192, 70},
        {ControlKind::Button, kLoadSky, "Load Sky", 12, 24, 84, 22},
        {ControlKind::Button, kReset, "Reset", 104, 24, 84, 22},
        {ControlKind::ComboBox, kWallList, "Wall Texture", 12, 80, 170, 80, hidden},
        {ControlKind::ComboBox, kOverheadList, "Overhead Texture", 12, 104, 170, 80, hidden},
        {ControlKind::ComboBox, kCloudList, "Cloud Texture", 12, 128, 170, 80, hidden},
        {ControlKind::Radio, kPickWall, "Wall", 12, 152, 50, 18, hidden | plat::kStyleGroup},
        {ControlKind::Radio, kPickOverhead, "Overhead", 64, 152, 60, 18, hidden},
        {ControlKind::Radio, kPickCloud, "Cloud", 126, 152, 50, 18, hidden},
        {ControlKind::CheckBox, kActivated, "Activated", 12, 174, 90, 18, hidden},
    };
    const char* labels[7] = {"Wall Tiles", "O/H Tiles", "Wall Wd", "Wall Ht", "O/H Wd", "Horiz Adj", "Speed"};
    for (int i = 0; i < 7; ++i) {
        t.controls.push_back({ControlKind::Static, -1, labels[i], 12, 196 + 20 * i, 70, 18, hidden});
        t.controls.push_back({ControlKind::Edit, kWallTiles + i, "", 90, 196 + 20 * i, 80, 18, hidden | plat::kStyleReadOnly});
    }
    return t;
}

int32_t SanitisedChoice(int32_t choice, int32_t count) { return choice >= 0 && choice < count ? choice : -1; }

}  // namespace

Dib BuiltInSkyBitmap() {
    Dib d;
    d.header.width = d.header.height = 128;
    d.header.bitCount = 24;
    d.header.sizeImage = RowBytes(128, 24) * 128;
    d.pixels.resize(d.header.sizeImage);
    // Bottom row first: from the pale horizon (#cfe3f0) up to the deep blue (#3a6ea5).
    for (int y = 0; y < 128; ++y) {
        const float t = static_cast<float>(y) / 127.0f;
        const uint8_t r = static_cast<uint8_t>(0xCF + (0x3A - 0xCF) * t), g = static_cast<uint8_t>(0xE3 + (0x6E - 0xE3) * t),
                      b = static_cast<uint8_t>(0xF0 + (0xA5 - 0xF0) * t);
        for (int x = 0; x < 128; ++x) {
            uint8_t* p = &d.pixels[static_cast<size_t>(y) * RowBytes(128, 24) + static_cast<size_t>(x) * 3];
            p[0] = b, p[1] = g, p[2] = r;
        }
    }
    return d;
}

SkyPlugin::SkyPlugin()
    : PluginBase(FourCC("SKY."), "SkyClass", {"Sky", "The Sky Texture", "Brastow"}, Panel(), 0x3A6EA5, 3) {
    pluginVersion = 0x0001;
    mainPort.kindMask = kKindResources;
    // Before a world exists the sky has no overhead texture yet.
    sky.overheadTexture = -1;
}

void SkyPlugin::Redraw() { host->RedrawPluginViewports(0); }

void SkyPlugin::AddBuiltInSky() {
    const Dib bitmap = BuiltInSkyBitmap();
    uint32_t index = 0;
    host->AddTextureFromMemory("sky", &bitmap.header, bitmap.pixels.data(), &index);
}

void SkyPlugin::EnsureBuiltInSky() {
    if (!builtInWanted_ || host->GetTextureCount() != 0) return;
    AddBuiltInSky();
    sky.overheadTexture = 0;
}

int32_t SkyPlugin::ResetWorld() {
    host->DeleteAllTextures();
    sky = SkySettings{};
    pickTarget = 0;
    AddBuiltInSky();
    builtInWanted_ = true;
    Refresh();
    return 0;
}

int32_t SkyPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    EnsureBuiltInSky();
    const int32_t count = host->GetTextureCount();
    ChunkWriter out(stream);
    out.U32(kSkyChunkVersion);
    for (int32_t choice : {sky.wallTexture, sky.overheadTexture, sky.cloudTexture})
        out.U32(static_cast<uint32_t>(SanitisedChoice(choice, count)));
    out.U32(static_cast<uint32_t>(sky.activated));
    for (float f : {sky.wallTiles, sky.overheadTiles, sky.wallWidth, sky.wallHeight, sky.overheadWidth, sky.horizonAdjust,
                    sky.speed})
        out.F32(f);
    if (out.Result() != 0) return out.Result();
    uint32_t bytes = 0;
    const int32_t r = host->WriteTextures(stream, &bytes);
    if (r != 0) return r;
    out.Count(bytes);
    *size = out.Written();
    return 0;
}

int32_t SkyPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    SkySettings loaded = sky;
    const uint32_t first = in.U32();
    const bool current = first == kSkyChunkVersion;
    loaded.wallTexture = static_cast<int32_t>(current ? in.U32() : first);
    loaded.overheadTexture = static_cast<int32_t>(in.U32());
    loaded.cloudTexture = static_cast<int32_t>(in.U32());
    loaded.activated = static_cast<int32_t>(in.U32());
    if (current)
        for (float* f : {&loaded.wallTiles, &loaded.overheadTiles, &loaded.wallWidth, &loaded.wallHeight,
                         &loaded.overheadWidth, &loaded.horizonAdjust, &loaded.speed})
            *f = in.F32();
    if (!in.Ok()) return in.Failure();
    uint32_t bytes = 0;
    const uint32_t mark = in.Mark();
    const int32_t r = host->ReadTextures(stream, &bytes);
    if (r != 0) return r;
    // The chunk is the fields and the list, exactly.
    if (!in.Took(mark) || in.Remaining() != 0) return in.Failure();
    const int32_t count = host->GetTextureCount();
    loaded.wallTexture = SanitisedChoice(loaded.wallTexture, count);
    loaded.overheadTexture = SanitisedChoice(loaded.overheadTexture, count);
    loaded.cloudTexture = SanitisedChoice(loaded.cloudTexture, count);
    sky = loaded;
    builtInWanted_ = false;
    Refresh();
    return 0;
}

int32_t SkyPlugin::OnMainPortMessage(Port*, uint32_t code, MsgArg arg, MsgArg data) {
    if (reinterpret_cast<PluginHost*>(arg) == host && code == kMsgTextureAdded) {
        Refresh();
        Redraw();
    } else if (reinterpret_cast<PluginHost*>(arg) == host && code == kMsgTextureDeleted) {
        const int32_t gone = static_cast<int32_t>(data) - 1;
        for (int32_t* choice : {&sky.wallTexture, &sky.overheadTexture, &sky.cloudTexture}) {
            if (*choice == gone) *choice = -1;
            else if (*choice > gone) --*choice;
        }
        Refresh();
        Redraw();
    } else if (code == kMsgTexturePicked && sky.activated) {
        const auto* picked = reinterpret_cast<const TexturePickedRecord*>(arg);
        if (picked && picked->owner == host && picked->index >= 1) {
            if (picked->slot < 8) host->pickedTextures[picked->slot] = picked->index;
            int32_t* choices[3] = {&sky.wallTexture, &sky.overheadTexture, &sky.cloudTexture};
            *choices[std::clamp(pickTarget, 0, 2)] = static_cast<int32_t>(picked->index) - 1;
            Refresh();
        }
        Redraw();
    }
    return 0;
}

// ---- the preview

float SkyPlugin::HorizonRow(Viewport* viewport) {
    float cam[3], forward[3];
    viewport->GetCameraPosition(cam);
    viewport->GetForward(forward);
    float h[2] = {forward[0], forward[1]};
    const float len = std::hypot(h[0], h[1]);
    if (!(len > 0.0f)) return -1000.0f;
    const float far = 1.0e5f;
    const float point[3] = {cam[0] + h[0] / len * far, cam[1] + h[1] / len * far, cam[2]};
    ScreenVertex s{};
    if (viewport->TransformPoints(nullptr, &s, 1, point, 0) != 0 || !(s.rhw > 0.0f) || !std::isfinite(s.sy)) return -1000.0f;
    return s.sy;
}

float SkyPlugin::Heading(Viewport* viewport) {
    float forward[3];
    viewport->GetForward(forward);
    const float len = std::hypot(forward[0], forward[1]);
    if (!(len > 0.0f)) return 0.0f;
    const float x = forward[0] / len, y = forward[1] / len;
    const float a = std::acos(std::clamp(y, -1.0f, 1.0f));
    // The cross product with (0, 1, 0) has z = -x.
    return -x > 0.0f ? kTwoPi - a : a;
}

int32_t SkyPlugin::DrawViewport(Viewport* viewport) {
    if (!sky.activated || !viewport || (viewport->GetFlags() & kViewportTopDown)) return 0;
    EnsureBuiltInSky();
    int32_t w = 0, h = 0;
    viewport->GetSize(&w, &h);
    const float W = static_cast<float>(w), H = static_cast<float>(h);
    const float horizon = HorizonRow(viewport);
    const float angle = Heading(viewport);
    const float bandBottom = horizon + H * sky.horizonAdjust / 480.0f;
    const float bandTop = horizon + H * (sky.horizonAdjust - sky.wallHeight) / 480.0f;
    const int32_t textures = host->GetTextureCount();

    auto vertex = [](float x, float y, float z, float u, float v) {
        ScreenVertex s{};
        s.sx = x, s.sy = y, s.sz = z, s.rhw = 1.0f, s.colour = 0xFFFFFFFFu, s.specular = 0xFF000000u, s.u = u, s.v = v;
        return s;
    };
    auto quads = [&](const std::vector<ScreenVertex>& corners) {
        // Each four corners (top left, top right, bottom right, bottom left) as two triangles.
        std::vector<uint16_t> indices;
        for (uint16_t q = 0; q + 3u < corners.size(); q = static_cast<uint16_t>(q + 4))
            indices.insert(indices.end(), {q, static_cast<uint16_t>(q + 1), static_cast<uint16_t>(q + 2), q,
                                           static_cast<uint16_t>(q + 2), static_cast<uint16_t>(q + 3)});
        if (!indices.empty())
            viewport->DrawPrimitive(kTriangleList, static_cast<uint32_t>(corners.size()), corners.data(),
                                    static_cast<uint32_t>(indices.size()), indices.data());
    };
    // A band of rows across the screen showing `texels` texels of a texture from u0 on, in quads of at
    // most 256 texels.
    auto band = [&](float top, float bottom, float u0, float texels, float vTop, float vBottom, float z) {
        std::vector<ScreenVertex> corners;
        for (float done = 0; done < texels && corners.size() < 4 * 64;) {
            const float step = std::min(256.0f, texels - done);
            const float x0 = W * done / texels, x1 = W * (done + step) / texels;
            const float ua = (u0 + done) / 256.0f, ub = (u0 + done + step) / 256.0f;
            corners.insert(corners.end(), {vertex(x0, top, z, ua, vTop), vertex(x1, top, z, ub, vTop),
                                           vertex(x1, bottom, z, ub, vBottom), vertex(x0, bottom, z, ua, vBottom)});
            done += step;
        }
        quads(corners);
    };

    if (sky.wallTexture >= 0 && sky.wallTexture < textures && sky.wallWidth > 0) {
        host->SetCurrentTexture(static_cast<uint32_t>(sky.wallTexture) + 1);
        const float u0 = std::trunc(sky.wallTiles * 512.0f * angle / kTwoPi);
        band(bandTop, bandBottom, u0, sky.wallWidth, 0.0f, kLastRow, 0.9998f);
        if (bandBottom < H) band(bandBottom, H, u0, sky.wallWidth, kLastRow, kLastRow, 0.9998f);
    }
    if (sky.overheadTexture >= 0 && sky.overheadTexture < textures && sky.overheadWidth > 0 && bandTop > 0) {
        host->SetCurrentTexture(static_cast<uint32_t>(sky.overheadTexture) + 1);
        const float u0 = std::trunc(sky.overheadTiles * 512.0f * angle / kTwoPi);
        // The rows above the band climb from the texture's horizon row (at the band) to its top row
        // (at the top of the screen), in five strips of rising elevation.
        const float top = std::min(0.0f, bandTop - H);
        for (int k = 0; k < 5; ++k) {
            const float lower = bandTop + (top - bandTop) * static_cast<float>(k) / 5.0f;
            const float upper = bandTop + (top - bandTop) * static_cast<float>(k + 1) / 5.0f;
            band(upper, lower, u0, sky.overheadWidth, kLastRow * (1.0f - static_cast<float>(k + 1) / 5.0f),
                 kLastRow * (1.0f - static_cast<float>(k) / 5.0f), 0.9998f);
        }
    }
    host->SetCurrentTexture(0);
    const ScreenVertex line[2] = {vertex(0, bandBottom, 0.9999f, 0, 0), vertex(W, bandBottom, 0.9999f, 0, 0)};
    ScreenVertex coloured[2] = {line[0], line[1]};
    for (ScreenVertex& v : coloured) v.colour = kHorizonColour;
    return shared::DrawLineList(viewport, coloured, 2);
}

// ---- the panel

void SkyPlugin::LoadSky() {
    uint32_t index = 0;
    host->LoadTextureDialog(&index);
    if (index >= 1) builtInWanted_ = false;
    if (index > 1) host->DeleteTexture(1, 0);  // the new picture becomes texture 1
    if (index >= 1) sky.overheadTexture = 0;
    Redraw();
}

void SkyPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    const int32_t count = host->GetTextureCount();
    for (int id : {kWallList, kOverheadList, kCloudList}) {
        d.ResetContent(id);
        for (int32_t i = 1; i <= count; ++i) {
            const char* name = host->GetTextureName(static_cast<uint32_t>(i));
            d.AddString(id, name ? name : "");
        }
    }
    d.SetCurrent(kWallList, sky.wallTexture);
    d.SetCurrent(kOverheadList, sky.overheadTexture);
    d.SetCurrent(kCloudList, sky.cloudTexture);
    d.CheckRadio(kPickWall, kPickCloud, kPickWall + std::clamp(pickTarget, 0, 2));
    d.Check(kActivated, sky.activated != 0);
    const float values[7] = {sky.wallTiles, sky.overheadTiles, sky.wallWidth, sky.wallHeight, sky.overheadWidth,
                             sky.horizonAdjust, sky.speed};
    for (int i = 0; i < 7; ++i) d.SetText(kWallTiles + i, shared::FormatC("%3.3f", values[i]));
    d.Enable(kLoadSky, sky.activated != 0);
    filling_ = false;
}

void SkyPlugin::OnPanelCommand(plat::Dialog&, int id, uint16_t) {
    // The lists, radio buttons, check box and fields show the sky; they take no input.
    if (id == kLoadSky) LoadSky();
    else if (id == kReset) ResetWorld();
    Redraw();
}

}  // namespace qv
