#pragma once
// The recorder's state, shared by the files of the replay (not part of its interface).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/frontend/replay/ReplayFormat.h"

namespace kes {

struct ReplayData {
    bool allocated = false;
    std::vector<uint8_t> buffer;         // the allocation; its size never changes while allocated
    uint32_t write = 0;                  // offsets into buffer
    uint32_t read = 0;
    uint32_t end = 0;
    std::vector<uint32_t> keyFrames;     // offsets of the key frames, at most kMaxKeyFrames
    uint32_t keyFrameIndex = 0;
    bool recording = false;
    bool playing = false;
    int32_t step = -1;                   // 0-24: 0 is a key frame
    uint8_t runCount = 0;                // steps of the open run, 0 when none is open
    uint8_t lastControls[kReplayControlsSize] = {};
    uint8_t repeat = 0;                  // steps left of the run being played
    bool stopAtKeyFrame = false;
    uint32_t slot = 1;
    uint32_t display = 0;
    bool mode = true;                    // the replay toggle
    uint32_t messageTimer = 0;
    uint32_t keyTimer = 0;
    uint32_t wraps = 0;
    uint64_t keyPoseHash = 0;
    uint64_t playedPassHash = 0;
    std::string lastError;
    uint32_t worldId = 0;
    std::string worldName;
    std::string demoFolder;
};

ReplayData& Replay();

// Back to an empty buffer: no records, no key frames, nothing open.
void EmptyReplayBuffer(ReplayData& r);
// The demo loader behind ReplayLoadDemo, on a file already in memory (label names it in messages).
int32_t LoadDemoBytes(const uint8_t* data, size_t size, const std::string& label);

// The pose hash chain: starts at the FNV offset basis and takes the 96 bytes of particle state.
constexpr uint64_t kPoseHashStart = 1469598103934665603ull;
uint64_t ChainPoseHash(uint64_t hash, const uint8_t state[kKeyFrameStateSize]);

}  // namespace kes
