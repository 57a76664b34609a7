#pragma once
// A headless race without the front end: a world file, N computer racers and optionally one local
// racer driven by the input script, a fixed frame time or a repeating sequence of frame times, the
// race camera following the first racer, and the null render interface. It reports each racer's
// laps, lap times and crashes, and once per simulated second a hash of every racer's packed bike
// state, so that two runs can be compared.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tools {

struct RaceRunOptions {
    std::string worldPath;               // required: a world file, or the world's entry name in worldPack
    std::string worldPack;               // a track pack holding the world at worldOffset (worldSize bytes)
    uint32_t worldOffset = 0;
    uint32_t worldSize = 0;
    int computers = 8;
    bool local = false;                  // one local racer (the first) driven by the input script
    std::string inputScript;
    std::vector<uint32_t> frameMs = {10}; // used in turn, each clamped to 1..202
    uint32_t laps = 3;
    double maxSeconds = 900.0;           // simulated
    bool sound = false;                  // the racers' sounds and particles through the sound manager
    std::string soundPack;               // with sound: the data pack the sounds are loaded from
    bool camera = true;                  // the race camera follows the first racer
    bool realRender = false;             // draw every frame through the display device (hidden window)
    std::string shotPath;                // with realRender: the last frame as a PPM picture
    std::string dataFolder;              // holding Kestrun.dat: the bike and rider models are drawn
    uint32_t gameMode = 1;               // fallen riders are reset after 3 s
    uint32_t seed = 1;
    std::string recordDemo;              // with local: the local racer's race recorded into this demo
    std::string playDemo;                // this demo played by the first racer (instead of a local one)
    std::FILE* log = nullptr;            // one line per simulated second, when set
};

struct RacerOutcome {
    bool local = false;
    bool replay = false;                 // the racer plays the demo
    uint32_t laps = 0;
    std::vector<uint32_t> lapTimes;      // ms
    uint32_t crashes = 0;
    uint32_t finishMs = 0;               // 0 when it did not finish
    float at[3] = {0, 0, 0};             // the bike's middle (its four particles' mean) at the end
    float speed = 0;                     // the mean of their speeds at the end
};

struct RaceOutcome {
    bool loaded = false;
    std::vector<RacerOutcome> racers;
    std::vector<uint64_t> hashes;        // one per simulated second
    double simulatedSeconds = 0.0;
    uint64_t frames = 0;
    bool finite = true;                  // every bike and crashed rider stayed finite
    bool allFinished = false;
    bool cameraAboveGround = true;       // the camera's near plane never dipped below the ground + 2
    bool shotWritten = false;
    bool modelsLoaded = false;           // the bike and rider models came from the data folder
    uint32_t enginesPlaying = 0;         // with sound: most racers whose engine voice played at once
    uint32_t crashCries = 0;             // with sound: crashed riders' cries that started
    // With a demo: recorded and saved, or loaded and played through once; its key frames and the
    // chained hash of the bike poses of all its key frames (the same for a recording and its playback).
    bool demoUsed = false;
    bool demoDone = false;
    uint32_t demoKeyFrames = 0;
    uint64_t demoPoses = 0;
    std::string demoError;
};


// One race, frame by frame: the world loaded and the racers made at construction, everything freed
// at destruction. One at a time (the world and the scene objects are the program's).
class LabRace {
public:
    explicit LabRace(const RaceRunOptions& options);
    ~LabRace();
    LabRace(const LabRace&) = delete;
    LabRace& operator=(const LabRace&) = delete;
    // One frame; false once the race is over (everybody finished, the time is up, or a fault).
    bool Frame();
    uint32_t ClockMs() const;
    // The racers' end places and speeds are filled in by the frame that ends the race.
    const RaceOutcome& Outcome() const { return outcome_; }

private:
    // Stops recording and saves the demo.
    void FinishRecording();
    struct Parts;
    RaceRunOptions options_;
    RaceOutcome outcome_;
    std::unique_ptr<Parts> parts_;
    bool worldLoaded_ = false;
    bool inputReady_ = false;
    bool keysBound_ = false;
    bool done_ = false;
    bool packOpen_ = false;
    bool replayAllocated_ = false;
};

RaceOutcome RunRace(const RaceRunOptions& options);

// The width and height of the frames a race draws with the display device.
constexpr uint32_t kRaceShotWidth = 320, kRaceShotHeight = 240;

// The report as racelab prints it.
void PrintRaceOutcome(const RaceOutcome& outcome, std::FILE* out);

}  // namespace tools
