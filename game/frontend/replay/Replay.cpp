#include "game/frontend/replay/Replay.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "game/frontend/replay/ReplayState.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/racer/BikeState.h"
#include "game/world/racer/Racer.h"
#include "platform/sys/EventLog.h"

namespace kes {

namespace {

ReplayData g_replay;

// Room a step may need: closing an open run, then a key frame, then the first run after it. The
// check comes before anything is written so that the buffer never overflows.
constexpr uint32_t kStepReserve = 1 + kKeyFrameRecordSize + kRunRecordSize;

void CloseOpenRun(ReplayData& r) {
    if (r.runCount > 0) ++r.write;  // past the count byte
    r.runCount = 0;
}

// A full buffer or key-frame table ends recording; what was recorded stays playable and saveable.
void StopRecordingFull(ReplayData& r) {
    CloseOpenRun(r);
    r.end = r.write;
    r.recording = false;
    r.messageTimer = 500;
}

void WriteKeyFrame(ReplayData& r, const RacerRecord& racer, const uint8_t state[kKeyFrameStateSize],
                   const uint8_t controls[kReplayControlsSize]) {
    uint8_t* at = r.buffer.data() + r.write;
    at[0] = kRecordKeyFrame;
    WriteReplayU32(at + kKeyFrameRiderSkin, static_cast<uint32_t>(racer.riderSkin));
    WriteReplayU32(at + kKeyFrameBikeSkin, static_cast<uint32_t>(racer.bikeModel.bikeSkin));
    PackBikeParams(racer.bike->params, at + kKeyFrameParams);
    std::memcpy(at + kKeyFrameState, state, kKeyFrameStateSize);
    std::memcpy(at + kKeyFrameControls, controls, kReplayControlsSize);
    r.write += kKeyFrameRecordSize;
}

void WriteRunHeader(ReplayData& r, const uint8_t controls[kReplayControlsSize]) {
    uint8_t* at = r.buffer.data() + r.write;
    at[0] = kRecordRun;
    std::memcpy(at + 1, controls, kReplayControlsSize);
    r.write += 1 + kReplayControlsSize;  // now at the count byte
}

void ApplyKeyFrame(ReplayData& r, RacerRecord& racer, const uint8_t* record) {
    BikeBody& bike = *racer.bike;
    racer.riderSkin = static_cast<int32_t>(ReadReplayU32(record + kKeyFrameRiderSkin));
    racer.bikeModel.bikeSkin = static_cast<int32_t>(ReadReplayU32(record + kKeyFrameBikeSkin));
    bike.params = SanitizeBikeParams(UnpackBikeParams(record + kKeyFrameParams));
    racer.receivedRiding = ReplayUnpackBikeState(bike, record + kKeyFrameState);
    UnpackBikeControls(bike, record + kKeyFrameControls);
    // The pose as applied, so that playback can be compared with the recording.
    uint8_t applied[kKeyFrameStateSize];
    ReplayPackBikeState(bike, applied);
    r.keyPoseHash = ChainPoseHash(r.keyPoseHash, applied);
}

void Reset(ReplayData& r) {
    EmptyReplayBuffer(r);
    r.recording = r.playing = r.stopAtKeyFrame = false;
    r.step = -1;
    r.repeat = 0;
    r.slot = 1;
    r.display = 0;
    r.mode = true;
    r.messageTimer = r.keyTimer = 0;
    r.wraps = 0;
    r.keyPoseHash = r.playedPassHash = kPoseHashStart;
}

}  // namespace

ReplayData& Replay() { return g_replay; }

void EmptyReplayBuffer(ReplayData& r) {
    r.write = r.read = r.end = 0;
    r.keyFrames.clear();
    r.keyFrameIndex = 0;
    r.runCount = 0;
    std::memset(r.lastControls, 0, sizeof r.lastControls);
}

uint64_t ChainPoseHash(uint64_t hash, const uint8_t state[kKeyFrameStateSize]) {
    for (uint32_t i = 0; i < 96; ++i) hash = (hash ^ state[i]) * 1099511628211ull;
    return hash;
}

int32_t ReplayAlloc(uint32_t size) {
    ReplayData& r = g_replay;
    ReplayFree();
    try {
        r.buffer.assign(size, 0);
        r.keyFrames.reserve(kMaxKeyFrames);
    } catch (const std::bad_alloc&) {
        ReplayFree();
        return kReplayOutOfMemory;
    }
    Reset(r);
    r.allocated = true;
    return 0;
}

int32_t ReplayFree() {
    ReplayData& r = g_replay;
    r.allocated = false;
    r.recording = r.playing = false;
    std::vector<uint8_t>().swap(r.buffer);
    std::vector<uint32_t>().swap(r.keyFrames);
    EmptyReplayBuffer(r);
    return 0;
}

void ReplayRewind() {
    g_replay.read = 0;
    g_replay.keyFrameIndex = 0;
    g_replay.repeat = 0;
}

uint32_t ReplayIsPlaying() { return g_replay.allocated && g_replay.playing ? 1 : 0; }

void ReplayStartRecording() {
    ReplayData& r = g_replay;
    if (!r.allocated) return;
    CloseOpenRun(r);  // a run left open keeps its count byte
    r.playing = false;
    r.recording = true;
    r.runCount = 0;
    r.step = -1;
    r.keyPoseHash = kPoseHashStart;
}

void ReplayStop() {
    ReplayData& r = g_replay;
    if (r.recording) {
        CloseOpenRun(r);
        r.end = r.write;
    }
    r.recording = r.playing = r.stopAtKeyFrame = false;
}

void ReplayStartPlaying() {
    ReplayData& r = g_replay;
    // Without records the replay racer would stand frozen with nothing to play.
    if (!r.allocated || r.recording || r.end == 0) return;
    r.playing = true;
    r.repeat = 0;
    if (r.read == 0) r.keyPoseHash = kPoseHashStart;
}

int32_t ReplayRecordBike(RacerRecord* racer) {
    ReplayData& r = g_replay;
    if (!r.allocated || !r.recording || !racer || !racer->bike) return 0;
    r.step = (r.step + 1) % static_cast<int32_t>(kKeyFrameInterval);
    const bool keyFrame = r.step == 0;
    if (r.buffer.size() - r.write < kStepReserve || (keyFrame && r.keyFrames.size() >= kMaxKeyFrames)) {
        StopRecordingFull(r);
        return 0;
    }
    uint8_t controls[kReplayControlsSize];
    PackBikeControls(*racer->bike, false, controls);
    if (keyFrame) {
        // The whole state only where it is kept: packing it every step would cost as much as a
        // fifth of a bike step.
        uint8_t state[kKeyFrameStateSize];
        ReplayPackBikeState(*racer->bike, state);
        CloseOpenRun(r);
        r.keyFrames.push_back(r.write);
        WriteKeyFrame(r, *racer, state, controls);
        r.keyPoseHash = ChainPoseHash(r.keyPoseHash, state);
    } else {
        if (r.runCount == 0) {
            std::memcpy(r.lastControls, controls, kReplayControlsSize);
            WriteRunHeader(r, controls);
        }
        if (std::memcmp(controls, r.lastControls, kReplayControlsSize) == 0) {
            r.buffer[r.write] = ++r.runCount;
        } else {
            CloseOpenRun(r);
            std::memcpy(r.lastControls, controls, kReplayControlsSize);
            WriteRunHeader(r, controls);
            r.runCount = 1;
            r.buffer[r.write] = 1;
        }
    }
    // The open run's count byte belongs to the records already.
    r.end = r.write + (r.runCount > 0 ? 1u : 0u);
    return 0;
}

int32_t ReplayPlayBike(RacerRecord* racer) {
    ReplayData& r = g_replay;
    if (!r.allocated || !r.playing || !racer || !racer->bike) return 0;
    if (r.end < kKeyFrameRecordSize) return 0;  // nothing recorded
    // The end is reached once the last run's repeats are used up too.
    if (r.repeat == 0 && r.read + kReplayControlsSize >= r.end) {
        r.read = 0;
        r.keyFrameIndex = 0;
        r.repeat = 0;
        ++r.wraps;
        plat::LogEvent("replay played through " + std::to_string(r.keyFrames.size()) + " key frames");
        r.playedPassHash = r.keyPoseHash;
        r.keyPoseHash = kPoseHashStart;
    }
    BikeBody& bike = *racer->bike;
    if (r.repeat == 0) {
        const uint8_t* at = r.buffer.data() + r.read;
        if (at[0] == kRecordKeyFrame) {
            r.read += kKeyFrameRecordSize;
            const ReplayKeyWords& keys = ReplayKeys();
            if (!keys.stepBack && !keys.stepForward) ++r.keyFrameIndex;
            ApplyKeyFrame(r, *racer, at);
            std::memcpy(r.lastControls, at + kKeyFrameControls, kReplayControlsSize);
            if (r.stopAtKeyFrame) {
                // Playback hands over to recording from this very key frame.
                r.stopAtKeyFrame = false;
                r.playing = false;
                r.display = 0;
                r.recording = true;
                r.runCount = 0;
                r.step = -1;
                r.write = static_cast<uint32_t>(at - r.buffer.data());
                r.end = r.write;
                r.keyFrames.erase(std::lower_bound(r.keyFrames.begin(), r.keyFrames.end(), r.write), r.keyFrames.end());
                r.keyFrameIndex = static_cast<uint32_t>(r.keyFrames.size());
                return 0;
            }
        } else {
            std::memcpy(r.lastControls, at + 1, kReplayControlsSize);
            r.repeat = static_cast<uint8_t>(at[kRunRecordSize - 1] - 1);
            r.read += kRunRecordSize;
        }
    } else {
        --r.repeat;
    }
    UnpackBikeControls(bike, r.lastControls);
    return 0;
}

void InstallReplayHooks() {
    RacerHookTable& h = RacerHooks();
    h.replayPlaying = [] { return ReplayIsPlaying() != 0; };
    h.replayRecord = [](RacerRecord* racer) { ReplayRecordBike(racer); };
    h.replayPlay = [](RacerRecord* racer) { ReplayPlayBike(racer); };
}

void RemoveReplayHooks() {
    RacerHookTable& h = RacerHooks();
    h.replayPlaying = nullptr;
    h.replayRecord = nullptr;
    h.replayPlay = nullptr;
}

ReplayStatus ReplayGetStatus() {
    const ReplayData& r = g_replay;
    ReplayStatus s;
    s.allocated = r.allocated;
    s.recording = r.recording;
    s.playing = r.playing;
    s.bufferSize = static_cast<uint32_t>(r.buffer.size());
    s.used = r.end;
    s.keyFrameIndex = r.keyFrameIndex;
    s.keyFrameCount = static_cast<uint32_t>(r.keyFrames.size());
    s.slot = r.slot;
    s.display = r.display;
    s.messageTimer = r.messageTimer;
    s.freeSpace = s.bufferSize > kKeyFrameStateSize ? s.bufferSize - kKeyFrameStateSize : 0;
    s.wraps = r.wraps;
    s.keyPoseHash = r.keyPoseHash;
    s.playedPassHash = r.playedPassHash;
    return s;
}

const std::string& ReplayLastError() { return g_replay.lastError; }

}  // namespace kes
