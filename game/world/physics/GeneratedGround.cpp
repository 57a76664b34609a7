#include "game/world/physics/GeneratedGround.h"

#include <cmath>

#include "platform/sys/Fpu.h"

namespace kes {

namespace {

float LimitHeight(float h) {
    if (!(h > -kGroundHeightLimit)) {
        return std::isnan(h) ? 0.0f : -kGroundHeightLimit;
    }
    return h < kGroundHeightLimit ? h : kGroundHeightLimit;
}

float FiniteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

// The C run-time's generator with a state of its own, so that making a ground does not move the
// game's random sequence.
class LocalRand {
public:
    explicit LocalRand(uint32_t seed) : state_(seed) {}
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    uint32_t state_;
};

}  // namespace

FlatGround::FlatGround(float height, uint8_t surface) : height_(LimitHeight(height)), surface_(surface) {}

float FlatGround::HeightAt(float, float) const { return height_; }

void FlatGround::NormalAt(float, float, float, Vec3* out) const { *out = {0.0f, 0.0f, 1.0f}; }

uint8_t FlatGround::SurfaceAt(float, float) const { return surface_; }

SlopeGround::SlopeGround(float grade) : grade_(FiniteOr(grade, 0.0f)) {}

float SlopeGround::HeightAt(float, float y) const { return LimitHeight(grade_ * y); }

RampGround::RampGround(float start, float height, float length)
    : start_(FiniteOr(start, 0.0f)), height_(LimitHeight(height)), length_(FiniteOr(length, 1.0f)) {
    if (!(length_ > 0.01f)) {
        length_ = 0.01f;  // a ramp of no length would divide by zero
    }
}

float RampGround::HeightAt(float, float y) const {
    const float along = y - start_;
    if (!(along >= 0.0f) || along >= length_) {
        return 0.0f;
    }
    return height_ * (along / length_);
}

RandomGround::RandomGround(uint32_t seed, float amplitude, float cellSize, bool depthCodes)
    : cellSize_(FiniteOr(cellSize, 40.0f)) {
    if (!(cellSize_ >= 1.0f)) {
        cellSize_ = 1.0f;
    }
    if (cellSize_ > 1.0e4f) {
        cellSize_ = 1.0e4f;
    }
    amplitude = LimitHeight(FiniteOr(amplitude, 0.0f));
    LocalRand rng(seed);
    heights_.resize(kCells * kCells);
    surfaces_.resize(kCells * kCells);
    // Surfaces a track is made of; depth codes (water and mud) only when asked for.
    static const uint8_t kCodes[] = {0, 0, 0, 1, 2, 16, 17, 32, 33, 48, 49, 64, 65, 80, 81, 112, 96, 130};
    for (int i = 0; i < kCells * kCells; ++i) {
        heights_[i] = LimitHeight(amplitude * (static_cast<float>(rng.Next()) / 32767.0f - 0.5f));
        const int pick = rng.Next();
        if (depthCodes && (pick & 7) == 0) {
            surfaces_[i] = static_cast<uint8_t>(144 + (pick >> 3) % 112);
        } else {
            surfaces_[i] = kCodes[pick % (sizeof(kCodes) / sizeof(kCodes[0]))];
        }
    }
}

int RandomGround::CellIndex(float v) const {
    // Cells repeat every kCells; the integer part is taken with a floor so that negative
    // coordinates continue the pattern instead of mirroring it.
    const double cell = std::floor(static_cast<double>(v) / cellSize_);
    const double wrapped = cell - std::floor(cell / kCells) * kCells;
    int i = static_cast<int>(wrapped);
    return i < 0 ? 0 : (i >= kCells ? kCells - 1 : i);
}

float RandomGround::HeightAt(float x, float y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return 0.0f;
    }
    const double fx = static_cast<double>(x) / cellSize_;
    const double fy = static_cast<double>(y) / cellSize_;
    double tx = fx - std::floor(fx);
    double ty = fy - std::floor(fy);
    // Smoothstep between the four grid heights: a continuous surface with a continuous slope.
    tx = tx * tx * (3.0 - 2.0 * tx);
    ty = ty * ty * (3.0 - 2.0 * ty);
    const int i0 = CellIndex(x);
    const int j0 = CellIndex(y);
    const int i1 = (i0 + 1) % kCells;
    const int j1 = (j0 + 1) % kCells;
    const double h00 = heights_[j0 * kCells + i0];
    const double h10 = heights_[j0 * kCells + i1];
    const double h01 = heights_[j1 * kCells + i0];
    const double h11 = heights_[j1 * kCells + i1];
    const double low = h00 + (h10 - h00) * tx;
    const double high = h01 + (h11 - h01) * tx;
    return LimitHeight(static_cast<float>(low + (high - low) * ty));
}

uint8_t RandomGround::SurfaceAt(float x, float y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return 0;
    }
    return surfaces_[CellIndex(y) * kCells + CellIndex(x)];
}

}  // namespace kes
