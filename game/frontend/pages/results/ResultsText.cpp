#include "game/frontend/pages/results/ResultsText.h"

#include <cstdio>

#include "game/frontend/flow/ResultHelpers.h"

namespace kes {
namespace {

const char* NameOr(const char* name, const char* playerName) {
    if (name) return name;
    return playerName ? playerName : "";
}

template <class... Args>
std::string Format(const char* format, Args... args) {
    char line[128];
    const int n = std::snprintf(line, sizeof line, format, args...);
    return n < 0 ? std::string() : std::string(line, std::min<size_t>(static_cast<size_t>(n), sizeof line - 1));
}

std::string ScoreAndPoints(const ResultRow& row) {
    return Format("%9d  %2d.%1d", static_cast<int>(row.score), static_cast<int>(row.points / 10),
                  static_cast<int>(row.points % 10));
}

}  // namespace

std::string ResultTimeText(uint32_t ms) {
    if (ms == 0) return "--'--\"--";
    return Format("%2u'%02u\"%02u", ms / 60000, (ms % 60000) / 1000, (ms % 1000) / 10);
}

std::string ResultsBlockText(ResultsBlock block, const char* title, const GameFlowState& flow,
                             const char* playerName) {
    std::string text = title ? title : "";
    text += "@@";
    bool pastPlayer = false;
    for (uint32_t i = 0; i < RowsInUse(flow); ++i) {
        const uint32_t row = flow.resultOrder[i];
        if (row >= kResultRows) continue;
        const ResultRow& race = flow.raceResults[row];
        const ResultRow& season = flow.seasonResults[row];
        const ResultRow& cup = flow.cupResults[row];
        switch (block) {
        case ResultsBlock::kTimes:
            text += Format(" %d  %-16s   %2d   %-8s", static_cast<int>(race.place), NameOr(race.name, playerName),
                           static_cast<int>(race.points / 10), ResultTimeText(race.bestLap).c_str());
            break;
        case ResultsBlock::kScore:
            if (!race.name) pastPlayer = true;
            text += Format("%-16s   %s", NameOr(race.name, playerName),
                           pastPlayer ? "---------   -.-" : ScoreAndPoints(race).c_str());
            break;
        case ResultsBlock::kPoints:
            text += Format("%-16s   %s", NameOr(race.name, playerName), ScoreAndPoints(race).c_str());
            break;
        case ResultsBlock::kChampionship:
            text += Format("%-16s   %3d.%1d      ??", NameOr(cup.name, playerName), static_cast<int>(season.points / 10),
                           static_cast<int>(season.points % 10));
            break;
        case ResultsBlock::kCupStandings:
            text += Format("%-16s   %3d.%1d      %2d", NameOr(cup.name, playerName),
                           static_cast<int>(season.points / 10), static_cast<int>(season.points % 10),
                           static_cast<int>(cup.points / 10));
            break;
        }
        text += "@@";
    }
    return text;
}

std::string WorldNameIn(const std::string& nameText, uint32_t language) {
    size_t start = 0;
    for (uint32_t part = 0; part < language; ++part) {
        const size_t at = nameText.find('@', start);
        if (at == std::string::npos) return nameText.substr(0, nameText.find('@'));
        start = at + 1;
    }
    const std::string name = nameText.substr(start, nameText.find('@', start) - start);
    return name.empty() ? nameText.substr(0, nameText.find('@')) : name;
}

std::string ResultsHeading(const std::string& worldName, const char* heading) {
    return "\"" + worldName + "\" " + (heading ? heading : "");
}

}  // namespace kes
