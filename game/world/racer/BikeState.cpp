#include "game/world/racer/BikeState.h"

#include <cmath>
#include <cstring>

#include "game/world/rider/RiderBody.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

void WriteU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v & 0xFF);
    at[1] = static_cast<uint8_t>(v >> 8);
}
uint16_t ReadU16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
int16_t ClampI16(float v) {
    if (!(v > -32768.0f)) return -32768;
    if (v > 32767.0f) return 32767;
    return static_cast<int16_t>(plat::FloatToInt(v));
}
void WriteVec3(uint8_t* at, const Vec3& v) {
    WriteBlockFloat(at, v.x);
    WriteBlockFloat(at + 4, v.y);
    WriteBlockFloat(at + 8, v.z);
}

bool UsableWireFloat(float f) { return std::isfinite(f) && std::fabs(f) <= kNetMaxCoordinate; }

// Control byte of each bit of the first word (bits 7 and 8 are analog-mode words 1 and 2).
const int kControlBits[7] = {kControlLeft,     kControlRight, kControlPitchBack, kControlPitchForward,
                             kControlThrottle, kControlBrake, kControlHop};

}  // namespace

float ReadBlockFloat(const uint8_t* at) {
    uint32_t bits = static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
                    (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

void WriteBlockFloat(uint8_t* at, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

Vec3 ReadBlockVec3(const uint8_t* at) { return {ReadBlockFloat(at), ReadBlockFloat(at + 4), ReadBlockFloat(at + 8)}; }

void PackBikeControls(const BikeBody& bike, bool network, uint8_t out[kBikeControlsSize]) {
    uint16_t bits = 0;
    for (int b = 0; b < 7; ++b)
        if (bike.controls[kControlBits[b]]) bits |= static_cast<uint16_t>(1u << b);
    if (bike.analogModes[1]) bits |= 1u << 7;
    if (bike.analogModes[2]) bits |= 1u << 8;
    if (network && bike.controls[kControlGiveUp]) bits |= 1u << 9;
    WriteU16(out, bits);
    for (int a = 0; a < 4; ++a)
        WriteU16(out + 2 + 2 * a, static_cast<uint16_t>(ClampI16(bike.analogLevels[a] * 32700.0f)));
}

void UnpackBikeControls(BikeBody& bike, const uint8_t in[kBikeControlsSize]) {
    const uint16_t bits = ReadU16(in);
    for (int b = 0; b < 7; ++b) bike.controls[kControlBits[b]] = (bits >> b) & 1u;
    bike.controls[kControlAirLeanLeft] = 0;
    bike.controls[kControlAirLeanRight] = 0;
    bike.analogModes[1] = (bits >> 7) & 1u;
    bike.analogModes[2] = (bits >> 8) & 1u;
    for (int a = 0; a < 4; ++a)
        bike.analogLevels[a] = static_cast<float>(static_cast<int16_t>(ReadU16(in + 2 + 2 * a))) * 3.058104e-05f;
}

void NetPackBikeState(const BikeBody& bike, const RiderBody* rider, uint8_t out[kNetBikeStateSize]) {
    std::memset(out, 0, kNetBikeStateSize);
    for (int i = 0; i < 4; ++i) {
        WriteVec3(out + 12 * i, bike.body.particles[i].position);
        WriteVec3(out + 48 + 12 * i, bike.body.particles[i].velocity);
    }
    if (!bike.riding && rider && rider->Ready()) {
        WriteVec3(out + kNetRiderPosition, rider->body.particles[2].position);
        WriteVec3(out + kNetRiderVelocity, rider->body.particles[2].velocity);
    }
    float b = bike.throttleLevel * 32500.0f;
    b = b < 0.0f || !std::isfinite(b) ? 0.0f : (b > 65535.0f ? 65535.0f : b);
    WriteU16(out + 120, static_cast<uint16_t>(plat::FloatToInt(b)));
    WriteU16(out + 122, static_cast<uint16_t>(ClampI16(bike.steerAngle * 1000.0f)));
    out[124] = static_cast<uint8_t>((bike.riding ? 1u : 0u) | (bike.slide ? 4u : 0u));
    out[125] = static_cast<uint8_t>(bike.trickAnim != 0 ? bike.trickRequest : 0);
}

bool NetUnpackBikeState(BikeBody& bike, const uint8_t in[kNetBikeStateSize], uint8_t* riding) {
    // Every float of the state, the crashed rider's fields included (the crash code takes them from
    // the block), must be a number of sane size before anything is taken.
    for (uint32_t at = 0; at < kNetRiderVelocity + 12; at += 4)
        if (!UsableWireFloat(ReadBlockFloat(in + at))) return false;
    Vec3 pos[4], vel[4];
    for (int i = 0; i < 4; ++i) {
        pos[i] = ReadBlockVec3(in + 12 * i);
        vel[i] = ReadBlockVec3(in + 48 + 12 * i);
    }
    for (int i = 0; i < 4; ++i) {
        bike.body.particles[i].position = pos[i];
        bike.body.particles[i].velocity = vel[i];
    }
    for (uint32_t s = 0; s < bike.body.springCount; ++s) {
        Spring& sp = bike.body.springs[s];
        const Vec3 a = bike.body.particles[sp.a].position, b = bike.body.particles[sp.b].position;
        const float dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
        if (!sp.limitOnly) sp.restLength = std::sqrt(dx * dx + dy * dy + dz * dz);
        sp.lastForce = sp.lastForce2 = 0.0f;
    }
    bike.throttleLevel = static_cast<float>(ReadU16(in + 120)) * 3.076923e-05f;
    bike.steerAngle = static_cast<float>(static_cast<int16_t>(ReadU16(in + 122))) * 0.001f;
    bike.slide = (in[124] & 4u) ? 1 : 0;
    bike.riding = in[124] & 1u;
    if (riding) *riding = in[124] & 1u;
    const uint8_t trick = in[125];
    if (trick != 0 && trick <= 24 && bike.trickAnim == 0 && bike.trickRequest == 0) bike.trickRequest = trick;
    return true;
}

}  // namespace kes
