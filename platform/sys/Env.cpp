#include "platform/sys/Env.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace plat {
namespace {

// A whole, non-negative decimal number that fits an int; anything else is reported and ignored.
std::optional<int> ParseCount(const char* name, const char* text) {
    if (!text || !*text) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > INT_MAX) {
        std::fprintf(stderr, "note: %s=\"%s\" is not a usable number; ignored\n", name, text);
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<std::string> ParsePath(const char* text) {
    if (!text || !*text) return std::nullopt;
    return std::string(text);
}

const char* ProcessLookup(const char* name) { return std::getenv(name); }

EnvSettings& Storage() {
    static EnvSettings settings;
    return settings;
}
std::once_flag g_parsed;

}  // namespace

EnvSettings ParseEnv(const char* (*lookup)(const char* name)) {
    EnvSettings s;
    s.registryFile = ParsePath(lookup("GRAVELON_REGISTRY"));
    const char* headless = lookup("GRAVELON_HEADLESS");
    s.headless = headless && *headless && std::string(headless) != "0";
    s.quitAfterFrames = ParseCount("GRAVELON_QUIT_AFTER_FRAMES", lookup("GRAVELON_QUIT_AFTER_FRAMES"));
    s.frameMs = ParseCount("GRAVELON_FRAME_MS", lookup("GRAVELON_FRAME_MS"));
    s.inputScript = ParsePath(lookup("GRAVELON_INPUT"));
    return s;
}

const EnvSettings& Env() {
    std::call_once(g_parsed, [] { Storage() = ParseEnv(ProcessLookup); });
    return Storage();
}

void ReloadEnv() {
    Env();
    Storage() = ParseEnv(ProcessLookup);
}

}  // namespace plat
