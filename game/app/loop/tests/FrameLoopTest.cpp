#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "game/core/camera/Camera.h"
#include "game/core/config/Config.h"
#include "game/app/loop/FrameLoop.h"
#include "game/core/maths/FastMath.h"
#include "game/core/objects/Objects.h"
#include "game/core/render/RenderInterface.h"
#include "game/net/NetGame.h"
#include "game/net/NetState.h"
#include "platform/sys/Fpu.h"

namespace kes {
namespace {

// Records what the frame asks of the renderer instead of drawing.
class RecordingRenderer : public RenderInterface {
public:
    int32_t SetState(uint32_t state, uint32_t value) override {
        log.push_back("s" + std::to_string(state) + "=" + std::to_string(value));
        return 0;
    }
    int32_t BeginScene() override { log.push_back("begin"); return 0; }
    int32_t FlushTranslucent() override { log.push_back("flush"); return 0; }
    int32_t EndScene() override { log.push_back("end"); return 0; }
    int32_t Present() override { log.push_back("present"); return 0; }
    std::vector<std::string> log;
};

uint32_t g_now = 1000;
uint32_t Clock() { return g_now; }

std::vector<std::string> g_events;
void Step1(uint32_t ms) { g_events.push_back("cb1:" + std::to_string(ms)); }
void Step2(uint32_t ms) { g_events.push_back("cb2:" + std::to_string(ms)); }
void Draw3(ViewRecord*) { g_events.push_back("cb3"); }
void Draw4(ViewRecord*) { g_events.push_back("cb4"); }

const float kBox[6] = {-4100, -4100, -2000, 8100, 8100, 7000};

class FrameTickTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        ASSERT_EQ(InitObjects(0, 1, 1, 1, kBox), 0);
        SetFrameClock(Clock);
        SetFrameRenderer(&renderer);
        SetFrameCallback1(Step1);
        SetFrameCallback2(Step2);
        SetFrameCallback3(Draw3);
        SetFrameCallback4(Draw4);
        ASSERT_EQ(CreateCamera(&camera, "Main Camera", nullptr), 0);
        g_events.clear();
        Tick(0);  // starts the timer
        g_events.clear();
        renderer.log.clear();
    }
    void TearDown() override {
        SetFrameCallback1(nullptr);
        SetFrameCallback2(nullptr);
        SetFrameCallback3(nullptr);
        SetFrameCallback4(nullptr);
        SetFrameRenderer(nullptr);
        SetReplaySlowMotion(false);
        if (FramePaused()) {
            *PauseRequestFlag() = 1;
            Tick(0);
        }
        net::State().mode = 0;
        DestroyCamera(camera);
        FreeObjects();
        SetFrameClock(nullptr);
    }
    void Tick(uint32_t elapsed) {
        g_now += elapsed;
        FrameTick();
    }
    std::vector<uint32_t> Steps() const {
        std::vector<uint32_t> steps;
        for (const std::string& e : g_events)
            if (e.rfind("cb1:", 0) == 0) steps.push_back(static_cast<uint32_t>(std::stoul(e.substr(4))));
        return steps;
    }
    RecordingRenderer renderer;
    SceneCamera* camera = nullptr;
};

TEST_F(FrameTickTest, ElapsedTimeIsCutIntoTenMillisecondSteps) {
    struct Case {
        uint32_t elapsed;
        bool slowMotion;
        std::vector<uint32_t> steps;
        bool presented;
    };
    std::vector<uint32_t> stall(20, 10);
    stall.push_back(2);
    const Case cases[] = {
        {25, false, {10, 10, 5}, true},
        {500, false, stall, true},          // clamped to 202
        {10, false, {10}, true},
        {0, false, {}, false},              // two frames in one millisecond: nothing at all
        {30, true, {7}, true},              // slow motion: a quarter, truncated
        {3, true, {}, true},                // slow motion to zero: no step, still drawn
    };
    for (const Case& c : cases) {
        g_events.clear();
        renderer.log.clear();
        SetReplaySlowMotion(c.slowMotion);
        const uint32_t presentedBefore = FramesPresented();
        Tick(c.elapsed);
        EXPECT_EQ(Steps(), c.steps) << c.elapsed;
        EXPECT_EQ(FramesPresented() - presentedBefore, c.presented ? 1u : 0u) << c.elapsed;
        EXPECT_EQ(renderer.log.empty(), !c.presented) << c.elapsed;
    }
}

TEST_F(FrameTickTest, StepAndDrawOrder) {
    static std::vector<std::string>* events = &g_events;
    camera->object->update = [](SectorObject*, uint32_t ms, void*) { events->push_back("obj:" + std::to_string(ms)); };
    camera->object->draw = [](SectorObject*, ViewRecord*) { events->push_back("draw"); };
    Tick(15);
    EXPECT_EQ(g_events, (std::vector<std::string>{"cb1:10", "obj:10", "cb2:10", "cb1:5", "obj:5", "cb2:5", "cb3",
                                                  "draw", "cb4"}));
    camera->object->update = nullptr;
    camera->object->draw = nullptr;
}

TEST_F(FrameTickTest, PausedFramesRunOnlyTheMainCameraWithTheWholeTime) {
    static std::vector<uint32_t> cameraSteps;
    cameraSteps.clear();
    camera->object->update = [](SectorObject*, uint32_t ms, void*) { cameraSteps.push_back(ms); };
    *PauseRequestFlag() = 1;
    Tick(37);
    EXPECT_TRUE(FramePaused());
    EXPECT_EQ(*PauseRequestFlag(), 0u);
    EXPECT_TRUE(Steps().empty());
    EXPECT_EQ(cameraSteps, std::vector<uint32_t>{37});
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), "cb4"), g_events.end());
    *PauseRequestFlag() = 1;
    g_events.clear();
    Tick(20);
    EXPECT_FALSE(FramePaused());
    EXPECT_EQ(Steps(), (std::vector<uint32_t>{10, 10}));
    camera->object->update = nullptr;
}

TEST_F(FrameTickTest, PauseHasNoEffectInANetworkGameAndAnEarlierPauseIsCleared) {
    *PauseRequestFlag() = 1;
    Tick(10);
    ASSERT_TRUE(FramePaused());
    net::State().mode = 2;
    *PauseRequestFlag() = 1;
    g_events.clear();
    Tick(20);
    EXPECT_FALSE(FramePaused());
    EXPECT_EQ(*PauseRequestFlag(), 0u);
    EXPECT_EQ(Steps(), (std::vector<uint32_t>{10, 10}));
    // Slow motion is off in a network game too.
    SetReplaySlowMotion(true);
    g_events.clear();
    Tick(30);
    EXPECT_EQ(Steps(), (std::vector<uint32_t>{10, 10, 10}));
}

TEST_F(FrameTickTest, FrameStatesFollowTheFilterSettings) {
    struct Case { uint32_t bilinear, trilinear, mip, mag, min; };
    const Case cases[] = {{1, 1, 1, 2, 6}, {1, 1, 0, 2, 2}, {1, 0, 1, 2, 4},
                          {1, 0, 0, 2, 2}, {0, 1, 1, 1, 3}, {0, 0, 0, 1, 1}};
    const ConfigRecord saved = g_Config;
    for (const Case& c : cases) {
        g_Config.bilinear = c.bilinear;
        g_Config.trilinear = c.trilinear;
        g_Config.mipMapping = c.mip;
        g_Config.perspective = 0;
        renderer.log.clear();
        Tick(10);
        const std::vector<std::string> expected = {
            "begin", "flush", "s9=2", "s26=1", "s41=0", "s22=3", "s19=2", "s20=1", "s666=0", "s27=0", "s8=3",
            "s21=2", "s17=" + std::to_string(c.mag), "s18=" + std::to_string(c.min), "s3=1", "s4=0", "s7=1",
            "s14=1", "s23=2", "s28=0", "s22=3", "s41=0", "s666=0", "end", "present"};
        EXPECT_EQ(renderer.log, expected);
    }
    g_Config = saved;
}

TEST_F(FrameTickTest, WithoutACameraOnlyTheOverlaysDraw) {
    SetActiveCamera(nullptr);
    Tick(10);
    EXPECT_EQ(std::find(g_events.begin(), g_events.end(), "cb3"), g_events.end());
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), "cb4"), g_events.end());
    SetActiveCamera(camera);
}

TEST_F(FrameTickTest, CallbackSettersReturnThePreviousOne) {
    EXPECT_EQ(SetFrameCallback1(nullptr), Step1);
    EXPECT_EQ(SetFrameCallback1(Step1), nullptr);
    EXPECT_EQ(SetFrameCallback4(Draw4), Draw4);
}

TEST_F(FrameTickTest, RunLoopEndsWithTheRequestedCode) {
    static int frames = 0;
    frames = 0;
    SetFrameCallback1([](uint32_t) {
        if (++frames == 3) RequestQuit(3);
    });
    g_now += 10;
    // Every frame sees no time pass on the fake clock after the first, so steps come from this one.
    SetFrameClock([]() { return g_now += 10; });
    EXPECT_EQ(RunLoop(), 3);
    EXPECT_EQ(frames, 3);
}

TEST_F(FrameTickTest, ClosingTheWindowQuitsInOrder) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
    SDL_Event close{};
    close.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    static int frames = 0;
    frames = 0;
    SetFrameCallback1([](uint32_t) {
        if (++frames > 100) RequestQuit(5);  // the close event was lost
    });
    SetFrameClock([]() { return g_now += 10; });
    EXPECT_EQ(RunLoop(), 1);
    EXPECT_TRUE(ProgramQuitRequested());
    EXPECT_EQ(RunLoop(), 1);  // later loops of the game flow end at once
    RequestQuit(1);
    ClearQuitRequest();
    EXPECT_TRUE(QuitRequested()) << "leaving the program is never forgotten";
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

TEST_F(FrameTickTest, ALoopInsideAFrameLeavesTheOuterLoopRunning) {
    RequestQuit(4);
    ClearQuitRequest();
    EXPECT_FALSE(QuitRequested());
}

// The frame rounds toward zero in every callback and restores the caller's mode when it returns, also
// when no time has passed and nothing runs, and inside an outer toward-zero section it leaves that on.
TEST_F(FrameTickTest, AFrameRoundsTowardZeroAndRestoresTheModeAfter) {
    static std::vector<bool> towardZero;
    towardZero.clear();
    SetFrameCallback1([](uint32_t) { towardZero.push_back(plat::RoundingTowardZero()); });
    SetFrameCallback2([](uint32_t) { towardZero.push_back(plat::RoundingTowardZero()); });
    SetFrameCallback3([](ViewRecord*) { towardZero.push_back(plat::RoundingTowardZero()); });
    SetFrameCallback4([](ViewRecord*) { towardZero.push_back(plat::RoundingTowardZero()); });
    ASSERT_FALSE(plat::RoundingTowardZero());
    EXPECT_EQ(plat::RoundWithCurrentMode(2.7f), 3);
    Tick(20);
    EXPECT_EQ(towardZero, (std::vector<bool>{true, true, true, true, true, true}));
    EXPECT_FALSE(plat::RoundingTowardZero());
    EXPECT_EQ(plat::RoundWithCurrentMode(2.7f), 3) << "to nearest again";
    Tick(0);  // nothing runs
    EXPECT_FALSE(plat::RoundingTowardZero());
    FpuPrecisionBegin();
    towardZero.clear();
    Tick(10);
    EXPECT_EQ(towardZero, (std::vector<bool>{true, true, true, true}));
    EXPECT_TRUE(plat::RoundingTowardZero()) << "the outer section still holds";
    EXPECT_EQ(plat::RoundWithCurrentMode(2.7f), 2);
    FpuPrecisionEnd();
    EXPECT_FALSE(plat::RoundingTowardZero());
}

// Losing the focus stops the frames; regaining it resets the frame timer, so the time spent away
// brings no catch-up steps.
std::atomic<bool> g_focused{true};
std::atomic<uint32_t> g_timeAway{0};
std::atomic<int> g_framesRun{0};
std::atomic<bool> g_focusLost{false};
std::atomic<bool> g_lossSeen{false};  // the loop has asked for the focus and heard that it is gone
std::vector<uint32_t> g_stepsAfterReturn;

void PushFocusEvent(bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
}

TEST_F(FrameTickTest, LosingTheFocusStopsFramesAndRegainingItResetsTheTimer) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
    g_focused = true;
    g_timeAway = 0;
    g_framesRun = 0;
    g_focusLost = false;
    g_lossSeen = false;
    g_stepsAfterReturn.clear();
    SetFocusQuery([] {
        const bool focused = g_focused;
        if (!focused) g_lossSeen = true;
        return focused;
    });
    // Each reading of the clock moves it on by 10 ms, plus the time spent away once it has passed.
    SetFrameClock([] { return g_now += 10 + g_timeAway.exchange(0); });
    SetFrameCallback1([](uint32_t ms) {
        if (g_focusLost) {
            g_stepsAfterReturn.push_back(ms);
            if (g_stepsAfterReturn.size() == 2) RequestQuit(7);
            return;
        }
        if (++g_framesRun == 3) {
            g_focused = false;
            PushFocusEvent(false);
        }
    });
    int framesWhileAway = -1;
    std::thread away([&] {
        while (!g_lossSeen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The loop waits for window events meanwhile, several rounds of its wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        framesWhileAway = g_framesRun;
        g_focusLost = true;
        g_timeAway = 5000;
        g_focused = true;
        PushFocusEvent(true);
    });
    const int code = RunLoop();
    away.join();
    SetFocusQuery(nullptr);
    CheckWindowFocus();
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
    EXPECT_EQ(code, 7);
    EXPECT_EQ(framesWhileAway, 3) << "no frame ran without the focus";
    EXPECT_EQ(g_framesRun, 3);
    // Without the reset the first frame back would have run 202 ms of catch-up steps.
    EXPECT_EQ(g_stepsAfterReturn, (std::vector<uint32_t>{10, 10}));
}

}  // namespace
}  // namespace kes
