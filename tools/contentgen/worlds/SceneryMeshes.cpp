#include "tools/contentgen/worlds/SceneryMeshes.h"

#include "tools/contentgen/meshkit/MeshKit.h"

namespace tools::worlds {

namespace {

using meshkit::AddBox;
using meshkit::AddTube;
using meshkit::Frame3;
using meshkit::KitMaterial;
using meshkit::KitMesh;
using meshkit::P3;

const meshkit::UvRect kWhole{0, 0, 1, 1};

// Colours from the palette: trunk brown, leaf greens, rock greys, tyre black, straw, race orange.
KitMaterial Colour(float r, float g, float b) { return KitMaterial{"", "", {r, g, b}}; }

}  // namespace

const char* SceneryFileName(Scenery kind) {
    switch (kind) {
    case Scenery::Tree: return "tree.jm5";
    case Scenery::Rock: return "rock.jm5";
    case Scenery::TyreStack: return "tyres.jm5";
    case Scenery::HayBale: return "haybale.jm5";
    case Scenery::StartBanner: return "banner.jm5";
    case Scenery::Bonus: return "bonus.jm5";
    }
    return "scenery.jm5";
}

std::vector<uint8_t> SceneryMesh(Scenery kind, std::string* error) {
    KitMesh m;
    std::vector<KitMaterial> materials;
    const Frame3 up;
    switch (kind) {
    case Scenery::Tree:
        // A trunk and two cones of leaves.
        materials = {Colour(0.48f, 0.32f, 0.19f), Colour(0.37f, 0.50f, 0.18f)};
        AddTube(m, up, {{0, 1.4f, 1.4f}, {9, 1.0f, 1.0f}}, 6, kWhole, 0, false, true);
        AddTube(m, up, {{7, 8, 8}, {18, 0.3f, 0.3f}}, 8, kWhole, 1, true, true);
        AddTube(m, up, {{14, 6, 6}, {27, 0.2f, 0.2f}}, 8, kWhole, 1, true, true, 0.4f);
        break;
    case Scenery::Rock:
        materials = {Colour(0.54f, 0.52f, 0.50f)};
        AddTube(m, up, {{0, 7, 5.5f, 0, 0}, {3, 7.5f, 6, 0.5f, 0.3f}, {6, 5, 4, 0.8f, -0.2f}, {8, 1, 1, 0.4f, 0}}, 7, kWhole, 0,
                true, true);
        break;
    case Scenery::TyreStack:
        // Three tyres: black rings with a little gap between them.
        materials = {Colour(0.10f, 0.10f, 0.10f)};
        for (int i = 0; i < 3; ++i) {
            const float z = 1.6f * static_cast<float>(i);
            AddTube(m, up, {{z, 2.4f, 2.4f}, {z + 0.3f, 2.6f, 2.6f}, {z + 1.3f, 2.6f, 2.6f}, {z + 1.55f, 2.3f, 2.3f}}, 12, kWhole, 0,
                    true, true);
        }
        break;
    case Scenery::HayBale:
        materials = {Colour(0.90f, 0.78f, 0.40f)};
        AddBox(m, up, {-4, -2, 0}, {4, 2, 3.5f}, kWhole, 0);
        break;
    case Scenery::StartBanner:
        // Two posts across the track (along x) and an orange banner between their tops.
        materials = {Colour(0.95f, 0.95f, 0.95f), Colour(0.95f, 0.55f, 0.10f)};
        AddBox(m, up, {-kBannerHalfSpan - 1.5f, -1.5f, 0}, {-kBannerHalfSpan + 1.5f, 1.5f, 22}, kWhole, 0);
        AddBox(m, up, {kBannerHalfSpan - 1.5f, -1.5f, 0}, {kBannerHalfSpan + 1.5f, 1.5f, 22}, kWhole, 0);
        AddBox(m, up, {-kBannerHalfSpan, -0.5f, 16}, {kBannerHalfSpan, 0.5f, 22}, kWhole, 1);
        break;
    case Scenery::Bonus:
        // A green crate floating over the track on a thin white post.
        materials = {Colour(0.95f, 0.95f, 0.95f), Colour(0.20f, 0.80f, 0.25f)};
        AddBox(m, up, {-0.2f, -0.2f, 0}, {0.2f, 0.2f, 1.5f}, kWhole, 0);
        AddBox(m, up, {-1.5f, -1.5f, 1.5f}, {1.5f, 1.5f, 4.5f}, kWhole, 1);
        break;
    }
    return meshkit::ExportJMesh5({m}, materials, 1.0f, error);
}

}  // namespace tools::worlds
