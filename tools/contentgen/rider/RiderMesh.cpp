#include "tools/contentgen/rider/RiderMesh.h"

#include "tools/contentgen/meshkit/MeshKit.h"
#include "tools/contentgen/rider/RiderAtlas.h"
#include "tools/contentgen/rider/RiderPoses.h"

namespace tools::rider {

namespace {

using meshkit::AddBox;
using meshkit::AddTube;
using meshkit::Frame3;
using meshkit::FrameAlong;
using meshkit::FrameToward;
using meshkit::KitMesh;
using meshkit::Ring;
using meshkit::TubeVertices;

constexpr float kAuthoringScale = 748.0f;  // file units to the world unit
constexpr float kQuarterTurn = 1.5707964f;

// Vertex lists of the skeleton, filled while the shape is built (the same in every frame).
struct Binding {
    std::array<std::vector<uint32_t>, 15> nodes;
    std::array<std::vector<uint32_t>, 12> bones;
};

void Range(std::vector<uint32_t>& list, uint32_t from, uint32_t to) {
    for (uint32_t i = from; i < to; ++i) list.push_back(i);
}
void RingOf(std::vector<uint32_t>& list, const TubeVertices& t, uint32_t ring) {
    Range(list, t.RingStart(ring), t.RingStart(ring) + t.sides);
}

// The rider's shape in one pose, in rider space.
KitMesh Shape(const Skeleton& k, Binding* b) {
    KitMesh m;
    uint32_t start = 0;
    auto bone = [&](int index) {
        Range(b->bones[static_cast<size_t>(index)], start, static_cast<uint32_t>(m.verts.size()));
        start = static_cast<uint32_t>(m.verts.size());
    };
    // Torso: waist to neck, the jersey's seam in front; hips in the trousers below it.
    const Frame3 torso = FrameToward(k.pelvis, k.up, k.forward);
    const TubeVertices jersey =
        AddTube(m, torso,
                {{0.0f, 0.4f, 0.26f}, {0.45f, 0.44f, 0.28f}, {0.85f, 0.52f, 0.3f}, {1.02f, 0.5f, 0.27f},
                 {kTorsoLength, 0.2f, 0.16f}},
                8, kJersey.Uv(), 0, false, true, kQuarterTurn);
    b->nodes[2] = {};
    RingOf(b->nodes[2], jersey, 0);
    RingOf(b->nodes[11], jersey, 4);
    AddTube(m, torso, {{-0.38f, 0.36f, 0.25f}, {-0.05f, 0.41f, 0.27f}}, 8, kTrousers.Uv(), 0, true, false);
    bone(0);
    // Helmet with its peak and chin bar; node 12 is the crown.
    const Frame3 head = FrameToward(k.neck, k.headUp, k.forward);
    AddTube(m, head,
            {{0.12f, 0.29f, 0.31f, 0.0f, 0.03f}, {0.3f, 0.41f, 0.44f, 0.0f, 0.02f}, {0.55f, 0.44f, 0.47f},
             {0.78f, 0.37f, 0.39f}, {kHeadHeight - 0.04f, 0.18f, 0.2f}},
            8, kHelmet.Uv(), 0, true, true, -kQuarterTurn);
    b->nodes[12] = {static_cast<uint32_t>(m.verts.size() - 1)};
    AddBox(m, head, {-0.36f, 0.3f, 0.66f}, {0.36f, 0.66f, 0.74f}, kVisor.Uv(), 0);
    AddBox(m, head, {-0.27f, 0.3f, 0.08f}, {0.27f, 0.55f, 0.34f}, kVisor.Uv(), 0);
    bone(1);
    for (int s = 0; s < 2; ++s) {
        const int node = s;  // shoulders 0 and 1
        const Frame3 upper = FrameAlong(k.shoulder[s], k.elbow[s], k.elbowPole[s]);
        const TubeVertices arm = AddTube(
            m, upper, {{-0.1f, 0.11f, 0.11f}, {0.0f, 0.16f, 0.16f}, {0.35f, 0.15f, 0.15f}, {kUpperArm, 0.12f, 0.12f}}, 6,
            kSleeve.Uv(), 0, true, true);
        RingOf(b->nodes[static_cast<size_t>(node)], arm, 1);
        bone(s ? 5 : 2);
        const Frame3 lower = FrameAlong(k.elbow[s], k.hand[s], k.elbowPole[s]);
        const TubeVertices fore = AddTube(
            m, lower, {{0.0f, 0.125f, 0.125f}, {0.2f, 0.13f, 0.13f}, {0.6f, 0.1f, 0.1f}, {0.68f, 0.09f, 0.09f}}, 6,
            kSleeve.Uv(), 0, true, true);
        RingOf(b->nodes[s ? 5u : 3u], fore, 0);
        bone(s ? 6 : 3);
        // The glove's eight corners are centred on the hand.
        const uint32_t glove = static_cast<uint32_t>(m.verts.size());
        AddBox(m, lower, {-0.11f, -0.13f, kForearm - 0.16f}, {0.11f, 0.13f, kForearm + 0.16f}, kGlove.Uv(), 0);
        Range(b->nodes[s ? 6u : 4u], glove, glove + 8);
        bone(s ? 7 : 4);
    }
    for (int s = 0; s < 2; ++s) {
        const Frame3 upper = FrameAlong(k.hip[s], k.knee[s], k.kneePole[s]);
        const TubeVertices thigh = AddTube(
            m, upper, {{-0.12f, 0.2f, 0.2f}, {0.0f, 0.25f, 0.25f}, {0.9f, 0.22f, 0.23f}, {kThigh, 0.17f, 0.17f}}, 8,
            kTrousers.Uv(), 0, true, true);
        RingOf(b->nodes[s ? 14u : 13u], thigh, 1);
        bone(s ? 10 : 8);
        const Frame3 lower = FrameAlong(k.knee[s], k.ankle[s], k.kneePole[s]);
        const TubeVertices shin = AddTube(
            m, lower, {{0.0f, 0.18f, 0.19f}, {0.3f, 0.21f, 0.22f}, {1.2f, 0.19f, 0.2f}, {kShin, 0.16f, 0.17f}}, 8,
            kBoot.Uv(), 0, true, true);
        RingOf(b->nodes[s ? 9u : 7u], shin, 0);
        RingOf(b->nodes[s ? 10u : 8u], shin, 3);
        // The boot's foot, toe forward (toward where the knee points).
        AddBox(m, lower, {-0.15f, -0.22f, kShin - 0.12f}, {0.15f, 0.55f, kShin + 0.2f}, kBoot.Uv(), 0);
        bone(s ? 11 : 9);
    }
    return m;
}

// Rider space to the mesh's own axes (turned half about z) at the authoring scale.
void ToMeshAxes(KitMesh& m) {
    for (meshkit::P3& p : m.verts) p = {-p.x, -p.y, p.z};
}

}  // namespace

bool MakeRiderMesh(RiderMeshFiles* out, std::string* error) {
    const std::vector<RiderPose> poses = RiderFramePoses();
    std::vector<KitMesh> frames;
    frames.reserve(poses.size());
    Binding binding;
    for (size_t f = 0; f < poses.size(); ++f) {
        Binding scratch;
        frames.push_back(Shape(PoseSkeleton(poses[f]), f == 0 ? &binding : &scratch));
        ToMeshAxes(frames.back());
    }
    out->listedVertices = static_cast<uint32_t>(frames[0].verts.size());
    out->mesh = meshkit::ExportJMesh5(frames, {{"RIDERT01.BMP", "", {0.8f, 0.8f, 0.8f}}}, kAuthoringScale, error);
    if (out->mesh.empty()) return false;
    out->nodeDump.clear();
    for (const auto& list : binding.nodes) {
        auto u32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) out->nodeDump.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        u32(static_cast<uint32_t>(list.size()));
        for (uint32_t v : list) u32(v);
    }
    out->boneDump.clear();
    for (const auto& list : binding.bones) {
        // Big-endian signed 16-bit words: the shape stays far below 32768 vertices.
        auto i16 = [&](uint32_t v) {
            out->boneDump.push_back(static_cast<uint8_t>(v >> 8));
            out->boneDump.push_back(static_cast<uint8_t>(v));
        };
        i16(static_cast<uint32_t>(list.size()));
        for (uint32_t v : list) i16(v);
    }
    return true;
}

}  // namespace tools::rider
