// The seven results pages (16-22): one item table, one update and one draw shared by all; each
// page's enter writes the heading and the block of rows from the game flow's result tables.
#include <string>

#include "game/core/config/Config.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/results/ResultsText.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"
#include "game/app/loop/FrameLoop.h"
#include "game/net/NetGame.h"

namespace kes {
namespace {

constexpr uint32_t kPanelText = 166;
constexpr uint32_t kOkText = 11;
constexpr uint32_t kStandingsHeading = 172;

MenuItem g_items[] = {
    {kItemHeadingPanel, 30, 19, kPanelText},  // 0: heading
    {kItemBottomButton, 269, 424, kOkText},   // 1: ok
    {},
};

std::string g_heading;
std::string g_block;

const char* PlayerName() {
    const Profile* profile = FrontEnd().profile.get();
    return profile ? profile->GetName() : "";
}

// Pages of a race: the world's name and the page's heading in item 0.
void SetRaceHeading(uint32_t headingText) {
    const WorldRecord* world = Flow().raceWorld;
    g_heading = ResultsHeading(world ? WorldNameIn(world->nameText.empty() ? world->name : world->nameText,
                                                   g_Config.language)
                                     : std::string(),
                               GetText(static_cast<int>(headingText)));
    g_items[0].text = g_heading.c_str();
    g_items[0].label = 0;
}

// Standings pages: item 0 shows its text line.
void SetStandingsHeading() {
    g_items[0].text = nullptr;
    g_items[0].label = kStandingsHeading;
}

void SetBlock(ResultsBlock block, uint32_t titleText) {
    g_block = ResultsBlockText(block, GetText(static_cast<int>(titleText)), Flow(), PlayerName());
}

void ResultsTimesEnter() {
    SetRaceHeading(166);
    SetBlock(ResultsBlock::kTimes, 169);
}
void ResultsScoreEnter() {
    SetRaceHeading(167);
    SetBlock(ResultsBlock::kScore, 170);
}
void ResultsPointsEnter() {
    SetRaceHeading(168);
    SetBlock(ResultsBlock::kPoints, 170);
}
void ChampionshipEnter() {
    SetStandingsHeading();
    SetBlock(ResultsBlock::kChampionship, 176);
}
void CupStandingsEnter() {
    SetStandingsHeading();
    SetBlock(ResultsBlock::kCupStandings, 176);
}

// OK, Return, or the host starting the next race of a network game: the profile is saved (so that
// what the race added to it is kept even if the player leaves next) and the menu loop ends.
void ResultsPageUpdate() {
    const bool hostStarted = NetGetMode() != 0 && NetStartFlag() != 0;
    if (!(g_items[1].state & kItemClicked) && !MenuKeyWords().enter && !hostStarted) return;
    PlayMenuSound(kSoundDone);
    if (const Profile* profile = FrontEnd().profile.get()) profile->Save(profile->GetName());
    RequestQuit(3);
}

void DrawResultsBlock() { DrawMenuText(nullptr, 40, 90, g_block.c_str(), 3, false, 50); }

}  // namespace

void InstallResultsPages() {
    const struct {
        uint32_t page, background;
        void (*enter)();
    } pages[] = {
        {16, 5, ResultsTimesEnter}, {17, 5, ResultsScoreEnter},  {18, 5, ResultsPointsEnter},
        {19, 5, ChampionshipEnter}, {20, 5, CupStandingsEnter},  {21, 6, ResultsPointsEnter},
        {22, 6, ResultsTimesEnter},
    };
    for (const auto& p : pages)
        SetMenuPageEntry(p.page, MenuPage{p.background, g_items, ResultsPageUpdate, DrawResultsBlock, p.enter, nullptr});
}

const std::string& ResultsBlockShown() { return g_block; }
const char* ResultsHeadingShown() { return g_items[0].text; }

}  // namespace kes
