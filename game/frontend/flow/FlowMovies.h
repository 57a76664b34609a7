#pragma once
// The short movies the game flow plays around races, each table walked in turn: finish movies after
// a race, reward movies between championship races, podium movies after a championship.
#include <cstdint>

namespace kes {

constexpr uint32_t kFinishMovieCount = 40;
constexpr uint32_t kRewardMovieCount = 13;
constexpr uint32_t kPodiumMovieCount = 12;  // four sets of first, second, third
extern const char* const kFinishMovies[kFinishMovieCount];
extern const char* const kRewardMovies[kRewardMovieCount];
extern const char* const kPodiumMovies[kPodiumMovieCount];
constexpr const char* kRetiredMovie = "Rewards\\slump.bik";
constexpr const char* kOutroMovie = "outro.bik";

// What plays a movie (the movie player by default; a missing movie is skipped by it). Tests record
// the names instead. Returns the previous one.
using MoviePlayFn = void (*)(const char* name);
MoviePlayFn SetFlowMoviePlayer(MoviePlayFn play);

// Each stops the music first.
void PlayPodiumMovie(uint32_t place);  // place 0-2; others play nothing
void PlayFinishMovie(uint32_t retired);
void PlayRewardMovie();
void PlayFlowMovie(const char* name);
// Back to the first movie of every table.
void ResetMovieCycles();

}  // namespace kes
