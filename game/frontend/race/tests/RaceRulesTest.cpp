// The race's rules without drawing: the phase machine's timers, finishing, ranking, the camera
// target keys, skins for computer riders and the shuffle of the start slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "game/frontend/race/Race.h"
#include "game/frontend/race/RaceRules.h"
#include "game/frontend/race/RaceState.h"
#include "game/net/NetGame.h"
#include "game/world/physics/GeneratedGround.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

// Racers with bikes on flat ground in the race's table; nothing is drawn or loaded.
class RaceRules : public ::testing::Test {
protected:
    void SetUp() override {
        ThisRace() = RaceSessionState{};
        g_RaceRacers.fill(nullptr);
        ResetRaceClock();
    }
    void TearDown() override {
        g_RaceRacers.fill(nullptr);
        ThisRace() = RaceSessionState{};
    }
    RacerRecord* Add(uint32_t slot, uint32_t laps = 0, float progress = 0.0f) {
        auto r = std::make_unique<RacerRecord>();
        BikeEnvironment env;
        env.ground = &ground_;
        bikes_.push_back(std::make_unique<BikeBody>(env, BikeParams{}, kClassComputer, Vec3{0, 0, 1}, Vec3{0, 1, 0}));
        r->bike = bikes_.back().get();
        r->bike->holdControls = 1;
        r->laps = laps;
        r->progress = progress;
        g_RaceRacers[slot] = r.get();
        racers_.push_back(std::move(r));
        return g_RaceRacers[slot];
    }
    FlatGround ground_;
    std::vector<std::unique_ptr<BikeBody>> bikes_;
    std::vector<std::unique_ptr<RacerRecord>> racers_;
};

TEST_F(RaceRules, PhaseTimersCarryTheirExcessIntoTheNextPhase) {
    struct Case {
        uint32_t phase, timer, timerValue, step, nextPhase, nextTimer, nextTimerValue;
    } cases[] = {
        {3, kTimerWait, 2990, 25, 4, kTimerThree, 15},
        {3, kTimerWait, 2990, 10, 3, kTimerWait, 3000},  // 3000 is not above 3000
        {4, kTimerThree, 990, 20, 5, kTimerTwo, 10},
        {5, kTimerTwo, 1000, 10, 6, kTimerOne, 10},
        {6, kTimerOne, 995, 10, 7, kTimerGo, 5},
        {7, kTimerGo, 990, 20, 8, kTimerGo, 1010},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "phase " << c.phase << " at " << c.timerValue);
        ThisRace().timers.fill(0);
        ThisRace().timers[c.timer] = c.timerValue;
        SetRacePhase(c.phase, 1);
        StepPhase(c.step);
        EXPECT_EQ(RacePhase(), c.nextPhase);
        EXPECT_EQ(ThisRace().timers[c.nextTimer], c.nextTimerValue);
    }
}

TEST_F(RaceRules, ComputerRidersMayGoBeforeTheRiderInSlotZero) {
    for (uint32_t i = 0; i < 4; ++i) Add(i);
    SetRacePhase(kPhaseGo, 1);
    ThisRace().timers[kTimerGo] = 840;
    StepPhase(5);  // 845: everybody still held
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(g_RaceRacers[i]->bike->holdControls, 1) << i;
    StepPhase(15);  // 860: slots 1-7 go
    EXPECT_EQ(g_RaceRacers[0]->bike->holdControls, 1);
    for (uint32_t i = 1; i < 4; ++i) EXPECT_EQ(g_RaceRacers[i]->bike->holdControls, 0) << i;
    EXPECT_EQ(RacePhase(), kPhaseGo);
    StepPhase(150);  // 1010: slot 0 goes, the race is on
    EXPECT_EQ(g_RaceRacers[0]->bike->holdControls, 0);
    EXPECT_EQ(RacePhase(), kPhaseRacing);
}

TEST_F(RaceRules, TheWayOutOfASinglePlayerRace) {
    SetRacePhase(kPhaseFirstFinished, 1);
    ThisRace().timers[kTimerFinish] = 1990;
    StepPhase(10);
    EXPECT_EQ(RacePhase(), kPhaseFirstFinished);
    StepPhase(10);
    EXPECT_EQ(RacePhase(), kPhaseAllDone);
    // All done stays until the player presses the menu key.
    StepPhase(100000);
    EXPECT_EQ(RacePhase(), kPhaseAllDone);
    ThisRace().keys[kKeyMenu] = 1;
    StepPhase(10);
    EXPECT_EQ(RacePhase(), kPhaseLeave);
}

TEST_F(RaceRules, ANetworkRaceLeavesFiveSecondsAfterAllAreDone) {
    ThisRace().network = true;
    ThisRace().host = true;
    SetRacePhase(kPhaseFirstFinished, 1);
    StepPhase(100000);  // a network race waits in 9 for the others
    EXPECT_EQ(RacePhase(), kPhaseFirstFinished);
    SetRacePhase(kPhaseAllDone, 1);
    ThisRace().timers[kTimerFinish] = 4990;
    ThisRace().keys[kKeyMenu] = 1;  // the menu key does not end it early
    StepPhase(10);
    EXPECT_EQ(RacePhase(), kPhaseAllDone);
    StepPhase(10);
    EXPECT_EQ(RacePhase(), kPhaseLeave);
}

TEST_F(RaceRules, ANetworkClientFollowsTheHostsCountdown) {
    ThisRace().network = true;
    SetRacePhase(kPhaseWait, 1);
    ThisRace().timers[kTimerWait] = 2990;
    StepPhase(25);
    EXPECT_EQ(RacePhase(), kPhaseWait) << "the host's message moves it on";
    SetRacePhase(kPhaseThree, 1);  // as message 22 does
    EXPECT_EQ(RacePhase(), kPhaseThree);
}

TEST_F(RaceRules, NetworkFinishersKeepTheirPlaceWithoutTellingOthers) {
    RaceSessionState& s = ThisRace();
    s.network = true;
    s.laps = 2;
    RacerRecord* through = Add(0, 2);
    RacerRecord* racing = Add(1, 1);
    through->place = 1;
    racing->place = 2;
    SetRacePhase(kPhaseRacing, 1);
    StepFinishing(10);
    EXPECT_EQ(RacePhase(), kPhaseFirstFinished);
    EXPECT_EQ(through->finishPlace, 1u);
    EXPECT_EQ(racing->finishPlace, 0u);
    racing->laps = 2;
    s.host = true;
    StepFinishing(10);
    EXPECT_EQ(racing->finishPlace, 2u);
    EXPECT_EQ(RacePhase(), kPhaseAllDone) << "nobody is still racing";
}

TEST_F(RaceRules, FinishingRules) {
    struct Case {
        const char* what;
        uint32_t worldKind, gameMode, laps, clockMs;
        bool finished;
        uint32_t phase;
        uint8_t held;  // the bike is held where it is
    } cases[] = {
        {"laps short of the race", 0, 1, 3, 0, false, 8, 0},
        {"through the last lap", 0, 1, 4, 0, true, 9, 0},
        {"points mode: any lap", 0, 2, 1, 0, true, 9, 0},
        {"points mode: no lap yet", 0, 2, 0, 0, false, 8, 0},
        {"timed world before the limit", 2, 1, 9, 7 * 60000 - 20, false, 8, 0},
        {"timed world at the limit", 2, 1, 0, 7 * 60000, true, 9, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        RaceSessionState& s = ThisRace();
        s.worldKind = c.worldKind;
        s.gameMode = c.gameMode;
        s.laps = 4;
        s.timeLimitMinutes = 7;
        RacerRecord* r = Add(0, c.laps);
        r->bike->params.airAssist = 2;
        r->bike->controlClass = kClassLocal;
        AdvanceRaceClock(c.clockMs);
        SetRacePhase(kPhaseRacing, 1);
        StepFinishing(10);
        EXPECT_EQ(r->finished != 0, c.finished);
        EXPECT_EQ(RacePhase(), c.phase);
        EXPECT_EQ(r->bike->holdControls, c.held);
        if (c.finished) {
            EXPECT_EQ(r->bike->params.airAssist, 0u);
            EXPECT_EQ(r->bike->controlClass, kClassComputer);
        }
    }
}

TEST_F(RaceRules, TheFirstThroughTheLineKeepsFirstPlace) {
    ThisRace().laps = 2;
    RacerRecord* winner = Add(0, 1, 48.0f);
    RacerRecord* rival = Add(1, 1, 47.5f);
    RankRacers(g_RaceRacers.data(), kMaxRaceRacers);  // the last frame's places
    // The winner's lap counts at the line, where its progress starts again from the first gate.
    winner->laps = 2;
    winner->progress = 1.0f;
    SetRacePhase(kPhaseRacing, 1);
    StepFinishing(10);
    EXPECT_EQ(winner->finishPlace, 1u);
    EXPECT_EQ(rival->finishPlace, 0u);
    EXPECT_EQ(RacePhase(), kPhaseFirstFinished);
}

TEST_F(RaceRules, ATimedWorldEndsForEveryone) {
    RaceSessionState& s = ThisRace();
    s.worldKind = 2;
    s.gameMode = 1;
    s.timeLimitMinutes = 1;
    for (uint32_t i = 0; i < 3; ++i) Add(i);
    AdvanceRaceClock(60000);
    SetRacePhase(kPhaseRacing, 1);
    StepFinishing(10);
    EXPECT_EQ(RacePhase(), kPhaseFirstFinished);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_TRUE(g_RaceRacers[i]->finished) << i;
}

TEST_F(RaceRules, RankingByLapsAndProgress) {
    struct Case {
        const char* what;
        std::vector<std::pair<uint32_t, float>> racers;
        std::vector<uint32_t> places;
    } cases[] = {
        {"a lone leader", {{2, 5.0f}, {1, 9.0f}}, {1, 2}},
        {"two tied leaders both take place 2", {{2, 5.0f}, {2, 5.0f}, {1, 0.0f}}, {2, 2, 3}},
        {"laps count before progress", {{1, 900.0f}, {3, 1.0f}, {2, 50.0f}}, {3, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_RaceRacers.fill(nullptr);
        for (uint32_t i = 0; i < c.racers.size(); ++i) Add(i * 2, c.racers[i].first, c.racers[i].second);
        RankRacers(g_RaceRacers.data(), kMaxRaceRacers);
        for (uint32_t i = 0; i < c.places.size(); ++i) EXPECT_EQ(g_RaceRacers[i * 2]->place, c.places[i]) << i;
    }
}

TEST_F(RaceRules, CameraTargetKeysSkipEmptySlots) {
    for (uint32_t slot : {0u, 2u, 5u}) Add(slot);
    struct Case {
        const char* what;
        int32_t target;
        uint32_t next, previous, own;
        int32_t expected;
    } cases[] = {
        {"next from 5 wraps to 0", 5, 1, 0, 0, 0},
        {"next from 0 skips to 2", 0, 1, 0, 0, 2},
        {"previous from 5 skips to 2", 5, 0, 1, 0, 2},
        // Below 0 the target goes to the racer count - 1 (slot 2 here) and on down from there.
        {"previous from 0 wraps by the racer count", 0, 0, 1, 0, 2},
        {"a removed racer's slot moves up", 3, 0, 0, 0, 5},
        {"own goes back to the own racer", 5, 0, 0, 1, 2},
        {"nothing pressed keeps the target", 2, 0, 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t next = c.next, previous = c.previous, own = c.own;
        EXPECT_EQ(StepCameraTarget(c.target, g_RaceRacers.data(), 3, 2, CameraKeys{&next, &previous, &own}), c.expected);
        EXPECT_EQ(next + previous + own, 0u) << "requests are cleared";
    }
}

TEST_F(RaceRules, CameraTargetWithNoRacersStaysPut) {
    uint32_t next = 1, previous = 1, own = 0;
    EXPECT_EQ(StepCameraTarget(3, g_RaceRacers.data(), 0, 0, CameraKeys{&next, &previous, &own}), 3);
}

TEST_F(RaceRules, ComputerSkinsDifferWhileThereAreEnough) {
    plat::CrtSrand(7);
    std::vector<int32_t> taken;
    for (int i = 0; i < 8; ++i) taken.push_back(DrawFreeSkin(8, taken));
    std::vector<int32_t> sorted = taken;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
    // Fewer skins than racers: the draw ends with repeats instead of looping for ever.
    std::vector<int32_t> few;
    for (int i = 0; i < 8; ++i) {
        const int32_t skin = DrawFreeSkin(3, few);
        EXPECT_GE(skin, 0);
        EXPECT_LT(skin, 3);
        few.push_back(skin);
    }
    EXPECT_EQ(DrawFreeSkin(0, few), 0);
}

TEST_F(RaceRules, StartSlotShuffleKeepsEverySlotOnce) {
    plat::CrtSrand(11);
    std::array<uint32_t, kMaxRaceRacers> slots = {0, 1, 2, 3, 4, 5, 6, 7};
    ShuffleStartSlots(slots, 5);
    std::array<uint32_t, 5> first{};
    std::copy_n(slots.begin(), 5, first.begin());
    std::sort(first.begin(), first.end());
    EXPECT_EQ(first, (std::array<uint32_t, 5>{0, 1, 2, 3, 4}));
    EXPECT_EQ(slots[5], 5u);
    EXPECT_EQ(slots[7], 7u);
}

TEST(RaceLoading, ScreenNamesAndBarWidths) {
    EXPECT_STREQ(LoadingScreenName(1001), "mx_forest.bmp");
    EXPECT_STREQ(LoadingScreenName(2007), "sx_10.bmp");
    EXPECT_STREQ(LoadingScreenName(4003), "fs_babel.bmp");
    EXPECT_STREQ(LoadingScreenName(2001), "generic.bmp");
    EXPECT_STREQ(LoadingScreenName(0), "generic.bmp");
    // Half way: 248 pixels, so the bar ends at (248 + 72) / 640 = the middle of the screen.
    EXPECT_EQ(LoadingBarWidth(0.5f), 248);
    EXPECT_EQ(LoadingBarWidth(0.0f), 0);
    EXPECT_EQ(LoadingBarWidth(-3.0f), 0);
    EXPECT_EQ(LoadingBarWidth(7.0f), 496);
    EXPECT_EQ(LoadingBarWidth(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(RaceCountdown, SpritesOfPhasesFourToSeven) {
    EXPECT_EQ(CountdownSprite(3), nullptr);
    EXPECT_EQ(CountdownSprite(8), nullptr);
    const Sprite* three = CountdownSprite(4);
    ASSERT_NE(three, nullptr);
    EXPECT_FLOAT_EQ(three->rect->uMin, 15.0f / 256.0f);
    EXPECT_FLOAT_EQ(three->rect->vMax, 115.0f / 256.0f);
    const Sprite* go = CountdownSprite(7);
    ASSERT_NE(go, nullptr);
    EXPECT_FLOAT_EQ(go->left, 0.3125f);
    EXPECT_FLOAT_EQ(go->bottom, 0.708333f);
    EXPECT_FLOAT_EQ(go->rect->uMax, 229.0f / 256.0f);
    EXPECT_EQ(go->colour, 0xFFFFFFFFu);
}

// The score a timed world's results take is the trick score the bike gathered, as whole points.
TEST_F(RaceRules, ATimedWorldsScoreIsTheBikesTrickScore) {
    const struct {
        float trickScore;
        uint32_t score;
    } cases[] = {{0.0f, 0}, {1234.9f, 1234}, {-50.0f, 0}, {1e12f, 9999999}, {std::nanf(""), 0}};
    RacerRecord* r = Add(0);
    for (const auto& c : cases) {
        r->bike->scoreTarget = c.trickScore;
        EXPECT_EQ(RacerScore(*r), c.score) << c.trickScore;
    }
    RacerRecord bikeless;
    EXPECT_EQ(RacerScore(bikeless), 0u);
}

}  // namespace
}  // namespace kes
