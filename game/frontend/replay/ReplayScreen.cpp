// The replay screen's key handling, once per frame while racing.
#include <cstdint>
#include <filesystem>
#include <string>

#include "game/frontend/hud/Hud.h"
#include "game/frontend/replay/Replay.h"
#include "game/frontend/replay/ReplayState.h"
#include "game/world/racer/Racer.h"
#include "platform/sys/EventLog.h"

namespace kes {

namespace {

ReplayKeyWords g_keys;
ReplayButtonSound g_buttonSound = nullptr;

constexpr uint32_t kStepRepeatMs = 100;
constexpr uint32_t kFileKeyMs = 1000;
constexpr uint32_t kStopMessageMs = 500;
constexpr uint32_t kDemoSlots = 6;
constexpr uint32_t kSavedSlots = 5;  // slot 6 holds a demo that comes with the game

// The button sound at the bike the main camera follows.
void ButtonSound() {
    if (!g_buttonSound) return;
    const RacerRecord* followed = RaceContext().followed;
    if (followed && followed->object)
        g_buttonSound(followed->object->position.x, followed->object->position.y, followed->object->position.z);
    else
        g_buttonSound(0.0f, 0.0f, 0.0f);
}

uint32_t CountDown(uint32_t timer, uint32_t ms) { return timer > ms ? timer - ms : 0; }

// Takes a latched key: true once per press.
bool Take(uint32_t& word) {
    const bool pressed = word != 0;
    word = 0;
    return pressed;
}

bool Idle(const ReplayData& r) { return !r.recording && !r.playing; }

void StepBack(ReplayData& r) {
    if (r.playing && !r.keyFrames.empty()) {
        // keyFrameIndex counts the key frames started, so the one playing is index - 1.
        int32_t target = static_cast<int32_t>(r.keyFrameIndex) - 2;
        if (target < 0) target = static_cast<int32_t>(r.keyFrames.size()) - 2;
        if (target < 0) target = 0;  // a single key frame has nothing before it
        r.read = r.keyFrames[static_cast<size_t>(target)];
        r.keyFrameIndex = static_cast<uint32_t>(target) + 1;
        r.repeat = 0;
    } else if (Idle(r)) {
        ReplayRewind();
    }
}

void StepForward(ReplayData& r) {
    if (!r.playing || r.keyFrameIndex >= r.keyFrames.size()) return;
    r.read = r.keyFrames[r.keyFrameIndex];
    ++r.keyFrameIndex;
    r.repeat = 0;
}

void SaveSlot(ReplayData& r) {
    if (r.slot > kSavedSlots || r.recording || r.end == 0 || r.demoFolder.empty()) return;
    ReplaySaveDemo(ReplayDemoSavePath(r.slot));
}

void LoadSlot(ReplayData& r) {
    if (r.playing || r.demoFolder.empty()) return;
    // A saved demo of this world first; the plain name only when there is none (a damaged saved demo
    // is refused, not passed over).
    const std::string saved = ReplayDemoSavePath(r.slot);
    std::error_code error;
    const std::string path = std::filesystem::exists(saved, error) ? saved : ReplayDemoPlainPath(r.slot);
    if (ReplayLoadDemo(path) != 0) {
        plat::LogEvent(ReplayLastError());
        return;
    }
    plat::LogEvent("demo " + std::filesystem::path(path).filename().string() + " loaded");
    ReplayStartPlaying();
    r.display = 1;
}

void TellHud(const ReplayData& r) {
    HudRaceInfo& hud = HudInfo();
    hud.replay = r.display != 0;
    hud.replayFrame = r.keyFrameIndex;
    hud.replayButtonsOn = (r.recording ? 1u : 0u) | (r.playing ? 2u : 0u) | (r.stopAtKeyFrame ? 4u : 0u);
}

}  // namespace

ReplayKeyWords& ReplayKeys() { return g_keys; }

void SetReplayButtonSound(ReplayButtonSound sound) { g_buttonSound = sound; }

int32_t ReplayScreen(uint32_t ms) {
    ReplayData& r = Replay();
    if (!r.allocated || RaceContext().racePhase < 8) return 0;
    ReplayKeyWords& k = g_keys;
    r.messageTimer = CountDown(r.messageTimer, ms);
    r.keyTimer = CountDown(r.keyTimer, ms);
    if (Take(k.toggle)) {
        r.mode = !r.mode;
        ButtonSound();
    }
    if (!r.mode) {
        ReplayStop();  // closes an open run so that the records stay whole
        r.messageTimer = r.keyTimer = 0;
        r.slot = 1;
        r.display = Take(k.play) ? 1 : 0;
        TellHud(r);
        return 0;
    }
    const bool freeMode = RaceContext().gameMode == 0;
    if (Take(k.record)) {
        if (Idle(r)) ReplayStartRecording();
        else if (r.playing) r.stopAtKeyFrame = true;
        ButtonSound();
    }
    if (Take(k.stop)) {
        ReplayStop();
        r.display = 0;
        r.messageTimer = kStopMessageMs;
        ButtonSound();
    }
    const bool play = Take(k.play), pause = Take(k.pause);
    if ((play || pause) && freeMode) {
        if (Idle(r)) ReplayStartPlaying();
        if (play) r.display = r.display ? 0 : 1;
        ButtonSound();
    }
    if (r.keyTimer == 0 && freeMode && (k.stepBack || k.stepForward)) {
        if (k.stepBack) StepBack(r);
        else StepForward(r);
        r.keyTimer = kStepRepeatMs;
        ButtonSound();
    }
    for (uint32_t s = 0; s < kDemoSlots; ++s)
        if (Take(k.slot[s])) {
            r.slot = s + 1;
            ButtonSound();
        }
    const bool save = Take(k.save), load = Take(k.load);
    if (save && r.keyTimer == 0) {
        SaveSlot(r);
        r.keyTimer = kFileKeyMs;
        ButtonSound();
    }
    if (load && r.keyTimer == 0 && freeMode) {
        LoadSlot(r);
        r.keyTimer = kFileKeyMs;
        ButtonSound();
    }
    TellHud(r);
    return 1;
}

}  // namespace kes
