#pragma once
// Grounds made from a few numbers, for tools, tests and benchmarks: flat, an even slope, a kicker
// ramp and a random rolling heightfield with random surface codes.
#include <cstdint>
#include <vector>

#include "game/world/physics/GroundQuery.h"

namespace kes {

// Heights of every generated ground stay inside +-kGroundHeightLimit.
constexpr float kGroundHeightLimit = 1.0e5f;

class FlatGround : public GroundQuery {
public:
    explicit FlatGround(float height = 0.0f, uint8_t surface = 0);
    float HeightAt(float x, float y) const override;
    void NormalAt(float x, float y, float height, Vec3* out) const override;
    uint8_t SurfaceAt(float x, float y) const override;

private:
    float height_;
    uint8_t surface_;
};

// z = grade x y: uphill along +y (the bike's default heading) for a positive grade.
class SlopeGround : public GroundQuery {
public:
    explicit SlopeGround(float grade);
    float HeightAt(float x, float y) const override;

private:
    float grade_;
};

// Flat ground with a kicker across the y axis: from y = start the ground rises evenly to height over
// length, then drops straight back to 0.
class RampGround : public GroundQuery {
public:
    RampGround(float start, float height, float length);
    float HeightAt(float x, float y) const override;

private:
    float start_;
    float height_;
    float length_;
};

// Rolling hills: a square grid of random heights (cells of cellSize, repeating every `cells` cells),
// smoothly interpolated, and one random surface code per cell. The same seed gives the same ground.
class RandomGround : public GroundQuery {
public:
    RandomGround(uint32_t seed, float amplitude, float cellSize = 40.0f, bool depthCodes = false);
    float HeightAt(float x, float y) const override;
    uint8_t SurfaceAt(float x, float y) const override;
    float NormalStep() const override { return cellSize_ * 10.0f / 512.0f; }

private:
    int CellIndex(float v) const;

    static constexpr int kCells = 64;
    float cellSize_;
    std::vector<float> heights_;
    std::vector<uint8_t> surfaces_;
};

}  // namespace kes
