#include "game/frontend/pages/lobby/LobbyText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/core/config/ConfigRecord.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/pages/options/BikeSetupRules.h"
#include "game/frontend/pages/select/SelectShared.h"
#include "game/frontend/session/RaceSession.h"

namespace kes {

namespace {

constexpr int kTrackText = 190, kSeriesText = 192, kTimeLimitText = 116, kLapsText = 44, kRaceModeText = 47;
constexpr int kTargetText = 191, kPointsModeText = 148, kBikeText = 189;
constexpr int kClassTexts[4] = {74, 75, 76, 151};
constexpr int kParamTexts[4] = {69, 70, 71, 72};
constexpr uint32_t kTimedWorldKind = 2;
constexpr uint32_t kPointsMode = 2;

// Formats into a line of at most 64 characters.
template <class... Args>
std::string Line(const char* format, Args... args) {
    char text[kLobbyLineChars + 1];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

// A name field read up to its size: the field need not hold a terminator.
template <size_t N>
std::string Field(const char (&name)[N]) {
    return std::string(name, strnlen(name, N));
}

// A bike parameter of a peer's record: a float that may hold anything, as a whole number 0-100.
int32_t WholeParam(uint32_t word) {
    float value;
    std::memcpy(&value, &word, sizeof value);
    const float scaled = value * 100.0f;
    if (!std::isfinite(scaled) || scaled <= 0.0f) return 0;
    return scaled >= static_cast<float>(kBikeParamMax) ? kBikeParamMax : static_cast<int32_t>(scaled);
}

}  // namespace

std::string GameListLine(const ServerRecord& game) {
    const std::string name = Field(game.name).substr(0, 16);
    return Line("%-16s          %u/%u", name.c_str(), game.players, game.maxPlayers);
}

std::string PlayerLine(uint32_t slot, const char (&name)[16], uint32_t roundTripMs) {
    const std::string shown = Field(name);
    if (roundTripMs == 0) return Line("(%u) %-16s", slot, shown.c_str());
    return Line("(%u) %-16s  %4u ms", slot, shown.c_str(), roundTripMs);
}

std::vector<std::string> SettingsLines(const WorldRecord* world, const ConfigRecord& config, bool series) {
    if (!world) return {Line("%s : ????", GetText(kTrackText)), "    ????????", "    ????????"};
    std::vector<std::string> lines(3);
    int modeText;
    if (config.gameMode == kPointsMode) {
        modeText = kPointsModeText;
        lines[1] = Line("    %s : %u", GetText(kTargetText), config.raceOption3);
    } else {
        modeText = kRaceModeText;
        const bool timed = world->kind == kTimedWorldKind;
        lines[1] = Line("    %s : %u", GetText(timed ? kTimeLimitText : kLapsText), timed ? config.raceOption4 : config.raceOption2);
    }
    lines[0] = Line("%s : %s %s", GetText(kTrackText), GetText(modeText), series ? GetText(kSeriesText) : "");
    lines[2] = Line("    %s", WorldNameInLanguage(*world).c_str());
    return lines;
}

HostBike HostBikeFromInfo(const NetPlayerInfo& info) {
    HostBike bike;
    const uint32_t words[4] = {info.words[6], info.words[4], info.words[5], info.words[3]};
    for (uint32_t i = 0; i < 4; ++i) bike.params[i] = WholeParam(words[i]);
    bike.bikeClass = kCustomBikeClass;
    for (uint32_t c = 0; c < 4; ++c) {
        if (std::memcmp(kPresetBikes[c], bike.params, sizeof bike.params) == 0) {
            bike.bikeClass = c;
            break;
        }
    }
    return bike;
}

std::vector<std::string> BikeLines(const HostBike& bike) {
    if (bike.bikeClass < 4) return {Line("%s : %s", GetText(kBikeText), GetText(kClassTexts[bike.bikeClass]))};
    std::vector<std::string> lines = {Line("%s", GetText(kBikeText))};
    for (uint32_t i = 0; i < 4; ++i) lines.push_back(Line("%-14s : %3d", GetText(kParamTexts[i]), bike.params[i]));
    return lines;
}

}  // namespace kes
