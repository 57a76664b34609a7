#pragma once
// The run loop and the frame: window events, the elapsed time cut into fixed 10-ms simulation steps
// (network clock, frame callback 1, scene objects, frame callback 2), then one drawing pass (view of
// the active camera, frame callback 3, scene objects, frame callback 4) and the present, all under
// rounding toward zero. Whoever owns the screen installs the four frame callbacks.
#include <cstdint>
#include <string>

#include "game/core/maths/MathTypes.h"

namespace kes {

struct ViewRecord;
class RenderInterface;

constexpr uint32_t kFrameStepMs = 10;
constexpr uint32_t kFrameMaxElapsedMs = 202;

using FrameStepCallback = void (*)(uint32_t stepMs);
using FrameDrawCallback = void (*)(ViewRecord* view);

FrameStepCallback SetFrameCallback1(FrameStepCallback callback);
FrameStepCallback SetFrameCallback2(FrameStepCallback callback);
FrameDrawCallback SetFrameCallback3(FrameDrawCallback callback);
FrameDrawCallback SetFrameCallback4(FrameDrawCallback callback);

// Pumps window events and runs frames while the window has the focus, until RequestQuit; returns
// the quit code. Closing the window asks for quit code 1, like the player leaving the game.
int RunLoop();
int RequestQuit(int code);
bool QuitRequested();
// Forgets a quit request of a loop that has ended (a loop run inside another's frame), unless the
// player is leaving the program.
void ClearQuitRequest();
// The player leaves the program (window closed, Cancel in a diagnostic box): the current loop ends
// with code 1 and every later RunLoop returns 1 at once, so that the game flow unwinds in order.
void RequestProgramQuit();
bool ProgramQuitRequested();
// A new run of the program starts with no quit asked for.
void ClearProgramQuit();
int FrameTick();
int ResetFrameTimer(int ignored);
void CheckWindowFocus();
bool WindowHasFocus();

// Flags that input bindings set (pause key, screen-grab key).
uint32_t* PauseRequestFlag();
uint32_t* GrabRequestFlag();
bool FramePaused();
float FramesPerSecond();
// Frames ticked since start-up (the input script counts by it).
uint32_t FrameNumber();
// The last character typed (Windows-1252), 0 when none since the last call.
uint8_t TakeLastCharacter();

// The replay's slow-motion flag (a quarter of the time passes while it is set, outside network games).
void SetReplaySlowMotion(bool on);

// The renderer frames draw with: the game's render interface once the display is up; null draws
// nothing (the callbacks still run). Returns the previous one.
RenderInterface* SetFrameRenderer(RenderInterface* renderer);

// Where screen grabs go: the grabs folder found or made at start-up ("" = no grabs).
void SetGrabsFolder(const std::string& folder);
// Writes the back buffer as the next grab file; quietly nothing when it cannot.
void SaveScreenshot();
std::string LastScreenshotPath();

// The sound manager's part of the frame, installed when sound is up.
struct FrameSoundHooks {
    void (*setListener)(const Matrix4* cameraMatrix) = nullptr;
    void (*update)() = nullptr;
};
void SetFrameSoundHooks(const FrameSoundHooks& hooks);

// Tests: the millisecond clock frames measure (null: the system clock, or GRAVELON_FRAME_MS).
void SetFrameClock(uint32_t (*clock)());
// Frames presented so far.
uint32_t FramesPresented();
// Tests: what tells whether the window has the focus (null: SDL's keyboard focus; headless runs always
// have it). It is asked when the run loop starts and on every focus event.
void SetFocusQuery(bool (*query)());

void SetFrameCamera(ViewRecord* view);
void BeginFrameRenderStates();
void EndFrame();

// Rounding toward zero for the frame, nested.
void FpuPrecisionBegin();
void FpuPrecisionEnd();

// The display of the main window: set-up at 640 x 480 with the chosen devices, shutdown, size change.
int32_t DisplayInit(uint32_t flags);
int DisplayShutdown();
int ApplyDisplaySize(uint32_t width, uint32_t height);
uint32_t ScreenWidth();
uint32_t ScreenHeight();

}  // namespace kes
