#include "platform/sys/Env.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace plat {
namespace {

// A whole, non-negative decimal number that fits an int; anything else is listed in errors and ignored.
std::optional<int> ParseCount(const char* name, const char* text, std::vector<std::string>* errors) {
    if (!text || !*text) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > INT_MAX) {
        errors->push_back(std::string(name) + "=\"" + text + "\" is not a whole number from 0 to " +
                          std::to_string(INT_MAX));
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<std::string> ParsePath(const char* text) {
    if (!text || !*text) return std::nullopt;
    return std::string(text);
}

// "address:port" with a dotted IPv4 address and a port from 1 to 65534 (the port after it must exist too).
std::optional<NetEndpoint> ParseEndpoint(const char* name, const char* text, std::vector<std::string>* errors) {
    if (!text || !*text) return std::nullopt;
    const std::string value(text);
    const size_t colon = value.rfind(':');
    unsigned a, b, c, d, port;
    char rest;
    if (colon != std::string::npos &&
        std::sscanf(value.c_str(), "%3u.%3u.%3u.%3u:%5u%c", &a, &b, &c, &d, &port, &rest) == 5 && a < 256 &&
        b < 256 && c < 256 && d < 256 && port >= 1 && port <= 65534)
        return NetEndpoint{value.substr(0, colon), static_cast<uint16_t>(port)};
    errors->push_back(std::string(name) + "=\"" + value + "\" is not an IPv4 address and a port (a.b.c.d:port)");
    return std::nullopt;
}

// SDL's video drivers that show nothing to anyone. SDL_VIDEODRIVER may list several drivers; the first
// one that works is used, so only a list that holds nothing else counts.
bool InvisibleVideoDriver(const char* text) {
    if (!text || !*text) return false;
    std::string list(text);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::string name = list.substr(start, end - start);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name != "offscreen" && name != "dummy") return false;
        start = end + 1;
    }
    return true;
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
    s.headless = (headless && *headless && std::string(headless) != "0") ||
                 InvisibleVideoDriver(lookup("SDL_VIDEODRIVER"));
    s.quitAfterFrames =
        ParseCount("GRAVELON_QUIT_AFTER_FRAMES", lookup("GRAVELON_QUIT_AFTER_FRAMES"), &s.errors);
    s.frameMs = ParseCount("GRAVELON_FRAME_MS", lookup("GRAVELON_FRAME_MS"), &s.errors);
    s.inputScript = ParsePath(lookup("GRAVELON_INPUT"));
    s.eventLog = ParsePath(lookup("GRAVELON_EVENT_LOG"));
    s.seed = ParseCount("GRAVELON_SEED", lookup("GRAVELON_SEED"), &s.errors);
    s.netListen = ParseEndpoint("GRAVELON_NET", lookup("GRAVELON_NET"), &s.errors);
    s.netSearch = ParseEndpoint("GRAVELON_NET_SEARCH", lookup("GRAVELON_NET_SEARCH"), &s.errors);
    return s;
}

const EnvSettings& Env() {
    std::call_once(g_parsed, [] { Storage() = ParseEnv(ProcessLookup); });
    return Storage();
}

bool RefuseBadEnv(const char* program) {
    for (const std::string& error : Env().errors) std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return !Env().errors.empty();
}

void ReloadEnv() {
    Env();
    Storage() = ParseEnv(ProcessLookup);
}

}  // namespace plat
