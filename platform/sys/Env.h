#pragma once
// The environment variables that steer every program in tests and automated runs, read in one place.
// A player never sets them. A bad value is ignored here and listed in `errors`; the programs refuse
// to start with one (RefuseBadEnv), so a mistyped frame count never turns into an endless run.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat {

// A dotted IPv4 address and a port.
struct NetEndpoint {
    std::string address;
    uint16_t port = 0;
};

struct EnvSettings {
    std::optional<std::string> registryFile;  // GRAVELON_REGISTRY: the registry store's file
    // GRAVELON_HEADLESS=1, or SDL's offscreen or dummy video driver (SDL_VIDEODRIVER), where no one can
    // see a window: boxes print and dialogs take their default answers.
    bool headless = false;
    std::optional<int> quitAfterFrames;       // GRAVELON_QUIT_AFTER_FRAMES: orderly quit after N frames
    std::optional<int> frameMs;               // GRAVELON_FRAME_MS: every frame sees M ms elapsed
    std::optional<std::string> inputScript;   // GRAVELON_INPUT: input script instead of the devices
    std::optional<std::string> eventLog;      // GRAVELON_EVENT_LOG: file that gets a line per page and phase
    std::optional<int> seed;                  // GRAVELON_SEED: both random generators start from it
    // GRAVELON_NET=address:port: a hosted game listens there (the game search is answered on port + 1),
    // so that several copies of a game can play on one machine.
    std::optional<NetEndpoint> netListen;
    // GRAVELON_NET_SEARCH=address:port: where a game search on the local network asks.
    std::optional<NetEndpoint> netSearch;
    std::vector<std::string> errors;          // one line per value that could not be used
};

// The settings of this process, parsed on first use.
const EnvSettings& Env();

// Parses the settings through a lookup (getenv-like: null for an unset variable). Used by Env() and by
// tests that need to try values without touching the process environment.
EnvSettings ParseEnv(const char* (*lookup)(const char* name));

// Prints every error of Env() to standard error, prefixed with the program's name; true when there
// was one, and the program should end with a non-zero code.
bool RefuseBadEnv(const char* program);

// Parses the process environment again. Only for tests that change variables between cases; not safe
// while other threads read Env().
void ReloadEnv();

}  // namespace plat
