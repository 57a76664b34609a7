#pragma once
// The environment variables that steer every program in tests and automated runs, read in one place.
// A player never sets them; a bad value is reported on standard error and ignored.
#include <optional>
#include <string>

namespace plat {

struct EnvSettings {
    std::optional<std::string> registryFile;  // GRAVELON_REGISTRY: the registry store's file
    bool headless = false;                    // GRAVELON_HEADLESS=1: boxes print and take their default
    std::optional<int> quitAfterFrames;       // GRAVELON_QUIT_AFTER_FRAMES: orderly quit after N frames
    std::optional<int> frameMs;               // GRAVELON_FRAME_MS: every frame sees M ms elapsed
    std::optional<std::string> inputScript;   // GRAVELON_INPUT: input script instead of the devices
};

// The settings of this process, parsed on first use.
const EnvSettings& Env();

// Parses the settings through a lookup (getenv-like: null for an unset variable). Used by Env() and by
// tests that need to try values without touching the process environment.
EnvSettings ParseEnv(const char* (*lookup)(const char* name));

// Parses the process environment again. Only for tests that change variables between cases; not safe
// while other threads read Env().
void ReloadEnv();

}  // namespace plat
