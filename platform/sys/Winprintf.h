#pragma once
// The shared diagnostic box: printf-style text in a box captioned "Winprintf" with OK and Cancel.
// OK goes on; Cancel ends the program in order through the installed quit handler (the run loop
// installs one that requests an orderly shutdown), or with exit(0) when none is installed.
// Headless the box takes OK.
#include <functional>

void Winprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace plat {

// Installs the handler that Cancel calls; returns the previous one. An empty handler means exit(0).
std::function<void()> SetQuitHandler(std::function<void()> handler);

// Calls the quit handler, or exit(0) when none is installed.
void RequestProgramQuit();

}  // namespace plat
