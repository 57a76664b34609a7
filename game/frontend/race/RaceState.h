#pragma once
// The one race session's state, shared by the files of the race session: what RaceStart set up,
// the phase timers, the key requests of the race's bindings and the overlay flags.
#include <array>
#include <cstdint>

#include "game/core/input/Input.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/race/RaceRacers.h"

namespace kes {

class RenderInterface;
class SoundVoice;
struct Light;
struct SceneCamera;
struct Surface2D;
struct WorldRecord;

// Which phase timer is which: one for the wait, one each for "3", "2", "1" and "go", and one that
// phases 9 and 10 share.
enum RaceTimer : uint32_t { kTimerWait = 0, kTimerThree, kTimerTwo, kTimerOne, kTimerGo, kTimerFinish, kRaceTimers };

// The phase words of a race.
enum RacePhaseWord : uint32_t {
    kPhaseIntro = 1,
    kPhaseWait = 3,
    kPhaseThree = 4,
    kPhaseTwo = 5,
    kPhaseOne = 6,
    kPhaseGo = 7,
    kPhaseRacing = 8,
    kPhaseFirstFinished = 9,
    kPhaseAllDone = 10,
    kPhaseLeave = 11,
};

// The race's keys: a word each that its binding sets.
enum RaceKey : uint32_t { kKeyMenu = 0, kKeyF9, kKeyF10, kKeyNextRacer, kKeyPreviousRacer, kKeyOwnRacer, kRaceKeys };

// A racer's bike events: a lap is counted on the racer in that slot and recorded for the race.
class RaceLapSink : public BikeEventSink {
public:
    uint32_t slot = 0;
    void OnLandSound(bool) override {}
    void OnCrashSound(int) override {}
    void OnLap() override;
};

struct RaceSessionState {
    bool active = false;  // between a successful RaceStart and RaceEnd
    const WorldRecord* world = nullptr;
    RenderInterface* renderer = nullptr;
    SceneCamera* camera = nullptr;
    uint32_t racerCount = 0;
    uint32_t localRacer = 0;
    std::array<uint32_t, kMaxRaceRacers> startSlots{};
    int32_t cameraTarget = 0;
    std::array<uint32_t, kRaceTimers> timers{};
    int32_t particleTime = 0;
    bool particles = false;  // a particle system runs
    Light* ambient = nullptr;
    Light* sun = nullptr;
    uint32_t countdownTexture = 0;
    SoundVoice* countVoice = nullptr;  // "1-2-3"
    SoundVoice* startVoice = nullptr;  // "Start"
    Surface2D* loadingScreen = nullptr;
    Surface2D* loadingBar = nullptr;
    std::array<uint32_t, kRaceKeys> keys{};
    uint32_t overlay[2] = {1, 1};  // toggled by F9 and F10
    std::array<InputBinding, kRaceKeys> bindings{};
    bool bindingsAdded = false;
    std::array<RaceLapSink, kMaxRaceRacers> lapSinks{};
    // What the rules read, fixed at the start: a network game, the game mode, the world's kind, the
    // laps of a race and the minutes of a timed world.
    bool network = false;
    bool host = false;  // this machine hosts the network game
    uint32_t gameMode = 1;
    uint32_t worldKind = 0;
    uint32_t laps = 4;
    uint32_t timeLimitMinutes = 7;
    uint32_t voicedPhase = 0;  // the last phase whose voice was played
    // Simulation time stepped since the last draw: the frame's time for the replay keys and the HUD.
    uint32_t msSinceDraw = 0;
};
RaceSessionState& ThisRace();

}  // namespace kes

namespace kes {
// The loading screen (RaceStart's files).
void LoadLoadingScreens(RaceSessionState& s, uint32_t identifier);
void FreeLoadingScreens(RaceSessionState& s);
void DrawLoadingScreen(const RaceSessionState& s, int32_t barWidth);
}  // namespace kes

namespace kes {
// The countdown's voice of a phase just entered ("1-2-3" for 4-6, "Start" for 7), from the camera.
void PlayPhaseVoice(uint32_t phase);
}  // namespace kes

namespace kes {
// Moves the race to a phase. A network client only follows the host's phases (they arrive as
// messages); the host's move is sent to every player.
void MovePhase(uint32_t phase);

// Connects the racers to the network game for a network race, and disconnects them.
void InstallNetworkHooks();
void RemoveNetworkHooks();

// One event-log line per racer, "racer <index> kind <kind> <when> <x> <y> <z>": where each racer is
// as the race starts and as it ends, so that copies of the game racing each other can be checked for
// seeing each other's racers move.
void LogRacerPlaces(const char* when);
}  // namespace kes
