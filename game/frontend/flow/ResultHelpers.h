#pragma once
// The helpers that fill, sort and score the result tables after a race: the default rider names,
// the orders the results pages list, race and cup points, and the computer riders' scores on a timed
// world. Each works on a flow state (the game's own by default) so that tests can use their own.
#include <cstdint>

#include "game/frontend/flow/FlowState.h"

namespace kes {

struct WorldRecord;

constexpr uint32_t kDefaultRiderNameCount = 37;
// The computer riders' names before a race series shuffles them.
extern const char* const kDefaultRiderNames[kDefaultRiderNameCount];

// Whole points by place (1 = first) among `racers` riders; 0 for a place or count out of 1-8.
uint32_t RacePointsFor(uint32_t place, uint32_t racers);
// Whole cup points by final standing (1 = champion) among `racers` riders; 0 out of range.
uint32_t CupPointsFor(uint32_t standing, uint32_t racers);

// The rows in use, kept within the eight rows the tables have.
uint32_t RowsInUse(const GameFlowState& flow);

// Shuffles the names, clears the three tables and gives rows 1-7 of each the names 1-7.
void SetDefaultRiderNames(GameFlowState& flow = Flow());
// resultOrder = 0..7 with the rows in use in a random order.
void ShuffleResultOrder(GameFlowState& flow = Flow());
// The player (row 0) retired: last place; the others take places 1..n-1 in a random order.
void ShuffleRetiredPlaces(GameFlowState& flow = Flow());
// resultOrder = 0..7 with the rows in use ordered by race place (ascending), race score or season
// points (both descending). Ties keep their row order.
void SortByPlace(GameFlowState& flow = Flow());
void SortByScore(GameFlowState& flow = Flow());
void SortBySeasonPoints(GameFlowState& flow = Flow());
// Race points (tenths) of every row in use from its place.
void ScoreRacePoints(GameFlowState& flow = Flow());
// Cup points (tenths) by the standing in resultOrder.
void AwardCupPoints(GameFlowState& flow = Flow());

// The scale of a timed world: the fifth field of its description read as a number; 1.0 when the
// field is missing, 0, negative or not a number.
double WorldScoreScale(const WorldRecord* world);
// Points (tenths, 0-100) of a score on a timed world of that scale with a time limit in minutes.
uint32_t TimedPoints(uint32_t score, double scale, uint32_t minutes);
// Scores every row in use by TimedPoints.
void ScoreTimedPoints(const WorldRecord* world, uint32_t minutes, GameFlowState& flow = Flow());
// The computer riders' scores on a timed world, drawn from the C library generator; `experience` is
// the player's statistic 17. Every row in use gets one (the player's is overwritten by the race).
void MakeOpponentScores(const WorldRecord* world, uint32_t minutes, float experience,
                        GameFlowState& flow = Flow());

// Truncation toward zero; NaN and values out of the int32 range give INT32_MIN, as the x86
// conversion does.
int32_t TruncateToInt(double value);

}  // namespace kes
