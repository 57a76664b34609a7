#include "plugins/info/InfoPlugin.h"

#include <chrono>
#include <cstdio>

#include "platform/dialogs/Modal.h"
#include "plugins/shared/ChunkBitmap.h"
#include "plugins/shared/DrawLines.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int {
    kPicLoad = 1001, kPicView = 1002, kTrackId = 1003, kName = 1004, kComments = 1005, kMotoCross = 1006,
    kSuperCross = 1007, kFreeStyle = 1008, kOverlayLoad = 1009, kSunSwatch = 1010, kSunRed = 1011,
    kAmbientSwatch = 1014, kAmbientRed = 1015, kSunX = 1018, kOverlayName = 1021, kActivated = 1022,
    kAmbientIntensity = 1023, kSunIntensity = 1024, kOverlayAlpha = 1025, kOverlayDel = 1026, kRandom = 1028,
};

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Info";
    t.width = 190;
    t.height = 560;
    auto add = [&](ControlKind k, int id, const char* text, int x, int y, int w, int h, uint32_t style = 0) {
        t.controls.push_back({k, id, text, x, y, w, h, style});
    };
    add(ControlKind::GroupBox, -1, "Track", 4, 4, 182, 236);
    add(ControlKind::Static, -1, "Track ID", 10, 22, 60, 16);
    add(ControlKind::Edit, kTrackId, "", 74, 20, 70, 20, plat::kStyleNumber | plat::kStyleDisabled);
    add(ControlKind::Button, kRandom, "Random", 146, 20, 36, 20);
    add(ControlKind::Static, -1, "Track Name", 10, 46, 70, 16);
    add(ControlKind::Edit, kName, "", 10, 62, 172, 20);
    add(ControlKind::Static, -1, "Comments", 10, 86, 70, 16);
    add(ControlKind::Edit, kComments, "", 10, 102, 172, 60, plat::kStyleMultiLine);
    add(ControlKind::Static, -1, "Track Type", 10, 166, 70, 16);
    add(ControlKind::Radio, kMotoCross, "MotoCross", 10, 182, 120, 16, plat::kStyleGroup);
    add(ControlKind::Radio, kSuperCross, "SuperCross", 10, 200, 120, 16);
    add(ControlKind::Radio, kFreeStyle, "Free Style", 10, 218, 120, 16);
    add(ControlKind::GroupBox, -1, "Sun", 4, 244, 182, 92);
    const char* rgb[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i) {
        add(ControlKind::Static, -1, rgb[i], 10 + i * 44, 260, 40, 16);
        add(ControlKind::Edit, kSunRed + i, "", 10 + i * 44, 276, 40, 20, plat::kStyleNumber);
    }
    add(ControlKind::Picture, kSunSwatch, "", 146, 276, 34, 20);
    add(ControlKind::Static, -1, "Intensity", 10, 302, 60, 16);
    add(ControlKind::Edit, kSunIntensity, "", 74, 300, 60, 20);
    add(ControlKind::GroupBox, -1, "Ambient", 4, 340, 182, 72);
    for (int i = 0; i < 3; ++i) add(ControlKind::Edit, kAmbientRed + i, "", 10 + i * 44, 356, 40, 20, plat::kStyleNumber);
    add(ControlKind::Picture, kAmbientSwatch, "", 146, 356, 34, 20);
    add(ControlKind::Static, -1, "Intensity", 10, 382, 60, 16);
    add(ControlKind::Edit, kAmbientIntensity, "", 74, 380, 60, 20);
    add(ControlKind::GroupBox, -1, "Sun Position", 4, 416, 182, 44);
    const char* xyz[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        add(ControlKind::Static, -1, xyz[i], 10 + i * 58, 434, 10, 16);
        add(ControlKind::Edit, kSunX + i, "", 22 + i * 58, 432, 44, 20);
    }
    add(ControlKind::GroupBox, -1, "Overlay", 4, 464, 182, 44);
    add(ControlKind::Button, kOverlayLoad, "Load", 10, 480, 50, 20);
    add(ControlKind::Button, kOverlayAlpha, "Alpha", 64, 480, 50, 20);
    add(ControlKind::Button, kOverlayDel, "Del", 118, 480, 50, 20);
    add(ControlKind::Static, kOverlayName, "none", 10, 504, 160, 16, plat::kStyleHidden);
    add(ControlKind::GroupBox, -1, "Picture", 4, 512, 182, 44);
    add(ControlKind::Button, kPicLoad, "Load", 10, 528, 50, 20);
    add(ControlKind::Button, kPicView, "View", 64, 528, 50, 20);
    add(ControlKind::CheckBox, kActivated, "Activated", 118, 528, 60, 20, plat::kStyleHidden);
    return t;
}

// The multi-line edit shows lines ended by LF; the chunk keeps CR LF.
std::string ToStored(const std::string& shown) {
    std::string out;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\r') continue;
        if (shown[i] == '\n') out += '\r';
        out += shown[i];
    }
    return out;
}
std::string ToShown(const std::string& stored) {
    std::string out;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\r') {
            if (i + 1 < stored.size() && stored[i + 1] == '\n') continue;
            out += '\n';
            continue;
        }
        out += stored[i];
    }
    return out;
}


uint32_t Bgr(const uint32_t rgb[3]) { return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16); }

}  // namespace

uint32_t TrackIdFromFileTime(uint64_t t) {
    const uint32_t low = static_cast<uint32_t>(t), high = static_cast<uint32_t>(t >> 32);
    return (high + (low >> 16)) | (low << 16);
}

uint64_t FileTimeNow() {
    // 100-nanosecond steps since 1601-01-01; the Unix epoch lies 11 644 473 600 s after it.
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    const auto steps = std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100;
    return static_cast<uint64_t>(steps) + 116444736000000000ull;
}

InfoPlugin::InfoPlugin()
    : PluginBase(FourCC("TINF"), "Info::Main Port", {"Info", "This is the default plugin !", "Norwick"}, Panel(),
                 0xE0A020, 0) {
    info.id = TrackIdFromFileTime(clock());
}

int32_t InfoPlugin::ResetWorld() {
    host->DeleteAllTextures();
    const uint32_t type = info.type;  // the kind survives a reset
    info = TrackInfo();
    info.type = type;
    info.id = TrackIdFromFileTime(clock());
    Refresh();
    return 0;
}

int32_t InfoPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    out.U32(1);
    if (out.Result() != 0) return out.Result();
    uint32_t textureBytes = 0;
    if (int32_t r = host->WriteTextures(stream, &textureBytes); r != 0) return r;
    out.Count(textureBytes);
    out.U32(info.activated);
    out.U32(info.id);
    out.U32(info.type);
    out.FixedText(info.name, 256);
    const uint32_t n = static_cast<uint32_t>(info.comments.size() + 1);
    out.U32(n);
    out.Bytes(info.comments.c_str(), n);
    for (uint32_t c : info.sun) out.U32(c);
    out.F32(info.sunIntensity);
    for (uint32_t c : info.ambient) out.U32(c);
    out.F32(info.ambientIntensity);
    for (float v : info.sunPosition) out.F32(v);
    out.U32(info.picture ? 1 : 0);
    if (info.picture) WriteChunkBitmap(out, *info.picture);
    *size = out.Written();
    return out.Result();
}

int32_t InfoPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    info.comments.clear();
    info.picture.reset();
    in.U32();  // version
    if (!in.Ok()) return in.Failure();
    uint32_t bytes = 0;
    const uint32_t mark = in.Mark();
    if (int32_t r = host->ReadTextures(stream, &bytes); r != 0) return r;
    if (!in.Took(mark)) return in.Failure();
    TrackInfo read;
    read.activated = in.U32();
    read.id = in.U32();
    read.type = in.U32();
    read.name = in.FixedText(256);
    const uint32_t n = in.U32();
    if (!in.Need(n)) return in.Failure();
    std::string comments(n, '\0');
    in.Bytes(comments.data(), n);
    read.comments = comments.c_str();
    for (uint32_t& c : read.sun) c = in.U32();
    read.sunIntensity = in.F32();
    for (uint32_t& c : read.ambient) c = in.U32();
    read.ambientIntensity = in.F32();
    for (float& v : read.sunPosition) v = in.F32();
    const uint32_t hasPicture = in.U32();
    if (!in.Ok()) return in.Failure();
    if (hasPicture) {
        // Only a picture with the 40-byte header is taken; one that cannot be read is dropped.
        read.picture = ReadChunkBitmap(in, kMaxPictureWidth, kMaxPictureHeight);
    }
    info = std::move(read);
    Refresh();
    return 0;
}

int32_t InfoPlugin::DrawViewport(Viewport* viewport) {
    ScreenVertex centre{};
    const uint32_t colour = 0xFF000000u + (info.sun[0] << 16) + (info.sun[1] << 8) + info.sun[2];
    host->SetCurrentTexture(0);  // no texture
    if (viewport->TransformPoints(nullptr, &centre, 1, info.sunPosition, colour) != 0) return 0;
    const float offsets[8][2] = {{-10, 0}, {10, 0}, {0, -10}, {0, 10}, {-7, -7}, {7, 7}, {-7, 7}, {7, -7}};
    ScreenVertex v[8];
    for (int i = 0; i < 8; ++i) {
        v[i] = centre;
        v[i].sx += offsets[i][0];
        v[i].sy += offsets[i][1];
    }
    return shared::DrawLineList(viewport, v, 8);
}

void InfoPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    d.SetInt(kTrackId, static_cast<long>(info.id));
    d.SetTextLimit(kName, 254);
    d.SetText(kName, info.name);
    d.SetText(kComments, ToShown(info.comments));
    d.CheckRadio(kMotoCross, kFreeStyle, kMotoCross + static_cast<int>(info.type > 2 ? 0 : info.type));
    for (int i = 0; i < 3; ++i) {
        d.SetInt(kSunRed + i, static_cast<long>(info.sun[i]));
        d.SetInt(kAmbientRed + i, static_cast<long>(info.ambient[i]));
        d.SetFloat(kSunX + i, info.sunPosition[i], "%3.3f");
    }
    d.SetColour(kSunSwatch, Bgr(info.sun));
    d.SetColour(kAmbientSwatch, Bgr(info.ambient));
    d.SetFloat(kSunIntensity, info.sunIntensity, "%3.3f");
    d.SetFloat(kAmbientIntensity, info.ambientIntensity, "%3.3f");
    const char* overlay = host->GetTextureCount() > 0 ? host->GetTextureName(1) : nullptr;
    std::string shown = overlay ? overlay : "none";
    if (const size_t slash = shown.find_last_of("\\/"); slash != std::string::npos) shown = shown.substr(slash + 1);
    d.SetText(kOverlayName, shown);
    d.Check(kActivated, info.activated != 0);
    const bool on = info.activated != 0;
    for (const plat::Control& c : d.Controls())
        if (c.tmpl.id > 0 && c.tmpl.id != kTrackId) d.Enable(c.tmpl.id, on);
    d.Enable(kOverlayAlpha, on && host->GetTextureCount() > 0);
    d.Enable(kOverlayDel, on && host->GetTextureCount() > 0);
    d.Enable(kPicView, on && info.picture.has_value());
    filling_ = false;
}

void InfoPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t code) {
    auto colourEdit = [&](uint32_t* channels, int first, int swatch) {
        bool ok = false;
        long v = d.Int(id, &ok);
        if (!ok) return;
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        channels[id - first] = static_cast<uint32_t>(v);
        d.SetColour(swatch, Bgr(channels));
    };
    auto floatEdit = [&](float* into) {
        bool ok = false;
        const double v = d.Float(id, &ok);
        if (ok) *into = static_cast<float>(v);
    };
    if (code == plat::EN_CHANGE) {
        if (id == kName) info.name = d.Text(kName).substr(0, 254);
        else if (id == kComments) info.comments = ToStored(d.Text(kComments));
        else if (id >= kSunRed && id < kSunRed + 3) colourEdit(info.sun, kSunRed, kSunSwatch);
        else if (id >= kAmbientRed && id < kAmbientRed + 3) colourEdit(info.ambient, kAmbientRed, kAmbientSwatch);
        else if (id == kSunIntensity) floatEdit(&info.sunIntensity);
        else if (id == kAmbientIntensity) floatEdit(&info.ambientIntensity);
        else if (id >= kSunX && id < kSunX + 3) {
            floatEdit(&info.sunPosition[id - kSunX]);
            host->RedrawPluginViewports(0);
        } else if (id == kTrackId && d.HasFocus(kTrackId)) {
            bool ok = false;
            const long v = d.Int(kTrackId, &ok);
            if (ok) info.id = static_cast<uint32_t>(v);
        }
        return;
    }
    switch (id) {
        case kRandom: info.id = TrackIdFromFileTime(clock()); break;
        case kMotoCross:
        case kSuperCross:
        case kFreeStyle: info.type = static_cast<uint32_t>(id - kMotoCross); break;
        case kSunSwatch:
        case kAmbientSwatch: {
            uint32_t* channels = id == kSunSwatch ? info.sun : info.ambient;
            uint32_t bgr = Bgr(channels);
            static uint32_t custom[16] = {};
            if (plat::ChooseColour(bgr, custom))
                for (int i = 0; i < 3; ++i) channels[i] = (bgr >> (8 * i)) & 0xFF;
            break;
        }
        case kOverlayLoad: LoadOverlay(); break;
        case kOverlayAlpha: host->InsertAlphaDialog(1); break;
        case kOverlayDel: host->DeleteAllTextures(); break;
        case kPicLoad: LoadPicture(); break;
        case kPicView:
            if (info.picture) plat::ShowBitmapWindow("Viewer", "Track Bitmap Viewer", ToBitmap(*info.picture));
            return;
        case kActivated: info.activated = d.IsChecked(kActivated) ? 1 : 0; break;
        default: return;
    }
    RefreshPanel(d);
}

void InfoPlugin::LoadOverlay() {
    uint32_t last = 0;
    // One overlay: when the dialog added textures after an existing one, the old first one goes.
    if (host->LoadTextureDialog(&last) > 0 && last > 1) host->DeleteTexture(1, 0);
}

void InfoPlugin::LoadPicture() {
    const std::string path = TakePath(shared::OpenFileDialog(host->GetMainWindow(), "BMP"));
    if (path.empty()) return;
    std::optional<Dib> picture = LoadBitmapFile(path);
    if (!picture || picture->Width() > kMaxPictureWidth || picture->Height() > kMaxPictureHeight) {
        plat::ShowMessageBox("Must be max 400x300 BMP", "Error", plat::MB_OK | plat::MB_ICONWARNING);
        info.picture.reset();
        return;
    }
    info.picture = std::move(picture);
}

}  // namespace qv
