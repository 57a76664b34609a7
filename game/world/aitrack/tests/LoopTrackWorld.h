#pragma once
// A generated closed track: a stadium-shaped loop (two straights of 600 joined by half circles of
// radius 300) on a flat 1600 x 1600 landscape, 40 AI gates along it as the editor saves them, an
// on-track bitmap of 256 x 256 cells, and a jump ramp on the first straight (rising to 7.0 over 60
// units, then dropping away) followed by a stunt gate. Riders run counter-clockwise seen from above; the start gate lies on the first straight,
// which runs toward +x at y = 500. Tests of the AI track,
// bikelab's rider runs and the AI benchmark share it.
#include <cmath>
#include <cstdint>
#include <vector>

#include "game/world/writer/WorldWriter.h"

namespace kes::test {

struct LoopTrack {
    static constexpr float kWorld = 1600.0f;
    static constexpr float kStraightY = 500.0f;     // the first straight, toward +x
    static constexpr float kCentreY = 800.0f;       // centres of the half circles
    static constexpr float kStraightFrom = 500.0f, kStraightTo = 1100.0f;
    static constexpr float kRadius = 300.0f;
    static constexpr float kHalfWidth = 20.0f;      // gate end points either side of the centre line
    static constexpr float kGateRadius = 25.0f;
    static constexpr int kGates = 40;
    static constexpr float kStartS = 50.0f;         // the start gate at x = 550 on the first straight
    static constexpr float kRampFrom = 840.0f, kRampTo = 900.0f, kRampHeight = 7.0f;
    static constexpr int kStuntWaypoint = 5;        // the gate after the jump
    static constexpr uint8_t kBendSpeed = 80;       // speed limit of the gates on the half circles
    static constexpr float kPi = 3.14159265f;

    static float Length() { return 2.0f * (kStraightTo - kStraightFrom) + 2.0f * kPi * kRadius; }

    // Point and unit heading of the centre line at distance s from the first straight's start.
    static void At(float s, Vec3* point, Vec3* heading) {
        const float straight = kStraightTo - kStraightFrom;
        const float arc = kPi * kRadius;
        s = std::fmod(s, Length());
        if (s < 0) s += Length();
        if (s < straight) {
            *point = {kStraightFrom + s, kStraightY, 0};
            *heading = {1, 0, 0};
        } else if (s < straight + arc) {
            const float a = -kPi / 2 + (s - straight) / kRadius;
            *point = {kStraightTo + kRadius * std::cos(a), kCentreY + kRadius * std::sin(a), 0};
            *heading = {-std::sin(a), std::cos(a), 0};
        } else if (s < 2 * straight + arc) {
            *point = {kStraightTo - (s - straight - arc), 2 * kCentreY - kStraightY, 0};
            *heading = {-1, 0, 0};
        } else {
            const float a = kPi / 2 + (s - 2 * straight - arc) / kRadius;
            *point = {kStraightFrom + kRadius * std::cos(a), kCentreY + kRadius * std::sin(a), 0};
            *heading = {-std::sin(a), std::cos(a), 0};
        }
    }

    static float RampHeight(float x, float y) {
        if (y < kStraightY - 50 || y > kStraightY + 50 || x < kRampFrom || x > kRampTo) return 0.0f;
        return kRampHeight * (x - kRampFrom) / (kRampTo - kRampFrom);
    }
};

inline AiTrackData LoopTrackGates() {
    using L = LoopTrack;
    AiTrackData t;
    for (int k = 0; k < L::kGates; ++k) {
        Vec3 p, h;
        L::At(L::kStartS + L::Length() * static_cast<float>(k) / L::kGates, &p, &h);
        const Vec3 left = {-h.y, h.x, 0};
        AiNodeData n;
        n.centre = p;
        n.leftEdge = {p.x + left.x * L::kHalfWidth, p.y + left.y * L::kHalfWidth, 0};
        n.rightEdge = {p.x - left.x * L::kHalfWidth, p.y - left.y * L::kHalfWidth, 0};
        n.leftWidth = L::kGateRadius;
        n.rightWidth = L::kGateRadius;
        n.stunt = k == L::kStuntWaypoint ? 1 : 0;
        // Gates in the bends and the last one before each bend hold the riders to a speed they can
        // turn at.
        Vec3 ahead, aheadHeading;
        L::At(L::kStartS + L::Length() * (static_cast<float>(k) + 1.0f) / L::kGates, &ahead, &aheadHeading);
        if (h.y != 0 || aheadHeading.y != 0) n.topSpeed = L::kBendSpeed;

        n.links = {(k + 1) % L::kGates};
        t.nodes.push_back(n);
    }
    t.startNode = 0;
    // The bitmap: cells within 35 of the centre line are track.
    constexpr uint32_t kCells = 256;
    t.hasMap = true;
    t.mapWidth = t.mapHeight = kCells;
    t.mapBits.assign(kCells / 8 * kCells, 0);
    for (uint32_t row = 0; row < kCells; ++row) {
        for (uint32_t col = 0; col < kCells; ++col) {
            const float x = (static_cast<float>(col) + 0.5f) * L::kWorld / kCells;
            const float y = (static_cast<float>(row) + 0.5f) * L::kWorld / kCells;
            float d;
            if (x < L::kStraightFrom) {
                d = std::fabs(std::hypot(x - L::kStraightFrom, y - L::kCentreY) - L::kRadius);
            } else if (x > L::kStraightTo) {
                d = std::fabs(std::hypot(x - L::kStraightTo, y - L::kCentreY) - L::kRadius);
            } else {
                d = std::fmin(std::fabs(y - L::kStraightY), std::fabs(y - (2 * L::kCentreY - L::kStraightY)));
            }
            if (d < 35.0f) t.mapBits[row * (kCells / 8) + col / 8] |= static_cast<uint8_t>(1u << (col % 8));
        }
    }
    return t;
}

inline std::vector<uint8_t> LoopTrackWorld() {
    using L = LoopTrack;
    WorldBounds b;
    b.minX = b.minY = 0;
    b.maxX = b.maxY = L::kWorld;
    b.minZ = -100;
    b.maxZ = 500;
    WorldWriter w;
    w.Header(b);
    w.Fog(FogData());
    LandscapeData land;
    land.knotsX = land.knotsY = 161;  // a knot every 10 units
    land.knotsPerCellX = land.knotsPerCellY = 4;
    land.bounds = b;
    land.heights.resize(161u * 161u);
    for (uint32_t j = 0; j < 161; ++j)
        for (uint32_t i = 0; i < 161; ++i)
            land.heights[j * 161 + i] = L::RampHeight(static_cast<float>(i) * 10.0f, static_cast<float>(j) * 10.0f);
    land.cells.assign(static_cast<size_t>(land.CellsX()) * land.CellsY(), 1);
    land.textures.push_back({"ground.bmp", DibPicture::Solid(8, 8, 120, 160, 80)});
    w.Landscape(land);
    w.AiTrack(LoopTrackGates());
    return w.Finish();
}

}  // namespace kes::test
