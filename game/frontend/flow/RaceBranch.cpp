// The race branch of the game flow: the single-player set-up, one race, a single race with its
// results, and a championship with standings between races and cup points at the end.
#include <cstddef>
#include <cstdio>
#include <memory>

#include "game/app/loop/FrameLoop.h"
#include "game/core/camera/Camera.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/core/config/Config.h"
#include "game/core/forcefeedback/ForceFeedback.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/flow/FlowMovies.h"
#include "game/frontend/flow/GameFlow.h"
#include "game/frontend/flow/RaceBranchParts.h"
#include "game/frontend/flow/ResultHelpers.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/profile/ProfileControls.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/replay/Replay.h"
#include "game/frontend/session/RaceSession.h"
#include "game/frontend/skins/SkinList.h"
#include "game/net/NetGame.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/file/WorldFile.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/racer/Racer.h"
#include "game/world/sounds/BikeSounds.h"

namespace kes {
namespace {

constexpr uint32_t kModeNormal = 1;
constexpr uint32_t kModePoints = 2;
constexpr uint32_t kTimedKind = 2;
constexpr uint32_t kMaxComputerRiders = 7;
constexpr uint32_t kStatChampionships = 12;
constexpr uint32_t kStatPodiums = 13;
constexpr uint32_t kStatCupPoints = 14;
constexpr uint32_t kStatExperience = 17;

// The control block the key bindings fill is what the local rider's controller reads.
static_assert(sizeof(ControlBlock) == sizeof(PlayerInput));
static_assert(offsetof(ControlBlock, forceFeedback) == offsetof(PlayerInput, feedback));

std::unique_ptr<ForceFeedback> g_forceFeedback;
uint32_t g_bikeSoundSet = 0;

struct RaceRun {
    bool ran = false;    // the race loaded and its run loop ran
    int quitCode = 3;    // the run loop's code; 3 when no race ran
};

uint32_t GameMode() { return g_Config.gameMode; }

// Statistics of a world kind exist for the three kinds only (0-8); any other kind records nothing
// rather than landing on the championship counters.
void AddKindStat(const WorldRecord* world, uint32_t offset, float value) {
    Profile* profile = CurrentProfile();
    if (!profile || !world || world->kind > kTimedKind) return;
    profile->AddStat(3 * world->kind + offset, value);
}

void AddStat(uint32_t index, float value) {
    if (Profile* profile = CurrentProfile()) profile->AddStat(index, value);
}

// A results page of the race just run (times, or points on a timed world).
int ShowRaceResults(const WorldRecord* world) {
    GameFlowState& flow = Flow();
    if (world && world->kind == kTimedKind) {
        ScoreTimedPoints(world, TimeLimit(), flow);
        SortByScore(flow);
        return ShowPage(18);
    }
    SortByPlace(flow);
    ScoreRacePoints(flow);
    return ShowPage(16);
}

void RecordRaceStatistics(const WorldRecord* world) {
    const uint32_t points = Flow().raceResults[0].points;
    if (points != 0) AddKindStat(world, 1, 1.0f);
    AddKindStat(world, 2, static_cast<float>(points) * 0.1f);
}

// The profile's replay slots set the replay screen's key words: 15 the replay toggle, 17 play,
// 18 save, 19 load, 20-25 the demo slots, 26 and 27 the steps, 28 record, 29 stop, 30 pause (the
// order of their labels on the controls page).
void PointReplaySlotsAtReplayKeys() {
    ReplayKeyWords& k = ReplayKeys();
    SetActionFlag(15, &k.toggle);
    SetActionFlag(17, &k.play);
    SetActionFlag(18, &k.save);
    SetActionFlag(19, &k.load);
    for (uint32_t i = 0; i < 6; ++i) SetActionFlag(20 + i, &k.slot[i]);
    SetActionFlag(26, &k.stepBack);
    SetActionFlag(27, &k.stepForward);
    SetActionFlag(28, &k.record);
    SetActionFlag(29, &k.stop);
    SetActionFlag(30, &k.pause);
}

// One race on a world (null: the world is not in the list, and the race is skipped).
RaceRun RunOneRace(RenderInterface* render, const WorldRecord* world) {
    GameFlowState& flow = Flow();
    RaceRun run;
    flow.raceWorld = world;
    if (world && world->kind == kTimedKind && GameMode() == kModeNormal) {
        Profile* profile = CurrentProfile();
        MakeOpponentScores(world, TimeLimit(), profile ? profile->GetStat(kStatExperience) : 0.0f, flow);
        ScoreTimedPoints(world, TimeLimit(), flow);
        ShuffleResultOrder(flow);
        run.quitCode = ShowPage(17);
        if (run.quitCode == 1) return run;
        run.quitCode = 3;
    }
    if (GameMode() == kModeNormal) AddKindStat(world, 0, 1.0f);
    CdStop();
    ShowNextLoadingScreen();
    LoadBikeSounds(1, g_bikeSoundSet);
    if (world) {
        const uint32_t computers = std::min<uint32_t>(g_Config.raceOption1, kMaxComputerRiders);
        const int32_t started = FlowServices().raceStart(render, world, flow.racerDescs, 1, computers);
        if (started == 0) {
            flow.inRace = 1;
            if (GameMode() == kModePoints) PlaceCoursePoints();
            run.quitCode = FlowServices().runLoop();
            FlowServices().raceEnd(flow.raceResults);
            flow.inRace = 0;
            run.ran = true;
            if (FrontEnd().camera) SetActiveCamera(FrontEnd().camera);
        } else {
            std::fprintf(stderr, "Kestrun: the world %s cannot be raced (code %d); the race is skipped\n",
                         world->fileName.c_str(), started);
        }
    } else {
        std::fprintf(stderr, "Kestrun: a chosen world is not in the world list; the race is skipped\n");
    }
    FreeBikeSounds();
    return run;
}

int RunSingleRace(RenderInterface* render, const WorldRecord* world, bool fromCommandLine) {
    const RaceRun run = RunOneRace(render, world);
    // A race that never ran has no finish to show, no results and nothing for the statistics.
    if (run.ran) PlayFinishMovie(Flow().RaceOutcome);
    if (run.ran && run.quitCode == 3 && !fromCommandLine && Flow().RaceOutcome == kOutcomeRun &&
        GameMode() == kModeNormal) {
        if (ShowRaceResults(world) == 1) return 1;
        RecordRaceStatistics(world);
    }
    return run.quitCode;
}

int RunChampionship(RenderInterface* render) {
    GameFlowState& flow = Flow();
    AddStat(kStatChampionships, 1.0f);
    flow.RaceOutcome = kOutcomeRun;
    const std::vector<uint32_t> worlds = flow.championship;
    const uint32_t count = static_cast<uint32_t>(worlds.size());
    int quitCode = 3;
    for (uint32_t r = 0; r < count && flow.RaceOutcome != kOutcomeSessionLost; ++r) {
        const bool last = r + 1 == count;
        flow.RaceOutcome = kOutcomeRun;
        const WorldRecord* world = WorldAt(worlds[r]);
        if (!world)
            std::fprintf(stderr, "Kestrun: championship race %u: world %u is missing; going on with the next\n", r + 1,
                         worlds[r]);
        const RaceRun run = RunOneRace(render, world);
        quitCode = run.quitCode;
        // The player left the game: the championship stops rather than loading the remaining worlds.
        if (quitCode == 1 || ProgramQuitRequested()) return 1;
        if (run.ran && flow.RaceOutcome == kOutcomeRun) {
            if (last) PlayFinishMovie(0);
            else PlayRewardMovie();
            if (GameMode() == kModeNormal) {
                if (ShowRaceResults(world) == 1) return 1;
                RecordRaceStatistics(world);
            }
        } else if (run.ran && flow.RaceOutcome == kOutcomeRetired) {
            if (world && world->kind == kTimedKind && GameMode() != kModePoints) {
                flow.raceResults[0].score = 0;
                ScoreTimedPoints(world, TimeLimit(), flow);
                SortByScore(flow);
                if (ShowPage(18) == 1) return 1;
            } else {
                ShuffleRetiredPlaces(flow);
                SortByPlace(flow);
                ScoreRacePoints(flow);
                if (ShowPage(16) == 1) return 1;
            }
        }
        // A skipped race adds nothing to the season: its table still holds the previous race.
        if (run.ran)
            for (uint32_t i = 0; i < RowsInUse(flow); ++i) flow.seasonResults[i].points += flow.raceResults[i].points;
        if (flow.RaceOutcome == kOutcomeSessionLost) break;
        SortBySeasonPoints(flow);
        if (!last) {
            if (!run.ran) continue;
            if (ShowPage(19) == 1) return 1;
            continue;
        }
        int32_t standing = -1;
        for (uint32_t j = 0; j < 3 && j < RowsInUse(flow); ++j)
            if (flow.resultOrder[j] == 0) standing = static_cast<int32_t>(j);
        AwardCupPoints(flow);
        if (standing >= 0 && flow.cupResults[0].points != 0) {
            PlayPodiumMovie(static_cast<uint32_t>(standing));
            AddStat(kStatPodiums, 1.0f);
        }
        AddStat(kStatCupPoints, static_cast<float>(flow.cupResults[0].points) * 0.1f);
        if (ShowPage(20) == 1) return 1;
    }
    return quitCode;
}

}  // namespace

Profile* CurrentProfile() { return FrontEnd().profile.get(); }

uint32_t TimeLimit() { return g_Config.raceOption4; }

int ShowPage(uint32_t page) {
    SetMenuPage(page);
    const int code = FlowServices().menuLoop();
    LeaveMenuPage();
    return code;
}

uint32_t FillPlayerDescriptor() {
    GameFlowState& flow = Flow();
    Profile* profile = CurrentProfile();
    RacerDesc& d = flow.racerDescs[0];
    d = RacerDesc{};
    d.kind = kRacerLocal;
    if (profile) {
        const SkinList* bikes = TheBikeModels().skins.get();
        const SkinList* riders = TheRiderModel().skins.get();
        d.bikeSkin = bikes ? static_cast<int32_t>(bikes->FindChecksum(profile->GetBikeSkin()) & 0xFFFF) : 0;
        d.riderSkin = riders ? static_cast<int32_t>(riders->FindChecksum(profile->GetRiderSkin()) & 0xFFFF) : 0;
    }
    d.slot = 0;
    d.netPlayer = 0;
    if (!g_forceFeedback) g_forceFeedback = std::make_unique<ForceFeedback>();
    static const Profile kNoProfile;
    PointReplaySlotsAtReplayKeys();
    ControlBlock* block = ApplyProfileControls(profile ? *profile : kNoProfile, g_forceFeedback.get(), false);
    d.input = reinterpret_cast<PlayerInput*>(block);
    LoadBikeSetup();
    BikeSetup setup;
    g_bikeSoundSet = FillBikeSetup(&setup);
    d.params.airAssist = setup.value0;
    d.params.driveBlendFloor = setup.param4;
    d.params.engineClass = setup.param2;
    d.params.topSpeedFactor = setup.param3;
    d.params.airControl = setup.param1;
    d.params.landingAssist = setup.value1;
    return g_bikeSoundSet;
}

void PlaceCoursePoints() {
    uint32_t count = 0;
    PlaceRandomTrackPoints(&count, kModePoints, CurrentWorldBounds());
    SinkCoursePoints();
}

void SinkCoursePoints() {
    Vec3 points[40] = {};
    const TrackPoint* placed = GetTrackPoints();
    for (uint32_t i = 0; placed && i < 40 && i < GetTrackPointCount(); ++i)
        points[i] = {placed[i].x, placed[i].y, placed[i].z};
    SinkPointsBelowGround(points);
}

void LoadBikeSetup() {
    GameFlowState& flow = Flow();
    Profile* profile = CurrentProfile();
    if (!profile) return;
    flow.setupValue0 = profile->GetValue(0);
    flow.setupValue1 = profile->GetValue(1);
    flow.setupClass = static_cast<uint32_t>(TruncateToInt(profile->GetStat(kStatBikeClass)));
    for (uint32_t i = 0; i < 4; ++i)
        flow.setupParams[i] = static_cast<uint32_t>(TruncateToInt(profile->GetStat(kStatCustomBike + i)));
    profile->SetStat(kStatBikeClass, static_cast<float>(flow.setupClass));
}

void ReleasePlayerControls(uint32_t releaseDevice) {
    if (g_forceFeedback && releaseDevice) {
        g_forceFeedback->Release();
        g_forceFeedback.reset();
    }
    RemoveProfileControls();
}

void ReleaseMenuTextures(RenderInterface* render) {
    if (!render) return;
    const FrontEndResources& fe = FrontEnd();
    for (uint32_t handle : fe.fonts)
        if (handle) render->ReleaseTextureSurface(handle);
    for (uint32_t handle : fe.buttons)
        if (handle) render->ReleaseTextureSurface(handle);
}

int RunRaceBranch(RenderInterface* render, int32_t commandLineWorld) {
    GameFlowState& flow = Flow();
    ReleaseMenuTextures(render);
    for (RacerDesc& d : flow.racerDescs) d = RacerDesc{};
    if (NetGetMode() != 0) return RunNetworkRace(render);

    SetDefaultRiderNames(flow);
    FillPlayerDescriptor();
    flow.racerCount = std::min<uint32_t>(g_Config.raceOption1, kMaxComputerRiders) + 1;
    flow.RaceOutcome = kOutcomeRun;
    int quitCode;
    if (commandLineWorld < 0 && flow.worldFamily == kFamilyChampionship) {
        quitCode = RunChampionship(render);
    } else {
        const WorldRecord* world = commandLineWorld >= 0 ? WorldAt(static_cast<uint32_t>(commandLineWorld))
                                                         : WorldIndexOf(flow.chosenWorld);
        quitCode = RunSingleRace(render, world, commandLineWorld >= 0);
    }
    ReleasePlayerControls(1);
    if (Profile* profile = CurrentProfile()) profile->Save(profile->GetName());
    SetMenuPage(0);
    return quitCode;
}

}  // namespace kes
