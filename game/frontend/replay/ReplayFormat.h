#pragma once
// The replay's byte formats: the 212-byte key-frame state of a bike, the two records of the stream
// (a 279-byte key frame and a 12-byte run of unchanged controls) and the 24-byte demo file header.
// Everything is little-endian and written field by field; bytes the format leaves unused are zero.
#include <cstddef>
#include <cstdint>
#include <string>

#include "game/world/physics/BikeBody.h"

namespace kes {

constexpr uint32_t kKeyFrameStateSize = 212;
constexpr uint32_t kReplayControlsSize = 10;
constexpr uint32_t kKeyFrameRecordSize = 279;  // type, two skins, 12 parameter words, state, controls
constexpr uint32_t kRunRecordSize = 12;        // type, controls, count
constexpr uint8_t kRecordKeyFrame = 1;
constexpr uint8_t kRecordRun = 2;
constexpr uint32_t kKeyFrameInterval = 25;     // steps from one key frame to the next
constexpr uint32_t kMaxKeyFrames = 2500;
constexpr uint32_t kDemoHeaderSize = 24;
constexpr uint32_t kMaxReplaySkin = 1024;      // skin indices at or above this are damage
constexpr uint32_t kMaxReplayTrick = 24;       // tricks are numbered 1-24
constexpr float kMaxReplayCoordinate = 1.0e6f; // positions, velocities and spring words beyond are damage

// Offsets inside a key-frame record.
constexpr uint32_t kKeyFrameRiderSkin = 1;
constexpr uint32_t kKeyFrameBikeSkin = 5;
constexpr uint32_t kKeyFrameParams = 9;
constexpr uint32_t kKeyFrameState = 57;
constexpr uint32_t kKeyFrameControls = 269;

uint32_t ReadReplayU32(const uint8_t* at);
void WriteReplayU32(uint8_t* at, uint32_t v);

// The bike's state as a key frame keeps it, and back. Unpacking returns the riding flag (bit 0);
// the trick it names starts only when none runs.
void ReplayPackBikeState(const BikeBody& bike, uint8_t out[kKeyFrameStateSize]);
uint8_t ReplayUnpackBikeState(BikeBody& bike, const uint8_t in[kKeyFrameStateSize]);

// The 12 parameter words of a key frame.
void PackBikeParams(const BikeParams& params, uint8_t out[48]);
BikeParams UnpackBikeParams(const uint8_t in[48]);

// The demo header {0, world, 1, 0, 0, 125}.
void WriteDemoHeader(uint32_t worldId, uint8_t out[kDemoHeaderSize]);
// True for a header of this world; otherwise *why says what is wrong.
bool CheckDemoHeader(const uint8_t in[kDemoHeaderSize], uint32_t worldId, std::string* why);

// Walks a record stream of `size` bytes: it must start with a key frame, hold only whole key frames
// and runs of 1-24 steps, at most kMaxKeyFrames key frames, finite numbers within range, known skins
// and tricks. Returns the number of key frames, or -1 with *why set.
int32_t CheckReplayStream(const uint8_t* data, size_t size, std::string* why);

}  // namespace kes
