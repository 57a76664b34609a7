// The race branch of the game flow with scripted screens: which pages, movies, statistics and
// season totals each kind of race leads to.
#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowMovies.h"
#include "game/frontend/flow/GameFlow.h"
#include "game/frontend/flow/ResultHelpers.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/results/ResultsText.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

// How one scripted race goes.
struct RaceScript {
    int32_t start = 0;         // what RaceStart returns
    uint32_t outcome = kOutcomeRun;
    uint32_t playerPlace = 1;
    uint32_t playerScore = 0;  // timed worlds
    int quitCode = 3;
};

struct Recorder {
    std::deque<RaceScript> races;
    std::vector<int> pages;          // each page the menu loop ran on
    std::vector<std::string> blocks; // the results block shown on it
    std::vector<std::string> movies;
    int runLoops = 0, raceEnds = 0;
    std::deque<int> menuCodes;       // menu loop codes; 3 when the list is empty
    RaceScript current;
};
Recorder* g_rec = nullptr;

int FakeMenuLoop() {
    g_rec->pages.push_back(CurrentMenuPage());
    g_rec->blocks.push_back(ResultsBlockShown());
    if (g_rec->menuCodes.empty()) return 3;
    const int code = g_rec->menuCodes.front();
    g_rec->menuCodes.pop_front();
    return code;
}

int32_t FakeRaceStart(RenderInterface*, const WorldRecord*, RacerDesc* descs, uint32_t players, uint32_t) {
    EXPECT_EQ(players, 1u);
    EXPECT_EQ(descs[0].kind, kRacerLocal);
    EXPECT_NE(descs[0].input, nullptr);
    g_rec->current = g_rec->races.empty() ? RaceScript{} : g_rec->races.front();
    if (!g_rec->races.empty()) g_rec->races.pop_front();
    return g_rec->current.start;
}

int FakeRunLoop() {
    ++g_rec->runLoops;
    EXPECT_EQ(Flow().inRace, 1u);
    Flow().RaceOutcome = g_rec->current.outcome;
    return g_rec->current.quitCode;
}

// Writes a row per racer: the player at the scripted place, the others in row order around it.
void FakeRaceEnd(ResultRow* rows) {
    ++g_rec->raceEnds;
    const uint32_t n = RowsInUse(Flow());
    uint32_t next = 1;
    for (uint32_t i = 0; i < n; ++i) {
        if (i == 0) {
            rows[0].place = g_rec->current.playerPlace;
            rows[0].score = g_rec->current.playerScore;
        } else {
            if (next == g_rec->current.playerPlace) ++next;
            rows[i].place = next++;
        }
        rows[i].bestLap = 60000 + i;
    }
}

void RecordMovie(const char* name) { g_rec->movies.push_back(name); }

class GameFlowBranch : public ::testing::Test {
protected:
    void SetUp() override {
        rec_ = Recorder{};
        g_rec = &rec_;
        folder_ = fs::path(::testing::TempDir()) / ("flow_branch_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        ASSERT_EQ(EnterProfilesFolder(folder_.string()), 0);
        FrontEnd().profile = std::make_unique<Profile>();
        FrontEnd().profile->SetName("TESTER");
        g_WorldList.clear();
        const uint32_t kinds[] = {0, 0, 1, 2, 2};
        for (uint32_t i = 0; i < 5; ++i) {
            WorldRecord w;
            w.identifier = 101 + i;
            w.kind = kinds[i];
            w.name = w.nameText = "World" + std::to_string(i);
            w.description = {"A", "B"};
            if (i == 4) w.description = {"A", "B", "C", "D", "2"};
            g_WorldList.push_back(w);
        }
        InstallResultsPages();
        FlowServices() = GameFlowServices{FakeMenuLoop, FakeRaceStart, FakeRunLoop, FakeRaceEnd};
        previousMovies_ = SetFlowMoviePlayer(RecordMovie);
        ResetMovieCycles();
        savedConfig_ = g_Config;
        g_Config.gameMode = 1;
        g_Config.raceOption1 = 3;
        g_Config.raceOption4 = 7;
        Flow() = GameFlowState{};
        plat::CrtSrand(42);
    }
    void TearDown() override {
        ResetFlowServices();
        SetFlowMoviePlayer(previousMovies_);
        g_Config = savedConfig_;
        FrontEnd().profile.reset();
        g_WorldList.clear();
        Flow() = GameFlowState{};
        LeaveMenuPage();
        g_rec = nullptr;
        fs::remove_all(folder_);
    }
    // A single race on the world with the given identifier.
    int SingleRace(uint32_t identifier) {
        Flow().worldFamily = 1;
        Flow().chosenWorld = identifier;
        return RunRaceBranch(nullptr, -1);
    }
    float Stat(uint32_t i) const { return FrontEnd().profile->GetStat(i); }

    Recorder rec_;
    fs::path folder_;
    MoviePlayFn previousMovies_ = nullptr;
    ConfigRecord savedConfig_;
};

TEST_F(GameFlowBranch, WinningALapRaceShowsTimesRecordsStatisticsAndSavesTheProfile) {
    rec_.races = {{0, kOutcomeRun, 1}};
    EXPECT_EQ(SingleRace(103), 3);  // kind 1
    EXPECT_EQ(rec_.pages, (std::vector<int>{16}));
    EXPECT_EQ(CurrentMenuPage(), 0);
    EXPECT_EQ(rec_.movies, (std::vector<std::string>{"GameOver\\bikeflat.bik"}));
    EXPECT_EQ(Flow().racerCount, 4u);
    EXPECT_EQ(Flow().raceResults[0].points, 40u) << "a winner among four gets 4 points";
    EXPECT_FLOAT_EQ(Stat(3), 1.0f);  // races started of kind 1
    EXPECT_FLOAT_EQ(Stat(4), 1.0f);  // races that earned points
    EXPECT_FLOAT_EQ(Stat(5), 4.0f);  // points
    EXPECT_NE(rec_.blocks[0].find(" 1  TESTER"), std::string::npos) << rec_.blocks[0];
    EXPECT_TRUE(fs::exists(folder_ / "Profiles" / "TESTER.prf"));
    Profile saved;
    ASSERT_EQ(saved.Load("TESTER"), 0);
    EXPECT_FLOAT_EQ(saved.GetStat(5), 4.0f);
}

TEST_F(GameFlowBranch, OutcomesAndModesDecideWhatFollowsASingleRace) {
    struct Case {
        const char* what;
        uint32_t world;
        uint32_t mode;
        RaceScript race;
        std::vector<int> pages;
        std::vector<std::string> movies;
        int runLoops;
        float started, scored;  // stats 3k and 3k + 2
    } cases[] = {
        {"last place scores nothing", 101, 1, {0, kOutcomeRun, 4}, {16}, {"GameOver\\bikeflat.bik"}, 1, 1, 0},
        {"retired: the slump movie, no results", 101, 1, {0, kOutcomeRetired, 4}, {}, {"Rewards\\slump.bik"}, 1, 1, 0},
        {"practice mode: no results, no statistics", 101, 0, {0, kOutcomeRun, 1}, {}, {"GameOver\\bikeflat.bik"}, 1, 0, 0},
        {"point mode: no results, no statistics", 102, 2, {0, kOutcomeRun, 1}, {}, {"GameOver\\bikeflat.bik"}, 1, 0, 0},
        {"the world fails to load: nothing but the start", 101, 1, {-5, kOutcomeRun, 1}, {}, {}, 0, 1, 0},
        {"an unknown world: skipped", 999, 1, {0, kOutcomeRun, 1}, {}, {}, 0, 0, 0},
        {"the player left the game", 101, 1, {0, kOutcomeRun, 1, 0, 1}, {}, {"GameOver\\bikeflat.bik"}, 1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        g_Config.gameMode = c.mode;
        rec_.races = {c.race};
        SingleRace(c.world);
        EXPECT_EQ(rec_.pages, c.pages);
        EXPECT_EQ(rec_.movies, c.movies);
        EXPECT_EQ(rec_.runLoops, c.runLoops);
        EXPECT_EQ(rec_.raceEnds, c.runLoops) << "RaceEnd only after a run";
        EXPECT_FLOAT_EQ(Stat(0), c.started);
        EXPECT_FLOAT_EQ(Stat(2), c.scored);
        EXPECT_EQ(CurrentMenuPage(), 0);
    }
}

TEST_F(GameFlowBranch, TimedWorldShowsTheOpponentsFirstAndScoresAfter) {
    rec_.races = {{0, kOutcomeRun, 1, 50000}};
    SingleRace(105);  // kind 2, scale 2
    EXPECT_EQ(rec_.pages, (std::vector<int>{17, 18}));
    EXPECT_NE(rec_.blocks[0].find("---------   -.-"), std::string::npos) << "the player's row on the opponents page";
    EXPECT_EQ(Flow().raceResults[0].points, 100u);
    EXPECT_EQ(Flow().resultOrder[0], 0u) << "the best score first";
    EXPECT_FLOAT_EQ(Stat(6), 1.0f);
    EXPECT_FLOAT_EQ(Stat(7), 1.0f);
    EXPECT_FLOAT_EQ(Stat(8), 10.0f);
}

TEST_F(GameFlowBranch, CommandLineRaceShowsNoResults) {
    rec_.races = {{0, kOutcomeRun, 1}};
    EXPECT_EQ(RunRaceBranch(nullptr, 0), 3);
    EXPECT_TRUE(rec_.pages.empty());
    EXPECT_EQ(rec_.runLoops, 1);
    EXPECT_FLOAT_EQ(Stat(0), 1.0f);
    EXPECT_FLOAT_EQ(Stat(2), 0.0f);
    EXPECT_EQ(CurrentMenuPage(), 0);
}

TEST_F(GameFlowBranch, ChampionshipOfFiveWithARetirementAccumulatesStandings) {
    Flow().worldFamily = kFamilyChampionship;
    Flow().championship = {0, 1, 2, 0, 1};
    rec_.races = {{0, kOutcomeRun, 1}, {0, kOutcomeRetired, 1}, {0, kOutcomeRun, 2}, {0, kOutcomeRun, 1},
                  {0, kOutcomeRun, 1}};
    EXPECT_EQ(RunRaceBranch(nullptr, -1), 3);
    EXPECT_EQ(rec_.pages, (std::vector<int>{16, 19, 16, 19, 16, 19, 16, 19, 16, 20}));
    EXPECT_EQ(CurrentMenuPage(), 0);
    // Four points for each win, two for the second place, none when retired.
    EXPECT_EQ(Flow().seasonResults[0].points, 140u);
    EXPECT_EQ(Flow().resultOrder[0], 0u);
    EXPECT_EQ(Flow().cupResults[0].points, 200u) << "champion among four";
    EXPECT_FLOAT_EQ(Stat(12), 1.0f);
    EXPECT_FLOAT_EQ(Stat(13), 1.0f);
    EXPECT_FLOAT_EQ(Stat(14), 20.0f);
    EXPECT_EQ(rec_.movies, (std::vector<std::string>{"Rewards\\deliriouslyhappy.bik", "Rewards\\dropbike.bik",
                                                     "Rewards\\funkychicken.bik", "GameOver\\bikeflat.bik",
                                                     "Podium\\BOW_1ST_SOND.bik"}));
    // The retired race's results list the player last.
    EXPECT_NE(rec_.blocks[2].find(" 4  TESTER"), std::string::npos) << rec_.blocks[2];
    EXPECT_NE(rec_.blocks[9].find("TESTER              14.0      20"), std::string::npos) << rec_.blocks[9];
}

TEST_F(GameFlowBranch, ChampionshipSkipsAMissingOrUnloadableWorldAndGoesOn) {
    Flow().worldFamily = kFamilyChampionship;
    Flow().championship = {0, 77, 1, 2, 0};  // 77: not in the list
    rec_.races = {{0, kOutcomeRun, 1}, {-3, kOutcomeRun, 1}, {0, kOutcomeRun, 4}, {0, kOutcomeRun, 4}};
    RunRaceBranch(nullptr, -1);
    // Races 2 (missing) and 3 (fails to load) show nothing and add nothing.
    EXPECT_EQ(rec_.pages, (std::vector<int>{16, 19, 16, 19, 16, 20}));
    EXPECT_EQ(rec_.runLoops, 3);
    EXPECT_EQ(Flow().seasonResults[0].points, 40u);
    EXPECT_NE(Flow().resultOrder[0], 0u) << "the others caught up";
    EXPECT_EQ(std::count(rec_.movies.begin(), rec_.movies.end(), "Podium\\BOW_1ST_SOND.bik"), 0);
}

TEST_F(GameFlowBranch, LeavingTheGameStopsTheChampionship) {
    Flow().worldFamily = kFamilyChampionship;
    Flow().championship = {0, 1, 2, 0, 1};
    rec_.races = {{0, kOutcomeRun, 1}, {0, kOutcomeRun, 1, 0, 1}};
    EXPECT_EQ(RunRaceBranch(nullptr, -1), 1);
    EXPECT_EQ(rec_.runLoops, 2);
    EXPECT_EQ(rec_.pages, (std::vector<int>{16, 19}));
}

TEST_F(GameFlowBranch, AnOutOfRangeRiderCountKeepsToEightRows) {
    g_Config.raceOption1 = 250;
    rec_.races = {{0, kOutcomeRun, 1}};
    SingleRace(101);
    EXPECT_EQ(Flow().racerCount, 8u);
    EXPECT_EQ(Flow().raceResults[0].points, 100u);
}

TEST(FlowMovies, EachTableIsWalkedInTurn) {
    std::vector<std::string> played;
    static std::vector<std::string>* sink = nullptr;
    sink = &played;
    const MoviePlayFn old = SetFlowMoviePlayer([](const char* n) { sink->push_back(n); });
    ResetMovieCycles();
    for (uint32_t i = 0; i < kFinishMovieCount + 1; ++i) PlayFinishMovie(0);
    EXPECT_EQ(played.front(), played.back());
    played.clear();
    for (uint32_t i = 0; i < 5; ++i) PlayPodiumMovie(1);
    PlayPodiumMovie(7);  // no such place
    EXPECT_EQ(played, (std::vector<std::string>{"Podium\\BOW_2ND_SOND.bik", "Podium\\CUP_2ND_SOND.bik",
                                               "Podium\\MFLEX_2ND_SOND.bik", "Podium\\PNCH_2ND_SOND.bik",
                                               "Podium\\BOW_2ND_SOND.bik"}));
    played.clear();
    for (uint32_t i = 0; i < kRewardMovieCount + 1; ++i) PlayRewardMovie();
    EXPECT_EQ(played.back(), "Rewards\\deliriouslyhappy.bik");
    SetFlowMoviePlayer(old);
}

}  // namespace
}  // namespace kes
