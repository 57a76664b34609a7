#pragma once
// The texts of the results pages: the heading with the world's name and the block of rows, built
// from the game flow's result tables in their display order.
#include <cstdint>
#include <string>

#include "game/frontend/flow/FlowState.h"

namespace kes {

// What a page's block lists.
enum class ResultsBlock : uint32_t {
    kTimes,         // place, name, race points, best lap
    kScore,         // opponents' scores before a timed race; dashes from the player's row on
    kPoints,        // score and points of a timed race
    kChampionship,  // standings between races
    kCupStandings,  // final standings with cup points
};

// m'ss"hh of a time in milliseconds; dashes for 0 (no time).
std::string ResultTimeText(uint32_t ms);
// The block title (already a text), "@@", then one row per racer in use in resultOrder, each ended
// by "@@". Rows without a name show `playerName`.
std::string ResultsBlockText(ResultsBlock block, const char* title, const GameFlowState& flow,
                             const char* playerName);
// The world's name in a language: the language's part of the name text ("@" between languages),
// the first part when the text has no part for it.
std::string WorldNameIn(const std::string& nameText, uint32_t language);
// "\"<world>\" <heading>".
std::string ResultsHeading(const std::string& worldName, const char* heading);

}  // namespace kes

namespace kes {
// What the current results page shows (tests).
const std::string& ResultsBlockShown();
const char* ResultsHeadingShown();
}  // namespace kes
