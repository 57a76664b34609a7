// The race overlay's pictures and the direction arrow: the glyph sheet "TEXT" (lap-time digits,
// counters, place digits, suffixes, letters, slash), the "ID" sheet (map marker, map frame, the
// wrong-way sign), the balance gauge, the replay panel's buttons off and lit, and the arrow mesh with
// its texture. Every cell is painted where the HUD reads it (game/frontend/hud/HudCellLayout.h).
// Glyphs are white with a dark rim so that the HUD can tint them by vertex colour and they stay
// readable over any landscape.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "game/frontend/hud/HudCellLayout.h"
#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/frontend/Canvas.h"
#include "tools/contentgen/meshkit/MeshKit.h"

namespace tools {

namespace {

const Colour kWhite = Hex(0xffffff), kInk = Hex(0x101418), kOrange = Hex(0xf28c1a), kYellow = Hex(0xf5d31f);
const Colour kRed = Hex(0xd8261c), kSteel = Hex(0x5a6470), kSteelLight = Hex(0x9aa6b2), kGreen = Hex(0x3fbf3f);

namespace cell = kes::hudcell;
constexpr int kSize = static_cast<int>(cell::kTextureSize);

// A cell's texel box.
struct Box {
    int x, y, w, h;
};
Box BoxOf(const cell::Box& r) {
    const auto t = [](float f) { return static_cast<int>(std::lround(f * kSize)); };
    return {t(r.uMin), t(r.vMin), t(r.uMax) - t(r.uMin), t(r.vMax) - t(r.vMin)};
}

// One character baked into a cell: white, with a dark rim one texel wide around it.
bool Glyph(Canvas& c, const Box& b, uint32_t codePoint, float pixelHeight, int baseline, std::string* error) {
    std::vector<float> cover;
    if (!BakeGlyph(kSansBold, pixelHeight, codePoint, b.w, b.h, baseline, &cover)) {
        *error = "cannot bake the HUD glyphs from " + std::string(kSansBold);
        return false;
    }
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) {
            float around = 0.0f;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx >= 0 && sy >= 0 && sx < b.w && sy < b.h)
                        around = std::max(around, cover[static_cast<size_t>(sy) * b.w + sx]);
                }
            c.Blend(b.x + x, b.y + y, kInk, around, 0.9f);
            c.Blend(b.x + x, b.y + y, kWhite, cover[static_cast<size_t>(y) * b.w + x]);
        }
    return true;
}

// Two characters side by side in one cell (the ordinal suffixes).
bool Pair(Canvas& c, const Box& b, const char* two, std::string* error) {
    const Box left{b.x, b.y, b.w / 2, b.h}, right{b.x + b.w / 2, b.y, b.w - b.w / 2, b.h};
    return Glyph(c, left, static_cast<unsigned char>(two[0]), 14.0f, 12, error) &&
           Glyph(c, right, static_cast<unsigned char>(two[1]), 14.0f, 12, error);
}

Canvas TextSheet(std::string* error) {
    Canvas c(kSize, kSize, kWhite, 0.0f);
    bool ok = true;
    for (uint32_t d = 0; d < 10 && ok; ++d) {
        const uint32_t cp = '0' + d;
        ok = Glyph(c, BoxOf(cell::DigitRow(0, d)), cp, 26.0f, 21, error) &&
             Glyph(c, BoxOf(cell::DigitRow(1, d)), cp, 24.0f, 20, error) &&
             Glyph(c, BoxOf(cell::DigitRow(2, d)), cp, 24.0f, 20, error) &&
             Glyph(c, BoxOf(cell::PositionDigit(d)), cp, 38.0f, 29, error);
    }
    ok = ok && Glyph(c, BoxOf(cell::kMinutesSeparator), ':', 20.0f, 15, error) &&
         Glyph(c, BoxOf(cell::kSecondsSeparator), '.', 20.0f, 15, error) &&
         Pair(c, BoxOf(cell::kSuffixes[0]), "st", error) && Pair(c, BoxOf(cell::kSuffixes[1]), "nd", error) &&
         Pair(c, BoxOf(cell::kSuffixes[2]), "rd", error) && Pair(c, BoxOf(cell::kSuffixes[3]), "th", error) &&
         Glyph(c, BoxOf(cell::kSlash), '/', 34.0f, 27, error);
    for (uint32_t l = 0; l < 26 && ok; ++l) ok = Glyph(c, BoxOf(cell::Letter(l)), 'A' + l, 24.0f, 20, error);
    if (!ok) return Canvas(1, 1);
    return c;
}

// The map marker (a white dot with a dark rim: tinted by each racer's colour), a frame for the
// mini-map and the wrong-way sign.
Canvas IdSheet() {
    Canvas c(kSize, kSize, kWhite, 0.0f);
    const Box m = BoxOf(cell::kMapMarker);
    const float cx = m.x + m.w / 2.0f, cy = m.y + m.h / 2.0f, r = m.w / 2.0f;
    c.RoundedRect(cx - r, cy - r, cx + r, cy + r, r, [](float) { return kInk; }, 1.0f);
    c.RoundedRect(cx - r + 2, cy - r + 2, cx + r - 2, cy + r - 2, r - 2, [](float) { return kWhite; }, 1.0f);

    const Box f = BoxOf(cell::kMapFrame);
    const float l = static_cast<float>(f.x), t = static_cast<float>(f.y);
    const float rr = static_cast<float>(f.x + f.w), b = static_cast<float>(f.y + f.h);
    c.RoundedRect(l + 1, t + 1, rr - 1, b - 1, 10, [](float) { return kInk; }, 0.85f);
    c.RoundedRect(l + 4, t + 4, rr - 4, b - 4, 8, [](float v) { return Mix(Hex(0x3d5a2a), Hex(0x243818), v); }, 0.55f);
    // Faint grid lines so that the markers read as positions on a map.
    for (int i = 1; i < 4; ++i) {
        const float gx = l + f.w * i / 4.0f, gy = t + f.h * i / 4.0f;
        c.RoundedRect(gx - 0.5f, t + 6, gx + 0.5f, b - 6, 0, [](float) { return kSteelLight; }, 0.25f);
        c.RoundedRect(l + 6, gy - 0.5f, rr - 6, gy + 0.5f, 0, [](float) { return kSteelLight; }, 0.25f);
    }

    const Box w = BoxOf(cell::kWrongWaySign);
    const float wl = static_cast<float>(w.x), wt = static_cast<float>(w.y);
    const float wr = static_cast<float>(w.x + w.w), wb = static_cast<float>(w.y + w.h);
    c.RoundedRect(wl + 2, wt + 2, wr - 2, wb - 2, 12, [](float) { return kWhite; }, 1.0f);
    c.RoundedRect(wl + 6, wt + 6, wr - 6, wb - 6, 9, [](float v) { return Mix(Hex(0xe8382c), kRed, v); }, 1.0f);
    // A U-turn arrow on the left, the words on the right.
    c.Polygon({{wl + 20, wt + 40}, {wl + 34, wt + 22}, {wl + 48, wt + 40}, {wl + 40, wt + 40}, {wl + 40, wt + 52},
               {wl + 28, wt + 52}, {wl + 28, wt + 40}},
              kWhite, kWhite, 0.5f, 1.0f);
    c.Text(kSansBold, 30.0f, wl + 62, wt + 15, "WRONG WAY", kWhite, 1.0f, false);
    return c;
}

// The balance marker (a ring with a cross-hair, tinted white or red) and the bar piece (tinted by
// the gauge colours).
Canvas GyroSheet() {
    Canvas c(kSize, kSize, kWhite, 0.0f);
    const Box m = BoxOf(cell::kGyroMarker);
    const float cx = m.x + m.w / 2.0f, cy = m.y + m.h / 2.0f, r = m.w / 2.0f - 2;
    c.RoundedRect(cx - r, cy - r, cx + r, cy + r, r, [](float) { return kInk; }, 0.9f);
    c.RoundedRect(cx - r + 4, cy - r + 4, cx + r - 4, cy + r - 4, r - 4, [](float) { return kWhite; }, 1.0f);
    c.RoundedRect(cx - r + 11, cy - r + 11, cx + r - 11, cy + r - 11, r - 11, [](float) { return kInk; }, 0.9f);
    c.RoundedRect(cx - 2, cy - r + 2, cx + 2, cy + r - 2, 1, [](float) { return kWhite; }, 1.0f);
    c.RoundedRect(cx - r + 2, cy - 2, cx + r - 2, cy + 2, 1, [](float) { return kWhite; }, 1.0f);
    const Box b = BoxOf(cell::kGyroBar);
    c.RoundedRect(b.x + 1.0f, b.y + 1.0f, b.x + b.w - 1.0f, b.y + b.h - 1.0f, 4, [](float) { return kInk; }, 0.8f);
    c.RoundedRect(b.x + 3.0f, b.y + 3.0f, b.x + b.w - 3.0f, b.y + b.h - 3.0f, 3,
                  [](float v) { return Mix(kWhite, Hex(0xc8c8c8), v); }, 1.0f);
    return c;
}

// The replay panel's symbols, drawn into a button cell.
void ReplaySymbol(Canvas& c, uint32_t button, float cx, float cy, float k, Colour ink) {
    using P = std::pair<float, float>;
    switch (button) {
    case cell::kReplayButtonMode:  // a film frame
        c.RoundedRect(cx - k, cy - k * 0.7f, cx + k, cy + k * 0.7f, 3, [&](float) { return ink; }, 1.0f);
        for (int i = -1; i <= 1; ++i)
            c.RoundedRect(cx - k * 0.7f + i * k * 0.7f + k * 0.55f, cy - k * 0.35f, cx - k * 0.7f + i * k * 0.7f + k * 0.85f,
                          cy + k * 0.35f, 1, [](float) { return Hex(0x202830); }, 1.0f);
        break;
    case cell::kReplayButtonRecord:
        c.RoundedRect(cx - k * 0.7f, cy - k * 0.7f, cx + k * 0.7f, cy + k * 0.7f, k * 0.7f, [&](float) { return ink; }, 1.0f);
        break;
    case cell::kReplayButtonPlay:
        c.Polygon(std::vector<P>{{cx - k * 0.6f, cy - k * 0.8f}, {cx + k * 0.8f, cy}, {cx - k * 0.6f, cy + k * 0.8f}}, ink, ink,
                  0.5f, 1.0f);
        break;
    case cell::kReplayButtonStop:
        c.RoundedRect(cx - k * 0.65f, cy - k * 0.65f, cx + k * 0.65f, cy + k * 0.65f, 2, [&](float) { return ink; }, 1.0f);
        break;
    case cell::kReplayButtonBack:
        c.Polygon(std::vector<P>{{cx + k * 0.1f, cy - k * 0.7f}, {cx - k * 0.8f, cy}, {cx + k * 0.1f, cy + k * 0.7f}}, ink, ink,
                  0.5f, 1.0f);
        c.Polygon(std::vector<P>{{cx + k * 0.9f, cy - k * 0.7f}, {cx, cy}, {cx + k * 0.9f, cy + k * 0.7f}}, ink, ink, 0.5f, 1.0f);
        break;
    case cell::kReplayButtonForward:
        c.Polygon(std::vector<P>{{cx - k * 0.1f, cy - k * 0.7f}, {cx + k * 0.8f, cy}, {cx - k * 0.1f, cy + k * 0.7f}}, ink, ink,
                  0.5f, 1.0f);
        c.Polygon(std::vector<P>{{cx - k * 0.9f, cy - k * 0.7f}, {cx, cy}, {cx - k * 0.9f, cy + k * 0.7f}}, ink, ink, 0.5f, 1.0f);
        break;
    default:  // save: a disk
        c.RoundedRect(cx - k * 0.75f, cy - k * 0.75f, cx + k * 0.75f, cy + k * 0.75f, 3, [&](float) { return ink; }, 1.0f);
        c.RoundedRect(cx - k * 0.4f, cy - k * 0.75f, cx + k * 0.4f, cy - k * 0.2f, 1, [](float) { return Hex(0x202830); }, 1.0f);
        break;
    }
}

// The panel with every button off (steel) or lit (orange); the speed buttons show 1-6.
Canvas ReplaySheet(bool lit, std::string* error) {
    Canvas c(kSize, kSize, kWhite, 0.0f);
    const Colour top = lit ? Hex(0xffc060) : kSteelLight, bottom = lit ? kOrange : kSteel;
    const Colour ink = lit ? kWhite : Hex(0xd8dde2);
    for (uint32_t b = 0; b < cell::kReplayButtonCount; ++b) {
        const Box x = BoxOf(cell::ReplayButton(b));
        const float l = x.x + 2.0f, t = x.y + 2.0f, r = x.x + x.w - 2.0f, bt = x.y + x.h - 2.0f;
        c.RoundedRect(l, t, r, bt, 10, [](float) { return kInk; }, 0.9f);
        c.RoundedRect(l + 3, t + 3, r - 3, bt - 3, 8, [&](float v) { return Mix(top, bottom, v); }, 1.0f);
        ReplaySymbol(c, b, (l + r) / 2, (t + bt) / 2, (r - l) * 0.3f, b == cell::kReplayButtonRecord && lit ? kRed : ink);
    }
    for (uint32_t s = 0; s < cell::kReplaySpeedCount; ++s) {
        const Box x = BoxOf(cell::ReplaySpeed(s));
        c.RoundedRect(x.x + 1.0f, x.y + 1.0f, x.x + x.w - 1.0f, x.y + x.h - 1.0f, 6, [](float) { return kInk; }, 0.9f);
        c.RoundedRect(x.x + 3.0f, x.y + 3.0f, x.x + x.w - 3.0f, x.y + x.h - 3.0f, 5,
                      [&](float v) { return Mix(top, bottom, v); }, 1.0f);
        const Box inner{x.x + 6, x.y + 4, x.w - 12, x.h - 8};
        if (!Glyph(c, inner, '1' + s, 20.0f, 18, error)) return Canvas(1, 1);
    }
    return c;
}

// The arrow's texture: a warm gradient along its length with a bright rim.
Canvas ArrowTexture() {
    Canvas c(64, 64, kWhite, 1.0f);
    c.Paint([](int x, int y) {
        const float edge = std::min({x, y, 63 - x, 63 - y}) / 6.0f;
        return edge < 1.0f ? Mix(kYellow, kOrange, edge) : Mix(kYellow, kOrange, 0.4f + 0.6f * y / 63.0f);
    });
    return c;
}

// A flat arrow pointing along +y, 60 units long and 8 thick: the HUD scales it by 0.04.
meshkit::KitMesh ArrowMesh() {
    using meshkit::P3;
    meshkit::KitMesh m;
    const std::vector<std::pair<float, float>> outline = {{0, 30}, {-18, 6}, {-8, 6}, {-8, -30}, {8, -30}, {8, 6}, {18, 6}};
    const auto uv = [](float x, float y) { return std::array<float, 2>{(x + 18) / 36.0f, (30 - y) / 60.0f}; };
    const float half = 4.0f;
    // Top and bottom: the head and the shaft, each a fan.
    const std::vector<std::vector<int>> pieces = {{0, 1, 6}, {2, 3, 4, 5}};
    for (float z : {half, -half})
        for (const auto& piece : pieces)
            for (size_t i = 1; i + 1 < piece.size(); ++i) {
                std::array<int, 3> k = {piece[0], piece[i], piece[i + 1]};
                if (z < 0) std::swap(k[1], k[2]);  // the bottom faces down
                std::array<uint32_t, 3> v{}, t{};
                for (int j = 0; j < 3; ++j) {
                    const auto& p = outline[static_cast<size_t>(k[j])];
                    v[j] = m.Vertex(P3{p.first, p.second, z});
                    const auto w = uv(p.first, p.second);
                    t[j] = m.Uv(w[0], w[1]);
                }
                m.Triangle(v, t, 0);
            }
    // The rim: one quad per outline edge (the outline runs clockwise seen from above).
    for (size_t i = 0; i < outline.size(); ++i) {
        const auto& a = outline[i];
        const auto& b = outline[(i + 1) % outline.size()];
        const uint32_t v0 = m.Vertex(P3{a.first, a.second, half}), v1 = m.Vertex(P3{b.first, b.second, half});
        const uint32_t v2 = m.Vertex(P3{b.first, b.second, -half}), v3 = m.Vertex(P3{a.first, a.second, -half});
        const uint32_t t0 = m.Uv(0.0f, 0.0f), t1 = m.Uv(1.0f, 0.0f), t2 = m.Uv(1.0f, 0.1f), t3 = m.Uv(0.0f, 0.1f);
        m.Triangle({v0, v2, v1}, {t0, t2, t1}, 0);
        m.Triangle({v0, v3, v2}, {t0, t3, t2}, 0);
    }
    return m;
}

bool AddSheet(PackContent& pack, const std::string& colour, const std::string& alpha, const Canvas& c,
              std::string* error) {
    if (c.Width() != kSize) return false;  // a glyph could not be baked; *error says why
    return pack.Add(colour, c.ColourBmp(), error, false) && (alpha.empty() || pack.Add(alpha, c.AlphaBmp(), error, false));
}

}  // namespace

bool AddHudArt(PackContent& pack, std::string* error) {
    if (!AddSheet(pack, "TEXTURES\\OVERLAY\\TEXT.BMP", "TEXTURES\\OVERLAY\\TEXTA.BMP", TextSheet(error), error) ||
        !AddSheet(pack, "TEXTURES\\OVERLAY\\ID.BMP", "TEXTURES\\OVERLAY\\IDA.BMP", IdSheet(), error) ||
        !AddSheet(pack, "gyro\\gyro.bmp", "gyro\\gyro-a.bmp", GyroSheet(), error) ||
        !AddSheet(pack, "TEXTURES\\OVERLAY\\replayoff.bmp", "TEXTURES\\OVERLAY\\replayoff_a.bmp",
                  ReplaySheet(false, error), error) ||
        !AddSheet(pack, "TEXTURES\\OVERLAY\\replayon.bmp", "TEXTURES\\OVERLAY\\replayon_a.bmp", ReplaySheet(true, error),
                  error) ||
        !pack.Add("dirarow\\dirarow.bmp", ArrowTexture().ColourBmp(), error, false))
        return false;
    std::vector<uint8_t> arrow =
        meshkit::ExportJMesh5({ArrowMesh()}, {meshkit::KitMaterial{"dirarow.bmp", "", {0.95f, 0.6f, 0.1f}}}, 1.0f, error);
    if (arrow.empty()) {
        *error = "dirarow\\dirarow.JM5: " + *error;
        return false;
    }
    return pack.Add("dirarow\\dirarow.JM5", std::move(arrow), error);
}

}  // namespace tools
