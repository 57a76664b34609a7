#pragma once
// The local player's race recorded step by step into one buffer: played back as an instant replay,
// saved to and loaded from the demo files, stepped by key frame.
//
// The buffer holds a stream of records: a key frame of the whole bike every 25 bike steps and,
// between key frames, runs of unchanged controls. The race session allocates the buffer, installs
// the racer hooks (InstallReplayHooks) and calls ReplayScreen once per frame while racing.
#include <cstdint>
#include <string>

namespace kes {

struct RacerRecord;

constexpr int32_t kReplayOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr uint32_t kReplayBufferSize = 1024 * 1024;

// Allocates the buffer and empties it (0), or kReplayOutOfMemory.
int32_t ReplayAlloc(uint32_t size);
int32_t ReplayFree();
// Playback from the first record.
void ReplayRewind();
uint32_t ReplayIsPlaying();
// The replay keys of one frame; 1 after handling, 0 when there is nothing to do.
int32_t ReplayScreen(uint32_t ms);

// One bike step each: the local controller records before every step, the replay controller plays.
int32_t ReplayRecordBike(RacerRecord* racer);
int32_t ReplayPlayBike(RacerRecord* racer);
// Points the racers' replay hooks at this recorder (and clears them again).
void InstallReplayHooks();
void RemoveReplayHooks();

// Recording starts with a key frame at the next step.
void ReplayStartRecording();
// Stops recording (closing an open run) and playing.
void ReplayStop();
// Playback from the current read position.
void ReplayStartPlaying();

// Demo files. Loading checks the whole file before anything in the buffer changes: 0, or -1 with
// ReplayLastError() saying why. Saving writes the header and the recorded stream beside the old file
// and replaces it only once complete; afterwards the buffer is empty. 0, or -1.
int32_t ReplayLoadDemo(const std::string& path);
int32_t ReplaySaveDemo(const std::string& path);
const std::string& ReplayLastError();

// The world the replay belongs to: its identifier (demo headers name it), its name (demo file names
// carry it) and the folder the demos live in.
void ReplaySetWorld(uint32_t worldId, const std::string& worldName, const std::string& demoFolder);
// The demo file of slot 1-6 for saving ("<world>N.dem"), and the files tried when loading it: the
// saved name first, then the plain "N.dem" of the demos that come with the game.
std::string ReplayDemoSavePath(uint32_t slot);
std::string ReplayDemoPlainPath(uint32_t slot);

struct ReplayStatus {
    bool allocated = false;
    bool recording = false;
    bool playing = false;
    uint32_t bufferSize = 0;
    uint32_t used = 0;            // bytes of records
    uint32_t keyFrameIndex = 0;
    uint32_t keyFrameCount = 0;
    uint32_t slot = 1;
    uint32_t display = 0;         // the display toggle the HUD shows
    uint32_t messageTimer = 0;    // ms the replay's message stays up
    uint32_t freeSpace = 0;       // figure for the HUD
    uint32_t wraps = 0;           // times playback ran off the end and started again
    // Chained hash of the bike poses (particle positions and velocities) of every key frame written
    // since recording started, or applied since playback last started from the first record.
    uint64_t keyPoseHash = 0;
    uint64_t playedPassHash = 0;  // keyPoseHash of the last complete pass of playback
};
ReplayStatus ReplayGetStatus();

// The replay screen's keys as the race session's bindings set them: latched words are set to 1 on
// a press and cleared by ReplayScreen; the step keys are 1 while held.
struct ReplayKeyWords {
    uint32_t toggle = 0;
    uint32_t record = 0;
    uint32_t stop = 0;
    uint32_t play = 0;
    uint32_t pause = 0;
    uint32_t stepBack = 0;     // held
    uint32_t stepForward = 0;  // held
    uint32_t slot[6] = {};
    uint32_t save = 0;
    uint32_t load = 0;
};
ReplayKeyWords& ReplayKeys();

// The replay button's sound, played from the start at `x, y, z` on every accepted key (may be null).
using ReplayButtonSound = void (*)(float x, float y, float z);
void SetReplayButtonSound(ReplayButtonSound sound);

}  // namespace kes
