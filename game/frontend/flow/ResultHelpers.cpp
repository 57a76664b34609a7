#include "game/frontend/flow/ResultHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <climits>
#include <cstdint>
#include <limits>

#include "game/frontend/session/RaceSession.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

// Whole race points by place (rows 1-3; 4-8 score nothing) and number of racers (columns 1-8).
constexpr uint32_t kRacePoints[3][8] = {
    {0, 1, 2, 4, 6, 7, 8, 10},
    {0, 0, 1, 2, 3, 4, 5, 6},
    {0, 0, 0, 1, 1, 2, 2, 3},
};
// Whole cup points by final standing (rows 1-5; 6-8 get nothing) and number of racers.
constexpr uint32_t kCupPoints[5][8] = {
    {0, 5, 10, 20, 30, 35, 40, 50},
    {0, 0, 5, 10, 15, 20, 25, 30},
    {0, 0, 0, 5, 5, 10, 10, 15},
    {0, 0, 0, 0, 0, 5, 5, 10},
    {0, 0, 0, 0, 0, 0, 0, 5},
};

const char* g_names[kDefaultRiderNameCount];

void ResetOrder(GameFlowState& flow) {
    for (uint32_t i = 0; i < kResultRows; ++i) flow.resultOrder[i] = i;
}

// The rows in use of resultOrder by a key; a stable sort so that equal keys keep their row order
// (the shuffles by an inconsistent comparator that this replaces had no defined order at all).
template <class Less>
void SortRows(GameFlowState& flow, Less less) {
    ResetOrder(flow);
    std::stable_sort(flow.resultOrder, flow.resultOrder + RowsInUse(flow), less);
}

double RandomFraction() { return static_cast<double>(plat::CrtRand() % 100) / 100.0; }

}  // namespace

const char* const kDefaultRiderNames[kDefaultRiderNameCount] = {
    "ARNO",  "BASTIEN", "CLEM",   "DARIO",  "EMILE", "FABIO",  "GASTON", "HUGO",   "IGOR",   "JULES",
    "KARIM", "LUCA",    "MARCO",  "NICO",   "OSCAR", "PABLO",  "QUENTIN", "RAFA",  "SACHA",  "TEO",
    "URBAIN", "VICTOR", "WALTER", "XAVI",   "YANN",  "ZOLTAN", "BRUNO",  "CYRIL",  "DIDIER", "ENZO",
    "FRED",  "GIL",     "HECTOR", "IVAN",   "JOSS",  "KILIAN", "LOUIS",
};

uint32_t RacePointsFor(uint32_t place, uint32_t racers) {
    if (place < 1 || place > 3 || racers < 1 || racers > kResultRows) return 0;
    return kRacePoints[place - 1][racers - 1];
}

uint32_t CupPointsFor(uint32_t standing, uint32_t racers) {
    if (standing < 1 || standing > 5 || racers < 1 || racers > kResultRows) return 0;
    return kCupPoints[standing - 1][racers - 1];
}

uint32_t RowsInUse(const GameFlowState& flow) { return std::min(flow.racerCount, kResultRows); }

int32_t TruncateToInt(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

void SetDefaultRiderNames(GameFlowState& flow) {
    std::copy(kDefaultRiderNames, kDefaultRiderNames + kDefaultRiderNameCount, g_names);
    plat::CrtShuffle(g_names);
    for (uint32_t i = 0; i < kResultRows; ++i) {
        flow.raceResults[i] = ResultRow{};
        flow.seasonResults[i] = ResultRow{};
        flow.cupResults[i] = ResultRow{};
    }
    for (uint32_t i = 1; i < kResultRows; ++i) {
        flow.raceResults[i].name = g_names[i];
        flow.seasonResults[i].name = g_names[i];
        flow.cupResults[i].name = g_names[i];
    }
}

void ShuffleResultOrder(GameFlowState& flow) {
    ResetOrder(flow);
    plat::CrtShuffle(flow.resultOrder, flow.resultOrder + RowsInUse(flow));
}

void ShuffleRetiredPlaces(GameFlowState& flow) {
    const uint32_t n = RowsInUse(flow);
    uint32_t places[kResultRows];
    for (uint32_t i = 0; i < kResultRows; ++i) places[i] = i + 1;
    if (n > 1) {
        plat::CrtShuffle(places, places + (n - 1));
        places[n - 1] = places[0];
        places[0] = n;
    }
    for (uint32_t i = 0; i < kResultRows; ++i) flow.raceResults[i].place = places[i];
}

void SortByPlace(GameFlowState& flow) {
    // A row the race never gave a place (0: a rider that was not created) goes after every placed one
    // instead of heading the list.
    auto key = [&](uint32_t row) { return flow.raceResults[row].place == 0 ? UINT32_MAX : flow.raceResults[row].place; };
    SortRows(flow, [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
}

void SortByScore(GameFlowState& flow) {
    SortRows(flow, [&](uint32_t a, uint32_t b) { return flow.raceResults[a].score > flow.raceResults[b].score; });
}

void SortBySeasonPoints(GameFlowState& flow) {
    SortRows(flow,
             [&](uint32_t a, uint32_t b) { return flow.seasonResults[a].points > flow.seasonResults[b].points; });
}

void ScoreRacePoints(GameFlowState& flow) {
    const uint32_t n = RowsInUse(flow);
    for (uint32_t i = 0; i < n; ++i) flow.raceResults[i].points = RacePointsFor(flow.raceResults[i].place, n) * 10;
}

void AwardCupPoints(GameFlowState& flow) {
    const uint32_t n = RowsInUse(flow);
    for (uint32_t j = 0; j < n; ++j) {
        const uint32_t row = flow.resultOrder[j];
        if (row < kResultRows) flow.cupResults[row].points = CupPointsFor(j + 1, n) * 10;
    }
}

double WorldScoreScale(const WorldRecord* world) {
    if (!world || world->description.size() < 5) return 1.0;
    const double s = std::strtod(world->description[4].c_str(), nullptr);
    // A negative or absurd scale would turn every score negative; it counts as no scale.
    return (std::isfinite(s) && s > 0.0) ? s : 1.0;
}

uint32_t TimedPoints(uint32_t score, double scale, uint32_t minutes) {
    if (score == 0 || minutes == 0) return 0;
    const double ratio = static_cast<double>(score) * scale / static_cast<double>(minutes);
    // At or below 1 the logarithm is not positive: such a score earns nothing (rather than a
    // negative count of points stored in an unsigned word).
    if (!(ratio > 1.0)) return 0;
    const double y = std::log(ratio);
    const int32_t points = TruncateToInt(y * y * y / 6.3);
    return points < 0 ? 0u : std::min<uint32_t>(static_cast<uint32_t>(points), 100u);
}

void ScoreTimedPoints(const WorldRecord* world, uint32_t minutes, GameFlowState& flow) {
    const double s = WorldScoreScale(world);
    for (uint32_t i = 0; i < RowsInUse(flow); ++i)
        flow.raceResults[i].points = TimedPoints(flow.raceResults[i].score, s, minutes);
}

void MakeOpponentScores(const WorldRecord* world, uint32_t minutes, float experience, GameFlowState& flow) {
    const double k = 1300.0 / WorldScoreScale(world);
    const double T = minutes;
    const double p = experience;
    const double base = 2.5 * p + k;
    for (uint32_t i = 0; i < RowsInUse(flow); ++i) {
        const double r1 = RandomFraction(), r2 = RandomFraction(), r3 = RandomFraction();
        const double a = (6000.0 - base - 450.0) * std::pow(r1, 1.0 / (p / 5000.0 + 0.03));
        const double b = r2 * 900.0;
        const double c = base + b - 450.0 + a;
        const int32_t score = TruncateToInt(T * (c - (base - 450.0 - 600.0) * std::pow(r3, 5.0)));
        // A scale that makes the formula negative (or overflow) leaves the rider without a score
        // instead of a wrapped huge one.
        flow.raceResults[i].score = score < 0 ? 0u : static_cast<uint32_t>(score);
    }
}

}  // namespace kes
