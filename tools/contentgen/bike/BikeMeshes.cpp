#include "tools/contentgen/bike/BikeMeshes.h"

#include <cmath>

#include "tools/contentgen/bike/BikeAtlas.h"
#include "tools/contentgen/meshkit/MeshKit.h"

namespace tools::bike {

namespace {

using meshkit::AddBox;
using meshkit::AddPanel;
using meshkit::AddTube;
using meshkit::Frame3;
using meshkit::FrameAlong;
using meshkit::FrameToward;
using meshkit::KitMaterial;
using meshkit::KitMesh;
using meshkit::P3;
using meshkit::Ring;

// Where the parts hang, as the game's part chain places them (bike space, all part values 0).
constexpr P3 kSwingPivot{0.0f, 1.64561f, 0.48575f};
constexpr P3 kSteeringHead{0.0f, 1.64561f + 2.13199f, 0.48575f + 1.70005f};
// Down the steering head (the fork's slide direction) and forward across it.
const P3 kDown = meshkit::Unit({0.0f, 320.0f, -640.0f});
const P3 kAcross = meshkit::Unit({0.0f, 640.0f, 320.0f});
// The fork legs run this far ahead of the steering axis.
constexpr float kForkOffset = 0.116f;
constexpr float kForkSpread = 0.42f;
constexpr float kWheelRadius = 1.2f;

const KitMaterial kSkin{"BIKET01.BMP", "", {0.8f, 0.8f, 0.8f}};

// A round tube from a to b.
void Rod(KitMesh& m, P3 a, P3 b, float radius, const AtlasArea& area, uint32_t sides = 6, P3 hint = {0, 0, 1}) {
    AddTube(m, FrameAlong(a, b, hint), {{0, radius, radius}, {plat::Length(b - a), radius, radius}}, sides, area.Uv(), 0,
            true, true);
}

// A tube along y through rings (y, centre z, half width, half height).
struct Section {
    float y, z, halfWidth, halfHeight;
};
void Shell(KitMesh& m, const std::vector<Section>& sections, const AtlasArea& area, P3 offset) {
    // Frame with z forward and y up: ring radii rx lateral, ry vertical.
    const Frame3 f = FrameToward({offset.x, offset.y, offset.z}, {0, 1, 0}, {0, 0, 1});
    std::vector<Ring> rings;
    for (const Section& s : sections) rings.push_back({s.y, s.halfWidth, s.halfHeight, 0.0f, s.z});
    AddTube(m, f, rings, 10, area.Uv(), 0, true, true, -1.5707964f);
}

// Engine size of each body: 125 small and light, 500 long and heavy.
struct BodyClass {
    float engine;  // engine block scale
    float tank;    // tank and shroud scale
    float silencer;
};
constexpr BodyClass kClasses[3] = {{0.85f, 0.9f, 0.16f}, {1.0f, 1.0f, 0.19f}, {1.15f, 1.1f, 0.23f}};

KitMesh Body(const BodyClass& c) {
    KitMesh m;
    const P3 o = kSwingPivot * -1.0f;  // authored in bike space, stored about the swing-arm pivot
    const Frame3 at{o, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float e = c.engine;
    // Engine block and cylinder.
    AddBox(m, at, {-0.42f * e, 2.6f - 0.6f * e, 0.45f - 0.6f * e}, {0.42f * e, 2.6f + 0.6f * e, 0.45f + 0.55f * e},
           kEngine.Uv(), 0);
    AddBox(m, at, {-0.3f * e, 2.75f, 0.9f}, {0.3f * e, 2.75f + 0.55f * e, 0.9f + 0.65f * e}, kEngine.Uv(), 0);
    // Frame: down tube, twin spars to the pivot, subframe under the seat.
    Rod(m, o + P3{0, 3.95f, 1.85f}, o + P3{0, 3.3f, 0.0f}, 0.11f, kFrame);
    for (float s : {-1.0f, 1.0f}) {
        Rod(m, o + P3{0.22f * s, 3.8f, 2.0f}, o + P3{0.32f * s, 1.95f, 1.65f}, 0.1f, kFrame);
        Rod(m, o + P3{0.32f * s, 1.95f, 1.65f}, o + P3{0.34f * s, 1.646f, 0.486f}, 0.1f, kFrame);
        Rod(m, o + P3{0.3f * s, 1.95f, 1.65f}, o + P3{0.26f * s, -0.3f, 2.35f}, 0.06f, kFrame);
        // Radiator shrouds and side number plates.
        AddBox(m, at, {s > 0 ? 0.48f : -0.62f * c.tank, 3.0f, 1.35f}, {s > 0 ? 0.62f * c.tank : -0.48f, 3.95f, 2.45f},
               kMainPlastic.Band(0.05f, 0.5f), 0);
        AddBox(m, at, {s > 0 ? 0.36f : -0.46f, 0.7f, 1.55f}, {s > 0 ? 0.46f : -0.36f, 1.95f, 2.4f}, kNumberPlate.Uv(), 0);
    }
    // Tank, seat, air box and rear fender.
    const float t = c.tank;
    Shell(m, {{2.35f, 2.25f, 0.34f * t, 0.25f}, {2.7f, 2.35f, 0.52f * t, 0.38f * t}, {3.4f, 2.35f, 0.55f * t, 0.36f * t},
              {3.8f, 2.2f, 0.36f * t, 0.24f}},
          kMainPlastic, o);
    Shell(m, {{0.2f, 2.62f, 0.3f, 0.1f}, {0.5f, 2.62f, 0.36f, 0.16f}, {2.4f, 2.62f, 0.36f, 0.17f}, {2.9f, 2.7f, 0.28f, 0.12f}},
          kSeat, o);
    AddBox(m, at, {-0.36f, 1.55f, 1.55f}, {0.36f, 2.5f, 2.45f}, kTrimPlastic.Uv(), 0);
    Shell(m, {{-1.7f, 2.78f, 0.28f, 0.05f}, {-0.8f, 2.62f, 0.42f, 0.07f}, {0.3f, 2.46f, 0.44f, 0.07f}}, kTrimPlastic, o);
    // Exhaust: header round the engine's side, silencer up under the seat.
    const float r = c.silencer;
    Rod(m, o + P3{0.2f, 3.3f, 1.0f}, o + P3{0.5f, 2.9f, 0.35f}, 0.08f, kMetal);
    Rod(m, o + P3{0.5f, 2.9f, 0.35f}, o + P3{0.55f, 1.9f, 1.45f}, 0.08f, kMetal);
    AddTube(m, FrameAlong(o + P3{0.56f, 1.95f, 1.5f}, o + P3{0.56f, -0.45f, 2.3f}, {0, 0, 1}),
            {{0, r * 0.7f, r * 0.7f}, {0.3f, r, r}, {2.2f, r, r}, {2.5f, r * 0.6f, r * 0.6f}}, 8, kMetal.Uv(), 0, true,
            true);
    return m;
}

KitMesh RearFork() {
    KitMesh m;
    for (float s : {-1.0f, 1.0f}) {
        AddTube(m, FrameAlong({0.36f * s, -0.1f, 0}, {0.33f * s, kSwingPivot.y, kSwingPivot.z}, {0, 0, 1}),
                {{0, 0.07f, 0.12f}, {0.6f, 0.08f, 0.15f}, {plat::Length(kSwingPivot) + 0.1f, 0.08f, 0.13f}}, 6,
                kFrame.Uv(), 0, true, true);
    }
    AddBox(m, {}, {-0.4f, -0.12f, -0.08f}, {0.4f, 0.12f, 0.08f}, kMetal.Uv(), 0);  // axle
    // Chain guide and the rear shock's lower mount.
    AddBox(m, {}, {-0.42f, 0.5f, -0.25f}, {-0.36f, 1.3f, 0.0f}, kRubber.Uv(), 0);
    AddBox(m, {}, {-0.12f, 1.1f, 0.25f}, {0.12f, 1.4f, 0.55f}, kMetal.Uv(), 0);
    return m;
}

KitMesh Handlebar() {
    KitMesh m;
    const P3 up = kDown * -1.0f;
    const Frame3 head = FrameToward({0, 0, 0}, up, {0, 1, 0});
    // Triple clamps, and the fork tubes they hold down to where the sliders take over.
    AddBox(m, head, {-0.55f, -0.2f, -0.06f}, {0.55f, 0.4f, 0.08f}, kMetal.Uv(), 0);
    AddBox(m, head, {-0.55f, -0.2f, -0.62f}, {0.55f, 0.4f, -0.48f}, kMetal.Uv(), 0);
    for (float s : {-1.0f, 1.0f}) {
        const P3 top = P3{kForkSpread * s, 0, 0} + kAcross * kForkOffset + up * 0.12f;
        Rod(m, top, top + kDown * 1.6f, 0.085f, kForkTube, 8, {0, 1, 0});
    }
    // Bar on risers, grips at the ends.
    for (float s : {-1.0f, 1.0f}) {
        Rod(m, {0.2f * s, -0.05f, 0.06f}, {0.2f * s, -0.2f, 0.55f}, 0.06f, kMetal);
        Rod(m, {0.0f, -0.25f, 0.58f}, {0.6f * s, -0.3f, 0.64f}, 0.05f, kMetal);
        Rod(m, {0.6f * s, -0.3f, 0.64f}, {1.15f * s, -0.68f, 0.8f}, 0.05f, kMetal);
        Rod(m, {0.8f * s, -0.45f, 0.7f}, {1.15f * s, -0.69f, 0.8f}, 0.075f, kRubber);
    }
    // Front number plate on the clamps, and the front fender under the lower clamp.
    const P3 c = kAcross * 0.42f + kDown * 0.3f;
    const P3 side{0.5f, 0, 0};
    AddPanel(m, c - side + kDown * 0.45f, c + side + kDown * 0.45f, c + side - kDown * 0.5f, c - side - kDown * 0.5f,
             kNumberPlate.Uv(), 0);
    Shell(m, {{-0.3f, -0.42f, 0.3f, 0.04f}, {0.5f, -0.45f, 0.4f, 0.05f}, {1.6f, -0.55f, 0.38f, 0.05f},
              {2.5f, -0.72f, 0.26f, 0.04f}},
          kTrimPlastic, kDown * 0.1f);
    return m;
}

KitMesh FrontFork() {
    KitMesh m;
    const P3 up = kDown * -1.0f;
    for (float s : {-1.0f, 1.0f}) {
        const P3 axle{kForkSpread * s, 0, 0};
        AddTube(m, FrameAlong(axle + kDown * 0.12f, axle + up * 1.45f, {0, 1, 0}),
                {{0, 0.1f, 0.1f}, {0.15f, 0.13f, 0.13f}, {1.35f, 0.13f, 0.13f}, {1.57f, 0.11f, 0.11f}}, 8,
                kRubber.Uv(), 0, true, true);
        // Fork guard in front of the slider.
        AddPanel(m, axle + kAcross * 0.16f + up * 0.3f + P3{-0.1f * s, 0, 0}, axle + kAcross * 0.16f + up * 0.3f + P3{0.1f * s, 0, 0},
                 axle + kAcross * 0.16f + up * 1.1f + P3{0.1f * s, 0, 0}, axle + kAcross * 0.16f + up * 1.1f + P3{-0.1f * s, 0, 0},
                 kTrimPlastic.Uv(), 0);
    }
    AddBox(m, {}, {-0.5f, -0.07f, -0.07f}, {0.5f, 0.07f, 0.07f}, kMetal.Uv(), 0);
    return m;
}

// The wheel: a knobby tyre and two spoked discs (material 0, the wheel texture with its cut-out alpha)
// round a hub and brake disc that wear the skin (material 1).
KitMesh Wheel() {
    KitMesh m;
    constexpr uint32_t kAround = 32;
    // Tyre section from the rim on one side over the tread to the rim on the other: (x, radius).
    const float profile[6][2] = {{-0.16f, 0.92f}, {-0.22f, 1.06f}, {-0.15f, 1.2f}, {0.15f, 1.2f}, {0.22f, 1.06f}, {0.16f, 0.92f}};
    const meshkit::UvRect tread = meshkit::Texels(0, 0, 128, 32, 128);
    const uint32_t first = static_cast<uint32_t>(m.verts.size());
    std::vector<uint32_t> uv;
    for (uint32_t i = 0; i <= kAround; ++i) {
        const float a = 6.2831853f * static_cast<float>(i) / kAround;
        for (int k = 0; k < 6; ++k) {
            // Knobs: every other step of the tread stands out.
            float r = profile[k][1];
            if ((k == 2 || k == 3) && i % 2) r = kWheelRadius - 0.07f;
            if (i < kAround) m.Vertex({profile[k][0], r * std::cos(a), r * std::sin(a)});
            uv.push_back(m.Uv(tread.u0 + (tread.u1 - tread.u0) * static_cast<float>(i % 8) / 8.0f,
                              tread.v0 + (tread.v1 - tread.v0) * static_cast<float>(k) / 5.0f));
        }
    }
    auto v = [&](uint32_t i, int k) { return first + (i % kAround) * 6 + static_cast<uint32_t>(k); };
    auto t = [&](uint32_t i, int k) { return uv[i * 6 + static_cast<uint32_t>(k)]; };
    for (uint32_t i = 0; i < kAround; ++i)
        for (int k = 0; k < 5; ++k) {
            m.Triangle({v(i, k), v(i + 1, k), v(i + 1, k + 1)}, {t(i, k), t(i + 1, k), t(i + 1, k + 1)}, 0);
            m.Triangle({v(i, k), v(i + 1, k + 1), v(i, k + 1)}, {t(i, k), t(i + 1, k + 1), t(i, k + 1)}, 0);
        }
    // Spoked discs on both faces, mapped onto the round picture below the tread strip.
    for (float s : {-1.0f, 1.0f}) {
        const uint32_t centre = m.Vertex({0.05f * s, 0, 0});
        const uint32_t centreUv = m.Uv(0.5f, 80.0f / 128.0f);
        std::vector<uint32_t> rim, rimUv;
        for (uint32_t i = 0; i < 16; ++i) {
            const float a = 6.2831853f * static_cast<float>(i) / 16.0f;
            rim.push_back(m.Vertex({0.05f * s, 0.94f * std::cos(a), 0.94f * std::sin(a)}));
            rimUv.push_back(m.Uv(0.5f + 0.36f * std::cos(a), 80.0f / 128.0f - 0.36f * std::sin(a)));
        }
        for (uint32_t i = 0; i < 16; ++i) {
            const uint32_t j = (i + 1) % 16;
            if (s > 0) m.Triangle({centre, rim[i], rim[j]}, {centreUv, rimUv[i], rimUv[j]}, 0);
            else m.Triangle({centre, rim[j], rim[i]}, {centreUv, rimUv[j], rimUv[i]}, 0);
        }
    }
    // Hub and brake disc.
    AddTube(m, FrameToward({-0.26f, 0, 0}, {1, 0, 0}, {0, 0, 1}), {{0, 0.17f, 0.17f}, {0.52f, 0.17f, 0.17f}}, 8,
            kHub.Uv(), 1, true, true);
    AddTube(m, FrameToward({0.14f, 0, 0}, {1, 0, 0}, {0, 0, 1}), {{0, 0.5f, 0.5f}, {0.03f, 0.5f, 0.5f}}, 12,
            kMetal.Uv(), 1, true, true);
    return m;
}

bool Export(std::vector<std::pair<std::string, std::vector<uint8_t>>>& out, const std::string& name, const KitMesh& mesh,
            const std::vector<KitMaterial>& materials, std::string* error) {
    std::vector<uint8_t> bytes = meshkit::ExportJMesh5({mesh}, materials, 1.0f, error);
    if (bytes.empty()) {
        *error = name + ": " + *error;
        return false;
    }
    out.emplace_back(name, std::move(bytes));
    return true;
}

}  // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> BikeMeshFiles(std::string* error) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    const KitMaterial tyre{"FrntWhel.bmp", "FrntWhelA.bmp", {0.2f, 0.2f, 0.2f}};
    const bool ok = Export(out, "BIKES\\Body125.JM5", Body(kClasses[0]), {kSkin}, error) &&
                    Export(out, "BIKES\\Body250.JM5", Body(kClasses[1]), {kSkin}, error) &&
                    Export(out, "BIKES\\Body500.JM5", Body(kClasses[2]), {kSkin}, error) &&
                    Export(out, "BIKES\\Wheel.JM5", Wheel(), {tyre, kSkin}, error) &&
                    Export(out, "BIKES\\rearfrks.JM5", RearFork(), {kSkin}, error) &&
                    Export(out, "BIKES\\handleb.JM5", Handlebar(), {kSkin}, error) &&
                    Export(out, "BIKES\\forks.JM5", FrontFork(), {kSkin}, error);
    if (!ok) out.clear();
    return out;
}

}  // namespace tools::bike
