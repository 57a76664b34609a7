#include "game/frontend/replay/ReplayFormat.h"

#include <cmath>
#include <cstring>

#include "game/world/racer/BikeState.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr uint32_t kStatePositions = 0;
constexpr uint32_t kStateVelocities = 48;
constexpr uint32_t kStateSpringSecond = 96;
constexpr uint32_t kStateSpringFirst = 128;
constexpr uint32_t kStateSpringRest = 160;
constexpr uint32_t kStateValueA = 192;
constexpr uint32_t kStateValueB = 194;
constexpr uint32_t kStateFlags = 196;
constexpr uint32_t kStateTrick = 197;
constexpr uint32_t kStateAim = 200;
constexpr uint32_t kStateSprings = 8;

void WriteU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v & 0xFF);
    at[1] = static_cast<uint8_t>(v >> 8);
}
uint16_t ReadU16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

void WriteVec3(uint8_t* at, const Vec3& v) {
    WriteBlockFloat(at, v.x);
    WriteBlockFloat(at + 4, v.y);
    WriteBlockFloat(at + 8, v.z);
}

// Value A (steering) as i16 thousandths, value B (throttle) as u16 of 1/32500, both saturating so
// that an odd value never wraps to the other end of the range.
uint16_t PackValueA(float a) {
    const float v = a * 1000.0f;
    if (!(v > -32768.0f)) return static_cast<uint16_t>(static_cast<int16_t>(-32768));
    if (v > 32767.0f) return 32767;
    return static_cast<uint16_t>(static_cast<int16_t>(plat::FloatToInt(v)));
}
uint16_t PackValueB(float b) {
    const float v = b * 32500.0f;
    if (!(v > 0.0f)) return 0;
    if (v > 65535.0f) return 65535;
    return static_cast<uint16_t>(plat::FloatToInt(v));
}

bool Usable(float f) { return std::isfinite(f) && std::fabs(f) <= kMaxReplayCoordinate; }

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

bool CheckKeyFrame(const uint8_t* rec, std::string* why) {
    if (ReadReplayU32(rec + kKeyFrameRiderSkin) >= kMaxReplaySkin || ReadReplayU32(rec + kKeyFrameBikeSkin) >= kMaxReplaySkin)
        return Fail(why, "skin number out of range");
    for (uint32_t w = 0; w < 12; ++w) {
        if (w == 0 || w == 5 || w == 6) continue;  // the air assist, landing assist and surface code words
        if (!std::isfinite(ReadBlockFloat(rec + kKeyFrameParams + 4 * w))) return Fail(why, "bike parameter is not a number");
    }
    const uint8_t* state = rec + kKeyFrameState;
    for (uint32_t i = 0; i < kStateValueA / 4; ++i)
        if (!Usable(ReadBlockFloat(state + 4 * i))) return Fail(why, "bike state value out of range");
    for (uint32_t i = 0; i < 3; ++i)
        if (!Usable(ReadBlockFloat(state + kStateAim + 4 * i))) return Fail(why, "aim point out of range");
    if (state[kStateTrick] > kMaxReplayTrick) return Fail(why, "unknown trick number");
    return true;
}

}  // namespace

uint32_t ReadReplayU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
           (static_cast<uint32_t>(at[3]) << 24);
}

void WriteReplayU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

void ReplayPackBikeState(const BikeBody& bike, uint8_t out[kKeyFrameStateSize]) {
    std::memset(out, 0, kKeyFrameStateSize);
    for (int i = 0; i < 4; ++i) {
        WriteVec3(out + kStatePositions + 12 * i, bike.body.particles[i].position);
        WriteVec3(out + kStateVelocities + 12 * i, bike.body.particles[i].velocity);
    }
    const uint32_t springs = bike.body.springCount < kStateSprings ? bike.body.springCount : kStateSprings;
    for (uint32_t s = 0; s < springs; ++s) {
        const Spring& sp = bike.body.springs[s];
        WriteBlockFloat(out + kStateSpringSecond + 4 * s, sp.lastForce2);
        WriteBlockFloat(out + kStateSpringFirst + 4 * s, sp.lastForce);
        WriteBlockFloat(out + kStateSpringRest + 4 * s, sp.restLength);
    }
    WriteU16(out + kStateValueA, PackValueA(bike.steerAngle));
    WriteU16(out + kStateValueB, PackValueB(bike.throttleLevel));
    out[kStateFlags] = static_cast<uint8_t>((bike.riding ? 1u : 0u) | (bike.slide ? 4u : 0u));
    out[kStateTrick] = static_cast<uint8_t>(bike.trickAnim != 0 && bike.trickRequest <= kMaxReplayTrick ? bike.trickRequest : 0);
    WriteVec3(out + kStateAim, bike.aimPoint);
}

uint8_t ReplayUnpackBikeState(BikeBody& bike, const uint8_t in[kKeyFrameStateSize]) {
    for (int i = 0; i < 4; ++i) {
        bike.body.particles[i].position = ReadBlockVec3(in + kStatePositions + 12 * i);
        bike.body.particles[i].velocity = ReadBlockVec3(in + kStateVelocities + 12 * i);
    }
    const uint32_t springs = bike.body.springCount < kStateSprings ? bike.body.springCount : kStateSprings;
    for (uint32_t s = 0; s < springs; ++s) {
        Spring& sp = bike.body.springs[s];
        sp.lastForce2 = ReadBlockFloat(in + kStateSpringSecond + 4 * s);
        sp.lastForce = ReadBlockFloat(in + kStateSpringFirst + 4 * s);
        sp.restLength = ReadBlockFloat(in + kStateSpringRest + 4 * s);
    }
    bike.steerAngle = static_cast<float>(static_cast<int16_t>(ReadU16(in + kStateValueA))) * 0.001f;
    bike.throttleLevel = static_cast<float>(ReadU16(in + kStateValueB)) * 3.076923e-05f;
    const uint8_t riding = in[kStateFlags] & 1u;
    bike.riding = riding;
    bike.slide = (in[kStateFlags] & 4u) ? 1 : 0;
    const uint8_t trick = in[kStateTrick];
    if (!riding) bike.trickRequest = 0;
    if (trick != 0 && trick <= kMaxReplayTrick && bike.trickAnim == 0 && bike.trickRequest == 0) bike.RequestTrick(trick);
    bike.aimPoint = ReadBlockVec3(in + kStateAim);
    return riding;
}

void PackBikeParams(const BikeParams& p, uint8_t out[48]) {
    WriteReplayU32(out, p.airAssist);
    WriteBlockFloat(out + 4, p.driveBlendFloor);
    WriteBlockFloat(out + 8, p.engineClass);
    WriteBlockFloat(out + 12, p.topSpeedFactor);
    WriteBlockFloat(out + 16, p.airControl);
    WriteReplayU32(out + 20, p.landingAssist);
    WriteReplayU32(out + 24, p.surface.code);
    WriteBlockFloat(out + 28, p.surface.rollDrag);
    WriteBlockFloat(out + 32, p.surface.sideDrag);
    WriteBlockFloat(out + 36, p.surface.grip);
    WriteBlockFloat(out + 40, p.surface.roughness);
    WriteBlockFloat(out + 44, p.surface.sink);
}

BikeParams UnpackBikeParams(const uint8_t in[48]) {
    BikeParams p;
    p.airAssist = ReadReplayU32(in);
    p.driveBlendFloor = ReadBlockFloat(in + 4);
    p.engineClass = ReadBlockFloat(in + 8);
    p.topSpeedFactor = ReadBlockFloat(in + 12);
    p.airControl = ReadBlockFloat(in + 16);
    p.landingAssist = ReadReplayU32(in + 20);
    p.surface.code = ReadReplayU32(in + 24);
    p.surface.rollDrag = ReadBlockFloat(in + 28);
    p.surface.sideDrag = ReadBlockFloat(in + 32);
    p.surface.grip = ReadBlockFloat(in + 36);
    p.surface.roughness = ReadBlockFloat(in + 40);
    p.surface.sink = ReadBlockFloat(in + 44);
    return p;
}

void WriteDemoHeader(uint32_t worldId, uint8_t out[kDemoHeaderSize]) {
    const uint32_t words[6] = {0, worldId, 1, 0, 0, 125};
    for (int i = 0; i < 6; ++i) WriteReplayU32(out + 4 * i, words[i]);
}

bool CheckDemoHeader(const uint8_t in[kDemoHeaderSize], uint32_t worldId, std::string* why) {
    if (ReadReplayU32(in) != 0) return Fail(why, "not a demo file");
    if (ReadReplayU32(in + 4) != worldId) return Fail(why, "demo of another world");
    return true;
}

int32_t CheckReplayStream(const uint8_t* data, size_t size, std::string* why) {
    if (size == 0) return Fail(why, "no records"), -1;
    if (data[0] != kRecordKeyFrame) return Fail(why, "does not start with a key frame"), -1;
    int32_t keyFrames = 0;
    size_t at = 0;
    while (at < size) {
        const size_t left = size - at;
        if (data[at] == kRecordKeyFrame) {
            if (left < kKeyFrameRecordSize) return Fail(why, "truncated key frame"), -1;
            if (keyFrames == static_cast<int32_t>(kMaxKeyFrames)) return Fail(why, "too many key frames"), -1;
            if (!CheckKeyFrame(data + at, why)) return -1;
            ++keyFrames;
            at += kKeyFrameRecordSize;
        } else if (data[at] == kRecordRun) {
            if (left < kRunRecordSize) return Fail(why, "truncated control run"), -1;
            const uint8_t count = data[at + kRunRecordSize - 1];
            if (count == 0 || count >= kKeyFrameInterval) return Fail(why, "control run of a wrong length"), -1;
            at += kRunRecordSize;
        } else {
            return Fail(why, "unknown record type"), -1;
        }
    }
    return keyFrames;
}

}  // namespace kes
