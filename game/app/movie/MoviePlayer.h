#pragma once
// Movies from the movie pack ("Movies.dat": the data pack's directory format, movies stored as they
// are): PlayMovie plays one by name full screen, blocking, until it ends, the player presses Escape or
// the program is asked to quit (the request stays pending, so the game quits afterwards). Without the
// window focus the movie pauses. A missing pack, a missing movie or one that cannot be decoded counts
// as a movie that has ended.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/media/MediaReader.h"

namespace kes {

// 0 ready (also for an empty pack), -1 failed (nothing kept open).
int OpenMoviePack(const char* path);
void CloseMoviePack();
bool MoviePackOpen();
uint32_t MoviePackCount();
// The name of entry i, or null.
const char* MoviePackName(uint32_t i);

enum class MovieEnd { NotFound, CannotOpen, LastFrame, Escape, Quit };

struct MovieResult {
    MovieEnd end = MovieEnd::NotFound;
    int framesShown = 0;
    int frameCount = 0;
    int width = 0;
    int height = 0;
    int soundTrack = -1;  // the sound stream heard, or -1
};

MovieResult PlayMovie(const char* name);

// The sound track of a movie: for names beginning with "Tuto" it follows the language (1 Spanish ->
// 1, 2 French -> 3, 3 German -> 2, else 0); every other movie has track 0.
int MovieSoundTrack(const char* name, uint32_t language);

// Tests: wraps the reader each movie is decoded from (a counting reader, for example).
using MovieReaderWrapper = std::function<std::unique_ptr<plat::MediaReader>(std::unique_ptr<plat::MediaReader>)>;
void SetMovieReaderWrapper(MovieReaderWrapper wrapper);
// Tests: called after each frame has been shown, with its number (0 = the first).
void SetMovieFrameObserver(std::function<void(int frame)> observer);

}  // namespace kes
